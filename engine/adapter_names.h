#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>

namespace qv {

// The number a capture thread tags its frames with: its adapter's place in the capture table.
using AdapterId = std::uint8_t;
inline constexpr AdapterId NO_ADAPTER = 0xFF;
inline constexpr std::size_t ADAPTER_NAME_SLOTS = 16;

// The adapters' names by their ids, for the events that name the adapter of a frame. A name is
// set before its adapter's capture starts and read when an event is raised, on any thread.
class AdapterNames {
public:
    void set(AdapterId id, std::string name) {
        if (id < ADAPTER_NAME_SLOTS) {
            std::lock_guard lock(m_guard);
            m_names[id] = std::move(name);
        }
    }
    // Empty for NO_ADAPTER and for an id never named.
    std::string name(AdapterId id) const {
        if (id >= ADAPTER_NAME_SLOTS) {
            return {};
        }
        std::lock_guard lock(m_guard);
        return m_names[id];
    }

private:
    mutable std::mutex m_guard;
    std::array<std::string, ADAPTER_NAME_SLOTS> m_names;
};

} // namespace qv
