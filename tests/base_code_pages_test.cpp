// Which code page stored text is read in.
#include "test_support.h"
#include "base/code_pages.h"

namespace {
// "Данные" in UTF-8.
const char kDataUTF8[] = "\xd0\x94\xd0\xb0\xd0\xbd\xd0\xbd\xd1\x8b\xd0\xb5";
}  // namespace

// A text cut by bytes inside its last letter is UTF-8 with that letter gone;
// a text whose only letter beyond ASCII is its last byte is a one-byte code
// page's, with nothing cut.
TEST(CodePages, ALastLetterCutShortIsDroppedOnlyAfterALetterOfSeveralBytes)
{
    std::string cut = std::string("N") + kDataUTF8 + "\xd0";
    EXPECT_EQ(StoredTextAsProgramText(cut), std::string("N") + kDataUTF8);
    EXPECT_EQ(StoredTextAsProgramText("\xc3\xa9t\xc3\xa9 \xe2\x82"), "\xc3\xa9t\xc3\xa9 ");   // two of three bytes
    EXPECT_EQ(StoredTextAsProgramText("Caf\xe9"), "Caf\xc3\xa9");
    EXPECT_EQ(StoredTextAsProgramText("\xd0"), "\xc3\x90");
    // A fault before the end is no cut: the whole text is code page 1252.
    EXPECT_EQ(StoredTextAsProgramText("\xc3\xa9t\xe9 \xd0"), "\xc3\x83\xc2\xa9t\xc3\xa9 \xc3\x90");
}
