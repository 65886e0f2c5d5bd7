#include "events/notifier.h"

#include <filesystem>
#include <optional>
#include <system_error>

namespace qv {

Notifier::Notifier(const SharedSettings& settings, EventJournal& journal, const Clock& clock,
                   Announcers announcers)
    : m_settings(settings), m_journal(journal), m_clock(clock),
      m_announcers(std::move(announcers)) {}

void Notifier::announce(const Event& event) {
    if (m_announcers.balloon != nullptr && m_settings.flag(&Settings::NotifyBalloon)) {
        m_announcers.balloon->showBalloon(event.type(), event.details);
    }
    if (m_announcers.sound != nullptr && m_settings.flag(&Settings::NotifySound)) {
        const std::string soundFile = m_settings.text(&Settings::SoundFile);
        std::error_code error;
        if (!soundFile.empty() && std::filesystem::is_regular_file(soundFile, error)) {
            m_announcers.sound->playSound(soundFile);
        } else {
            m_announcers.sound->stopSound();
        }
    }
    if (m_announcers.dispatcher != nullptr && m_settings.flag(&Settings::NotifySendMessage)) {
        m_announcers.dispatcher->StartSendMessageJob(m_settings.text(&Settings::ComputerList),
                                                     NOTIFICATION_SENDER, event.details);
    }
    for (AnnouncementSink* sink : m_announcers.more) {
        sink->announce(event);
    }
}

void Notifier::AnnounceEvent(const Event& event) {
    Event copy = event;
    AnnounceEvents(std::span(&copy, 1));
}

void Notifier::AnnounceEvents(std::span<Event> events) {
    if (events.empty()) {
        return;
    }
    std::lock_guard serial(m_serial);
    const TDateTime now = m_clock.now();
    std::vector<Event> announced;
    for (Event& event : events) {
        if (event.stamp == 0.0) {
            event.stamp = now;
        }
        m_limit.pass(event, announced);
    }
    for (const Event& event : announced) {
        announce(event);
    }
    m_journal.JournalAppend(events);
}

void Notifier::closeSeconds() {
    closeUntil(m_clock.now());
}

void Notifier::closeAll() {
    closeUntil(std::nullopt);
}

void Notifier::closeUntil(std::optional<TDateTime> now) {
    std::lock_guard serial(m_serial);
    std::vector<Event> summaries;
    if (now) {
        m_limit.close(*now, summaries);
    } else {
        m_limit.closeAll(summaries);
    }
    for (const Event& summary : summaries) {
        announce(summary);
    }
    if (now) {
        m_journal.closeSeconds(*now);
    } else {
        m_journal.closeAll();
    }
}

} // namespace qv
