#include "engine/helper/helper_driver.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>
#include <utility>

#include "common/file_descriptor.h"
#include "engine/helper/helper_protocol.h"

namespace qv {
namespace {

constexpr int OPEN_WAIT_MS = 5000;
constexpr auto END_WAIT = std::chrono::seconds(1);
constexpr int PIPE_SIZE = 1 << 20;

// Exactly `bytes.size()` bytes; false at the end of the stream or on an error.
bool readExact(int fd, std::span<std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t got = ::read(fd, bytes.data(), bytes.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(got));
    }
    return true;
}

// Ends the helper: its pipes are closed first, which ends it by itself; a signal follows, and a
// helper that does not end within a second is killed.
void endHelper(pid_t pid) {
    ::kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + END_WAIT;
    while (std::chrono::steady_clock::now() < deadline) {
        const pid_t ended = ::waitpid(pid, nullptr, WNOHANG);
        if (ended == pid || (ended < 0 && errno != EINTR)) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

class HelperSource final : public CaptureSource {
public:
    HelperSource(pid_t pid, FileDescriptor toHelper, FileDescriptor fromHelper, FileDescriptor wake)
        : m_pid(pid), m_toHelper(std::move(toHelper)), m_fromHelper(std::move(fromHelper)),
          m_wake(std::move(wake)) {}
    ~HelperSource() override {
        m_toHelper.reset();
        m_fromHelper.reset();
        endHelper(m_pid);
    }

    ReadResult read(std::span<std::uint8_t> buffer) override;
    void pause(std::chrono::milliseconds limit) override {
        waitForMessage(static_cast<int>(limit.count()));
    }
    void wake() override {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake.get(), &one, sizeof one);
    }
    CaptureCounters counters() override { return m_counters; }

private:
    // True when a message is waiting; false after a time-out or a wake (which is consumed).
    bool waitForMessage(int timeoutMs);
    [[noreturn]] void helperEnded() const { throw std::runtime_error("the capture helper ended"); }

    pid_t m_pid;
    FileDescriptor m_toHelper;
    FileDescriptor m_fromHelper;
    FileDescriptor m_wake;
    CaptureCounters m_counters;
};

bool HelperSource::waitForMessage(int timeoutMs) {
    pollfd fds[2] = {{m_fromHelper.get(), POLLIN, 0}, {m_wake.get(), POLLIN, 0}};
    int ready;
    do {
        ready = ::poll(fds, 2, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready > 0 && (fds[1].revents & POLLIN)) {
        std::uint64_t count;
        [[maybe_unused]] const ssize_t n = ::read(m_wake.get(), &count, sizeof count);
        return false;
    }
    return ready > 0;
}

ReadResult HelperSource::read(std::span<std::uint8_t> buffer) {
    if (!waitForMessage(-1)) {
        return {};
    }
    std::array<std::uint8_t, HELPER_HEADER_SIZE> headerBytes;
    if (!readExact(m_fromHelper.get(), headerBytes)) {
        helperEnded();
    }
    const auto header = decodeHelperHeader(headerBytes);
    if (!header || header->type != HelperMessageType::Frames ||
        header->length - HELPER_FRAMES_PREFIX_SIZE > buffer.size()) {
        throw std::runtime_error("the capture helper sent a damaged message");
    }
    std::array<std::uint8_t, HELPER_FRAMES_PREFIX_SIZE> prefixBytes;
    const std::size_t frames = header->length - HELPER_FRAMES_PREFIX_SIZE;
    if (!readExact(m_fromHelper.get(), prefixBytes) ||
        !readExact(m_fromHelper.get(), buffer.first(frames))) {
        helperEnded();
    }
    const FramesPrefix prefix = decodeFramesPrefix(prefixBytes);
    m_counters = prefix.counters;
    return {frames, prefix.full};
}

// Starts the helper with the pipes as its standard input and output, an empty environment, and
// the signal mask and dispositions of a fresh process (capture threads may block signals).
pid_t spawnHelper(const std::string& path, const std::string& adapter, int input, int output,
                  std::string& error) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int s : {SIGPIPE, SIGTERM, SIGINT, SIGHUP}) {
        sigaddset(&defaults, s);
    }
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::string program = path;
    std::string argument = adapter;
    char* argv[] = {program.data(), argument.data(), nullptr};
    char* envp[] = {nullptr};
    pid_t pid = -1;
    const int result = ::posix_spawn(&pid, path.c_str(), &actions, &attributes, argv, envp);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (result != 0) {
        error = "cannot start the capture helper " + path + ": " + std::strerror(result);
        return -1;
    }
    return pid;
}

// The helper's first word: Opened, or the reason it failed.
bool awaitOpening(int fromHelper, const std::string& path, std::string& error) {
    pollfd fd{fromHelper, POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&fd, 1, OPEN_WAIT_MS);
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) {
        error = "the capture helper " + path + " did not answer within 5 seconds";
        return false;
    }
    std::array<std::uint8_t, HELPER_HEADER_SIZE> headerBytes;
    if (!readExact(fromHelper, headerBytes)) {
        error = "the capture helper " + path + " ended before it opened the adapter";
        return false;
    }
    const auto header = decodeHelperHeader(headerBytes);
    if (header && header->type == HelperMessageType::Opened) {
        return true;
    }
    if (header && header->type == HelperMessageType::Failed) {
        std::string text(header->length, '\0');
        if (readExact(fromHelper,
                      std::span(reinterpret_cast<std::uint8_t*>(text.data()), text.size()))) {
            error = text;
            return false;
        }
    }
    error = "the capture helper " + path + " sent a damaged message";
    return false;
}

std::array<std::string, 3> helperCandidates(const std::string& programFolder,
                                            const std::string& installedPath) {
    return {programFolder + CAPTURE_HELPER_NAME,
            programFolder + "../libexec/quorvane/" + CAPTURE_HELPER_NAME, installedPath};
}

bool hasFileCapabilities(const std::string& path) {
    return ::getxattr(path.c_str(), "security.capability", nullptr, 0) > 0;
}

} // namespace

HelperDriver::HelperDriver(std::string helperPath, PacketDriver& lister)
    : m_helperPath(std::move(helperPath)), m_lister(lister) {}

std::unique_ptr<CaptureSource> HelperDriver::openAdapter(const std::string& name,
                                                         std::string& error) {
    int toHelper[2];
    int fromHelper[2];
    if (::pipe2(toHelper, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return nullptr;
    }
    FileDescriptor toRead(toHelper[0]), toWrite(toHelper[1]);
    if (::pipe2(fromHelper, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return nullptr;
    }
    FileDescriptor fromRead(fromHelper[0]), fromWrite(fromHelper[1]);
    ::fcntl(fromRead.get(), F_SETPIPE_SZ, PIPE_SIZE); // a larger pipe rides out a busy moment
    FileDescriptor wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (wake.get() < 0) {
        error = std::string("cannot make an event: ") + std::strerror(errno);
        return nullptr;
    }
    const pid_t pid = spawnHelper(m_helperPath, name, toRead.get(), fromWrite.get(), error);
    if (pid < 0) {
        return nullptr;
    }
    toRead.reset();
    fromWrite.reset();
    auto source = std::make_unique<HelperSource>(pid, std::move(toWrite), std::move(fromRead),
                                                 std::move(wake));
    // The source ends the helper however the opening goes.
    if (!awaitOpening(fromHelper[0], m_helperPath, error)) {
        return nullptr;
    }
    return source;
}

std::optional<std::string> usableCaptureHelper(const std::string& programFolder,
                                               const std::string& installedPath) {
    const bool root = ::geteuid() == 0;
    for (const std::string& path : helperCandidates(programFolder, installedPath)) {
        if (::access(path.c_str(), X_OK) == 0 && (root || hasFileCapabilities(path))) {
            return path;
        }
    }
    return std::nullopt;
}

std::string findCaptureHelper(const std::string& programFolder, const std::string& installedPath) {
    if (auto usable = usableCaptureHelper(programFolder, installedPath)) {
        return *usable;
    }
    for (const std::string& path : helperCandidates(programFolder, installedPath)) {
        if (::access(path.c_str(), F_OK) == 0) {
            return path;
        }
    }
    return installedPath;
}

} // namespace qv
