// The packer's small helpers.
#include <gtest/gtest.h>

#include "Packing.h"

TEST(GetDigitCnt, CountsUpToThreeCharacters) {
    EXPECT_EQ(GetDigitCnt(""), 0);
    EXPECT_EQ(GetDigitCnt("f"), 1);
    EXPECT_EQ(GetDigitCnt("ff"), 2);
    EXPECT_EQ(GetDigitCnt("abc"), 3);
    EXPECT_EQ(GetDigitCnt("abcdef"), 3);
}

// Stores the XOR after the bytes and returns the place past it.
TEST(GetParity, StoresTheXorAfterTheBytes) {
    UINT8 empty[1] = {0xaa};
    EXPECT_EQ(GetParity(empty, 0), empty + 1);
    EXPECT_EQ(empty[0], 0);

    UINT8 bytes[5] = {0x01, 0x02, 0x04, 0x80, 0xee};
    EXPECT_EQ(GetParity(bytes, 4), bytes + 5);
    EXPECT_EQ(bytes[4], 0x87);
}
