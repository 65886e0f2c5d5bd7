#pragma once

#include <string>
#include <string_view>

namespace qv {

// Field `index` (from 0) of `text` cut at every `separator`, or an empty text when there are
// fewer fields. A text ending in the separator has an empty last field; nothing is trimmed and
// there is no quoting.
std::string ExtractField(std::string_view text, char separator, int index);

// The longest prefix of `text` of at most `maxBytes` bytes that does not end inside a UTF-8
// character, so that fixed-size fields never hold half a character.
std::string_view cutAtCharBoundary(std::string_view text, std::size_t maxBytes);

} // namespace qv
