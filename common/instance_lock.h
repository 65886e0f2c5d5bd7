#pragma once

#include <string>

#include "common/data_folder.h"

namespace qv {

inline constexpr const char* LOCK_FILE_NAME = "Quorvane.lock";

// One writer per data folder: an exclusive lock (flock) on Quorvane.lock in the folder, held for
// the life of the object. The kernel releases it however the process ends, and the descriptor is
// closed on exec, so a program started by the holder does not inherit it.
class InstanceLock {
public:
    enum class State {
        Acquired, // this process is the folder's one writer
        Held,     // another process holds the folder
        Unusable, // the lock file cannot be opened (the folder cannot be created or read)
    };

    explicit InstanceLock(const DataFolder& folder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    State state() const { return m_state; }
    // Why the lock file could not be opened, when Unusable.
    const std::string& error() const { return m_error; }

private:
    int m_fd = -1;
    State m_state = State::Unusable;
    std::string m_error;
};

// What a second writer of a folder is told.
std::string folderInUseMessage(const DataFolder& folder);

} // namespace qv
