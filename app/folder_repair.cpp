#include "app/folder_repair.h"

#include "common/file_io.h"
#include "engine/arp_csv_writer.h"
#include "engine/station_table.h"
#include "events/event_journal.h"
#include "settings/settings_file.h"

namespace qv {

std::vector<std::string> repairDataFolder(const DataFolder& folder) {
    for (const char* file :
         {STATION_FILE_NAME, STATION6_FILE_NAME, SETTINGS_FILE_NAME, EVENTS_FILE_NAME}) {
        removeTemporaryOf(folder.DataFilePath(file));
    }
    std::vector<std::string> notes;
    for (const char* file : {ARP_CSV_FILE_NAME, NDP_CSV_FILE_NAME, EVENTS_FILE_NAME}) {
        const std::string path = folder.DataFilePath(file);
        if (const auto kept = cutPartialLastLine(path)) {
            notes.push_back(path + " ended in a line cut short; it was moved to " + *kept);
        }
    }
    return notes;
}

} // namespace qv
