#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qv {

// The manufacturer table: the IEEE OUI registry as lines of a key (XX-XX-XX), a TAB and an
// organisation's name. A lookup gives the name of the first line whose key equals the first 8
// characters of a MAC text, letter case ignored, as a scan of the lines from the first would;
// the lines are indexed once instead of scanned at each lookup.
class ManufacturerTable {
public:
    // Indexes a table text (lines end at LF, CR LF or the text's end). Lines without a TAB, or
    // whose key is not exactly 8 characters, are passed over. The text must outlive the table.
    explicit ManufacturerTable(std::string_view text);

    // The table built into the program.
    static const ManufacturerTable& builtIn();
    static std::string_view builtInText();

    std::optional<std::string> LookupManufacturer(std::string_view macText) const;
    std::size_t keys() const { return m_names.size(); }

private:
    static std::uint64_t key(std::string_view eight);

    std::unordered_map<std::uint64_t, std::string_view> m_names;
};

// LookupManufacturer of the built-in table.
std::optional<std::string> LookupManufacturer(std::string_view macText);

} // namespace qv
