#pragma once

#include <span>
#include <vector>

#include "engine/station_record.h"

namespace qv {

// The records of a station table in the order in which they give up their slot when a new pair
// finds the table full: the one seen longest ago first, the lowest index among equals, a damaged
// time (NaN) after every other. An indexed binary heap: the first record is read at once, and a
// record whose time changed is moved in O(log n), where a scan of the table would read all of it
// for every new pair of a flood. Built only when first asked for, and dropped by `forget` when
// records move; the table tells it of every other change of a record's time while it is built.
class StationAges {
public:
    bool built() const { return m_built; }
    template <typename Record>
    void build(std::span<const Record> records);
    void forget();
    // Record `index` (below the size it was built with, or equal to it: one more record) has a new
    // time in `records`.
    template <typename Record>
    void changed(int index, std::span<const Record> records);
    // The record that gives up its slot; the heap must be built and not empty.
    int first() const { return m_heap.front(); }

private:
    template <typename Record>
    static bool before(std::span<const Record> records, int a, int b);
    void place(std::size_t at, int index);
    template <typename Record>
    void siftUp(std::size_t at, std::span<const Record> records);
    template <typename Record>
    void siftDown(std::size_t at, std::span<const Record> records);

    bool m_built = false;
    std::vector<int> m_heap;           // record indices
    std::vector<std::size_t> m_places; // per record index, where it is in m_heap
};

} // namespace qv
