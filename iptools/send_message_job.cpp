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

SendJobs::SendJobs(MessengerSend send)
    : m_send(std::move(send)), m_state(std::make_shared<State>()) {}

void SendJobs::StartSendMessageJob(std::string targetList, std::string sender, std::string text) {
    {
        std::lock_guard lock(m_state->guard);
        ++m_state->running;
    }
    std::thread([state = m_state, send = m_send, targetList = std::move(targetList),
                 sender = std::move(sender), text = std::move(text)] {
        SendMessageJob(targetList, sender, text, send);
        std::lock_guard lock(state->guard);
        if (--state->running == 0) {
            state->ended.notify_all();
        }
    }).detach();
}

bool SendJobs::waitForJobs(std::chrono::milliseconds limit) {
    std::unique_lock lock(m_state->guard);
    return m_state->ended.wait_for(lock, limit, [&] { return m_state->running == 0; });
}

} // namespace qv
