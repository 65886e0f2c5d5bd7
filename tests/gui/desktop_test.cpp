// The tray program on the desktops it meets: which click opens the window on which kind of tray,
// a desktop with no notification area (and one that gets it late), and balloons as desktop
// notifications, against a stand-in notification server on a private D-Bus bus.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

#include "gui/desktop_notifications.h"
#include "tests/gui/gui_fixture.h"

namespace qv {

// Records what it is asked to show, as a notification server would show it.
class StandInNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        QString application;
        uint replaces = 0;
        QString icon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
    };
    QList<Shown> shown;
    QStringList capabilities{"actions", "body"};

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& application, uint replaces, const QString& icon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int) {
        shown.append({application, replaces, icon, summary, body, actions, hints});
        return static_cast<uint>(100 + shown.size());
    }
    void CloseNotification(uint) {}

signals:
    void ActionInvoked(uint id, const QString& action);
    void ActivationToken(uint id, const QString& token);
    void NotificationClosed(uint id, uint reason);
};

class DesktopTest : public QObject {
    Q_OBJECT

    test::TempFolder m_config;
    QProcess m_daemon;
    QString m_address;
    int m_connections = 0;

    QDBusConnection connect(const QString& role) {
        return QDBusConnection::connectToBus(m_address, role + QString::number(++m_connections));
    }
    test::FakeDesktop onTheBus() {
        test::FakeDesktop desktop;
        desktop.bus = connect("program");
        return desktop;
    }

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty()) {
            QSKIP("dbus-daemon is missing (Debian package dbus-daemon)");
        }
        // A bus of the test's own that starts no service on demand (a notification server
        // installed on the machine would otherwise answer).
        test::writeText(m_config.path() / "bus.conf",
                        "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                        "<auth>EXTERNAL</auth><policy context=\"default\"><allow "
                        "send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                        "<allow own=\"*\"/></policy></busconfig>");
        m_daemon.start("dbus-daemon",
                       {"--config-file=" + QString::fromStdString((m_config / "bus.conf").string()),
                        "--nofork", "--nopidfile", "--print-address=1"});
        QVERIFY(m_daemon.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    void cleanupTestCase() {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    // A StatusNotifierItem host reports a left click as one activation; an XEmbed tray reports
    // the first click of a double click so too, and only the double click opens the window.
    void theClickThatOpensTheWindowDependsOnTheTray() {
        const struct {
            TrayKind tray;
            QSystemTrayIcon::ActivationReason reason;
            bool opens;
        } cases[] = {
            {TrayKind::StatusNotifierItem, QSystemTrayIcon::Trigger, true},
            {TrayKind::StatusNotifierItem, QSystemTrayIcon::MiddleClick, false},
            {TrayKind::StatusNotifierItem, QSystemTrayIcon::Context, false},
            {TrayKind::XEmbed, QSystemTrayIcon::Trigger, false},
            {TrayKind::XEmbed, QSystemTrayIcon::DoubleClick, true},
        };
        for (const auto& c : cases) {
            test::FakeDesktop desktop;
            desktop.tray = c.tray;
            test::GuiFixture f({}, desktop);
            QCOMPARE(f.program->tray().kind(), c.tray);
            f.program->window().SelectPage(Page::About);
            emit f.program->tray().icon()->activated(c.reason);
            QCOMPARE(f.program->window().isVisible(), c.opens);
            if (c.opens) {
                QCOMPARE(f.program->window().currentPage(), Page::Events);
            }
        }
    }

    // No notification area: after the grace the window shows itself on the Events page, saying
    // why and how to bring it back; closed, it hides as usual. A tray that comes later takes the
    // icon, and the word goes.
    void withoutATrayTheWindowShowsAndALateTrayDocks() {
        test::FakeDesktop desktop;
        desktop.tray = TrayKind::None;
        desktop.grace = std::chrono::milliseconds(300);
        test::GuiFixture f({}, desktop);
        MainWindow& window = f.program->window();
        QVERIFY(!window.isVisible());
        QCOMPARE(f.program->tray().icon(), nullptr);
        QTRY_VERIFY(window.isVisible());
        QCOMPARE(window.currentPage(), Page::Events);
        QCOMPARE(window.notice(), noTrayNotice());
        QVERIFY(f.find<QWidget>("lNotice")->isVisible());
        window.reject();
        QVERIFY(!window.isVisible());
        QTest::qWait(3 * static_cast<int>(TrayIcon::LOOK_INTERVAL.count()));
        QVERIFY(!window.isVisible()); // said once, not again at every look

        f.trayProbe->kind = TrayKind::StatusNotifierItem;
        QTRY_VERIFY(f.program->tray().icon() != nullptr);
        QCOMPARE(f.program->tray().kind(), TrayKind::StatusNotifierItem);
        QVERIFY(window.notice().isEmpty());
        emit f.program->tray().icon()->activated(QSystemTrayIcon::Trigger);
        QVERIFY(window.isVisible());
        QVERIFY(!f.find<QWidget>("lNotice")->isVisible());
    }

    void aTrayThatComesWithinTheGraceShowsNoWindow() {
        test::FakeDesktop desktop;
        desktop.tray = TrayKind::None;
        desktop.grace = std::chrono::milliseconds(2000);
        test::GuiFixture f({}, desktop);
        QTest::qWait(200);
        f.trayProbe->kind = TrayKind::XEmbed;
        QTRY_VERIFY(f.program->tray().icon() != nullptr);
        QTest::qWait(2500);
        QVERIFY(!f.program->window().isVisible());
    }

    // Each event is a notification of its own, named and drawn as the program, with the event's
    // type and details; its default action opens the Events page.
    void balloonsAreDesktopNotifications() {
        QDBusConnection serverBus = connect("server");
        StandInNotificationServer server;
        server.capabilities << "body-markup";
        QVERIFY(serverBus.registerObject("/org/freedesktop/Notifications", &server,
                                         QDBusConnection::ExportAllSlots |
                                             QDBusConnection::ExportAllSignals));
        QVERIFY(serverBus.registerService("org.freedesktop.Notifications"));
        const std::unique_ptr<void, std::function<void(void*)>> unregister(
            &server, [&](void*) { serverBus.unregisterService("org.freedesktop.Notifications"); });
        test::GuiFixture f({}, onTheBus());
        QTRY_VERIFY(f.program->notifications().available());
        QSignalSpy ids(&f.program->notifications(), &DesktopNotifications::shown);
        f.program->tray().showBalloon("New station", "10.0.0.7\n(hwaddr: 00-11-22-33-44-55)");
        f.program->tray().showBalloon("Flip flop", "<10.0.0.8> & co");
        QTRY_COMPARE(ids.size(), 2);
        QCOMPARE(server.shown.size(), 2);
        const StandInNotificationServer::Shown& first = server.shown[0];
        QCOMPARE(first.application, QString("Quorvane"));
        QCOMPARE(first.replaces, 0u);
        QCOMPARE(first.icon, QString("quorvane"));
        QCOMPARE(first.summary, QString("New station"));
        QCOMPARE(first.body, QString("10.0.0.7\n(hwaddr: 00-11-22-33-44-55)"));
        QCOMPARE(first.actions.mid(0, 1), QStringList{"default"});
        QCOMPARE(first.hints.value("desktop-entry").toString(), QString("quorvane"));
        QCOMPARE(first.hints.value("image-data").value<QDBusArgument>().currentSignature(),
                 QString("(iiibiiay)"));
        QCOMPARE(server.shown[1].body, QString("&lt;10.0.0.8&gt; &amp; co")); // markup escaped
        QVERIFY(!f.program->window().isVisible());

        QSignalSpy chosen(&f.program->notifications(), &DesktopNotifications::defaultActionInvoked);
        emit server.ActionInvoked(999, "default"); // another program's
        emit server.ActionInvoked(ids[0][0].toUInt(), "other");
        QTest::qWait(300);
        QVERIFY(!f.program->window().isVisible());
        emit server.ActivationToken(ids[1][0].toUInt(), "token-from-the-server");
        emit server.ActionInvoked(ids[1][0].toUInt(), "default");
        QTRY_VERIFY(f.program->window().isVisible());
        QCOMPARE(f.program->window().currentPage(), Page::Events);
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen[0][0].toString(), QString("token-from-the-server"));
    }

    // Without a notification server the tray's own balloon shows the event; with neither, nothing.
    void withoutANotificationServerTheTrayShowsTheBalloon() {
        test::GuiFixture f({}, onTheBus());
        QTest::qWait(300);
        QVERIFY(!f.program->notifications().available());
        QSignalSpy shown(&f.program->tray(), &TrayIcon::balloonShown);
        f.program->tray().showBalloon("New station", "10.0.0.9");
        QTRY_COMPARE(shown.size(), 1);

        test::FakeDesktop bare;
        bare.tray = TrayKind::None;
        test::GuiFixture none({}, bare);
        QSignalSpy nothing(&none.program->tray(), &TrayIcon::balloonShown);
        none.program->tray().showBalloon("New station", "10.0.0.9");
        QTest::qWait(200);
        QCOMPARE(nothing.size(), 0);
    }
};

} // namespace qv

QTEST_MAIN(qv::DesktopTest)
#include "desktop_test.moc"
