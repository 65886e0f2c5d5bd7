#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/file_descriptor.h"
#include "events/notifier.h"

namespace qv {

// Runs a program of the administrator's once for each announced event, to reach the channels the
// watcher has none of (mail, chat, push services, webhooks). It runs without a shell, with the
// event in its environment (QUORVANE_TYPE, QUORVANE_DETAILS, QUORVANE_TIME as the journal writes
// it, QUORVANE_TIME_ISO8601 with the offset, QUORVANE_IP, QUORVANE_MAC, QUORVANE_ADAPTER, empty
// where the event has none) and nothing on its command line: nothing from the network reaches
// an argument. Runs are started by a thread of their own, never a capture thread, at most
// MAX_RUNNING at once, from a queue of at most QUEUE_LIMIT events; an event that does not fit is
// dropped and counted. A run that outlives its time limit is ended (SIGTERM to its process
// group, SIGKILL a second later). What it prints goes to `errors`, each line behind its name.
class EventProgram final : public AnnouncementSink {
public:
    static constexpr std::size_t QUEUE_LIMIT = 100;
    static constexpr std::size_t MAX_RUNNING = 4;
    static constexpr std::chrono::seconds DEFAULT_LIMIT{30};

    EventProgram(std::string program, std::FILE* errors,
                 std::chrono::milliseconds limit = DEFAULT_LIMIT);
    // Ends what still runs.
    ~EventProgram() override;
    EventProgram(const EventProgram&) = delete;
    EventProgram& operator=(const EventProgram&) = delete;

    void announce(const Event& event) noexcept override;
    // Waits up to `limit` for the queued and running runs to end; true when all did. Then what is
    // still queued is dropped, what still runs is ended, and no later event is taken.
    bool finish(std::chrono::milliseconds limit);

    std::uint64_t started() const { return m_started.load(); }
    std::uint64_t dropped() const { return m_dropped.load(); }
    // Runs ended for outliving their time limit.
    std::uint64_t ended() const { return m_ended.load(); }
    // Runs that could not be started (no such program, no process to spare).
    std::uint64_t failed() const { return m_failed.load(); }

private:
    struct Run {
        pid_t pid = -1;
        FileDescriptor output; // the read end of its standard output and error
        std::chrono::steady_clock::time_point deadline;
        bool terminated = false;
        bool exited = false;
        std::string partial;
    };

    void stop();
    void loop();
    void startWaiting();
    void start(const std::vector<std::string>& environment);
    void readOutput(Run& run);
    void reap(Run& run);
    void enforceLimit(Run& run, std::chrono::steady_clock::time_point now);

    std::string m_program;
    std::string m_path; // where it was found
    std::string m_name; // the program's file name, before each line of its output
    std::FILE* m_errors;
    std::chrono::milliseconds m_limit;
    FileDescriptor m_wake; // an eventfd: new work, or the end
    std::mutex m_guard;
    std::deque<std::vector<std::string>> m_queue; // the environments of the runs to start
    bool m_stopping = false;
    std::vector<Run> m_running;         // the loop's own
    std::atomic<std::size_t> m_busy{0}; // queued and running
    std::atomic<std::uint64_t> m_started{0};
    std::atomic<std::uint64_t> m_dropped{0};
    std::atomic<std::uint64_t> m_ended{0};
    std::atomic<std::uint64_t> m_failed{0};
    std::thread m_thread;
};

} // namespace qv
