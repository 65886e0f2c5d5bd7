#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "engine/packet_driver.h"

namespace qv::test {

// One read as the fake adapter delivers it.
struct FakeRead {
    std::vector<std::uint8_t> bytes;
    bool full = false;
    bool throws = false; // the read throws, as a driver whose adapter went away might
};

// A packet driver whose adapters deliver a table of read buffers and then stay silent: a read
// with nothing left waits, without a time limit, until it is woken. It counts opens, releases and
// how many sources of one adapter were open at once.
class FakePacketDriver final : public PacketDriver {
public:
    std::vector<AdapterInfo> adapters;
    std::map<std::string, std::deque<FakeRead>> reads;
    std::map<std::string, std::string> openErrors;

    std::vector<AdapterInfo> listAdapters() override { return adapters; }
    std::unique_ptr<CaptureSource> openAdapter(const std::string& name,
                                               std::string& error) override;

    int opens(const std::string& name);
    int open(const std::string& name);
    int mostOpenAtOnce(const std::string& name);
    // Waits until the adapter's table of reads has been taken.
    void waitUntilDrained(const std::string& name);

private:
    friend class FakeSource;
    std::mutex m_guard;
    std::condition_variable m_changed;
    std::map<std::string, int> m_opens;
    std::map<std::string, int> m_open;
    std::map<std::string, int> m_mostOpen;
};

} // namespace qv::test
