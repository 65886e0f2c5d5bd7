#include "common/file_descriptor.h"

#include <unistd.h>

namespace qv {

void FileDescriptor::reset(int fd) {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
    m_fd = fd;
}

bool FileDescriptor::close() {
    return ::close(release()) == 0;
}

} // namespace qv
