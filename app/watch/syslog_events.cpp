#include "app/watch/syslog_events.h"

#include <unistd.h>

#include "common/addresses.h"
#include "common/text_scanners.h"
#include "engine/event_kind.h"

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

const SyslogKind* syslogKind(const std::string& type) {
    for (const SyslogKind& k : SYSLOG_KINDS) {
        if (type == eventKindText(k.kind)) {
            return &k;
        }
    }
    return nullptr;
}

// The last MAC the text names: the texts name the station's own last.
std::string lastMacInText(std::string_view text) {
    std::string last;
    for (std::string mac = FindMACInText(text); !mac.empty(); mac = FindMACInText(text)) {
        last = mac;
        text.remove_prefix(text.find(mac) + mac.size());
    }
    return last;
}

std::string hostName() {
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
}

} // namespace

SyslogRecord syslogRecordOf(const EventEntry& entry, TDateTime when, const std::string& hostname,
                            const std::string& procId) {
    SyslogRecord record;
    const SyslogKind* kind = syslogKind(entry.Type);
    record.severity = kind != nullptr ? kind->severity : SYSLOG_NOTICE;
    record.msgId = kind != nullptr ? kind->msgId : "";
    record.timestamp = rfc3339OfLocal(when);
    record.hostname = hostname;
    record.appName = "quorvane";
    record.procId = procId;
    const IPv4Address ip = FindIPInText(entry.Details);
    if (ip != IPv4Address{}) {
        record.params.emplace_back("ip", IPToText(ip));
    }
    if (const std::string mac = lastMacInText(entry.Details); !mac.empty()) {
        record.params.emplace_back("mac", mac);
    }
    record.message = entry.Type + ": " + entry.Details;
    return record;
}

SyslogEvents::SyslogEvents(EventListOwner& next, SyslogForwarder& forwarder, const Clock& clock)
    : m_next(next), m_forwarder(forwarder), m_clock(clock), m_hostname(hostName()),
      m_procId(std::to_string(::getpid())) {}

void SyslogEvents::appendEvent(const EventEntry& entry) {
    m_next.appendEvent(entry);
    m_forwarder.forward(
        formatSyslogMessage(syslogRecordOf(entry, m_clock.now(), m_hostname, m_procId)));
}

void SyslogEvents::replaceEvents(std::vector<EventEntry> entries) {
    m_next.replaceEvents(std::move(entries));
}

void SyslogEvents::journalFailure(const std::string& message) {
    m_next.journalFailure(message);
}

} // namespace qv
