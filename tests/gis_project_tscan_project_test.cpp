// Reading TerraScan project files.
#include "project_test_files.h"
#include "gis/project/tscan_project.h"
#include "gis/project/project_commands.h"
#include "gis/project/project_file.h"
#include "las_test_files.h"
#include "layer_test_files.h"

namespace {
Project* Read(const std::string& text)
{
    std::string path = WriteTempFile("survey.prj", text);
    return ReadTScanProject(path.c_str(), "survey.prj");
}
}  // namespace

TEST(TScanProject, BlocksBecomeTilesWithTheirCornersAndTheWholePath)
{
    Project* p = Read("[TerraScan project] written by a tool\r\n"
                      "Description=Block 7 north\r\n"
                      "Directory=D:\\lidar\\tiles\r\n"
                      "Storage=LAS\r\n"
                      "Block D:\\lidar\\tiles\\north west 01.las\r\n"
                      " 1000.0 5000.0\r\n 1000.0 5100.0\r\n 1100.0 5100.0\r\n 1100.0 5000.0\r\n"
                      "Block D:\\lidar\\tiles\\02.las\r\n"    // no area: names no tile
                      "Block D:\\lidar\\tiles\\03.las\n"
                      "1100 5000\n1100 5100\n1200 5100\n1200 5000\n"
                      "Block D:\\lidar\\tiles\\04.las\r"       // straight after the corners of 03
                      "1200 5000\r1200 5100\r1300 5100\r");       // old Macintosh line ends
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->description, "Block 7 north");
    EXPECT_STREQ(p->dataFolder, "D:\\lidar\\tiles\\");
    ASSERT_EQ(p->tileCount, 3);
    EXPECT_STREQ(p->tiles[0]->path, "D:\\lidar\\tiles\\north west 01.las");
    EXPECT_STREQ(p->tiles[0]->name, "north west 01.las");
    EXPECT_EQ(p->tiles[0]->boundary->contour[0].num_vertices, 4);
    EXPECT_EQ(p->tiles[0]->boundary->contour[0].vertex[1].y, 5100);
    EXPECT_STREQ(p->tiles[1]->name, "03.las");
    EXPECT_STREQ(p->tiles[2]->name, "04.las");
    EXPECT_EQ(p->tiles[2]->boundary->contour[0].num_vertices, 3);
    EXPECT_EQ(p->minX, 1000);
    EXPECT_EQ(p->maxX, 1300);
    EXPECT_EQ(p->saved, 0);
    FreeProject(p);
}

TEST(TScanProject, WithoutDirectoryTheFirstTilesFolderIsTheDataFolder)
{
    Project* p = Read("[TerraScan project]\nBlock C:\\a\\b\\t.las\n0 0\n0 1\n1 1\n1 0\n");
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p->dataFolder, "C:\\a\\b\\");
    FreeProject(p);
}

TEST(TScanProject, OtherFilesAndStoragesAreRefusedByName)
{
    struct Case {
        const char* text;
        std::string message;
    } cases[] = {
        {"[TerraScan projekt]\nBlock x.las\n0 0\n0 1\n1 1\n", Formatted(kTScanOpenFailed, "survey.prj")},
        {"[TerraScan project]\nStorage=LAS 1.2\nBlock x.las\n0 0\n0 1\n1 1\n", Formatted(kTScanFormatNotSupported, "LAS 1.2")},
        {"[TerraScan project]\nStorage=LAS\n", Formatted(kTScanNoTiles, "survey.prj")},
        // A block without a path or without an area names no tile.
        {"[TerraScan project]\nBlock\n0 0\n0 1\n1 1\nBlock a.las\n0 0\n0 1\n", Formatted(kTScanNoTiles, "survey.prj")},
    };
    for (const Case& c : cases) {
        BoxAnswers boxes;
        EXPECT_EQ(Read(c.text), nullptr) << c.text;
        ASSERT_TRUE(ShowedOneBox(boxes, c.message)) << c.text;
        EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
    }
    BoxAnswers boxes;
    EXPECT_EQ(ReadTScanProject(TempPath("none.prj").c_str(), "none.prj"), nullptr);
    ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kTScanOpenFailed, "none.prj")));
}

// A project a Russian system wrote holds its paths in code page 1251: read
// in the system's code page, they name the folder now spelt in UTF-8, and
// its tiles are found. A project in UTF-8 reads as it is there too, and a
// lock marker the earlier version left names its owner in letters.
TEST(TScanProject, PathsInTheSystemsCodePageFindTheirTilesAndTheirLockOwners)
{
    SystemCodePageIs russian(1251);
    const std::string data1251 = kRussian1251, dataUTF8 = kRussianUTF8;
    std::string folder = TempDir() + dataUTF8 + "\\", tile = folder + dataUTF8 + ".las";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(MakeTileLAS(tile, 1000.0, 5000.0, 100.0));
    auto readTile = [&](const std::string& name) {
        Project* p = Read("[TerraScan project]\r\nDescription=" + name + "\r\nDirectory=" + TempDir() + name +
                          "\r\nStorage=LAS\r\nBlock " + TempDir() + name + "\\" + name + ".las" +
                          "\r\n 1000 5000\r\n 1000 5100\r\n 1100 5100\r\n");
        EXPECT_NE(p, nullptr) << name;
        if (!p) return p;
        EXPECT_EQ(std::string(p->description), dataUTF8);
        EXPECT_EQ(std::string(p->dataFolder), folder);
        EXPECT_EQ(p->tileCount, 1);
        EXPECT_EQ(std::string(p->tiles[0]->path), tile);
        CheckTileState(p->tiles[0]);
        return p;
    };
    for (const std::string& name : {data1251, dataUTF8}) {
        Project* p = readTile(name);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->tiles[0]->activeStatus, TILE_AVAILABLE);
        FreeProject(p);
    }
    std::string owner1251 = "\xcf\xca-1\\\xc8\xe2\xe0\xed\r\n", ownerUTF8 = "\xd0\x9f\xd0\x9a-1\\\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd";
    ASSERT_TRUE(WriteBytes(folder + dataUTF8 + ".loc", Bytes(owner1251.begin(), owner1251.end())));
    Project* p = readTile(data1251);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->tiles[0]->activeStatus, TILE_LOCKED);
    EXPECT_EQ(std::string(p->tiles[0]->lockOwner), ownerUTF8);
    FreeProject(p);
}

// A project is in one code page: a line whose 1252 letters happen to pair as
// UTF-8 ("CAFÉ»" would read as "CAFɻ") is read in 1252 as the lines beside
// it that are not UTF-8, and a project wholly in UTF-8 reads as it is.
TEST(TScanProject, ALineWhoseLettersPairAsUTF8IsReadInTheCodePageOfItsFile)
{
    SystemCodePageIs western(1252);
    const std::string folder = TempDir() + "Donn\xc3\xa9" "es\\";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(MakeTileLAS(folder + "t.las", 1000.0, 5000.0, 100.0));
    auto project = [](const std::string& description, const std::string& data) {
        return "[TerraScan project]\r\nDescription=" + description + "\r\nDirectory=" + TempDir() + data +
               "\r\nStorage=LAS\r\nBlock " + TempDir() + data + "\\t.las\r\n 1000 5000\r\n 1000 5100\r\n 1100 5100\r\n";
    };
    struct Case {
        std::string description, data, expected;
    } cases[] = {
        {"CAF\xc9\xbb", "Donn\xe9" "es", "CAF\xc3\x89\xc2\xbb"},
        {"CAF\xc9\xbb", "Donn\xc3\xa9" "es", "CAF\xc9\xbb"},
    };
    for (const Case& c : cases) {
        Project* p = Read(project(c.description, c.data));
        ASSERT_NE(p, nullptr) << c.data;
        EXPECT_EQ(std::string(p->description), c.expected) << c.data;
        EXPECT_EQ(std::string(p->dataFolder), folder);
        ASSERT_EQ(p->tileCount, 1);
        CheckTileState(p->tiles[0]);
        EXPECT_EQ(p->tiles[0]->activeStatus, TILE_AVAILABLE) << c.data;
        FreeProject(p);
    }
}

// Where the program speaks 1252, a project in UTF-8 shows its Cyrillic as
// "?"; saved as a project it keeps the letters of its description, folder
// and tiles.
TEST(TScanProject, LettersThisWindowsCannotShowAreSavedAsAProject)
{
    const std::string data = TempDir() + kRussianUTF8, description = std::string(kRussianUTF8) + " " + kEteUTF8;
    const std::vector<std::string> names = {kBenchmarkUTF8 + std::string(".las"), kEteUTF8 + std::string(".las")};
    ASSERT_TRUE(CreateDirectoryA(data.c_str(), nullptr));
    std::string lep = TempPath("survey.lep");
    {
        ProgramCodePageIs western(1252);
        BoxAnswers boxes;
        Project* p = Read("[TerraScan project]\r\nDescription=" + description + "\r\nDirectory=" + data +
                          "\r\nStorage=LAS\r\nBlock " + data + "\\" + names[0] +
                          "\r\n 1000 5000\r\n 1000 5100\r\n 1100 5100\r\nBlock " + data + "\\" + names[1] +
                          "\r\n 1100 5000\r\n 1100 5100\r\n 1200 5100\r\n");
        ASSERT_NE(p, nullptr);
        EXPECT_TRUE(ShowedOneBox(boxes, UnshownLettersWarning(4)));   // its description, folder and blocks
        EXPECT_EQ(std::string(p->description), "?????? " + std::string(kEte1252));
        ASSERT_EQ(p->tileCount, 2);
        EXPECT_STREQ(p->tiles[0]->name, "????? 1.las");
        EXPECT_EQ(std::string(p->tiles[1]->name), kEte1252 + std::string(".las"));
        FileDialogAnswers files({lep});
        EXPECT_EQ(SaveProject(p), 1);
        FreeProject(p);
    }
    BoxAnswers none;
    Project* back = ReadProjectFile(lep.c_str(), "survey.lep");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->description, description);
    EXPECT_EQ(back->dataFolder, data + "\\");
    ASSERT_EQ(back->tileCount, 2);
    for (int i = 0; i < 2; i++) EXPECT_EQ(back->tiles[i]->name, names[i]);
    FreeProject(back);
    EXPECT_EQ(OGRTextCells(TempPath("survey_tiles.shp"), "FILENAME"), names);
}
