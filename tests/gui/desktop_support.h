#pragma once

// What the whole-program desktop tests share: commands and their output, waits, processes, the
// program installed for an unprivileged user, and frames from the other network namespace.

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "engine/arp_frame.h"

namespace qv::test {

class VethPair;

// An unprivileged user of the tests' own, with no login; the desktop tests' group is its own.
inline constexpr uid_t DESKTOP_USER = 4242;

// The standard output of a shell command.
std::string output(const std::string& command);

// Polls `condition` until it holds; false after `limit`.
bool eventually(const std::function<bool()>& condition,
                std::chrono::milliseconds limit = std::chrono::seconds(30));

// Processes named `comm` whose command line holds `marker`.
std::vector<pid_t> processes(const std::string& comm, const std::string& marker);

// A field of /proc/PID/status ("CapEff", "Uid", ...).
std::string statusField(pid_t pid, const std::string& field);

// The tray program and its helper as they are installed, in `root`/bin: the helper alone carries
// the capture capabilities, and only the user's group may run it. Also makes `root`/home,
// `root`/run (the user's runtime folder, its alone) and `root`/data, the user's. False when a
// step failed.
bool installForTheUser(const std::filesystem::path& root);

// Sends one ARP request from `mac` at `ip` across the pair, from its namespace A.
void sendArp(const VethPair& pair, const MacAddress& mac, const IPv4Address& ip);
// A neighbour solicitation from `ip` with `mac` in its source link-layer option, from host A.
void sendNeighbourSolicitation(const VethPair& pair, const MacAddress& mac, const IPv6Address& ip);

} // namespace qv::test
