#pragma once

#include <chrono>
#include <vector>

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

namespace qv {

class CaptureControl;

// Restarts capture after the machine resumes from suspend (logind's PrepareForSleep(false) on the
// system bus): after a wait that leaves the GUI answering, every adapter that is capturing is
// stopped and, 100 ms later, started again. Adapters the user did not select stay stopped.
class ResumeWatcher : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds WAIT{9000};
    static constexpr std::chrono::milliseconds RESTART_PAUSE{100};

    explicit ResumeWatcher(CaptureControl& capture, std::chrono::milliseconds wait = WAIT,
                           QObject* parent = nullptr);

    // Follows logind's signal on `bus`; false when the bus cannot be reached.
    bool listen(QDBusConnection bus);

public slots:
    void PrepareForSleep(bool start);

signals:
    // The adapters stopped and started again.
    void restarted(int adapters);

private:
    void restart();

    CaptureControl& m_capture;
    QTimer m_wait;
};

} // namespace qv
