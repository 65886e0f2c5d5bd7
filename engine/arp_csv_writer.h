#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/data_folder.h"
#include "settings/shared_settings.h"

namespace qv {

inline constexpr const char* ARP_CSV_FILE_NAME = "ARP.csv";
inline constexpr const char* ARP_BACKUP_FILE_NAME = "ARP.bak";
inline constexpr const char* ARP_CSV_HEADER =
    "Date/Time;Type;Sender IP;Sender MAC;Target IP;Target MAC";
inline constexpr const char* NDP_CSV_FILE_NAME = "NDP.csv";
inline constexpr const char* NDP_BACKUP_FILE_NAME = "NDP.bak";

// The log file of a family's frames, its backup and the header line a new file starts with.
struct FrameLogFiles {
    const char* name;
    const char* backup;
    const char* header;
};

inline constexpr FrameLogFiles ARP_CSV_FILES{ARP_CSV_FILE_NAME, ARP_BACKUP_FILE_NAME,
                                             ARP_CSV_HEADER};
// Neighbour discovery frames, in ARP.csv's form, under the same size setting.
inline constexpr FrameLogFiles NDP_CSV_FILES{NDP_CSV_FILE_NAME, NDP_BACKUP_FILE_NAME,
                                             ARP_CSV_HEADER};

// Half of the megabytes set by the user, in bytes; computed in 64 bits so that the whole range
// of the setting (and any value a damaged file holds) is exact. A negative setting counts as 0.
std::int64_t arpCsvSizeLimit(std::int32_t megabytes);

// The lines of ARP.csv that one walk of a read buffer produced, each ending with its CR LF, kept
// in one text to be written in one go.
class ArpCsvBatch {
public:
    // The text of a line is appended to `text()` by the caller; this marks where it ends.
    std::string& text() { return m_text; }
    void endLine() { m_ends.push_back(m_text.size()); }
    void clear() {
        m_text.clear();
        m_ends.clear();
    }
    bool empty() const { return m_ends.empty(); }
    std::size_t lines() const { return m_ends.size(); }
    std::string_view line(std::size_t i) const {
        const std::size_t start = i == 0 ? 0 : m_ends[i - 1];
        return std::string_view(m_text).substr(start, m_ends[i] - start);
    }

private:
    std::string m_text;
    std::vector<std::size_t> m_ends;
};

// Appends the lines of ARP.csv: one line, or the lines of a batch, per open, write and close; no
// handle stays open between them. Appends are serialised across the capture threads, so no line
// is lost to another append and no two rotations run at once. Failures are silent: lines that
// cannot be written are dropped.
class ArpCsvWriter {
public:
    ArpCsvWriter(const DataFolder& folder, const SharedSettings& settings,
                 FrameLogFiles files = ARP_CSV_FILES);

    // `line` ends with its CR LF. With the size limit on, a file larger than the limit is first
    // moved to ARP.bak (replacing an older backup) and a new file started with the header.
    void appendArpCsv(std::string_view line);
    // The batch's lines in one open, write and close, the size limit and the move to ARP.bak
    // applied before each line exactly as one-line appends would apply them: the files end up
    // byte for byte the same. The settings are read once for the batch.
    void appendArpCsv(const ArpCsvBatch& batch);

private:
    // The open file, its size and the text waiting to be written to it.
    struct Target;
    bool open(Target& target);
    void rotateIfFull(Target& target, std::int64_t limit);
    DataFolder m_folder;
    const SharedSettings& m_settings;
    FrameLogFiles m_files;
    std::mutex m_serial;
};

} // namespace qv
