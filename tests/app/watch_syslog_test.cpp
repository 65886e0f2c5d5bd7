// The watcher's events at a real collector: rsyslog in a network namespace, receiving on TCP and
// UDP port 514 and parsing the structured data (mmpstrucdata) into the fields it stores. The
// watcher runs in the other namespace of a veth pair. Needs root, iproute2 and rsyslog.

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/addresses.h"
#include "common/text_scanners.h"
#include "engine/arp_frame.h"
#include "events/event_kind.h"
#include "tests/support/arp_frames.h"
#include "tests/support/netns.h"
#include "tests/support/pcap_writer.h"
#include "tests/support/process.h"
#include "tests/support/raw_sender.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_addresses.h"
#include "tests/support/watcher_run.h"

namespace qv {
namespace {

using namespace test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// rsyslogd in `netns`, storing each message as msgid|ip|mac|iface|app-name|msg, the address,
// MAC and adapter as its structured-data parser found them.
class Collector {
public:
    Collector(std::string netns, const fs::path& folder)
        : m_netns(std::move(netns)), m_folder(folder), m_file(folder / "events.log") {
        std::ofstream(folder / "rsyslog.conf")
            << "global(workDirectory=\"" << folder.string() << "\")\n"
            << "module(load=\"imtcp\")\nmodule(load=\"imudp\")\nmodule(load=\"mmpstrucdata\")\n"
            << "template(name=\"fields\" type=\"string\" string=\"%msgid%|"
               "%$!rfc5424-sd!quorvane@32473!ip%|%$!rfc5424-sd!quorvane@32473!mac%|"
               "%$!rfc5424-sd!quorvane@32473!iface%|%app-name%|"
               "%msg%\\n\")\n"
            << "ruleset(name=\"quorvane\") {\n    action(type=\"mmpstrucdata\")\n"
            << "    action(type=\"omfile\" file=\"" << m_file.string()
            << "\" template=\"fields\")\n}\n"
            << "input(type=\"imtcp\" port=\"514\" ruleset=\"quorvane\")\n"
            << "input(type=\"imudp\" port=\"514\" ruleset=\"quorvane\")\n";
    }

    void start() {
        m_process = std::make_unique<BackgroundProcess>(
            "exec ip netns exec " + m_netns + " rsyslogd -n -f " +
            (m_folder / "rsyslog.conf").string() + " -i " + (m_folder / "pid").string() + " >" +
            (m_folder / "rsyslogd.out").string() + " 2>&1");
        const std::string listening = "ip netns exec " + m_netns +
                                      " sh -c \"ss -Hltn 'sport = :514' | grep -q . && "
                                      "ss -Hlun 'sport = :514' | grep -q .\"";
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (shell(listening) != 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(50ms);
        }
    }
    void stop() {
        m_process->signal(SIGKILL);
        m_process->wait(10s);
        m_process.reset();
        std::filesystem::remove(m_folder / "pid");
    }

    std::vector<std::string> lines() const { return linesOf(readText(m_file)); }
    std::vector<std::string> waitForLines(std::size_t count) const {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (lines().size() < count && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(50ms);
        }
        return lines();
    }

private:
    std::string m_netns;
    fs::path m_folder;
    fs::path m_file;
    std::unique_ptr<BackgroundProcess> m_process;
};

// What the collector stores for a line the watcher printed (Stamp;Type;Details), of an event
// seen on `iface`: the kind's id, the station's address and MAC as the details name them (the
// MAC last, where they name two), the adapter and the text.
std::string collected(const std::string& printed, const std::string& iface = "") {
    const auto first = printed.find(';');
    const auto second = printed.find(';', first + 1);
    const std::string type = printed.substr(first + 1, second - first - 1);
    const std::string details = printed.substr(second + 1);
    std::string id = type;
    for (char& c : id) {
        c = c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    const std::string address = test::eventAddressText(details);
    std::string mac;
    std::string_view rest = details;
    for (std::string found = FindMACInText(rest); !found.empty(); found = FindMACInText(rest)) {
        mac = found;
        rest.remove_prefix(rest.find(found) + found.size());
    }
    return id + "|" + address + "|" + mac + "|" + iface + "|quorvane|" + type + ": " + details;
}

std::string typeOf(const std::string& printed) {
    const auto first = printed.find(';');
    return printed.substr(first + 1, printed.find(';', first + 1) - first - 1);
}

std::string detailsOf(const std::string& printed) {
    return printed.substr(printed.find(';', printed.find(';') + 1) + 1);
}

std::size_t kindOf(const std::string& type) {
    const auto kind = std::find_if(EVENT_KINDS.begin(), EVENT_KINDS.end(),
                                   [&](const EventKindInfo& k) { return k.text == type; });
    return static_cast<std::size_t>(kind - EVENT_KINDS.begin());
}

// What the collector stores of the printed events when at most three a second, of any kind, are
// announced one by one: the rest of a second are summed up once it is over, in one message for
// each kind (in the order of the kinds) about the station of the last it stands for.
std::vector<std::string> announced(const std::vector<std::string>& printed,
                                   const std::string& iface = "") {
    struct HeldBack {
        std::size_t count = 0;
        std::string first;
        std::string last;
    };
    std::vector<std::string> out;
    std::map<std::size_t, HeldBack> heldBack;
    std::string second;
    std::size_t passed = 0;
    const auto sumUp = [&] {
        for (const auto& [kind, held] : heldBack) {
            const std::string last = collected(held.last, iface);
            out.push_back(last.substr(0, last.find("|quorvane|")) + "|quorvane|" +
                          typeOf(held.last) + ": " + std::to_string(held.count) +
                          " more in one second; first " + detailsOf(held.first) + ", last " +
                          detailsOf(held.last));
        }
        heldBack.clear();
        passed = 0;
    };
    for (const std::string& line : printed) {
        const std::string stamp = line.substr(0, line.find(';'));
        if (stamp != second) {
            sumUp();
            second = stamp;
        }
        if (passed < 3) {
            ++passed;
            out.push_back(collected(line, iface));
            continue;
        }
        HeldBack& held = heldBack[kindOf(typeOf(line))];
        if (held.count++ == 0) {
            held.first = line;
        }
        held.last = line;
    }
    sumUp();
    return out;
}

class WatchSyslog : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto reason = VethPair::unavailableReason()) {
            GTEST_SKIP() << *reason;
        }
        if (shell("command -v rsyslogd >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "rsyslogd is missing (./test installs rsyslog)";
        }
        pair = std::make_unique<VethPair>();
        collector = std::make_unique<Collector>(pair->namespaceB(), root.path());
        collector->start();
    }
    void TearDown() override {
        collector.reset();
        pair.reset();
    }

    std::string watcher(const std::string& arguments, const fs::path& out) const {
        return "exec ip netns exec " + pair->namespaceA() +
               " env LC_ALL=C TZ=UTC " QV_BINARY_DIR "/quorvane-watch --data-dir " +
               (root / "data").string() + " " + arguments + " >" + out.string() + " 2>" +
               (root / "watch.err").string();
    }
    std::vector<std::string> printed() const { return linesOf(readText(root / "watch.out")); }

    // Waits until the collector has stored what the watcher announced of the `count` events it
    // printed, and checks that each arrived in order with its fields.
    void expectEveryAnnouncedEventStored(std::size_t count, const std::string& iface = "") {
        const auto events = printed();
        ASSERT_EQ(events.size(), count);
        const auto expected = announced(events, iface);
        stored = collector->waitForLines(expected.size());
        EXPECT_EQ(stored, expected);
    }

    TempFolder root;
    std::unique_ptr<VethPair> pair;
    std::unique_ptr<Collector> collector;
    std::vector<std::string> stored;
};

// Every event of a replay with every binding kind and address check, over TCP to the default
// port, stored with its id, its station's address and MAC, and its text; a busy second summed up.
TEST_F(WatchSyslog, EveryAnnouncedEventOfAReplayArrivesOverTcpWithItsFields) {
    BackgroundProcess run(watcher("--syslog tcp://" + std::string(VethPair::ADDRESS_B) +
                                      " --read " QV_SOURCE_DIR
                                      "/tests/data/captures/tcpdump-arp-oobr.pcap",
                                  root / "watch.out"));
    ASSERT_EQ(run.wait(60s), 0) << readText(root / "watch.err");
    ASSERT_NO_FATAL_FAILURE(expectEveryAnnouncedEventStored(938u));
    EXPECT_LT(stored.size(), 938u);
    EXPECT_EQ(stored[0], "new-station|192.168.1.104|00-1F-29-DA-2D-79||quorvane|New station: "
                         "192.168.1.104, hwaddr: 00-1F-29-DA-2D-79");
}

TEST_F(WatchSyslog, EveryAnnouncedEventOfAReplayArrivesOverUdp) {
    BackgroundProcess run(watcher("--syslog udp://" + std::string(VethPair::ADDRESS_B) +
                                      ":514 --read " QV_SOURCE_DIR
                                      "/tests/data/captures/distance-lan-ip-conflict.pcapng",
                                  root / "watch.out"));
    ASSERT_EQ(run.wait(60s), 0) << readText(root / "watch.err");
    ASSERT_NO_FATAL_FAILURE(expectEveryAnnouncedEventStored(12u));
}

// 8000 replies in one stage: the first 100 from new stations 10.STAGE.0.x, the rest from one
// more station: 101 new stations a stage. Replies never count as a scan. More than a read buffer
// holds, so the stage's events are processed as soon as it is written.
std::vector<std::uint8_t> stage(int number, bool withHeader) {
    test::PcapWriter pcap;
    constexpr std::uint32_t T0 = 1'796'580'112;
    for (int i = 0; i < 8000; ++i) {
        const bool fresh = i < 100;
        const MacAddress mac{
            2, 0, 0, static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(fresh ? i : 200),
            1};
        const IPv4Address ip{10, static_cast<std::uint8_t>(number), 0,
                             static_cast<std::uint8_t>(fresh ? i : 200)};
        pcap.add(T0 + static_cast<std::uint32_t>(number * 100 + i / 100),
                 static_cast<std::uint32_t>(i % 100) * 10'000,
                 test::arpFrame(ARP_REPLY, mac, ip, MAC_A, IP7));
    }
    auto bytes = pcap.bytes();
    if (!withHeader) {
        bytes.erase(bytes.begin(), bytes.begin() + 24);
    }
    return bytes;
}

std::size_t countFrom(const std::vector<std::string>& lines, int number) {
    const std::string station = "|10." + std::to_string(number) + ".0.";
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const auto& l) {
        return l.find(station) != std::string::npos;
    }));
}

// The collector dies in the middle of a run: detection goes on (the events are printed and
// journaled), and once it is back the later events reach it.
TEST_F(WatchSyslog, ACollectorStoppedMidRunGetsTheLaterEventsWhenItIsBack) {
    const std::string pipe = (root / "capture.pcap").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    BackgroundProcess run(
        watcher("--syslog tcp://" + std::string(VethPair::ADDRESS_B) + " --read " + pipe,
                root / "watch.out"));
    const int fd = ::open(pipe.c_str(), O_WRONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const auto write = [&](const std::vector<std::uint8_t>& bytes) {
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    };
    const auto waitForPrinted = [&](std::size_t count) {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (printed().size() < count && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
        }
        return printed().size();
    };

    write(stage(1, true));
    ASSERT_EQ(waitForPrinted(101), 101u);
    // Three new stations one by one, the other 97 of their second summed up, and the last.
    const std::size_t perStage = countFrom(announced(printed()), 1);
    EXPECT_EQ(perStage, 5u);
    EXPECT_EQ(countFrom(collector->waitForLines(perStage), 1), perStage);

    collector->stop();
    write(stage(2, false));
    EXPECT_EQ(waitForPrinted(202), 202u); // detection goes on without the collector

    collector->start();
    write(stage(3, false));
    ::close(fd);
    ASSERT_EQ(run.wait(60s), 0) << readText(root / "watch.err");
    EXPECT_EQ(printed().size(), 303u);
    const auto lines = collector->waitForLines(2 * perStage);
    EXPECT_EQ(countFrom(lines, 3), perStage);
    EXPECT_EQ(countFrom(lines, 1), perStage);
    std::cout << countFrom(lines, 2) << " of the " << perStage << " messages made while the "
              << "collector was down reached it after its restart\n";
}

// A live capture: every announced event names the adapter that saw its frame.
TEST_F(WatchSyslog, EveryEventOfALiveCaptureNamesItsAdapter) {
    BackgroundProcess run(watcher("--syslog tcp://" + std::string(VethPair::ADDRESS_B) +
                                      " --interface " + pair->interfaceA(),
                                  root / "watch.out"));
    ASSERT_TRUE(waitForFileText((root / "watch.err").string(), "capturing on", 20s))
        << readText(root / "watch.err");
    VethPair::runIn(pair->namespaceB(), [&] {
        RawSender sender(pair->interfaceB());
        for (std::uint8_t i = 1; i <= 20; ++i) {
            EXPECT_TRUE(sender.send(arpFrame(ARP_REQUEST, {2, 0, 0, 0, 5, i}, {10, 77, 5, i},
                                             ZERO_MAC, {10, 77, 5, 254})));
        }
    });
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (printed().size() < 20 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
    }
    run.signal(SIGTERM);
    ASSERT_EQ(run.wait(30s), 0) << readText(root / "watch.err");
    ASSERT_NO_FATAL_FAILURE(expectEveryAnnouncedEventStored(20u, pair->interfaceA()));
}

} // namespace
} // namespace qv
