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
// record, the station table, the live ARP log, ARP.csv, the journal, the notifier with its send
// jobs, and the two detectors. The program and the headless watcher both run on one of these.
class Monitor {
public:
    Monitor(const DataFolder& folder, const Clock& clock, EventListOwner& owner,
            Presenters presenters);
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    // Reads Quorvane.cfg into the record; false when the defaults were used. How the file was
    // found decides what a later save may do to it (see StoredFile).
    bool loadSettings(const std::string& programFolder);
    int loadStations();
    const StoredFile& settingsFile() const { return m_settingsFile; }
    const StoredFile& stationsFile() const { return m_stationsFile; }

    // What a save did: whether the file was written, and what the user should hear of (why it was
    // not, or that a damaged file was kept aside), empty when nothing.
    struct [[nodiscard]] Saved {
        bool written = false;
        std::string note;
    };
    // Writes ipmac.dat.
    Saved saveStations();
    // Writes Quorvane.cfg.
    Saved saveSettings();
    // Writes ipmac.dat when the table changed since it was last written and the checkpoint
    // interval has passed since the last look: a checkpoint, so that a crash or a power cut loses
    // at most that long of stations. Nothing when no checkpoint was due.
    std::optional<Saved> checkpoint(std::chrono::steady_clock::time_point now);
    static constexpr std::chrono::seconds CHECKPOINT_INTERVAL{15 * 60};
    void setCheckpointInterval(std::chrono::seconds interval) { m_checkpointInterval = interval; }
    std::string stationsPath() const { return m_folder.DataFilePath(STATION_FILE_NAME); }

    const DataFolder& folder() const { return m_folder; }
    SharedSettings& settings() { return m_settings; }
    StationTable& stations() { return *m_stations; }
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
    DataFolder m_folder;
    SharedSettings m_settings;
    std::unique_ptr<StationTable> m_stations;
    std::unique_ptr<ArpLogRing> m_liveLog;
    ArpCsvWriter m_csv;
    EventJournal m_journal;
    std::shared_ptr<NetbiosBroadcasts> m_broadcasts;
    SendJobs m_sendJobs;
    Notifier m_notifier;
    ArpDetector m_detector;
    ScanDetector m_scans;
    StoredFile m_settingsFile;
    StoredFile m_stationsFile;
    std::uint64_t m_savedVersion = 0;
    std::chrono::seconds m_checkpointInterval = CHECKPOINT_INTERVAL;
    std::chrono::steady_clock::time_point m_lastCheckpoint = std::chrono::steady_clock::now();
};

} // namespace qv
