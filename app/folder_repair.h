#pragma once

#include <string>
#include <vector>

#include "common/data_folder.h"

namespace qv {

// Mends what a stop by a kill or a power cut can leave in the data folder before the folder is
// used again: the new file of a save that never got renamed, and a last line cut short in ARP.csv
// or Events.csv, which goes to a file of its own. Returns what the user should hear of, one text
// per file mended.
std::vector<std::string> repairDataFolder(const DataFolder& folder);

} // namespace qv
