#include "iptools/netbios_name_service.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "common/byte_order.h"
#include "iptools/netbios_datagram.h"
#include "iptools/udp_socket.h"

namespace qv {
namespace {

constexpr std::size_t HEADER_SIZE = 12;
constexpr std::size_t NAME_ENTRY_SIZE = 18;
constexpr std::uint16_t TYPE_NB = 0x0020;
constexpr std::uint16_t TYPE_NBSTAT = 0x0021;
constexpr std::uint16_t CLASS_IN = 0x0001;
constexpr std::uint16_t RESPONSE = 0x8000;
constexpr std::uint16_t OPCODE_MASK = 0x7800;
constexpr std::uint16_t RCODE_MASK = 0x000F;
constexpr std::uint16_t RECURSION_DESIRED = 0x0100;
constexpr std::uint16_t BROADCAST = 0x0010;

// Wire name flags, high byte.
constexpr std::uint8_t WIRE_GROUP = 0x80;
constexpr std::uint8_t WIRE_DEREGISTERING = 0x10;
constexpr std::uint8_t WIRE_CONFLICT = 0x08;
constexpr std::uint8_t WIRE_ACTIVE = 0x04;

// The state a local NetBIOS interface reports for each.
constexpr std::uint8_t REGISTERED = 0x04;
constexpr std::uint8_t DEREGISTERED = 0x05;
constexpr std::uint8_t CONFLICT = 0x06;
constexpr std::uint8_t UNIQUE_REGISTERED = REGISTERED;
constexpr std::uint8_t GROUP_REGISTERED = 0x80 | REGISTERED;

std::uint16_t loadBe16At(std::span<const std::uint8_t> d, std::size_t at) {
    return static_cast<std::uint16_t>(d[at] << 8 | d[at + 1]);
}

void appendBe16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

std::vector<std::uint8_t> header(std::uint16_t id, std::uint16_t flags) {
    std::vector<std::uint8_t> out;
    appendBe16(out, id);
    appendBe16(out, flags);
    appendBe16(out, 1); // one question
    for (int i = 0; i < 3; ++i) {
        appendBe16(out, 0);
    }
    return out;
}

// Skips an encoded name at `at` (labels up to the empty one, or a compression pointer); the
// position after it, or nothing when it runs past the datagram.
std::optional<std::size_t> skipName(std::span<const std::uint8_t> d, std::size_t at) {
    while (at < d.size()) {
        const std::uint8_t length = d[at];
        if (length == 0) {
            return at + 1;
        }
        if ((length & 0xC0) == 0xC0) {
            return at + 2 <= d.size() ? std::optional(at + 2) : std::nullopt;
        }
        if ((length & 0xC0) != 0) {
            return std::nullopt;
        }
        at += 1 + length;
    }
    return std::nullopt;
}

// The answer record of a response to `id` of the wanted type: where its data starts and how long
// it is, every length checked against the datagram.
std::optional<std::span<const std::uint8_t>> answerData(std::span<const std::uint8_t> d,
                                                        std::uint16_t id, std::uint16_t type) {
    if (d.size() < HEADER_SIZE || loadBe16At(d, 0) != id) {
        return std::nullopt;
    }
    const std::uint16_t flags = loadBe16At(d, 2);
    if ((flags & RESPONSE) == 0 || (flags & OPCODE_MASK) != 0 || (flags & RCODE_MASK) != 0 ||
        loadBe16At(d, 4) != 0 || loadBe16At(d, 6) < 1) {
        return std::nullopt;
    }
    const auto afterName = skipName(d, HEADER_SIZE);
    if (!afterName || d.size() - *afterName < 10) {
        return std::nullopt;
    }
    const std::size_t at = *afterName;
    if (loadBe16At(d, at) != type || loadBe16At(d, at + 2) != CLASS_IN) {
        return std::nullopt;
    }
    const std::size_t length = loadBe16At(d, at + 8);
    if (d.size() - (at + 10) < length) {
        return std::nullopt;
    }
    return d.subspan(at + 10, length);
}

std::uint8_t localFlags(std::uint8_t wire) {
    const std::uint8_t group = wire & WIRE_GROUP;
    if (wire & WIRE_DEREGISTERING) {
        return group | DEREGISTERED;
    }
    if (wire & WIRE_CONFLICT) {
        return group | CONFLICT;
    }
    return group | ((wire & WIRE_ACTIVE) ? REGISTERED : 0);
}

std::uint16_t nextTransactionId() {
    static std::atomic<std::uint16_t> id{static_cast<std::uint16_t>(::getpid() * 7919)};
    return id.fetch_add(1, std::memory_order_relaxed);
}

// Sends `request` to each target `attempts` times, spread over `timeout`, and hands every
// datagram that comes back to `accept`, with its source, until `accept` takes one.
template <typename Accept>
bool exchange(const std::vector<std::uint8_t>& request, const std::vector<IPv4Address>& targets,
              bool broadcast, std::chrono::milliseconds timeout, int attempts, Accept accept) {
    UdpSocket socket;
    if (socket.fd() < 0 || targets.empty()) {
        return false;
    }
    if (broadcast) {
        const int on = 1;
        ::setsockopt(socket.fd(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    }
    attempts = std::max(attempts, 1);
    const auto interval = timeout / attempts;
    // A name table may fill a datagram of any size.
    std::vector<std::uint8_t> reply(65535);
    for (int attempt = 0; attempt < attempts; ++attempt) {
        for (const IPv4Address& target : targets) {
            const sockaddr_in to = socketAddress(target, NETBIOS_NAME_PORT);
            ::sendto(socket.fd(), request.data(), request.size(), 0,
                     reinterpret_cast<const sockaddr*>(&to), sizeof to);
        }
        const auto deadline = std::chrono::steady_clock::now() + interval;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                break;
            }
            pollfd ready{socket.fd(), POLLIN, 0};
            if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
                continue;
            }
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t got = ::recvfrom(socket.fd(), reply.data(), reply.size(), 0,
                                           reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (got <= 0) {
                continue;
            }
            IPv4Address source;
            std::memcpy(source.data(), &from.sin_addr, source.size());
            if (ntohs(from.sin_port) == NETBIOS_NAME_PORT &&
                accept(std::span<const std::uint8_t>(reply.data(), static_cast<std::size_t>(got)),
                       source)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

std::string netbiosNameText(const NetbiosNameEntry& entry) {
    std::string text;
    for (std::size_t i = 0; i < 15 && entry.name[i] != 0 && entry.name[i] != ' '; ++i) {
        text += static_cast<char>(entry.name[i]);
    }
    return text;
}

NetbiosNames netbiosNames(const std::vector<NetbiosNameEntry>& entries) {
    NetbiosNames names;
    for (const NetbiosNameEntry& e : entries) {
        if (e.name[15] != 0x00) {
            continue;
        }
        if (e.flags == GROUP_REGISTERED && !names.group) {
            names.group = netbiosNameText(e);
        } else if (e.flags == UNIQUE_REGISTERED && !names.computer) {
            names.computer = netbiosNameText(e);
        }
    }
    return names;
}

std::optional<std::string> messengerName(const std::vector<NetbiosNameEntry>& entries) {
    for (const NetbiosNameEntry& e : entries) {
        if (e.name[15] == 0x03 && e.flags == UNIQUE_REGISTERED) {
            return netbiosNameText(e);
        }
    }
    return netbiosNames(entries).computer;
}

std::vector<std::uint8_t> nodeStatusRequest(std::uint16_t transactionId) {
    auto out = header(transactionId, 0);
    std::array<std::uint8_t, 16> wildcard{};
    wildcard[0] = '*';
    out.push_back(0x20);
    for (std::uint8_t byte : wildcard) {
        out.push_back(static_cast<std::uint8_t>('A' + (byte >> 4)));
        out.push_back(static_cast<std::uint8_t>('A' + (byte & 0x0F)));
    }
    out.push_back(0);
    appendBe16(out, TYPE_NBSTAT);
    appendBe16(out, CLASS_IN);
    return out;
}

std::optional<std::vector<NetbiosNameEntry>>
parseNodeStatusResponse(std::span<const std::uint8_t> datagram, std::uint16_t transactionId) {
    const auto data = answerData(datagram, transactionId, TYPE_NBSTAT);
    if (!data || data->empty()) {
        return std::nullopt;
    }
    const std::size_t count = (*data)[0];
    if (count * NAME_ENTRY_SIZE > data->size() - 1) {
        return std::nullopt;
    }
    std::vector<NetbiosNameEntry> entries(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = data->data() + 1 + i * NAME_ENTRY_SIZE;
        std::copy_n(p, 16, entries[i].name.begin());
        entries[i].flags = localFlags(p[16]);
    }
    return entries;
}

std::vector<std::uint8_t> nameQueryRequest(const std::string& name, std::uint16_t transactionId) {
    auto out = header(transactionId, RECURSION_DESIRED | BROADCAST);
    const auto encoded = encodeNetbiosName(name, NETBIOS_WORKSTATION_SUFFIX);
    out.insert(out.end(), encoded.begin(), encoded.end());
    appendBe16(out, TYPE_NB);
    appendBe16(out, CLASS_IN);
    return out;
}

std::optional<IPv4Address> parseNameQueryResponse(std::span<const std::uint8_t> datagram,
                                                  std::uint16_t transactionId) {
    const auto data = answerData(datagram, transactionId, TYPE_NB);
    if (!data || data->size() < 6) {
        return std::nullopt;
    }
    IPv4Address address;
    std::copy_n(data->data() + 2, 4, address.begin());
    if (address == ZERO_IP) {
        return std::nullopt;
    }
    return address;
}

std::optional<std::vector<NetbiosNameEntry>>
queryNodeStatus(const IPv4Address& station, std::chrono::milliseconds timeout, int attempts) {
    const std::uint16_t id = nextTransactionId();
    std::optional<std::vector<NetbiosNameEntry>> result;
    exchange(nodeStatusRequest(id), {station}, false, timeout, attempts,
             [&](std::span<const std::uint8_t> reply, const IPv4Address& from) {
                 if (from != station) {
                     return false;
                 }
                 result = parseNodeStatusResponse(reply, id);
                 return result.has_value();
             });
    return result;
}

std::optional<IPv4Address> queryNetbiosName(const std::string& name,
                                            const std::vector<IPv4Address>& broadcasts,
                                            std::chrono::milliseconds timeout, int attempts) {
    const std::uint16_t id = nextTransactionId();
    std::optional<IPv4Address> result;
    exchange(nameQueryRequest(name, id), broadcasts, true, timeout, attempts,
             [&](std::span<const std::uint8_t> reply, const IPv4Address&) {
                 result = parseNameQueryResponse(reply, id);
                 return result.has_value();
             });
    return result;
}

std::vector<IPv4Address> broadcastAddresses(const std::vector<std::string>& interfaces) {
    std::vector<IPv4Address> found;
    ifaddrs* all = nullptr;
    if (::getifaddrs(&all) != 0) {
        return found;
    }
    for (const std::string& wanted : interfaces) {
        for (const ifaddrs* a = all; a != nullptr; a = a->ifa_next) {
            if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET ||
                a->ifa_netmask == nullptr || wanted != a->ifa_name) {
                continue;
            }
            const auto* address = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
            const auto* mask = reinterpret_cast<const sockaddr_in*>(a->ifa_netmask);
            const std::uint32_t broadcast = address->sin_addr.s_addr | ~mask->sin_addr.s_addr;
            IPv4Address ip;
            std::memcpy(ip.data(), &broadcast, ip.size());
            if (std::find(found.begin(), found.end(), ip) == found.end()) {
                found.push_back(ip);
            }
        }
    }
    ::freeifaddrs(all);
    return found;
}

} // namespace qv
