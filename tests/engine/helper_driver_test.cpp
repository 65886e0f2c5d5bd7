#include "engine/helper/helper_driver.h"

#include <stdexcept>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "engine/helper/helper_protocol.h"
#include "tests/support/arp_frames.h"
#include "tests/support/netns.h"
#include "tests/support/other_user.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_addresses.h"

namespace qv {
namespace {

using namespace test;

class NoAdapters final : public PacketDriver {
public:
    std::vector<AdapterInfo> listAdapters() override { return {{"eth9", "listed", ""}}; }
    std::unique_ptr<CaptureSource> openAdapter(const std::string&, std::string&) override {
        return nullptr;
    }
};

std::string octal(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char digits[8];
    for (std::uint8_t b : bytes) {
        std::snprintf(digits, sizeof digits, "\\%03o", b);
        text += digits;
    }
    return text;
}

std::vector<std::uint8_t> header(HelperMessageType type, std::uint32_t length) {
    const auto h = encodeHelperHeader(type, length);
    return {h.begin(), h.end()};
}

// A Frames message holding `frames` behind capture headers.
std::vector<std::uint8_t> framesMessage(const std::vector<Frame42>& frames, bool full) {
    std::vector<std::uint8_t> records(CAPTURE_BUFFER_SIZE);
    std::size_t used = 0;
    for (const Frame42& f : frames) {
        appendCapturedFrame(records, used, {7, 0, 42, 42, 20}, f);
    }
    records.resize(used);
    auto message = header(HelperMessageType::Frames,
                          static_cast<std::uint32_t>(HELPER_FRAMES_PREFIX_SIZE + used));
    const auto prefix = encodeFramesPrefix({{5, 2}, full});
    message.insert(message.end(), prefix.begin(), prefix.end());
    message.insert(message.end(), records.begin(), records.end());
    return message;
}

// A stand-in helper: a shell script that writes `bytes` and then does `then`.
class FakeHelper {
public:
    FakeHelper(const std::vector<std::uint8_t>& bytes, const std::string& then) {
        writeText(m_path, "#!/bin/sh\nprintf '" + octal(bytes) + "'\n" + then + "\n");
        ::chmod(m_path.c_str(), 0755);
    }
    std::string path() const { return m_path.string(); }

private:
    TempFolder m_folder;
    std::filesystem::path m_path = m_folder / "helper";
};

TEST(HelperDriver, AHelperThatRefusesOrFailsToStartIsAnAdapterNotOpened) {
    NoAdapters lister;
    const std::string refusal = "there is no Ethernet adapter eth9";
    auto failed = header(HelperMessageType::Failed, static_cast<std::uint32_t>(refusal.size()));
    failed.insert(failed.end(), refusal.begin(), refusal.end());
    const struct {
        std::vector<std::uint8_t> bytes;
        std::string then;
        std::string error;
    } cases[] = {
        {failed, "exit 1", refusal},
        {{}, "exit 0", " ended before it opened the adapter"},
        {header(HelperMessageType::Frames, 3), "exit 0", " sent a damaged message"},
        {header(static_cast<HelperMessageType>(9), 0), "exit 0", " sent a damaged message"},
    };
    for (const auto& c : cases) {
        FakeHelper helper(c.bytes, c.then);
        HelperDriver driver(helper.path(), lister);
        std::string error;
        EXPECT_EQ(driver.openAdapter("eth9", error), nullptr) << c.error;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
    HelperDriver missing("/nonexistent/quorvane-capture", lister);
    std::string error;
    EXPECT_EQ(missing.openAdapter("eth9", error), nullptr);
    EXPECT_EQ(error, "cannot start the capture helper /nonexistent/quorvane-capture: No such file "
                     "or directory");
    EXPECT_EQ(missing.listAdapters().size(), 1u);
}

TEST(HelperDriver, FramesArriveInTheReadBufferLayoutWithTheHelpersCounters) {
    NoAdapters lister;
    auto bytes = header(HelperMessageType::Opened, 0);
    const auto frames = framesMessage({arpFrame(ARP_REQUEST, MAC_A, IP7, ZERO_MAC, GATEWAY),
                                       arpFrame(ARP_REPLY, MAC_B, GATEWAY, MAC_A, IP7)},
                                      true);
    bytes.insert(bytes.end(), frames.begin(), frames.end());
    FakeHelper helper(bytes, "exec sleep 30");
    HelperDriver driver(helper.path(), lister);
    std::string error;
    const auto source = driver.openAdapter("eth9", error);
    ASSERT_NE(source, nullptr) << error;
    std::vector<std::uint8_t> buffer(CAPTURE_BUFFER_SIZE);
    const ReadResult read = source->read(buffer);
    EXPECT_TRUE(read.full);
    ASSERT_EQ(read.bytes, frames.size() - HELPER_HEADER_SIZE - HELPER_FRAMES_PREFIX_SIZE);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + static_cast<long>(read.bytes),
                           frames.begin() + HELPER_HEADER_SIZE + HELPER_FRAMES_PREFIX_SIZE));
    EXPECT_EQ(source->counters().received, 5u);
    EXPECT_EQ(source->counters().dropped, 2u);
    // A silent helper: the read waits until it is woken.
    source->wake();
    EXPECT_EQ(source->read(buffer).bytes, 0u);
}

TEST(HelperDriver, AHelperThatEndsOrLiesWhileCapturingMakesTheReadThrow) {
    NoAdapters lister;
    std::vector<std::uint8_t> buffer(CAPTURE_BUFFER_SIZE);
    auto opened = header(HelperMessageType::Opened, 0);
    {
        FakeHelper helper(opened, "exit 0");
        HelperDriver driver(helper.path(), lister);
        std::string error;
        const auto source = driver.openAdapter("eth9", error);
        ASSERT_NE(source, nullptr) << error;
        EXPECT_THROW(source->read(buffer), std::runtime_error);
    }
    {
        // Frames the reader's buffer cannot hold are a damaged message, never a write past it.
        auto bytes = opened;
        const auto frames =
            framesMessage({arpFrame(ARP_REQUEST, MAC_A, IP7, ZERO_MAC, GATEWAY)}, false);
        bytes.insert(bytes.end(), frames.begin(), frames.end());
        FakeHelper helper(bytes, "exec sleep 30");
        HelperDriver driver(helper.path(), lister);
        std::string error;
        const auto source = driver.openAdapter("eth9", error);
        ASSERT_NE(source, nullptr) << error;
        std::vector<std::uint8_t> small(40);
        EXPECT_THROW(source->read(small), std::runtime_error);
    }
}

// The helper a user can capture with: one the user may run that carries the capture
// capabilities (any it may run, for root). A helper of a group the user is not in is none: the
// tray program started with the session then leaves that user alone.
TEST(CaptureHelperChoice, OnlyAHelperTheUserMayRunAndThatCanCaptureIsUsable) {
    TempFolder root;
    const std::filesystem::path bin = root / "bin";
    std::filesystem::create_directories(bin);
    const std::string folder = bin.string() + "/";
    const std::string helper = folder + CAPTURE_HELPER_NAME;
    const std::string installed = (root / "elsewhere").string();
    writeText(helper, "#!/bin/sh\n");
    ::chmod(helper.c_str(), 0750);
    EXPECT_EQ(usableCaptureHelper(folder, installed).has_value(), ::geteuid() == 0);
    const auto usableByTheUser = [&] {
        return asUserBoundByModes(
            bin, [&] { return usableCaptureHelper(folder, installed) == helper ? 1 : 0; });
    };
    EXPECT_EQ(usableByTheUser(), 0);                         // not its group's, or no capabilities
    EXPECT_EQ(findCaptureHelper(folder, installed), helper); // still named, to say why
    if (::geteuid() == 0) {
        ASSERT_EQ(shell("setcap cap_net_raw=ep " + helper), 0);
        ::chmod(helper.c_str(), 0755);
        EXPECT_EQ(usableByTheUser(), 1);
    }
}

} // namespace
} // namespace qv
