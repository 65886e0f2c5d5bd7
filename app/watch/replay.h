#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "app/monitor.h"
#include "app/watch/run_result.h"
#include "common/clock.h"
#include "engine/pcap/capture_file.h"

namespace qv {

// Opens a capture for replay: nothing (with a message on `errors`) when it cannot be opened or is
// not Ethernet.
std::unique_ptr<CaptureFile> openCapture(const std::string& path, std::FILE* errors);

// Replays an opened capture through the capture walk and the detectors on capture time, writing a
// checkpoint of ipmac.dat when one is due. Status 0 when the whole file was read; 1 (with a
// message on `errors`) when it is damaged or cut short, in which case what was read has been
// processed.
RunResult replayCapture(CaptureFile& file, const std::string& path, Monitor& monitor,
                        ManualClock& clock, std::FILE* errors);

} // namespace qv
