#include "app/watch/syslog_events.h"

#include <unistd.h>

#include "common/addresses.h"
#include "events/event_kind.h"

namespace qv {
namespace {

struct SyslogKind {
    EventKind kind;
    const char* msgId;
    int severity;
};

constexpr SyslogKind SYSLOG_KINDS[] = {
    {EventKind::NewStation, "new-station", SYSLOG_NOTICE},
    {EventKind::NewActivity, "new-activity", SYSLOG_NOTICE},
    {EventKind::ChangedEthernetAddress, "changed-ethernet-address", SYSLOG_WARNING},
    {EventKind::FlipFlop, "flip-flop", SYSLOG_WARNING},
    {EventKind::ReusedOldEthernetAddress, "reused-old-ethernet-address", SYSLOG_WARNING},
    {EventKind::EthernetBroadcast, "ethernet-broadcast", SYSLOG_WARNING},
    {EventKind::EthernetMismatch, "ethernet-mismatch", SYSLOG_WARNING},
    {EventKind::NetworkScanning, "network-scanning", SYSLOG_WARNING},
};

const SyslogKind& syslogKind(EventKind kind) {
    for (const SyslogKind& k : SYSLOG_KINDS) {
        if (k.kind == kind) {
            return k;
        }
    }
    return SYSLOG_KINDS[0];
}

std::string hostName() {
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

} // namespace

SyslogRecord syslogRecordOf(const Event& event, const std::string& hostname,
                            const std::string& procId) {
    SyslogRecord record;
    const SyslogKind& kind = syslogKind(event.kind);
    record.severity = kind.severity;
    record.msgId = kind.msgId;
    record.timestamp = rfc3339OfLocal(event.stamp);
    record.hostname = hostname;
    record.appName = "quorvane";
    record.procId = procId;
    if (event.ip) {
        record.params.emplace_back("ip", addressText(*event.ip));
    }
    if (event.mac) {
        record.params.emplace_back("mac", MACToText(*event.mac));
    }
    if (!event.adapter.empty()) {
        record.params.emplace_back("iface", event.adapter);
    }
    const EventEntry entry = journalEntry(event);
    record.message = entry.Type + ": " + entry.Details;
    return record;
}

SyslogEvents::SyslogEvents(SyslogForwarder& forwarder)
    : m_forwarder(forwarder), m_hostname(hostName()), m_procId(std::to_string(::getpid())) {}

void SyslogEvents::announce(const Event& event) noexcept {
    try {
        m_forwarder.forward(formatSyslogMessage(syslogRecordOf(event, m_hostname, m_procId)));
    } catch (...) { // no memory for the message: one the queue had no room for
    }
}

} // namespace qv
