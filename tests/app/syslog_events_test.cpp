#include "app/watch/syslog_events.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

using Params = std::vector<std::pair<std::string, std::string>>;

// Each kind's text names the station's address and its MAC (last, where the text has two).
TEST(SyslogEvents, EachKindGivesItsIdSeverityAndStation) {
    const struct {
        EventEntry entry;
        const char* msgId;
        int severity;
        Params params;
    } cases[] = {
        {{"s", "New station", "192.168.0.7, hwaddr: 00-1B-21-3A-4F-10"},
         "new-station",
         SYSLOG_NOTICE,
         {{"ip", "192.168.0.7"}, {"mac", "00-1B-21-3A-4F-10"}}},
        {{"s", "New activity", "00-1B-21-3A-4F-10, ip: 192.168.0.9"},
         "new-activity",
         SYSLOG_NOTICE,
         {{"ip", "192.168.0.9"}, {"mac", "00-1B-21-3A-4F-10"}}},
        {{"s", "Changed ethernet address", "10.0.0.1 from 00-1B-21-3A-4F-10 to 02-00-00-00-00-0C"},
         "changed-ethernet-address",
         SYSLOG_WARNING,
         {{"ip", "10.0.0.1"}, {"mac", "02-00-00-00-00-0C"}}},
        {{"s", "Flip flop", "00-0C-29-3A-4B-5C takes other's IP: 10.0.0.1"},
         "flip-flop",
         SYSLOG_WARNING,
         {{"ip", "10.0.0.1"}, {"mac", "00-0C-29-3A-4B-5C"}}},
        {{"s", "Ethernet broadcast",
          "The source mac(FF-FF-FF-FF-FF-FF) or arp ethernet address(00-1B-21-3A-4F-10) was all "
          "ones or all zeros."},
         "ethernet-broadcast",
         SYSLOG_WARNING,
         {{"mac", "00-1B-21-3A-4F-10"}}},
        {{"s", "Network scanning",
          "Host 10.0.0.9 (MAC: 00-0C-29-3A-4B-5C) generated 101 requests."},
         "network-scanning",
         SYSLOG_WARNING,
         {{"ip", "10.0.0.9"}, {"mac", "00-0C-29-3A-4B-5C"}}},
        {{"s", "Something else", "no addresses"}, "", SYSLOG_NOTICE, {}},
    };
    const TDateTime when = encodeDateTime({2026, 12, 6, 18, 1, 52, 0});
    for (const auto& c : cases) {
        const SyslogRecord r = syslogRecordOf(c.entry, when, "sensor", "7");
        EXPECT_EQ(r.msgId, c.msgId) << c.entry.Type;
        EXPECT_EQ(r.severity, c.severity) << c.entry.Type;
        EXPECT_EQ(r.params, c.params) << c.entry.Type;
        EXPECT_EQ(r.message, c.entry.Type + ": " + c.entry.Details);
        EXPECT_EQ(r.timestamp, "2026-12-06T18:01:52.000+00:00");
        EXPECT_EQ(r.appName, "quorvane");
    }
}

} // namespace
} // namespace qv
