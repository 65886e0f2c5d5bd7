#pragma once

#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "events/event_announcer.h"
#include "events/event_journal.h"
#include "events/event_rate_limit.h"
#include "iptools/send_message_job.h"
#include "settings/shared_settings.h"

namespace qv {

// Shows one balloon; the title and text of an event arrive together in one call, whatever thread
// raised it, so an implementation that hands them to its GUI thread keeps them together.
class BalloonPresenter {
public:
    virtual ~BalloonPresenter() = default;
    virtual void showBalloon(const std::string& title, const std::string& text) = 0;
};

// Plays sounds asynchronously: a later call cuts an earlier sound off.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void playSound(const std::string& path) = 0;
    // Stops any sound that is playing and plays none.
    virtual void stopSound() = 0;
};

// Announces events somewhere besides the tray: the watcher's event program and syslog collector.
// Called in the order of the announcements, with the notifier's guard held: it only queues.
class AnnouncementSink {
public:
    virtual ~AnnouncementSink() = default;
    virtual void announce(const Event& event) noexcept = 0;
};

inline constexpr const char* NOTIFICATION_SENDER = "Quorvane";

// Who announces an event besides the journal. A missing balloon, sound or dispatcher (the headless
// watcher has no tray) is an announcement not given.
struct Announcers {
    BalloonPresenter* balloon = nullptr;
    SoundPlayer* sound = nullptr;
    MessageDispatcher* dispatcher = nullptr;
    std::vector<AnnouncementSink*> more;
};

// Stamps each event, announces it (balloon, sound and network message as the settings say, then
// the other sinks) and journals it, always. Announcements keep to ANNOUNCEMENTS_PER_SECOND in all,
// so that a flood never queues thousands of notifications or message threads: the rest of a
// second are summed up, one announcement per kind, once the second is over; the journal keeps a
// limit of its own. One event or batch at a time is stamped, announced and journaled, so every
// output takes them in the order of their stamps.
class Notifier final : public EventAnnouncer {
public:
    Notifier(const SharedSettings& settings, EventJournal& journal, const Clock& clock,
             Announcers announcers);

    void AnnounceEvent(const Event& event) override;
    void AnnounceEvents(std::span<Event> events) override;
    void closeSeconds() override;
    // Announces and journals every summary still waiting for its second to be over: the program
    // is ending.
    void closeAll();

private:
    void announce(const Event& event);
    // The summaries of the seconds before `now`'s, or of every second without it.
    void closeUntil(std::optional<TDateTime> now);

    const SharedSettings& m_settings;
    EventJournal& m_journal;
    const Clock& m_clock;
    Announcers m_announcers;
    std::mutex m_serial;
    EventRateLimit m_limit{ANNOUNCEMENTS_PER_SECOND, EventRateLimit::Scope::AllKinds};
};

} // namespace qv
