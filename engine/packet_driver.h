#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace qv {

struct AdapterInfo {
    std::string name;
    std::string description;
    std::string address; // dotted IPv4, or empty
};

struct ReadResult {
    std::size_t bytes = 0; // frames behind capture headers, from the buffer's start
    bool full = false;     // the buffer had no room for the next frame
};

struct CaptureCounters {
    std::uint64_t received = 0; // frames the driver delivered
    std::uint64_t dropped = 0;  // frames lost in the kernel or on the interface
};

// One adapter opened for promiscuous capture.
class CaptureSource {
public:
    virtual ~CaptureSource() = default;
    // Waits until frames arrive, the read time-out passes or wake() is called, then fills
    // `buffer` with the frames at hand, each behind its capture header, headers and frames on
    // 4-byte boundaries.
    virtual ReadResult read(std::span<std::uint8_t> buffer) = 0;
    // The pause after a read that did not fill the buffer: waits up to `limit`, ending early when
    // frames are already waiting (a busy network) or when woken.
    virtual void pause(std::chrono::milliseconds limit) = 0;
    // Makes a waiting read or pause return at once; callable from any thread.
    virtual void wake() = 0;
    virtual CaptureCounters counters() = 0;
};

// The packet driver: the adapter list and the opening of an adapter.
class PacketDriver {
public:
    virtual ~PacketDriver() = default;
    virtual std::vector<AdapterInfo> listAdapters() = 0;
    // Nothing, with `error` set, when the adapter cannot be opened.
    virtual std::unique_ptr<CaptureSource> openAdapter(const std::string& name,
                                                       std::string& error) = 0;
};

} // namespace qv
