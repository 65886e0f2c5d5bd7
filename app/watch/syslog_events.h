#pragma once

#include <memory>
#include <string>

#include "events/notifier.h"
#include "iptools/syslog_forwarder.h"
#include "iptools/syslog_message.h"

namespace qv {

// The syslog message of a stamped event: its kind as the message id ("new-station") and
// severity, its stamp (local time) as the time, "Type: details" as the text (as its journal line
// has them), and the station's address and MAC and the adapter that saw it as the structured
// data's "ip", "mac" and "iface", where the event has them.
SyslogRecord syslogRecordOf(const Event& event, const std::string& hostname,
                            const std::string& procId);

// Sends every announced event as a syslog message through the forwarder, which never waits.
class SyslogEvents final : public AnnouncementSink {
public:
    explicit SyslogEvents(SyslogForwarder& forwarder);

    void announce(const Event& event) noexcept override;

private:
    SyslogForwarder& m_forwarder;
    std::string m_hostname;
    std::string m_procId;
};

} // namespace qv
