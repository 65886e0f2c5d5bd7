#include "app/monitor.h"

#include "iptools/mailslot_client.h"
#include "settings/settings_file.h"

namespace qv {
Monitor::Monitor(const DataFolder& folder, const Clock& clock, EventListOwner& owner,
                 Presenters presenters, std::function<void()> refreshArpTable)
    : m_folder(folder), m_settings(defaultSettings("")),
      m_stations(std::make_unique<StationTable>()), m_liveLog(std::make_unique<ArpLogRing>()),
      m_csv(m_folder, m_settings), m_journal(m_folder, clock, owner),
      m_broadcasts(std::make_shared<NetbiosBroadcasts>()),
      m_sendJobs([broadcasts = m_broadcasts](const std::string& target, std::string_view recipient,
                                             std::string_view sender, std::string_view text) {
          return SendMessengerMessage(target, recipient, sender, text, broadcasts->get());
      }),
      m_notifier(m_settings, m_journal, presenters.balloon, presenters.sound, &m_sendJobs),
      m_detector(m_settings, *m_stations, *m_liveLog, m_csv, m_notifier, clock),
      m_scans(m_settings, *m_stations, *m_liveLog, m_notifier, clock, std::move(refreshArpTable)) {}

bool Monitor::loadSettings(const std::string& programFolder) {
    Settings record = zeroSettings();
    const bool read = LoadSettings(record, m_folder, programFolder);
    m_settings.assign(record);
    return read;
}

int Monitor::loadStations() {
    return m_stations->lock().loadStations(stationsPath());
}

bool Monitor::saveStations() {
    return m_stations->lock().saveStations(stationsPath());
}

bool Monitor::saveSettings() {
    return SaveSettings(m_settings.snapshot(), m_folder);
}

} // namespace qv
