// The main window's Options page, Apply, OK and Cancel, on Qt's offscreen platform.

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include "settings/settings_file.h"
#include "tests/gui/gui_fixture.h"

namespace qv {

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::GuiFixture> f;
    QPushButton* apply() { return f->find<QPushButton>("bApply"); }
    Settings record() { return f->program->monitor().settings().snapshot(); }
    Settings savedRecord() {
        Settings saved = zeroSettings();
        LoadSettings(saved, f->folder, "/x/");
        return saved;
    }

private slots:
    void init() {
        f = std::make_unique<test::GuiFixture>();
        f->program->window().openOn(Page::Options);
        QVERIFY(QTest::qWaitForWindowExposed(&f->program->window()));
    }
    void cleanup() { f.reset(); }

    void applyFollowsEveryEditAndItsUndoing() {
        QVERIFY(!apply()->isEnabled());
        auto* station = f->find<QCheckBox>("cbNewStation");
        station->click();
        QVERIFY(apply()->isEnabled());
        station->click();
        QVERIFY(!apply()->isEnabled());

        auto* sound = f->find<QLineEdit>("ePlaySound");
        const QString stored = sound->text();
        sound->setText(stored.toUpper()); // another letter case is another file
        QVERIFY(apply()->isEnabled());
        sound->setText(stored);
        QVERIFY(!apply()->isEnabled());

        auto* adapters = f->find<QListWidget>("clbNetworkAdapters");
        QCOMPARE(adapters->count(), 2);
        QCOMPARE(adapters->item(0)->text(), QString("Intel Ethernet (192.168.1.5)"));
        adapters->item(1)->setCheckState(Qt::Unchecked);
        QVERIFY(apply()->isEnabled());
        adapters->item(1)->setCheckState(Qt::Checked);
        QVERIFY(!apply()->isEnabled());

        auto* size = f->find<QSpinBox>("udARPLogFileSize");
        size->stepUp();
        QCOMPARE(size->value(), 60);
        QVERIFY(apply()->isEnabled());
        size->stepDown();
        QVERIFY(!apply()->isEnabled());

        // The view controls of the other pages change the record at once: no pending change.
        f->find<QToolButton>("tbARPLogSimpleView")->click();
        QCOMPARE(record().ARPLogSimpleView, std::uint8_t{0});
        QVERIFY(!apply()->isEnabled());
    }

    void cancelDiscardsTheEditsYetSaves() {
        f->find<QCheckBox>("cbFlipFlop")->click();
        f->find<QLineEdit>("eComputerName")->setText("PC9");
        f->find<QPushButton>("bCancel")->click();
        QVERIFY(!f->program->window().isVisible());
        QCOMPARE(record().DetectFlipFlop, std::uint8_t{1});
        QVERIFY(std::filesystem::exists(f->file("ipmac.dat")));
        QCOMPARE(savedRecord().DetectFlipFlop, std::uint8_t{1});
        QCOMPARE(fieldText(savedRecord().ComputerList),
                 std::string("COMPUTER1;COMPUTER2;COMPUTER3"));
        // Shown again, the page shows the record, not the discarded edits.
        f->program->window().openOn(Page::Options);
        QVERIFY(f->find<QCheckBox>("cbFlipFlop")->isChecked());
        QCOMPARE(f->find<QLineEdit>("eComputerName")->text(),
                 QString("COMPUTER1;COMPUTER2;COMPUTER3"));
    }

    void okWithoutAChangeAppliesNothingAndSaves() {
        const Settings before = record();
        f->find<QPushButton>("bOK")->click();
        QVERIFY(!f->program->window().isVisible());
        QCOMPARE(encodeSettings(record()), encodeSettings(before));
        QCOMPARE(encodeSettings(savedRecord()), encodeSettings(before));
        QCOMPARE(std::filesystem::file_size(f->file("ipmac.dat")), std::uintmax_t{327'684});
    }

    void okAppliesPendingEdits() {
        f->find<QCheckBox>("cbSendMessage")->click();
        f->find<QPushButton>("bOK")->click();
        QCOMPARE(record().NotifySendMessage, std::uint8_t{1});
        QCOMPARE(savedRecord().NotifySendMessage, std::uint8_t{1});
    }

    void applyStartsAndStopsCaptureAtOnce() {
        CaptureControl& capture = f->program->capture();
        QCOMPARE(capture.adapter(1).threadState, std::int32_t{CaptureRunning});
        auto* adapters = f->find<QListWidget>("clbNetworkAdapters");
        adapters->item(1)->setCheckState(Qt::Unchecked);
        apply()->click();
        QCOMPARE(capture.adapter(1).threadState, std::int32_t{CaptureNone});
        QVERIFY(capture.adapter(1).run->stopRequested());
        QCOMPARE(adapterCount(record()), 1);
        QCOMPARE(fieldText(record().AdapterNames[0]), std::string("eth0"));
        QVERIFY(!apply()->isEnabled());
        adapters->item(1)->setCheckState(Qt::Checked);
        apply()->click();
        QCOMPARE(capture.adapter(1).threadState, std::int32_t{CaptureRunning});
        QCOMPARE(adapterCount(record()), 2);
    }

    void theSizeFieldTakesDigitsAndBackspaceOnly() {
        auto* size = f->find<QSpinBox>("udARPLogFileSize");
        size->setFocus();
        size->selectAll();
        QTest::keyClicks(size, "1x2-");
        QCOMPARE(size->value(), 12);
        QTest::keyClick(size, Qt::Key_Backspace);
        QCOMPARE(size->value(), 1);
    }

    void theSoundAndMessageControlsFollowTheirBoxes() {
        auto* play = f->find<QCheckBox>("cbPlaySound");
        auto* file = f->find<QLineEdit>("ePlaySound");
        auto* browse = f->find<QPushButton>("bBrowseSound");
        play->setChecked(false);
        QVERIFY(!file->isEnabled() && !browse->isEnabled());
        play->setChecked(true);
        QVERIFY(file->isEnabled() && browse->isEnabled());
        test::writeText(f->root / "ding.wav", "RIFF");
        file->setText(QString::fromStdString((f->root / "ding.wav").string()));
        QVERIFY(f->find<QPushButton>("bPlay")->isEnabled());
        file->setText(QString::fromStdString((f->root / "gone.wav").string()));
        QVERIFY(!f->find<QPushButton>("bPlay")->isEnabled());
        auto* send = f->find<QCheckBox>("cbSendMessage");
        QVERIFY(!f->find<QLineEdit>("eComputerName")->isEnabled());
        send->click();
        QVERIFY(f->find<QLineEdit>("eComputerName")->isEnabled());
    }

    // 300 two-byte characters do not fit the 259 bytes of the record's field: the text is cut
    // at a character boundary, and the page then shows what was stored.
    void aLongTextIsCutAtACharacterBoundary() {
        auto* computers = f->find<QLineEdit>("eComputerName");
        computers->setText(QString(300, QChar(0x00E9)));
        apply()->click();
        const std::string stored = fieldText(record().ComputerList);
        QCOMPARE(stored.size(), std::size_t{258});
        QCOMPARE(QString::fromStdString(stored), QString(129, QChar(0x00E9)));
        QCOMPARE(computers->text(), QString(129, QChar(0x00E9)));
        QVERIFY(!apply()->isEnabled());
    }
};

} // namespace qv

QTEST_MAIN(qv::MainWindowTest)
#include "main_window_test.moc"
