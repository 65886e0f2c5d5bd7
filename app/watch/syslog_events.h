#pragma once

#include <memory>
#include <string>

#include "common/clock.h"
#include "events/event_entry.h"
#include "events/event_list_owner.h"
#include "iptools/syslog_forwarder.h"
#include "iptools/syslog_message.h"

namespace qv {

// The syslog message of a journaled event at `when` (local time): the type as the message id
// ("new-station"), "Type: details" as the text, and the station's address and MAC (the last
// one named: the new one of a change, the ARP sender's of a broadcast or a mismatch) as the
// structured data's "ip" and "mac".
SyslogRecord syslogRecordOf(const EventEntry& entry, TDateTime when, const std::string& hostname,
                            const std::string& procId);

// Hands every event the journal appends to `next` (the printer) and then, as a syslog message,
// to the forwarder.
class SyslogEvents final : public EventListOwner {
public:
    SyslogEvents(EventListOwner& next, SyslogForwarder& forwarder, const Clock& clock);

    void appendEvent(const EventEntry& entry) override;
    void replaceEvents(std::vector<EventEntry> entries) override;
    void journalFailure(const std::string& message) override;

private:
    EventListOwner& m_next;
    SyslogForwarder& m_forwarder;
    const Clock& m_clock;
    std::string m_hostname;
    std::string m_procId;
};

} // namespace qv
