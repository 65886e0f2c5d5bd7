#include "engine/station_ages.h"

#include <cmath>

namespace qv {

template <typename Record>
bool StationAges::before(std::span<const Record> records, int a, int b) {
    const double ta = records[static_cast<std::size_t>(a)].lastUpdate;
    const double tb = records[static_cast<std::size_t>(b)].lastUpdate;
    if (std::isnan(ta) != std::isnan(tb)) {
        return std::isnan(tb);
    }
    if (!std::isnan(ta) && ta != tb) {
        return ta < tb;
    }
    return a < b;
}

void StationAges::place(std::size_t at, int index) {
    m_heap[at] = index;
    m_places[static_cast<std::size_t>(index)] = at;
}

template <typename Record>
void StationAges::siftUp(std::size_t at, std::span<const Record> records) {
    const int index = m_heap[at];
    while (at > 0) {
        const std::size_t parent = (at - 1) / 2;
        if (!before(records, index, m_heap[parent])) {
            break;
        }
        place(at, m_heap[parent]);
        at = parent;
    }
    place(at, index);
}

template <typename Record>
void StationAges::siftDown(std::size_t at, std::span<const Record> records) {
    const int index = m_heap[at];
    for (;;) {
        std::size_t child = 2 * at + 1;
        if (child >= m_heap.size()) {
            break;
        }
        if (child + 1 < m_heap.size() && before(records, m_heap[child + 1], m_heap[child])) {
            ++child;
        }
        if (!before(records, m_heap[child], index)) {
            break;
        }
        place(at, m_heap[child]);
        at = child;
    }
    place(at, index);
}

template <typename Record>
void StationAges::build(std::span<const Record> records) {
    m_heap.resize(records.size());
    m_places.resize(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        place(i, static_cast<int>(i));
    }
    for (std::size_t i = records.size() / 2; i-- > 0;) {
        siftDown(i, records);
    }
    m_built = true;
}

void StationAges::forget() {
    m_built = false;
    m_heap.clear();
    m_places.clear();
}

template <typename Record>
void StationAges::changed(int index, std::span<const Record> records) {
    const auto i = static_cast<std::size_t>(index);
    if (i > m_heap.size()) { // out of step: built again when next asked for
        forget();
        return;
    }
    if (i == m_heap.size()) {
        m_heap.push_back(index);
        m_places.push_back(i);
    }
    const std::size_t at = m_places[i];
    siftUp(at, records);
    siftDown(m_places[i], records);
}

template void StationAges::build(std::span<const StationRecord>);
template void StationAges::build(std::span<const StationRecord6>);
template void StationAges::changed(int, std::span<const StationRecord>);
template void StationAges::changed(int, std::span<const StationRecord6>);

} // namespace qv
