#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "common/data_folder.h"
#include "settings/shared_settings.h"

namespace qv {

inline constexpr const char* ARP_CSV_FILE_NAME = "ARP.csv";
inline constexpr const char* ARP_BACKUP_FILE_NAME = "ARP.bak";
inline constexpr const char* ARP_CSV_HEADER =
    "Date/Time;Type;Sender IP;Sender MAC;Target IP;Target MAC";

// Half of the megabytes set by the user, in bytes; computed in 64 bits so that the whole range
// of the setting (and any value a damaged file holds) is exact. A negative setting counts as 0.
std::int64_t arpCsvSizeLimit(std::int32_t megabytes);

// Appends the lines of ARP.csv, one open, write and close per line. Appends are serialised across
// the capture threads, so no line is lost to another append and no two rotations run at once.
// Failures are silent: a line that cannot be written is dropped.
class ArpCsvWriter {
public:
    ArpCsvWriter(const DataFolder& folder, const SharedSettings& settings);

    // `line` ends with its CR LF. With the size limit on, a file larger than the limit is first
    // moved to ARP.bak (replacing an older backup) and a new file started with the header.
    void appendArpCsv(std::string_view line);

private:
    DataFolder m_folder;
    const SharedSettings& m_settings;
    std::mutex m_serial;
};

} // namespace qv
