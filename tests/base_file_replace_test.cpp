#include "test_support.h"
#include "base/file_replace.h"
#include <string>

namespace {

std::string Contents(const std::string& path)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "(none)";
    char buffer[64];
    DWORD n = 0;
    ReadFile(f, buffer, sizeof buffer, &n, nullptr);
    CloseHandle(f);
    return std::string(buffer, n);
}

struct Group {
    std::string written[3], targets[3];
    explicit Group(const char* name)
    {
        for (int k = 0; k < 3; k++) {
            std::string part = std::string(name) + "." + std::to_string(k);
            targets[k] = TempPath(part.c_str());
            written[k] = TempPath((part + "~new").c_str());
            DeleteFileA(targets[k].c_str());
        }
    }
    void Write(const char* text)
    {
        for (int k = 0; k < 3; k++) WriteTempFile((GetPathName(written[k])).c_str(), text + std::to_string(k));
    }
    static std::string GetPathName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }
};

}  // namespace

TEST(FileReplace, AGroupReplacesOldFilesAndTakesTheirPlaceWhenNoneExisted)
{
    Group g("group_new");
    g.Write("first");
    ASSERT_EQ(ReplaceFileGroup(g.written, g.targets, 3), 1);
    g.Write("second");
    ASSERT_EQ(ReplaceFileGroup(g.written, g.targets, 3), 1);
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(Contents(g.targets[k]), "second" + std::to_string(k));
        EXPECT_EQ(Contents(g.written[k]), "(none)");
        EXPECT_EQ(Contents(g.targets[k] + "~old"), "(none)");
    }
}

// One member that cannot be replaced leaves every old file in place and the
// written ones under their own names: never a mix of old and new.
TEST(FileReplace, OneMemberThatCannotBeReplacedKeepsTheWholeOldGroup)
{
    Group g("group_held");
    g.Write("old");
    ASSERT_EQ(ReplaceFileGroup(g.written, g.targets, 3), 1);
    for (int readOnly = 0; readOnly < 2; readOnly++) {
        g.Write("new");
        HANDLE held = INVALID_HANDLE_VALUE;
        if (readOnly) ASSERT_TRUE(SetFileAttributesA(g.targets[2].c_str(), FILE_ATTRIBUTE_READONLY));
        else held = CreateFileA(g.targets[2].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(ReplaceFileGroup(g.written, g.targets, 3), 0) << readOnly;
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        SetFileAttributesA(g.targets[2].c_str(), FILE_ATTRIBUTE_NORMAL);
        for (int k = 0; k < 3; k++) {
            EXPECT_EQ(Contents(g.targets[k]), "old" + std::to_string(k)) << readOnly << k;
            EXPECT_EQ(Contents(g.written[k]), "new" + std::to_string(k)) << readOnly << k;
            EXPECT_EQ(Contents(g.targets[k] + "~old"), "(none)") << readOnly << k;
        }
    }
}

namespace {
int TempFilesMatching(const std::string& pattern)
{
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((TempDir() + kTempFilePrefix + pattern).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do n++; while (FindNextFileA(h, &found));
    FindClose(h);
    return n;
}
}  // namespace

// Killed anywhere among its six moves (three aside, three in), a replace is
// completed by the next tidying of its folder: the group is whole and new,
// and neither side files nor the journal stay.
TEST(FileReplace, AReplaceCutShortIsCompletedByTheNextTidying)
{
    Group g("group_cut");
    for (int stop = 0; stop <= 5; stop++) {
        g.Write("old");
        ASSERT_EQ(ReplaceFileGroup(g.written, g.targets, 3), 1);
        g.Write("new");
        SetReplaceStopAfter(stop);
        EXPECT_EQ(ReplaceFileGroup(g.written, g.targets, 3), 0);
        SetReplaceStopAfter(-1);
        EXPECT_EQ(TempFilesMatching("*.replace"), 1) << stop;
        FinishInterruptedSaves(TempDir());
        for (int k = 0; k < 3; k++) {
            EXPECT_EQ(Contents(g.targets[k]), "new" + std::to_string(k)) << stop << k;
            EXPECT_EQ(Contents(g.written[k]), "(none)") << stop << k;
            EXPECT_EQ(Contents(g.targets[k] + "~old"), "(none)") << stop << k;
        }
        EXPECT_EQ(TempFilesMatching("*"), 0) << stop;
    }
}

// Temporary files a killed save left are removed once stale; a fresh one may
// belong to a save still running and stays.
TEST(FileReplace, StaleTemporaryFilesAreRemovedAndFreshOnesKept)
{
    std::string stale = WriteTempFile((std::string(kTempFilePrefix) + "markers-1.shp").c_str(), "x");
    std::string fresh = WriteTempFile((std::string(kTempFilePrefix) + "markers-2.shp").c_str(), "x");
    std::string user = WriteTempFile("markers~saving.shp", "mine");
    HANDLE h = CreateFileA(stale.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME now, old;
    GetSystemTimeAsFileTime(&now);
    uint64_t t = (((uint64_t)now.dwHighDateTime << 32) | now.dwLowDateTime) - 2 * 60 * 10000000ull;
    old.dwLowDateTime = (DWORD)t;
    old.dwHighDateTime = (DWORD)(t >> 32);
    SetFileTime(h, nullptr, nullptr, &old);
    CloseHandle(h);
    FinishInterruptedSaves(TempDir());
    EXPECT_EQ(Contents(stale), "(none)");
    EXPECT_EQ(Contents(fresh), "x");
    EXPECT_EQ(Contents(user), "mine");
    DeleteFileA(fresh.c_str());
    DeleteFileA(user.c_str());
}

// A single file replaced only when whole: a failed write or a read-only
// target leaves the old bytes and no temporary file.
TEST(FileReplace, AReplacingFileKeepsTheOldOneOnAnyFailure)
{
    std::string target = WriteTempFile("single.txt", "old");
    ReplacingFile r;
    ASSERT_EQ(OpenReplacing(&r, target.c_str()), 1);
    SetWriteFaultAt(1);
    EXPECT_EQ(VFileWrite(r.file, "new", 3), 0);
    SetWriteFaultAt(0);
    EXPECT_EQ(CloseReplacing(&r, false), 0);
    EXPECT_EQ(Contents(target), "old");
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(OpenReplacing(&r, target.c_str()), 0);
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Contents(target), "old");
    ASSERT_EQ(OpenReplacing(&r, target.c_str()), 1);
    EXPECT_EQ(VFileWrite(r.file, "new", 3), 1);
    EXPECT_EQ(CloseReplacing(&r, true), 1);
    EXPECT_EQ(Contents(target), "new");
    EXPECT_EQ(TempFilesMatching("*"), 0);
}
