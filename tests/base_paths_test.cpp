#include "test_support.h"
#include "base/file_system.h"
#include "base/memory_estimate.h"
#include "base/paths.h"

#include <algorithm>
#include <cstring>
#include <string>

TEST(FoundPaths, ChangeFileExtensionKeepsDriveFolderAndName)
{
    EXPECT_STREQ(ChangeFileExtension("D:\\data\\tile.las", ".dbf"), "D:\\data\\tile.dbf");
    EXPECT_STREQ(ChangeFileExtension("tile", ".las"), "tile.las");
    EXPECT_STREQ(ChangeFileExtension("D:\\data\\tile.las", "_aoi.shp"), "D:\\data\\tile_aoi.shp");
    EXPECT_STREQ(ChangeFileExtension("D:\\data\\tile.las", ""), "D:\\data\\tile");
    EXPECT_STREQ(ChangeFileExtension("D:\\my.data\\tile", ".loc"), "D:\\my.data\\tile.loc");
    EXPECT_STREQ(ChangeFileExtension("a.b.las", ".laz"), "a.b.laz");
}

TEST(FoundPaths, EachHelperHasItsOwnBuffer)
{
    const char* first = ChangeFileExtension("D:\\a.las", ".dbf");
    const char* other = ReplaceExtension("D:\\b.las", ".shp");
    const char* second = ChangeFileExtension("D:\\c.las", ".loc");
    EXPECT_EQ(first, second);
    EXPECT_STREQ(second, "D:\\c.loc");
    EXPECT_STREQ(other, "D:\\b.shp");
    EXPECT_STREQ(GetPathDirectory("D:\\data\\sub\\tile.las"), "D:\\data\\sub\\");
    EXPECT_STREQ(GetPathFileName("D:\\data\\sub\\tile.las"), "tile.las");
    EXPECT_STREQ(GetPathDirectory("tile.las"), "");
    EXPECT_STREQ(GetPathFileName("D:\\data\\"), "");

    char path[MAX_PATH] = "C:\\x\\list.txt";
    EXPECT_EQ(ChangeFileExtensionTo(path, ".csv"), 1);
    EXPECT_STREQ(path, "C:\\x\\list.csv");
}

// Derives the names of one series with every helper, checking each before
// the next call; the count of wrong results.
struct NameSeries {
    char prefix;
    int wrong = 0;
};

static DWORD WINAPI DeriveNames(void* p)
{
    NameSeries* s = (NameSeries*)p;
    for (int i = 0; i < 20000; i++) {
        std::string folder = std::string("D:\\") + s->prefix + std::to_string(i) + "\\";
        std::string name = std::string(1, s->prefix) + std::to_string(i);
        std::string path = folder + name + ".las";
        s->wrong += ChangeFileExtension(path.c_str(), ".loc") != folder + name + ".loc";
        s->wrong += ReplaceExtension(path.c_str(), ".dbf") != folder + name + ".dbf";
        s->wrong += GetPathDirectory(path.c_str()) != folder;
        s->wrong += GetPathFileName(path.c_str()) != name + ".las";
    }
    return 0;
}

// A worker builds lock names while the window thread derives its own.
TEST(FoundPaths, ThreadsCallingTheHelpersAtOnceKeepTheirOwnResults)
{
    NameSeries worker{'w'}, window{'m'};
    ASSERT_TRUE(RunOnWorkerAndHere(DeriveNames, &worker, &window));
    EXPECT_EQ(worker.wrong, 0);
    EXPECT_EQ(window.wrong, 0);
}

TEST(FoundPaths, TooLongPathsAreRefusedWithoutOverrun)
{
    std::string longName = "C:\\" + std::string(300, 'a') + ".las";
    EXPECT_STREQ(ChangeFileExtension(longName.c_str(), ".dbf"), "");
    EXPECT_STREQ(GetPathDirectory(longName.c_str()), "");
    EXPECT_STREQ(GetPathFileName(longName.c_str()), "");

    // Fits as it is, but not with the longer extension.
    char path[MAX_PATH];
    std::string edge = "C:\\" + std::string(248, 'b') + ".l";  // 253 characters
    std::strcpy(path, edge.c_str());
    EXPECT_EQ(ChangeFileExtensionTo(path, ".laz"), 1);          // 255: the most that fits
    EXPECT_EQ(std::strlen(path), 255u);
    std::strcpy(path, edge.c_str());
    EXPECT_EQ(ChangeFileExtensionTo(path, "_aoi.shp"), 0);
    EXPECT_EQ(edge, path);                                        // unchanged

    PathParts parts;
    EXPECT_FALSE(SplitPath(longName.c_str(), &parts));
    EXPECT_STREQ(parts.name, "");
}

// A path too long to take is shown as its start and its end, cut by whole
// letters (a lone lead byte would read as another letter), in lines that
// hold all of it. Only its start may be given, with the whole path's length.
TEST(FoundPaths, ATooLongPathIsShownCutByWholeLetters)
{
    for (std::string letter : {"a", "\xd0\xb6", "\xe2\x82\xac"}) {   // a, Cyrillic zhe, the euro sign
        std::string path = "C:\\";
        while (path.size() < 600) path += letter;
        path += "\\name.las";
        std::string text = PathTooLongMessage(path.c_str(), path.size(), kPathChars - 1);
        std::string start = Formatted(kPathTooLongText, (int)path.size(), (int)kPathChars - 1, "");
        ASSERT_EQ(text.compare(0, start.size() - 1, start, 0, start.size() - 1), 0) << text;
        std::string shown;
        for (size_t at = start.size() - 1; at < text.size(); at++)
            if (text.compare(at, 5, "\n    ") == 0) at += 4;
            else shown += text[at];
        size_t head = 3 + ((kPathTooLongShown - 3) / 2 - 3) / letter.size() * letter.size();
        EXPECT_LE(shown.size(), kPathTooLongShown + 1);
        EXPECT_EQ(shown.substr(0, head + 3), path.substr(0, head) + "...") << letter.size();
        EXPECT_EQ(shown.substr(head + 3), path.substr(path.size() - (shown.size() - head - 4)) + "\n");
        EXPECT_EQ(shown.substr(shown.size() - 10), "\\name.las\n");
        EXPECT_GT(std::count(text.begin(), text.end(), '\n'), 4);
    }
    EXPECT_EQ(PathTooLongMessage("C:\\start", 300, 255), Formatted(kPathTooLongText, 300, 255, "C:\\start"));
}

TEST(FoundPaths, FolderAndFileTests)
{
    std::string dir = TempDir();  // ends in a backslash
    std::string file = dir + "f.txt";
    HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);

    EXPECT_EQ(FolderExists(dir.c_str()), 1);
    EXPECT_EQ(FolderExists(dir.substr(0, dir.size() - 1).c_str()), 1);
    EXPECT_EQ(FolderExists(file.c_str()), 0);
    EXPECT_EQ(FolderExists((dir + "missing").c_str()), 0);
    EXPECT_EQ(FolderExists((dir + "*").c_str()), 0);  // a pattern is no folder
    EXPECT_EQ(FolderExists(""), 0);
    EXPECT_EQ(FolderExists("C:\\"), 1);
    EXPECT_EQ(FileExists(file.c_str()), 1);
    EXPECT_EQ(FileExists(dir.c_str()), 1);
    EXPECT_EQ(FileExists((dir + "missing.las").c_str()), 0);
    DeleteFileA(file.c_str());
    RemoveDirectoryA(dir.c_str());
}

TEST(FoundPaths, ClipboardTakesTheBlock)
{
    const char text[] = "LAS info";
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(text));
    std::memcpy(GlobalLock(block), text, sizeof(text));
    GlobalUnlock(block);
    ASSERT_EQ(CopyToClipboard(block), 1);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_TEXT);
    ASSERT_NE(data, nullptr);
    EXPECT_STREQ((const char*)GlobalLock(data), text);
    GlobalUnlock(data);
    CloseClipboard();
}

TEST(FoundPaths, NativePathForNativeLibraries)
{
#ifdef __WINE__
    EXPECT_EQ(ToNativePath("Z:\\tmp\\tile.shp"), "/tmp/tile.shp");
#endif
    EXPECT_EQ(ToNativePath(""), "");
}

TEST(FoundMemory, PartsForALimit)
{
    EXPECT_EQ(MemoryPartsForLimit(0, 100000000), 1u);
    EXPECT_EQ(MemoryPartsForLimit(5000000, 100000000), 3u);   // 210 MB over 100 MB
    EXPECT_EQ(MemoryPartsForLimit(5000000, 210000000), 1u);
    EXPECT_EQ(MemoryPartsForLimit(5000000, 105000000), 2u);   // exact multiple
    // 4 billion points need 168 GB: no 32-bit wrap into a small figure.
    EXPECT_EQ(MemoryPartsForLimit(4000000000u, 1000000000), 168u);
    EXPECT_EQ(MemoryPartsForLimit(1000, 0), 1u);              // no limit found: no division by zero

    const double need = 134217728.0 + 42.0 * 1000000;         // 128 MiB head room plus the points
    EXPECT_EQ(LoadMemoryPartsForLimit(1000000, (uint64_t)need), 1u);
    EXPECT_EQ(LoadMemoryPartsForLimit(1000000, (uint64_t)(need / 2)), 3u);  // exactly twice: 3
    EXPECT_EQ(LoadMemoryPartsForLimit(1000000, (uint64_t)(need / 1.5)), 2u);
}

TEST(FoundMemory, ProbedEstimates)
{
    EXPECT_EQ(MemoryPartsNeeded(0), 1u);
    EXPECT_GT(GetAvailablePhysicalMemory(), 0u);
}

// With 1 GiB available the loading estimate is the 64-bit one of that figure:
// 100 million points (4.2 GB plus head room) in 5 parts, 5 billion in 196.
TEST(FoundMemory, LoadEstimateOfAKnownFigure)
{
    if (sizeof(void*) < 8) return;   // the 32-bit build probes its heap
    SetAvailableMemoryHook([]() -> uint64_t { return (uint64_t)1 << 30; });
    EXPECT_EQ(LoadMemoryPartsNeeded(1000.0), 1u);
    EXPECT_EQ(LoadMemoryPartsNeeded(1e8), 5u);
    EXPECT_EQ(LoadMemoryPartsNeeded(5e9), 196u);
    SetAvailableMemoryHook(nullptr);
}

// A 64-bit build takes its limit from the available physical memory, not from
// the 32-bit heap probe (at most 65 blocks of 32 MiB): 100 million points
// (4.2 GB) load whole where the memory is there.
TEST(FoundMemory, WideBuildsUsePhysicalMemory)
{
    if (sizeof(void*) < 8) return;   // the 32-bit build keeps the probe
    const uint32_t points = 100000000;
    uint32_t before = MemoryPartsForLimit(points, GetAvailablePhysicalMemory());
    uint32_t parts = MemoryPartsNeeded(points);
    uint32_t after = MemoryPartsForLimit(points, GetAvailablePhysicalMemory());
    EXPECT_GE(parts, before < after ? before : after);
    EXPECT_LE(parts, before < after ? after : before);
    uint32_t load = LoadMemoryPartsNeeded(points);
    EXPECT_LE(load, LoadMemoryPartsForLimit(points, GetAvailablePhysicalMemory() / 2));
}
