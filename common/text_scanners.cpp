#include "common/text_scanners.h"

#include <cctype>

namespace qv {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isCapitalHex(char c) {
    return isDigit(c) || (c >= 'A' && c <= 'F');
}

// Value of a digit run, saturated at 256 so that runs too long for any integer still read as
// "above 255".
int octetValue(std::string_view digits) {
    int value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > 255) {
            return 256;
        }
    }
    return value;
}

} // namespace

IPv4Address FindIPInText(std::string_view text) {
    IPv4Address result{};
    int n = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!isDigit(text[i])) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < text.size() && isDigit(text[i])) {
            ++i;
        }
        const bool atEnd = i == text.size();
        const bool taken = (n < 3 && !atEnd && text[i] == '.') || atEnd || n == 3;
        const int value = octetValue(text.substr(start, i - start));
        if (!taken || value > 255) {
            n = 0;
            continue;
        }
        result[static_cast<std::size_t>(n)] = static_cast<std::uint8_t>(value);
        if (++n == 4) {
            return result;
        }
    }
    return IPv4Address{};
}

std::string FindIPv6InText(std::string_view text) {
    const auto isAddressChar = [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '.';
    };
    for (std::size_t i = 0; i < text.size();) {
        std::size_t end = i;
        while (end < text.size() && isAddressChar(text[end])) {
            ++end;
        }
        const std::string word(text.substr(i, end - i));
        if (word.find(':') != std::string::npos && IPv6FromText(word)) {
            return word;
        }
        i = end + 1;
    }
    return {};
}

std::string FindMACInText(std::string_view text) {
    std::string result;
    int n = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!isCapitalHex(text[i])) {
            ++i;
            continue;
        }
        const std::size_t start = i;
        while (i < text.size() && isCapitalHex(text[i])) {
            ++i;
        }
        const bool atEnd = i == text.size();
        const bool taken = n == 5 || atEnd || text[i] == '-';
        const std::size_t length = i - start;
        if (!taken || length >= 3) {
            result.clear();
            n = 0;
            continue;
        }
        if (!result.empty()) {
            result += '-';
        }
        result.append(text.substr(start, length));
        if (++n == 6) {
            return result;
        }
    }
    return {};
}

} // namespace qv
