#include "gui/canberra_sound_player.h"

#include <canberra.h>

namespace qv {
namespace {

// The one sound of the program: a new play cancels the old one by this id.
constexpr std::uint32_t SOUND_ID = 1;

} // namespace

CanberraSoundPlayer::CanberraSoundPlayer(QObject* parent) : QObject(parent) {}

CanberraSoundPlayer::~CanberraSoundPlayer() {
    if (m_context != nullptr) {
        ca_context_destroy(m_context);
    }
}

bool CanberraSoundPlayer::context() {
    if (m_context == nullptr && ca_context_create(&m_context) == CA_SUCCESS) {
        ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "Quorvane",
                                CA_PROP_APPLICATION_ID, "quorvane", nullptr);
    }
    return m_context != nullptr;
}

void CanberraSoundPlayer::playSound(const std::string& path) {
    QMetaObject::invokeMethod(
        this,
        [this, path] {
            if (context()) {
                ca_context_cancel(m_context, SOUND_ID);
                ca_context_play(m_context, SOUND_ID, CA_PROP_MEDIA_FILENAME, path.c_str(),
                                CA_PROP_EVENT_DESCRIPTION, "Quorvane event", nullptr);
            }
        },
        Qt::QueuedConnection);
}

void CanberraSoundPlayer::stopSound() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_context != nullptr) {
                ca_context_cancel(m_context, SOUND_ID);
            }
        },
        Qt::QueuedConnection);
}

} // namespace qv
