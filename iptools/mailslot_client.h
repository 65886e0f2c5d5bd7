#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/addresses.h"

namespace qv {

// Where NetBIOS name queries for message targets are broadcast: the networks of the adapters
// that capture. The program replaces the list as capture changes; send jobs read it.
class NetbiosBroadcasts {
public:
    void set(std::vector<IPv4Address> addresses);
    std::vector<IPv4Address> get() const;

private:
    mutable std::mutex m_guard;
    std::vector<IPv4Address> m_addresses;
};

// A dotted address as it stands, or a name through the system resolver, or else, as the desktops
// of a LAN often know each other only so, through a NetBIOS name query broadcast on
// `broadcasts`; nothing when none of them finds an IPv4 address.
std::optional<IPv4Address> resolveTarget(const std::string& target,
                                         const std::vector<IPv4Address>& broadcasts = {});

// Delivers one messenger datagram to the messenger mailslot of `pathTarget`, sent as a NetBIOS
// datagram to its UDP port 138. True when the whole UDP datagram was sent; false when the target
// cannot be resolved or reached.
bool SendMessengerMessage(const std::string& pathTarget, std::string_view recipient,
                          std::string_view sender, std::string_view text,
                          const std::vector<IPv4Address>& broadcasts = {});

} // namespace qv
