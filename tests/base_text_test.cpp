#include "test_support.h"
#include "base/text.h"

#include <cstring>

TEST(BoundedText, CutsToFitTerminatesAndSaysWhetherItCut)
{
    char out[6];
    EXPECT_EQ(CopyBounded(out, sizeof out, "abcde"), 1);   // five and the terminator: the most that fits
    EXPECT_STREQ(out, "abcde");
    EXPECT_EQ(CopyBounded(out, sizeof out, "abcdef"), 0);
    EXPECT_STREQ(out, "abcde");
    EXPECT_EQ(CopyBounded(out, sizeof out, nullptr), 1);
    EXPECT_STREQ(out, "");

    // No room: nothing is written, not even a terminator.
    out[0] = 'q';
    EXPECT_EQ(CopyBounded(out, 0, "a"), 0);
    EXPECT_EQ(out[0], 'q');

    // A full field without a terminator, followed by more text: only the
    // field's own bytes are read.
    struct {
        char field[4];
        char after[4];
    } record;
    std::memcpy(record.field, "wxyz", 4);
    std::memcpy(record.after, "ABC", 4);
    char name[sizeof record.field];
    EXPECT_EQ(CopyBounded(name, sizeof name, record.field), 0);
    EXPECT_STREQ(name, "wxy");
}
