// Which code page stored text is read in: what a table declares, then
// UTF-8, then the system's own code page (the tables' cases are in
// base_shape_io_test).
#include "test_support.h"
#include "base/code_pages.h"

TEST(CodePages, DeclarationsNameTheirCodePageHoweverTheyAreSpelt)
{
    struct Case {
        const char* declaration;
        unsigned codePage;
    } cases[] = {
        {"UTF-8", CP_UTF8}, {"utf8", CP_UTF8}, {" 65001 ", CP_UTF8}, {"\xEF\xBB\xBFUTF-8", CP_UTF8},
        {"1251", 1251}, {"CP1251", 1251}, {"windows-1251", 1251}, {"ANSI 1251", 1251}, {"cp866", 866},
        {"ISO-8859-1", 28591}, {"ISO 8859-5", 28595}, {"88595", 28595}, {"8859_15", 28605}, {"KOI8-R", 20866},
        // The language byte of the table's header.
        {"LDID/3", 1252}, {"LDID/200", 1250}, {"LDID/201", 1251}, {"LDID/38", 866}, {"LDID/101", 866},
        {"LDID/100", 852},
        // "The system's", nothing, or nothing this system knows: no declaration.
        {"LDID/87", 0}, {"LDID/0", 0}, {"LDID/250", 0}, {"", 0}, {"ANSI", 0}, {"CP99999", 0}, {"ISO-8859-99", 0},
        {"Cyrillic please", 0}, {nullptr, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(DeclaredCodePage(c.declaration), c.codePage) << (c.declaration ? c.declaration : "null");
}

// The manifest makes the program's own code page UTF-8; the system's own
// stays what its locale says, here the Western one, unless a test says otherwise.
TEST(CodePages, TheSystemsCodePageIsTheLocalesNotTheProgramsUTF8)
{
    ASSERT_EQ(GetACP(), (UINT)CP_UTF8);
    EXPECT_EQ(SystemCodePage(), 1252u);
    EXPECT_EQ(StoredTextAsProgramText("Donn\xe9" "es \x80 5"), "Donn\xc3\xa9" "es \xe2\x82\xac 5");
    EXPECT_EQ(StoredTextAsProgramText(kCzech1250), "\xc3\x88" "esk\xc3\xa1");   // "Èeská": not what was meant
    SystemCodePageIs czech(1250);
    EXPECT_EQ(SystemCodePage(), 1250u);
    EXPECT_EQ(StoredTextAsProgramText(kCzech1250), kCzechUTF8);
    // A table declared UTF-8 whose bytes are none falls back on the system's.
    EXPECT_EQ(StoredTextAsProgramText(kCzech1250, CP_UTF8), kCzechUTF8);
}

// A text cut by bytes inside its last letter is UTF-8 with that letter gone;
// a text whose only letter beyond ASCII is its last byte is a one-byte code
// page's, with nothing cut.
TEST(CodePages, ALastLetterCutShortIsDroppedOnlyAfterALetterOfSeveralBytes)
{
    std::string cut = std::string("N") + kRussianUTF8 + "\xd0";
    EXPECT_EQ(StoredTextAsProgramText(cut), std::string("N") + kRussianUTF8);
    EXPECT_EQ(StoredTextAsProgramText("\xc3\xa9t\xc3\xa9 \xe2\x82"), "\xc3\xa9t\xc3\xa9 ");   // two of three bytes
    EXPECT_EQ(StoredTextAsProgramText("Caf\xe9"), "Caf\xc3\xa9");
    EXPECT_EQ(StoredTextAsProgramText("\xd0"), "\xc3\x90");
    // Declared UTF-8, the text needs no letter before the cut.
    EXPECT_EQ(StoredTextAsProgramText("Caf\xe9", CP_UTF8), "Caf");
    // A fault before the end is no cut: the whole text is the system's.
    EXPECT_EQ(StoredTextAsProgramText("\xc3\xa9t\xe9 \xd0"), "\xc3\x83\xc2\xa9t\xc3\xa9 \xc3\x90");

    // A field read in place is cut between letters when its text grows.
    SystemCodePageIs russian(1251);
    char field[8];
    memcpy(field, kRussian1251, sizeof kRussian1251);   // six letters, one byte each
    StoredFieldAsProgramText(field, sizeof field);
    EXPECT_STREQ(field, "\xd0\x94\xd0\xb0\xd0\xbd");   // three of them in two bytes each fit
}
