#include "tests/support/fake_packet_driver.h"

#include <algorithm>
#include <stdexcept>

namespace qv::test {

class FakeSource final : public CaptureSource {
public:
    FakeSource(FakePacketDriver& driver, std::string name)
        : m_driver(driver), m_name(std::move(name)) {}
    ~FakeSource() override {
        std::lock_guard lock(m_driver.m_guard);
        --m_driver.m_open[m_name];
        m_driver.m_changed.notify_all();
    }

    ReadResult read(std::span<std::uint8_t> buffer) override {
        std::unique_lock lock(m_driver.m_guard);
        auto& queue = m_driver.reads[m_name];
        m_driver.m_changed.wait(lock, [&] { return !queue.empty() || m_woken; });
        if (m_woken) {
            m_woken = false;
            return {};
        }
        FakeRead next = std::move(queue.front());
        queue.pop_front();
        m_driver.m_changed.notify_all();
        if (next.throws) {
            throw std::runtime_error("the adapter went away");
        }
        const std::size_t n = std::min(next.bytes.size(), buffer.size());
        std::copy_n(next.bytes.begin(), n, buffer.begin());
        ++m_received;
        return {n, next.full};
    }
    void pause(std::chrono::milliseconds limit) override {
        std::unique_lock lock(m_driver.m_guard);
        m_driver.m_changed.wait_for(lock, limit, [&] { return m_woken; });
    }
    void wake() override {
        std::lock_guard lock(m_driver.m_guard);
        m_woken = true;
        m_driver.m_changed.notify_all();
    }
    CaptureCounters counters() override { return {m_received, 0}; }

private:
    FakePacketDriver& m_driver;
    std::string m_name;
    bool m_woken = false;
    std::uint64_t m_received = 0;
};

std::unique_ptr<CaptureSource> FakePacketDriver::openAdapter(const std::string& name,
                                                             std::string& error) {
    std::lock_guard lock(m_guard);
    ++m_opens[name];
    if (openErrors.count(name) != 0) {
        error = openErrors[name];
        return nullptr;
    }
    m_mostOpen[name] = std::max(m_mostOpen[name], ++m_open[name]);
    return std::make_unique<FakeSource>(*this, name);
}

int FakePacketDriver::opens(const std::string& name) {
    std::lock_guard lock(m_guard);
    return m_opens[name];
}

int FakePacketDriver::open(const std::string& name) {
    std::lock_guard lock(m_guard);
    return m_open[name];
}

int FakePacketDriver::mostOpenAtOnce(const std::string& name) {
    std::lock_guard lock(m_guard);
    return m_mostOpen[name];
}

void FakePacketDriver::waitUntilDrained(const std::string& name) {
    std::unique_lock lock(m_guard);
    m_changed.wait(lock, [&] { return reads[name].empty(); });
}

} // namespace qv::test
