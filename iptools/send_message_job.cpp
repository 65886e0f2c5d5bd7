#include "iptools/send_message_job.h"

#include <thread>

#include "common/text_fields.h"

namespace qv {

void SendMessageJob(const std::string& targetList, const std::string& sender,
                    const std::string& text, const MessengerSend& send) {
    for (int index = 0;; ++index) {
        const std::string target = ExtractField(targetList, ';', index);
        if (target.empty()) {
            return;
        }
        send(target, target, sender, text);
    }
}

void startDetachedThread(std::function<void()> body) {
    std::thread(std::move(body)).detach();
}

void SendJobs::State::jobEnded() {
    std::lock_guard lock(guard);
    if (--running == 0) {
        ended.notify_all();
    }
}

SendJobs::SendJobs(MessengerSend send, ThreadStarter start)
    : m_send(std::move(send)), m_start(std::move(start)), m_state(std::make_shared<State>()) {}

void SendJobs::StartSendMessageJob(std::string targetList, std::string sender, std::string text) {
    {
        std::lock_guard lock(m_state->guard);
        ++m_state->running;
    }
    try {
        m_start([state = m_state, send = m_send, targetList = std::move(targetList),
                 sender = std::move(sender), text = std::move(text)] {
            try {
                SendMessageJob(targetList, sender, text, send);
            } catch (...) { // the job's thread is its own edge: a failed send ends the job only
            }
            state->jobEnded();
        });
    } catch (...) {
        {
            std::lock_guard lock(m_state->guard);
            ++m_state->dropped;
        }
        m_state->jobEnded();
    }
}

bool SendJobs::waitForJobs(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_state->guard);
    return m_state->ended.wait_for(lock, limit, [&] { return m_state->running == 0; });
}

int SendJobs::droppedJobs() const {
    std::lock_guard lock(m_state->guard);
    return m_state->dropped;
}

} // namespace qv
