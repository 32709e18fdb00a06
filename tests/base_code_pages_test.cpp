// Which code page stored text is read in: what a table declares, then
// UTF-8, then the system's own code page (the tables' cases are in
// base_shape_io_test).
#include "test_support.h"
#include "base/code_pages.h"
#include "base/stored_text.h"

// The texts of one file as the program shows them.
static std::vector<std::string> ShownTexts(const std::vector<std::string>& stored)
{
    std::vector<std::string> shown;
    for (const StoredText& t : ReadStoredTexts(stored)) shown.push_back(t.shown);
    return shown;
}

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
// stays what its locale says, never UTF-8.
TEST(CodePages, TheSystemsCodePageIsTheLocalesNotTheProgramsUTF8)
{
    ASSERT_EQ(GetACP(), (UINT)CP_UTF8);
    EXPECT_EQ(ProgramCodePage(), (unsigned)CP_UTF8);
    EXPECT_NE(SystemCodePage(), (unsigned)CP_UTF8);
    EXPECT_TRUE(IsValidCodePage(SystemCodePage()));
    SystemCodePageIs western(1252);
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
    SystemCodePageIs western(1252);
    std::string cut = std::string("N") + kRussianUTF8 + "\xd0";
    EXPECT_EQ(StoredTextAsProgramText(cut), std::string("N") + kRussianUTF8);
    EXPECT_EQ(StoredTextAsProgramText("\xc3\xa9t\xc3\xa9 \xe2\x82"), "\xc3\xa9t\xc3\xa9 ");   // two of three bytes
    EXPECT_EQ(StoredTextAsProgramText("Caf\xe9"), "Caf\xc3\xa9");
    EXPECT_EQ(StoredTextAsProgramText("Caf\xc3"), "Caf\xc3\x83");   // UTF-8 "Café" cut: "CafÃ"
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

// Where Windows ignores the manifest the program speaks the system's code
// page: declared text is converted into it, a letter it lacks standing in as
// "?", and text in it already keeps its bytes.
TEST(CodePages, WhereTheProgramSpeaksCodePage1252StoredTextIsConvertedIntoIt)
{
    SystemCodePageIs western(1252);
    ProgramCodePageIs program(1252);
    EXPECT_EQ(CodePageDeclaration(ProgramCodePage()), "1252");
    const std::string ete1252 = "\xc9t\xe9", eteUTF8 = "\xc3\x89t\xc3\xa9";
    EXPECT_EQ(StoredTextAsProgramText(eteUTF8, CP_UTF8), ete1252);
    EXPECT_EQ(StoredTextAsProgramText(eteUTF8), ete1252);   // undeclared, but UTF-8
    EXPECT_EQ(StoredTextAsProgramText(ete1252), ete1252);
    EXPECT_EQ(StoredTextAsProgramText(ete1252, 1252), ete1252);
    EXPECT_EQ(StoredTextAsProgramText("Donn\xe9" "es \x80 5", CP_UTF8), "Donn\xe9" "es \x80 5");   // not UTF-8 after all
    // 1251's "5 €, «Да»": the euro sign is another byte in 1252, the
    // quotation marks the same, the Cyrillic letters are missing.
    EXPECT_EQ(StoredTextAsProgramText("5 \x88, \xab\xc4\xe0\xbb", 1251), "5 \x80, \xab??\xbb");
    EXPECT_EQ(StoredTextAsProgramText(kCzechUTF8, CP_UTF8), "?esk\xe1");
    // A cut letter is dropped before the text is converted.
    EXPECT_EQ(StoredTextAsProgramText("\xc3\xa9t\xc3\xa9 \xe2\x82"), "\xe9t\xe9 ");
    std::vector<std::string> lines = {eteUTF8, "tile0.las", kRussianUTF8};
    lines = ShownTexts(lines);
    EXPECT_EQ(lines, (std::vector<std::string>{ete1252, "tile0.las", "??????"}));
}

// The texts of one file are all in one code page: a line of 1252 letters
// that happen to pair as UTF-8 ("CAFÉ»" reads as UTF-8 "CAFɻ") is read in
// 1252 beside the lines that are not UTF-8; a file whose every text is UTF-8
// keeps it, a last letter cut short after a letter of several bytes dropped.
TEST(CodePages, TheTextsOfOneFileAreReadInOneCodePage)
{
    SystemCodePageIs western(1252);
    std::vector<std::string> texts = {"CAF\xc9\xbb", "", "Donn\xe9" "es", "tile0.las"};
    texts = ShownTexts(texts);
    EXPECT_EQ(texts, (std::vector<std::string>{"CAF\xc3\x89\xc2\xbb", "", "Donn\xc3\xa9" "es", "tile0.las"}));
    const std::string cut = std::string("N") + kRussianUTF8 + "\xd0";
    texts = {"CAF\xc9\xbb", cut, "tile0.las"};
    texts = ShownTexts(texts);
    EXPECT_EQ(texts, (std::vector<std::string>{"CAF\xc9\xbb", std::string("N") + kRussianUTF8, "tile0.las"}));
    // "Caf\xe9" alone is 1252's, so its file is.
    texts = {"Caf\xe9", "\xc3\xa9t\xc3\xa9"};
    texts = ShownTexts(texts);
    EXPECT_EQ(texts, (std::vector<std::string>{"Caf\xc3\xa9", "\xc3\x83\xc2\xa9t\xc3\x83\xc2\xa9"}));

    char fields[2][7] = {"CAF\xc9\xbb", "\xe9t\xe9"};
    StoredFieldsAsProgramText({{fields[0], sizeof fields[0]}, {fields[1], sizeof fields[1]}});
    EXPECT_STREQ(fields[0], "CAF\xc3\x89");   // "»" no longer fits whole
    EXPECT_STREQ(fields[1], "\xc3\xa9t\xc3\xa9");
}

// Where the program speaks 1252 a field shows "?" for a letter it lacks and
// keeps the letter: the field's bytes carry it when the record is copied or
// its array grows, a file is given the letters while the field shows what was
// read, and an edit (even to a text of the same length) gives the edit.
TEST(KeptLetters, AFieldReadWithLettersThisWindowsLacksWritesThemBack)
{
    SystemCodePageIs western(1252);
    ProgramCodePageIs program(1252);
    const std::string repere = "\xd0\xa0\xd0\xb5\xd0\xbf\xd0\xb5\xd1\x80 1", point = "\xd0\xa2\xd0\xbe\xd1\x87\xd0\xba\xd0\xb0 1";
    unsigned before = UnshownTextCount();
    std::vector<StoredText> read = ReadStoredTexts({repere, point, "\xc3\x89t\xc3\xa9"});
    EXPECT_EQ(UnshownTextCount() - before, 2u);
    char fields[3][32];
    for (int i = 0; i < 3; i++) EXPECT_EQ(CopyStoredText(fields[i], sizeof fields[i], read[(size_t)i]), 1);
    EXPECT_STREQ(fields[0], "????? 1");
    EXPECT_STREQ(fields[1], "????? 1");   // shown alike, kept apart
    EXPECT_STREQ(fields[2], "\xc9t\xe9");
    char moved[3][32];
    memcpy(moved, fields, sizeof fields);
    EXPECT_EQ(FieldTextIn(moved[0], sizeof moved[0], CP_UTF8), repere);
    EXPECT_EQ(FieldTextIn(moved[1], sizeof moved[1], CP_UTF8), point);
    EXPECT_EQ(FieldTextIn(moved[2], sizeof moved[2], CP_UTF8), "\xc3\x89t\xc3\xa9");
    EXPECT_TRUE(FieldKeepsLetters(moved[0], sizeof moved[0]));
    EXPECT_FALSE(FieldKeepsLetters(moved[2], sizeof moved[2]));
    EXPECT_EQ(CodePageToWrite(true), (unsigned)CP_UTF8);
    EXPECT_EQ(CodePageToWrite(false), 1252u);
    // Written in the program's own code page the field is its bytes.
    EXPECT_EQ(FieldTextIn(moved[0], sizeof moved[0], 1252), "????? 1");
    CopyBounded(moved[0], sizeof moved[0], "Benchmark");
    CopyBounded(moved[1], sizeof moved[1], "??? ? 1");
    EXPECT_EQ(FieldTextIn(moved[0], sizeof moved[0], CP_UTF8), "Benchmark");
    EXPECT_EQ(FieldTextIn(moved[1], sizeof moved[1], CP_UTF8), "??? ? 1");
    // A field grown by the program grows its letters alike.
    AppendToField(fields[0], sizeof fields[0], "\\");
    EXPECT_STREQ(fields[0], "????? 1\\");
    EXPECT_EQ(FieldTextIn(fields[0], sizeof fields[0], CP_UTF8), repere + "\\");
    // A field too short for its letters keeps what it would hold where the
    // program speaks UTF-8, whole letters; one without room for the mark
    // shows the "?" and writes it.
    char narrow[8];
    EXPECT_EQ(CopyStoredText(narrow, sizeof narrow, read[0]), 0);
    EXPECT_STREQ(narrow, "???");
    EXPECT_EQ(FieldTextIn(narrow, sizeof narrow, CP_UTF8), "\xd0\xa0\xd0\xb5\xd0\xbf");
    char tight[5];
    CopyStoredText(tight, sizeof tight, ReadStoredText("\xd0\x94\xd0\xb0"));
    EXPECT_STREQ(tight, "??");
    EXPECT_FALSE(FieldKeepsLetters(tight, sizeof tight));
    // A file's fields as it is to hold them, and a mark that came with a file read as bytes means nothing.
    char names[2][16] = {"", "Abc"};
    CopyStoredText(names[0], sizeof names[0], read[0]);
    names[1][4] = 0x1A;
    FieldsAsFileText({{names[0], sizeof names[0]}, {names[1], sizeof names[1]}}, CP_UTF8);
    EXPECT_EQ(std::string(names[0]), repere);
    EXPECT_EQ(std::string(names[1]), "Abc");
    EXPECT_EQ(names[1][4], 0);
}
