#pragma once

// NetBIOS name service answers as stations send them, for the tests of their parsers and of the
// queries over the network.

#include <cstdint>
#include <string>
#include <vector>

#include "iptools/netbios_name_service.h"

namespace qv::test {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

inline Bytes name16(const std::string& text, std::uint8_t suffix) {
    Bytes name(16, ' ');
    std::copy(text.begin(), text.end(), name.begin());
    name[15] = suffix;
    return name;
}

struct Entry {
    Bytes name;
    std::uint16_t wireFlags;
};

// A NODE STATUS RESPONSE as a station sends it: header, the queried name, the record and the name
// table, then the statistics.
inline Bytes statusResponse(std::uint16_t id, const std::vector<Entry>& entries) {
    Bytes out;
    put16(out, id);
    put16(out, 0x8400);
    put16(out, 0);
    put16(out, 1);
    put16(out, 0);
    put16(out, 0);
    const Bytes request = nodeStatusRequest(id);
    out.insert(out.end(), request.begin() + 12, request.begin() + 12 + 34);
    put16(out, 0x0021);
    put16(out, 0x0001);
    out.insert(out.end(), {0, 0, 0, 0});
    put16(out, static_cast<std::uint16_t>(1 + entries.size() * 18 + 46));
    out.push_back(static_cast<std::uint8_t>(entries.size()));
    for (const Entry& e : entries) {
        out.insert(out.end(), e.name.begin(), e.name.end());
        put16(out, e.wireFlags);
    }
    out.insert(out.end(), 46, 0);
    return out;
}

} // namespace qv::test
