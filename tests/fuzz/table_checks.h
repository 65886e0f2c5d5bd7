#pragma once

#include <cstdlib>

#include "engine/station_table.h"

namespace qv::fuzz {

// Byte by byte: std::array's comparison goes through memcmp, which the sanitizers intercept at a
// cost that dominates a table of 8192 records.
template <typename Address>
bool samePair(const BasicStationRecord<Address>& a, const BasicStationRecord<Address>& b) {
    for (std::size_t k = 0; k < a.ip.size(); ++k) {
        if (a.ip[k] != b.ip[k]) {
            return false;
        }
    }
    for (std::size_t k = 0; k < a.mac.size(); ++k) {
        if (a.mac[k] != b.mac[k]) {
            return false;
        }
    }
    return true;
}

// Aborts unless the table holds together: its count within the slots, and the index finding
// every record in use by its pair, by its MAC and by its address, at a slot that holds it. A run
// of one pair (the empty slots after a short file) is looked up once.
template <typename Access>
void checkTable(const Access& t) {
    if (t.count() < 0 || t.count() > STATION_SLOTS) {
        std::abort();
    }
    for (int i = 0; i < t.count(); ++i) {
        const auto& r = t.record(i);
        if (i > 0 && samePair(r, t.record(i - 1))) {
            continue;
        }
        const int found = t.findPair(r.ip, r.mac);
        if (found == NO_STATION || t.record(found).ip != r.ip || t.record(found).mac != r.mac ||
            t.countByMac(r.mac) < 1) {
            std::abort();
        }
    }
}

} // namespace qv::fuzz
