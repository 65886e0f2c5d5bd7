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

template <typename Address>
Monitor::StationStore<Address>::StationStore(const DataFolder& folder, const char* name)
    : table(std::make_unique<BasicStationTable<Address>>()),
      file(folder.DataFilePath(name), stationFileSize<Address>) {}

Monitor::Monitor(const DataFolder& folder, const Clock& clock, EventListOwner& owner,
                 Presenters presenters)
    : m_folder(folder), m_settings(defaultSettings("")), m_stations(m_folder, STATION_FILE_NAME),
      m_stations6(m_folder, STATION6_FILE_NAME), m_liveLog(std::make_unique<ArpLogRing>()),
      m_csv(m_folder, m_settings), m_ndpCsv(m_folder, m_settings, NDP_CSV_FILES),
      m_journal(m_folder, clock, owner), m_broadcasts(std::make_shared<NetbiosBroadcasts>()),
      m_sendJobs([broadcasts = m_broadcasts](const std::string& target, std::string_view recipient,
                                             std::string_view sender, std::string_view text) {
          return SendMessengerMessage(target, recipient, sender, text, broadcasts->get());
      }),
      m_notifier(m_settings, m_journal, clock,
                 {presenters.balloon, presenters.sound, &m_sendJobs, std::move(presenters.more)}),
      m_detector(m_settings, {stations(), stations6(), *m_liveLog, m_csv, m_ndpCsv}, m_notifier,
                 clock),
      m_scans(m_settings, stations(), stations6(), *m_liveLog, m_notifier, clock,
              m_detector.adapterNames()),
      m_settingsFile(m_folder.DataFilePath(SETTINGS_FILE_NAME), SETTINGS_SIZE) {}

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
    load(m_stations6);
    return load(m_stations);
}

template <typename Address>
int Monitor::load(StationStore<Address>& store) {
    store.file.examine();
    const std::string& path = store.file.path();
    const auto head = readFilePrefix(path, 4);
    if (head && head->size() == 4) {
        const std::int32_t count = loadLeI32(head->data());
        if (count < 0 || count > STATION_SLOTS) {
            store.file.markDamaged();
        }
    }
    auto table = store.table->lock();
    const int count = table.loadStations(path);
    store.savedVersion = table.version();
    return count;
}

Monitor::Saved Monitor::saveStations() {
    Saved result = save(m_stations);
    const bool none6 = m_stations6.file.state() == StoredFile::State::Missing &&
                       m_stations6.table->lock().count() == 0;
    if (none6) {
        return result;
    }
    const Saved saved6 = save(m_stations6);
    result.written = result.written && saved6.written;
    if (!saved6.note.empty()) {
        result.note += (result.note.empty() ? "" : "; ") + saved6.note;
    }
    return result;
}

template <typename Address>
Monitor::Saved Monitor::save(StationStore<Address>& store) {
    Saved result;
    if (!store.file.prepareSave(result.note)) {
        return result;
    }
    auto table = store.table->lock();
    result.written = table.saveStations(store.file.path());
    if (result.written) {
        store.file.saved();
        store.savedVersion = table.version();
    } else {
        addWriteFailure(result.note, store.file.path());
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
    if (!m_stations.changed() && !m_stations6.changed()) {
        return std::nullopt;
    }
    return saveStations();
}

} // namespace qv
