// The restart of capture after a resume, driven through a private D-Bus bus that stands in for
// the system bus, with a stand-in for logind that owns its name there.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

#include "tests/gui/gui_fixture.h"

namespace qv {

class ResumeTest : public QObject {
    Q_OBJECT

private:
    QProcess m_daemon;
    QString m_address;

    static void sendPrepareForSleep(QDBusConnection& from, bool start) {
        QDBusMessage signal = QDBusMessage::createSignal(
            "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
        signal << start;
        QVERIFY(from.send(signal));
    }

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) {
            QSKIP("dbus-daemon is missing (Debian package dbus-daemon)");
        }
        m_daemon.start("dbus-daemon",
                       {"--session", "--nofork", "--nopidfile", "--print-address=1"});
        QVERIFY(m_daemon.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        QVERIFY(!m_address.isEmpty());
    }
    void cleanupTestCase() {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    void resumeRestartsOnlyTheCapturingAdaptersWhileTheGuiAnswers() {
        test::GuiFixture f;
        CaptureControl& capture = f.program->capture();
        capture.stopCapture(1); // deselected by the user: it must stay stopped
        QDBusConnection system = QDBusConnection::connectToBus(m_address, "system-stand-in");
        QDBusConnection logind = QDBusConnection::connectToBus(m_address, "logind-stand-in");
        QVERIFY(logind.registerService("org.freedesktop.login1"));
        ResumeWatcher watcher(capture, std::chrono::milliseconds(600));
        QVERIFY(watcher.listen(system));
        QSignalSpy restarted(&watcher, &ResumeWatcher::restarted);
        QTRY_COMPARE(f.driver.opens("eth0"), 1);

        int ticks = 0;
        QTimer heartbeat;
        connect(&heartbeat, &QTimer::timeout, [&] { ++ticks; });
        heartbeat.start(20);
        QElapsedTimer clock;
        clock.start();
        sendPrepareForSleep(logind, true); // going to sleep changes nothing
        sendPrepareForSleep(logind, false);
        QVERIFY(restarted.wait(5000));
        QVERIFY(clock.elapsed() >= 600);
        QVERIFY2(ticks >= 15, qPrintable(QString("the GUI ticked %1 times").arg(ticks)));
        QCOMPARE(restarted.front().front().toInt(), 1);
        QTRY_COMPARE(f.driver.opens("eth0"), 2);
        QCOMPARE(f.driver.opens("eth1"), 1);
        QCOMPARE(capture.adapter(0).threadState, std::int32_t{CaptureRunning});
        QCOMPARE(capture.adapter(1).threadState, std::int32_t{CaptureNone});
        QDBusConnection::disconnectFromBus("system-stand-in");
        QDBusConnection::disconnectFromBus("logind-stand-in");
    }

    void theSignalOfAnyoneButLogindIsIgnored() {
        test::GuiFixture f;
        QDBusConnection system = QDBusConnection::connectToBus(m_address, "system-stand-in");
        QDBusConnection stranger = QDBusConnection::connectToBus(m_address, "stranger");
        ResumeWatcher watcher(f.program->capture(), std::chrono::milliseconds(50));
        QVERIFY(watcher.listen(system));
        QSignalSpy restarted(&watcher, &ResumeWatcher::restarted);
        sendPrepareForSleep(stranger, false);
        QVERIFY(!restarted.wait(800));
        QDBusConnection::disconnectFromBus("system-stand-in");
        QDBusConnection::disconnectFromBus("stranger");
    }
};

} // namespace qv

QTEST_MAIN(qv::ResumeTest)
#include "resume_test.moc"
