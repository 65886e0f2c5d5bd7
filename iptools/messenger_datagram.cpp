#include "iptools/messenger_datagram.h"

#include <algorithm>
#include <string>

#include "iptools/windows_1251.h"

namespace qv {

void applyCodePageStep(std::span<std::uint8_t> bytes) {
    for (auto& b : bytes) {
        if (b >= 0xC0 && b <= 0xEF) {
            b = static_cast<std::uint8_t>(b - 0x40);
        } else if (b >= 0xF0) {
            b = static_cast<std::uint8_t>(b - 0x10);
        }
    }
}

std::vector<std::uint8_t> MessengerDatagram(std::string_view sender, std::string_view recipient,
                                            std::string_view text) {
    std::string parts[3] = {utf8ToWindows1251(sender), utf8ToWindows1251(recipient),
                            utf8ToWindows1251(text)};
    constexpr std::size_t SEPARATORS = 3;
    // Shorten the text first, then the sender, then the recipient: one byte is one character in
    // a single-byte code page, so any cut is at a character boundary.
    for (int part : {2, 0, 1}) {
        const std::size_t total = parts[0].size() + parts[1].size() + parts[2].size() + SEPARATORS;
        if (total > MAX_MESSENGER_DATAGRAM) {
            auto& cut = parts[part];
            cut.resize(cut.size() - std::min(cut.size(), total - MAX_MESSENGER_DATAGRAM));
        }
    }
    std::vector<std::uint8_t> datagram;
    datagram.reserve(parts[0].size() + parts[1].size() + parts[2].size() + SEPARATORS);
    for (const std::string& part : parts) {
        datagram.insert(datagram.end(), part.begin(), part.end());
        datagram.push_back(0);
    }
    applyCodePageStep(datagram);
    return datagram;
}

} // namespace qv
