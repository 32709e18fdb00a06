// Tables through base/shape_io: text cells read in the code page the table
// declares.
#include "layer_test_files.h"
#include "las_test_files.h"
#include "base/shape_io.h"
#include <cstring>

namespace {

// "Данные" and "Česká" in UTF-8, and as a Russian and a Czech system stored them.
const char kDataUTF8[] = "\xd0\x94\xd0\xb0\xd0\xbd\xd0\xbd\xd1\x8b\xd0\xb5";
const char kData1251[] = "\xc4\xe0\xed\xed\xfb\xe5";
const char kCzechUTF8[] = "\xc4\x8c" "esk\xc3\xa1";
const char kCzech1250[] = "\xc8" "esk\xe1";

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

}  // namespace

TEST(TableCodePages, CellsAreReadInTheCodePageTheTableDeclares)
{
    struct Case {
        const char* name;
        std::string cell;
        uint8_t languageByte;
        const char* codePageFile;
        std::string expected;
    } cases[] = {
        {"cpg1251.dbf", kData1251, 0x57, "1251", kDataUTF8},
        {"cpgwindows.dbf", kData1251, 0x57, "windows-1251\r\n", kDataUTF8},
        {"ldid1251.dbf", kData1251, 0xC9, nullptr, kDataUTF8},
        {"ldid1250.dbf", kCzech1250, 0xC8, nullptr, kCzechUTF8},
        // The .cpg comes before the language byte, and before bytes that would be UTF-8.
        {"cpgfirst.dbf", kCzech1250, 0xC9, "CP1250", kCzechUTF8},
        {"cpgwins.dbf", kDataUTF8, 0x00, "1251",
         "\xd0\xa0\xe2\x80\x9d\xd0\xa0\xc2\xb0\xd0\xa0\xd0\x85\xd0\xa0\xd0\x85\xd0\xa1\xe2\x80\xb9\xd0\xa0\xc2\xb5"},
        // What this program wrote since it spoke UTF-8, declared "ANSI" or nothing.
        {"ansi.dbf", kDataUTF8, 0x57, nullptr, kDataUTF8},
        {"none.dbf", kDataUTF8, 0x00, nullptr, kDataUTF8},
        // An earlier version on a Czech system: no declaration, the system's code page.
        {"czech.dbf", kCzech1250, 0x57, nullptr, kCzechUTF8},
    };
    SystemCodePageIs czech(1250);
    for (const Case& c : cases) {
        std::string path = WrittenTable(c.name, {c.cell, "tile0.las"});
        ASSERT_TRUE(DeclareTable(path, c.languageByte, c.codePageFile)) << c.name;
        EXPECT_EQ(CellsOf(path), (std::vector<std::string>{c.expected, "tile0.las"})) << c.name;
    }
}
