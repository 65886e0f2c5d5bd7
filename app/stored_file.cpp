#include "app/stored_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/file_descriptor.h"
#include "common/file_io.h"

namespace qv {

StoredFile::StoredFile(std::string path, std::size_t wholeSize)
    : m_path(std::move(path)), m_wholeSize(wholeSize) {}

StoredFile::State StoredFile::examine() {
    m_problem.clear();
    struct stat status {};
    if (::stat(m_path.c_str(), &status) != 0 && errno == ENOENT) {
        return m_state = State::Missing;
    }
    const FileDescriptor fd(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd || !S_ISREG(status.st_mode)) {
        m_problem = !fd ? std::strerror(errno) : "not a regular file";
        return m_state = State::Unreadable;
    }
    return m_state = static_cast<std::size_t>(status.st_size) == m_wholeSize ? State::Whole
                                                                             : State::Damaged;
}

bool StoredFile::prepareSave(std::string& note) {
    note.clear();
    if (m_state == State::Unreadable) {
        note = m_path + " could not be read when the program started (" + m_problem +
               "), so it is left as it was";
        return false;
    }
    if (m_state == State::Damaged) {
        if (!mayReplace(m_path)) {
            note = "cannot write " + m_path + ": " + std::strerror(errno);
            return false;
        }
        const auto kept = keepAside(m_path);
        if (!kept) {
            note = "the damaged " + m_path + " cannot be kept aside (" + std::strerror(errno) +
                   "), so it is left as it was";
            return false;
        }
        note = "the damaged " + m_path + " was kept as " + *kept;
        m_state = State::Missing;
    }
    return true;
}

std::string StoredFile::loadNote() const {
    switch (m_state) {
    case State::Unreadable:
        return "cannot read " + m_path + ": " + m_problem + "; it will be left as it is";
    case State::Damaged:
        return m_path + " is damaged; what could be read of it was loaded";
    case State::Missing:
    case State::Whole:
        break;
    }
    return {};
}

} // namespace qv
