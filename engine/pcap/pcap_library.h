#pragma once

#include <pcap/pcap.h>

#include <initializer_list>
#include <mutex>

namespace qv {

// The entry points of libpcap that Quorvane uses. The library is not linked: it is loaded at run
// time by its soname and each entry point is looked up by name, so a machine without it still
// starts and can say so.
struct PcapApi {
    decltype(&pcap_findalldevs) findalldevs = nullptr;
    decltype(&pcap_freealldevs) freealldevs = nullptr;
    decltype(&pcap_create) create = nullptr;
    decltype(&pcap_set_snaplen) set_snaplen = nullptr;
    decltype(&pcap_set_promisc) set_promisc = nullptr;
    decltype(&pcap_set_timeout) set_timeout = nullptr;
    decltype(&pcap_set_buffer_size) set_buffer_size = nullptr;
    decltype(&pcap_activate) activate = nullptr;
    decltype(&pcap_setnonblock) setnonblock = nullptr;
    decltype(&pcap_get_selectable_fd) get_selectable_fd = nullptr;
    decltype(&pcap_dispatch) dispatch = nullptr;
    decltype(&pcap_datalink) datalink = nullptr;
    decltype(&pcap_compile) compile = nullptr;
    decltype(&pcap_setfilter) setfilter = nullptr;
    decltype(&pcap_freecode) freecode = nullptr;
    decltype(&pcap_stats) stats = nullptr;
    decltype(&pcap_geterr) geterr = nullptr;
    decltype(&pcap_close) close = nullptr;
    decltype(&pcap_open_offline) open_offline = nullptr;
    decltype(&pcap_next_ex) next_ex = nullptr;
    decltype(&pcap_datalink_val_to_name) datalink_val_to_name = nullptr;
};

inline constexpr std::initializer_list<const char*> PCAP_SONAMES = {"libpcap.so.1",
                                                                    "libpcap.so.0.8"};

// Loads the first soname of the list that loads and looks every entry point up, even when some
// are missing. -1 when no soname loads; otherwise the number of entry points not found.
int loadPcapApi(std::initializer_list<const char*> sonames, PcapApi& api);
inline constexpr int PCAP_ENTRY_POINTS = 21;

// The process's one binding of the packet library.
class PcapLibrary {
public:
    static PcapLibrary& instance();

    // Loads the first soname that loads and looks up every entry point, even when some are
    // missing. -1 when no soname loads; otherwise the number of entry points not found (0 means
    // complete). A second call returns the first call's result.
    int bind(std::initializer_list<const char*> sonames = PCAP_SONAMES);
    const PcapApi& api() const { return m_api; }

private:
    PcapLibrary() = default;

    mutable std::mutex m_guard;
    bool m_bound = false;
    int m_result = -1;
    PcapApi m_api;
};

// The packet driver's binding at start-up, on the default sonames.
int bindPacketDriver();

} // namespace qv
