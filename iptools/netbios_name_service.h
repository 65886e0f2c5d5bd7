#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/addresses.h"

namespace qv {

inline constexpr std::uint16_t NETBIOS_NAME_PORT = 137;

// One entry of a station's NetBIOS name table: 15 name bytes and the suffix byte, and the flags
// as a local NetBIOS interface reports them: the group bit 0x80 and the name's state (0x04
// registered, 0x05 deregistered, 0x06 in conflict, 0x00 being registered). The owner's node type,
// which the wire carries too, is left out.
struct NetbiosNameEntry {
    std::array<std::uint8_t, 16> name{};
    std::uint8_t flags = 0;
};

// The entry's name: its first 15 bytes up to the first blank or NUL.
std::string netbiosNameText(const NetbiosNameEntry& entry);

struct NetbiosNames {
    std::optional<std::string> computer; // the first registered unique name with suffix 0x00
    std::optional<std::string> group;    // the first registered group name with suffix 0x00
};
NetbiosNames netbiosNames(const std::vector<NetbiosNameEntry>& entries);
// The name a station's messenger answers to: its first registered unique name with suffix 0x03,
// else its computer name (which the messenger name of a station is, with that suffix); nothing
// when the table holds neither.
std::optional<std::string> messengerName(const std::vector<NetbiosNameEntry>& entries);

// A NODE STATUS REQUEST for the name "*" (RFC 1002, 4.2.17).
std::vector<std::uint8_t> nodeStatusRequest(std::uint16_t transactionId);
// The name table of a NODE STATUS RESPONSE (RFC 1002, 4.2.18) to the request `transactionId`,
// read as untrusted input: nothing when the datagram is not such a response or any length or
// count in it reaches past its end.
std::optional<std::vector<NetbiosNameEntry>>
parseNodeStatusResponse(std::span<const std::uint8_t> datagram, std::uint16_t transactionId);

// A broadcast NAME QUERY REQUEST for `name` with the workstation suffix 0x00 (RFC 1002, 4.2.12).
std::vector<std::uint8_t> nameQueryRequest(const std::string& name, std::uint16_t transactionId);
// The first address of a POSITIVE NAME QUERY RESPONSE (RFC 1002, 4.2.13) to the request, or
// nothing, read as untrusted input like the status response.
std::optional<IPv4Address> parseNameQueryResponse(std::span<const std::uint8_t> datagram,
                                                  std::uint16_t transactionId);

// Asks the station for its name table on UDP 137, sending the request again while no valid
// answer has come, `attempts` times within `timeout`. Only an answer from the station's own
// address and port, to this request, counts. Nothing when none came.
std::optional<std::vector<NetbiosNameEntry>>
queryNodeStatus(const IPv4Address& station,
                std::chrono::milliseconds timeout = std::chrono::milliseconds(2000),
                int attempts = 3);

// Asks, by a broadcast to each of `broadcasts` on UDP 137, which station holds `name`; the first
// answer's address, or nothing within `timeout`.
std::optional<IPv4Address>
queryNetbiosName(const std::string& name, const std::vector<IPv4Address>& broadcasts,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds(1500),
                 int attempts = 3);

// The directed broadcast addresses of the named interfaces' IPv4 networks, in the order named.
std::vector<IPv4Address> broadcastAddresses(const std::vector<std::string>& interfaces);

} // namespace qv
