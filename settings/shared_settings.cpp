#include "settings/shared_settings.h"

namespace qv {
namespace {

template <typename T>
void storeWhole(T& target, T value) {
    std::atomic_ref<T>(target).store(value, std::memory_order_relaxed);
}

} // namespace

Settings SharedSettings::snapshot() const {
    std::lock_guard lock(m_guard);
    return m_record;
}

void SharedSettings::assign(const Settings& record) {
    std::lock_guard lock(m_guard);
    storeLocked(record);
}

void SharedSettings::update(const std::function<void(Settings&)>& change) {
    std::lock_guard lock(m_guard);
    Settings copy = m_record;
    change(copy);
    storeLocked(copy);
}

std::string SharedSettings::text(TextField Settings::*field) const {
    std::lock_guard lock(m_guard);
    return fieldText(m_record.*field);
}

void SharedSettings::setFlag(std::uint8_t Settings::*field, bool on) {
    std::lock_guard lock(m_guard);
    storeWhole<std::uint8_t>(m_record.*field, on ? 1 : 0);
}

void SharedSettings::setNumber(std::int32_t Settings::*field, std::int32_t value) {
    std::lock_guard lock(m_guard);
    storeWhole(m_record.*field, value);
}

void SharedSettings::setText(TextField Settings::*field, const std::string& text) {
    std::lock_guard lock(m_guard);
    setFieldText(m_record.*field, text);
}

// Fields that readers take without the guard are stored one whole value at a time; everything
// else is read only under the guard and is copied plainly.
void SharedSettings::storeLocked(const Settings& r) {
    Settings& m = m_record;
    m.AdapterNames = r.AdapterNames;
    m.SoundFile = r.SoundFile;
    m.ComputerList = r.ComputerList;
    m.Reserved1 = r.Reserved1;
    m.IgnoreList = r.IgnoreList;
    m.Reserved2 = r.Reserved2;
    for (auto field : {&Settings::DetectNetworkScanning, &Settings::DetectChangedEthernetAddress,
                       &Settings::DetectReusedOldEthernetAddress, &Settings::DetectFlipFlop,
                       &Settings::DetectNewActivity, &Settings::DetectNewStation,
                       &Settings::DetectEthernetBroadcast, &Settings::DetectEthernetMismatch,
                       &Settings::NotifyBalloon, &Settings::NotifySound,
                       &Settings::NotifySendMessage, &Settings::IPMACMultipleView,
                       &Settings::ARPLogSimpleView, &Settings::ARPLogSizeLimited}) {
        storeWhole(m.*field, r.*field);
    }
    for (auto field : {&Settings::AdapterCount, &Settings::ScanInterval, &Settings::ScanRequests,
                       &Settings::IgnoreCount, &Settings::ARPLogSizeMB}) {
        storeWhole(m.*field, r.*field);
    }
}

} // namespace qv
