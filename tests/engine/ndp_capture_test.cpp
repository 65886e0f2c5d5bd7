// The neighbour discovery decoder on the kept third-party captures, with tshark as the judge of
// which frames are neighbour discovery messages a receiver on the link takes (IPv6 right in the
// Ethernet frame: not what a tunnel carries, as Teredo's router messages in one of them) and of
// what they say.

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include <gtest/gtest.h>

#include "engine/ndp_frame.h"
#include "engine/pcap/capture_file.h"
#include "tests/support/netns.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tshark_ndp.h"

namespace qv {
namespace {

const std::filesystem::path KEPT = QV_SOURCE_DIR "/tests/data/captures";

// tshark writes MACs with colons and lower case.
std::string macText(const std::optional<MacAddress>& mac) {
    if (!mac) {
        return "";
    }
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", (*mac)[0], (*mac)[1],
                  (*mac)[2], (*mac)[3], (*mac)[4], (*mac)[5]);
    return text;
}

std::vector<std::string> decoded(const std::filesystem::path& capture) {
    std::string error;
    const auto file = CaptureFile::open(capture.string(), error);
    EXPECT_TRUE(file) << error;
    std::vector<std::string> lines;
    CaptureHeader header{};
    std::span<const std::uint8_t> bytes;
    std::int64_t microseconds = 0;
    while (file && file->next(header, bytes, microseconds) == CaptureFile::Status::Frame) {
        if (const auto m = decodeNdpFrame(bytes)) {
            const bool targeted = m->type == NdpType::NeighbourSolicitation ||
                                  m->type == NdpType::NeighbourAdvertisement;
            lines.push_back(std::to_string(static_cast<int>(m->type)) + ";" +
                            IPv6ToText(m->source) + ";" + IPv6ToText(m->destination) + ";" +
                            (targeted ? IPv6ToText(m->target) : "") + ";" +
                            macText(m->sourceLinkLayer) + ";" + macText(m->targetLinkLayer));
        }
    }
    return lines;
}

std::vector<std::string> judged(const std::filesystem::path& capture,
                                const std::filesystem::path& out) {
    EXPECT_EQ(test::shell("tshark -r '" + capture.string() + "' -Y '" + test::TSHARK_NDP_FILTER +
                          "' -T fields -E separator=';' -e icmpv6.type -e ipv6.src -e ipv6.dst "
                          "-e icmpv6.nd.ns.target_address -e icmpv6.nd.na.target_address "
                          "-e icmpv6.opt.src_linkaddr -e icmpv6.opt.target_linkaddr >'" +
                          out.string() + "' 2>/dev/null"),
              0);
    std::vector<std::string> lines;
    std::FILE* in = std::fopen(out.string().c_str(), "r");
    char line[512];
    while (in != nullptr && std::fgets(line, sizeof line, in) != nullptr) {
        std::string text(line);
        text.erase(text.find_last_not_of('\n') + 1);
        // the two target columns as one: a message has at most one of them
        const auto third = text.find(';', text.find(';', text.find(';') + 1) + 1);
        const auto fourth = text.find(';', third + 1);
        const auto fifth = text.find(';', fourth + 1);
        const std::string ns = text.substr(third + 1, fourth - third - 1);
        const std::string na = text.substr(fourth + 1, fifth - fourth - 1);
        lines.push_back(text.substr(0, third + 1) + ns + na + text.substr(fifth));
    }
    if (in != nullptr) {
        std::fclose(in);
    }
    return lines;
}

TEST(NdpCaptures, TheDecoderTakesWhatTsharkDecodesAsAReceiverWouldTakeIt) {
    if (test::shell("command -v tshark >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "tshark is not installed (./test installs it)";
    }
    test::TempFolder root;
    for (const char* name :
         {"distance-lan-invalid-gateway.pcapng", "distance-lan-ip-conflict.pcapng",
          "suricata-home-lan-repeated-dad.pcap"}) {
        const auto ours = decoded(KEPT / name);
        const auto theirs = judged(KEPT / name, root / "tshark.txt");
        EXPECT_FALSE(ours.empty()) << name;
        EXPECT_EQ(ours, theirs) << name;
    }
}

} // namespace
} // namespace qv
