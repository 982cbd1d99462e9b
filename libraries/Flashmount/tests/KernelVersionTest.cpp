#include "Flashmount/KernelVersion.h"

#include <gtest/gtest.h>

using namespace Flashmount;

TEST(KernelVersion, DigitsAndPointsReadAsOneNumber) {
    EXPECT_EQ(KernelVersion("Rubric 8.10.2 (compressed)"), "8.10");
    EXPECT_EQ(KernelVersion("RB 10.1"), "10.10");
    EXPECT_EQ(KernelVersion("Tessel 2.05 build 7"), "2.06");
    EXPECT_EQ(KernelVersion("Rubric 7.3"), "7.30");
    EXPECT_EQ(KernelVersion("Unknown"), ".00");

    EXPECT_EQ(WholeVersion("8.10"), 8);
    EXPECT_EQ(WholeVersion("10.00"), 10);
    EXPECT_EQ(WholeVersion(".00"), 0);
    EXPECT_EQ(WholeVersion(""), 0);
}
