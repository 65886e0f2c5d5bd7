#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qv {

inline constexpr const char* CAPTURE_HELPER_USAGE = "usage: quorvane-capture ADAPTER\n";

// The adapter named by the helper's only argument, or nothing (with `error` set). The name must
// be an interface name the kernel could hold: 1 to 15 bytes of letters, digits and . _ - @ :,
// not starting with '-' and not "." or "..".
std::optional<std::string> parseHelperArguments(const std::vector<std::string>& arguments,
                                                std::string& error);

} // namespace qv
