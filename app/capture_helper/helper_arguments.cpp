#include "app/capture_helper/helper_arguments.h"

#include <algorithm>

namespace qv {
namespace {

constexpr std::size_t MAX_INTERFACE_NAME = 15;

bool allowedCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-' || c == '@' || c == ':';
}

} // namespace

std::optional<std::string> parseHelperArguments(const std::vector<std::string>& arguments,
                                                std::string& error) {
    if (arguments.size() != 1) {
        error = "one argument expected: the adapter to capture on";
        return std::nullopt;
    }
    const std::string& name = arguments[0];
    if (name.empty() || name.size() > MAX_INTERFACE_NAME || name.front() == '-' || name == "." ||
        name == ".." || !std::all_of(name.begin(), name.end(), allowedCharacter)) {
        error = "not an adapter name";
        return std::nullopt;
    }
    return name;
}

} // namespace qv
