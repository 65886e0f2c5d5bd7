#pragma once

#include <string>
#include <string_view>

namespace qv {

// Texts are held in the locale's character set (UTF-8); a messenger receiver expects Windows-1251.
// Characters that code page lacks, and bytes that are not valid UTF-8, become "?".
std::string utf8ToWindows1251(std::string_view text);

} // namespace qv
