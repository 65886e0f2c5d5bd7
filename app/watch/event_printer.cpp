#include "app/watch/event_printer.h"

namespace qv {

void EventPrinter::appendEvent(const EventEntry& entry) {
    const std::string line = eventLine(entry) + "\n";
    std::fwrite(line.data(), 1, line.size(), m_out);
    std::fflush(m_out);
}

void EventPrinter::journalFailure(const std::string& message) {
    std::fprintf(m_errors, "quorvane-watch: %s\n", message.c_str());
}

} // namespace qv
