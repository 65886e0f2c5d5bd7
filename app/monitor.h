#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/stored_file.h"
#include "common/clock.h"
#include "common/data_folder.h"
#include "engine/arp_csv_writer.h"
#include "engine/arp_detector.h"
#include "engine/arp_log.h"
#include "engine/scan_detector.h"
#include "engine/station_table.h"
#include "events/event_journal.h"
#include "events/notifier.h"
#include "iptools/mailslot_client.h"
#include "iptools/send_message_job.h"
#include "settings/shared_settings.h"

namespace qv {

// What shows an event besides the journal and the network messages: the tray's balloon and the
// sound player, which the headless watcher has not, and whatever else announces events (the
// watcher's event program and syslog collector).
struct Presenters {
    BalloonPresenter* balloon = nullptr;
    SoundPlayer* sound = nullptr;
    std::vector<AnnouncementSink*> more;
};

// The engine's single instances wired together on one data folder and one clock: the settings
// record, the station tables of both address families, the live log, ARP.csv and NDP.csv, the
// journal, the notifier with its send jobs, and the two detectors. The program and the headless
// watcher both run on one of these.
class Monitor {
public:
    Monitor(const DataFolder& folder, const Clock& clock, EventListOwner& owner,
            Presenters presenters);
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    // Reads Quorvane.cfg into the record; false when the defaults were used. How the file was
    // found decides what a later save may do to it (see StoredFile).
    bool loadSettings(const std::string& programFolder);
    // Reads ipmac.dat and ipmac6.dat; the IPv4 table's count.
    int loadStations();
    const StoredFile& settingsFile() const { return m_settingsFile; }
    const StoredFile& stationsFile() const { return m_stations.file; }
    const StoredFile& stations6File() const { return m_stations6.file; }

    // What a save did: whether the file was written, and what the user should hear of (why it was
    // not, or that a damaged file was kept aside), empty when nothing.
    struct [[nodiscard]] Saved {
        bool written = false;
        std::string note;
    };
    // Writes ipmac.dat, and ipmac6.dat when there is one or the IPv6 table holds a binding: a
    // network without IPv6 gets no IPv6 file.
    Saved saveStations();
    // Writes Quorvane.cfg.
    Saved saveSettings();
    // Writes the station files when a table changed since it was last written and the checkpoint
    // interval has passed since the last look: a checkpoint, so that a crash or a power cut loses
    // at most that long of stations. Nothing when no checkpoint was due.
    std::optional<Saved> checkpoint(std::chrono::steady_clock::time_point now);
    static constexpr std::chrono::seconds CHECKPOINT_INTERVAL{15 * 60};
    void setCheckpointInterval(std::chrono::seconds interval) { m_checkpointInterval = interval; }
    std::string stationsPath() const { return m_stations.file.path(); }
    std::string stations6Path() const { return m_stations6.file.path(); }

    const DataFolder& folder() const { return m_folder; }
    SharedSettings& settings() { return m_settings; }
    StationTable& stations() { return *m_stations.table; }
    StationTable6& stations6() { return *m_stations6.table; }
    ArpLogRing& liveLog() { return *m_liveLog; }
    EventJournal& journal() { return m_journal; }
    SendJobs& sendJobs() { return m_sendJobs; }
    // Where message targets known only by NetBIOS name are asked for: the program sets the
    // capturing adapters' networks.
    NetbiosBroadcasts& netbiosBroadcasts() { return *m_broadcasts; }
    Notifier& notifier() { return m_notifier; }
    ArpDetector& detector() { return m_detector; }
    ScanDetector& scans() { return m_scans; }

private:
    // A station table, its file as found at start and the table's version last written.
    template <typename Address>
    struct StationStore {
        StationStore(const DataFolder& folder, const char* name);
        std::unique_ptr<BasicStationTable<Address>> table;
        StoredFile file;
        std::uint64_t savedVersion = 0;
        bool changed() { return table->lock().version() != savedVersion; }
    };
    template <typename Address>
    static int load(StationStore<Address>& store);
    template <typename Address>
    static Saved save(StationStore<Address>& store);

    DataFolder m_folder;
    SharedSettings m_settings;
    StationStore<IPv4Address> m_stations;
    StationStore<IPv6Address> m_stations6;
    std::unique_ptr<ArpLogRing> m_liveLog;
    ArpCsvWriter m_csv;
    ArpCsvWriter m_ndpCsv;
    EventJournal m_journal;
    std::shared_ptr<NetbiosBroadcasts> m_broadcasts;
    SendJobs m_sendJobs;
    Notifier m_notifier;
    ArpDetector m_detector;
    ScanDetector m_scans;
    StoredFile m_settingsFile;
    std::chrono::seconds m_checkpointInterval = CHECKPOINT_INTERVAL;
    std::chrono::steady_clock::time_point m_lastCheckpoint = std::chrono::steady_clock::now();
};

} // namespace qv
