#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace qv {

// Prints the six fields of the station information window, one per line ("DNS Name: host"), as
// the window shows them when its lookups have ended. 0, or 2 when `ip` holds no IPv4 address.
int printStationInfo(const std::string& ip, const std::optional<std::string>& mac, std::FILE* out,
                     std::FILE* errors);

} // namespace qv
