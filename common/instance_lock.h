#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/data_folder.h"
#include "common/file_descriptor.h"

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

    // The holder writes `program` and its process id into the lock file, so that a process it
    // refuses can say who holds the folder.
    explicit InstanceLock(const DataFolder& folder, std::string_view program = "");
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    State state() const { return m_state; }
    // Why the lock file could not be opened, when Unusable.
    const std::string& error() const { return m_error; }

    struct Holder {
        std::string program;
        long pid = 0;
    };
    // Who holds the folder, when Held and the holder said so.
    const std::optional<Holder>& holder() const { return m_holder; }

private:
    FileDescriptor m_fd;
    State m_state = State::Unusable;
    std::string m_error;
    std::optional<Holder> m_holder;
};

// What a second writer of a folder is told, naming the holder when it is known.
std::string folderInUseMessage(const DataFolder& folder,
                               const std::optional<InstanceLock::Holder>& holder = std::nullopt);

} // namespace qv
