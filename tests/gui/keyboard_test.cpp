// The windows as a keyboard user drives them, on Qt's offscreen platform: the order Tab takes
// through each window, the keys the filtered fields let through, selection by keyboard, Return
// and Escape, and a window minimised and restored.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTreeWidget>

#include "events/event_journal.h"
#include "gui/events_page.h"
#include "gui/ip_info_window.h"
#include "gui/scan_tuning_window.h"
#include "gui/send_message_window.h"
#include "settings/settings.h"
#include "tests/gui/gui_fixture.h"
#include "tests/support/recording_owner.h"

namespace qv {

class KeyboardTest : public QObject {
    Q_OBJECT

    static QString focused(QWidget& window) {
        QWidget* widget = window.focusWidget();
        return widget != nullptr ? widget->objectName() : QString("(none)");
    }
    // Where Tab (or Shift+Tab) takes the focus, from the window's first control round to it
    // again. A text that takes Tab as a character is left with Ctrl+Tab, as in any editor.
    static QStringList tabRound(QWidget& window, bool backwards) {
        QStringList names{focused(window)};
        for (int step = 0; step < 20; ++step) {
            QWidget* at = window.focusWidget();
            const bool takesTab = qobject_cast<QPlainTextEdit*>(at) != nullptr;
            const Qt::KeyboardModifiers modifiers =
                (backwards ? Qt::ShiftModifier : Qt::NoModifier) |
                (takesTab ? Qt::ControlModifier : Qt::NoModifier);
            QTest::keyClick(at, backwards ? Qt::Key_Backtab : Qt::Key_Tab, modifiers);
            names << focused(window);
            if (names.back() == names.front()) {
                break;
            }
        }
        return names;
    }
    static void showActive(QWidget& window) {
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    std::unique_ptr<test::GuiFixture> f;

private slots:
    void init() { f = std::make_unique<test::GuiFixture>(); }
    void cleanup() { f.reset(); }

    void eachWindowsTabOrderIsItsOwn() {
        Settings record = defaultSettings("/x/");
        StationLookups stayHome;
        stayHome.dnsName = [](const IPAddress&) { return std::optional<std::string>(); };
        stayHome.netbios = [](const IPv4Address&) {
            return std::array<std::string, 2>{NOT_DETECTED, NOT_DETECTED};
        };
        IpInfoWindow info({IPv4Address{10, 0, 0, 1}, "10.0.0.1", "00-11-22-33-44-55"}, stayHome);
        ScanTuningWindow tuning(record);
        SendMessageWindow message("10.0.0.1");
        const struct {
            QWidget* window;
            QStringList order;
        } cases[] = {
            {&info,
             {"bOK", "eIP", "eMAC", "eManufacturer", "eDNSName", "eNETBIOSName", "eNetworkGroup"}},
            {&tuning,
             {"udInterval", "udRequests", "eIP", "bAdd", "lbIgnoreWhileScan", "bCancel", "bOK"}},
            {&message, {"mSendText", "bOK", "bCancel", "eSender"}},
        };
        for (const auto& c : cases) {
            showActive(*c.window);
            QStringList round = c.order;
            round << c.order.front();
            QCOMPARE(tabRound(*c.window, false), round);
            QStringList back{c.order.front()};
            for (qsizetype i = c.order.size() - 1; i >= 0; --i) {
                back << c.order[i];
            }
            QCOMPARE(tabRound(*c.window, true), back);
            c.window->close();
        }
    }

    void tabInTheMessageTypesATab() {
        SendMessageWindow message("10.0.0.1");
        showActive(message);
        auto* text = message.findChild<QPlainTextEdit*>("mSendText");
        QTest::keyClicks(text, "a");
        QTest::keyClick(text, Qt::Key_Tab);
        QTest::keyClicks(text, "b");
        QCOMPARE(message.text(), QString("a\tb"));
        QCOMPARE(focused(message), QString("mSendText"));
    }

    // The filtered fields refuse typed characters only: Tab and Shift+Tab leave them, Delete
    // deletes, Return presses no button, and Escape closes their window.
    void navigationAndEditingKeysPassTheFilteredFields() {
        Settings record = defaultSettings("/x/");
        MainWindow& main = f->program->window();
        main.openOn(Page::Options);
        QVERIFY(QTest::qWaitForWindowActive(&main));
        ScanTuningWindow tuning(record);
        showActive(tuning);
        const struct {
            QDialog* window;
            const char* field;
        } cases[] = {
            {&main, "udARPLogFileSize"},
            {&tuning, "udInterval"},
            {&tuning, "udRequests"},
            {&tuning, "eIP"},
        };
        for (const auto& c : cases) {
            QWidget* field = c.window->findChild<QWidget*>(c.field);
            QLineEdit* edit = qobject_cast<QLineEdit*>(field) != nullptr
                                  ? qobject_cast<QLineEdit*>(field)
                                  : field->findChild<QLineEdit*>();
            c.window->activateWindow();
            field->setFocus();
            edit->selectAll();
            QTest::keyClicks(field, "1x2");
            QCOMPARE(edit->text().remove(' '), QString("12"));
            QTest::keyClick(field, Qt::Key_Home);
            QTest::keyClick(field, Qt::Key_Delete);
            QCOMPARE(edit->text().remove(' '), QString("2"));
            QTest::keyClick(field, Qt::Key_Tab);
            QVERIFY2(c.window->focusWidget() != field, c.field);
            field->setFocus();
            QTest::keyClick(field, Qt::Key_Backtab, Qt::ShiftModifier);
            QVERIFY2(c.window->focusWidget() != field, c.field);
            field->setFocus();
            if (std::string(c.field) != "eIP") { // Enter there adds the address
                QTest::keyClick(field, Qt::Key_Return);
                QVERIFY2(c.window->isVisible(), c.field);
            }
            QTest::keyClick(field, Qt::Key_Escape);
            QVERIFY2(!c.window->isVisible(), c.field);
            QCOMPARE(c.window->result(), int(QDialog::Rejected));
            c.window->show();
        }
    }

    void theKeyboardsChoiceInTheListEnablesDelete() {
        Settings record = defaultSettings("/x/");
        record.IgnoreList[0] = {10, 0, 0, 1};
        record.IgnoreList[1] = {10, 0, 0, 2};
        record.IgnoreCount = 2;
        ScanTuningWindow tuning(record);
        showActive(tuning);
        auto* list = tuning.findChild<QListWidget*>("lbIgnoreWhileScan");
        auto* remove = tuning.findChild<QPushButton*>("bDelete");
        list->setFocus();
        QVERIFY(!remove->isEnabled());
        QTest::keyClick(list, Qt::Key_Down);
        QVERIFY(remove->isEnabled());
        QTest::keyClick(remove, Qt::Key_Space);
        QCOMPARE(tuning.addresses().size(), 1);
    }

    // The main window has no default button: Return in a field neither applies nor closes.
    void returnInAFieldOfTheMainWindowPressesNoButton() {
        MainWindow& main = f->program->window();
        main.openOn(Page::Options);
        QVERIFY(QTest::qWaitForWindowActive(&main));
        auto* sound = f->find<QLineEdit>("ePlaySound");
        sound->setFocus();
        QTest::keyClicks(sound, "x");
        QVERIFY(main.applyEnabled());
        QTest::keyClick(sound, Qt::Key_Return);
        QVERIFY(main.isVisible());
        QVERIFY(main.applyEnabled()); // not applied either
        main.SelectPage(Page::Events);
        auto* filter = f->find<QComboBox>("cbFilter");
        filter->setFocus();
        QTest::keyClicks(filter, "flip");
        QTest::keyClick(filter, Qt::Key_Return);
        QVERIFY(main.isVisible());
        for (QPushButton* button : main.findChildren<QPushButton*>()) {
            QVERIFY2(!button->isDefault() && !button->autoDefault(),
                     qPrintable(button->objectName()));
        }
    }

    // A restore, or a tray command to a window already shown, keeps what the user typed and has
    // not applied; only a window shown from hidden shows the record afresh.
    void minimiseAndRestoreKeepTheEdits() {
        MainWindow& main = f->program->window();
        main.openOn(Page::Options);
        auto* sound = f->find<QLineEdit>("ePlaySound");
        sound->setText("/home/me/edited.wav");
        QVERIFY(main.applyEnabled());
        main.showMinimized();
        QTest::qWait(50);
        main.showNormal();
        QTest::qWait(50);
        QCOMPARE(sound->text(), QString("/home/me/edited.wav"));
        main.openOn(Page::Options);
        QCOMPARE(sound->text(), QString("/home/me/edited.wav"));
        main.reject();
        main.openOn(Page::Options);
        QVERIFY(sound->text() != QString("/home/me/edited.wav"));
    }

    // Loaded with many events, the list opens on the newest.
    void theEventsViewOpensOnTheNewestEvent() {
        f.reset();
        f = std::make_unique<test::GuiFixture>([](const DataFolder& folder) {
            std::string journal = "Date/Time;Type;Details\r\n";
            for (int i = 0; i < 2000; ++i) {
                journal += "12/10/26 10:00:00;New station;10.0." + std::to_string(i / 250) + "." +
                           std::to_string(i % 250) + ", hwaddr: 02-00-00-00-00-01\r\n";
            }
            test::writeText(folder.DataFilePath("Events.csv"), journal);
        });
        MainWindow& main = f->program->window();
        main.openOn(Page::Events);
        QTableView* list = main.eventsPage().list();
        QTRY_VERIFY(list->verticalScrollBar()->maximum() > 0);
        QTRY_COMPARE(list->verticalScrollBar()->value(), list->verticalScrollBar()->maximum());
        QCOMPARE(list->rowAt(list->viewport()->height() - 2), 1999);
    }

    // Three of twelve entries selected, the first of them the 5th: the long form, else the short.
    void theStatusLineCountsTheSelection() {
        for (int i = 0; i < 12; ++i) {
            f->program->monitor().journal().JournalAppend(
                test::eventOf("New station", std::to_string(i)));
        }
        QTRY_COMPARE(f->program->events().rowCount(), 12);
        EventsPage& page = f->program->window().eventsPage();
        QCOMPARE(page.statusText(), QString("Total number of events: 12"));
        QItemSelectionModel* selection = page.list()->selectionModel();
        for (int row : {4, 7, 10}) {
            selection->select(f->program->events().index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
        QCOMPARE(page.statusText(),
                 QString("Total number of events: 12; Selected records: 3; Currect record: 5"));
    }

    // On a desktop whose style greys the selection of a view without focus.
    void theTreeKeepsItsSelectionVisibleWithoutFocus() {
        f.reset();
        const QPalette original = QApplication::palette();
        QPalette greying = original;
        greying.setColor(QPalette::Inactive, QPalette::Highlight, Qt::lightGray);
        QApplication::setPalette(greying);
        f = std::make_unique<test::GuiFixture>();
        QApplication::setPalette(original);
        auto* tree = f->find<QTreeWidget>("tvIPMAC");
        const QPalette palette = tree->palette();
        QCOMPARE(palette.color(QPalette::Inactive, QPalette::Highlight),
                 palette.color(QPalette::Active, QPalette::Highlight));
        QCOMPARE(palette.color(QPalette::Inactive, QPalette::HighlightedText),
                 palette.color(QPalette::Active, QPalette::HighlightedText));
    }
};

} // namespace qv

QTEST_MAIN(qv::KeyboardTest)
#include "keyboard_test.moc"
