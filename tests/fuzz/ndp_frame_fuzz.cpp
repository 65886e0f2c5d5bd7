// Fuzzes the neighbour discovery decoder with whole frames. Beyond "no crash": what it accepts
// lies within the frame and passes its own checks, and its addresses read as texts of at most 45
// characters.

#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "common/byte_order.h"
#include "engine/ndp_frame.h"

namespace {

using namespace qv;

void checkText(const IPv6Address& ip) {
    const std::string text = IPv6ToText(ip);
    if (text.empty() || text.size() > 45) {
        std::abort();
    }
}

void decode(std::span<const std::uint8_t> frame) {
    const auto m = decodeNdpFrame(frame);
    if (!m) {
        return;
    }
    const std::size_t length = loadBe16(frame.data() + ndp_offset::PAYLOAD_LENGTH);
    if (ndp_offset::ICMP + length > frame.size() || frame[ndp_offset::HOP_LIMIT] != NDP_HOP_LIMIT ||
        static_cast<std::uint8_t>(m->type) != frame[ndp_offset::ICMP_TYPE] ||
        icmpv6Checksum(m->source, m->destination, frame.subspan(ndp_offset::ICMP, length)) != 0) {
        std::abort();
    }
    checkText(m->source);
    checkText(m->destination);
    checkText(m->target);
}

// A mutation almost never keeps the checksum right: a copy with it mended reaches the options and
// the checks of each type.
std::vector<std::uint8_t> withChecksumMended(std::span<const std::uint8_t> frame) {
    std::vector<std::uint8_t> copy(frame.begin(), frame.end());
    if (copy.size() < ndp_offset::ICMP + 4) {
        return copy;
    }
    const std::size_t length = loadBe16(copy.data() + ndp_offset::PAYLOAD_LENGTH);
    if (ndp_offset::ICMP + length > copy.size() || length < 4) {
        return copy;
    }
    storeBe16(copy.data() + ndp_offset::ICMP_CHECKSUM, 0);
    const auto message = std::span<const std::uint8_t>(copy).subspan(ndp_offset::ICMP, length);
    storeBe16(copy.data() + ndp_offset::ICMP_CHECKSUM,
              icmpv6Checksum(ipv6FromBytes(copy.data() + ndp_offset::SOURCE),
                             ipv6FromBytes(copy.data() + ndp_offset::DESTINATION), message));
    return copy;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> frame(data, size);
    decode(frame);
    decode(withChecksumMended(frame));
    return 0;
}
