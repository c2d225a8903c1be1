#include "diskimage/hfsplus/UnicodeName.h"

#include <gtest/gtest.h>

using namespace vorlap::diskimage::hfsplus;

namespace {

std::u16string hfs(const std::string& utf8)
{
    auto name = hfsNameFromUtf8(utf8);
    EXPECT_TRUE(name.has_value()) << utf8;
    return name ? *name : std::u16string();
}

} // namespace

TEST(HfsUnicodeName, DecomposesTheWayHfsPlusStoresNames)
{
    EXPECT_EQ(hfs("caf\u00e9"), u"cafe\u0301");
    // Hangul syllables become conjoining jamo, with and without a trailing consonant.
    EXPECT_EQ(hfs("\ud55c\uad6d"), u"\u1112\u1161\u11ab\u1100\u116e\u11a8");
    EXPECT_EQ(hfs("\uac00"), u"\u1100\u1161");
    // Recursive decomposition: U+01D6 is u + diaeresis + macron.
    EXPECT_EQ(hfs("\u01d6"), u"u\u0308\u0304");
    // Combining marks go into canonical order (cedilla 202 before acute 230).
    EXPECT_EQ(hfs("a\u0301\u0327"), u"a\u0327\u0301");
    // Left alone: U+2000..U+2FFF, CJK compatibility ideographs, characters outside the BMP.
    EXPECT_EQ(hfs("\u2126\u212b"), u"\u2126\u212b");
    EXPECT_EQ(hfs("\uf900"), u"\uf900");
    EXPECT_EQ(hfs("\U0002F800"), u"\U0002F800");
    EXPECT_EQ(hfs("\U0001F600.txt"), u"\U0001F600.txt");
    // Unified CJK and kana without voicing marks stay as they are; voiced kana decompose.
    EXPECT_EQ(hfs("\u6f22\u5b57\u304c"), u"\u6f22\u5b57\u304b\u3099");
    // The POSIX ':' is stored as '/', and comes back.
    EXPECT_EQ(hfs("a:b"), u"a/b");
    EXPECT_EQ(utf8FromHfsName(u"a/b"), "a:b");
    EXPECT_EQ(utf8FromHfsName(std::u16string(u"\0x", 2)), "\u2400x");
    EXPECT_EQ(utf8FromHfsName(hfs("caf\u00e9 \U0001F600")), "cafe\u0301 \U0001F600");
}

TEST(HfsUnicodeName, RefusesWhatCannotBeStored)
{
    EXPECT_TRUE(hfsNameFromUtf8(std::string(255, 'a')).has_value());
    const auto tooLong = hfsNameFromUtf8(std::string(256, 'a'));
    ASSERT_FALSE(tooLong.has_value());
    EXPECT_NE(tooLong.error().message.find("256 UTF-16 units"), std::string::npos);
    // 200 precomposed letters fit in 255 bytes' worth of units only before decomposition.
    std::string accents;
    for (int i = 0; i < 130; ++i)
        accents += "\u00e9";
    EXPECT_FALSE(hfsNameFromUtf8(accents).has_value());
    EXPECT_FALSE(hfsNameFromUtf8("").has_value());
    EXPECT_FALSE(hfsNameFromUtf8("bad\xff").has_value());
    EXPECT_FALSE(hfsNameFromUtf8("\xed\xa0\x80").has_value()); // an encoded surrogate
    EXPECT_FALSE(hfsNameFromUtf8("\xc0\xaf").has_value());     // an overlong '/'
}

TEST(HfsUnicodeName, OrdersLikeTheCatalog)
{
    struct Pair {
        std::u16string a, b;
        int expected;
    };
    const Pair pairs[] = {
        {u".background", u".DS_Store", -1},
        {u".DS_Store", u"App.app", -1},
        {u"App.app", u"Applications", -1},
        {u"Applications", u"Zed.app", -1},
        {u"_a", u"B", -1},      // folding is to lower case, so '_' sorts before letters
        {u"[x", u"a", -1},
        {u"README", u"readme", 0},
        {u"a\u200db", u"ab", 0}, // ignorable characters
        {u"\ufeffz", u"z", 0},
        {u"", u"a", -1},
        {std::u16string(u"\0", 1), u"zzz", 1}, // NUL sorts last
        {u"\u0391", u"\u03b1", 0},            // Greek folds
        {u"\u00c6", u"\u00e6", 0},            // Latin-1 letters without decomposition fold
        {u"\u0130", u"i", 1},                 // dotted capital I does not fold
        {u"\uff21", u"\uff41", 0},            // fullwidth letters fold
        {u"\u2160", u"\u2170", 0},            // Roman numerals fold
        {u"e\u0301", u"f", -1},
        {u"a", u"ab", -1},
    };
    for (const Pair& p : pairs) {
        EXPECT_EQ(compareHfsNames(p.a, p.b), p.expected) << std::string(p.a.begin(), p.a.end());
        EXPECT_EQ(compareHfsNames(p.b, p.a), -p.expected);
    }
}
