#pragma once

#include <string>
#include <vector>

namespace qv {

// The ready-made filter texts a selected event offers, in the order added: the current text
// (when not empty), the event's type, then each token of its details (a maximal run of 0-9, A-F,
// '-' and '.') that holds an IPv4 address, and each one that holds a hardware address. A text
// already in the list (letter case ignored, whole text) is not added again. `type` and `details`
// are left out when the event is not given (the whole selection was cleared).
std::vector<std::string> filterSuggestions(const std::string& current, const std::string* type,
                                           const std::string* details);

} // namespace qv
