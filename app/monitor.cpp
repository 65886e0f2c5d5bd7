#include "app/monitor.h"

#include <cerrno>
#include <cstring>

#include "common/byte_order.h"
#include "common/file_io.h"
#include "iptools/mailslot_client.h"
#include "settings/settings_file.h"

namespace qv {
namespace {

// Right after the failed write, while errno still says why.
void addWriteFailure(std::string& note, const std::string& path) {
    const std::string why = std::strerror(errno);
    note += (note.empty() ? "" : "; ") + std::string("cannot write ") + path + ": " + why;
}

} // namespace

Monitor::Monitor(const DataFolder& folder, const Clock& clock, EventListOwner& owner,
                 Presenters presenters)
    : m_folder(folder), m_settings(defaultSettings("")),
      m_stations(std::make_unique<StationTable>()), m_liveLog(std::make_unique<ArpLogRing>()),
      m_csv(m_folder, m_settings), m_journal(m_folder, clock, owner),
      m_broadcasts(std::make_shared<NetbiosBroadcasts>()),
      m_sendJobs([broadcasts = m_broadcasts](const std::string& target, std::string_view recipient,
                                             std::string_view sender, std::string_view text) {
          return SendMessengerMessage(target, recipient, sender, text, broadcasts->get());
      }),
      m_notifier(m_settings, m_journal, clock,
                 {presenters.balloon, presenters.sound, &m_sendJobs, std::move(presenters.more)}),
      m_detector(m_settings, *m_stations, *m_liveLog, m_csv, m_notifier, clock),
      m_scans(m_settings, *m_stations, *m_liveLog, m_notifier, clock, m_detector.adapterNames()),
      m_settingsFile(m_folder.DataFilePath(SETTINGS_FILE_NAME), SETTINGS_SIZE),
      m_stationsFile(m_folder.DataFilePath(STATION_FILE_NAME), STATION_FILE_SIZE) {}

bool Monitor::loadSettings(const std::string& programFolder) {
    m_settingsFile.examine();
    Settings record = zeroSettings();
    bool outOfRange = false;
    const bool read = LoadSettings(record, m_folder, programFolder, &outOfRange);
    if (outOfRange) {
        m_settingsFile.markDamaged();
    }
    m_settings.assign(record);
    return read;
}

int Monitor::loadStations() {
    m_stationsFile.examine();
    const std::string path = stationsPath();
    const auto head = readFilePrefix(path, 4);
    if (head && head->size() == 4) {
        const std::int32_t count = loadLeI32(head->data());
        if (count < 0 || count > STATION_SLOTS) {
            m_stationsFile.markDamaged();
        }
    }
    auto table = m_stations->lock();
    const int count = table.loadStations(path);
    m_savedVersion = table.version();
    return count;
}

Monitor::Saved Monitor::saveStations() {
    Saved result;
    if (!m_stationsFile.prepareSave(result.note)) {
        return result;
    }
    auto table = m_stations->lock();
    result.written = table.saveStations(stationsPath());
    if (result.written) {
        m_stationsFile.saved();
        m_savedVersion = table.version();
    } else {
        addWriteFailure(result.note, stationsPath());
    }
    return result;
}

Monitor::Saved Monitor::saveSettings() {
    Saved result;
    if (!m_settingsFile.prepareSave(result.note)) {
        return result;
    }
    result.written = SaveSettings(m_settings.snapshot(), m_folder);
    if (result.written) {
        m_settingsFile.saved();
    } else {
        addWriteFailure(result.note, m_folder.DataFilePath(SETTINGS_FILE_NAME));
    }
    return result;
}

std::optional<Monitor::Saved> Monitor::checkpoint(std::chrono::steady_clock::time_point now) {
    if (now - m_lastCheckpoint < m_checkpointInterval) {
        return std::nullopt;
    }
    m_lastCheckpoint = now;
    if (m_stations->lock().version() == m_savedVersion) {
        return std::nullopt;
    }
    return saveStations();
}

} // namespace qv
