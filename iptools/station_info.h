#pragma once

#include <array>
#include <optional>
#include <string>

#include "common/addresses.h"
#include "iptools/netbios_name_service.h"

namespace qv {

inline constexpr const char* NOT_DETECTED = "NOT DETECTED";

// The fields of the station information, in the window's order, with their captions.
enum class InfoField { Ip, Mac, Manufacturer, DnsName, NetbiosName, NetworkGroup };
inline constexpr std::array<const char*, 6> INFO_CAPTIONS = {
    "IP address", "MAC address", "Card manufacturer", "DNS Name", "NETBIOS Name", "Network Group"};

// What the information is asked about: the address, its text as shown, and the MAC text that
// goes with it (possibly empty).
struct InfoTarget {
    IPAddress address{};
    std::string addressText;
    std::string macText;
};

// The three fields known at once: the address text, the MAC text and the card's maker, each
// "NOT DETECTED" when missing.
std::array<std::string, 3> immediateFields(const InfoTarget& target);

// The address's name by reverse DNS (getnameinfo, a name required), or nothing. Blocks until the
// resolver answers or gives up.
std::optional<std::string> reverseDnsName(const IPv4Address& address);
std::optional<std::string> reverseDnsName(const IPv6Address& address);

// The station's NetBIOS computer and group names from its name table; both "NOT DETECTED" when
// the station does not answer within the time-out.
std::array<std::string, 2> netbiosFields(const IPv4Address& address);

} // namespace qv
