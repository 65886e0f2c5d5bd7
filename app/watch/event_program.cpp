#include "app/watch/event_program.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/addresses.h"
#include "common/date_time.h"
#include "common/file_descriptor.h"
#include "events/event_journal.h"

extern char** environ;

namespace qv {
namespace {

using SteadyClock = std::chrono::steady_clock;

constexpr auto KILL_AFTER_TERM = std::chrono::seconds(1);
constexpr const char* PREFIX = "QUORVANE_";

// The event's fields as environment entries.
std::vector<std::string> eventEnvironment(const Event& event) {
    const EventEntry entry = journalEntry(event);
    return {
        std::string("QUORVANE_TYPE=") + event.type(),
        "QUORVANE_DETAILS=" + event.details,
        "QUORVANE_TIME=" + entry.Stamp,
        "QUORVANE_TIME_ISO8601=" + rfc3339OfLocal(event.stamp),
        "QUORVANE_IP=" + (event.ip ? addressText(*event.ip) : std::string()),
        "QUORVANE_MAC=" + (event.mac ? MACToText(*event.mac) : std::string()),
        "QUORVANE_ADAPTER=" + event.adapter,
    };
}

// The watcher's own environment without any QUORVANE_ variable, then the event's.
std::vector<char*> spawnEnvironment(std::vector<std::string>& event) {
    std::vector<char*> out;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        if (std::strncmp(*e, PREFIX, std::strlen(PREFIX)) != 0) {
            out.push_back(*e);
        }
    }
    for (std::string& entry : event) {
        out.push_back(entry.data());
    }
    out.push_back(nullptr);
    return out;
}

// The program named, looked for on PATH when the name has no slash (as a shell would).
std::string pathOf(const std::string& program) {
    if (program.find('/') != std::string::npos) {
        return program;
    }
    const char* search = std::getenv("PATH");
    std::string folders = search != nullptr ? search : "/usr/local/bin:/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return program;
}

// Starts `path` in a child process as programs start: in a process group of its own (which its
// time limit ends whole), with no signal blocked or ignored (the watcher blocks its stop signals
// and ignores SIGPIPE), without the capabilities the watcher may hold (the service's capture
// capabilities are ambient, and would pass to it), with `output` as its standard output and
// error, and none of the watcher's other descriptors (its capture sockets above all). Between
// the fork and the exec only system calls run. The error of a start that failed, else 0.
int spawn(const std::string& path, char* const argv[], char* const env[], int output, pid_t& pid) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return errno;
    }
    FileDescriptor status(ends[0]);
    FileDescriptor statusWriter(ends[1]);
    pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        struct sigaction standard {};
        standard.sa_handler = SIG_DFL;
        ::sigaction(SIGPIPE, &standard, nullptr);
        ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
        const int nothing = ::open("/dev/null", O_RDONLY);
        ::dup2(nothing, STDIN_FILENO);
        ::dup2(output, STDOUT_FILENO);
        ::dup2(output, STDERR_FILENO);
        if (::close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
            for (int fd = STDERR_FILENO + 1; fd < 65536; ++fd) {
                ::fcntl(fd, F_SETFD, FD_CLOEXEC);
            }
        }
        ::execve(path.c_str(), argv, env);
        const int failure = errno;
        static_cast<void>(::write(statusWriter.get(), &failure, sizeof failure));
        ::_exit(127);
    }
    int failure = pid < 0 ? errno : 0;
    statusWriter.reset();
    if (pid > 0 && ::read(status.get(), &failure, sizeof failure) != sizeof failure) {
        failure = 0; // the exec took place, and closed the pipe
    }
    if (failure != 0 && pid > 0) {
        ::waitpid(pid, nullptr, 0);
    }
    return failure;
}

std::string fileName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

EventProgram::EventProgram(std::string program, std::FILE* errors, std::chrono::milliseconds limit)
    : m_program(std::move(program)), m_path(pathOf(m_program)), m_name(fileName(m_program)),
      m_errors(errors), m_limit(limit), m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    m_thread = std::thread([this] { loop(); });
}

EventProgram::~EventProgram() {
    stop();
}

void EventProgram::stop() {
    {
        std::lock_guard lock(m_guard);
        m_stopping = true;
        m_dropped.fetch_add(m_queue.size());
        m_busy.fetch_sub(m_queue.size());
        m_queue.clear();
    }
    const std::uint64_t one = 1;
    static_cast<void>(::write(m_wake.get(), &one, sizeof one));
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void EventProgram::announce(const Event& event) noexcept {
    try {
        std::vector<std::string> environment = eventEnvironment(event);
        std::lock_guard lock(m_guard);
        if (m_stopping || m_queue.size() >= QUEUE_LIMIT) {
            m_dropped.fetch_add(1);
            return;
        }
        m_queue.push_back(std::move(environment));
        m_busy.fetch_add(1);
    } catch (...) { // no memory for the run: one dropped
        m_dropped.fetch_add(1);
        return;
    }
    const std::uint64_t one = 1;
    static_cast<void>(::write(m_wake.get(), &one, sizeof one));
}

bool EventProgram::finish(std::chrono::milliseconds limit) {
    const auto deadline = SteadyClock::now() + limit;
    while (m_busy.load() > 0 && SteadyClock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const bool all = m_busy.load() == 0;
    // The loop's end: a run it was starting meanwhile is counted before the counters are read.
    stop();
    return all;
}

// Starts what the queue holds as far as runs may, then waits for output, ends or the time limits;
// at the end, whatever still runs is ended at once.
void EventProgram::loop() {
    for (;;) {
        startWaiting();
        bool stopping = false;
        {
            std::lock_guard lock(m_guard);
            stopping = m_stopping;
        }
        const auto now = SteadyClock::now();
        for (Run& run : m_running) {
            if (stopping && !run.exited) {
                ::kill(-run.pid, SIGKILL); // the watcher ends, having waited for them
            }
            enforceLimit(run, now);
        }
        if (stopping && m_running.empty()) {
            return;
        }
        std::vector<pollfd> ready{{m_wake.get(), POLLIN, 0}};
        for (const Run& run : m_running) {
            ready.push_back({run.output.get(), POLLIN, 0});
        }
        ::poll(ready.data(), ready.size(), 100);
        std::uint64_t count = 0;
        static_cast<void>(::read(m_wake.get(), &count, sizeof count));
        for (Run& run : m_running) {
            readOutput(run);
            reap(run);
        }
        const auto ended = std::remove_if(m_running.begin(), m_running.end(),
                                          [](const Run& r) { return r.exited && !r.output; });
        m_busy.fetch_sub(static_cast<std::size_t>(m_running.end() - ended));
        m_running.erase(ended, m_running.end());
    }
}

void EventProgram::startWaiting() {
    while (m_running.size() < MAX_RUNNING) {
        std::vector<std::string> environment;
        {
            std::lock_guard lock(m_guard);
            if (m_queue.empty() || m_stopping) {
                return;
            }
            environment = std::move(m_queue.front());
            m_queue.pop_front();
        }
        start(environment);
    }
}

void EventProgram::start(const std::vector<std::string>& environment) {
    std::vector<std::string> owned = environment;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        m_failed.fetch_add(1);
        m_busy.fetch_sub(1);
        return;
    }
    FileDescriptor output(ends[0]);
    FileDescriptor input(ends[1]);
    std::vector<char*> env = spawnEnvironment(owned);
    std::string program = m_path;
    char* argv[] = {program.data(), nullptr};
    pid_t pid = -1;
    const int error = spawn(m_path, argv, env.data(), input.get(), pid);
    input.reset();
    if (error != 0) {
        std::fprintf(m_errors, "quorvane-watch: cannot run %s: %s\n", m_program.c_str(),
                     std::strerror(error));
        m_failed.fetch_add(1);
        m_busy.fetch_sub(1);
        return;
    }
    m_started.fetch_add(1);
    Run run;
    run.pid = pid;
    run.output = std::move(output);
    run.deadline = SteadyClock::now() + m_limit;
    m_running.push_back(std::move(run));
}

void EventProgram::readOutput(Run& run) {
    if (!run.output) {
        return;
    }
    pollfd ready{run.output.get(), POLLIN, 0};
    if (::poll(&ready, 1, 0) <= 0) {
        return;
    }
    char chunk[4096];
    const ssize_t n = ::read(run.output.get(), chunk, sizeof chunk);
    if (n > 0) {
        run.partial.append(chunk, static_cast<std::size_t>(n));
    }
    const bool end = n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN);
    for (std::size_t cut; (cut = run.partial.find('\n')) != std::string::npos;) {
        std::fprintf(m_errors, "%s: %s\n", m_name.c_str(), run.partial.substr(0, cut).c_str());
        run.partial.erase(0, cut + 1);
    }
    if (end) {
        if (!run.partial.empty()) {
            std::fprintf(m_errors, "%s: %s\n", m_name.c_str(), run.partial.c_str());
        }
        run.output.reset();
    }
}

void EventProgram::reap(Run& run) {
    if (!run.exited && ::waitpid(run.pid, nullptr, WNOHANG) == run.pid) {
        run.exited = true;
    }
}

// Past its limit a run is told to end; a second later it is killed, with what it started.
void EventProgram::enforceLimit(Run& run, SteadyClock::time_point now) {
    if (run.exited || now < run.deadline) {
        return;
    }
    if (!run.terminated) {
        run.terminated = true;
        m_ended.fetch_add(1);
        std::fprintf(m_errors, "quorvane-watch: %s ran longer than %lld seconds and is ended\n",
                     m_program.c_str(),
                     static_cast<long long>(
                         std::chrono::duration_cast<std::chrono::seconds>(m_limit).count()));
        ::kill(-run.pid, SIGTERM);
        run.deadline = now + KILL_AFTER_TERM;
        return;
    }
    ::kill(-run.pid, SIGKILL);
}

} // namespace qv
