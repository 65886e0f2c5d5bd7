#include "tables/event_filter.h"

#include <algorithm>

#include "common/text_scanners.h"

namespace qv {
namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        };
        return lower(x) == lower(y);
    });
}

bool isTokenCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || c == '-' || c == '.';
}

void addUnlessPresent(std::vector<std::string>& list, const std::string& text) {
    if (std::none_of(list.begin(), list.end(),
                     [&](const std::string& e) { return sameIgnoringCase(e, text); })) {
        list.push_back(text);
    }
}

} // namespace

std::vector<std::string> filterSuggestions(const std::string& current, const std::string* type,
                                           const std::string* details) {
    std::vector<std::string> list;
    if (!current.empty()) {
        list.push_back(current);
    }
    if (type == nullptr || details == nullptr) {
        return list;
    }
    addUnlessPresent(list, *type);
    if (const std::string ipv6 = FindIPv6InText(*details); !ipv6.empty()) {
        addUnlessPresent(list, ipv6);
    }
    for (std::size_t i = 0; i < details->size();) {
        if (!isTokenCharacter((*details)[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < details->size() && isTokenCharacter((*details)[end])) {
            ++end;
        }
        const std::string token = details->substr(i, end - i);
        if (FindIPInText(token) != ZERO_IP) {
            addUnlessPresent(list, token);
        }
        if (!FindMACInText(token).empty()) {
            addUnlessPresent(list, token);
        }
        i = end;
    }
    return list;
}

} // namespace qv
