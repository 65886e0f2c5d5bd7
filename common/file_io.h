#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Up to `maxBytes` from the start of a file; nothing when the file cannot be opened or read.
std::optional<std::vector<std::uint8_t>> readFilePrefix(const std::string& path,
                                                        std::size_t maxBytes);

// Writes `bytes` to a new file beside `path` and renames it over `path`, so that a crash or a full
// disk leaves either the old file or the new one, never a mixture. False when nothing was
// replaced; the old file is then untouched.
bool replaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes);

// Opens a file for appending, creating it when it is missing; `created` tells whether it was new.
// -1 when it cannot be opened. Each record opens and closes the file: no handle stays open.
int openForAppend(const std::string& path, bool& created);

// Writes all of `bytes` (retrying short writes); false on an error.
bool writeAll(int fd, std::span<const std::uint8_t> bytes);
bool writeAll(int fd, std::string_view text);

// The folder of the running program, with a trailing "/".
std::string programFolder();

} // namespace qv
