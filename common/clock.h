#pragma once

#include <atomic>

#include "common/date_time.h"

namespace qv {

// Where detection takes "now" from: the live program reads the local clock, replay follows the
// capture's time stamps, tests set it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual TDateTime now() const = 0;
};

class LocalClock final : public Clock {
public:
    TDateTime now() const override;
};

// A clock that shows whatever it was last set to; safe to read on any thread while one sets it.
class ManualClock final : public Clock {
public:
    explicit ManualClock(TDateTime start = 0.0) : m_now(start) {}
    TDateTime now() const override { return m_now.load(std::memory_order_relaxed); }
    void set(TDateTime value) { m_now.store(value, std::memory_order_relaxed); }
    void advanceSeconds(double seconds) { set(now() + seconds / SECONDS_PER_DAY); }

private:
    std::atomic<TDateTime> m_now;
};

} // namespace qv
