#include "test_support.h"
#include "app/class_table.h"
#include "base/file_io.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string WriteText(const char* name, const std::string& text)
{
    std::string path = TempPath(name);
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(h, text.data(), (DWORD)text.size(), &written, nullptr);
    CloseHandle(h);
    return path;
}

std::string ReadText(const std::string& path)
{
    std::string text;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof(buf), &got, nullptr) && got) text.append(buf, got);
    CloseHandle(h);
    return text;
}

std::string ReadErrorText(const char* title, const char* error)
{
    char text[1024];
    std::snprintf(text, sizeof(text), kClassListReadErrorFormat, title, error);
    return text;
}

// A fault of line `number` of the list, as its box names it.
std::string LineFault(int number, const std::string& fault)
{
    return Formatted(kClassLineFaultFormat, number, fault.c_str());
}

std::string FileErrorText(const char* format, const char* title)
{
    char text[512];
    std::snprintf(text, sizeof(text), format, title);
    return text;
}

// Loads the text into a default table; returns the result and leaves the
// shown boxes in answers.
int LoadText(const std::string& text, ClassTable* table, BoxAnswers& answers)
{
    std::string path = WriteText("list.csv", text);
    answers.clear();
    return ReadClassListFile(table, path.c_str(), "list.csv");
}

}  // namespace

TEST(FoundClassTable, EmptyAndDefaultTables)
{
    ClassTable t;
    InitClassTable(&t);
    EXPECT_EQ(t.count, 0);
    EXPECT_STREQ(t.entries[200].name, "<EMPTY>");
    EXPECT_EQ(t.entries[200].mainColor, 0xFFFFFFu);
    EXPECT_EQ(t.entries[200].display, 0);

    SetDefaultClassTable(&t);
    EXPECT_EQ(t.count, 256);
    EXPECT_STREQ(t.path, "ASPRS_list.csv");
    EXPECT_STREQ(t.title, "ASPRS_list.csv");
    EXPECT_EQ(t.groundCode, 2);
    EXPECT_STREQ(t.entries[0].name, "Never Classified");
    EXPECT_STREQ(t.entries[2].name, "Ground");
    EXPECT_EQ(t.entries[2].mainColor, 0xFF00FFu);
    EXPECT_EQ(t.entries[6].profileColor, 0x0000FFu);
    EXPECT_STREQ(t.entries[22].name, "Temporal Exclusion");
    EXPECT_STREQ(t.entries[23].name, "Reserved");
    EXPECT_STREQ(t.entries[63].name, "Reserved");
    EXPECT_STREQ(t.entries[64].name, "User Definable");
    EXPECT_EQ(t.entries[255].mainColor, 0x808080u);
    for (int i = 0; i < 256; i++) {
        EXPECT_EQ(t.entries[i].display, 1);
        EXPECT_EQ(t.entries[i].tinDisplay, (i == 2 || i == 8) ? 1 : 0);
    }
}

TEST(FoundClassTable, SavedDefaultTableRoundTrips)
{
    BoxAnswers answers;
    ClassTable t;
    SetDefaultClassTable(&t);
    std::string path = TempPath("asprs.csv");
    ASSERT_EQ(WriteClassListFile(&t, path.c_str(), "asprs.csv"), 1);
    std::string text = ReadText(path);
    EXPECT_EQ(text.compare(0, 32, "0,Never Classified,128,128,128\r\n"), 0);
    EXPECT_NE(text.find("6,Building,255,0,0\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 32), "255,User Definable,128,128,128\r\n");
    size_t lines = 0;
    for (char c : text) lines += c == '\n';
    EXPECT_EQ(lines, 256u);

    ClassTable back;
    InitClassTable(&back);
    back.groundCode = 9;
    ASSERT_EQ(ReadClassListFile(&back, path.c_str(), "asprs.csv"), 1);
    EXPECT_TRUE(answers.shown().empty());
    EXPECT_EQ(back.count, 256);
    EXPECT_EQ(back.groundCode, 9);  // not in the file: kept
    EXPECT_STREQ(back.path, path.c_str());
    EXPECT_STREQ(back.title, "asprs.csv");
    for (int i = 0; i < 256; i++) {
        EXPECT_STREQ(back.entries[i].name, t.entries[i].name);
        EXPECT_EQ(back.entries[i].mainColor, t.entries[i].mainColor);
        EXPECT_EQ(back.entries[i].profileColor, t.entries[i].mainColor);
        EXPECT_EQ(back.entries[i].tinDisplay, 0);
    }
}

// A list an earlier version wrote on a Russian system holds its names in
// code page 1251; they read as their letters, a name of the 32 letters a
// line may give cut between letters to the 63 bytes an entry holds. A list
// in UTF-8 reads as it is.
TEST(FoundClassTable, NamesInTheSystemsCodePageReadAsTheirLetters)
{
    SystemCodePageIs russian(1251);
    const std::string ground1251 = "\xc7\xe5\xec\xeb\xff", groundUTF8 = "\xd0\x97\xd0\xb5\xd0\xbc\xd0\xbb\xd1\x8f";
    std::string long1251, longUTF8;
    for (int i = 0; i < 32; i++) long1251 += ground1251[(size_t)i % 5];
    for (int i = 0; i < 31; i++) longUTF8 += groundUTF8.substr(2 * ((size_t)i % 5), 2);
    BoxAnswers answers;
    ClassTable t;
    SetDefaultClassTable(&t);
    ASSERT_EQ(LoadText("0," + ground1251 + ",1,2,3\r\n1," + long1251 + ",4,5,6\r\n", &t, answers), 1);
    EXPECT_EQ(std::string(t.entries[0].name), groundUTF8);
    EXPECT_EQ(std::string(t.entries[1].name), longUTF8);
    EXPECT_EQ(answers.shown().size(), 1u);   // the cut is told: see TheNameLimitCountsLetters
    ASSERT_EQ(LoadText("0," + groundUTF8 + ",1,2,3\r\n1,x,4,5,6\r\n", &t, answers), 1);
    EXPECT_EQ(std::string(t.entries[0].name), groundUTF8);
    EXPECT_TRUE(answers.shown().empty());
}

// A list is in one code page: a name whose 1252 letters happen to pair as
// UTF-8 ("CAFÉ»" would read as "CAFɻ") is read in 1252 as the names beside
// it that are not UTF-8. In a list of UTF-8 names, one that an earlier
// version cut inside its last letter leaves that half letter out.
TEST(FoundClassTable, ANameWhoseLettersPairAsUTF8IsReadInTheCodePageOfItsList)
{
    SystemCodePageIs western(1252);
    BoxAnswers answers;
    ClassTable t;
    SetDefaultClassTable(&t);
    ASSERT_EQ(LoadText("0,CAF\xc9\xbb,1,2,3\r\n1,Relev\xe9,4,5,6\r\n2,Wires,7,8,9\r\n", &t, answers), 1);
    EXPECT_EQ(std::string(t.entries[0].name), "CAF\xc3\x89\xc2\xbb");
    EXPECT_EQ(std::string(t.entries[1].name), "Relev\xc3\xa9");
    EXPECT_EQ(std::string(t.entries[2].name), "Wires");
    ASSERT_EQ(LoadText("0,CAF\xc9\xbb,1,2,3\r\n1," + std::string(kRussianUTF8) + "\xd0,4,5,6\r\n", &t, answers), 1);
    EXPECT_EQ(std::string(t.entries[0].name), "CAF\xc9\xbb");
    EXPECT_EQ(std::string(t.entries[1].name), kRussianUTF8);
    EXPECT_TRUE(answers.shown().empty());
}

// The 32 a name may hold are letters: 32 of them in Cyrillic (55 bytes)
// read whole; 33 are refused, a list of an earlier version too, its name
// shown in its letters. 32 Cyrillic letters alone (64 bytes) pass the list
// but not the 63 bytes a class holds: they load cut to 31, and the box says so.
TEST(FoundClassTable, TheNameLimitCountsLetters)
{
    const std::string letters32 = "Опоры ЛЭП 110 кВ на берегу Вятки", letters33 = letters32 + "7";
    const std::string cyrillic32 = "ОпорыЛЭПнаберегуВяткиизаречьемыЯ", cyrillic31 = cyrillic32.substr(0, 62);
    BoxAnswers answers;
    ClassTable t;
    SetDefaultClassTable(&t);
    ASSERT_EQ(LoadText("0," + letters32 + ",1,1,1\n1,b,1,1,1\n", &t, answers), 1);
    EXPECT_EQ(t.entries[0].name, letters32);
    EXPECT_TRUE(answers.shown().empty());
    ASSERT_EQ(LoadText("0,a,1,1,1\n1," + cyrillic32 + ",1,1,1\n", &t, answers), 1);
    EXPECT_EQ(t.entries[1].name, cyrillic31);
    EXPECT_TRUE(ShowedOneBox(answers, Formatted(kClassNamesCutAtLoadFormat, "list.csv", 63, 63) +
                                          Formatted(kClassNameKeptFormat, 1, cyrillic32.c_str(), cyrillic31.c_str()) +
                                          Formatted(kClassNamesCutAtLoadCountFormat, 1, "", 63)));
    ClassTable before = t;
    EXPECT_EQ(LoadText("0," + letters33 + ",1,1,1\n1,b,1,1,1\n", &t, answers), 0);
    EXPECT_TRUE(ShowedOneBox(answers, ReadErrorText("list.csv", LineFault(1, "Name exceeds 32 characters (" + letters33 + ")").c_str())));
    SystemCodePageIs russian(1251);
    std::string stored, shown;
    for (int i = 0; i < 33; i++) stored += kRussian1251[i % 6];
    for (int i = 0; i < 33; i++) shown += std::string(kRussianUTF8 + 2 * (i % 6), 2);
    EXPECT_EQ(LoadText("0," + stored + ",1,1,1\n1,b,1,1,1\n", &t, answers), 0);
    EXPECT_TRUE(ShowedOneBox(answers, ReadErrorText("list.csv", LineFault(1, "Name exceeds 32 characters (" + shown + ")").c_str())));
    EXPECT_EQ(std::memcmp(&t, &before, sizeof(t)), 0);
}

// The save's warning names the first 20 names it cut and the codes of the
// rest; a single cut name is counted in the singular. A comma or a line end,
// which would split the class's line, is written as a blank, an empty name,
// which would leave its line out, as "<EMPTY>", and a name of more than 32
// bytes cut on a whole letter (17 Cyrillic letters to 16); each is named the
// same way, and what was written loads back.
TEST(FoundClassTable, TheSaveCountsTheNamesItCut)
{
    ClassTable t;
    SetDefaultClassTable(&t);
    std::string path = TempPath("cut.csv"), expected = Formatted(kClassNamesCutFormat, "cut.csv", 32, 32);
    for (int code = 0; code < 25; code++) {
        std::string name = Formatted("Class %02d under the power line north", code);   // 35 letters
        std::strcpy(t.entries[code].name, name.c_str());
        if (code < 20) expected += Formatted(kClassNameCutFormat, code, name.c_str(), name.substr(0, 32).c_str());
    }
    expected += Formatted(kClassNamesCutMoreFormat, 5, "s", "20-24") + Formatted(kClassNamesCutCountFormat, 25, "s", 32);
    {
        BoxAnswers answers;
        ASSERT_EQ(WriteClassListFile(&t, path.c_str(), "cut.csv"), 1);
        EXPECT_TRUE(ShowedOneBox(answers, expected));
    }
    SetDefaultClassTable(&t);
    std::strcpy(t.entries[9].name, "Water under the bridge at the mill");
    BoxAnswers answers;
    ASSERT_EQ(WriteClassListFile(&t, path.c_str(), "cut.csv"), 1);
    EXPECT_TRUE(ShowedOneBox(answers, Formatted(kClassNamesCutFormat, "cut.csv", 32, 32) +
                                          Formatted(kClassNameCutFormat, 9, "Water under the bridge at the mill",
                                                  "Water under the bridge at the mi") +
                                          Formatted(kClassNamesCutCountFormat, 1, "", 32)));

    SetDefaultClassTable(&t);
    std::strcpy(t.entries[6].name, "Wire, guard");
    std::strcpy(t.entries[7].name, "Noise\r\nlow");
    t.entries[8].name[0] = '\0';
    const std::string letters17 = "Опорыподстанциями", letters16 = letters17.substr(0, 32);   // 34 and 32 bytes
    std::strcpy(t.entries[9].name, letters17.c_str());
    answers.clear();
    ASSERT_EQ(WriteClassListFile(&t, path.c_str(), "cut.csv"), 1);
    EXPECT_TRUE(ShowedOneBox(answers, Formatted(kClassNamesCutFormat, "cut.csv", 32, 32) +
                                          Formatted(kClassNameCutFormat, 6, "Wire, guard", "Wire  guard") +
                                          Formatted(kClassNameCutFormat, 7, "Noise\r\nlow", "Noise  low") +
                                          Formatted(kClassNameCutFormat, 8, "", "<EMPTY>") +
                                          Formatted(kClassNameCutFormat, 9, letters17.c_str(), letters16.c_str()) +
                                          Formatted(kClassNamesCutCountFormat, 4, "s", 32)));
    ClassTable back;
    SetDefaultClassTable(&back);
    answers.clear();
    ASSERT_EQ(ReadClassListFile(&back, path.c_str(), "cut.csv"), 1);
    EXPECT_TRUE(answers.shown().empty());
    EXPECT_STREQ(back.entries[6].name, "Wire  guard");
    EXPECT_STREQ(back.entries[7].name, "Noise  low");
    EXPECT_STREQ(back.entries[8].name, "<EMPTY>");
    EXPECT_EQ(back.entries[8].mainColor, t.entries[8].mainColor);
    EXPECT_EQ(back.entries[9].name, letters16);
    EXPECT_STREQ(back.entries[10].name, t.entries[10].name);
}

TEST(FoundClassTable, SparseFileLeavesGapsEmptyAndSkipsOtherLines)
{
    BoxAnswers answers;
    ClassTable t;
    SetDefaultClassTable(&t);
    const std::string text =
        "code,name\n"
        "\n"
        "0, Bare earth ,10,20,30\n"
        "5,Wires,255,0,128\r"      // a CR alone ends a line
        "\r\n";                    // CRLF line ends read the same
    ASSERT_EQ(LoadText(text, &t, answers), 1);
    EXPECT_TRUE(answers.shown().empty());
    EXPECT_EQ(t.count, 6);
    EXPECT_STREQ(t.entries[0].name, " Bare earth ");  // blanks kept
    EXPECT_EQ(t.entries[0].mainColor, (uint32_t)(10 | 20 << 8 | 30 << 16));
    EXPECT_EQ(t.entries[5].mainColor, 0x8000FFu);
    for (int i = 1; i <= 4; i++) {
        EXPECT_STREQ(t.entries[i].name, "<EMPTY>");
        EXPECT_EQ(t.entries[i].display, 0);
        EXPECT_EQ(t.entries[i].mainColor, 0xFFFFFFu);
    }
    EXPECT_EQ(t.groundCode, 2);
    EXPECT_EQ(t.entries[2].tinDisplay, 0);
}

TEST(FoundClassTable, EveryFaultIsReportedAndLeavesTheTable)
{
    BoxAnswers answers;
    ClassTable t, before;
    SetDefaultClassTable(&t);
    before = t;
    const std::string name33(33, 'n');
    const std::string name32(32, 'n');
    struct Case {
        std::string text;
        std::string error;
    } cases[] = {
        { "0,a,1,1,1\n1," + name33 + ",1,1,1\n", LineFault(2, "Name exceeds 32 characters (" + name33 + ")") },
        { "256,a,1,1,1\n1,b,1,1,1\n", LineFault(1, "Code out of range (256)") },
        { "-1,a,1,1,1\n", LineFault(1, "Code out of range (-1)") },
        { "0,a,256,1,1\n1,b,1,1,1\n", LineFault(1, "Red out of range (256)") },
        { "0,a,1,1,1\n1,b,1,-3,1\n", LineFault(2, "Green out of range (-3)") },
        { "0,a,1,1,999\n1,b,1,1,1\n", LineFault(1, "Blue out of range (999)") },
        { "0,a,1,1,1\n", "Too few classes" },
        // the last would win and a class vanish
        { "7,a,1,1,1\n7,b,1,1,1\n", LineFault(2, "Code 7 repeated (first on line 1)") },
        // a class without a name would be left out unseen
        { "0,a,1,1,1\n3,,1,2,3\n1,b,1,1,1\n", Formatted(kClassLineNoNameFormat, 2) },
        { "", "Too few classes" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LoadText(c.text, &t, answers), 0) << c.error;
        ASSERT_TRUE(ShowedOneBox(answers, ReadErrorText("list.csv", c.error.c_str()))) << c.error;
        EXPECT_EQ(answers.shown()[0].caption, "ERROR");
        EXPECT_EQ(std::memcmp(&t, &before, sizeof(t)), 0) << c.error;
    }

    std::string many;
    for (int i = 0; i < 257; i++) many += std::to_string(i % 256) + ",c,1,2,3\n";
    EXPECT_EQ(LoadText(many, &t, answers), 0);
    EXPECT_EQ(answers.shown()[0].text, ReadErrorText("list.csv", "Too many classes"));

    EXPECT_EQ(LoadText("0," + name32 + ",1,1,1\n1,b,1,1,1\n", &t, answers), 1);
    EXPECT_STREQ(t.entries[0].name, name32.c_str());
}

// A line that starts with a code but does not split into a class loses its
// class unseen: a CR inside a name (a lone CR ends a line), a comma in a
// name, a CR inside a number. Each is refused with the number of the line
// where the reader found the split.
TEST(FoundClassTable, LinesSplitInsideAClassAreRefusedWithTheirNumber)
{
    BoxAnswers answers;
    ClassTable t, before;
    SetDefaultClassTable(&t);
    before = t;
    std::string full;
    for (int code = 0; code < 256; code++)
        full += code == 50 ? "50,Res\rerved,128,128,128\r\n" : std::to_string(code) + ",c,1,2,3\r\n";
    struct Case {
        std::string text;
        int line, fields;
    } cases[] = {
        { full, 51, 2 },
        { "0,a,1,1,1\n1,Low, veg,1,2,3\n", 2, 6 },
        { "0,a,1,1,12\r8\n1,b,1,1,1\n", 2, 1 },   // the first half still reads as a class
        { "0,a,1,1,1\n7\r,b,1,1,1\n", 2, 1 },
    };
    for (const Case& c : cases) {
        char error[200];
        std::snprintf(error, sizeof error, kClassLineUnreadableFormat, c.line, c.fields);
        EXPECT_EQ(LoadText(c.text, &t, answers), 0) << error;
        ASSERT_TRUE(ShowedOneBox(answers, ReadErrorText("list.csv", error))) << error;
        EXPECT_EQ(std::memcmp(&t, &before, sizeof(t)), 0) << error;
    }
    // Without the CR the same list loads whole.
    full.replace(full.find("Res\r"), 4, "Res");
    ASSERT_EQ(LoadText(full, &t, answers), 1);
    EXPECT_EQ(t.count, 256);
    EXPECT_STREQ(t.entries[50].name, "Reserved");
}

TEST(FoundClassTable, LongLinesAreRefusedWithTheirNumber)
{
    BoxAnswers answers;
    ClassTable t;
    SetDefaultClassTable(&t);
    // 300 characters: read in pieces, the tail would pass for a class line of its own.
    std::string line = std::string(254 - 3, 'x') + ",,," + "9,tail,1,2,3\n";
    ASSERT_EQ(LoadText("1,b,1,1,1\n" + line + "2,c,1,1,1\n", &t, answers), 0);
    EXPECT_EQ(answers.shown()[0].text, ReadErrorText("list.csv", "Line 2 longer than 254 characters"));
    // 254 characters are read whole, whatever the line end (the program
    // writes CRLF); 255 are refused.
    for (const char* end : {"\n", "\r\n", "\r\r\n", "\r"}) {
        std::string longest = std::string(254 - 10, ' ') + "9,nn,1,2,3";
        ASSERT_EQ(LoadText(std::string("1,b,1,1,1") + end + longest + end, &t, answers), 1) << strlen(end);
        EXPECT_EQ(t.count, 10);
        ASSERT_EQ(LoadText(std::string("1,b,1,1,1") + end + " " + longest + end, &t, answers), 0) << strlen(end);
        EXPECT_EQ(answers.shown()[0].text, ReadErrorText("list.csv", "Line 2 longer than 254 characters"));
    }
}

TEST(FoundClassTable, UnopenableFilesAreReported)
{
    BoxAnswers answers;
    ClassTable t;
    SetDefaultClassTable(&t);
    std::string missing = TempPath("missing.csv");
    EXPECT_EQ(ReadClassListFile(&t, missing.c_str(), "missing.csv"), 0);
    ASSERT_TRUE(ShowedOneBox(answers, FileErrorText(kClassListUnreadableFormat, "missing.csv")));
    answers.clear();
    std::string bad = TempPath("no_such_folder\\x.csv");
    EXPECT_EQ(WriteClassListFile(&t, bad.c_str(), "x.csv"), 0);
    ASSERT_TRUE(ShowedOneBox(answers, FileErrorText(kClassListUnwritableFormat, "x.csv")));

    // A write that fails part way (a full disk) keeps the old list whole and says the write failed.
    answers.clear();
    std::string list = TempPath("kept.csv");
    ASSERT_EQ(WriteClassListFile(&t, list.c_str(), "kept.csv"), 1);
    std::string before = ReadText(list);
    t.entries[3].mainColor = 0x123456;
    SetWriteFaultAt(3);
    EXPECT_EQ(WriteClassListFile(&t, list.c_str(), "kept.csv"), 0);
    SetWriteFaultAt(0);
    ASSERT_TRUE(ShowedOneBox(answers, Formatted(kClassListWriteFailed, "kept.csv")));
    EXPECT_EQ(ReadText(list), before);

    // Deleting classes can leave fewer than a list holds: no file it could not load again.
    for (int count : {1, 0}) {
        answers.clear();
        t.count = count;
        EXPECT_EQ(WriteClassListFile(&t, list.c_str(), "kept.csv"), 0) << count;
        ASSERT_TRUE(ShowedOneBox(answers, Formatted(kClassListTooFewToSave, "kept.csv")));
        EXPECT_EQ(ReadText(list), before);
    }
}

TEST(FoundClassTable, SplitCSVLineMergesDelimiterRuns)
{
    char line[] = ",,a,,b c,d\n";
    char* fields[kClassListMaxFields + 1];
    ASSERT_EQ(SplitCSVLine(line, fields, ","), 3);
    EXPECT_STREQ(fields[0], "a");
    EXPECT_STREQ(fields[1], "b c");
    EXPECT_STREQ(fields[2], "d\n");
    EXPECT_EQ(fields[3], nullptr);

    std::string many;
    for (int i = 0; i < 150; i++) many += "f,";
    std::vector<char> buf(many.begin(), many.end());
    buf.push_back('\0');
    EXPECT_EQ(SplitCSVLine(buf.data(), fields, ","), 100);
    EXPECT_EQ(fields[100], nullptr);
}

// Where the program speaks 1252, names it shows with "?" are saved in the
// letters they were read with beside one renamed there: the whole list in
// UTF-8 then, as it was read.
TEST(FoundClassTable, LettersThisWindowsCannotShowAreSavedAsTheyWereRead)
{
    auto list = [](const char* renamed) {
        return "0," + std::string(kRussianUTF8) + ",1,2,3\r\n1," + kEteUTF8 + ",4,5,6\r\n2," + kBenchmarkUTF8 +
               ",7,8,9\r\n3," + renamed + ",10,11,12\r\n";
    };
    std::string path = WriteText("letters.csv", list("Wires"));
    ClassTable t;
    SetDefaultClassTable(&t);
    {
        ProgramCodePageIs western(1252);
        BoxAnswers boxes;
        ASSERT_EQ(ReadClassListFile(&t, path.c_str(), "letters.csv"), 1);
        EXPECT_TRUE(ShowedOneBox(boxes, UnshownLettersWarning(2)));
        EXPECT_STREQ(t.entries[0].name, "??????");
        EXPECT_STREQ(t.entries[1].name, kEte1252);
        EXPECT_STREQ(t.entries[2].name, "????? 1");
        snprintf(t.entries[3].name, sizeof t.entries[3].name, "Caf\xe9");
        boxes.clear();
        ASSERT_EQ(WriteClassListFile(&t, path.c_str(), "letters.csv"), 1);
        EXPECT_TRUE(boxes.shown().empty());
    }
    EXPECT_EQ(ReadText(path), list("Caf\xc3\xa9"));
    BoxAnswers none;
    ASSERT_EQ(ReadClassListFile(&t, path.c_str(), "letters.csv"), 1);
    EXPECT_STREQ(t.entries[0].name, kRussianUTF8);
    EXPECT_STREQ(t.entries[3].name, "Caf\xc3\xa9");
}
