#pragma once

#include <QObject>

#include "events/notifier.h"

struct ca_context;

namespace qv {

// Plays WAV files through the desktop's sound server with libcanberra. Calls from any thread are
// queued to the GUI thread and return at once, so a capture thread never waits for a sound; a new
// sound cuts the one playing off. No sound server, or a file it cannot play, is silence.
class CanberraSoundPlayer final : public QObject, public SoundPlayer {
    Q_OBJECT
public:
    explicit CanberraSoundPlayer(QObject* parent = nullptr);
    ~CanberraSoundPlayer() override;

    void playSound(const std::string& path) override;
    void stopSound() override;

private:
    bool context();

    ca_context* m_context = nullptr;
};

} // namespace qv
