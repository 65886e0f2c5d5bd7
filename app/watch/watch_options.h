#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qv {

struct WatchOptions {
    std::optional<std::string> dataDir;
    std::optional<std::string> readCapture;
    std::vector<std::string> interfaces;
    std::optional<std::string> info; // an address to look up, instead of watching
    std::optional<std::string> mac;  // the MAC that goes with it
};

inline constexpr const char* WATCH_USAGE =
    "usage: quorvane-watch [--data-dir DIR] --read CAPTURE\n"
    "       quorvane-watch [--data-dir DIR] [--interface NAME]...\n"
    "       quorvane-watch --info IP [--mac MAC]\n"
    "\n"
    "  --read CAPTURE    replay a pcap or pcapng file through the engine on capture time\n"
    "  --interface NAME  capture live on this adapter (may repeat); without it and --read,\n"
    "                    capture on the adapters selected in the settings\n"
    "  --data-dir DIR    the data folder (default /var/lib/Quorvane)\n"
    "  --info IP         print what is known of the station: its addresses, its card's maker,\n"
    "                    its DNS name and its NetBIOS names (--mac gives its MAC address)\n";

// The options, or nothing (with `error` set) for a usage error.
std::optional<WatchOptions> parseWatchOptions(const std::vector<std::string>& arguments,
                                              std::string& error);

} // namespace qv
