#include "iptools/netbios_name_service.h"

#include <gtest/gtest.h>

#include "iptools/netbios_datagram.h"
#include "tests/iptools/netbios_answers.h"

namespace qv {
namespace {

using namespace test;

TEST(NodeStatusRequest, AsksForTheWildcardName) {
    const Bytes request = nodeStatusRequest(0x1234);
    ASSERT_EQ(request.size(), 12u + 34u + 4u);
    EXPECT_EQ(request[0], 0x12);
    EXPECT_EQ(request[1], 0x34);
    EXPECT_EQ(request[5], 1); // one question
    EXPECT_EQ(request[12], 0x20);
    EXPECT_EQ(request[13], 'C'); // '*' is 0x2A
    EXPECT_EQ(request[14], 'K');
    EXPECT_EQ(std::string(request.begin() + 15, request.begin() + 45), std::string(30, 'A'));
    EXPECT_EQ(request[45], 0);
    EXPECT_EQ(request[46], 0x00);
    EXPECT_EQ(request[47], 0x21);
}

// The name table of a station: the first registered unique and group names with suffix 0x00,
// whatever the owner's node type, cut at the first blank.
TEST(NetbiosNames, TheFirstRegisteredComputerAndGroupNames) {
    const std::vector<Entry> table = {
        {name16("PC1", 0x03), 0x0400},       // messenger name: another suffix
        {name16("GONE", 0x00), 0x1400},      // being deregistered
        {name16("CLASH", 0x00), 0x0C00},     // in conflict
        {name16("PC1", 0x00), 0x6400},       // an H-node's registered unique name
        {name16("WORKGROUP", 0x00), 0x8400}, // registered group
        {name16("PC2", 0x00), 0x0400},       // a later unique name changes nothing
        {name16("WG2", 0x00), 0xE400},       {name16("WORKGROUP", 0x1E), 0x8400},
    };
    const auto entries = parseNodeStatusResponse(statusResponse(7, table), 7);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), table.size());
    EXPECT_EQ((*entries)[3].flags, 0x04);
    EXPECT_EQ((*entries)[6].flags, 0x84);
    EXPECT_EQ((*entries)[1].flags, 0x05);
    EXPECT_EQ((*entries)[2].flags, 0x06);
    const NetbiosNames names = netbiosNames(*entries);
    EXPECT_EQ(names.computer, "PC1");
    EXPECT_EQ(names.group, "WORKGROUP");
    NetbiosNameEntry inner;
    const Bytes spaced = name16("MY PC", 0);
    std::copy(spaced.begin(), spaced.end(), inner.name.begin());
    EXPECT_EQ(netbiosNameText(inner), "MY");
}

// Whatever a datagram claims, nothing is read past its end and a lie gives no names.
TEST(NodeStatusResponse, HostileDatagramsGiveNothing) {
    const Bytes good = statusResponse(9, {{name16("PC1", 0), 0x0400}});
    ASSERT_TRUE(parseNodeStatusResponse(good, 9));
    const auto changed = [&](std::size_t at, std::uint8_t value) {
        Bytes b = good;
        b.at(at) = value;
        return b;
    };
    const std::size_t rdLength = 12 + 34 + 8;
    const std::size_t countAt = rdLength + 2;
    const struct {
        const char* what;
        Bytes datagram;
    } cases[] = {
        {"another transaction", changed(1, 10)},
        {"a request, not a response", changed(2, 0x04)},
        {"an error code", changed(3, 0x03)},
        {"questions in the answer", changed(5, 1)},
        {"no answer", changed(7, 0)},
        {"another record type", changed(12 + 34 + 1, 0x20)},
        {"a count beyond the datagram", changed(countAt, 200)},
        {"record data beyond the datagram", changed(rdLength, 0xFF)},
        {"a label running past the end", changed(12, 0x3F)},
        {"a label of the reserved kind", changed(12, 0x40)},
        {"cut inside the name table", Bytes(good.begin(), good.begin() + countAt + 10)},
        {"cut inside the record", Bytes(good.begin(), good.begin() + 12 + 34 + 5)},
        {"a header only", Bytes(good.begin(), good.begin() + 12)},
        {"nothing", Bytes{}},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(parseNodeStatusResponse(c.datagram, 9)) << c.what;
    }
}

// The name a station's messenger answers to, as its table holds it.
TEST(NetbiosNames, TheMessengerNameIsTheRegisteredUniqueNameWithSuffix3ElseTheComputer) {
    const auto messenger = [](const std::vector<Entry>& table) {
        const auto entries = parseNodeStatusResponse(statusResponse(3, table), 3);
        return entries ? messengerName(*entries) : std::optional<std::string>("unparsed");
    };
    EXPECT_EQ(messenger({{name16("PC1", 0x00), 0x0400},
                         {name16("PC1", 0x03), 0x0400},
                         {name16("ADMIN", 0x03), 0x0400}}),
              "PC1");
    EXPECT_EQ(messenger({{name16("GROUP3", 0x03), 0x8400},  // a group: no one's messenger
                         {name16("GONE", 0x03), 0x1400},    // being deregistered
                         {name16("ADMIN", 0x03), 0x6400}}), // an H-node's registered name
              "ADMIN");
    EXPECT_EQ(messenger({{name16("WG", 0x00), 0x8400}, {name16("PC2", 0x00), 0x0400}}), "PC2");
    EXPECT_EQ(messenger({{name16("WG", 0x00), 0x8400}, {name16("PC3", 0x20), 0x0400}}),
              std::nullopt);
}

TEST(NameQuery, TheRequestBroadcastsTheWorkstationNameAndTheAnswerGivesAnAddress) {
    const Bytes request = nameQueryRequest("stationb", 0x4321);
    EXPECT_EQ(request[2], 0x01); // recursion desired
    EXPECT_EQ(request[3], 0x10); // broadcast
    const auto encoded = encodeNetbiosName("STATIONB", NETBIOS_WORKSTATION_SUFFIX);
    EXPECT_TRUE(std::equal(encoded.begin(), encoded.end(), request.begin() + 12));

    Bytes answer;
    put16(answer, 0x4321);
    put16(answer, 0x8500);
    put16(answer, 0);
    put16(answer, 1);
    put16(answer, 0);
    put16(answer, 0);
    answer.insert(answer.end(), encoded.begin(), encoded.end());
    put16(answer, 0x0020);
    put16(answer, 0x0001);
    answer.insert(answer.end(), {0, 0, 0, 0});
    put16(answer, 6);
    put16(answer, 0);
    answer.insert(answer.end(), {10, 77, 0, 2});
    EXPECT_EQ(parseNameQueryResponse(answer, 0x4321), (IPv4Address{10, 77, 0, 2}));
    EXPECT_FALSE(parseNameQueryResponse(answer, 0x4322));
    answer.pop_back();
    EXPECT_FALSE(parseNameQueryResponse(answer, 0x4321));
}

} // namespace
} // namespace qv
