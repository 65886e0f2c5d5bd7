#include "common/text_scanners.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(FindIPInText, FindsTheFirstDottedAddress) {
    struct Case {
        const char* text;
        IPv4Address ip;
    };
    const Case cases[] = {
        {"Host 10.0.0.1 (MAC", {10, 0, 0, 1}},
        {"10.0.0.1:80", {10, 0, 0, 1}},
        {"1.2.3.999.5.6.7.8", {5, 6, 7, 8}},
        {"1.2.3 4.5.6.7", {4, 5, 6, 7}},
        {"1.x2.3.4", {1, 2, 3, 4}},
        {"1.2", {0, 0, 0, 0}},
        {"", {0, 0, 0, 0}},
        {"no digits here", {0, 0, 0, 0}},
        {"192.168.0.7, hwaddr: 00-1B-21-3A-4F-10", {192, 168, 0, 7}},
        {"001.002.003.004", {1, 2, 3, 4}},
        {"256.1.1.1.2", {1, 1, 1, 2}},
        // A run far too long for any integer reads as a value above 255.
        {"1.2.3.99999999999999999999999999 10.0.0.5", {10, 0, 0, 5}},
        {"99999999999999999999999.1.2.3.4", {1, 2, 3, 4}},
        {"10.0.0.1.2", {10, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindIPInText(c.text), c.ip) << c.text;
    }
}

TEST(FindMACInText, FindsSixGroupsOfCapitalHexDigits) {
    struct Case {
        const char* text;
        const char* mac;
    };
    const Case cases[] = {
        {"MAC: 00-0C-29-3A-4B-5C)", "00-0C-29-3A-4B-5C"},
        {"0-1-2-3-4-5", "0-1-2-3-4-5"},
        {"00:0C:29:3A:4B:5C", ""},
        {"00-0c-29-3a-4b-5c", ""},
        {"00-0C-29-3A-4B-5C6", ""},
        {"", ""},
        {"00-0C-29-3A-4B", ""},
        {"ABC-00-11-22-33-44-55", "00-11-22-33-44-55"},
        {"The source mac(FF-FF-FF-FF-FF-FF) or", "FF-FF-FF-FF-FF-FF"},
        {"00-11-22-33-44-55-66", "00-11-22-33-44-55"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindMACInText(c.text), c.mac) << c.text;
    }
}

} // namespace
} // namespace qv
