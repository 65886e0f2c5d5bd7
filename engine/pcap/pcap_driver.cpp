#include "engine/pcap/pcap_driver.h"

#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "common/file_descriptor.h"
#include "engine/capture_walk.h"
#include "engine/pcap/pcap_library.h"

namespace qv {
namespace {

const PcapApi& api() {
    return PcapLibrary::instance().api();
}

std::vector<IPv4Address> ipv4Addresses(const pcap_if_t* device) {
    std::vector<IPv4Address> addresses;
    for (const pcap_addr_t* a = device->addresses; a != nullptr; a = a->next) {
        if (a->addr != nullptr && a->addr->sa_family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(a->addr);
            IPv4Address ip;
            std::memcpy(ip.data(), &in->sin_addr, ip.size());
            addresses.push_back(ip);
        }
    }
    return addresses;
}

// Frames that did not fit the caller's buffer wait here for the next read, so none is lost.
struct PendingFrame {
    CaptureHeader header;
    std::vector<std::uint8_t> bytes;
};

class PcapSource final : public CaptureSource {
public:
    PcapSource(pcap_t* handle, FileDescriptor wake) : m_handle(handle), m_wake(std::move(wake)) {}
    ~PcapSource() override { api().close(m_handle); }

    ReadResult read(std::span<std::uint8_t> buffer) override;
    void pause(std::chrono::milliseconds limit) override {
        waitForFrames(static_cast<int>(limit.count()));
    }
    void wake() override {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake.get(), &one, sizeof one);
    }
    CaptureCounters counters() override;

private:
    static void onPacket(u_char* user, const pcap_pkthdr* h, const u_char* bytes);
    bool waitForFrames(int timeoutMs);

    pcap_t* m_handle;
    FileDescriptor m_wake;
    std::vector<PendingFrame> m_pending;
    std::span<std::uint8_t> m_buffer;
    std::size_t m_used = 0;
    bool m_full = false;
    std::uint64_t m_received = 0;
};

// Waits for a block of frames from the kernel or for a wake; false when woken.
bool PcapSource::waitForFrames(int timeoutMs) {
    pollfd fds[2] = {{api().get_selectable_fd(m_handle), POLLIN, 0}, {m_wake.get(), POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) <= 0) {
        return true; // time-out: the kernel may still hold a partly filled block
    }
    if (fds[1].revents & POLLIN) {
        std::uint64_t count;
        [[maybe_unused]] const ssize_t n = ::read(m_wake.get(), &count, sizeof count);
        return false;
    }
    return true;
}

void PcapSource::onPacket(u_char* user, const pcap_pkthdr* h, const u_char* bytes) {
    auto* self = reinterpret_cast<PcapSource*>(user);
    ++self->m_received;
    const CaptureHeader header{static_cast<std::uint32_t>(h->ts.tv_sec),
                               static_cast<std::uint32_t>(h->ts.tv_usec), h->caplen, h->len,
                               CAPTURE_HEADER_LENGTH};
    const std::span frame(bytes, h->caplen);
    if (self->m_full || !appendCapturedFrame(self->m_buffer, self->m_used, header, frame)) {
        self->m_full = true;
        self->m_pending.push_back({header, {frame.begin(), frame.end()}});
    }
}

ReadResult PcapSource::read(std::span<std::uint8_t> buffer) {
    m_buffer = buffer;
    m_used = 0;
    m_full = false;
    std::size_t kept = 0;
    for (; kept < m_pending.size(); ++kept) {
        const PendingFrame& p = m_pending[kept];
        if (!appendCapturedFrame(m_buffer, m_used, p.header, p.bytes)) {
            m_full = true;
            break;
        }
    }
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(kept));
    if (!m_full && m_used == 0 && waitForFrames(CAPTURE_READ_TIMEOUT_MS)) {
        // Take what the kernel holds until the buffer is full: on a busy network every read
        // then fills it and the next follows at once, instead of pausing while the kernel's
        // buffer overflows.
        while (!m_full &&
               api().dispatch(m_handle, -1, onPacket, reinterpret_cast<u_char*>(this)) > 0) {
        }
    }
    return {m_used, m_full};
}

CaptureCounters PcapSource::counters() {
    pcap_stat stats{};
    CaptureCounters c;
    c.received = m_received;
    if (api().stats(m_handle, &stats) == 0) {
        c.dropped = static_cast<std::uint64_t>(stats.ps_drop) + stats.ps_ifdrop;
    }
    return c;
}

bool configure(pcap_t* handle, std::string& error) {
    const PcapApi& p = api();
    p.set_snaplen(handle, CAPTURE_SNAP_LENGTH);
    p.set_promisc(handle, 1);
    p.set_buffer_size(handle, CAPTURE_KERNEL_BUFFER);
    p.set_timeout(handle, CAPTURE_READ_TIMEOUT_MS);
    const int status = p.activate(handle);
    if (status < 0) {
        error = p.geterr(handle);
        return false;
    }
    if (p.datalink(handle) != DLT_EN10MB) {
        error = "not an Ethernet adapter";
        return false;
    }
    // Spares user space the rest of the traffic; without it every frame is walked and skipped.
    bpf_program filter{};
    if (p.compile(handle, &filter, CAPTURE_FILTER, 1, PCAP_NETMASK_UNKNOWN) == 0) {
        p.setfilter(handle, &filter);
        p.freecode(&filter);
    }
    return p.setnonblock(handle, 1, nullptr) == 0 && p.get_selectable_fd(handle) >= 0;
}

} // namespace

std::optional<IPv4Address> firstUsableAddress(const std::vector<IPv4Address>& addresses) {
    for (const IPv4Address& ip : addresses) {
        if (ip != ZERO_IP) {
            return ip;
        }
    }
    return std::nullopt;
}

bool isEthernetInterface(const std::string& name) {
    if (name.empty() || name.size() >= IFNAMSIZ) {
        return false;
    }
    const FileDescriptor fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!fd) {
        return false;
    }
    ifreq request{};
    std::memcpy(request.ifr_name, name.c_str(), name.size());
    return ::ioctl(fd.get(), SIOCGIFHWADDR, &request) == 0 &&
           request.ifr_hwaddr.sa_family == ARPHRD_ETHER;
}

std::vector<AdapterInfo> PcapDriver::listAdapters() {
    std::vector<AdapterInfo> adapters;
    if (PcapLibrary::instance().bind() != 0) {
        return adapters;
    }
    pcap_if_t* devices = nullptr;
    char error[PCAP_ERRBUF_SIZE] = {};
    if (api().findalldevs(&devices, error) != 0) {
        return adapters;
    }
    for (const pcap_if_t* d = devices; d != nullptr; d = d->next) {
        if ((d->flags & PCAP_IF_LOOPBACK) != 0 || !isEthernetInterface(d->name)) {
            continue;
        }
        const auto address = firstUsableAddress(ipv4Addresses(d));
        adapters.push_back({d->name, d->description != nullptr ? d->description : d->name,
                            address ? IPToText(*address) : std::string()});
    }
    api().freealldevs(devices);
    return adapters;
}

std::unique_ptr<CaptureSource> PcapDriver::openAdapter(const std::string& name,
                                                       std::string& error) {
    if (PcapLibrary::instance().bind() != 0) {
        error = "libpcap is not installed";
        return nullptr;
    }
    char errorText[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = api().create(name.c_str(), errorText);
    if (handle == nullptr) {
        error = errorText;
        return nullptr;
    }
    FileDescriptor wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake || !configure(handle, error)) {
        api().close(handle);
        return nullptr;
    }
    return std::make_unique<PcapSource>(handle, std::move(wake));
}

} // namespace qv
