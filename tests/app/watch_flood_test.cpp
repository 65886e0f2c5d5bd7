// An ARP flood of random addresses, each frame a new IP and MAC, sent by a raw socket as fast as
// it goes (bounded in frames and time; slower for a sanitized build) into the watcher on the other
// end of a veth pair: the capture keeps up and logs every frame, the journal keeps to its limit of
// events of one kind a second and sums up the rest, the watcher says once that a flood is going on,
// and a normal scenario afterwards is journaled in full. Needs root.

#include <csignal>
#include <map>
#include <thread>

#include <gtest/gtest.h>

#include "engine/arp_frame.h"
#include "settings/settings_file.h"
#include "tests/support/arp_frames.h"
#include "tests/support/netns.h"
#include "tests/support/process.h"
#include "tests/support/raw_sender.h"
#include "tests/support/sanitized_build.h"
#include "tests/support/temp_folder.h"

namespace qv {
namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t MAX_FRAMES = 400'000;
constexpr auto MAX_FLOOD = 6s;
// The sender's top rate; a sanitized watcher keeps up with a third of the ordinary one's.
constexpr double RATE = test::SANITIZED_BUILD ? 30'000 : 0;
constexpr std::uint64_t LIMIT = 1000; // events of one kind journaled one by one in a second

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
         start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

bool eventually(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!condition() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(100ms);
    }
    return condition();
}

std::size_t occurrences(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) {
        ++n;
    }
    return n;
}

// The count a summary's details begin with ("1,234 more in one second; ..."), or 0.
std::uint64_t summarized(const std::string& details) {
    const std::size_t end = details.find(" more in one second; first ");
    if (end == std::string::npos || end == 0) {
        return 0;
    }
    std::string digits;
    for (char c : details.substr(0, end)) {
        if (c != ',') {
            digits += c;
        }
    }
    return std::stoull(digits);
}

TEST(WatchFlood, EveryFrameIsLoggedAndTheJournalKeepsToItsLimit) {
    if (const auto reason = test::VethPair::unavailableReason()) {
        GTEST_SKIP() << *reason;
    }
    test::VethPair pair;
    test::TempFolder root;
    const std::string err = (root / "err").string();
    const auto data = root / "data";
    Settings settings = defaultSettings("");
    settings.ARPLogSizeLimited = 0; // every line stays in ARP.csv
    ASSERT_TRUE(SaveSettings(settings, DataFolder(data)));
    test::BackgroundProcess watcher(
        "exec ip netns exec " + pair.namespaceA() +
        " env LC_ALL=C TZ=UTC " QV_BINARY_DIR "/quorvane-watch --data-dir " + data.string() +
        " --interface " + pair.interfaceA() + " >/dev/null 2>" + err);
    ASSERT_TRUE(test::waitForFileText(err, "capturing on", 30s)) << test::readText(err);

    test::SentFlood flood;
    test::VethPair::runIn(pair.namespaceB(), [&] {
        test::RawSender sender(pair.interfaceB());
        flood = test::sendFlood(sender, test::floodFrame, MAX_FRAMES, MAX_FLOOD, RATE);
    });
    const std::uint64_t sent = flood.frames;
    std::cout << sent << " frames sent in " << flood.seconds << " s\n";
    const auto arpLines = [&] { return linesOf(test::readText(data / "ARP.csv")).size(); };
    EXPECT_TRUE(eventually([&] { return arpLines() == sent + 1; })) << arpLines();

    // Once the flood's last second is summed up, a normal scenario: ten new stations, one of
    // which changes its address.
    std::this_thread::sleep_for(2s);
    test::VethPair::runIn(pair.namespaceB(), [&] {
        test::RawSender sender(pair.interfaceB());
        for (std::uint8_t i = 1; i <= 10; ++i) {
            EXPECT_TRUE(sender.send(test::arpFrame(ARP_REQUEST, {2, 2, 0, 0, 0, i}, {172, 16, 0, i},
                                                   ZERO_MAC, {172, 16, 0, 254})));
        }
        EXPECT_TRUE(sender.send(test::arpFrame(ARP_REPLY, {2, 2, 0, 0, 1, 1}, {172, 16, 0, 1},
                                               {2, 2, 0, 0, 0, 2}, {172, 16, 0, 2})));
    });
    const auto journal = [&] { return linesOf(test::readText(data / "Events.csv")); };
    EXPECT_TRUE(eventually([&] {
        const auto lines = journal();
        return !lines.empty() &&
               lines.back().find(";Changed ethernet address;") != std::string::npos;
    }));
    watcher.signal(SIGTERM);
    ASSERT_EQ(watcher.wait(30s), 0) << test::readText(err);
    const std::string said = test::readText(err);
    const std::size_t counters = said.find(pair.interfaceA() + ": ");
    ASSERT_NE(counters, std::string::npos) << said;
    const std::string counted = said.substr(counters, said.find('\n', counters) - counters);
    EXPECT_TRUE(counted.ends_with(" frames received, 0 dropped")) << counted;
    EXPECT_EQ(arpLines(), sent + 11 + 1);
    EXPECT_EQ(occurrences(said, "an ARP flood is going on"), 1u) << said;

    // Every flood frame's "New station" journaled one by one or counted in its second's summary,
    // at most LIMIT one by one and one summary for any second.
    const auto lines = journal();
    ASSERT_GE(lines.size(), 12u);
    std::map<std::string, std::uint64_t> oneByOne;
    std::map<std::string, int> summaries;
    std::uint64_t accounted = 0;
    for (std::size_t i = 1; i + 11 < lines.size(); ++i) {
        const std::string& line = lines[i];
        const std::string stamp = line.substr(0, line.find(';'));
        ASSERT_EQ(line.substr(stamp.size(), 13), ";New station;") << line;
        const std::string details = line.substr(stamp.size() + 13);
        if (const std::uint64_t n = summarized(details)) {
            ++summaries[stamp];
            accounted += n;
        } else {
            ++oneByOne[stamp];
            ++accounted;
        }
    }
    EXPECT_EQ(accounted, sent);
    EXPECT_FALSE(summaries.empty());
    for (const auto& [stamp, count] : oneByOne) {
        EXPECT_LE(count, LIMIT) << stamp;
    }
    for (const auto& [stamp, count] : summaries) {
        EXPECT_EQ(count, 1) << stamp;
        EXPECT_EQ(oneByOne[stamp], LIMIT) << stamp;
    }
    for (std::uint8_t i = 1; i <= 10; ++i) {
        const std::string& line = lines[lines.size() - 12 + i];
        EXPECT_NE(line.find(";New station;172.16.0." + std::to_string(i) +
                            ", hwaddr: 02-02-00-00-00-" + (i < 10 ? "0" : "") +
                            (i < 10 ? std::to_string(i) : "0A")),
                  std::string::npos)
            << line;
    }
    EXPECT_NE(
        lines.back().find(
            ";Changed ethernet address;172.16.0.1 from 02-02-00-00-00-01 to 02-02-00-00-01-01"),
        std::string::npos)
        << lines.back();
}

} // namespace
} // namespace qv
