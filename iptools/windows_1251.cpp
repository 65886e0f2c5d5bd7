#include "iptools/windows_1251.h"

#include <array>
#include <cstdint>

namespace qv {
namespace {

// Code points of the bytes 0x80 to 0xBF; 0xC0 to 0xFF are U+0410 to U+044F in order, and 0x98 is
// unassigned.
constexpr std::array<char32_t, 64> UPPER_HALF = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457};

char toWindows1251(char32_t c) {
    if (c < 0x80) {
        return static_cast<char>(c);
    }
    if (c >= 0x0410 && c <= 0x044F) {
        return static_cast<char>(0xC0 + (c - 0x0410));
    }
    for (std::size_t i = 0; i < UPPER_HALF.size(); ++i) {
        if (UPPER_HALF[i] == c) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

// Decodes one UTF-8 sequence at `i`, moving `i` past it; a malformed sequence gives U+FFFD and
// moves one byte on.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const auto lead = static_cast<std::uint8_t>(s[i]);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 0;
    if (length == 0 || i + static_cast<std::size_t>(length) > s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        const auto next = static_cast<std::uint8_t>(s[i + static_cast<std::size_t>(k)]);
        if ((next & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        c = (c << 6) | (next & 0x3F);
    }
    i += static_cast<std::size_t>(length);
    return c;
}

} // namespace

std::string utf8ToWindows1251(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        out += toWindows1251(nextCodePoint(text, i));
    }
    return out;
}

} // namespace qv
