#include "settings/settings.h"

#include <algorithm>
#include <cstring>

#include "common/byte_order.h"
#include "common/text_fields.h"

namespace qv {

// The struct is the file's layout with natural alignment and no padding; the encoder below
// still writes every field by its offset.
static_assert(sizeof(Settings) == SETTINGS_SIZE);
static_assert(offsetof(Settings, AdapterNames) == 0);
static_assert(offsetof(Settings, AdapterCount) == 4160);
static_assert(offsetof(Settings, DetectNetworkScanning) == 4164);
static_assert(offsetof(Settings, DetectChangedEthernetAddress) == 4165);
static_assert(offsetof(Settings, DetectReusedOldEthernetAddress) == 4166);
static_assert(offsetof(Settings, DetectFlipFlop) == 4167);
static_assert(offsetof(Settings, DetectNewActivity) == 4168);
static_assert(offsetof(Settings, DetectNewStation) == 4169);
static_assert(offsetof(Settings, DetectEthernetBroadcast) == 4170);
static_assert(offsetof(Settings, DetectEthernetMismatch) == 4171);
static_assert(offsetof(Settings, NotifyBalloon) == 4172);
static_assert(offsetof(Settings, NotifySound) == 4173);
static_assert(offsetof(Settings, SoundFile) == 4174);
static_assert(offsetof(Settings, NotifySendMessage) == 4434);
static_assert(offsetof(Settings, ComputerList) == 4435);
static_assert(offsetof(Settings, IPMACMultipleView) == 4695);
static_assert(offsetof(Settings, ARPLogSimpleView) == 4696);
static_assert(offsetof(Settings, Reserved1) == 4697);
static_assert(offsetof(Settings, ScanInterval) == 4700);
static_assert(offsetof(Settings, ScanRequests) == 4704);
static_assert(offsetof(Settings, IgnoreCount) == 4708);
static_assert(offsetof(Settings, IgnoreList) == 4712);
static_assert(offsetof(Settings, ARPLogSizeLimited) == 5736);
static_assert(offsetof(Settings, Reserved2) == 5737);
static_assert(offsetof(Settings, ARPLogSizeMB) == 5740);

namespace {

template <typename Field>
void putBytes(SettingsImage& image, std::size_t offset, const Field& field) {
    std::memcpy(image.data() + offset, field.data(), field.size());
}

template <typename Field>
void getBytes(std::span<const std::uint8_t, SETTINGS_SIZE> image, std::size_t offset,
              Field& field) {
    std::memcpy(field.data(), image.data() + offset, field.size());
}

void terminate(TextField& field) {
    if (std::find(field.begin(), field.end(), '\0') == field.end()) {
        field[TEXT_FIELD_SIZE - 1] = '\0';
    }
}

// The ten one-byte fields from offset 4164 on, in record order; all of them default to on.
constexpr std::uint8_t Settings::*LEADING_FLAGS[] = {&Settings::DetectNetworkScanning,
                                                     &Settings::DetectChangedEthernetAddress,
                                                     &Settings::DetectReusedOldEthernetAddress,
                                                     &Settings::DetectFlipFlop,
                                                     &Settings::DetectNewActivity,
                                                     &Settings::DetectNewStation,
                                                     &Settings::DetectEthernetBroadcast,
                                                     &Settings::DetectEthernetMismatch,
                                                     &Settings::NotifyBalloon,
                                                     &Settings::NotifySound};
constexpr std::size_t LEADING_FLAGS_OFFSET = 4164;

} // namespace

Settings zeroSettings() {
    Settings record;
    std::memset(&record, 0, sizeof record);
    return record;
}

Settings defaultSettings(const std::string& programFolder) {
    Settings record = zeroSettings();
    SetDefaultSettings(record, programFolder);
    return record;
}

void SetDefaultSettings(Settings& r, const std::string& programFolder) {
    for (auto& name : r.AdapterNames) {
        name[0] = '\0';
    }
    r.AdapterCount = 0;
    for (auto flag : LEADING_FLAGS) {
        r.*flag = 1;
    }
    setFieldText(r.SoundFile, programFolder + "event.wav");
    r.NotifySendMessage = 0;
    setFieldText(r.ComputerList, "COMPUTER1;COMPUTER2;COMPUTER3");
    r.IPMACMultipleView = 0;
    r.ARPLogSimpleView = 1;
    r.ScanInterval = 20;
    r.ScanRequests = 100;
    r.IgnoreCount = 0;
    for (auto& address : r.IgnoreList) {
        address = {};
    }
    r.ARPLogSizeLimited = 1;
    r.ARPLogSizeMB = 50;
}

SettingsImage encodeSettings(const Settings& r) {
    SettingsImage image{};
    for (std::size_t i = 0; i < r.AdapterNames.size(); ++i) {
        putBytes(image, i * TEXT_FIELD_SIZE, r.AdapterNames[i]);
    }
    storeLeI32(&image[4160], r.AdapterCount);
    for (std::size_t i = 0; i < std::size(LEADING_FLAGS); ++i) {
        image[LEADING_FLAGS_OFFSET + i] = r.*LEADING_FLAGS[i];
    }
    putBytes(image, 4174, r.SoundFile);
    image[4434] = r.NotifySendMessage;
    putBytes(image, 4435, r.ComputerList);
    image[4695] = r.IPMACMultipleView;
    image[4696] = r.ARPLogSimpleView;
    putBytes(image, 4697, r.Reserved1);
    storeLeI32(&image[4700], r.ScanInterval);
    storeLeI32(&image[4704], r.ScanRequests);
    storeLeI32(&image[4708], r.IgnoreCount);
    for (std::size_t i = 0; i < r.IgnoreList.size(); ++i) {
        putBytes(image, 4712 + i * 4, r.IgnoreList[i]);
    }
    image[5736] = r.ARPLogSizeLimited;
    putBytes(image, 5737, r.Reserved2);
    storeLeI32(&image[5740], r.ARPLogSizeMB);
    return image;
}

Settings decodeSettings(std::span<const std::uint8_t, SETTINGS_SIZE> image) {
    Settings r = zeroSettings();
    for (std::size_t i = 0; i < r.AdapterNames.size(); ++i) {
        getBytes(image, i * TEXT_FIELD_SIZE, r.AdapterNames[i]);
        terminate(r.AdapterNames[i]);
    }
    r.AdapterCount = loadLeI32(&image[4160]);
    for (std::size_t i = 0; i < std::size(LEADING_FLAGS); ++i) {
        r.*LEADING_FLAGS[i] = image[LEADING_FLAGS_OFFSET + i];
    }
    getBytes(image, 4174, r.SoundFile);
    terminate(r.SoundFile);
    r.NotifySendMessage = image[4434];
    getBytes(image, 4435, r.ComputerList);
    terminate(r.ComputerList);
    r.IPMACMultipleView = image[4695];
    r.ARPLogSimpleView = image[4696];
    getBytes(image, 4697, r.Reserved1);
    r.ScanInterval = loadLeI32(&image[4700]);
    r.ScanRequests = loadLeI32(&image[4704]);
    r.IgnoreCount = loadLeI32(&image[4708]);
    for (std::size_t i = 0; i < r.IgnoreList.size(); ++i) {
        getBytes(image, 4712 + i * 4, r.IgnoreList[i]);
    }
    r.ARPLogSizeLimited = image[5736];
    getBytes(image, 5737, r.Reserved2);
    r.ARPLogSizeMB = loadLeI32(&image[5740]);
    return r;
}

std::string fieldText(const TextField& field) {
    const auto end = std::find(field.begin(), field.end(), '\0');
    return std::string(field.begin(), end);
}

void setFieldText(TextField& field, const std::string& text) {
    const std::string_view kept = cutAtCharBoundary(text, TEXT_FIELD_SIZE - 1);
    std::memcpy(field.data(), kept.data(), kept.size());
    field[kept.size()] = '\0';
}

int adapterCount(const Settings& record) {
    return std::clamp(record.AdapterCount, 0, MAX_ADAPTERS);
}

int ignoreCount(const Settings& record) {
    return std::clamp(record.IgnoreCount, 0, MAX_IGNORED);
}

bool clampNumbers(Settings& record) {
    bool changed = false;
    const auto clamp = [&changed](std::int32_t& number, int low, int high) {
        const std::int32_t kept = std::clamp(number, low, high);
        changed = changed || kept != number;
        number = kept;
    };
    clamp(record.AdapterCount, 0, MAX_ADAPTERS);
    clamp(record.IgnoreCount, 0, MAX_IGNORED);
    clamp(record.ScanInterval, 1, MAX_SCAN_INTERVAL);
    clamp(record.ScanRequests, 1, MAX_SCAN_REQUESTS);
    clamp(record.ARPLogSizeMB, 0, MAX_ARP_LOG_SIZE_MB);
    return changed;
}

} // namespace qv
