#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "common/addresses.h"
#include "engine/arp_frame.h"
#include "engine/ndp_frame.h"

namespace qv {

// The binding a message states: an advertisement its target's, every other message its
// source's, each with the MAC of the link-layer option that goes with it (target for an
// advertisement, source for the others), or the Ethernet source when it has none.
struct NdpBinding {
    IPv6Address ip;
    MacAddress mac;
};

NdpBinding ndpBinding(const NdpMessage& message) noexcept;

// "solicitation", "advertisement", "router solicitation", "router advertisement".
const char* ndpOperationText(NdpType type) noexcept;

// A message as the live log keeps it, packed in the 42 bytes of a log entry: type (0), source
// (2), target (18; zero for the router messages) and the binding's MAC (34).
namespace ndp_record {
inline constexpr std::size_t TYPE = 0;
inline constexpr std::size_t SOURCE = 2;
inline constexpr std::size_t TARGET = 18;
inline constexpr std::size_t MAC = 34;
inline constexpr std::size_t END = 40;
} // namespace ndp_record
static_assert(ndp_record::END <= ARP_FRAME_SIZE);

std::array<std::uint8_t, ARP_FRAME_SIZE> encodeNdpRecord(const NdpMessage& message) noexcept;

// Reads the fields of a packed record.
class NdpRecordView {
public:
    explicit NdpRecordView(ArpFrameBytes record) noexcept : m_record(record.data()) {}

    NdpType type() const noexcept { return static_cast<NdpType>(m_record[ndp_record::TYPE]); }
    IPv6Address source() const noexcept { return ipv6FromBytes(m_record + ndp_record::SOURCE); }
    IPv6Address target() const noexcept { return ipv6FromBytes(m_record + ndp_record::TARGET); }
    MacAddress mac() const noexcept { return macFromBytes(m_record + ndp_record::MAC); }
    // The address of the binding: the target for an advertisement, else the source.
    IPv6Address ip() const noexcept {
        return type() == NdpType::NeighbourAdvertisement ? target() : source();
    }

private:
    const std::uint8_t* m_record;
};

} // namespace qv
