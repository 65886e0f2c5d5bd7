#include "engine/arp_csv_writer.h"

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "common/file_io.h"

namespace qv {
namespace {

constexpr std::int64_t HALF_MEGABYTE = 524'288;

std::int64_t fileSize(int fd) {
    struct stat status {};
    return ::fstat(fd, &status) == 0 ? static_cast<std::int64_t>(status.st_size) : 0;
}

} // namespace

std::int64_t arpCsvSizeLimit(std::int32_t megabytes) {
    return std::max<std::int64_t>(megabytes, 0) * HALF_MEGABYTE;
}

ArpCsvWriter::ArpCsvWriter(const DataFolder& folder, const SharedSettings& settings)
    : m_folder(folder), m_settings(settings) {}

void ArpCsvWriter::appendArpCsv(std::string_view line) {
    std::lock_guard lock(m_serial);
    const std::string path = m_folder.DataFilePath(ARP_CSV_FILE_NAME);
    bool isNew = false;
    int fd = openForAppend(path, isNew);
    if (fd < 0) {
        return;
    }
    if (m_settings.flag(&Settings::ARPLogSizeLimited) &&
        fileSize(fd) > arpCsvSizeLimit(m_settings.number(&Settings::ARPLogSizeMB))) {
        ::close(fd);
        const std::string backup = m_folder.DataFilePath(ARP_BACKUP_FILE_NAME);
        ::unlink(backup.c_str());
        const bool moved = ::rename(path.c_str(), backup.c_str()) == 0;
        bool created = false;
        fd = openForAppend(path, created);
        isNew = isNew || moved;
        if (fd < 0) {
            return;
        }
    }
    std::string text;
    if (isNew) {
        text = std::string(ARP_CSV_HEADER) + "\r\n";
    }
    text.append(line);
    writeAll(fd, text); // a failed write is not reported
    ::close(fd);
}

} // namespace qv
