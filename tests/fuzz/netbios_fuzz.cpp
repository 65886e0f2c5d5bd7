// Fuzzes the NetBIOS name service parsers with whatever a station might send back. The first two
// bytes name the transaction the answer must belong to. Beyond "no crash", the results must hold
// together: every entry lies inside the datagram, and the names the rules pick are entries' texts.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "iptools/netbios_name_service.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const auto id = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
    const std::span<const std::uint8_t> datagram(data + 2, size - 2);
    if (const auto entries = qv::parseNodeStatusResponse(datagram, id)) {
        if (entries->size() * 18 > datagram.size()) {
            std::abort();
        }
        const qv::NetbiosNames names = qv::netbiosNames(*entries);
        for (const auto* name : {&names.computer, &names.group}) {
            if (*name && name->value().size() > 15) {
                std::abort();
            }
        }
    }
    if (const auto address = qv::parseNameQueryResponse(datagram, id)) {
        if (*address == qv::ZERO_IP) {
            std::abort();
        }
    }
    return 0;
}
