#include "events/notifier.h"

#include <filesystem>
#include <system_error>

namespace qv {

Notifier::Notifier(const SharedSettings& settings, EventJournal& journal, BalloonPresenter* balloon,
                   SoundPlayer* sound, MessageDispatcher* dispatcher)
    : m_settings(settings), m_journal(journal), m_balloon(balloon), m_sound(sound),
      m_dispatcher(dispatcher) {}

void Notifier::AnnounceEvent(const Event& event) {
    if (m_balloon != nullptr && m_settings.flag(&Settings::NotifyBalloon)) {
        m_balloon->showBalloon(event.type(), event.details);
    }
    if (m_sound != nullptr && m_settings.flag(&Settings::NotifySound)) {
        const std::string soundFile = m_settings.text(&Settings::SoundFile);
        std::error_code error;
        if (!soundFile.empty() && std::filesystem::is_regular_file(soundFile, error)) {
            m_sound->playSound(soundFile);
        } else {
            m_sound->stopSound();
        }
    }
    if (m_dispatcher != nullptr && m_settings.flag(&Settings::NotifySendMessage)) {
        m_dispatcher->StartSendMessageJob(m_settings.text(&Settings::ComputerList),
                                          NOTIFICATION_SENDER, event.details);
    }
    m_journal.JournalAppend(event);
}

} // namespace qv
