#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "events/event_entry.h"

namespace qv {

// The events list's entries, kept compactly: the texts of every entry in one buffer and, per
// entry, where its three texts lie. A journal of a million events then takes about the size of
// its file, instead of three separate strings per entry.
class EventStore {
public:
    std::size_t size() const { return m_rows.size(); }
    bool empty() const { return m_rows.empty(); }
    std::string_view stamp(std::size_t row) const { return field(row, 0); }
    std::string_view type(std::size_t row) const { return field(row, 1); }
    std::string_view details(std::size_t row) const { return field(row, 2); }
    EventEntry entry(std::size_t row) const;
    std::vector<EventEntry> entries() const;

    void append(const EventEntry& entry);
    void assign(const std::vector<EventEntry>& entries);
    // Removes the rows at the ascending indices given. The texts of removed rows stay in the
    // buffer until it is compacted, which happens once they are more than half of it.
    void erase(const std::vector<int>& rows);
    void clear();

private:
    struct Row {
        std::uint64_t at;
        std::uint32_t lengths[3];
    };
    std::string_view field(std::size_t row, int which) const;
    void compact();

    std::string m_text;
    std::vector<Row> m_rows;
    std::size_t m_used = 0; // bytes of the buffer that belong to rows still held
};

} // namespace qv
