// The tray program's start-up before its window: one writer per folder and the driver prompt.

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "common/instance_lock.h"
#include "engine/station_table.h"
#include "gui/start_up.h"
#include "tests/gui/gui_fixture.h"
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

    // The text of the message box the program shows, which is then closed.
    static QString messageBoxText() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box != nullptr && box->isVisible()) {
                const QString text = box->text();
                box->close();
                return text;
            }
        }
        return {};
    }

private slots:
    void aFolderInUseEndsASecondCopyAtOnceWithStatus0() {
        test::TempFolder root;
        const DataFolder folder(root / "Quorvane");
        const InstanceLock first(folder, TRAY_PROGRAM_NAME);
        RecordingDialogs dialogs;
        int binds = 0;
        QCOMPARE(runTrayProgram(TrayStart{folder, {}, {}}, dialogs, [&] { return ++binds, 0; }), 0);
        QCOMPARE(binds, 0);
        QCOMPARE(dialogs.offers, 0);
        QVERIFY(dialogs.problems.isEmpty()); // a copy of the tray program: said on stderr only
    }

    // The sensor service (a watcher) holding the folder is said on the desktop, with the way out.
    void aFolderHeldByTheServiceIsSaidInAMessageBox() {
        test::TempFolder root;
        const DataFolder folder(root / "Quorvane");
        const InstanceLock service(folder, "quorvane-watch");
        RecordingDialogs dialogs;
        int binds = 0;
        QCOMPARE(runTrayProgram(TrayStart{folder, {}, {}}, dialogs, [&] { return ++binds, 0; }), 0);
        QCOMPARE(binds, 0);
        QCOMPARE(dialogs.problems.size(), 1);
        QVERIFY2(dialogs.problems[0].contains("in use by another Quorvane program, quorvane-watch"),
                 qPrintable(dialogs.problems[0]));
        QVERIFY(dialogs.problems[0].contains("sudo systemctl stop quorvane-watch"));
    }

    // Without the packet library the program offers the download page and ends, touching no
    // file: the folder holds only the lock.
    void noPacketLibraryGivesThePromptAndTouchesNothing() {
        test::TempFolder root;
        const DataFolder folder(root / "Quorvane");
        RecordingDialogs dialogs;
        QCOMPARE(runTrayProgram(TrayStart{folder, {}, {}}, dialogs, [] { return -1; }), 1);
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

    // What an abrupt end left is mended before anything is loaded, and the user hears of it and
    // of files found damaged; the first save keeps the damaged file aside.
    void theStartMendsTheFolderAndTellsOfDamagedFiles() {
        test::GuiFixture f([](const DataFolder& folder) {
            test::writeText(folder.DataFilePath("ipmac.dat"), std::string(100, 'x'));
            test::writeText(folder.DataFilePath("ipmac.dat.new"), "left by a kill");
            test::writeText(folder.DataFilePath("ARP.csv"), "Date/Time;Type\r\n12/06/2");
        });
        const QString text = messageBoxText();
        QVERIFY2(text.contains("ARP.csv ended in a line cut short; it was moved to"),
                 qPrintable(text));
        QVERIFY2(text.contains("ipmac.dat is damaged; what could be read of it was loaded"),
                 qPrintable(text));
        QVERIFY(!std::filesystem::exists(f.file("ipmac.dat.new")));
        QCOMPARE(test::readText(f.file("ARP.csv")), std::string("Date/Time;Type\r\n"));

        f.program->saveAll();
        QVERIFY(messageBoxText().contains("was kept as"));
        QCOMPARE(test::readText(f.file("ipmac.dat.damaged")), std::string(100, 'x'));
        QCOMPARE(std::filesystem::file_size(f.file("ipmac.dat")), STATION_FILE_SIZE);
    }

    // The one-second timer looks for a due checkpoint of the station table.
    void theTimerWritesCheckpoints() {
        test::GuiFixture f;
        f.program->monitor().setCheckpointInterval(std::chrono::seconds(0));
        f.program->monitor().stations().lock().touchStation({10, 0, 0, 1}, {0, 1, 2, 3, 4, 5},
                                                            46000.0);
        QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(f.file("ipmac.dat")), 5000);
        StationTable saved;
        QCOMPARE(saved.lock().loadStations(f.file("ipmac.dat").string()), 1);
    }

    void optionsAreTheDataFolderAutostartAndExit() {
        std::string error;
        QCOMPARE(parseTrayOptions({"--data-dir", "/tmp/q"}, error)->dataDir, "/tmp/q");
        QVERIFY(!parseTrayOptions({"--data-dir"}, error));
        QVERIFY(!parseTrayOptions({"--read", "x"}, error));
        QCOMPARE(error, std::string("unknown option --read"));
        QVERIFY(!parseTrayOptions({"--data-dir", "a", "--data-dir", "b"}, error));
        QVERIFY(parseTrayOptions({"--autostart", "--data-dir", "a"}, error)->autostart);
        QVERIFY(parseTrayOptions({"--exit"}, error)->exit);
        QVERIFY(!parseTrayOptions({"--exit", "--autostart"}, error));
    }

    // Started with the session by a user who cannot capture: nothing is said and nothing is
    // touched, not even the lock.
    void anAutostartThatCannotCaptureEndsSilently() {
        test::TempFolder root;
        const DataFolder folder(root / "Quorvane");
        RecordingDialogs dialogs;
        int binds = 0;
        TrayStart start{folder, {}, {}, [] { return false; }};
        start.options.autostart = true;
        QCOMPARE(runTrayProgram(start, dialogs, [&] { return ++binds, 0; }), 0);
        QCOMPARE(binds, 0);
        QVERIFY(dialogs.problems.isEmpty());
        QVERIFY(!std::filesystem::exists(folder.folder() / LOCK_FILE_NAME));
    }

    void anExitWithNoProgramToAskGivesStatus1() {
        test::TempFolder root;
        RecordingDialogs dialogs;
        TrayStart start{DataFolder(root / "Quorvane"), {}, {}};
        start.options.exit = true;
        QCOMPARE(runTrayProgram(start, dialogs, [] { return 0; }), 1);
    }
};

} // namespace qv

QTEST_MAIN(qv::StartUpTest)
#include "start_up_test.moc"
