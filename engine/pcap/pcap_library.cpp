#include "engine/pcap/pcap_library.h"

#include <dlfcn.h>

namespace qv {
namespace {

// Looks one entry point up; counts it when it is missing.
template <typename Function>
void lookUp(void* library, const char* name, Function& entry, int& missing) {
    entry = reinterpret_cast<Function>(::dlsym(library, name));
    if (entry == nullptr) {
        ++missing;
    }
}

int lookUpAll(void* library, PcapApi& api) {
    int missing = 0;
    lookUp(library, "pcap_findalldevs", api.findalldevs, missing);
    lookUp(library, "pcap_freealldevs", api.freealldevs, missing);
    lookUp(library, "pcap_create", api.create, missing);
    lookUp(library, "pcap_set_snaplen", api.set_snaplen, missing);
    lookUp(library, "pcap_set_promisc", api.set_promisc, missing);
    lookUp(library, "pcap_set_timeout", api.set_timeout, missing);
    lookUp(library, "pcap_set_buffer_size", api.set_buffer_size, missing);
    lookUp(library, "pcap_activate", api.activate, missing);
    lookUp(library, "pcap_setnonblock", api.setnonblock, missing);
    lookUp(library, "pcap_get_selectable_fd", api.get_selectable_fd, missing);
    lookUp(library, "pcap_dispatch", api.dispatch, missing);
    lookUp(library, "pcap_datalink", api.datalink, missing);
    lookUp(library, "pcap_compile", api.compile, missing);
    lookUp(library, "pcap_setfilter", api.setfilter, missing);
    lookUp(library, "pcap_freecode", api.freecode, missing);
    lookUp(library, "pcap_stats", api.stats, missing);
    lookUp(library, "pcap_geterr", api.geterr, missing);
    lookUp(library, "pcap_close", api.close, missing);
    lookUp(library, "pcap_open_offline", api.open_offline, missing);
    lookUp(library, "pcap_next_ex", api.next_ex, missing);
    lookUp(library, "pcap_datalink_val_to_name", api.datalink_val_to_name, missing);
    return missing;
}

} // namespace

PcapLibrary& PcapLibrary::instance() {
    static PcapLibrary library;
    return library;
}

int PcapLibrary::bind(std::initializer_list<const char*> sonames) {
    std::lock_guard lock(m_guard);
    if (m_bound) {
        return m_result;
    }
    m_bound = true;
    m_result = loadPcapApi(sonames, m_api);
    return m_result;
}

int loadPcapApi(std::initializer_list<const char*> sonames, PcapApi& api) {
    for (const char* soname : sonames) {
        // Never closed: the entry points are used until the process ends.
        if (void* library = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {
            return lookUpAll(library, api);
        }
    }
    return -1;
}

int bindPacketDriver() {
    return PcapLibrary::instance().bind();
}

} // namespace qv
