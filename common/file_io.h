#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qv {

// Up to `maxBytes` from the start of a file; nothing when the file cannot be opened or read.
std::optional<std::vector<std::uint8_t>> readFilePrefix(const std::string& path,
                                                        std::size_t maxBytes);

// Writes `bytes` to a new file beside `path` and renames it over `path`, so that a crash or a full
// disk leaves either the old file or the new one, never a mixture. False when nothing was
// replaced; the old file is then untouched.
bool replaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes);

// The folder of the running program, with a trailing "/".
std::string programFolder();

} // namespace qv
