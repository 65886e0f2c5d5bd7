#include "app/watch/syslog_events.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using Params = std::vector<std::pair<std::string, std::string>>;

const IPv4Address IP{192, 168, 0, 7};
const MacAddress MAC{0x00, 0x1B, 0x21, 0x3A, 0x4F, 0x10};

// Each kind gives its id and severity; the station's address and MAC and the adapter go to the
// structured data as the event has them, the journal line's type and details to the text.
TEST(SyslogEvents, EachEventGivesItsIdSeverityStationAndAdapter) {
    const struct {
        Event event;
        const char* msgId;
        int severity;
        Params params;
    } cases[] = {
        {{EventKind::NewStation, 0, IP, MAC, "eth0", "192.168.0.7, hwaddr: 00-1B-21-3A-4F-10"},
         "new-station",
         SYSLOG_NOTICE,
         {{"ip", "192.168.0.7"}, {"mac", "00-1B-21-3A-4F-10"}, {"iface", "eth0"}}},
        {{EventKind::NewActivity, 0, IP, MAC, "", "00-1B-21-3A-4F-10, ip: 192.168.0.7"},
         "new-activity",
         SYSLOG_NOTICE,
         {{"ip", "192.168.0.7"}, {"mac", "00-1B-21-3A-4F-10"}}},
        {{EventKind::ChangedEthernetAddress, 0, IP, MAC, "enp3s0", "x"},
         "changed-ethernet-address",
         SYSLOG_WARNING,
         {{"ip", "192.168.0.7"}, {"mac", "00-1B-21-3A-4F-10"}, {"iface", "enp3s0"}}},
        {{EventKind::FlipFlop, 0, IP, MAC, "", "x"},
         "flip-flop",
         SYSLOG_WARNING,
         {{"ip", "192.168.0.7"}, {"mac", "00-1B-21-3A-4F-10"}}},
        {{EventKind::ReusedOldEthernetAddress, 0, IP, MAC, "", "x"},
         "reused-old-ethernet-address",
         SYSLOG_WARNING,
         {{"ip", "192.168.0.7"}, {"mac", "00-1B-21-3A-4F-10"}}},
        {{EventKind::EthernetBroadcast, 0, std::nullopt, MAC, "eth1", "x"},
         "ethernet-broadcast",
         SYSLOG_WARNING,
         {{"mac", "00-1B-21-3A-4F-10"}, {"iface", "eth1"}}},
        {{EventKind::EthernetMismatch, 0, std::nullopt, MAC, "", "x"},
         "ethernet-mismatch",
         SYSLOG_WARNING,
         {{"mac", "00-1B-21-3A-4F-10"}}},
        {{EventKind::NetworkScanning, 0, IP, MAC, "eth0", "Host 192.168.0.7\n(MAC: ...)"},
         "network-scanning",
         SYSLOG_WARNING,
         {{"ip", "192.168.0.7"}, {"mac", "00-1B-21-3A-4F-10"}, {"iface", "eth0"}}},
    };
    for (auto c : cases) {
        c.event.stamp = encodeDateTime({2026, 12, 6, 18, 1, 52, 0});
        const EventEntry entry = journalEntry(c.event);
        const SyslogRecord r = syslogRecordOf(c.event, "sensor", "7");
        EXPECT_EQ(r.msgId, c.msgId) << c.event.type();
        EXPECT_EQ(r.severity, c.severity) << c.event.type();
        EXPECT_EQ(r.params, c.params) << c.event.type();
        EXPECT_EQ(r.message, entry.Type + ": " + entry.Details);
        EXPECT_EQ(r.message.find('\n'), std::string::npos);
        EXPECT_EQ(r.timestamp, "2026-12-06T18:01:52.000+00:00");
        EXPECT_EQ(r.appName, "quorvane");
    }
}

} // namespace
} // namespace qv
