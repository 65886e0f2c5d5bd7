#include "common/text_fields.h"

namespace qv {

std::string ExtractField(std::string_view text, char separator, int index) {
    if (index < 0) {
        return {};
    }
    std::size_t start = 0;
    for (int field = 0; field < index; ++field) {
        const std::size_t next = text.find(separator, start);
        if (next == std::string_view::npos) {
            return {};
        }
        start = next + 1;
    }
    const std::size_t end = text.find(separator, start);
    return std::string(text.substr(start, end == std::string_view::npos ? end : end - start));
}

std::string_view cutAtCharBoundary(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t cut = maxBytes;
    // Step back over continuation bytes (10xxxxxx) to the start of the character that the cut
    // would split.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return text.substr(0, cut);
}

} // namespace qv
