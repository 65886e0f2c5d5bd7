#pragma once

#include <cstdio>
#include <string>

#include "app/monitor.h"
#include "common/clock.h"

namespace qv {

// Replays a capture file through the capture walk and the detectors on capture time. 0 when the
// whole file was read; 1 (with a message on `errors`) when it could not be opened, is not
// Ethernet, or is damaged or cut short, in which case what was read has been processed.
int replayCapture(const std::string& path, Monitor& monitor, ManualClock& clock, std::FILE* errors);

} // namespace qv
