#pragma once

#include <string>
#include <string_view>

#include "events/event_announcer.h"
#include "events/event_journal.h"
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

inline constexpr const char* NOTIFICATION_SENDER = "Quorvane";

// Balloon, sound and network message as the settings say, then the journal, always. A missing
// balloon, sound or dispatcher (the headless watcher has no tray) is an announcement not given.
class Notifier final : public EventAnnouncer {
public:
    Notifier(const SharedSettings& settings, EventJournal& journal, BalloonPresenter* balloon,
             SoundPlayer* sound, MessageDispatcher* dispatcher);

    void AnnounceEvent(const Event& event) override;

private:
    const SharedSettings& m_settings;
    EventJournal& m_journal;
    BalloonPresenter* m_balloon;
    SoundPlayer* m_sound;
    MessageDispatcher* m_dispatcher;
};

} // namespace qv
