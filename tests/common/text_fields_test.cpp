#include "common/text_fields.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(ExtractField, CutsAtEverySeparatorWithoutTrimmingOrQuoting) {
    struct Case {
        const char* text;
        int index;
        const char* field;
    };
    const Case cases[] = {
        {"a;b;c", 0, "a"},       {"a;b;c", 2, "c"},       {"a;b;c", 3, ""},    {"a;b;", 2, ""},
        {"a;;c", 1, ""},         {"a;;c", 2, "c"},        {"", 0, ""},         {" a ; b", 1, " b"},
        {"\"x;y\";z", 1, "y\""}, {"PC1; PC2", 1, " PC2"}, {"a;b;c;d", -1, ""}, {"abc", 0, "abc"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractField(c.text, ';', c.index), c.field) << c.text << " #" << c.index;
    }
}

TEST(CutAtCharBoundary, NeverSplitsAUtf8Character) {
    EXPECT_EQ(cutAtCharBoundary("abcdef", 4), "abcd");
    EXPECT_EQ(cutAtCharBoundary("ab", 4), "ab");
    // "aé" is 61 C3 A9: a cut after two bytes would keep half of é.
    EXPECT_EQ(cutAtCharBoundary("a\xC3\xA9z", 2), "a");
    EXPECT_EQ(cutAtCharBoundary("a\xC3\xA9z", 3), "a\xC3\xA9");
    // A four-byte character cut anywhere inside it goes whole.
    EXPECT_EQ(cutAtCharBoundary("\xF0\x9F\x98\x80", 3), "");
}

} // namespace
} // namespace qv
