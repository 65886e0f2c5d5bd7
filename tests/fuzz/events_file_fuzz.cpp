// Fuzzes the load of Events.csv and its rewrite. Beyond "no crash": no field holds a line end or a
// separator, the list holds no more entries than the text has lines, and a
// rewritten journal loads back to the same list.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "events/event_journal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qv;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto entries = parseEventsText(text);
    std::size_t ends = 0;
    for (char c : text.substr(0, text.find('\0'))) {
        ends += c == '\n' || c == '\r';
    }
    if (entries.size() > ends) {
        std::abort();
    }
    std::string rewritten = std::string(EVENTS_SAVE_HEADER) + "\r\n";
    for (const EventEntry& e : entries) {
        for (const std::string* field : {&e.Stamp, &e.Type, &e.Details}) {
            if (field->find_first_of("\r\n;") != std::string::npos) {
                std::abort();
            }
        }
        rewritten += eventLine(e) + "\r\n";
    }
    if (parseEventsText(rewritten) != entries) {
        std::abort();
    }
    return 0;
}
