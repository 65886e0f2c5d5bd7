// Fuzzes the load of Quorvane.cfg from whatever bytes the file holds. Beyond "no crash": every
// number comes out within the windows' ranges, every text ends within its field, and the record
// saved and loaded again is the same record.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "settings/settings_file.h"

namespace {

using namespace qv;

bool textsEnd(const Settings& s) {
    const auto ends = [](const TextField& f) {
        return std::find(f.begin(), f.end(), '\0') != f.end();
    };
    return std::all_of(s.AdapterNames.begin(), s.AdapterNames.end(), ends) && ends(s.SoundFile) &&
           ends(s.ComputerList);
}

bool inRange(const Settings& s) {
    return s.AdapterCount >= 0 && s.AdapterCount <= MAX_ADAPTERS && s.IgnoreCount >= 0 &&
           s.IgnoreCount <= MAX_IGNORED && s.ScanInterval >= 1 &&
           s.ScanInterval <= MAX_SCAN_INTERVAL && s.ScanRequests >= 1 &&
           s.ScanRequests <= MAX_SCAN_REQUESTS && s.ARPLogSizeMB >= 0 &&
           s.ARPLogSizeMB <= MAX_ARP_LOG_SIZE_MB;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    bool outOfRange = false;
    const auto record = parseSettingsFile(std::span(data, size), &outOfRange);
    if (!record) {
        if (size >= SETTINGS_SIZE) {
            std::abort();
        }
        return 0;
    }
    if (!inRange(*record) || !textsEnd(*record)) {
        std::abort();
    }
    SettingsImage saved = encodeSettings(*record);
    ScrambleSettings(saved);
    bool again = true;
    const auto reloaded = parseSettingsFile(saved, &again);
    if (!reloaded || again || encodeSettings(*reloaded) != encodeSettings(*record)) {
        std::abort();
    }
    return 0;
}
