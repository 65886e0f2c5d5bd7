#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "settings/settings.h"

namespace qv {

// The program's one Settings record, shared between the GUI thread (its only writer) and the
// capture threads and notifier (readers). Flags and numbers are read without the guard, as whole
// values; texts and the lists are read under the guard, so that a reader sees the old text or the
// new one and never a mixture.
class SharedSettings {
public:
    explicit SharedSettings(const Settings& initial) : m_record(initial) {}
    SharedSettings(const SharedSettings&) = delete;
    SharedSettings& operator=(const SharedSettings&) = delete;

    // A copy of the whole record (for saving it or showing it on the Options page).
    Settings snapshot() const;
    // Replaces the whole record.
    void assign(const Settings& record);
    // Applies `change` to a copy of the record and stores the result as `assign` does.
    void update(const std::function<void(Settings&)>& change);

    bool flag(std::uint8_t Settings::*field) const {
        return std::atomic_ref<const std::uint8_t>(m_record.*field)
                   .load(std::memory_order_relaxed) != 0;
    }
    std::int32_t number(std::int32_t Settings::*field) const {
        return std::atomic_ref<const std::int32_t>(m_record.*field).load(std::memory_order_relaxed);
    }
    std::string text(TextField Settings::*field) const;

    void setFlag(std::uint8_t Settings::*field, bool on);
    void setNumber(std::int32_t Settings::*field, std::int32_t value);
    void setText(TextField Settings::*field, const std::string& text);

private:
    void storeLocked(const Settings& record);

    mutable std::mutex m_guard;
    Settings m_record;
};

} // namespace qv
