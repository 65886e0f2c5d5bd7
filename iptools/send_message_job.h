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

// Runs `body` on a new thread that nobody joins; throws std::system_error when the system cannot
// create one.
using ThreadStarter = std::function<void(std::function<void()> body)>;
void startDetachedThread(std::function<void()> body);

// Starts send jobs on threads of their own. Each job owns copies of what it sends; nobody waits
// for a job except a program that is about to end, which may wait a little for those still
// running. Starting a job never throws: a job that cannot get a thread is dropped and counted, as
// a computer that cannot be reached is skipped, so the event that asked for it is still
// journaled. A job's thread ends quietly whatever its send throws.
class SendJobs final : public MessageDispatcher {
public:
    explicit SendJobs(MessengerSend send, ThreadStarter start = startDetachedThread);
    SendJobs(const SendJobs&) = delete;
    SendJobs& operator=(const SendJobs&) = delete;

    void StartSendMessageJob(std::string targetList, std::string sender, std::string text) override;
    // True when every job started so far has ended within `limit`.
    bool waitForJobs(std::chrono::milliseconds limit);
    // Jobs dropped because no thread could be started for them.
    int droppedJobs() const;

private:
    struct State {
        std::mutex guard;
        std::condition_variable ended;
        int running = 0;
        int dropped = 0;

        void jobEnded();
    };
    MessengerSend m_send;
    ThreadStarter m_start;
    // Shared with the detached threads, so that a job outliving this object stays safe.
    std::shared_ptr<State> m_state;
};

} // namespace qv
