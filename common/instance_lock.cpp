#include "common/instance_lock.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qv {

// A folder the user may read but not write still takes the lock through a read-only descriptor,
// so that a process that can write there is still told the folder is in use.
namespace {

// "program pid" as the holder wrote it; nothing for anything else.
std::optional<InstanceLock::Holder> readHolder(int fd) {
    char text[128];
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    if (got <= 0) {
        return std::nullopt;
    }
    const std::string line(text, static_cast<std::size_t>(got));
    const auto blank = line.find(' ');
    if (blank == 0 || blank == std::string::npos) {
        return std::nullopt;
    }
    const long pid = std::strtol(line.c_str() + blank + 1, nullptr, 10);
    if (pid <= 0) {
        return std::nullopt;
    }
    return InstanceLock::Holder{line.substr(0, blank), pid};
}

// A holder without a name leaves the file empty, so that no earlier holder's name is read.
void writeHolder(int fd, std::string_view program) {
    if (::ftruncate(fd, 0) != 0 || program.empty()) {
        return;
    }
    const std::string line = std::string(program) + " " + std::to_string(::getpid()) + "\n";
    [[maybe_unused]] const ssize_t written = ::pwrite(fd, line.data(), line.size(), 0);
}

} // namespace

InstanceLock::InstanceLock(const DataFolder& folder, std::string_view program) {
    const std::string path = folder.DataFilePath(LOCK_FILE_NAME);
    bool writable = true;
    m_fd.reset(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!m_fd) {
        writable = false;
        m_error = std::strerror(errno);
        m_fd.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    }
    if (!m_fd) {
        return;
    }
    int result;
    do {
        result = ::flock(m_fd.get(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    m_state = result == 0 ? State::Acquired : State::Held;
    m_error.clear();
    if (m_state == State::Held) {
        m_holder = readHolder(m_fd.get());
    } else if (writable) {
        writeHolder(m_fd.get(), program);
    }
}

InstanceLock::~InstanceLock() = default;

std::string folderInUseMessage(const DataFolder& folder,
                               const std::optional<InstanceLock::Holder>& holder) {
    const std::string who = holder ? holder->program + ", process " + std::to_string(holder->pid)
                                   : std::string("the tray program or a watcher");
    return "the data folder " + folder.folder().string() +
           " is in use by another Quorvane program (" + who +
           "); only one may write there at a time";
}

} // namespace qv
