#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace qv {

inline constexpr int MAX_ADAPTERS = 16;
inline constexpr int MAX_IGNORED = 256;
inline constexpr std::size_t TEXT_FIELD_SIZE = 260;
// The ranges the windows allow for the numbers.
inline constexpr int MAX_SCAN_INTERVAL = 200;
inline constexpr int MAX_SCAN_REQUESTS = 2000;
inline constexpr int MAX_ARP_LOG_SIZE_MB = 32767;
inline constexpr std::size_t SETTINGS_SIZE = 5744;

using TextField = std::array<char, TEXT_FIELD_SIZE>;
using SettingsImage = std::array<std::uint8_t, SETTINGS_SIZE>;

// The one configuration record, laid out exactly as Quorvane.cfg stores it (before scrambling):
// integers 32-bit signed little-endian, flags one byte (0 off, anything else on), texts fixed
// 260-byte fields ending in a zero byte. The field names are the record's own.
struct Settings {
    std::array<TextField, MAX_ADAPTERS> AdapterNames;
    std::int32_t AdapterCount;
    std::uint8_t DetectNetworkScanning;
    std::uint8_t DetectChangedEthernetAddress;
    std::uint8_t DetectReusedOldEthernetAddress;
    std::uint8_t DetectFlipFlop;
    std::uint8_t DetectNewActivity;
    std::uint8_t DetectNewStation;
    std::uint8_t DetectEthernetBroadcast;
    std::uint8_t DetectEthernetMismatch;
    std::uint8_t NotifyBalloon;
    std::uint8_t NotifySound;
    TextField SoundFile;
    std::uint8_t NotifySendMessage;
    TextField ComputerList;
    std::uint8_t IPMACMultipleView;
    std::uint8_t ARPLogSimpleView;
    std::array<std::uint8_t, 3> Reserved1;
    std::int32_t ScanInterval;
    std::int32_t ScanRequests;
    std::int32_t IgnoreCount;
    std::array<std::array<std::uint8_t, 4>, MAX_IGNORED> IgnoreList;
    std::uint8_t ARPLogSizeLimited;
    std::array<std::uint8_t, 3> Reserved2;
    std::int32_t ARPLogSizeMB;
};

// A new record holds zero bytes everywhere; SetDefaultSettings then fills in the defaults.
Settings zeroSettings();

// A new record: zero bytes with the defaults filled in.
Settings defaultSettings(const std::string& programFolder);

// Fills the fields that have defaults; reserved bytes and the tails of text fields stay as they
// were. `programFolder` (with its trailing "/") is where the default sound file lives.
void SetDefaultSettings(Settings& record, const std::string& programFolder);

SettingsImage encodeSettings(const Settings& record);
// Every text field of the result ends within its 260 bytes: one without a zero byte is cut to 259.
Settings decodeSettings(std::span<const std::uint8_t, SETTINGS_SIZE> image);

// The text of a fixed field, up to its terminator.
std::string fieldText(const TextField& field);
// Stores `text` cut to 259 bytes at a character boundary, with its terminator; the bytes after
// the terminator are left as they were.
void setFieldText(TextField& field, const std::string& text);

// The counts as they may be used: a damaged file can hold any value.
int adapterCount(const Settings& record);
int ignoreCount(const Settings& record);

// Brings every number into the range the windows allow, so that a damaged or hand-made file
// cannot make a threshold negative or a count run past its table. True when one was changed.
bool clampNumbers(Settings& record);

} // namespace qv
