#pragma once

#include <utility>

namespace qv {

// An open file descriptor, closed when its owner goes, however that happens (an early return, an
// exception): no code path leaks one or closes one twice. It moves; it does not copy.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { reset(); }
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    explicit operator bool() const { return valid(); }
    // Gives the descriptor up, unclosed.
    int release() { return std::exchange(m_fd, -1); }
    // Closes the descriptor held (if any) and holds `fd`.
    void reset(int fd = -1);
    // Closes it now; false when close() reported an error (a write that was lost).
    [[nodiscard]] bool close();

private:
    int m_fd = -1;
};

} // namespace qv
