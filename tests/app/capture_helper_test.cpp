#include <chrono>
#include <dirent.h>
#include <fstream>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/capture_helper/helper_arguments.h"
#include "engine/capture_walk.h"
#include "engine/helper/helper_driver.h"
#include "engine/helper/helper_protocol.h"
#include "engine/ndp_record.h"
#include "engine/pcap/pcap_driver.h"
#include "engine/pcap/pcap_library.h"
#include "tests/support/arp_frames.h"
#include "tests/support/ndp_frames.h"
#include "tests/support/netns.h"
#include "tests/support/raw_sender.h"
#include "tests/support/temp_folder.h"

namespace qv {
namespace {

using namespace std::chrono_literals;

const std::string HELPER = QV_BINARY_DIR "/quorvane-capture";

struct HelperRun {
    int status;
    std::string out;
    std::string err;
};

HelperRun runHelper(const std::string& arguments) {
    test::TempFolder folder;
    const int status = test::shell(HELPER + " " + arguments + " >" + (folder / "out").string() +
                                   " 2>" + (folder / "err").string() + " </dev/null");
    return {status, test::readText(folder / "out"), test::readText(folder / "err")};
}

TEST(CaptureHelper, RefusesAnythingButOneAdapterName) {
    for (const char* arguments : {"", "eth0 eth1", "''", "-eth0", "../x", "a/b", "'.'",
                                  "abcdefghijklmnop", "'eth0;id'", "'$(id)'", "'eth 0'"}) {
        const HelperRun run = runHelper(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_NE(run.err.find(CAPTURE_HELPER_USAGE), std::string::npos) << arguments;
        EXPECT_TRUE(run.out.empty()) << arguments;
    }
    std::string error;
    EXPECT_EQ(parseHelperArguments({"veth0@if12"}, error), "veth0@if12");
    EXPECT_EQ(parseHelperArguments({"abcdefghijklmno"}, error), "abcdefghijklmno");
}

TEST(CaptureHelper, AnAdapterThatIsNotListedIsRefusedThroughThePipe) {
    const HelperRun run = runHelper("nosuch0");
    EXPECT_EQ(run.status, 1) << run.err;
    const auto refusal =
        encodeTextMessage(HelperMessageType::Failed, "there is no Ethernet adapter nosuch0");
    EXPECT_EQ(run.out, std::string(refusal.begin(), refusal.end()));
}

// The helper processes this process started (the capture helper's name, cut as the kernel
// keeps it).
std::vector<pid_t> helperChildren() {
    std::vector<pid_t> pids;
    DIR* proc = ::opendir("/proc");
    while (dirent* entry = ::readdir(proc)) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string pid, comm, state, ppid;
        if (stat >> pid >> comm >> state >> ppid && comm == "(quorvane-captur)" &&
            std::stoi(ppid) == ::getpid()) {
            pids.push_back(std::stoi(pid));
        }
    }
    ::closedir(proc);
    return pids;
}

std::string statusLine(pid_t pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0) {
            return line.substr(line.find_first_not_of(" \t", field.size() + 1));
        }
    }
    return "";
}

class RecordingSink final : public CapturedFrameSink {
public:
    void onArpFrame(const CaptureHeader&, ArpFrameBytes frame) noexcept override {
        frames.emplace_back();
        std::copy(frame.begin(), frame.end(), frames.back().begin());
    }
    // A neighbour discovery message, as the live log keeps it.
    void onNdpFrame(const CaptureHeader&, const NdpMessage& message) noexcept override {
        frames.push_back(encodeNdpRecord(message));
    }
    std::vector<test::Frame42> frames;
};

std::vector<test::Frame42> collect(CaptureSource& source, std::size_t count) {
    RecordingSink sink;
    std::vector<std::uint8_t> buffer(CAPTURE_BUFFER_SIZE);
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (sink.frames.size() < count && std::chrono::steady_clock::now() < deadline) {
        const ReadResult read = source.read(buffer);
        walkCaptureBuffer(std::span(buffer).first(read.bytes), sink);
    }
    return sink.frames;
}

class LiveHelper : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto reason = test::VethPair::unavailableReason()) {
            GTEST_SKIP() << *reason;
        }
        if (bindPacketDriver() != 0) {
            GTEST_SKIP() << "libpcap is missing";
        }
        pair = std::make_unique<test::VethPair>();
    }
    std::unique_ptr<test::VethPair> pair;
};

TEST_F(LiveHelper, HoldsNoCapabilityOnceTheCaptureIsOpen) {
    test::VethPair::runIn(pair->namespaceB(), [&] {
        PcapDriver lister;
        HelperDriver driver(HELPER, lister);
        std::string error;
        const auto source = driver.openAdapter(pair->interfaceB(), error);
        ASSERT_NE(source, nullptr) << error;
        const auto helpers = helperChildren();
        ASSERT_EQ(helpers.size(), 1u);
        for (const char* set : {"CapInh", "CapPrm", "CapEff", "CapAmb"}) {
            EXPECT_EQ(statusLine(helpers[0], set), "0000000000000000") << set;
        }
        EXPECT_EQ(statusLine(helpers[0], "NoNewPrivs"), "1");
    });
    EXPECT_TRUE(helperChildren().empty()); // the source ended its helper
}

TEST_F(LiveHelper, FramesThroughThePipeEqualFramesCapturedInProcess) {
    constexpr int COUNT = 300;
    test::VethPair::runIn(pair->namespaceB(), [&] {
        PcapDriver pcap;
        HelperDriver helper(HELPER, pcap);
        std::string error;
        const auto viaHelper = helper.openAdapter(pair->interfaceB(), error);
        ASSERT_NE(viaHelper, nullptr) << error;
        const auto inProcess = pcap.openAdapter(pair->interfaceB(), error);
        ASSERT_NE(inProcess, nullptr) << error;
        test::VethPair::runIn(pair->namespaceA(), [&] {
            test::RawSender sender(pair->interfaceA());
            for (int i = 0; i < COUNT; ++i) {
                const MacAddress mac{
                    2, 0, 0, 0, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)};
                if (i % 10 == 9) { // the kernel filter passes neighbour discovery too
                    test::NdpFrameFields f;
                    f.ethernetSource = mac;
                    f.source = test::global(static_cast<std::uint16_t>(i));
                    f.destination = test::solicitedNode(200);
                    f.target = test::global(200);
                    f.options = test::linkLayerOption(1, mac);
                    sender.send(test::ndpFrame(f));
                    continue;
                }
                sender.send(test::arpFrame(i % 2 == 0 ? ARP_REQUEST : ARP_REPLY, mac,
                                           {10, 77, 1, static_cast<std::uint8_t>(i)}, ZERO_MAC,
                                           {10, 77, 0, 200}));
            }
        });
        const auto throughPipe = collect(*viaHelper, COUNT);
        const auto direct = collect(*inProcess, COUNT);
        EXPECT_EQ(throughPipe.size(), static_cast<std::size_t>(COUNT));
        EXPECT_TRUE(throughPipe == direct);
        EXPECT_EQ(NdpRecordView(throughPipe[9]).source(), test::global(9));
        EXPECT_GE(viaHelper->counters().received, static_cast<std::uint64_t>(COUNT));
    });
}

} // namespace
} // namespace qv
