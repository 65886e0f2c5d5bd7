#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace qv {

// Delivers one message to one target: (pathTarget, recipient, sender, text) -> all bytes taken.
using MessengerSend =
    std::function<bool(const std::string&, std::string_view, std::string_view, std::string_view)>;

// Sends the message to field 0, 1, 2, ... of `targetList` cut at ";", one target after the other,
// up to the first empty field; a target that cannot be reached is skipped.
void SendMessageJob(const std::string& targetList, const std::string& sender,
                    const std::string& text, const MessengerSend& send);

// Starts a send job that owns copies of what it sends; never waits for it.
class MessageDispatcher {
public:
    virtual ~MessageDispatcher() = default;
    virtual void StartSendMessageJob(std::string targetList, std::string sender,
                                     std::string text) = 0;
};

// Starts send jobs on threads of their own. Each job owns copies of what it sends; nobody waits
// for a job except a program that is about to end, which may wait a little for those still
// running.
class SendJobs final : public MessageDispatcher {
public:
    explicit SendJobs(MessengerSend send);
    SendJobs(const SendJobs&) = delete;
    SendJobs& operator=(const SendJobs&) = delete;

    void StartSendMessageJob(std::string targetList, std::string sender, std::string text) override;
    // True when every job started so far has ended within `limit`.
    bool waitForJobs(std::chrono::milliseconds limit);

private:
    struct State {
        std::mutex guard;
        std::condition_variable ended;
        int running = 0;
    };
    MessengerSend m_send;
    // Shared with the detached threads, so that a job outliving this object stays safe.
    std::shared_ptr<State> m_state;
};

} // namespace qv
