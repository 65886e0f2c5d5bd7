// The neighbour discovery decoder on hand-made frames, good and broken side by side.

#include "engine/ndp_frame.h"

#include <gtest/gtest.h>

#include "tests/support/ndp_frames.h"

namespace qv {
namespace {

using test::global;
using test::linkLayerOption;
using test::linkLocal;
using test::NdpFrameFields;
using test::solicitedNode;

constexpr MacAddress MAC_1{2, 0, 0, 0, 0, 1};
constexpr MacAddress MAC_2{2, 0, 0, 0, 0, 2};
constexpr IPv6Address ALL_NODES{0xFF, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
constexpr IPv6Address ALL_ROUTERS{0xFF, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2};
constexpr std::uint8_t SOLICITED = 0x40;

std::vector<std::uint8_t> operator+(std::vector<std::uint8_t> a,
                                    const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

NdpFrameFields solicitation() {
    NdpFrameFields s;
    s.source = linkLocal(1);
    s.destination = solicitedNode(2);
    s.target = linkLocal(2);
    s.options = linkLayerOption(1, MAC_1);
    return s;
}

NdpFrameFields advertisement() {
    NdpFrameFields s;
    s.type = NdpType::NeighbourAdvertisement;
    s.ethernetSource = MAC_2;
    s.source = linkLocal(2);
    s.destination = linkLocal(1);
    s.target = linkLocal(2);
    s.flags = SOLICITED;
    s.options = linkLayerOption(2, MAC_2);
    return s;
}

NdpFrameFields routerSolicitation() {
    NdpFrameFields s;
    s.type = NdpType::RouterSolicitation;
    s.source = linkLocal(1);
    s.destination = ALL_ROUTERS;
    s.options = linkLayerOption(1, MAC_1);
    return s;
}

NdpFrameFields routerAdvertisement() {
    NdpFrameFields s;
    s.type = NdpType::RouterAdvertisement;
    s.source = linkLocal(9);
    s.destination = ALL_NODES;
    return s;
}

template <typename Change>
NdpFrameFields with(NdpFrameFields s, Change change) {
    change(s);
    return s;
}

TEST(NdpFrame, AcceptedMessagesGiveTheirFields) {
    const auto ns = decodeNdpFrame(test::ndpFrame(solicitation()));
    ASSERT_TRUE(ns);
    EXPECT_EQ(ns->type, NdpType::NeighbourSolicitation);
    EXPECT_EQ(ns->ethernetSource, MAC_1);
    EXPECT_EQ(ns->source, linkLocal(1));
    EXPECT_EQ(ns->destination, solicitedNode(2));
    EXPECT_EQ(ns->target, linkLocal(2));
    EXPECT_EQ(ns->sourceLinkLayer, MAC_1);
    EXPECT_FALSE(ns->targetLinkLayer);

    const auto na = decodeNdpFrame(test::ndpFrame(advertisement()));
    ASSERT_TRUE(na);
    EXPECT_EQ(na->type, NdpType::NeighbourAdvertisement);
    EXPECT_EQ(na->target, linkLocal(2));
    EXPECT_EQ(na->targetLinkLayer, MAC_2);
    EXPECT_FALSE(na->sourceLinkLayer);
    EXPECT_TRUE(na->solicited);

    const auto ra = decodeNdpFrame(test::ndpFrame(routerAdvertisement()));
    ASSERT_TRUE(ra);
    EXPECT_EQ(ra->type, NdpType::RouterAdvertisement);
    EXPECT_EQ(ra->source, linkLocal(9));
    EXPECT_EQ(ra->target, UNSPECIFIED_IPV6);
    EXPECT_FALSE(ra->sourceLinkLayer);
}

TEST(NdpFrame, GoodAndBrokenFramesSideBySide) {
    const std::vector<std::uint8_t> prefixOption = {3, 4, 64, 0xC0, 0, 0, 0, 0, 0, 0, 0,
                                                    0, 0, 0,  0,    0, 0, 0, 0, 0, 0, 0,
                                                    0, 0, 0,  0,    0, 0, 0, 0, 0, 0};
    const struct {
        const char* what;
        NdpFrameFields fields;
        bool accepted;
    } cases[] = {
        {"a solicitation", solicitation(), true},
        {"duplicate address detection: from ::, to the solicited-node group, no option",
         with(solicitation(), [](auto& s) { s.source = {}, s.options.clear(); }), true},
        {"duplicate address detection with a source link-layer option",
         with(solicitation(), [](auto& s) { s.source = {}; }), false},
        {"duplicate address detection to another group",
         with(solicitation(),
              [](auto& s) { s.source = {}, s.options.clear(), s.destination = ALL_NODES; }),
         false},
        {"a solicitation for a multicast target",
         with(solicitation(), [](auto& s) { s.target = ALL_NODES; }), false},
        {"a solicited advertisement", advertisement(), true},
        {"an unsolicited advertisement to all nodes",
         with(advertisement(), [](auto& s) { s.flags = 0x20, s.destination = ALL_NODES; }), true},
        {"a solicited advertisement to a group",
         with(advertisement(), [](auto& s) { s.destination = ALL_NODES; }), false},
        {"an advertisement of a multicast target",
         with(advertisement(), [](auto& s) { s.target = ALL_ROUTERS; }), false},
        {"an advertisement without option",
         with(advertisement(), [](auto& s) { s.options.clear(); }), true},
        {"a router solicitation", routerSolicitation(), true},
        {"a router solicitation from :: without option",
         with(routerSolicitation(), [](auto& s) { s.source = {}, s.options.clear(); }), true},
        {"a router solicitation from :: with a source link-layer option",
         with(routerSolicitation(), [](auto& s) { s.source = {}; }), false},
        {"a router advertisement without option", routerAdvertisement(), true},
        {"a router advertisement with a prefix and a link-layer option",
         with(routerAdvertisement(),
              [&](auto& s) { s.options = prefixOption + linkLayerOption(1, MAC_2); }),
         true},
        {"a router advertisement from a global address",
         with(routerAdvertisement(), [](auto& s) { s.source = global(9); }), false},
        {"Ethernet padding after the message",
         with(routerSolicitation(), [](auto& s) { s.options.clear(), s.padTo = 64; }), true},
        {"an option of an unknown type",
         with(solicitation(), [&](auto& s) { s.options = prefixOption + s.options; }), true},
        {"hop limit 254", with(solicitation(), [](auto& s) { s.hopLimit = 254; }), false},
        {"code 1", with(solicitation(), [](auto& s) { s.code = 1; }), false},
        {"a wrong checksum", with(solicitation(), [](auto& s) { s.checksum = 0x1234; }), false},
        {"a VLAN tag", with(solicitation(), [](auto& s) { s.etherType = 0x8100; }), false},
        {"a hop-by-hop header first", with(solicitation(), [](auto& s) { s.nextHeader = 0; }),
         false},
        {"a redirect", with(solicitation(), [](auto& s) { s.type = static_cast<NdpType>(137); }),
         false},
        {"an echo request",
         with(routerSolicitation(), [](auto& s) { s.type = static_cast<NdpType>(128); }), false},
        {"a payload shorter than a solicitation",
         with(solicitation(), [](auto& s) { s.options.clear(), s.payloadLength = 23; }), false},
        {"a payload longer than the frame",
         with(solicitation(), [](auto& s) { s.payloadLength = 24 + 8 + 8; }), false},
        {"an option of length zero", with(solicitation(), [](auto& s) { s.options[1] = 0; }),
         false},
        {"an option past the end", with(solicitation(), [](auto& s) { s.options[1] = 2; }), false},
        {"a byte after the last option",
         with(solicitation(), [](auto& s) { s.options.push_back(1); }), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodeNdpFrame(test::ndpFrame(c.fields)).has_value(), c.accepted) << c.what;
    }
}

// A frame cut anywhere before the end of its message is never read past its end.
TEST(NdpFrame, EveryCutOfAFrameIsRefused) {
    for (const NdpFrameFields& fields : {solicitation(), advertisement(), routerSolicitation()}) {
        const auto frame = test::ndpFrame(fields);
        ASSERT_TRUE(decodeNdpFrame(frame));
        for (std::size_t size = 0; size < frame.size(); ++size) {
            const std::vector<std::uint8_t> cut(frame.begin(), frame.begin() + size);
            EXPECT_FALSE(decodeNdpFrame(cut)) << size;
        }
    }
}

TEST(NdpFrame, TheFirstLinkLayerOptionOfEachKindCounts) {
    const auto m = decodeNdpFrame(test::ndpFrame(with(solicitation(), [](auto& s) {
        s.options =
            linkLayerOption(1, MAC_1) + linkLayerOption(1, MAC_2) + linkLayerOption(2, MAC_2);
    })));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->sourceLinkLayer, MAC_1);
    EXPECT_EQ(m->targetLinkLayer, MAC_2);
}

} // namespace
} // namespace qv
