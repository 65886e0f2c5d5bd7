// The IP-tools windows on Qt's offscreen platform: the information window's fields, colours and
// animation, and its close while the lookups run; the scan tuning window's filters, order and
// errors; the send window's caption and its hand-over to a send job.

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>

#include "gui/ip_info_window.h"
#include "gui/ip_tools_windows.h"
#include "gui/scan_tuning_window.h"
#include "gui/send_message_window.h"
#include "iptools/send_message_job.h"

namespace qv {
namespace {

// A lookup that waits until the test lets it answer.
class Gate {
public:
    void open() {
        std::lock_guard lock(m_guard);
        m_open = true;
        m_changed.notify_all();
    }
    void pass() {
        std::unique_lock lock(m_guard);
        m_changed.wait(lock, [&] { return m_open; });
    }

private:
    std::mutex m_guard;
    std::condition_variable m_changed;
    bool m_open = false;
};

// Answers every message box that opens, keeping its text.
class MessageBoxes : public QObject {
public:
    MessageBoxes() {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->windowTitle() + "|" + box->text();
                box->accept();
            }
        });
        m_timer.start(5);
    }
    QStringList texts;

private:
    QTimer m_timer;
};

class RecordingDispatcher final : public MessageDispatcher {
public:
    void StartSendMessageJob(std::string targets, std::string sender, std::string text) override {
        sent.push_back({targets, sender, text});
    }
    std::vector<std::array<std::string, 3>> sent;
};

QColor textColour(QLineEdit* edit) {
    return edit->palette().color(QPalette::Text);
}

} // namespace

class IpToolsTest : public QObject {
    Q_OBJECT

private slots:
    void theInformationWindowAnswersFieldByField() {
        auto gate = std::make_shared<Gate>();
        StationLookups lookups;
        lookups.dnsName = [](const IPAddress&) { return std::optional<std::string>("pc1.test"); };
        lookups.netbios = [gate](const IPv4Address&) {
            gate->pass();
            return std::array<std::string, 2>{"PC1", "WORKGROUP"};
        };
        IpInfoWindow window({IPv4Address{10, 0, 0, 5}, "10.0.0.5", "00-e0-4c-01-02-03"}, lookups);
        window.show();
        QCOMPARE(window.windowTitle(), QString("Info about computer"));
        QCOMPARE(window.field(InfoField::Ip)->text(), QString("10.0.0.5"));
        QCOMPARE(window.field(InfoField::Manufacturer)->text(),
                 QString("REALTEK SEMICONDUCTOR CORP."));
        QTRY_COMPARE(window.field(InfoField::DnsName)->text(), QString("pc1.test"));
        QCOMPARE(textColour(window.field(InfoField::DnsName)),
                 window.palette().color(QPalette::WindowText));
        QLineEdit* name = window.field(InfoField::NetbiosName);
        QCOMPARE(textColour(name), QColor(0, 0, 255));
        QCOMPARE(name->text(), QString("DETECTING"));
        const char* steps[] = {"DETECTING.", "DETECTING..", "DETECTING...", "DETECTING",
                               "DETECTING."};
        for (const char* step : steps) {
            window.tDetectTimer();
            QCOMPARE(name->text(), QString(step));
        }
        gate->open();
        QTRY_COMPARE(name->text(), QString("PC1"));
        QCOMPARE(window.field(InfoField::NetworkGroup)->text(), QString("WORKGROUP"));
        QCOMPARE(textColour(name), window.palette().color(QPalette::WindowText));
        window.tDetectTimer();
        QVERIFY(!window.detecting()); // no field pending: the timer stops for good
    }

    // An IPv6 station: its name asked for by its IPv6 address, NetBIOS not asked at all.
    void anIPv6StationHasItsNameAndNoNetbiosNames() {
        const IPv6Address address{0xFE, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2};
        auto asked = std::make_shared<std::atomic<int>>(0);
        StationLookups lookups;
        lookups.dnsName = [address](const IPAddress& a) {
            return a == IPAddress(address) ? std::optional<std::string>("pc6.test") : std::nullopt;
        };
        lookups.netbios = [asked](const IPv4Address&) {
            ++*asked;
            return std::array<std::string, 2>{"PC6", "WORKGROUP"};
        };
        IpInfoWindow window({address, "fe80::2", "00-e0-4c-01-02-03"}, lookups);
        window.show();
        QCOMPARE(window.field(InfoField::Ip)->text(), QString("fe80::2"));
        QTRY_COMPARE(window.field(InfoField::DnsName)->text(), QString("pc6.test"));
        QTRY_COMPARE(window.field(InfoField::NetbiosName)->text(), QString(NOT_DETECTED));
        QCOMPARE(window.field(InfoField::NetworkGroup)->text(), QString(NOT_DETECTED));
        QCOMPARE(asked->load(), 0);
    }

    // A system without a thread to spare for the worker: nothing is detected, and the program
    // goes on.
    void aWorkerWithoutAThreadDetectsNothing() {
        StationLookups lookups;
        lookups.start = [](std::function<void()>) {
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        };
        IpInfoWindow window({IPv4Address{10, 0, 0, 5}, "10.0.0.5", "00-e0-4c-01-02-03"}, lookups);
        window.show();
        for (InfoField which :
             {InfoField::DnsName, InfoField::NetbiosName, InfoField::NetworkGroup}) {
            QTRY_COMPARE(window.field(which)->text(), QString(NOT_DETECTED));
        }
        QCOMPARE(window.field(InfoField::Manufacturer)->text(),
                 QString("REALTEK SEMICONDUCTOR CORP."));
    }

    void aRowWithoutAMacDetectsNoMaker() {
        StationLookups lookups;
        lookups.dnsName = [](const IPAddress&) { return std::nullopt; };
        lookups.netbios = [](const IPv4Address&) {
            return std::array<std::string, 2>{NOT_DETECTED, NOT_DETECTED};
        };
        IpInfoWindow window({IPv4Address{10, 0, 0, 5}, "10.0.0.5", ""}, lookups);
        window.show();
        QCOMPARE(window.field(InfoField::Mac)->text(), QString("NOT DETECTED"));
        QCOMPARE(window.field(InfoField::Manufacturer)->text(), QString("NOT DETECTED"));
        QTRY_COMPARE(window.field(InfoField::NetworkGroup)->text(), QString("NOT DETECTED"));
        QCOMPARE(window.field(InfoField::DnsName)->text(), QString("NOT DETECTED"));
    }

    // The window closes and goes while its worker waits; the worker ends later by itself, and
    // its results reach nothing.
    void closingWhileTheLookupsRunDetachesTheWorker() {
        auto gate = std::make_shared<Gate>();
        auto ended = std::make_shared<std::atomic<bool>>(false);
        StationLookups lookups;
        lookups.dnsName = [gate](const IPAddress&) {
            gate->pass();
            return std::optional<std::string>("late.test");
        };
        lookups.netbios = [ended](const IPv4Address&) {
            *ended = true;
            return std::array<std::string, 2>{"LATE", "LATE"};
        };
        {
            IpInfoWindow window({IPv4Address{10, 0, 0, 5}, "10.0.0.5", ""}, lookups);
            window.show();
            QCOMPARE(window.field(InfoField::DnsName)->text(), QString("DETECTING"));
            window.reject();
            QVERIFY(!window.isVisible());
        }
        gate->open();
        QTRY_VERIFY(ended->load());
        QTest::qWait(100); // the worker's last steps, with nothing left to show them
    }

    void theTuningWindowFiltersKeysAndKeepsTheListSorted() {
        Settings record = defaultSettings("/x/");
        IPv4Address listed{192, 168, 0, 9};
        record.IgnoreList[0] = listed;
        record.IgnoreCount = 1;
        ScanTuningWindow window(record);
        QCOMPARE(window.windowTitle(), QString("Tuning of \"Network scanning\""));
        QCOMPARE(window.findChild<QSpinBox*>("udInterval")->value(), 20);
        QCOMPARE(window.findChild<QSpinBox*>("udRequests")->value(), 100);
        auto* ip = window.findChild<QLineEdit*>("eIP");
        auto* interval = window.findChild<QSpinBox*>("udInterval");
        QTest::keyClicks(ip, "1x0.0.y0.2");
        QCOMPARE(ip->text(), QString("10.0.0.2"));
        window.bAddClick();
        ip->setText("10.0.0.10");
        window.bAddClick();
        QCOMPARE(window.addresses(), (QStringList{"10.0.0.10", "10.0.0.2", "192.168.0.9"}));
        interval->selectAll();
        QTest::keyClicks(interval, "4.5");
        QCOMPARE(interval->value(), 45);
        for (QPushButton* b : window.findChildren<QPushButton*>()) {
            QVERIFY(!b->autoDefault() && !b->isDefault());
        }
        window.store(record);
        QCOMPARE(record.ScanInterval, 45);
        QCOMPARE(record.IgnoreCount, 3);
        QCOMPARE(record.IgnoreList[0], (IPv4Address{10, 0, 0, 10}));
        QCOMPARE(record.IgnoreList[2], listed);
    }

    void theTuningWindowRefusesWhatItCannotAdd() {
        MessageBoxes boxes;
        Settings record = defaultSettings("/x/");
        ScanTuningWindow window(record);
        auto* ip = window.findChild<QLineEdit*>("eIP");
        ip->setText("192.168.1.300");
        QTest::keyClick(ip, Qt::Key_Return);
        QCOMPARE(ip->text(), QString()); // emptied, added or not
        ip->setText("0.0.0.0");
        window.bAddClick();
        ip->setText("010.000.000.001");
        window.bAddClick();
        ip->setText("10.0.0.1");
        window.bAddClick();
        QCOMPARE(window.addresses(), QStringList{"10.0.0.1"});
        QCOMPARE(boxes.texts, (QStringList{"Error!|Enter correct IP address!",
                                           "Error!|Enter correct IP address!",
                                           "Error!|This IP address already exists in list!"}));
        window.bDeleteClick(); // no selection: nothing goes
        QCOMPARE(window.addresses().size(), 1);

        for (int n = 0; n < MAX_IGNORED; ++n) {
            record.IgnoreList[static_cast<std::size_t>(n)] = {10, 1, static_cast<std::uint8_t>(n),
                                                              1};
        }
        record.IgnoreCount = MAX_IGNORED;
        ScanTuningWindow full(record);
        full.findChild<QLineEdit*>("eIP")->setText("10.9.9.9");
        boxes.texts.clear();
        full.bAddClick();
        QCOMPARE(boxes.texts, QStringList{QString("Error!|") + IGNORE_LIST_FULL});
        QCOMPARE(full.addresses().size(), MAX_IGNORED);
    }

    void theSendWindowHandsItsMessageToASendJob() {
        RecordingDispatcher dispatcher;
        IpToolsWindows tools(dispatcher);
        QTimer::singleShot(0, [] {
            auto* window = qobject_cast<SendMessageWindow*>(QApplication::activeModalWidget());
            QVERIFY(window != nullptr);
            QCOMPARE(window->windowTitle(), QString("Send message on computer 10.0.0.5"));
            QCOMPARE(window->findChild<QLineEdit*>("eSender")->text(), QString("Administrator"));
            window->findChild<QPlainTextEdit*>("mSendText")->setPlainText("first line\nsecond");
            window->findChild<QLineEdit*>("eSender")->setText("Admin");
            window->accept();
        });
        tools.showSendMessage("10.0.0.5");

        QCOMPARE(dispatcher.sent.size(), std::size_t{1});
        QCOMPARE(dispatcher.sent[0][0], std::string("10.0.0.5"));
        QCOMPARE(dispatcher.sent[0][1], std::string("Admin"));
        QCOMPARE(dispatcher.sent[0][2], std::string("first line\r\nsecond"));
        QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
        tools.showSendMessage("10.0.0.5");
        QCOMPARE(dispatcher.sent.size(), std::size_t{1}); // Cancel or the close box sends nothing
    }
};

} // namespace qv

QTEST_MAIN(qv::IpToolsTest)
#include "ip_tools_test.moc"
