#include "common/file_io.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/file_descriptor.h"

namespace qv {
namespace {

void syncFolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd) {
        ::fsync(fd.get());
    }
}

} // namespace

FileDescriptor openForAppend(const std::string& path, bool& created) {
    created = false;
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
    if (!fd && errno == ENOENT) {
        fd.reset(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC,
                        DATA_FILE_MODE));
        created = fd.valid();
        if (created) {
            ::fchmod(fd.get(), DATA_FILE_MODE); // whatever the umask took away
        }
    }
    // An empty file (one whose first write a kill cut off) gets its header too: the first line
    // is a header to every reader.
    struct stat status {};
    if (fd && !created && ::fstat(fd.get(), &status) == 0 && status.st_size == 0) {
        created = true;
    }
    return fd;
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

bool writeAll(int fd, std::string_view text) {
    return writeAll(fd, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::optional<std::vector<std::uint8_t>> readFilePrefix(const std::string& path,
                                                        std::size_t maxBytes) {
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    while (bytes.size() < maxBytes) {
        const std::size_t want = std::min(sizeof chunk, maxBytes - bytes.size());
        const ssize_t got = ::read(fd.get(), chunk, want);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            break;
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
}

namespace {

// The mode of a file that may be written in place, DATA_FILE_MODE for a new one, or nothing (errno
// set) for a file that exists but may not be written.
std::optional<mode_t> writableMode(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return errno == ENOENT ? std::optional<mode_t>(DATA_FILE_MODE) : std::nullopt;
    }
    if (!FileDescriptor(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK))) {
        return std::nullopt;
    }
    return status.st_mode & 07777;
}

} // namespace

bool mayReplace(const std::string& path) {
    return writableMode(path).has_value();
}

namespace {

// Tries `take` on <path>.damaged, <path>.damaged.2, ... until it succeeds or fails for another
// reason than the name being taken.
template <typename Take>
std::optional<std::string> onFreeDamagedName(const std::string& path, Take take) {
    constexpr int ATTEMPTS = 100;
    for (int n = 1; n <= ATTEMPTS; ++n) {
        const std::string name =
            path + DAMAGED_SUFFIX + (n == 1 ? std::string() : "." + std::to_string(n));
        if (take(name)) {
            return name;
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    errno = EEXIST;
    return std::nullopt;
}

} // namespace

std::optional<std::string> keepAside(const std::string& path) {
    // A hard link never replaces a file that is there already; the old name then goes.
    const auto kept = onFreeDamagedName(
        path, [&](const std::string& name) { return ::link(path.c_str(), name.c_str()) == 0; });
    if (!kept) {
        return std::nullopt;
    }
    if (::unlink(path.c_str()) != 0) {
        const int failure = errno;
        ::unlink(kept->c_str());
        errno = failure;
        return std::nullopt;
    }
    syncFolderOf(path);
    return kept;
}

bool replaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes) {
    const auto mode = writableMode(path);
    if (!mode) {
        return false;
    }
    const std::string temporary = path + TEMPORARY_SUFFIX;
    FileDescriptor fd(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd) {
        return false;
    }
    ::fchmod(fd.get(), *mode);
    const bool written = writeAll(fd.get(), bytes) && ::fsync(fd.get()) == 0;
    const bool closed = fd.close();
    if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const int failure = errno;
        ::unlink(temporary.c_str());
        errno = failure;
        return false;
    }
    syncFolderOf(path);
    return true;
}

void removeTemporaryOf(const std::string& path) {
    ::unlink((path + TEMPORARY_SUFFIX).c_str());
}

namespace {

// The end of the last line feed of an open file (0 when it has none), or nothing when the file
// cannot be read. Reads backwards a block at a time.
std::optional<off_t> endOfLastLineFeed(int fd, off_t size) {
    char block[4096];
    for (off_t end = size; end > 0;) {
        const off_t start = end > static_cast<off_t>(sizeof block) ? end - sizeof block : 0;
        const ssize_t got = ::pread(fd, block, static_cast<std::size_t>(end - start), start);
        if (got != end - start) {
            return std::nullopt;
        }
        const auto* found = static_cast<const char*>(::memrchr(block, '\n', got));
        if (found != nullptr) {
            return start + (found - block) + 1;
        }
        end = start;
    }
    return 0;
}

// Copies bytes [from, end) of an open file to a new file under a free .damaged name.
std::optional<std::string> copyTailAside(const std::string& path, int fd, off_t from, off_t end) {
    std::vector<std::uint8_t> tail(static_cast<std::size_t>(end - from));
    if (::pread(fd, tail.data(), tail.size(), from) != static_cast<ssize_t>(tail.size())) {
        return std::nullopt;
    }
    return onFreeDamagedName(path, [&](const std::string& name) {
        const FileDescriptor out(::open(
            name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, DATA_FILE_MODE));
        if (!out) {
            return false;
        }
        const bool written = writeAll(out.get(), tail) && ::fsync(out.get()) == 0;
        if (!written) {
            ::unlink(name.c_str());
            errno = EIO; // not EEXIST: no other name is tried
        }
        return written;
    });
}

std::optional<std::string> mendLastLine(const std::string& path, int fd, off_t size) {
    const auto keep = endOfLastLineFeed(fd, size);
    char beforeLineFeed = '\r';
    if (!keep || *keep == size || (*keep >= 2 && ::pread(fd, &beforeLineFeed, 1, *keep - 2) != 1)) {
        return std::nullopt;
    }
    if (beforeLineFeed != '\r') {
        // Lines that end in a bare line feed are not this program's: the last one is ended rather
        // than cut, and the lines appended after it start on their own.
        [[maybe_unused]] const ssize_t ended = ::pwrite(fd, "\n", 1, size);
        return std::nullopt;
    }
    auto kept = copyTailAside(path, fd, *keep, size);
    if (kept && ::ftruncate(fd, *keep) != 0) {
        ::unlink(kept->c_str());
        return std::nullopt;
    }
    return kept;
}

} // namespace

std::optional<std::string> cutPartialLastLine(const std::string& path) {
    const FileDescriptor fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd) {
        return std::nullopt;
    }
    struct stat status {};
    return ::fstat(fd.get(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0
               ? mendLastLine(path, fd.get(), status.st_size)
               : std::nullopt;
}

std::string programFolder() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) {
        return "./";
    }
    std::string path(buffer, static_cast<std::size_t>(length));
    return path.substr(0, path.find_last_of('/') + 1);
}

} // namespace qv
