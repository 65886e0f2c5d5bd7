#include "engine/capture_walk.h"

#include <gtest/gtest.h>

#include "common/byte_order.h"
#include "tests/support/arp_frames.h"
#include "tests/support/test_addresses.h"

namespace qv {
namespace {

using namespace test;

struct Seen {
    std::uint32_t seconds;
    std::uint8_t lastIpByte;
};

class RecordingSink : public CapturedFrameSink {
public:
    void onArpFrame(const CaptureHeader& header, ArpFrameBytes frame) noexcept override {
        seen.push_back({header.seconds, frame[31]});
    }
    std::vector<Seen> seen;
    std::vector<std::uint32_t> seconds() const {
        std::vector<std::uint32_t> s;
        for (const Seen& x : seen) {
            s.push_back(x.seconds);
        }
        return s;
    }
};

test::Frame42 frameNumbered(std::uint8_t n) {
    return test::arpFrame(1, MAC_A, {10, 0, 0, n}, ZERO_MAC, {10, 0, 0, 1});
}

// Builds a read buffer by hand: each record is a header with any lengths, then `frameBytes`.
class BufferBuilder {
public:
    BufferBuilder& record(std::uint32_t seconds, std::uint32_t captured, std::uint32_t wire,
                          std::uint16_t headerLength, std::vector<std::uint8_t> frameBytes) {
        const std::size_t start = bytes.size();
        bytes.resize(start + std::max<std::size_t>(headerLength, 18), 0);
        storeLe32(&bytes[start], seconds);
        storeLe32(&bytes[start + 8], captured);
        storeLe32(&bytes[start + 12], wire);
        storeLe16(&bytes[start + 16], headerLength);
        const std::size_t frameStart = start + headerLength;
        bytes.resize(std::max(bytes.size(), frameStart));
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(frameStart), frameBytes.begin(),
                     frameBytes.end());
        // Records lying about their length are followed by the next record where the bytes end.
        const auto present = static_cast<std::uint32_t>(frameBytes.size());
        bytes.resize(nextHeaderPosition(frameStart, std::min(captured, std::max(present, 42u))), 0);
        return *this;
    }
    BufferBuilder& arp(std::uint32_t seconds, std::uint32_t captured = 42,
                       std::uint16_t headerLength = 20) {
        auto f = frameNumbered(static_cast<std::uint8_t>(seconds));
        std::vector<std::uint8_t> b(f.begin(), f.end());
        b.resize(captured, 0xEE);
        return record(seconds, captured, std::max<std::uint32_t>(captured, 60), headerLength, b);
    }
    std::vector<std::uint8_t> bytes;
};

std::vector<std::uint32_t> walk(const std::vector<std::uint8_t>& buffer, std::size_t received) {
    RecordingSink sink;
    walkCaptureBuffer(std::span(buffer).first(received), sink);
    return sink.seconds();
}

TEST(CaptureWalk, ALastFrameOfExactly42BytesIsProcessed) {
    BufferBuilder b;
    b.arp(1, 60).arp(2, 42);
    const std::size_t end = b.bytes.size() - 2; // the last frame ends 2 bytes before alignment
    EXPECT_EQ(walk(b.bytes, end), (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(walk(b.bytes, end - 1), (std::vector<std::uint32_t>{1}));
}

TEST(CaptureWalk, ShortFramesAreSkippedAndTheRestStillProcessed) {
    BufferBuilder b;
    b.arp(1, 41);
    auto f = frameNumbered(2);
    b.record(2, 42, 41, 20, {f.begin(), f.end()}); // shorter on the wire than 42
    b.arp(3);
    auto notArp = frameNumbered(4);
    notArp[12] = 0x08;
    notArp[13] = 0x00;
    b.record(4, 42, 42, 20, {notArp.begin(), notArp.end()});
    b.arp(5);
    EXPECT_EQ(walk(b.bytes, b.bytes.size()), (std::vector<std::uint32_t>{3, 5}));
}

TEST(CaptureWalk, NextHeadersFollowUnalignedLengthsRoundedUpToFour) {
    BufferBuilder b;
    b.arp(1, 43, 18).arp(2, 45, 19).arp(3, 60, 21).arp(4, 42, 18);
    EXPECT_EQ(walk(b.bytes, b.bytes.size()), (std::vector<std::uint32_t>{1, 2, 3, 4}));
}

TEST(CaptureWalk, HostileHeadersEndTheWalkWithoutReadingPastTheBuffer) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> buffer;
        std::vector<std::uint32_t> seen;
    };
    auto frame = frameNumbered(9);
    const std::vector<std::uint8_t> f9(frame.begin(), frame.end());
    std::vector<Case> cases;
    {
        BufferBuilder b;
        b.arp(1);
        b.bytes.resize(b.bytes.size() + 17, 0); // a header cut short
        cases.push_back({"cut header", b.bytes, {1}});
    }
    {
        BufferBuilder b;
        b.arp(1).record(2, 42, 42, 0, f9).arp(3); // header length 0 would loop forever
        cases.push_back({"zero header length", b.bytes, {1}});
    }
    {
        BufferBuilder b;
        b.arp(1).record(2, 0xFFFFFFFF, 0xFFFFFFFF, 20, f9).arp(3);
        cases.push_back({"captured length beyond the buffer", b.bytes, {1, 2}});
    }
    {
        BufferBuilder b;
        b.arp(1).record(2, 42, 42, 0xFFFF, {});
        cases.push_back({"header length beyond the buffer", b.bytes, {1}});
    }
    {
        BufferBuilder b;
        b.arp(1).record(2, 100, 100, 20, {f9.begin(), f9.begin() + 30});
        b.bytes.resize(64 + 20 + 30); // the buffer ends 30 bytes into the second frame
        cases.push_back({"frame runs past the received bytes", b.bytes, {1}});
    }
    cases.push_back({"empty buffer", {}, {}});
    cases.push_back({"fewer bytes than a header", std::vector<std::uint8_t>(17, 0xFF), {}});
    for (const Case& c : cases) {
        // A copy of exactly the received size lets the sanitizers catch any read past it.
        std::vector<std::uint8_t> exact(c.buffer.begin(), c.buffer.end());
        EXPECT_EQ(walk(exact, exact.size()), c.seen) << c.what;
    }
}

TEST(CaptureWalk, FramesAppendedToABufferWalkBackInOrder) {
    std::vector<std::uint8_t> buffer(200);
    std::size_t used = 0;
    for (std::uint32_t s = 1;; ++s) {
        const auto f = frameNumbered(static_cast<std::uint8_t>(s));
        if (!appendCapturedFrame(buffer, used, {s, 0, 0, 60, 0}, f)) {
            EXPECT_EQ(s, 4u); // 3 records of 20 + 44 bytes fit in 200
            break;
        }
        EXPECT_EQ(used % 4, 0u);
    }
    EXPECT_EQ(walk(buffer, used), (std::vector<std::uint32_t>{1, 2, 3}));
}

} // namespace
} // namespace qv
