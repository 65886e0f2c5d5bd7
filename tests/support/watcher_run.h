#pragma once

#include <string>
#include <string_view>

#include "tests/support/temp_folder.h"

namespace qv::test {

struct WatcherRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built quorvane-watch with `arguments` (shell words), in UTC and the C locale.
// `prefix` goes before the program: more variables, or a program that runs it (setpriv).
WatcherRun runWatcher(const std::string& arguments, const std::string& prefix = "");

// The address an event's details name, as the event carries it: the first IPv4 address, else the
// first IPv6 one; empty when none.
std::string eventAddressText(std::string_view details);

} // namespace qv::test
