#include "iptools/manufacturer_table.h"

#include <cstring>

// The table's text, embedded as it stands by manufacturer_table_data.cpp.
extern "C" const char qv_manufacturer_table[];
extern "C" const char qv_manufacturer_table_end[];

namespace qv {
namespace {

constexpr std::size_t KEY_LENGTH = 8;

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::uint64_t ManufacturerTable::key(std::string_view eight) {
    std::uint64_t k = 0;
    for (char c : eight) {
        k = (k << 8) | static_cast<unsigned char>(upper(c));
    }
    return k;
}

ManufacturerTable::ManufacturerTable(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string_view::npos ? text.size() : end;
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::size_t tab = line.find('\t');
        if (tab == KEY_LENGTH) {
            // The first line of a key wins, as in a scan from the top.
            m_names.emplace(key(line.substr(0, KEY_LENGTH)), line.substr(tab + 1));
        }
        start = end + 1;
    }
}

std::optional<std::string> ManufacturerTable::LookupManufacturer(std::string_view macText) const {
    if (macText.size() < KEY_LENGTH) {
        return std::nullopt;
    }
    const auto found = m_names.find(key(macText.substr(0, KEY_LENGTH)));
    if (found == m_names.end()) {
        return std::nullopt;
    }
    return std::string(found->second);
}

std::string_view ManufacturerTable::builtInText() {
    return std::string_view(
        qv_manufacturer_table,
        static_cast<std::size_t>(qv_manufacturer_table_end - qv_manufacturer_table));
}

const ManufacturerTable& ManufacturerTable::builtIn() {
    static const ManufacturerTable table(builtInText());
    return table;
}

std::optional<std::string> LookupManufacturer(std::string_view macText) {
    return ManufacturerTable::builtIn().LookupManufacturer(macText);
}

} // namespace qv
