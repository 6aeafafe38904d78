// The converter's word sum and formatting, called in-process.
#include <gtest/gtest.h>

#include <cerrno>

#include "expected.h"
#include "files.h"

// The converter is one file with its own main; take it in under another name.
#define main morvash_main
#include "morvash.cpp"
#undef main

namespace {

int Sum(const std::string &bytes, int length) {
    return calculate_sum(reinterpret_cast<const unsigned char *>(bytes.data()), length);
}

struct Captured {
    int result;
    std::string out, err;
};

Captured SumCapturingConsole(const std::string &bytes, int length) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    errno = 0;
    int result = Sum(bytes, length);
    std::string out = testing::internal::GetCapturedStdout();
    return {result, out, testing::internal::GetCapturedStderr()};
}

TEST(CalculateSum, AddsLittleEndianWordsWithWrapAround) {
    EXPECT_EQ(Sum(std::string("\1\0\0\0\2\0\0\0", 8), 8), 3);
    EXPECT_EQ(Sum(std::string("\xff\xff\xff\xff\2\0\0\0", 8), 8), 1);
    EXPECT_EQ(Sum(std::string("\1\2\3\4\5\0\0\0", 8), 8), 0x04030206);
    std::string random = RandomBytes(4096, 9);
    EXPECT_EQ(static_cast<uint32_t>(Sum(random, 4096)), ReferenceSum(random));
}

TEST(CalculateSum, LengthsOfZeroOrBelowAddNothing) {
    Captured zero = SumCapturingConsole("", 0);
    EXPECT_EQ(zero.result, 0);
    EXPECT_EQ(zero.out + zero.err, "");
    EXPECT_EQ(SumCapturingConsole("", -4).result, 0);
}

TEST(CalculateSum, RefusesLengthsThatAreNotWholeWords) {
    Captured six = SumCapturingConsole(std::string(8, '\1'), 6);
    EXPECT_EQ(six.result, -1);
    EXPECT_EQ(six.out, "buffer size = 6, mod=2\n");
    EXPECT_EQ(six.err, "buffer is aliged 4 bytes\n: Success\n");

    Captured negative = SumCapturingConsole("", -2);
    EXPECT_EQ(negative.result, -1);
    EXPECT_EQ(negative.out, "buffer size = -2, mod=-2\n");
    EXPECT_EQ(negative.err, "buffer is aliged 4 bytes\n: Success\n");
}

TEST(FormatLines, MatchesThePlainFormatterAroundEveryBoundary) {
    std::string data = RandomBytes(2 * block_bytes + 64, 4);
    for (size_t n : {size_t{0}, size_t{1}, size_t{15}, size_t{16}, size_t{17}, size_t{33},
                     block_bytes - 1, block_bytes, block_bytes + 1, 2 * block_bytes + 17}) {
        for (auto format : {format_lines, format_lines_portable}) {
            std::string text(format_capacity(n), '\0');
            text.resize(
                format(reinterpret_cast<const unsigned char *>(data.data()), n, text.data()));
            EXPECT_EQ(text, ReferenceBody(data.substr(0, n))) << n;
        }
    }
}

} // namespace
