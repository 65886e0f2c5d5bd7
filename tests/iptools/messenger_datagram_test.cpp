#include "iptools/messenger_datagram.h"

#include <iconv.h>

#include <gtest/gtest.h>

#include "iptools/windows_1251.h"

namespace qv {
namespace {

std::vector<std::uint8_t> bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

TEST(MessengerDatagram, IsSenderRecipientAndTextEachEndedByAZeroByte) {
    const auto datagram = MessengerDatagram("Administrator", "10.0.0.5", "abc");
    ASSERT_EQ(datagram.size(), 27u);
    EXPECT_EQ(datagram, bytes(std::string("Administrator\0"
                                          "10.0.0.5\0"
                                          "abc",
                                          26) +
                              '\0'));
}

TEST(MessengerDatagram, KeepsTheLinesOfATextAndEmptyTexts) {
    const auto datagram = MessengerDatagram("", "PC1", "first\r\nsecond");
    EXPECT_EQ(datagram, bytes(std::string("\0PC1\0first\r\nsecond", 18) + '\0'));
    EXPECT_EQ(MessengerDatagram("", "", "").size(), 3u);
}

TEST(MessengerDatagram, CyrillicTextArrivesInTheReceiversCodePage) {
    // "А" (U+0410) is 0xC0 in code page 1251 and goes out as 0x80; "Ё" is 0xA8 and stays.
    const auto datagram = MessengerDatagram("\xD0\x90", "\xD0\x81", "\xD1\x8F"); // А Ё я
    EXPECT_EQ(datagram, (std::vector<std::uint8_t>{0x80, 0, 0xA8, 0, 0xEF, 0}));
}

TEST(MessengerDatagram, ATooLongTextIsShortenedToFit) {
    const std::string text(20000, 'x');
    const auto datagram = MessengerDatagram("Quorvane", "PC1", text);
    ASSERT_EQ(datagram.size(), MAX_MESSENGER_DATAGRAM);
    EXPECT_EQ(datagram.back(), 0);
    EXPECT_EQ(datagram[datagram.size() - 2], 'x');
    EXPECT_EQ(MessengerDatagram("Quorvane", "PC1", std::string(16370, 'y')).size(), 16384u);
    EXPECT_EQ(MessengerDatagram(std::string(20000, 's'), "PC1", "t").size(), 16384u);
}

TEST(CodePageStep, MovesOnlyTheCyrillicLetters) {
    const std::pair<std::uint8_t, std::uint8_t> cases[] = {
        {0x00, 0x00}, {0x41, 0x41}, {0xA8, 0xA8}, {0xBF, 0xBF},
        {0xC0, 0x80}, {0xEF, 0xAF}, {0xF0, 0xE0}, {0xFF, 0xEF},
    };
    for (auto [in, out] : cases) {
        std::uint8_t b = in;
        applyCodePageStep(std::span(&b, 1));
        EXPECT_EQ(b, out) << int(in);
    }
}

// The system's iconv is the oracle for every character of the code page.
TEST(Windows1251, MatchesTheSystemConverterForEveryCharacter) {
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    for (int b = 0x01; b <= 0xFF; ++b) {
        char in[1] = {static_cast<char>(b)};
        char out[8] = {};
        char* inPtr = in;
        char* outPtr = out;
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof out;
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            continue; // unassigned in the code page (0x98)
        }
        const std::string utf8(out, static_cast<std::size_t>(outPtr - out));
        EXPECT_EQ(utf8ToWindows1251(utf8), std::string(1, static_cast<char>(b))) << b;
    }
    iconv_close(cd);
}

TEST(Windows1251, CharactersItLacksAndBrokenBytesBecomeQuestionMarks) {
    EXPECT_EQ(utf8ToWindows1251("a\xE4\xB8\xAD"
                                "b"),
              "a?b");                                      // 中
    EXPECT_EQ(utf8ToWindows1251("\xF0\x9F\x98\x80"), "?"); // an emoji, four bytes
    EXPECT_EQ(utf8ToWindows1251("x\xC3"), "x?");           // cut short
    EXPECT_EQ(utf8ToWindows1251("\xA9z"), "?z");           // a stray continuation byte
}

} // namespace
} // namespace qv
