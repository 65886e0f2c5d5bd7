// Fuzzes the text scanners the windows use on list rows. Beyond "no crash": an address or MAC
// found is found again in its own text, each MAC group stands in the text, and the fields cut at
// a separator put back together give the text.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/addresses.h"
#include "common/text_fields.h"
#include "common/text_scanners.h"

namespace {

using namespace qv;

void checkAddress(std::string_view text) {
    const IPv4Address ip = FindIPInText(text);
    if (ip != IPv4Address{} && FindIPInText(IPToText(ip)) != ip) {
        std::abort();
    }
}

void checkMac(std::string_view text) {
    const std::string mac = FindMACInText(text);
    if (mac.empty()) {
        return;
    }
    if (mac.size() > 17 || FindMACInText(mac) != mac) {
        std::abort();
    }
    std::size_t start = 0;
    while (start <= mac.size()) {
        const std::size_t end = std::min(mac.find('-', start), mac.size());
        if (text.find(mac.substr(start, end - start)) == std::string_view::npos) {
            std::abort();
        }
        start = end + 1;
    }
}

// The first fields, put back together with their separators, give the start of the text.
void checkFields(std::string_view text, char separator) {
    constexpr int FIELDS = 16;
    std::string joined;
    for (int i = 0; i < FIELDS; ++i) {
        const std::string field = ExtractField(text, separator, i);
        if (field.find(separator) != std::string::npos) {
            std::abort();
        }
        joined += (i == 0 ? "" : std::string(1, separator)) + field;
    }
    const auto separators = std::count(text.begin(), text.end(), separator);
    // With fewer separators than fields the joined text runs on with empty fields; with more it
    // stops within the text.
    const bool agrees = separators < FIELDS ? joined.starts_with(text) : text.starts_with(joined);
    if (!agrees) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const char separator = static_cast<char>(data[0]);
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    checkAddress(text);
    checkMac(text);
    checkFields(text, separator);
    return 0;
}
