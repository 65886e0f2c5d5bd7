#pragma once

#include <string>

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

} // namespace qv::test
