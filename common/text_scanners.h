#pragma once

#include <string>
#include <string_view>

#include "common/addresses.h"

namespace qv {

// The first four octets met in sequence, each of the first three followed at once by '.'; all
// zeros when the text holds none. A digit run whose value is above 255 (however long) ends the
// address being gathered.
IPv4Address FindIPInText(std::string_view text);

// The first word of hexadecimal digits, colons and dots that is an IPv6 address (IPv6FromText
// takes it), as it stands in the text; empty when the text holds none.
std::string FindIPv6InText(std::string_view text);

// The first six groups of one or two capital hexadecimal digits joined by '-', as they stand in
// the text (a one-digit group stays one digit); empty when the text holds none.
std::string FindMACInText(std::string_view text);

} // namespace qv
