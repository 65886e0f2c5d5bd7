#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qv::test {

// The filter that picks, in tshark's display filter language, the neighbour discovery frames a
// receiver on the link takes.
extern const char* const TSHARK_NDP_FILTER;

// tshark's decoding of those frames of `capture` (its output kept in `out`), as NDP.csv's columns
// after the time: operation, source, source link-layer option (else the Ethernet source), target,
// target link-layer option of an advertisement.
std::vector<std::string> tsharkNdpLines(const std::filesystem::path& capture,
                                        const std::filesystem::path& out);
// The lines of an NDP.csv after its header, each without its date-time and CR.
std::vector<std::string> ndpCsvLines(const std::string& text);

} // namespace qv::test
