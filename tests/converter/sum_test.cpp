// The converter's word sum, called in-process.
#include <gtest/gtest.h>

#include <cerrno>

#include "expected.h"
#include "files.h"
#include "morvash.h"

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
    EXPECT_EQ(static_cast<uint32_t>(Sum(random, 4096)), converter::ReferenceSum(random));
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

} // namespace
