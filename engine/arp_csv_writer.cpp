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

ArpCsvWriter::ArpCsvWriter(const DataFolder& folder, const SharedSettings& settings,
                           FrameLogFiles files)
    : m_folder(folder), m_settings(settings), m_files(files) {}

// The file as a run of one-line appends would see it: its size on disk plus what waits to be
// written, and whether the next line goes with a header (the file was made, or moved away, just
// before it).
struct ArpCsvWriter::Target {
    std::string path;
    const char* headerLine = nullptr;
    FileDescriptor fd;
    std::int64_t size = 0;
    bool header = false;
    std::string pending;

    void append(std::string_view line) {
        if (header) {
            pending.append(headerLine).append("\r\n");
            header = false;
        }
        pending.append(line);
    }
    void flush() {
        static_cast<void>(writeAll(fd.get(), pending)); // a failed write is not reported
        pending.clear();
    }
    void close() {
        flush();
        fd.reset();
    }
};

bool ArpCsvWriter::open(Target& target) {
    target.fd = openForAppend(target.path, target.header);
    if (!target.fd) {
        return false;
    }
    target.size = fileSize(target.fd.get());
    return true;
}

// A file over the limit moves to ARP.bak, replacing an older backup, and a new one starts with the
// header. When the move fails, the lines go on into the old file, without a header.
void ArpCsvWriter::rotateIfFull(Target& target, std::int64_t limit) {
    if (target.size <= limit) {
        return;
    }
    target.close();
    const std::string backup = m_folder.DataFilePath(m_files.backup);
    ::unlink(backup.c_str());
    const bool moved = ::rename(target.path.c_str(), backup.c_str()) == 0;
    bool created = false;
    target.fd = openForAppend(target.path, created);
    if (!target.fd) {
        return;
    }
    target.size = fileSize(target.fd.get());
    target.header = created || moved;
}

void ArpCsvWriter::appendArpCsv(std::string_view line) {
    ArpCsvBatch one;
    one.text() = line;
    one.endLine();
    appendArpCsv(one);
}

void ArpCsvWriter::appendArpCsv(const ArpCsvBatch& batch) {
    if (batch.empty()) {
        return;
    }
    std::lock_guard lock(m_serial);
    Target target;
    target.path = m_folder.DataFilePath(m_files.name);
    target.headerLine = m_files.header;
    if (!open(target)) {
        return;
    }
    const bool limited = m_settings.flag(&Settings::ARPLogSizeLimited);
    const std::int64_t limit = arpCsvSizeLimit(m_settings.number(&Settings::ARPLogSizeMB));
    for (std::size_t i = 0; i < batch.lines(); ++i) {
        if (limited) {
            rotateIfFull(target, limit);
            if (!target.fd) {
                return;
            }
        }
        const std::size_t before = target.pending.size();
        target.append(batch.line(i));
        target.size += static_cast<std::int64_t>(target.pending.size() - before);
    }
    target.close();
}

} // namespace qv
