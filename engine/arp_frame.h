#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/addresses.h"
#include "common/byte_order.h"

namespace qv {

// An Ethernet header and an ARP packet for IPv4, as they stand in the first 42 bytes of a frame
// (multi-byte values big-endian).
inline constexpr std::size_t ARP_FRAME_SIZE = 42;

namespace arp_offset {
inline constexpr std::size_t ETHERNET_DESTINATION = 0;
inline constexpr std::size_t ETHERNET_SOURCE = 6;
inline constexpr std::size_t ETHER_TYPE = 12;
inline constexpr std::size_t HARDWARE_TYPE = 14;
inline constexpr std::size_t PROTOCOL_TYPE = 16;
inline constexpr std::size_t HARDWARE_LENGTH = 18;
inline constexpr std::size_t PROTOCOL_LENGTH = 19;
inline constexpr std::size_t OPERATION = 20;
inline constexpr std::size_t SENDER_MAC = 22;
inline constexpr std::size_t SENDER_IP = 28;
inline constexpr std::size_t TARGET_MAC = 32;
inline constexpr std::size_t TARGET_IP = 38;
} // namespace arp_offset

inline constexpr std::uint16_t ARP_REQUEST = 1;
inline constexpr std::uint16_t ARP_REPLY = 2;

// The first 42 bytes of an accepted frame, as they pass from the capture walk to processArpFrame,
// the live log and the views. The extent is part of the type, so no caller can hand on fewer.
using ArpFrameBytes = std::span<const std::uint8_t, ARP_FRAME_SIZE>;

// True when bytes 12 to 19 are 08 06, 00 01, 08 00, 06, 04: Ethernet II carrying ARP for IPv4
// over Ethernet. A frame too short to hold them is not ARP.
bool isArpFrame(std::span<const std::uint8_t> frame) noexcept;

// Reads the fields of an accepted frame.
class ArpFrameView {
public:
    explicit ArpFrameView(ArpFrameBytes frame) noexcept : m_frame(frame.data()) {}

    MacAddress ethernetSource() const noexcept {
        return macFromBytes(m_frame + arp_offset::ETHERNET_SOURCE);
    }
    std::uint16_t operation() const noexcept { return loadBe16(m_frame + arp_offset::OPERATION); }
    MacAddress senderMac() const noexcept { return macFromBytes(m_frame + arp_offset::SENDER_MAC); }
    IPv4Address senderIp() const noexcept { return ipFromBytes(m_frame + arp_offset::SENDER_IP); }
    MacAddress targetMac() const noexcept { return macFromBytes(m_frame + arp_offset::TARGET_MAC); }
    IPv4Address targetIp() const noexcept { return ipFromBytes(m_frame + arp_offset::TARGET_IP); }

private:
    const std::uint8_t* m_frame;
};

} // namespace qv
