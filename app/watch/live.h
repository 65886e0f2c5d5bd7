#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "app/monitor.h"
#include "app/watch/run_result.h"

namespace qv {

inline constexpr const char* DRIVER_MISSING_MESSAGE =
    "WinPCAP not installed, or installed older version. Do you want to download WinPCAP?";

// Captures live until SIGINT or SIGTERM, running the scan pass once a second on the monitor's
// clock and writing a checkpoint of ipmac.dat when one is due. On the named adapters, or, with
// none named, on those selected in the settings (every adapter when the settings were not read).
// The packet library must be bound. Status 0 after a signal; 1, and nothing captured, when no
// adapter could be opened. SIGINT and SIGTERM are blocked in the calling thread (and so in the
// capture threads it starts), so that the loop can wait for them.
RunResult watchLive(const std::vector<std::string>& interfaces, Monitor& monitor, bool settingsRead,
                    std::FILE* errors);

// Blocks SIGINT and SIGTERM in the calling thread and in the threads it starts afterwards, so
// that the main loop can wait for them.
void blockStopSignals();

} // namespace qv
