#pragma once

#include <string>

#include "common/addresses.h"

namespace qv::test {

// The stations the tests talk about, the same in every test so that the expected texts read
// alike: two vendors' cards and one locally administered address.
inline constexpr MacAddress MAC_A{0x00, 0x1B, 0x21, 0x3A, 0x4F, 0x10};
inline constexpr MacAddress MAC_B{0x00, 0x0C, 0x29, 0x3A, 0x4B, 0x5C};
inline constexpr MacAddress MAC_C{0x02, 0x00, 0x00, 0x00, 0x00, 0x0C};
inline const std::string MAC_A_TEXT = "00-1B-21-3A-4F-10";
inline const std::string MAC_B_TEXT = "00-0C-29-3A-4B-5C";

inline constexpr IPv4Address GATEWAY{192, 168, 0, 1};
inline constexpr IPv4Address IP7{192, 168, 0, 7};
inline constexpr IPv4Address IP9{192, 168, 0, 9};
inline constexpr IPv4Address TEN1{10, 0, 0, 1};
inline constexpr IPv4Address TEN2{10, 0, 0, 2};
inline constexpr IPv4Address TEN3{10, 0, 0, 3};
inline constexpr IPv4Address SCANNER{10, 0, 0, 9};

} // namespace qv::test
