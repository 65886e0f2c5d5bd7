#include "settings/settings_file.h"

#include <algorithm>
#include <cstring>

#include "common/file_io.h"

namespace qv {
namespace {

constexpr std::uint8_t LENGTH_LOW_BYTE = SETTINGS_SIZE & 0xFF;

std::uint8_t rotateLeft(std::uint8_t value, unsigned bits) {
    return static_cast<std::uint8_t>((value << bits) | (value >> (8 - bits)));
}

std::uint8_t rotateRight(std::uint8_t value, unsigned bits) {
    return static_cast<std::uint8_t>((value >> bits) | (value << (8 - bits)));
}

// Runs 1, 5, 2, 6, 3, 7, 4 and repeats every seven bytes.
unsigned rotation(std::size_t i) {
    return static_cast<unsigned>((i * 11) % 7) + 1;
}

std::uint8_t positionKey(std::size_t i) {
    return static_cast<std::uint8_t>((i ^ SETTINGS_SIZE) & 0xFF);
}

} // namespace

static_assert(LENGTH_LOW_BYTE == 0x70);

void ScrambleSettings(SettingsImage& b) {
    for (std::size_t i = 0; i + 1 < b.size(); ++i) {
        const auto x = static_cast<std::uint8_t>(b[i] ^ positionKey(i) ^ b[i + 1]);
        b[i] = rotateLeft(x, rotation(i));
    }
    b.back() ^= 0xFF;
}

void UnscrambleSettings(SettingsImage& b) {
    b.back() ^= 0xFF;
    for (std::size_t i = b.size() - 1; i-- > 0;) {
        const std::uint8_t x = rotateRight(b[i], rotation(i)) ^ b[i + 1];
        b[i] = static_cast<std::uint8_t>(x ^ positionKey(i));
    }
}

std::optional<Settings> parseSettingsFile(std::span<const std::uint8_t> bytes, bool* outOfRange) {
    if (bytes.size() < SETTINGS_SIZE) {
        return std::nullopt;
    }
    SettingsImage image;
    std::copy_n(bytes.begin(), SETTINGS_SIZE, image.begin());
    UnscrambleSettings(image);
    Settings record = decodeSettings(image);
    const bool clamped = clampNumbers(record);
    if (outOfRange != nullptr) {
        *outOfRange = clamped;
    }
    return record;
}

bool LoadSettings(Settings& record, const DataFolder& folder, const std::string& programFolder,
                  bool* outOfRange) {
    const auto bytes = readFilePrefix(folder.DataFilePath(SETTINGS_FILE_NAME), SETTINGS_SIZE);
    const auto read = bytes ? parseSettingsFile(*bytes, outOfRange) : std::nullopt;
    if (!read) {
        SetDefaultSettings(record, programFolder);
        return false;
    }
    record = *read;
    return true;
}

bool SaveSettings(const Settings& record, const DataFolder& folder) {
    SettingsImage image = encodeSettings(record);
    ScrambleSettings(image);
    return replaceFileContents(folder.DataFilePath(SETTINGS_FILE_NAME), image);
}

} // namespace qv
