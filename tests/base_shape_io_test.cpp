// Tables through base/shape_io: text cells read in the code page the table
// declares, and the .cpg that every table written names the program's code
// page in (UTF-8 here), saved together with the table.
#include "layer_test_files.h"
#include "las_test_files.h"
#include "base/file_io.h"
#include "base/file_replace.h"
#include "base/shape_io.h"
#include <cstring>

namespace {

// Starts a save of a one-column table of `cells` at `path`; false when it cannot.
bool WriteCells(ShapeGroupWriter* w, const std::string& path, const std::vector<std::string>& cells)
{
    int dbf = BeginShapeGroup(w, path.c_str()) ? CreateGroupTable(w, path.c_str()) : -1;
    bool ok = dbf >= 0 && AddTableColumn(w, dbf, "NAME", COLUMN_TEXT, 40, 0) == 0;
    for (size_t i = 0; ok && i < cells.size(); i++) ok = WriteTextCell(w, dbf, (int)i, 0, cells[i].c_str());
    return ok;
}

std::string WrittenTable(const char* name, const std::vector<std::string>& cells)
{
    std::string path = TempPath(name);
    ShapeGroupWriter w;
    EXPECT_TRUE(WriteCells(&w, path, cells)) << name;
    EXPECT_EQ(CommitShapeGroup(&w, true), 1) << name;
    return path;
}

// The table's cells as the program reads them.
std::vector<std::string> CellsOf(const std::string& path)
{
    std::vector<std::string> cells;
    ShapeInput in;
    if (OpenTableToRead(&in, path.c_str()) != SHAPES_READABLE) return {"unopened"};
    std::string text;
    for (int i = 0; i < TableRecordCount(&in); i++) cells.push_back(ReadTextCell(&in, i, 0, &text) ? text : "unread");
    return cells;
}

// A table of `cell` and "tile0.las" that declares its code page by its
// language byte and its .cpg (none when null), and what `cell` reads as.
struct DeclaredTable {
    const char* name;
    std::string cell;
    uint8_t languageByte;
    const char* codePageFile;
    std::string expected;
};

// The table written where the program speaks UTF-8, then declared as `c` says.
std::string Declared(const DeclaredTable& c)
{
    std::string path = WrittenTable(c.name, {c.cell, "tile0.las"});
    EXPECT_TRUE(DeclareTable(path, c.languageByte, c.codePageFile)) << c.name;
    return path;
}

std::string TextOf(const std::string& path)
{
    Bytes bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

TEST(TableCodePages, CellsAreReadInTheCodePageTheTableDeclares)
{
    const DeclaredTable cases[] = {
        {"cpg1251.dbf", kRussian1251, 0x57, "1251", kRussianUTF8},
        {"cpgwindows.dbf", kRussian1251, 0x57, "windows-1251\r\n", kRussianUTF8},
        {"ldid1251.dbf", kRussian1251, 0xC9, nullptr, kRussianUTF8},
        {"ldid1250.dbf", kCzech1250, 0xC8, nullptr, kCzechUTF8},
        // The .cpg comes before the language byte, and before bytes that would be UTF-8.
        {"cpgfirst.dbf", kCzech1250, 0xC9, "CP1250", kCzechUTF8},
        {"cpgwins.dbf", kRussianUTF8, 0x00, "1251",
         "\xd0\xa0\xe2\x80\x9d\xd0\xa0\xc2\xb0\xd0\xa0\xd0\x85\xd0\xa0\xd0\x85\xd0\xa1\xe2\x80\xb9\xd0\xa0\xc2\xb5"},
        // An earlier version's save beside another program's .cpg, which it
        // kept: its UTF-8 letters are not that .cpg's code page.
        {"stalecpg.dbf", kRussianUTF8, 0x57, "1251", kRussianUTF8},
        // What this program wrote since it spoke UTF-8, declared "ANSI" or nothing.
        {"ansi.dbf", kRussianUTF8, 0x57, nullptr, kRussianUTF8},
        {"none.dbf", kRussianUTF8, 0x00, nullptr, kRussianUTF8},
        // An earlier version on a Czech system: no declaration, the system's code page.
        {"czech.dbf", kCzech1250, 0x57, nullptr, kCzechUTF8},
    };
    SystemCodePageIs czech(1250);
    for (const DeclaredTable& c : cases) EXPECT_EQ(CellsOf(Declared(c)), (std::vector<std::string>{c.expected, "tile0.las"})) << c.name;
}

// A table that declares nothing, or only by a .cpg that may be stale, is
// read in one code page for all its cells, as a file's lines are: a cell
// whose accented letters happen to pair as UTF-8 does not make it UTF-8
// beside cells that are not, whichever of them is read first.
TEST(TableCodePages, ATableThatDeclaresNothingIsReadInOneCodePage)
{
    struct Table {
        const char* name;
        uint8_t languageByte;
        const char* codePageFile;
        std::vector<std::string> cells, expected;
    };
    const std::string pairs1252 = "CAF\xc9\xbb", cafe = "CAF\xc3\x89\xc2\xbb";   // "CAFÉ»", as UTF-8 "CAFɻ"
    const std::string ete1252 = "\xe9t\xe9", ete = "\xc3\xa9t\xc3\xa9";
    const std::string pairs1251 = "\xc7\xb2", zi = "\xd0\x97\xd0\x86";            // "ЗІ", as UTF-8 "ǲ"
    const Table tables[] = {
        {"none.dbf", 0x00, nullptr, {pairs1252, ete1252, "tile0.las"}, {cafe, ete, "tile0.las"}},
        {"ansi.dbf", 0x57, nullptr, {"tile0.las", ete1252, pairs1252}, {"tile0.las", ete, cafe}},
        {"stale.dbf", 0x57, "1251", {pairs1251, kRussian1251}, {zi, kRussianUTF8}},
        // Letters that are all UTF-8 make the table so, the .cpg's as well.
        {"utf8.dbf", 0x00, nullptr, {cafe, ete, "tile0.las"}, {cafe, ete, "tile0.las"}},
        {"staleutf8.dbf", 0x57, "1251", {zi, kRussianUTF8}, {zi, kRussianUTF8}},
    };
    SystemCodePageIs western(1252);
    for (const Table& t : tables) {
        std::string path = WrittenTable(t.name, t.cells);
        ASSERT_TRUE(DeclareTable(path, t.languageByte, t.codePageFile)) << t.name;
        EXPECT_EQ(CellsOf(path), t.expected) << t.name;
    }
}

TEST(TableCodePages, EveryTableWrittenSaysUTF8InACpgSavedWithIt)
{
    // An earlier table that other programs were told is in 1251, and was.
    std::string path = WrittenTable("names.dbf", {kRussian1251});
    std::string cpg = TempPath("names.cpg");
    ASSERT_TRUE(DeclareTable(path, 0x57, "1251"));
    ASSERT_EQ(CellsOf(path), std::vector<std::string>{kRussianUTF8});

    // A save that fails, or is given up, leaves the table and its .cpg as they were.
    for (int nth : {1, 2, 3}) {   // the table's first byte, its .cpg, its header
        ShapeGroupWriter w;
        SetWriteFaultAt(nth);
        bool written = WriteCells(&w, path, {kRussianUTF8});
        SetWriteFaultAt(0);
        EXPECT_EQ(CommitShapeGroup(&w, written), 0) << nth;
        EXPECT_EQ(TextOf(cpg), "1251") << nth;
        EXPECT_EQ(CellsOf(path), std::vector<std::string>{kRussianUTF8}) << nth;
    }
    {
        ShapeGroupWriter w;
        ASSERT_TRUE(WriteCells(&w, path, {kRussianUTF8}));
        ASSERT_EQ(w.written.size(), 2u);
        EXPECT_TRUE(Exists(w.written[1]));
        EXPECT_EQ(w.targets[1], cpg);
        std::string temporary = w.written[1];
        AbortShapeGroup(&w);
        EXPECT_FALSE(Exists(temporary));
        EXPECT_EQ(TextOf(cpg), "1251");
    }

    // The save puts its own .cpg in place of the old one: the UTF-8 it wrote
    // reads back as UTF-8, on any system, and the header declares nothing else.
    SystemCodePageIs russian(1251);
    WrittenTable("names.dbf", {kRussianUTF8, kCzechUTF8});
    EXPECT_EQ(TextOf(cpg), "UTF-8");
    EXPECT_EQ(ReadBytes(path).at(29), 0);
    EXPECT_EQ(CellsOf(path), (std::vector<std::string>{kRussianUTF8, kCzechUTF8}));
    EXPECT_EQ(TempFilesLeft(), std::vector<std::string>{});

    // A table of another name is read by no other program: a .cpg beside it
    // would be taken for a shapefile's of that name.
    ShapeGroupWriter w;
    ASSERT_TRUE(WriteCells(&w, TempPath("project.lep"), {kRussianUTF8}));
    EXPECT_EQ(w.written.size(), 1u);
    ASSERT_EQ(CommitShapeGroup(&w, true), 1);
    EXPECT_FALSE(Exists(TempPath("project.cpg")));
}

// Where Windows ignores the manifest the program speaks the system's code
// page (1252 here): every declared table is read into it, a letter it lacks
// standing in as "?", and what it saves there declares that code page.
TEST(TableCodePages, WhereTheProgramSpeaksCodePage1252CellsAreConvertedIntoIt)
{
    SystemCodePageIs western(1252);
    const std::string ete1252 = "\xc9t\xe9", eteUTF8 = "\xc3\x89t\xc3\xa9";
    const std::string quoted1251 = "5 \x88, \xab\xc4\xe0\xbb";   // "5 €, «Да»"
    const DeclaredTable cases[] = {
        {"utf8.dbf", eteUTF8, 0x00, "UTF-8", ete1252},
        {"utf8russian.dbf", kRussianUTF8, 0x00, "UTF-8", "??????"},
        {"cpg1251.dbf", quoted1251, 0x57, "1251", "5 \x80, \xab??\xbb"},
        {"ldid1251.dbf", kRussian1251, 0xC9, nullptr, "??????"},
        {"cpg1252.dbf", ete1252, 0x00, "1252", ete1252},
        // Nothing declared: the system's bytes are the program's already.
        {"ansi1252.dbf", ete1252, 0x57, nullptr, ete1252},
        {"ansiutf8.dbf", eteUTF8, 0x57, nullptr, ete1252},
    };
    for (const DeclaredTable& c : cases) {
        std::string path = Declared(c);
        ProgramCodePageIs program(1252);
        EXPECT_EQ(CellsOf(path), (std::vector<std::string>{c.expected, "tile0.las"})) << c.name;
    }

    // The library opens a table by the name ".dbf" only: the project's is read as a copy.
    std::string path, project = TempPath("project.lep"), copy = TempPath("copy.dbf");
    {
        ProgramCodePageIs program(1252);
        path = WrittenTable("saved.dbf", {ete1252});
        EXPECT_EQ(TextOf(TempPath("saved.cpg")), "1252");
        EXPECT_EQ(ReadBytes(path).at(29), 0);
        EXPECT_EQ(CellsOf(path), std::vector<std::string>{ete1252});
        // The project table keeps to no .cpg and the language byte 0.
        ShapeGroupWriter w;
        ASSERT_TRUE(WriteCells(&w, project, {ete1252}));
        ASSERT_EQ(CommitShapeGroup(&w, true), 1);
        EXPECT_FALSE(Exists(TempPath("project.cpg")));
        EXPECT_EQ(ReadBytes(project).at(29), 0);
        ASSERT_TRUE(CopyFileA(project.c_str(), copy.c_str(), FALSE));
        EXPECT_EQ(CellsOf(copy), std::vector<std::string>{ete1252});
    }
    // Where the program speaks UTF-8 again, both read as their letters.
    EXPECT_EQ(CellsOf(path), std::vector<std::string>{eteUTF8});
    EXPECT_EQ(CellsOf(copy), std::vector<std::string>{eteUTF8});
}
