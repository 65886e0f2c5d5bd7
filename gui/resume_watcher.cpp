#include "gui/resume_watcher.h"

#include "engine/capture.h"

namespace qv {

ResumeWatcher::ResumeWatcher(CaptureControl& capture, std::chrono::milliseconds wait,
                             QObject* parent)
    : QObject(parent), m_capture(capture) {
    m_wait.setSingleShot(true);
    m_wait.setInterval(wait);
    connect(&m_wait, &QTimer::timeout, this, &ResumeWatcher::restart);
}

bool ResumeWatcher::listen(QDBusConnection bus) {
    return bus.isConnected() && bus.connect("org.freedesktop.login1", "/org/freedesktop/login1",
                                            "org.freedesktop.login1.Manager", "PrepareForSleep",
                                            this, SLOT(PrepareForSleep(bool)));
}

void ResumeWatcher::PrepareForSleep(bool start) {
    if (!start) {
        m_wait.start();
    }
}

void ResumeWatcher::restart() {
    std::vector<int> capturing;
    for (int i = 0; i < m_capture.count(); ++i) {
        if (m_capture.adapter(i).threadState == CaptureRunning) {
            capturing.push_back(i);
            m_capture.stopCapture(i);
        }
    }
    QTimer::singleShot(RESTART_PAUSE, this, [this, capturing] {
        for (int i : capturing) {
            m_capture.startCapture(i);
        }
        emit restarted(static_cast<int>(capturing.size()));
    });
}

} // namespace qv
