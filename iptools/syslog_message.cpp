#include "iptools/syslog_message.h"

#include <algorithm>

namespace qv {
namespace {

std::string headerField(std::string_view text, std::size_t maximum) {
    if (text.empty()) {
        return "-";
    }
    std::string field(text.substr(0, maximum));
    std::replace_if(
        field.begin(), field.end(), [](char c) { return c < '!' || c > '~'; }, '_');
    return field;
}

std::string escapedValue(std::string_view value) {
    std::string escaped;
    for (char c : value) {
        if (c == '"' || c == '\\' || c == ']') {
            escaped += '\\';
        }
        escaped += c;
    }
    return escaped;
}

std::string structuredData(const SyslogRecord& record) {
    if (record.params.empty()) {
        return "-";
    }
    std::string data = std::string("[") + SYSLOG_SD_ID;
    for (const auto& [name, value] : record.params) {
        data += " " + headerField(name, 32) + "=\"" + escapedValue(value) + "\"";
    }
    return data + "]";
}

} // namespace

std::string formatSyslogMessage(const SyslogRecord& r) {
    const int priority = std::clamp(r.facility, 0, 23) * 8 + std::clamp(r.severity, 0, 7);
    std::string text = r.message;
    std::replace(text.begin(), text.end(), '\n', ' ');
    return "<" + std::to_string(priority) + ">1 " + headerField(r.timestamp, 64) + " " +
           headerField(r.hostname, 255) + " " + headerField(r.appName, 48) + " " +
           headerField(r.procId, 128) + " " + headerField(r.msgId, 32) + " " + structuredData(r) +
           (text.empty() ? "" : " " + text);
}

std::string octetCounted(std::string_view message) {
    return std::to_string(message.size()) + " " + std::string(message);
}

} // namespace qv
