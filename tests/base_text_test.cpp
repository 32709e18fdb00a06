#include "test_support.h"
#include "base/text.h"
#include "base/code_pages.h"

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

// The program speaks UTF-8: a cut falls before the letter that does not fit
// whole, never inside it, so the field holds no lone lead byte.
TEST(BoundedText, CutsFallBetweenLettersOfTwoToFourBytes)
{
    ASSERT_EQ(GetACP(), (UINT)CP_UTF8);
    struct Case {
        const char* text;
        size_t room;
        const char* kept;
    } cases[] = {
        {"ab\xd0\x96\xd0\x96", 4, "ab"},              // room for "ab" and half of Ж
        {"ab\xd0\x96\xd0\x96", 5, "ab\xd0\x96"},      // Ж ends exactly at the cut
        {"a\xe2\x82\xac\xe2\x82\xac", 4, "a"},        // €, three bytes: one or two of them fit
        {"a\xe2\x82\xac\xe2\x82\xac", 5, "a\xe2\x82\xac"},
        {"\xf0\x9f\x98\x80x", 4, ""},                 // four bytes, three of them fit
        {"\xf0\x9f\x98\x80x", 5, "\xf0\x9f\x98\x80"},
        {"ab\xd0z", 4, "ab"},                        // a lone lead byte is never left at the end
    };
    for (const Case& c : cases) {
        char out[8];
        EXPECT_EQ(CopyBounded(out, c.room, c.text), 0) << c.text;
        EXPECT_STREQ(out, c.kept) << c.text << " " << c.room;
    }
    // A full field without a terminator, cut inside its last letter.
    struct {
        char field[5];
        char after[3];
    } record;
    std::memcpy(record.field, "abc\xd0\x96", 5);
    std::memcpy(record.after, "zz", 3);
    char name[sizeof record.field];
    EXPECT_EQ(CopyBounded(name, sizeof name, record.field), 0);
    EXPECT_STREQ(name, "abc");

    // A double-byte code page is walked from the start: 0x81 0x40 is one
    // letter, so the 0x40 after it is no lead byte of its own.
    EXPECT_EQ(LetterBoundary("\x81\x40\x81\x40", 3, 932), 2u);
    EXPECT_EQ(LetterBoundary("\x81\x40\x81\x40", 4, 932), 4u);
    EXPECT_EQ(LetterBoundary("a\x81\x40", 2, 932), 1u);
    EXPECT_EQ(LetterBoundary("\xe9\xe9\xe9", 2, 1252), 2u);

    // Where the program speaks 1252, every byte is a letter of its own.
    ProgramCodePageIs western(1252);
    EXPECT_EQ(CopyBounded(name, 3, "\xe9\xe9\xe9"), 0);
    EXPECT_STREQ(name, "\xe9\xe9");
}

// Letters counted as code points: every letter of two to four bytes is one,
// and so is a byte that starts none (a letter cut short, a stray
// continuation byte). A count stops at the text's end.
TEST(BoundedText, LettersAreCountedAndTakenWhole)
{
    ASSERT_EQ(GetACP(), (UINT)CP_UTF8);
    const char* mixed = "a\xd0\x96\xe2\x82\xac\xf0\x9f\x98\x80z";   // a Ж € 😀 z
    EXPECT_EQ(LetterCount(mixed), 5u);
    const size_t bytes[] = {0, 1, 3, 6, 10, 11, 11};
    for (size_t letters = 0; letters < 7; letters++) EXPECT_EQ(LetterBytes(mixed, letters), bytes[letters]) << letters;
    EXPECT_EQ(LetterCount(""), 0u);
    EXPECT_EQ(LetterCount("\xd0"), 1u);            // a lead byte at the end
    EXPECT_EQ(LetterCount("\xe2\x82z"), 2u);       // three bytes cut short, then z
    EXPECT_EQ(LetterBytes("\xe2\x82z", 1), 2u);
    EXPECT_EQ(LetterCount("\x96\x96"), 2u);        // continuation bytes alone
    // Other code pages: a double-byte letter is one, a single-byte page a byte a letter.
    EXPECT_EQ(LetterCount("\x81\x40\x81\x40z", 932), 3u);
    EXPECT_EQ(LetterBytes("\x81\x40\x81\x40z", 2, 932), 4u);
    EXPECT_EQ(LetterCount("\x81", 932), 1u);       // a lead byte without its trail
    EXPECT_EQ(LetterCount("\xc4\xe0\xed", 1251), 3u);
    // No code page given counts in the program's: where it speaks 1252, a byte a letter.
    ProgramCodePageIs western(1252);
    EXPECT_EQ(LetterCount(mixed), 11u);
    EXPECT_EQ(LetterBytes(mixed, 2), 2u);
}
