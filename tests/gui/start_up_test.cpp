// The tray program's start-up before its window: one writer per folder and the driver prompt.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "common/instance_lock.h"
#include "gui/start_up.h"
#include "tests/support/temp_folder.h"

namespace qv {

class RecordingDialogs final : public StartUpDialogs {
public:
    bool offerDriverDownload() override {
        ++offers;
        return false;
    }
    void reportFolderProblem(const QString& text) override { problems << text; }
    int offers = 0;
    QStringList problems;
};

class StartUpTest : public QObject {
    Q_OBJECT

private slots:
    void aFolderInUseEndsASecondCopyAtOnceWithStatus0() {
        test::TempFolder root;
        const DataFolder folder(root / "Quorvane");
        const InstanceLock first(folder);
        RecordingDialogs dialogs;
        int binds = 0;
        QCOMPARE(runTrayProgram(folder, dialogs, [&] { return ++binds, 0; }), 0);
        QCOMPARE(binds, 0);
        QCOMPARE(dialogs.offers, 0);
    }

    // Without the packet library the program offers the download page and ends, touching no
    // file: the folder holds only the lock.
    void noPacketLibraryGivesThePromptAndTouchesNothing() {
        test::TempFolder root;
        const DataFolder folder(root / "Quorvane");
        RecordingDialogs dialogs;
        QCOMPARE(runTrayProgram(folder, dialogs, [] { return -1; }), 1);
        QCOMPARE(dialogs.offers, 1);
        QCOMPARE(std::vector<std::filesystem::path>(
                     std::filesystem::directory_iterator(folder.folder()), {}),
                 std::vector<std::filesystem::path>{folder.folder() / LOCK_FILE_NAME});
    }

    void thePromptIsTheDriverQuestionWithYesAndNo() {
        QString title, text;
        QMessageBox::StandardButtons buttons;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            title = box->windowTitle();
            text = box->text();
            buttons = box->standardButtons();
            icon = box->icon();
            box->button(QMessageBox::No)->click();
        });
        MessageBoxDialogs dialogs;
        QVERIFY(!dialogs.offerDriverDownload());
        QCOMPARE(title, QString("Error!"));
        QCOMPARE(text, QString("libpcap not installed, or installed older version. Do you want "
                               "to download libpcap?"));
        QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(icon, QMessageBox::Critical);
    }

    void aFolderThatTakesNoFilesIsNamedWithTheFix() {
        const QString text =
            folderProblemText(DataFolder("/var/lib/Quorvane"), "Permission denied");
        QVERIFY(text.contains("/var/lib/Quorvane (Permission denied)"));
        QVERIFY(text.contains("sudo install -d -o $USER /var/lib/Quorvane"));
        QVERIFY(text.contains("--data-dir"));
    }

    void optionsAreTheDataFolderOnly() {
        std::string error;
        QCOMPARE(parseTrayOptions({"--data-dir", "/tmp/q"}, error)->dataDir, "/tmp/q");
        QVERIFY(!parseTrayOptions({"--data-dir"}, error));
        QVERIFY(!parseTrayOptions({"--read", "x"}, error));
        QCOMPARE(error, std::string("unknown option --read"));
        QVERIFY(!parseTrayOptions({"--data-dir", "a", "--data-dir", "b"}, error));
    }
};

} // namespace qv

QTEST_MAIN(qv::StartUpTest)
#include "start_up_test.moc"
