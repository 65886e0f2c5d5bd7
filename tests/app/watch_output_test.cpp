// The watcher's standard output as a reader may treat it: read, never read (a paused pager, a
// stuck log shipper), or closed. Whatever the reader does, the capture keeps up with a stream of
// new stations, every frame reaches ARP.csv and every event Events.csv, and SIGTERM ends the
// watcher in good time with the station table saved. The watcher captures in one namespace of a
// veth pair, the stations come from the other. Needs root.

#include <csignal>
#include <fcntl.h>
#include <regex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine/arp_frame.h"
#include "engine/station_table.h"
#include "tests/support/arp_frames.h"
#include "tests/support/netns.h"
#include "tests/support/process.h"
#include "tests/support/raw_sender.h"
#include "tests/support/temp_folder.h"

namespace qv {
namespace {

using namespace std::chrono_literals;

// More new stations than the printer's queue and the pipe hold together, and than the table holds.
constexpr int STATIONS = 12'000;
// Frames a second they are sent at, in every case: below the journal's limit of events of one
// kind in a second, so that every event is journaled one by one.
constexpr int RATE = 900;

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class WatchOutput : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto reason = test::VethPair::unavailableReason()) {
            GTEST_SKIP() << *reason;
        }
        pair = std::make_unique<test::VethPair>();
    }

    std::string file(const char* name) const { return (root / name).string(); }
    std::string data(const char* name) const { return (root / "data" / name).string(); }

    // The watcher capturing in namespace A, its standard output `out` (a shell redirection), its
    // standard error a file of its own.
    std::unique_ptr<test::BackgroundProcess> startWatcher(const std::string& out) {
        m_err = file("err") + std::to_string(++m_runs);
        auto watcher = std::make_unique<test::BackgroundProcess>(
            "exec ip netns exec " + pair->namespaceA() +
            " env LC_ALL=C TZ=UTC " QV_BINARY_DIR "/quorvane-watch --data-dir " +
            (root / "data").string() + " --interface " + pair->interfaceA() + " " + out + " 2>" +
            m_err);
        EXPECT_TRUE(test::waitForFileText(m_err, "capturing on", 30s)) << test::readText(m_err);
        return watcher;
    }

    // STATIONS new stations from namespace B, RATE frames a second.
    void sendStations() {
        test::VethPair::runIn(pair->namespaceB(), [&] {
            test::RawSender sender(pair->interfaceB());
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < STATIONS; ++i) {
                const auto a = static_cast<std::uint8_t>(i >> 16);
                const auto b = static_cast<std::uint8_t>(i >> 8);
                const auto c = static_cast<std::uint8_t>(i);
                ASSERT_TRUE(sender.send(test::arpFrame(
                    ARP_REQUEST, {2, 1, a, 0, b, c}, {10, static_cast<std::uint8_t>(100 + a), b, c},
                    ZERO_MAC, {10, 77, 9, 254})));
                std::this_thread::sleep_until(
                    start + std::chrono::microseconds(1'000'000LL * (i + 1) / RATE));
            }
        });
    }

    // Every frame in ARP.csv and every event in Events.csv (each behind the file's header).
    void expectEverythingStored() {
        EXPECT_TRUE(eventually([&] {
            return lineCount(test::readText(data("ARP.csv"))) == STATIONS + 1;
        })) << lineCount(test::readText(data("ARP.csv")));
        EXPECT_TRUE(eventually([&] {
            return lineCount(test::readText(data("Events.csv"))) == STATIONS + 1;
        })) << lineCount(test::readText(data("Events.csv")));
    }
    static bool eventually(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (!condition() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(100ms);
        }
        return condition();
    }

    // SIGTERM ends it within a few seconds, the kernel dropped nothing, and the table is saved.
    void expectAGoodEnd(test::BackgroundProcess& watcher) {
        watcher.signal(SIGTERM);
        const auto stopped = std::chrono::steady_clock::now();
        ASSERT_EQ(watcher.wait(20s), 0) << test::readText(m_err);
        EXPECT_LT(std::chrono::steady_clock::now() - stopped, 10s);
        const std::string err = test::readText(m_err);
        EXPECT_TRUE(std::regex_search(
            err, std::regex(pair->interfaceA() + ": \\d+ frames received, 0 dropped")))
            << err;
        StationTable table;
        EXPECT_EQ(table.lock().loadStations(data("ipmac.dat")), STATION_SLOTS);
    }

    test::TempFolder root;
    std::unique_ptr<test::VethPair> pair;
    std::string m_err;
    int m_runs = 0;
};

// The same stations with a reader, then with none: nothing of the capture changes, and the lines
// that did not fit are counted.
TEST_F(WatchOutput, AStandardOutputNobodyReadsHoldsNothingBack) {
    {
        auto watcher = startWatcher(">" + file("read.txt"));
        sendStations();
        expectEverythingStored();
        expectAGoodEnd(*watcher);
        EXPECT_EQ(lineCount(test::readText(file("read.txt"))), STATIONS);
    }
    std::filesystem::remove_all(root / "data");
    const std::string fifo = file("unread");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); // never read
    ASSERT_GE(reader, 0);
    auto watcher = startWatcher(">" + fifo);
    sendStations();
    expectEverythingStored();
    expectAGoodEnd(*watcher);
    EXPECT_TRUE(std::regex_search(test::readText(m_err),
                                  std::regex("\\d+ event lines were not printed: the standard "
                                             "output fell behind")))
        << test::readText(m_err);
    ::close(reader);
}

// A reader that goes away (EPIPE) ends the printing, never the watcher.
TEST_F(WatchOutput, AClosedStandardOutputStopsOnlyThePrinting) {
    const std::string fifo = file("closed");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    auto watcher = startWatcher(">" + fifo);
    ::close(reader);
    sendStations();
    expectEverythingStored();
    expectAGoodEnd(*watcher);
    EXPECT_TRUE(std::regex_search(test::readText(m_err),
                                  std::regex("\\d+ event lines were not printed: the standard "
                                             "output was closed")))
        << test::readText(m_err);
}

} // namespace
} // namespace qv
