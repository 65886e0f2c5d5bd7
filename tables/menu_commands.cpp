#include "tables/menu_commands.h"

#include <algorithm>

#include "common/text_scanners.h"
#include "engine/ndp_record.h"

namespace qv {

MenuTarget eventTarget(const std::string& details) {
    const IPv4Address ip = FindIPInText(details);
    return {ip == ZERO_IP ? FindIPv6InText(details) : IPToText(ip), FindMACInText(details)};
}

MenuTarget packetTarget(const ArpLogEntry& entry) {
    if (entry.family == LogFamily::Ndp) {
        const NdpRecordView m(entry.frame);
        return {IPv6ToText(m.ip()), MACToText(m.mac())};
    }
    const ArpFrameView f(entry.frame);
    return {IPToText(f.senderIp()), MACToText(f.senderMac())};
}

MenuTarget stationTarget(const StationRecord& record) {
    return {IPToText(record.ip), MACToText(record.mac)};
}

MenuTarget stationTarget(const StationEntry& entry) {
    return std::visit(
        [](const auto& r) {
            return MenuTarget{addressText(r.ip), MACToText(r.mac)};
        },
        entry);
}

MenuTarget treeNodeTarget(const std::string& text, const std::optional<std::string>& parentText) {
    if (IPv6FromText(text)) {
        return {text, parentText.value_or("")};
    }
    const IPv4Address ip = FindIPInText(text);
    if (ip == ZERO_IP) {
        return {};
    }
    return {IPToText(ip), parentText.value_or("")};
}

std::string clipboardText(const std::vector<std::vector<std::string>>& rows) {
    std::string text;
    for (const auto& columns : rows) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            text += (c == 0 ? "" : "\t") + columns[c];
        }
        text += "\r\n";
    }
    return text;
}

IgnoreListAdd addToIgnoreList(Settings& record, const IPv4Address& address) {
    const int count = ignoreCount(record);
    const auto end = record.IgnoreList.begin() + count;
    if (std::find(record.IgnoreList.begin(), end, address) != end) {
        return IgnoreListAdd::AlreadyListed;
    }
    if (count >= MAX_IGNORED) {
        return IgnoreListAdd::Full;
    }
    record.IgnoreList[static_cast<std::size_t>(count)] = address;
    record.IgnoreCount = count + 1;
    return IgnoreListAdd::Added;
}

} // namespace qv
