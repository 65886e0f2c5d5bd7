// The main window's tables and their menu, on Qt's offscreen platform: the events list with its
// marking and search, the ARP log's two forms and its lock, the sortable station list and its
// tree, and the commands of the shared menu with their keys.

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <thread>

#include "engine/arp_frame.h"
#include "events/flood_watch.h"
#include "gui/arp_log_page.h"
#include "gui/events_page.h"
#include "gui/ip_info_window.h"
#include "gui/ipmac_page.h"
#include "gui/table_look.h"
#include "gui/table_menu.h"
#include "tests/gui/gui_fixture.h"
#include "tests/support/arp_frames.h"
#include "tests/support/ndp_frames.h"
#include "tests/support/recording_owner.h"

namespace qv {

class TablesTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::GuiFixture> f;
    MainWindow& window() { return f->program->window(); }
    TableMenu& menu() { return window().tableMenu(); }
    QAction* item(const char* name) { return menu().menu().findChild<QAction*>(name); }

    void frame(std::uint8_t n, std::uint16_t operation = ARP_REQUEST) {
        f->program->monitor().detector().processArpFrame(test::arpFrame(
            operation, {2, 0, 0, 0, 0, n}, {10, 0, 0, n}, ZERO_MAC, {10, 0, 0, 254}));
    }
    // A neighbour discovery message from fe80::<n> with MAC 02-00-00-00-00-<n>, about fe80::1.
    void ndpMessage(NdpType type, std::uint8_t n) {
        test::NdpFrameFields fields;
        fields.type = type;
        fields.ethernetSource = {2, 0, 0, 0, 0, n};
        fields.source = test::linkLocal(n);
        fields.destination =
            type == NdpType::NeighbourSolicitation ? test::solicitedNode(1) : test::linkLocal(1);
        fields.target = test::linkLocal(type == NdpType::NeighbourAdvertisement ? n : 1);
        fields.options = test::linkLayerOption(type == NdpType::NeighbourAdvertisement ? 2 : 1,
                                               fields.ethernetSource);
        const auto message = decodeNdpFrame(test::ndpFrame(fields));
        QVERIFY(message);
        FrameBatch batch;
        f->program->monitor().detector().processNdpMessage(*message, batch);
        f->program->monitor().detector().endBatch(batch);
    }
    void station(std::uint8_t ip, std::uint8_t mac, double update) {
        f->program->monitor().stations().lock().touchStation({10, 0, 0, ip}, {2, 0, 0, 0, 0, mac},
                                                             update);
    }
    void event(const std::string& type, const std::string& details) {
        f->program->monitor().journal().JournalAppend(test::eventOf(type, details));
    }
    static void select(QTableView* view, std::initializer_list<int> rows) {
        view->clearSelection();
        for (int row : rows) {
            view->selectionModel()->select(view->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    static std::vector<int> selected(QTableView* view) {
        std::vector<int> rows;
        for (const QModelIndex& index : view->selectionModel()->selectedRows()) {
            rows.push_back(index.row());
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    static QString text(QAbstractItemView* view, int row, int column) {
        return view->model()->index(row, column).data().toString();
    }
    // Opens the menu as a right click on the row does, then closes it again.
    void rightClick(QAbstractItemView* view, int row) {
        const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
        QTest::mouseClick(view->viewport(), Qt::RightButton, {}, at);
        QTRY_VERIFY(menu().menu().isVisible());
        menu().menu().hide();
    }
    // A picture of the window for the reader of a change, as the desktop tests keep theirs; where
    // the build folder is not the test's to write (the Wayland run's other user), none.
    void keepPicture(const char* name) {
        const std::filesystem::path folder = QV_BINARY_DIR "/tests/output/window-tables";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (!window().grab().save(QString::fromStdString((folder / name).string()), "PNG")) {
            qWarning("cannot keep %s in %s", name, folder.c_str());
        }
    }
    void key(QAbstractItemView* view, int keyCode, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(view, static_cast<Qt::Key>(keyCode), modifiers);
    }

private slots:
    void init() {
        f = std::make_unique<test::GuiFixture>();
        window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
    }
    void cleanup() { f.reset(); }

    void theModelsKeepTheirContracts() {
        for (int n = 1; n <= 3; ++n) {
            frame(static_cast<std::uint8_t>(n));
        }
        window().SelectPage(Page::ArpLog);
        window().SelectPage(Page::IpMac);
        ArpLogPage& arp = window().arpLogPage();
        QAbstractItemModelTester a(arp.detailedList()->model(),
                                   QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester b(arp.simpleList()->model(),
                                   QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester c(window().ipMacPage().list()->model(),
                                   QAbstractItemModelTester::FailureReportingMode::QtTest);
        frame(4);
        arp.RefreshARPTable();
        window().RefreshIPMACTable();
        QCOMPARE(arp.detailedList()->model()->rowCount(), 4);
    }

    // Rows follow their packets; a lock freezes both forms while the live log is trimmed, and
    // the next refresh after the unlock shows the live log again.
    void theArpLogFollowsTheLiveLogOrItsLockedCopy() {
        ArpLogPage& page = window().arpLogPage();
        for (std::uint8_t n = 1; n <= 5; ++n) {
            frame(n, n == 5 ? ARP_REPLY : ARP_REQUEST);
        }
        window().SelectPage(Page::ArpLog);
        QCOMPARE(page.detailedList()->model()->rowCount(), 5);
        QCOMPARE(text(page.detailedList(), 0, 2), QString("10.0.0.1"));
        QCOMPARE(text(page.detailedList(), 4, 1), QString("response"));
        QCOMPARE(text(page.simpleList(), 4, 1), QString("10.0.0.5 is at 02-00-00-00-00-05"));
        QCOMPARE(text(page.simpleList(), 0, 1), QString("Who has 10.0.0.254? Tell 10.0.0.1"));
        QCOMPARE(page.statusText(), QString("Total number of ARP: 5 (only last 300 seconds)"));
        QCOMPARE(page.detailedList()->model()->index(1, 0).data(Qt::BackgroundRole).value<QColor>(),
                 QColor(244, 244, 255));

        f->find<QToolButton>("tbPause")->click();
        QVERIFY(page.locked());
        QVERIFY(f->find<QToolButton>("tbPause")->isChecked());
        const TDateTime later =
            f->program->monitor().liveLog().lock().newest(0).time + 400.0 / SECONDS_PER_DAY;
        f->program->monitor().liveLog().lock().countRecent(ARP_LOG_WINDOW_SECONDS, true, later);
        frame(6);
        page.RefreshARPTable();
        QCOMPARE(page.detailedList()->model()->rowCount(), 5);
        QCOMPARE(text(page.detailedList(), 0, 2), QString("10.0.0.1"));
        f->find<QToolButton>("tbPause")->click();
        QVERIFY(!page.locked());
        page.RefreshARPTable();
        QCOMPARE(page.detailedList()->model()->rowCount(), 1);
        QCOMPARE(text(page.detailedList(), 0, 2), QString("10.0.0.6"));
    }

    // Neighbour discovery frames take their place among the ARP frames, in arrival order, with
    // sentences of the same kind; the menu offers an IPv6 row's information but neither the
    // ignore list nor the network message, which reach IPv4 stations only.
    void theArpLogShowsNeighbourDiscoveryAmongArpFrames() {
        ArpLogPage& page = window().arpLogPage();
        frame(1);
        ndpMessage(NdpType::NeighbourSolicitation, 2);
        ndpMessage(NdpType::NeighbourAdvertisement, 3);
        ndpMessage(NdpType::RouterSolicitation, 4);
        ndpMessage(NdpType::RouterAdvertisement, 5);
        frame(6, ARP_REPLY);
        window().SelectPage(Page::ArpLog);
        QTableView* simple = page.simpleList();
        QCOMPARE(simple->model()->rowCount(), 6);
        const QString sentences[] = {
            "Who has 10.0.0.254? Tell 10.0.0.1",      "Who has fe80::1? Tell fe80::2",
            "fe80::3 is at 02-00-00-00-00-03",        "Who is a router? Tell fe80::4",
            "Router fe80::5 is at 02-00-00-00-00-05", "10.0.0.6 is at 02-00-00-00-00-06"};
        for (int row = 0; row < 6; ++row) {
            QCOMPARE(text(simple, row, 1), sentences[row]);
        }
        QTableView* detailed = page.detailedList();
        const QString advertisement[] = {"advertisement", "fe80::3", "", "fe80::3",
                                         "02-00-00-00-00-03"};
        for (int column = 1; column <= 5; ++column) {
            QCOMPARE(text(detailed, 2, column), advertisement[column - 1]);
        }
        QCOMPARE(text(detailed, 1, 3), QString("02-00-00-00-00-02"));
        QCOMPARE(page.statusText(), QString("Total number of ARP: 6 (only last 300 seconds)"));
        keepPicture("arp-log-both-families.png");
        window().SelectPage(Page::Events);
        QTRY_COMPARE(f->program->events().rowCount(), 6); // a new station each
        keepPicture("events-both-families.png");
        window().SelectPage(Page::ArpLog);

        QTableView* shown = detailed->isVisible() ? detailed : simple;
        const auto states = [&] {
            QString on;
            for (const char* name : {"miInfoAboutIP", "miAddtoIgnoreScanList", "miSendMessage"}) {
                on += item(name)->isEnabled() ? '1' : '0';
            }
            return on;
        };
        rightClick(shown, 1);
        QCOMPARE(item("miInfoAboutIP")->text(), QString("Info about fe80::2"));
        QCOMPARE(menu().target().mac, std::string("02-00-00-00-00-02"));
        QCOMPARE(states(), QString("100"));
        rightClick(shown, 5);
        QCOMPARE(item("miInfoAboutIP")->text(), QString("Info about 10.0.0.6"));
        QCOMPARE(states(), QString("111"));
    }

    void switchingTheViewCarriesTheSelectionOver() {
        ArpLogPage& page = window().arpLogPage();
        for (std::uint8_t n = 1; n <= 7; ++n) {
            frame(n);
        }
        window().SelectPage(Page::ArpLog);
        const bool simple = page.simpleViewPressed();
        QTableView* shown = simple ? page.simpleList() : page.detailedList();
        QTableView* other = simple ? page.detailedList() : page.simpleList();
        select(shown, {2, 5});
        f->find<QToolButton>("tbARPLogSimpleView")->click();
        QCOMPARE(page.simpleViewPressed(), !simple);
        QVERIFY(other->isVisible());
        QVERIFY(!shown->isVisible());
        QCOMPARE(selected(other), (std::vector<int>{2, 5}));
        QCOMPARE(f->program->monitor().settings().flag(&Settings::ARPLogSimpleView), !simple);
    }

    // The IPv6 bindings follow the IPv4 ones, each family in the list's order; the tree groups a
    // card's addresses of both families; an IPv6 row's menu offers its information only, and
    // copy and delete take rows of both families.
    void theStationListShowsIPv6BindingsAfterTheIPv4Ones() {
        station(7, 0xA, 3.0);
        station(2, 0xB, 1.0);
        for (std::uint8_t n : {0xA, 0xC}) {
            f->program->monitor().stations6().lock().touchStation(test::linkLocal(n),
                                                                  {2, 0, 0, 0, 0, n}, 2.0);
        }
        window().SelectPage(Page::IpMac);
        IpMacPage& page = window().ipMacPage();
        QTableView* list = page.list();
        QCOMPARE(list->model()->rowCount(), 4);
        const QString order[] = {"10.0.0.2", "10.0.0.7", "fe80::a", "fe80::c"};
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(text(list, row, 0), order[row]);
        }
        QCOMPARE(page.statusText(), QString("Total number of records: 4"));
        list->horizontalHeader()->sectionClicked(0); // IP, descending: within each family
        QCOMPARE(text(list, 0, 0), QString("10.0.0.7"));
        QCOMPARE(text(list, 2, 0), QString("fe80::c"));

        rightClick(list, 2);
        QCOMPARE(item("miInfoAboutIP")->text(), QString("Info about fe80::c"));
        QVERIFY(item("miInfoAboutIP")->isEnabled());
        QVERIFY(!item("miAddtoIgnoreScanList")->isEnabled());
        QVERIFY(!item("miSendMessage")->isEnabled());

        select(list, {1, 3});
        list->setFocus();
        key(list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text().split("\r\n").value(1).section('\t', 0, 1),
                 QString("fe80::a\t02-00-00-00-00-0A"));
        QCOMPARE(QGuiApplication::clipboard()->text().section('\t', 0, 0), QString("10.0.0.2"));

        f->find<QCheckBox>("cbShowIPMACMultipleView")->click();
        QTreeWidget* tree = page.tree();
        QCOMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(tree->topLevelItem(0)->text(0), QString("02-00-00-00-00-0A"));
        QCOMPARE(tree->topLevelItem(0)->childCount(), 2);
        QCOMPARE(tree->topLevelItem(0)->child(1)->text(0), QString("fe80::a"));
        keepPicture("ip-mac-tree-both-families.png");
        f->find<QCheckBox>("cbShowIPMACMultipleView")->click();
        keepPicture("ip-mac-both-families.png");

        select(list, {1, 3});
        list->setFocus();
        key(list, Qt::Key_Delete);
        QCOMPARE(list->model()->rowCount(), 2);
        QCOMPARE(f->program->monitor().stations().lock().count(), 1);
        QCOMPARE(f->program->monitor().stations6().lock().count(), 1);
    }

    void theStationListSortsByEveryColumnBothWays() {
        station(7, 0xB, 3.0);
        station(2, 0xC, 1.0);
        station(9, 0xA, 2.0);
        window().SelectPage(Page::IpMac);
        QTableView* list = window().ipMacPage().list();
        const auto firstIp = [&] { return text(list, 0, 0); };
        const auto decorated = [&] {
            QList<int> columns;
            for (int c = 0; c < 4; ++c) {
                if (!list->model()->headerData(c, Qt::Horizontal, Qt::DecorationRole).isNull()) {
                    columns << c;
                }
            }
            return columns;
        };
        QCOMPARE(firstIp(), QString("10.0.0.2"));
        QCOMPARE(decorated(), QList<int>{0});
        const struct {
            int column;
            const char* first;
            bool descending;
        } clicks[] = {
            {1, "10.0.0.9", false}, {1, "10.0.0.2", true},  {2, "10.0.0.2", false},
            {2, "10.0.0.7", true},  {0, "10.0.0.2", false}, {0, "10.0.0.9", true},
        };
        for (const auto& click : clicks) {
            list->horizontalHeader()->sectionClicked(click.column);
            QCOMPARE(firstIp(), QString(click.first));
            QCOMPARE(decorated(), QList<int>{click.column});
            QCOMPARE(window().ipMacPage().model().descending(), click.descending);
        }
        QCOMPARE(text(list, 0, 3), QString(" "));
        QCOMPARE(window().ipMacPage().statusText(), QString("Total number of records: 3"));
    }

    void theTreeShowsOnlyCardsWithSeveralAddresses() {
        station(7, 0xA, 1.0);
        station(2, 0xA, 2.0);
        station(9, 0xB, 3.0);
        window().SelectPage(Page::IpMac);
        IpMacPage& page = window().ipMacPage();
        page.list()->horizontalHeader()->sectionClicked(2); // by last update
        f->find<QCheckBox>("cbShowIPMACMultipleView")->click();
        QTreeWidget* tree = page.tree();
        QVERIFY(tree->isVisible());
        QCOMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(tree->topLevelItem(0)->text(0), QString("02-00-00-00-00-0A"));
        QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), QString("10.0.0.2"));
        QCOMPARE(tree->topLevelItem(0)->child(1)->text(0), QString("10.0.0.7"));
        QVERIFY(tree->topLevelItem(0)->isExpanded());
        QCOMPARE(page.statusText(), QString("Total number of records: 1"));
        f->find<QCheckBox>("cbShowIPMACMultipleView")->click();
        QVERIFY(page.list()->isVisible());
        QCOMPARE(text(page.list(), 0, 0), QString("10.0.0.7")); // still by last update
    }

    void theMenuNamesTheAddressOfEachSource() {
        event("Network scanning",
              "Host 192.168.0.7\n(MAC: 00-0C-29-3A-4B-5C) generated 41 requests.");
        event("Ethernet broadcast", "The source mac(00-00-00-00-00-00) was all ones or all zeros.");
        frame(3); // a new station: a third event
        station(4, 0xA, 1.0);
        station(5, 0xA, 2.0);
        QTRY_COMPARE(f->program->events().rowCount(), 3);
        window().SelectPage(Page::ArpLog);
        window().SelectPage(Page::IpMac);
        QTableView* events = window().eventsPage().list();
        const auto captions = [&] {
            return QStringList{item("miInfoAboutIP")->text(), item("miAddtoIgnoreScanList")->text(),
                               item("miSendMessage")->text()};
        };
        const auto enabled = [&] {
            QString states;
            for (const char* name :
                 {"miInfoAboutIP", "miCopyToClipboard", "miDelete", "miClearAll", "miSelectAll"}) {
                states += item(name)->isEnabled() ? '1' : '0';
            }
            return states;
        };
        rightClick(events, 0);
        QCOMPARE(captions(),
                 (QStringList{"Info about 192.168.0.7", "Add 192.168.0.7 to Ignore scan list",
                              "Send message to 192.168.0.7"}));
        QCOMPARE(menu().target().mac, std::string("00-0C-29-3A-4B-5C"));
        QCOMPARE(enabled(), QString("11111"));
        rightClick(events, 1);
        QCOMPARE(captions(),
                 (QStringList{"Info about IP", "Add to Ignore scan list", "Send message"}));
        QCOMPARE(enabled(), QString("01111"));
        QTableView* arp = window().arpLogPage().detailedList();
        if (!arp->isVisible()) {
            arp = window().arpLogPage().simpleList();
        }
        window().SelectPage(Page::ArpLog);
        rightClick(arp, 0);
        QCOMPARE(item("miInfoAboutIP")->text(), QString("Info about 10.0.0.3"));
        QCOMPARE(enabled(), QString("11001"));
        window().SelectPage(Page::IpMac);
        rightClick(window().ipMacPage().list(), 1);
        QCOMPARE(item("miSendMessage")->text(), QString("Send message to 10.0.0.4"));
        QCOMPARE(enabled(), QString("11111"));

        f->find<QCheckBox>("cbShowIPMACMultipleView")->click();
        QTreeWidget* tree = window().ipMacPage().tree();
        const auto treeClick = [&](QTreeWidgetItem* node) {
            const QPoint at = tree->visualItemRect(node).center();
            QTest::mousePress(tree->viewport(), Qt::RightButton, {}, at);
            QTest::mouseRelease(tree->viewport(), Qt::RightButton, {}, at);
            QTRY_VERIFY(menu().menu().isVisible());
            menu().menu().hide();
        };
        treeClick(tree->topLevelItem(0));
        QCOMPARE(captions(),
                 (QStringList{"Info about IP", "Add to Ignore scan list", "Send message"}));
        QCOMPARE(enabled(), QString("01000"));
        treeClick(tree->topLevelItem(0)->child(1));
        QCOMPARE(item("miInfoAboutIP")->text(), QString("Info about 10.0.0.5"));
        QCOMPARE(menu().target().mac, std::string("02-00-00-00-00-0A"));
        QStringList shown;
        QTimer::singleShot(0, [&] {
            auto* info = qobject_cast<IpInfoWindow*>(QApplication::activeModalWidget());
            QVERIFY(info != nullptr);
            shown << info->field(InfoField::Ip)->text() << info->field(InfoField::Mac)->text();
            info->accept();
        });
        item("miInfoAboutIP")->trigger();
        QCOMPARE(shown, (QStringList{"10.0.0.5", "02-00-00-00-00-0A"}));
    }

    void addingToTheIgnoreListTwiceKeepsOneEntry() {
        station(4, 0xA, 1.0);
        window().SelectPage(Page::IpMac);
        for (int i = 0; i < 2; ++i) {
            rightClick(window().ipMacPage().list(), 0);
            item("miAddtoIgnoreScanList")->trigger();
        }
        const Settings s = f->program->monitor().settings().snapshot();
        QCOMPARE(s.IgnoreCount, 1);
        QCOMPARE(s.IgnoreList[0], (IPv4Address{10, 0, 0, 4}));
    }

    // Deleting rows 1 and 3 removes exactly those stations, leaves the rest in their order with
    // nothing selected, and writes no file.
    void deletingRowsOneAndThreeOfTheStationList() {
        for (std::uint8_t n = 1; n <= 5; ++n) {
            station(n, n, n);
        }
        window().SelectPage(Page::IpMac);
        QTableView* list = window().ipMacPage().list();
        rightClick(list, 1);
        select(list, {1, 3});
        list->setFocus();
        key(list, Qt::Key_Delete);
        QCOMPARE(list->model()->rowCount(), 3);
        QStringList left;
        for (int r = 0; r < 3; ++r) {
            left << text(list, r, 0);
        }
        QCOMPARE(left, (QStringList{"10.0.0.1", "10.0.0.3", "10.0.0.5"}));
        QVERIFY(selected(list).empty());
        QCOMPARE(f->program->monitor().stations().lock().count(), 3);
        QVERIFY(!std::filesystem::exists(f->file("ipmac.dat")));
    }

    void copyPutsTheRowsOnTheClipboardByteForByte() {
        station(1, 1, 46000.75);
        station(2, 2, 46001.5);
        f->program->monitor().stations().lock().setLastScanning(1, 46002.0);
        window().SelectPage(Page::IpMac);
        QTableView* list = window().ipMacPage().list();
        select(list, {0, 1});
        list->setFocus();
        key(list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QString("10.0.0.1\t02-00-00-00-00-01\t12/09/25 18:00:00\t \r\n"
                         "10.0.0.2\t02-00-00-00-00-02\t12/10/25 12:00:00\t12/11/25\r\n"));
    }

    // The key commands act only while their item is enabled, as the last opening of the menu
    // left it: after the menu was last opened on the ARP log, Del in the events list does nothing.
    void keysFollowTheLastOpeningOfTheMenu() {
        event("New station", "10.0.0.1, hwaddr: 02-00-00-00-00-01");
        event("New station", "10.0.0.2, hwaddr: 02-00-00-00-00-02");
        frame(3); // a third event
        QTRY_COMPARE(f->program->events().rowCount(), 3);
        window().SelectPage(Page::ArpLog);
        QTableView* arp = window().arpLogPage().detailedList()->isVisible()
                              ? window().arpLogPage().detailedList()
                              : window().arpLogPage().simpleList();
        rightClick(arp, 0);
        QVERIFY(!item("miDelete")->isEnabled());
        window().SelectPage(Page::Events);
        QTableView* events = window().eventsPage().list();
        select(events, {0});
        events->setFocus();
        key(events, Qt::Key_Delete);
        QCOMPARE(f->program->events().rowCount(), 3);
        rightClick(events, 0);
        key(events, Qt::Key_Delete);
        QCOMPARE(f->program->events().rowCount(), 2);
        key(events, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(selected(events).size(), std::size_t{2});
        key(events, Qt::Key_I, Qt::ControlModifier);
        QVERIFY(selected(events).empty());
        const auto saved = parseEventsText(test::readText(f->file("Events.csv")));
        QCOMPARE(saved.size(), std::size_t{2});
        QCOMPARE(saved[0].Details, std::string("10.0.0.2, hwaddr: 02-00-00-00-00-02"));
    }

    void clearAllAsksFirst() {
        event("New station", "10.0.0.1, hwaddr: 02-00-00-00-00-01");
        QTRY_COMPARE(f->program->events().rowCount(), 1);
        QTableView* events = window().eventsPage().list();
        int asked = 0;
        bool answer = false;
        menu().setConfirm([&] { return ++asked, answer; });
        rightClick(events, 0);
        item("miClearAll")->trigger();
        QCOMPARE(asked, 1);
        QCOMPARE(f->program->events().rowCount(), 1);
        answer = true;
        item("miClearAll")->trigger();
        QCOMPARE(f->program->events().rowCount(), 0);
        QCOMPARE(test::readText(f->file("Events.csv")), std::string("Date/Time;Event details\r\n"));
    }

    void theQuestionOfClearAll() {
        QString title, question;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            title = box->windowTitle();
            question = box->text();
            QCOMPARE(box->icon(), QMessageBox::NoIcon);
            box->button(QMessageBox::No)->click();
        });
        QVERIFY(!confirmClearAll());
        QCOMPARE(title, QString("Quorvane"));
        QCOMPARE(question, QString("Are you sure you want to clear all items?"));
    }

    // An event journaled while the list is about to rewrite Events.csv, not yet shown, ends up
    // once in the file and once in the list.
    void anEventArrivingDuringADeleteIsNeitherLostNorDoubled() {
        event("New station", "first");
        event("New station", "second");
        QTRY_COMPARE(f->program->events().rowCount(), 2);
        std::thread([&] { event("New station", "third"); }).join(); // queued, not yet applied
        QTableView* events = window().eventsPage().list();
        rightClick(events, 0);
        select(events, {0});
        item("miDelete")->trigger();
        QCoreApplication::processEvents();
        std::vector<std::string> shown;
        for (const EventEntry& e : f->program->events().entries()) {
            shown.push_back(e.Details);
        }
        QCOMPARE(shown, (std::vector<std::string>{"second", "third"}));
        const auto saved = parseEventsText(test::readText(f->file("Events.csv")));
        QVERIFY(saved == f->program->events().entries());
    }

    void customEventsAreBoldAndGoToNextWrapsRound() {
        const char* types[] = {"Flip flop", "Flip flop", "New station", "Flip flop",
                               "Flip flop", "Flip flop", "Flip flop",   "Network scanning"};
        for (const char* type : types) {
            event(type, "10.0.0.1 and 110.0.0.5");
        }
        event("Flip flop", "nothing here mentions STATION");
        QTRY_COMPARE(f->program->events().rowCount(), 9);
        EventsModel& model = f->program->events();
        QTableView* list = window().eventsPage().list();
        auto* filter = f->find<QComboBox>("cbFilter");
        auto* next = f->find<QToolButton>("tbGotoNext");
        QVERIFY(!next->isEnabled());
        const auto bold = [&](int row) {
            return model.index(row, 1).data(Qt::FontRole).value<QFont>().bold();
        };
        filter->setEditText("station");
        QVERIFY(next->isEnabled());
        QVERIFY(!bold(2)); // the marking is off
        f->find<QToolButton>("tbEnableFilter")->click();
        QVERIFY(bold(2) && bold(8) && !bold(0) && !bold(7));
        filter->setEditText("10.0.0");
        QVERIFY(bold(0) && bold(7) && !bold(8));
        filter->setEditText("");
        QVERIFY(!bold(0) && !next->isEnabled());

        filter->setEditText("station");
        select(list, {8});
        next->click(); // from row 8 the search wraps round to row 2
        QCOMPARE(selected(list), std::vector<int>{2});
        filter->setEditText("scanning"); // only row 7
        select(list, {7});
        next->click();
        QCOMPARE(selected(list), std::vector<int>{7});
        QString message;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            message = box->windowTitle() + "|" + box->text();
            box->accept();
        });
        filter->setEditText("NoSuchThing");
        list->clearSelection();
        next->click();
        QCOMPARE(message, QString("Information|Can not find the text \"NoSuchThing\""));
        QVERIFY(selected(list).empty());
    }

    void aSelectedEventOffersItsAddressesAsFilters() {
        event("Network scanning",
              "Host 192.168.0.7\n(MAC: 00-0C-29-3A-4B-5C) generated 41 requests.");
        QTRY_COMPARE(f->program->events().rowCount(), 1);
        auto* filter = f->find<QComboBox>("cbFilter");
        filter->setEditText("flip");
        select(window().eventsPage().list(), {0});
        QStringList offered;
        for (int i = 0; i < filter->count(); ++i) {
            offered << filter->itemText(i);
        }
        QCOMPARE(offered,
                 (QStringList{"flip", "Network scanning", "192.168.0.7", "00-0C-29-3A-4B-5C"}));
        QCOMPARE(filter->currentText(), QString("flip"));
        QCOMPARE(window().eventsPage().statusText(),
                 QString("Total number of events: 1; Selected records: 1; Currect record: 1"));
    }

    // The lists' cells, plain, selected, current and cut short, look as the style paints them.
    void theListsPaintTheirCellsAsTheStyleDoes() {
        QStandardItemModel model(4, 3);
        for (int row = 0; row < 4; ++row) {
            for (int column = 0; column < 3; ++column) {
                model.setData(model.index(row, column),
                              row == 3 ? QString() : QString("10.0.%1.%2").arg(row).arg(column));
            }
        }
        model.setData(model.index(1, 2), "a text far too long for the width of its column");
        model.setData(model.index(2, 0), QFont("Sans", -1, QFont::Bold), Qt::FontRole);
        QTableView view;
        setReportLook(view, {90, 90, 90});
        view.setModel(&model);
        view.resize(320, 140);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        select(&view, {1, 2});
        view.selectionModel()->setCurrentIndex(model.index(2, 1), QItemSelectionModel::NoUpdate);
        view.setFocus();
        for (bool focused : {true, false}) {
            if (!focused) {
                view.clearFocus();
            }
            const QImage cached = view.viewport()->grab().toImage();
            QAbstractItemDelegate* own = view.itemDelegate();
            QStyledItemDelegate styled;
            view.setItemDelegate(&styled);
            const QImage style = view.viewport()->grab().toImage();
            view.setItemDelegate(own);
            QCOMPARE(cached, style);
        }
    }

    // A second of more events of one kind than the journal takes one by one: once its summary is
    // written, the next tick's status line says that a flood is going on.
    void theStatusLineSaysWhenAFloodGoesOn() {
        // Ten seconds ahead, so that no tick of the program's own ends the second first.
        const TDateTime second = LocalClock().now() + 10.0 / SECONDS_PER_DAY;
        std::vector<Event> flood(1001, test::eventOf("New station", "10.1.2.3, hwaddr: x"));
        for (Event& e : flood) {
            e.stamp = second;
        }
        EventJournal& journal = f->program->monitor().journal();
        journal.JournalAppend(flood);
        f->program->tDetectScanTimer();
        QVERIFY(!window().eventsPage().statusText().contains("flood"));
        journal.closeSeconds(second + 1.0 / SECONDS_PER_DAY);
        f->program->tDetectScanTimer();
        QTRY_COMPARE(f->program->events().rowCount(), 1001);
        QCOMPARE(window().eventsPage().statusText(),
                 "Total number of events: 1001; An ARP flood is going on");
        QCOMPARE(window().eventsPage().findChild<QLabel*>("sbEvents")->toolTip().toStdString(),
                 floodMessage());
    }
};

} // namespace qv

QTEST_MAIN(qv::TablesTest)
#include "tables_test.moc"
