#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace qv {

inline constexpr std::size_t MAX_MESSENGER_DATAGRAM = 16384;

// Moves the Cyrillic letters of code page 1251 to their places in code page 866: 0xC0..0xEF are
// lowered by 0x40, 0xF0..0xFF by 0x10, every other byte stays.
void applyCodePageStep(std::span<std::uint8_t> bytes);

// Sender, NUL, recipient, NUL, text, NUL, after converting the three texts from the locale's
// UTF-8 to Windows-1251 and then applying the code-page step. A datagram that would exceed 16,384
// bytes has its text shortened to fit (then the sender, then the recipient, should those alone be
// too long).
std::vector<std::uint8_t> MessengerDatagram(std::string_view sender, std::string_view recipient,
                                            std::string_view text);

} // namespace qv
