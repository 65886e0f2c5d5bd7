#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/addresses.h"
#include "common/data_folder.h"
#include "events/event_list_owner.h"

namespace qv::bench {

// An events list that keeps nothing and counts what it is handed.
class CountingOwner final : public EventListOwner {
public:
    void appendEvent(const EventEntry&, const Event&) override { ++events; }
    void replaceEvents(std::vector<EventEntry>) override {}
    void journalFailure(const std::string&) override {}
    std::uint64_t events = 0;
};

// Station n of a network of many: 10.x.y.z with a locally administered MAC.
IPv4Address stationIp(std::uint32_t n);
MacAddress stationMac(std::uint32_t n);

std::array<std::uint8_t, 42> arpRequest(const MacAddress& mac, const IPv4Address& ip,
                                        const IPv4Address& target);

// A data folder of a program with a full station table (stations 0 to 8191) and settings that
// select no adapter; ends the benchmark when the files cannot be written.
void writeFullFolder(const DataFolder& folder);

} // namespace qv::bench
