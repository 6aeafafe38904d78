// The shared formatter, fed in blocks of every awkward size, against the
// plain reference, and its count of the digits in a cut-off text.
#include <gtest/gtest.h>

#include <string>

#include "Blocks.h"
#include "HexLines.h"
#include "files.h"
#include "reference.h"

namespace {

// Formats data split into blocks of the given size, as reads deliver them.
std::string FormatInBlocks(const std::string &data, size_t block, const char *lineEnd,
                           bool vector) {
    HexLines lines{lineEnd};
    lines.vector = vector;
    std::string text;
    std::string piece(HexTextCapacity(block, lineEnd), '\0');
    for (size_t at = 0; at < data.size(); at += block) {
        size_t n = std::min(block, data.size() - at);
        auto *bytes = reinterpret_cast<const uint8_t *>(data.data() + at);
        text.append(piece.data(), FormatHexLines(lines, bytes, n, piece.data()));
    }
    return text;
}

TEST(HexLines, MatchesThePlainFormatterAcrossLineAndBlockBoundaries) {
    const size_t format = FORMAT_BLOCK_BYTES, read = READ_BLOCK_BYTES;
    const std::string data = RandomBytes(3 * format + 33, 7) + AllByteValues();
    for (const char *lineEnd : {LINE_END_CRLF, LINE_END_LF}) {
        for (size_t size : {size_t{0}, size_t{1}, size_t{15}, size_t{16}, size_t{17}, format - 1,
                            format, format + 1, data.size()}) {
            std::string part = data.substr(0, size);
            for (size_t block : {size_t{1}, size_t{5}, size_t{16}, size_t{17}, format, read})
                for (bool vector : {true, false})
                    EXPECT_EQ(FormatInBlocks(part, block, lineEnd, vector),
                              ReferenceBody(part, lineEnd))
                        << "size " << size << " block " << block << " vector " << vector;
        }
    }
}

// A digit is one of the two characters after an "0x".
TEST(HexLines, CountsTheDigitsOfEveryPrefix) {
    for (const char *lineEnd : {LINE_END_CRLF, LINE_END_LF}) {
        std::string text = ReferenceBody(RandomBytes(40, 3), lineEnd);
        for (size_t len = 0, digits = 0; len <= text.size(); ++len) {
            ASSERT_EQ(HexDigitsIn(len, lineEnd), digits) << len;
            digits += (len >= 1 && text[len - 1] == 'x') || (len >= 2 && text[len - 2] == 'x');
        }
    }
}

} // namespace
