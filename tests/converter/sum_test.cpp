// The converter's word sum, called in-process, with what it prints.
#include <gtest/gtest.h>

#include <cerrno>

#include "expected.h"
#include "files.h"
#include "morvash.h"

namespace {

struct Case {
    std::string bytes;
    int length, sum;
    std::string out; // a length that is not whole words is refused with this
};

TEST(CalculateSum, AddsLittleEndianWordsAndRefusesPartOfOne) {
    const std::string random = RandomBytes(4096, 9);
    const Case cases[] = {{std::string("\1\0\0\0\2\0\0\0", 8), 8, 3, ""},
                          {std::string("\xff\xff\xff\xff\2\0\0\0", 8), 8, 1, ""}, // wraps around
                          {std::string("\1\2\3\4\5\0\0\0", 8), 8, 0x04030206, ""},
                          {random, 4096, static_cast<int>(converter::ReferenceSum(random)), ""},
                          {"", 0, 0, ""},
                          {"", -4, 0, ""},
                          {std::string(8, '\1'), 6, -1, "buffer size = 6, mod=2\n"},
                          {"", -2, -1, "buffer size = -2, mod=-2\n"}};
    for (const Case &c : cases) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        errno = 0;
        EXPECT_EQ(calculate_sum(reinterpret_cast<const unsigned char *>(c.bytes.data()), c.length),
                  c.sum);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out) << c.length;
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  c.out.empty() ? "" : "buffer is aliged 4 bytes\n: Success\n");
    }
}

} // namespace
