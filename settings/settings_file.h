#pragma once

#include <string>

#include "common/data_folder.h"
#include "settings/settings.h"

namespace qv {

inline constexpr const char* SETTINGS_FILE_NAME = "Quorvane.cfg";

// The position-keyed scrambling of Quorvane.cfg and its inverse.
void ScrambleSettings(SettingsImage& bytes);
void UnscrambleSettings(SettingsImage& bytes);

// Reads Quorvane.cfg into `record`. True when the file was read; false when it was missing, short
// or unreadable and the defaults were put into `record` instead. A longer file is read from its
// first 5744 bytes; its numbers are brought into the windows' ranges.
bool LoadSettings(Settings& record, const DataFolder& folder, const std::string& programFolder);

// Writes the scrambled record to a new file and renames it over Quorvane.cfg. False when the
// file could not be written; the old file is then left as it was.
bool SaveSettings(const Settings& record, const DataFolder& folder);

} // namespace qv
