// The test programs' entry point, compiled into each of them: a library's
// main would lose to the converter's, which the converter's tests link.
#include <gtest/gtest.h>

int main(int argc, char **argv) {
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
