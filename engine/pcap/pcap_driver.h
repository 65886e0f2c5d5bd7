#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/addresses.h"
#include "engine/packet_driver.h"

namespace qv {

inline constexpr int CAPTURE_KERNEL_BUFFER = 2 << 20;
inline constexpr int CAPTURE_READ_TIMEOUT_MS = 1000;
inline constexpr int CAPTURE_SNAP_LENGTH = 65535;
// ARP, and the neighbour discovery messages (ICMPv6 types 133 to 136 right after the IPv6
// header, hop limit 255) with their options: the snap length keeps whole frames.
inline constexpr const char* CAPTURE_FILTER =
    "arp or (icmp6 and ip6[7] == 255 and ip6[40] >= 133 and ip6[40] <= 136)";

// The packet driver on libpcap (bound at run time through PcapLibrary).
class PcapDriver final : public PacketDriver {
public:
    // Ethernet adapters only (no loopback, no "any", no monitor or pseudo devices), with libpcap's
    // description (or the interface name) and the first IPv4 address that is not 0.0.0.0.
    std::vector<AdapterInfo> listAdapters() override;
    // Promiscuous, with a kernel buffer of CAPTURE_KERNEL_BUFFER bytes, a read time-out of 1000 ms
    // and an in-kernel filter for ARP.
    std::unique_ptr<CaptureSource> openAdapter(const std::string& name,
                                               std::string& error) override;
};

// The first address of a list that is not 0.0.0.0.
std::optional<IPv4Address> firstUsableAddress(const std::vector<IPv4Address>& addresses);

// True when the interface's hardware type is Ethernet (ARPHRD_ETHER), asked of the kernel in the
// caller's network namespace.
bool isEthernetInterface(const std::string& name);

} // namespace qv
