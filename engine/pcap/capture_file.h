#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "engine/capture_walk.h"

namespace qv {

inline constexpr int LINK_TYPE_ETHERNET = 1;

// A pcap or pcapng file read through the runtime-loaded libpcap.
class CaptureFile {
public:
    enum class Status { Frame, End, Error };

    ~CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    // Nothing, with `error` set, when the file cannot be opened (or libpcap is missing).
    static std::unique_ptr<CaptureFile> open(const std::string& path, std::string& error);

    int linkType() const;
    // "EN10MB (1)", "LINUX_SLL (113)", ...
    std::string linkTypeName() const;

    // The next frame; its bytes stay valid until the next call. `microseconds` gets its whole time
    // (since 1970, before it too), of which the capture header keeps 32 bits of seconds. Error
    // means the file is damaged or cut short: `error()` says how.
    Status next(CaptureHeader& header, std::span<const std::uint8_t>& bytes,
                std::int64_t& microseconds);
    const std::string& error() const { return m_error; }

private:
    explicit CaptureFile(void* handle) : m_handle(handle) {}

    void* m_handle;
    std::string m_error;
};

} // namespace qv
