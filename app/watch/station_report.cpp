#include "app/watch/station_report.h"

#include "common/text_scanners.h"
#include "iptools/station_info.h"

namespace qv {

int printStationInfo(const std::string& ip, const std::optional<std::string>& mac, std::FILE* out,
                     std::FILE* errors) {
    const InfoTarget target{FindIPInText(ip), ip, mac.value_or("")};
    if (target.address == ZERO_IP) {
        std::fprintf(errors, "quorvane-watch: --info needs an IPv4 address, not \"%s\"\n",
                     ip.c_str());
        return 2;
    }
    const auto immediate = immediateFields(target);
    const auto netbios = netbiosFields(target.address);
    const std::string texts[] = {
        immediate[0], immediate[1],
        immediate[2], reverseDnsName(target.address).value_or(NOT_DETECTED),
        netbios[0],   netbios[1]};
    for (std::size_t i = 0; i < INFO_CAPTIONS.size(); ++i) {
        std::fprintf(out, "%s: %s\n", INFO_CAPTIONS[i], texts[i].c_str());
    }
    return 0;
}

} // namespace qv
