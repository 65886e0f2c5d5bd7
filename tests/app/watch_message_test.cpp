#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/byte_order.h"
#include "iptools/messenger_datagram.h"
#include "settings/settings_file.h"
#include "tests/support/arp_frames.h"
#include "tests/support/pcap_writer.h"
#include "tests/support/watcher_run.h"

namespace qv {
namespace {

// With sending on, each event goes to the listed computers before the watcher ends.
TEST(WatchMessages, EventsAreSentToTheComputersOfTheSettings) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "receiving on UDP port 138 needs root (CI runs as root)";
    }
    const int receiver = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(138);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(receiver, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(receiver);
        GTEST_SKIP() << "UDP port 138 on 127.0.0.1 is taken by another program";
    }
    timeval timeout{10, 0};
    ::setsockopt(receiver, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);

    test::TempFolder data;
    Settings s = defaultSettings("/x/");
    s.NotifySendMessage = 1;
    setFieldText(s.ComputerList, "127.0.0.1;;ignored");
    ASSERT_TRUE(SaveSettings(s, DataFolder(data.path())));
    test::PcapWriter pcap;
    pcap.add(1'796'580'112, 0,
             test::arpFrame(1, {0, 0x1B, 0x21, 0x3A, 0x4F, 0x10}, {192, 168, 0, 7}, ZERO_MAC,
                            {192, 168, 0, 1}));
    pcap.save((data / "one.pcap").string());

    const auto run = test::runWatcher("--data-dir " + data.path().string() + " --read " +
                                      (data / "one.pcap").string());
    ASSERT_EQ(run.status, 0) << run.err;
    std::uint8_t packet[65536];
    const ssize_t size = ::recv(receiver, packet, sizeof packet, 0);
    ::close(receiver);
    ASSERT_GT(size, 14 + 68 + 87);
    const std::uint8_t* smb = packet + 14 + 68;
    const std::uint16_t offset = loadLe16(&smb[33 + 24]);
    const std::uint16_t count = loadLe16(&smb[33 + 22]);
    ASSERT_EQ(14 + 68 + offset + count, size);
    EXPECT_EQ(std::vector<std::uint8_t>(smb + offset, smb + offset + count),
              MessengerDatagram("Quorvane", "127.0.0.1", "192.168.0.7, hwaddr: 00-1B-21-3A-4F-10"));
}

} // namespace
} // namespace qv
