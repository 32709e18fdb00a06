#include "test_support.h"
#include "base/palette.h"
#include <climits>

// Codes wrap at 20; a negative code is taken by its magnitude, INT_MIN
// included (2147483648 mod 20 = 8), where a plain negation overflows.
TEST(Palette, EveryIntPicksAnEntry)
{
    EXPECT_EQ(GetPaletteColor(23), GetPaletteColor(3));
    EXPECT_EQ(GetPaletteColor(-3), GetPaletteColor(3));
    EXPECT_EQ(GetPaletteColor(INT_MIN), GetPaletteColor(8));
    EXPECT_EQ(GetPaletteColor(INT_MAX), GetPaletteColor(INT_MAX % 20));
}
