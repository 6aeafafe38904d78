// The packer's text helpers, checked against plain reference code.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "HeaderText.h"
#include "Packing.h"
#include "expected.h"
#include "files.h"

TEST(GetDigitCnt, CountsUpToThreeCharacters) {
    EXPECT_EQ(GetDigitCnt(""), 0);
    EXPECT_EQ(GetDigitCnt("f"), 1);
    EXPECT_EQ(GetDigitCnt("ff"), 2);
    EXPECT_EQ(GetDigitCnt("abc"), 3);
    EXPECT_EQ(GetDigitCnt("abcdef"), 3);
}

TEST(GetParity, StoresTheXorAfterTheBytesAndReturnsThePlacePastIt) {
    UINT8 empty[1] = {0xaa};
    EXPECT_EQ(GetParity(empty, 0), empty + 1);
    EXPECT_EQ(empty[0], 0);

    UINT8 bytes[5] = {0x01, 0x02, 0x04, 0x80, 0xee};
    EXPECT_EQ(GetParity(bytes, 4), bytes + 5);
    EXPECT_EQ(bytes[4], 0x87);
}

TEST(ByteToHex, GivesTwoLowercaseDigitsForEveryValue) {
    for (int v = 0; v < 256; ++v) {
        char strBuf[16];
        char expected[8];
        ByteToHex(static_cast<UINT8>(v), strBuf);
        std::snprintf(expected, sizeof expected, "%02x", v);
        EXPECT_STREQ(strBuf, expected) << v;
    }
}

using Formatter = size_t (*)(const UINT8 *, size_t, char *);

static std::string Format(Formatter format, const std::string &data) {
    std::string text(HexTextCapacity(data.size()), '\0');
    text.resize(format(reinterpret_cast<const UINT8 *>(data.data()), data.size(), text.data()));
    return text;
}

TEST(FormatHexLines, MatchesThePlainFormatterAroundEveryLineBoundary) {
    std::string data = RandomBytes(16 * 70 + 1, 7) + AllByteValues();
    for (size_t n :
         {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u, 255u, 256u, 257u, 1119u, 1120u, 1121u, 1377u})
        for (Formatter format : {FormatHexLines, FormatHexLinesPortable})
            EXPECT_EQ(Format(format, data.substr(0, n)), ReferenceBody(data.substr(0, n))) << n;
}

// Counts the digits of each element by reading the text back.
static size_t DigitsByParsing(const std::string &text) {
    size_t digits = 0;
    for (size_t i = 0; i + 2 < text.size() + 2; ++i) {
        if (text.compare(i, 2, "0x") != 0)
            continue;
        for (size_t k = i + 2; k < i + 4 && k < text.size() && std::isxdigit(text[k]); ++k)
            ++digits;
    }
    return digits;
}

TEST(HexDigitsIn, CountsTheDigitsOfEveryPrefix) {
    std::string text = ReferenceBody(RandomBytes(40, 3));
    for (size_t len = 0; len <= text.size(); ++len)
        ASSERT_EQ(HexDigitsIn(len), DigitsByParsing(text.substr(0, len))) << len;
}
