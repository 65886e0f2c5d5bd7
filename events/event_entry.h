#pragma once

#include <ostream>
#include <string>

namespace qv {

// One journal entry; the texts are never parsed back.
struct EventEntry {
    std::string Stamp;
    std::string Type;
    std::string Details;

    bool operator==(const EventEntry&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const EventEntry& entry) {
    return out << '{' << entry.Stamp << '|' << entry.Type << '|' << entry.Details << '}';
}

// Stamp;Type;Details, as a line of Events.csv without its line end.
inline std::string eventLine(const EventEntry& entry) {
    return entry.Stamp + ";" + entry.Type + ";" + entry.Details;
}

} // namespace qv
