#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/byte_order.h"
#include "iptools/mailslot_client.h"
#include "iptools/messenger_datagram.h"
#include "tests/support/netns.h"
#include "tests/support/process.h"
#include "tests/support/temp_folder.h"

namespace qv {
namespace {

using namespace std::chrono_literals;

// A UDP socket of test host B on the datagram port.
int openReceiver() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(138);
    ::inet_pton(AF_INET, test::VethPair::ADDRESS_B, &address.sin_addr);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("cannot bind the receiver");
    }
    timeval timeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    return fd;
}

class MessengerNetwork : public ::testing::Test {
protected:
    void SetUp() override {
        if (const auto reason = test::VethPair::unavailableReason()) {
            GTEST_SKIP() << *reason;
        }
        pair = std::make_unique<test::VethPair>();
        test::VethPair::runIn(pair->namespaceB(), [&] { receiver = openReceiver(); });
    }
    void TearDown() override {
        if (receiver >= 0) {
            ::close(receiver);
        }
    }
    bool sendFromA(const std::string& target, const std::string& text) {
        bool sent = false;
        test::VethPair::runIn(pair->namespaceA(), [&] {
            sent = SendMessengerMessage(target, target, "Quorvane", text);
        });
        return sent;
    }

    std::unique_ptr<test::VethPair> pair;
    int receiver = -1;
};

TEST_F(MessengerNetwork, AHostInAnotherNamespaceReceivesTheMailslotWrite) {
    const std::string text = "Host 10.0.0.9\n(MAC: 00-0C-29-3A-4B-5C) generated 101 requests.";
    ASSERT_TRUE(sendFromA(test::VethPair::ADDRESS_B, text));

    std::uint8_t packet[65536];
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    const ssize_t size = ::recvfrom(receiver, packet, sizeof packet, 0,
                                    reinterpret_cast<sockaddr*>(&from), &fromLength);
    ASSERT_GT(size, 14 + 68 + 87);
    char fromText[INET_ADDRSTRLEN];
    ::inet_ntop(AF_INET, &from.sin_addr, fromText, sizeof fromText);
    EXPECT_STREQ(fromText, test::VethPair::ADDRESS_A);
    EXPECT_EQ(packet[0], 0x10);
    EXPECT_EQ(packet[4], 10); // the header names the sender's own address
    EXPECT_EQ(packet[7], 1);
    EXPECT_EQ(loadBe16(&packet[8]), ntohs(from.sin_port));
    EXPECT_EQ(loadBe16(&packet[10]), size - 14);

    const std::uint8_t* smb = packet + 14 + 68;
    const std::uint16_t dataOffset = loadLe16(&smb[33 + 24]);
    const std::uint16_t dataCount = loadLe16(&smb[33 + 22]);
    ASSERT_EQ(14 + 68 + dataOffset + dataCount, size);
    const auto expected = MessengerDatagram("Quorvane", test::VethPair::ADDRESS_B, text);
    EXPECT_EQ(std::vector<std::uint8_t>(smb + dataOffset, smb + dataOffset + dataCount), expected);
}

TEST_F(MessengerNetwork, UnresolvableAndUnreachableTargetsAreSkipped) {
    EXPECT_FALSE(sendFromA("no-such-host.invalid", "x"));
    EXPECT_FALSE(sendFromA("", "x"));
    // No route from A to this address: nothing can be sent.
    EXPECT_FALSE(sendFromA("192.0.2.1", "x"));
}

TEST_F(MessengerNetwork, TsharkDecodesTheDatagramAsAMessengerMailslotWrite) {
    if (test::shell("command -v tshark >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "tshark is not installed (./test installs it)";
    }
    test::TempFolder folder;
    const std::string capture = (folder / "messenger.pcapng").string();
    const std::string log = (folder / "tshark.log").string();
    test::BackgroundProcess tshark("ip netns exec " + pair->namespaceB() + " tshark -i " +
                                   pair->interfaceB() + " -f 'udp port 138' -c 1 -w " + capture +
                                   " >" + log + " 2>&1");
    ASSERT_TRUE(test::waitForFileText(log, "Capture started", 30s)) << test::readText(log);
    ASSERT_TRUE(sendFromA(test::VethPair::ADDRESS_B, "Hello from Quorvane"));
    ASSERT_EQ(tshark.wait(30s), 0) << test::readText(log);

    const std::string decoded = (folder / "decoded.txt").string();
    ASSERT_EQ(test::shell("tshark -r " + capture + " -V > " + decoded + " 2>/dev/null"), 0);
    const std::string text = test::readText(decoded);
    EXPECT_NE(text.find("NetBIOS Datagram Service"), std::string::npos) << text;
    EXPECT_NE(text.find("Mailslot Name: \\MAILSLOT\\MESSNGR"), std::string::npos) << text;
    EXPECT_NE(text.find("Opcode: Write Mail Slot (1)"), std::string::npos) << text;
    EXPECT_NE(text.find("Class: Unreliable & Broadcast (2)"), std::string::npos) << text;
    EXPECT_NE(text.find("Destination name: 10.77.0.2<03>"), std::string::npos) << text;

    // The mailslot's data, as hex bytes: exactly the messenger datagram.
    const std::string data = (folder / "data.txt").string();
    ASSERT_EQ(
        test::shell("tshark -r " + capture + " -T fields -e data.data > " + data + " 2>/dev/null"),
        0);
    std::string hex;
    for (std::uint8_t b :
         MessengerDatagram("Quorvane", test::VethPair::ADDRESS_B, "Hello from Quorvane")) {
        static const char* digits = "0123456789abcdef";
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    EXPECT_EQ(test::readText(data), hex + "\n");
}

} // namespace
} // namespace qv
