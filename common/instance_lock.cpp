#include "common/instance_lock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qv {

// A folder the user may read but not write still takes the lock through a read-only descriptor,
// so that a process that can write there is still told the folder is in use.
InstanceLock::InstanceLock(const DataFolder& folder) {
    const std::string path = folder.DataFilePath(LOCK_FILE_NAME);
    m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (m_fd < 0) {
        m_error = std::strerror(errno);
        m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    }
    if (m_fd < 0) {
        return;
    }
    int result;
    do {
        result = ::flock(m_fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    m_state = result == 0 ? State::Acquired : State::Held;
    m_error.clear();
}

InstanceLock::~InstanceLock() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

std::string folderInUseMessage(const DataFolder& folder) {
    return "the data folder " + folder.folder().string() +
           " is in use by another Quorvane program (the tray program or a watcher); only one may "
           "write there at a time";
}

} // namespace qv
