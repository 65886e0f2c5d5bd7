#include "common/data_folder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

#include "common/file_descriptor.h"

namespace qv {

std::string DataFolder::DataFilePath(std::string_view fileName) const {
    std::error_code ignored;
    std::filesystem::create_directories(m_folder, ignored);
    return (m_folder / fileName).string();
}

std::optional<std::string> DataFolder::writeProblem() const {
    std::error_code error;
    std::filesystem::create_directories(m_folder, error);
    if (error) {
        return error.message();
    }
    // An anonymous file shows whether the folder takes new files without ever leaving one.
    FileDescriptor fd(::open(m_folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    int openError = errno;
    if (!fd && (openError == EOPNOTSUPP || openError == EISDIR)) {
        const std::string probe = (m_folder / ".write-probe").string();
        fd.reset(::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        openError = errno;
        ::unlink(probe.c_str());
    }
    if (!fd) {
        return std::strerror(openError);
    }
    return std::nullopt;
}

} // namespace qv
