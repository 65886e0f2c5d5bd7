#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Fixed file and frame layouts are read and written byte by byte, never by casting a buffer to a
// struct, so that alignment and host byte order never leak into the files.
namespace qv {

inline std::uint16_t loadBe16(const std::uint8_t* p) noexcept {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

inline std::uint16_t loadLe16(const std::uint8_t* p) noexcept {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t loadLe32(const std::uint8_t* p) noexcept {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::int32_t loadLeI32(const std::uint8_t* p) noexcept {
    return static_cast<std::int32_t>(loadLe32(p));
}

inline std::uint64_t loadLe64(const std::uint8_t* p) noexcept {
    return static_cast<std::uint64_t>(loadLe32(p)) |
           (static_cast<std::uint64_t>(loadLe32(p + 4)) << 32);
}

inline double loadLeDouble(const std::uint8_t* p) noexcept {
    const std::uint64_t bits = loadLe64(p);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void storeBe16(std::uint8_t* p, std::uint16_t v) noexcept {
    p[0] = static_cast<std::uint8_t>(v >> 8);
    p[1] = static_cast<std::uint8_t>(v);
}

inline void storeLe16(std::uint8_t* p, std::uint16_t v) noexcept {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void storeLe32(std::uint8_t* p, std::uint32_t v) noexcept {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

inline void storeLeI32(std::uint8_t* p, std::int32_t v) noexcept {
    storeLe32(p, static_cast<std::uint32_t>(v));
}

inline void storeLe64(std::uint8_t* p, std::uint64_t v) noexcept {
    storeLe32(p, static_cast<std::uint32_t>(v));
    storeLe32(p + 4, static_cast<std::uint32_t>(v >> 32));
}

inline void storeLeDouble(std::uint8_t* p, double value) noexcept {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    storeLe64(p, bits);
}

} // namespace qv
