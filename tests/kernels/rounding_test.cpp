#include "kernels/rounding.h"

#include <gtest/gtest.h>

TEST(Rounding, HalvesGoToTheEvenNeighbour)
{
    EXPECT_EQ(kernels::roundHalfEvenToInt(2.5), 2);
    EXPECT_EQ(kernels::roundHalfEvenToInt(3.5), 4);
    EXPECT_EQ(kernels::roundHalfEvenToInt(-2.5), -2);
    EXPECT_EQ(kernels::roundHalfEvenToInt(3.6), 4);
}
