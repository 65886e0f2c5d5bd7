#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/addresses.h"

namespace qv {

inline constexpr std::uint16_t NETBIOS_DATAGRAM_PORT = 138;
inline constexpr std::uint8_t NETBIOS_WORKSTATION_SUFFIX = 0x00;
inline constexpr std::uint8_t NETBIOS_MESSENGER_SUFFIX = 0x03;
inline constexpr const char* MESSENGER_MAILSLOT = "\\MAILSLOT\\MESSNGR";

// A NetBIOS name in its first-level encoding (RFC 1001, 14.1): the name in capitals, cut or
// padded with blanks to 15 characters, the suffix byte, each of the 16 bytes as two letters
// 'A' + nibble, behind the length byte 0x20 and before the empty scope label: 34 bytes.
std::array<std::uint8_t, 34> encodeNetbiosName(std::string_view name, std::uint8_t suffix);

struct MailslotWrite {
    std::uint16_t datagramId = 0;
    IPv4Address sourceIp{};
    std::uint16_t sourcePort = NETBIOS_DATAGRAM_PORT;
    std::string sourceName;      // the sending computer, suffix 0x00
    std::string destinationName; // the target, suffix 0x03
    std::string mailslot = MESSENGER_MAILSLOT;
    std::span<const std::uint8_t> data;
};

// A direct unique datagram (RFC 1002, 4.4.1) carrying an SMB Transaction "Write Mail Slot"
// (opcode 1, class 2) of `data` to the mailslot, as one UDP payload.
std::vector<std::uint8_t> buildMailslotDatagram(const MailslotWrite& write);

} // namespace qv
