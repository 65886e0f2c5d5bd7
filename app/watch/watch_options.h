#pragma once

#include <optional>
#include <string>
#include <vector>

#include "iptools/syslog_target.h"

namespace qv {

struct WatchOptions {
    std::optional<std::string> dataDir;
    std::optional<std::string> readCapture;
    std::vector<std::string> interfaces;
    std::optional<std::string> info;    // an address to look up, instead of watching
    std::optional<std::string> mac;     // the MAC that goes with it
    std::optional<int> checkpoint;      // seconds between saves of ipmac.dat while running
    std::optional<SyslogTarget> syslog; // where events go besides the standard output
    std::optional<std::string> exec;    // a program run for each event
    std::optional<int> execTimeout;     // seconds a run of it may take
};

inline constexpr int MAX_CHECKPOINT_SECONDS = 86'400;
inline constexpr int MAX_EXEC_SECONDS = 3600;

inline constexpr const char* WATCH_USAGE =
    "usage: quorvane-watch [--data-dir DIR] [--checkpoint SECONDS] [--syslog URL]\n"
    "                      [--exec PROGRAM [--exec-timeout SECONDS]] --read CAPTURE\n"
    "       quorvane-watch [--data-dir DIR] [--checkpoint SECONDS] [--syslog URL]\n"
    "                      [--exec PROGRAM [--exec-timeout SECONDS]] [--interface NAME]...\n"
    "       quorvane-watch --info IP [--mac MAC]\n"
    "\n"
    "  --read CAPTURE    replay a pcap or pcapng file through the engine on capture time\n"
    "  --interface NAME  capture live on this adapter (may repeat); without it and --read,\n"
    "                    capture on the adapters selected in the settings\n"
    "  --data-dir DIR    the data folder (default /var/lib/Quorvane)\n"
    "  --checkpoint SECONDS\n"
    "                    while running, save ipmac.dat this often when it changed, so that a\n"
    "                    crash or a power cut loses no more (default 900; 0 saves as often as\n"
    "                    it looks, up to 86400)\n"
    "  --syslog tcp://HOST[:PORT] | udp://HOST[:PORT]\n"
    "                    also send each event to this syslog collector (RFC 5424; port 514\n"
    "                    when omitted), with the station's address and MAC and the adapter as\n"
    "                    structured data\n"
    "  --exec PROGRAM    run PROGRAM (without a shell, no arguments) for each event, with the\n"
    "                    event in its environment: QUORVANE_TYPE, QUORVANE_DETAILS, "
    "QUORVANE_TIME,\n"
    "                    QUORVANE_TIME_ISO8601, QUORVANE_IP, QUORVANE_MAC, QUORVANE_ADAPTER\n"
    "  --exec-timeout SECONDS\n"
    "                    end a run of PROGRAM that takes longer (default 30, up to 3600)\n"
    "  --info IP         print what is known of the station: its addresses, its card's maker,\n"
    "                    its DNS name and its NetBIOS names (--mac gives its MAC address)\n";

// The options, or nothing (with `error` set) for a usage error.
std::optional<WatchOptions> parseWatchOptions(const std::vector<std::string>& arguments,
                                              std::string& error);

} // namespace qv
