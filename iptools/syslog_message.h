#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qv {

// The syslog facility the events go under: security/authorization messages.
inline constexpr int SYSLOG_FACILITY_AUTH = 4;
inline constexpr int SYSLOG_WARNING = 4;
inline constexpr int SYSLOG_NOTICE = 5;

// Quorvane's structured-data element. 32473 is the enterprise number set aside for examples
// (RFC 5612): a collector filters on the element's name and parameters, not on the number.
inline constexpr const char* SYSLOG_SD_ID = "quorvane@32473";

// One RFC 5424 message. Empty header fields go out as the nil value "-".
struct SyslogRecord {
    int facility = SYSLOG_FACILITY_AUTH;
    int severity = SYSLOG_NOTICE;
    std::string timestamp; // RFC 3339
    std::string hostname;
    std::string appName;
    std::string procId;
    std::string msgId;
    std::vector<std::pair<std::string, std::string>> params; // of SYSLOG_SD_ID; none: no element
    std::string message;
};

// The message without framing: header fields are cut to their lengths and anything but printable
// US-ASCII in them becomes "_"; parameter values escape '"', '\' and ']'; the text's line feeds
// become blanks, as in the journal.
std::string formatSyslogMessage(const SyslogRecord& record);

// TCP framing by octet counting (RFC 6587): the length in bytes, a blank, the message.
std::string octetCounted(std::string_view message);

} // namespace qv
