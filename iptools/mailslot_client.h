#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/addresses.h"

namespace qv {

// A dotted address as it stands, or a name through the system resolver; nothing when the target
// cannot be resolved to an IPv4 address.
std::optional<IPv4Address> resolveTarget(const std::string& target);

// Delivers one messenger datagram to the messenger mailslot of `pathTarget`, sent as a NetBIOS
// datagram to its UDP port 138. True when the whole UDP datagram was sent; false when the target
// cannot be resolved or reached.
bool SendMessengerMessage(const std::string& pathTarget, std::string_view recipient,
                          std::string_view sender, std::string_view text);

} // namespace qv
