// A second start and the running program: the request it sends, who may send it, and what the
// running program hears, over the real socket in a runtime folder of the test's own.

#include <QSignalSpy>
#include <QTest>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "common/instance_lock.h"
#include "gui/instance_channel.h"
#include "gui/start_up.h"
#include "tests/support/other_user.h"
#include "tests/support/temp_folder.h"

Q_DECLARE_METATYPE(qv::InstanceRequest)

namespace qv {

class NoDialogs final : public StartUpDialogs {
public:
    bool offerDriverDownload() override { return false; }
    void reportFolderProblem(const QString& text) override { problems << text; }
    QStringList problems;
};

class InstanceChannelTest : public QObject {
    Q_OBJECT

    test::TempFolder m_runtime;
    test::TempFolder m_root;
    DataFolder m_folder{m_root / "Quorvane"};

    // A second start on the held folder, on a thread of its own (it waits for the answer that
    // this thread's event loop gives); its exit status.
    int secondStart(const TrayOptions& options, const LaunchTokens& tokens) {
        int status = -1;
        int binds = 0;
        NoDialogs dialogs;
        std::thread second([&] {
            status = runTrayProgram(TrayStart{m_folder, options, tokens}, dialogs,
                                    [&] { return ++binds, 0; });
        });
        while (status == -1) {
            QTest::qWait(20);
        }
        second.join();
        if (binds != 0 || !dialogs.problems.isEmpty()) {
            return -2; // it went on as a program of its own
        }
        return status;
    }

private slots:
    void initTestCase() {
        qRegisterMetaType<InstanceRequest>();
        ::chmod(m_runtime.path().c_str(), 0700);
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(m_runtime.path().string()));
    }

    void aSecondStartAsksTheRunningCopyToShowItsWindow() {
        const InstanceLock first(m_folder, TRAY_PROGRAM_NAME);
        InstanceChannel channel(m_folder);
        QVERIFY2(channel.listening(), channel.problem().c_str());
        QSignalSpy heard(&channel, &InstanceChannel::requested);
        QCOMPARE(secondStart({}, {"token-7", "launcher-1_TIME42"}), 0);
        QCOMPARE(heard.size(), 1);
        const auto request = heard.front().front().value<InstanceRequest>();
        QCOMPARE(request.kind, InstanceRequest::Kind::Show);
        QCOMPARE(request.tokens.activationToken, QString("token-7"));
        QCOMPARE(request.tokens.startupId, QString("launcher-1_TIME42"));
    }

    void anExitAsksTheRunningCopyToEnd() {
        const InstanceLock first(m_folder, TRAY_PROGRAM_NAME);
        InstanceChannel channel(m_folder);
        QSignalSpy heard(&channel, &InstanceChannel::requested);
        TrayOptions exit;
        exit.exit = true;
        QCOMPARE(secondStart(exit, {}), 0);
        QCOMPARE(heard.size(), 1);
        QCOMPARE(heard.front().front().value<InstanceRequest>().kind, InstanceRequest::Kind::Exit);
    }

    // A copy started with the session leaves the running one as it is.
    void anAutostartAsksNothing() {
        const InstanceLock first(m_folder, TRAY_PROGRAM_NAME);
        InstanceChannel channel(m_folder);
        QSignalSpy heard(&channel, &InstanceChannel::requested);
        TrayOptions autostart;
        autostart.autostart = true;
        QCOMPARE(secondStart(autostart, {}), 0);
        QTest::qWait(200);
        QCOMPARE(heard.size(), 0);
    }

    // The socket is the user's alone; and a process of another user that reaches it all the same
    // (its folders opened up) is not obeyed.
    void anotherUsersRequestIsRefused() {
        if (::geteuid() != 0) {
            QSKIP("needs root, to connect as another user");
        }
        InstanceChannel channel(m_folder);
        QSignalSpy heard(&channel, &InstanceChannel::requested);
        std::string why;
        const std::string path = *instanceChannelPath(m_folder, why);
        ::chmod(m_runtime.path().c_str(), 0711);
        ::chmod((m_runtime / "quorvane").c_str(), 0711);
        ::chmod(path.c_str(), 0777);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgid(test::OTHER_USER) != 0 || ::setuid(test::OTHER_USER) != 0) {
                ::_exit(3);
            }
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
            if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
                ::_exit(4);
            }
            const char request[] = "show\n\n";
            char answer[8] = {};
            const bool written = ::write(fd, request, sizeof request - 1) > 0;
            const bool answered = ::read(fd, answer, sizeof answer) > 0;
            ::_exit(written && !answered ? 0 : 5);
        }
        int status = -1;
        bool ended = false;
        QTRY_VERIFY((ended = ended || ::waitpid(child, &status, WNOHANG) == child));
        ::chmod(m_runtime.path().c_str(), 0700);
        ::chmod((m_runtime / "quorvane").c_str(), 0700);
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(heard.size(), 0);
    }

    void aRuntimeFolderOthersMayEnterTakesNoChannel() {
        ::chmod(m_runtime.path().c_str(), 0755);
        std::string why;
        const auto path = instanceChannelPath(m_folder, why);
        const bool listening = InstanceChannel(m_folder).listening();
        ::chmod(m_runtime.path().c_str(), 0700);
        QVERIFY(!path);
        QVERIFY2(why.find("is not a folder of this user's alone") != std::string::npos,
                 why.c_str());
        QVERIFY(!listening);
    }

    void requestsTravelWholeOrNotAtAll() {
        const InstanceRequest show{InstanceRequest::Kind::Show, {"abc", "id_TIME1"}};
        QCOMPARE(show.encode(), QByteArray("show\ntoken abc\nstartup id_TIME1\n\n"));
        const auto back = InstanceRequest::decode(show.encode());
        QVERIFY(back);
        QCOMPARE(back->tokens.activationToken, QString("abc"));
        QCOMPARE(back->tokens.startupId, QString("id_TIME1"));
        // A token that is not a printable word is left out rather than sent.
        QCOMPARE((InstanceRequest{InstanceRequest::Kind::Exit, {"a b", "x\ny"}}.encode()),
                 QByteArray("exit\n\n"));
        const QByteArray broken[] = {
            "show\n",
            "bogus\n\n",
            "show\ntoken a b\n\n",
            "show\nother x\n\n",
            "show\n\ntoken x\n\n",
            "show\ntoken \n\n",
            "show\ntoken " + QByteArray(5000, 'x') + "\n\n",
        };
        for (const QByteArray& bytes : broken) {
            QVERIFY2(!InstanceRequest::decode(bytes), bytes.left(40).constData());
        }
    }
};

} // namespace qv

QTEST_MAIN(qv::InstanceChannelTest)
#include "instance_channel_test.moc"
