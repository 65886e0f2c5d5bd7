#include "app/watch/station_report.h"

#include "common/text_scanners.h"
#include "iptools/station_info.h"

namespace qv {

int printStationInfo(const std::string& ip, const std::optional<std::string>& mac, std::FILE* out,
                     std::FILE* errors) {
    const auto ipv6 = IPv6FromText(ip);
    const IPv4Address ipv4 = FindIPInText(ip);
    const InfoTarget target{ipv6 ? IPAddress(*ipv6) : IPAddress(ipv4), ip, mac.value_or("")};
    if (ipv4 == ZERO_IP && !ipv6) {
        std::fprintf(errors, "quorvane-watch: --info needs an IPv4 or IPv6 address, not \"%s\"\n",
                     ip.c_str());
        return 2;
    }
    const auto immediate = immediateFields(target);
    // NetBIOS names are asked for over IPv4 only.
    const auto netbios =
        ipv6 ? std::array<std::string, 2>{NOT_DETECTED, NOT_DETECTED} : netbiosFields(ipv4);
    const auto name = ipv6 ? reverseDnsName(*ipv6) : reverseDnsName(ipv4);
    const std::string texts[] = {immediate[0], immediate[1],
                                 immediate[2], name.value_or(NOT_DETECTED),
                                 netbios[0],   netbios[1]};
    for (std::size_t i = 0; i < INFO_CAPTIONS.size(); ++i) {
        std::fprintf(out, "%s: %s\n", INFO_CAPTIONS[i], texts[i].c_str());
    }
    return 0;
}

} // namespace qv
