// The navigation panel, the tray menu's commands and Exit, on Qt's offscreen platform.

#include <QAction>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QStackedWidget>
#include <thread>

#include "engine/station_table.h"
#include "gui/navigation_panel.h"
#include "gui/web_pages.h"
#include "tests/gui/gui_fixture.h"

namespace qv {

class NavigationTest : public QObject {
    Q_OBJECT

public slots:
    void opened(const QUrl& url) { m_opened << url; }

private:
    QList<QUrl> m_opened;

    std::unique_ptr<test::GuiFixture> f;
    NavigationPanel* panel() { return f->find<NavigationPanel>("pLeft"); }
    MainWindow& window() { return f->program->window(); }
    QAction* trayItem(const char* name) {
        return f->program->tray().menu().findChild<QAction*>(name);
    }
    bool captionBold(const char* name) { return f->find<QLabel>(name)->font().bold(); }

private slots:
    void init() { f = std::make_unique<test::GuiFixture>(); }
    void cleanup() { f.reset(); }

    // The squares are 70 by 70 at x 14, from y 12 in steps of 74; both edges belong to them.
    void theHitTestIncludesBothEdges() {
        const struct {
            QPoint point;
            std::optional<Page> page;
        } cases[] = {
            {{50, 84}, std::nullopt},  {{50, 86}, Page::ArpLog},  {{84, 156}, Page::ArpLog},
            {{85, 100}, std::nullopt}, {{13, 100}, std::nullopt}, {{14, 12}, Page::Events},
            {{50, 378}, Page::About},  {{50, 379}, std::nullopt}, {{50, 234}, Page::Options},
        };
        for (const auto& c : cases) {
            QCOMPARE(panel()->pageAt(c.point), c.page);
        }
    }

    void aClickBetweenSquaresChangesNothing() {
        window().show();
        QCOMPARE(window().currentPage(), Page::Events);
        QCOMPARE(panel()->marked(), std::nullopt); // nothing is marked before the first choice
        QTest::mouseClick(panel(), Qt::LeftButton, {}, QPoint(50, 84));
        QCOMPARE(window().currentPage(), Page::Events);
        QCOMPARE(panel()->marked(), std::nullopt);
        QTest::mouseClick(panel(), Qt::LeftButton, {}, QPoint(50, 86));
        QCOMPARE(window().currentPage(), Page::ArpLog);
        QCOMPARE(panel()->marked(), Page::ArpLog);
        QVERIFY(f->find<QWidget>("sARPLog")->isVisible());
        QVERIFY(captionBold("lARPLog"));
        QVERIFY(!captionBold("lEvents"));
    }

    void picturesAndCaptionsChooseTheirPage() {
        window().show();
        QTest::mouseClick(f->find<QLabel>("iOptions"), Qt::LeftButton);
        QCOMPARE(window().currentPage(), Page::Options);
        QTest::mouseClick(f->find<QLabel>("lIPMAC"), Qt::LeftButton);
        QCOMPARE(window().currentPage(), Page::IpMac);
        QVERIFY(f->find<QWidget>("sIPMAC")->isVisible());
        QVERIFY(!f->find<QWidget>("sOptions")->isVisible());
    }

    void theCursorIsAHandOnlyOverASquare() {
        window().show();
        QMouseEvent over(QEvent::MouseMove, QPointF(50, 150), QPointF(50, 150), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(panel(), &over);
        QCOMPARE(panel()->cursor().shape(), Qt::PointingHandCursor);
        QMouseEvent between(QEvent::MouseMove, QPointF(50, 84), QPointF(50, 84), Qt::NoButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(panel(), &between);
        QCOMPARE(panel()->cursor().shape(), Qt::ArrowCursor);
    }

    void trayCommandsOpenTheWindowOnTheirPage() {
        QVERIFY(!window().isVisible());
        trayItem("miOptions")->trigger();
        QVERIFY(window().isVisible());
        QCOMPARE(window().currentPage(), Page::Options);
        QCOMPARE(panel()->marked(), Page::Options);
        trayItem("miAbout")->trigger(); // already shown: brought forward on the new page
        QCOMPARE(window().currentPage(), Page::About);
        window().reject();
        emit f->program->tray().icon()->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(window().isVisible());
        QCOMPARE(window().currentPage(), Page::Events);
        QCOMPARE(f->program->tray().menu().defaultAction(), trayItem("miEvents"));
        QVERIFY(trayItem("miEvents")->font().bold());
    }

    // Events raised on several threads at once: each balloon shows one event's title with that
    // event's text, cut to what the notification area keeps.
    void aBalloonKeepsOneEventsTitleAndTextTogether() {
        QSignalSpy shown(&f->program->tray(), &TrayIcon::balloonShown);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([this, t] {
                for (int i = 0; i < 50; ++i) {
                    const std::string n = std::to_string(t);
                    f->program->tray().showBalloon("Kind " + n + std::string(70, 'k'),
                                                   "Details " + n + std::string(300, 'd'));
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        QTRY_COMPARE(shown.size(), 200);
        for (const QList<QVariant>& balloon : shown) {
            const QString title = balloon[0].toString();
            const QString text = balloon[1].toString();
            QCOMPARE(title.size(), 63);
            QCOMPARE(text.size(), 255);
            QCOMPARE(title.mid(5, 1), text.mid(8, 1));
        }
    }

    // Every web address the program opens is a page of its own documentation that exists; the
    // home page is the maker's only for a user whose language is written in Cyrillic.
    void theMenusWebItemsOpenPagesThatExist() {
        QDesktopServices::setUrlHandler("file", this, "opened");
        const auto open = [&](const char* item, const QLocale& locale) {
            QLocale::setDefault(locale);
            m_opened.clear();
            trayItem(item)->trigger();
            QLocale::setDefault(QLocale::c());
            return m_opened.size() == 1 ? m_opened.front().fileName() : QString();
        };
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        const QLocale russian(QLocale::Russian, QLocale::Russia);
        QCOMPARE(open("miHelp", english), QString("team.html"));
        QCOMPARE(open("miHomePage", english), QString("index.html"));
        QCOMPARE(open("miHomePage", russian), QString("team.html"));
        QCOMPARE(
            open("miHomePage", QLocale(QLocale::Serbian, QLocale::LatinScript, QLocale::Serbia)),
            QString("index.html"));
        for (const char* item : {"miSubscribeToNews", "miSendComments", "miSoftwareForum"}) {
            QCOMPARE(open(item, english), QString("index.html"));
        }
        window().openOn(Page::About);
        m_opened.clear();
        QTest::mouseClick(f->find<QLabel>("lThink"), Qt::LeftButton);
        QCOMPARE(m_opened.size(), 1);
        QVERIFY(QFileInfo(m_opened.front().toLocalFile()).isFile());
        QVERIFY(QFileInfo(makerHomePage().toLocalFile()).isFile());
        QDesktopServices::unsetUrlHandler("file");
    }

    // Stations learned while the window is hidden are saved by Exit too.
    void exitSavesWhetherTheWindowIsShownOrNot() {
        f->program->monitor().stations().lock().touchStation({10, 0, 0, 7}, {2, 0, 0, 0, 0, 7},
                                                             46000.0);
        trayItem("miExit")->trigger();
        f->program->shutdown();
        StationTable saved;
        QCOMPARE(saved.lock().loadStations(f->file("ipmac.dat").string()), 1);
        QVERIFY(std::filesystem::exists(f->file("Quorvane.cfg")));

        auto shown = std::make_unique<test::GuiFixture>();
        shown->program->window().openOn(Page::Options);
        shown->program->tray().menu().findChild<QAction*>("miExit")->trigger();
        QVERIFY(!shown->program->window().isVisible());
        QVERIFY(std::filesystem::exists(shown->file("ipmac.dat")));
    }
};

} // namespace qv

QTEST_MAIN(qv::NavigationTest)
#include "navigation_test.moc"
