#include "tests/support/tshark_ndp.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "tests/support/netns.h"
#include "tests/support/temp_folder.h"

namespace qv::test {

const char* const TSHARK_NDP_FILTER =
    "icmpv6.type>=133 && icmpv6.type<=136 && icmpv6.code==0 && ipv6.hlim==255 && "
    "icmpv6.checksum.status==1 && eth.type==0x86dd && ipv6.nxt==58";

std::vector<std::string> tsharkNdpLines(const std::filesystem::path& capture,
                                        const std::filesystem::path& out) {
    if (shell("tshark -r '" + capture.string() + "' -Y '" + TSHARK_NDP_FILTER +
              "' -T fields -E separator=';' -e icmpv6.type -e ipv6.src "
              "-e icmpv6.opt.src_linkaddr -e eth.src "
              "-e icmpv6.nd.ns.target_address -e icmpv6.nd.na.target_address "
              "-e icmpv6.opt.target_linkaddr >'" +
              out.string() + "' 2>/dev/null") != 0) {
        return {"tshark could not read " + capture.string()};
    }
    const auto mac = [](std::string text) {
        std::replace(text.begin(), text.end(), ':', '-');
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        return text;
    };
    std::vector<std::string> lines;
    std::istringstream in(readText(out));
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, ';');) {
            f.push_back(field);
        }
        f.resize(7);
        const int type = std::stoi(f[0]);
        const char* operation = type == 133   ? "router solicitation"
                                : type == 134 ? "router advertisement"
                                : type == 135 ? "solicitation"
                                              : "advertisement";
        lines.push_back(std::string(operation) + ";" + f[1] + ";" +
                        mac(f[2].empty() ? f[3] : f[2]) + ";" + f[4] + f[5] + ";" +
                        (type == 136 ? mac(f[6]) : ""));
    }
    return lines;
}

std::vector<std::string> ndpCsvLines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> lines;
    std::string line;
    std::getline(in, line); // the header
    while (std::getline(in, line)) {
        line.erase(line.find_last_not_of('\r') + 1);
        lines.push_back(line.substr(line.find(';') + 1));
    }
    return lines;
}

} // namespace qv::test
