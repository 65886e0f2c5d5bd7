#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_descriptor.h"

namespace qv {

// Up to `maxBytes` from the start of a file; nothing when the file cannot be opened or read.
std::optional<std::vector<std::uint8_t>> readFilePrefix(const std::string& path,
                                                        std::size_t maxBytes);

// New data files may be written by the group as by their owner: the data folder's group (the
// folder is set-group-ID) is how the tray program's users and the sensor service share it.
inline constexpr unsigned DATA_FILE_MODE = 0664;

// Writes `bytes` to a new file beside `path` (its name and TEMPORARY_SUFFIX) and renames it over
// `path`, so that a crash or a full disk leaves either the old file or the new one, never a
// mixture. A file that the process could not have written in place (not open for writing to it)
// is refused, as a direct write would be refused: it is never replaced by the back door of the
// folder. The new file keeps the old one's permissions. False, with errno set, when nothing was
// replaced; the old file is then untouched.
inline constexpr const char* TEMPORARY_SUFFIX = ".new";
[[nodiscard]] bool replaceFileContents(const std::string& path,
                                       std::span<const std::uint8_t> bytes);

// True when replaceFileContents would be allowed to replace `path`: it is missing, or it may be
// opened for writing.
bool mayReplace(const std::string& path);

// Moves a file that a save is about to replace, and that held more than the program could read
// (damaged, or cut short), out of the way under <path>.damaged (or .damaged.2, .damaged.3, ...
// when that is taken): no earlier copy is ever replaced. The new name, or nothing (errno set) when
// the file could not be moved and must be left as it is.
inline constexpr const char* DAMAGED_SUFFIX = ".damaged";
[[nodiscard]] std::optional<std::string> keepAside(const std::string& path);

// Removes the new file a replacement of `path` left behind when it was interrupted.
void removeTemporaryOf(const std::string& path);

// Cuts off a last line that has no line end (a write cut short by a kill), so that the file
// holds only whole lines, and keeps what was cut in a new file under a free .damaged name (see
// keepAside), whose name it returns; nothing when nothing was cut. A file whose lines end in a
// bare line feed was made by hand or by another program: its last line is ended with one instead.
std::optional<std::string> cutPartialLastLine(const std::string& path);

// Opens a file for appending, creating it when it is missing; `created` tells whether it was new.
// None held when it cannot be opened. Each record opens and closes the file: no handle stays
// open.
FileDescriptor openForAppend(const std::string& path, bool& created);

// Writes all of `bytes` (retrying short writes); false on an error.
[[nodiscard]] bool writeAll(int fd, std::span<const std::uint8_t> bytes);
[[nodiscard]] bool writeAll(int fd, std::string_view text);

// The folder of the running program, with a trailing "/".
std::string programFolder();

} // namespace qv
