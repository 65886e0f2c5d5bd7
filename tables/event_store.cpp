#include "tables/event_store.h"

#include <algorithm>

namespace qv {

std::string_view EventStore::field(std::size_t row, int which) const {
    const Row& r = m_rows.at(row);
    std::uint64_t at = r.at;
    for (int i = 0; i < which; ++i) {
        at += r.lengths[i];
    }
    return std::string_view(m_text).substr(at, r.lengths[which]);
}

EventEntry EventStore::entry(std::size_t row) const {
    return {std::string(stamp(row)), std::string(type(row)), std::string(details(row))};
}

std::vector<EventEntry> EventStore::entries() const {
    std::vector<EventEntry> all;
    all.reserve(size());
    for (std::size_t i = 0; i < size(); ++i) {
        all.push_back(entry(i));
    }
    return all;
}

void EventStore::append(const EventEntry& entry) {
    Row row{m_text.size(),
            {static_cast<std::uint32_t>(entry.Stamp.size()),
             static_cast<std::uint32_t>(entry.Type.size()),
             static_cast<std::uint32_t>(entry.Details.size())}};
    m_text += entry.Stamp;
    m_text += entry.Type;
    m_text += entry.Details;
    m_used += entry.Stamp.size() + entry.Type.size() + entry.Details.size();
    m_rows.push_back(row);
}

void EventStore::assign(const std::vector<EventEntry>& entries) {
    clear();
    std::size_t bytes = 0;
    for (const EventEntry& e : entries) {
        bytes += e.Stamp.size() + e.Type.size() + e.Details.size();
    }
    m_text.reserve(bytes);
    m_rows.reserve(entries.size());
    for (const EventEntry& e : entries) {
        append(e);
    }
}

void EventStore::erase(const std::vector<int>& rows) {
    std::size_t next = 0;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        while (next < rows.size() && rows[next] < static_cast<int>(i)) {
            ++next;
        }
        if (next < rows.size() && rows[next] == static_cast<int>(i)) {
            const Row& r = m_rows[i];
            m_used -= std::size_t{r.lengths[0]} + r.lengths[1] + r.lengths[2];
            continue;
        }
        m_rows[kept++] = m_rows[i];
    }
    m_rows.resize(kept);
    if (m_used < m_text.size() / 2) {
        compact();
    }
}

void EventStore::clear() {
    m_text.clear();
    m_text.shrink_to_fit();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_used = 0;
}

void EventStore::compact() {
    std::string text;
    text.reserve(m_used);
    for (Row& r : m_rows) {
        const std::size_t length = std::size_t{r.lengths[0]} + r.lengths[1] + r.lengths[2];
        const std::uint64_t at = text.size();
        text.append(m_text, r.at, length);
        r.at = at;
    }
    m_text = std::move(text);
}

} // namespace qv
