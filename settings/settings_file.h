#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/data_folder.h"
#include "settings/settings.h"

namespace qv {

inline constexpr const char* SETTINGS_FILE_NAME = "Quorvane.cfg";

// The position-keyed scrambling of Quorvane.cfg and its inverse.
void ScrambleSettings(SettingsImage& bytes);
void UnscrambleSettings(SettingsImage& bytes);

// The record a file's bytes hold: nothing when they are fewer than 5744; a longer file is read
// from its first 5744 bytes. Its numbers are brought into the windows' ranges; `outOfRange`, when
// given, tells whether one had to be.
std::optional<Settings> parseSettingsFile(std::span<const std::uint8_t> bytes,
                                          bool* outOfRange = nullptr);

// Reads Quorvane.cfg into `record`. True when the file was read; false when it was missing, short
// or unreadable and the defaults were put into `record` instead.
bool LoadSettings(Settings& record, const DataFolder& folder, const std::string& programFolder,
                  bool* outOfRange = nullptr);

// Writes the scrambled record to a new file and renames it over Quorvane.cfg. False when the
// file could not be written; the old file is then left as it was.
[[nodiscard]] bool SaveSettings(const Settings& record, const DataFolder& folder);

} // namespace qv
