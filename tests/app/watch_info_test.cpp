#include <gtest/gtest.h>

#include "tests/support/netns.h"
#include "tests/support/temp_folder.h"
#include "tests/support/watcher_run.h"

namespace qv {
namespace {

TEST(WatchInfo, TheLookupGoesAloneAndNeedsAnAddress) {
    for (const char* arguments :
         {"--info 'no address here'", "--info 2001:db8::1::2", "--mac 00-00-0C-12-34-56",
          "--info 10.0.0.1 --read x.pcap", "--info 10.0.0.1 --interface e0"}) {
        const auto run = test::runWatcher(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_TRUE(run.out.empty()) << arguments;
    }
}

// The six fields of the information window, one per line, with the reverse name taken through
// the real resolver path from a hosts file bind-mounted over /etc/hosts in a private mount
// namespace, inside a network namespace where nothing answers NetBIOS; for an IPv6 address
// NetBIOS is not asked.
TEST(WatchInfo, PrintsTheSixFieldsOfTheInformationWindow) {
    if (const auto reason = test::VethPair::unavailableReason()) {
        GTEST_SKIP() << *reason;
    }
    test::VethPair pair;
    test::TempFolder root;
    test::writeText(root / "hosts", "127.0.0.1 localhost\n10.77.0.2 station-b.test station-b\n"
                                    "2001:db8::2 station-b6.test\n");
    const struct {
        const char* address;
        const char* shown;
        const char* name;
    } cases[] = {{"10.77.0.2", "10.77.0.2", "station-b.test"},
                 {"2001:db8::2", "2001:db8::2", "station-b6.test"},
                 {"2001:0db8:0:0::0002", "2001:0db8:0:0::0002", "station-b6.test"}};
    for (const auto& c : cases) {
        const std::string out = (root / "out").string();
        const int status =
            test::shell("ip netns exec " + pair.namespaceA() + " unshare -m sh -c 'mount --bind " +
                        (root / "hosts").string() +
                        " /etc/hosts && exec " QV_BINARY_DIR "/quorvane-watch --info " + c.address +
                        " --mac 00-00-0C-12-34-56' >" + out + " 2>&1");
        EXPECT_EQ(status, 0) << test::readText(out);
        EXPECT_EQ(test::readText(out), std::string("IP address: ") + c.shown +
                                           "\n"
                                           "MAC address: 00-00-0C-12-34-56\n"
                                           "Card manufacturer: Cisco Systems, Inc\n"
                                           "DNS Name: " +
                                           c.name +
                                           "\n"
                                           "NETBIOS Name: NOT DETECTED\n"
                                           "Network Group: NOT DETECTED\n")
            << c.address;
    }
}

} // namespace
} // namespace qv
