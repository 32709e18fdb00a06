#include "test_support.h"
#include "base/file_replace.h"
#include "base/paths.h"
#include <string>
#include <cstdio>
#include <cstdlib>

namespace {

bool Put(const std::string& path, const std::string& text)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    bool ok = WriteFile(f, text.data(), (DWORD)text.size(), &n, nullptr) && n == text.size();
    return CloseHandle(f) && ok;
}

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
int TempFilesMatching(const std::string& pattern, const std::string& folder = TempDir())
{
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + kTempFilePrefix + pattern).c_str(), &found);
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

namespace {
void MakeOld(const std::string& path, uint64_t minutes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME now, old;
    GetSystemTimeAsFileTime(&now);
    uint64_t t = (((uint64_t)now.dwHighDateTime << 32) | now.dwLowDateTime) - minutes * 60 * 10000000ull;
    old.dwLowDateTime = (DWORD)t;
    old.dwHighDateTime = (DWORD)(t >> 32);
    SetFileTime(h, nullptr, nullptr, &old);
    CloseHandle(h);
}
std::string WritePrefixed(const std::string& name, const char* text)
{
    return WriteTempFile((kTempFilePrefix + name).c_str(), text);
}
// No process has this id: its files were left by a save killed here.
const char kGoneOwner[] = "7ffffff0";
}  // namespace

// Temporary files a killed save left are removed once stale; one whose
// program still runs stays, and one whose owner cannot be told (on a file
// server another clock dates it) stays for hours.
TEST(FileReplace, StaleTemporaryFilesAreRemovedAndLiveOnesKept)
{
    ASSERT_EQ(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, strtoul(kGoneOwner, nullptr, 16)), nullptr);
    char mine[16];
    snprintf(mine, sizeof mine, "%x", (unsigned)GetCurrentProcessId());
    std::string killed = WritePrefixed(std::string("m.x-") + kGoneOwner + "-5-1.shp", "x");
    std::string fresh = WritePrefixed(std::string("m-") + kGoneOwner + "-5-2.shp", "x");
    std::string running = WritePrefixed(std::string("m-") + mine + "-5-3_t.shp", "x");
    std::string unknown = WritePrefixed("markers-2.shp", "x");
    std::string unknownOld = WritePrefixed("markers-3.shp", "x");
    std::string user = WriteTempFile("markers~saving.shp", "mine");
    for (const std::string& file : {killed, running, unknown, user}) MakeOld(file, 2);
    MakeOld(unknownOld, 13 * 60);
    FinishInterruptedSaves(TempDir());
    EXPECT_EQ(Contents(killed), "(none)");
    EXPECT_EQ(Contents(unknownOld), "(none)");
    for (const std::string& kept : {fresh, running, unknown}) {
        EXPECT_EQ(Contents(kept), "x") << kept;
        DeleteFileA(kept.c_str());
    }
    EXPECT_EQ(Contents(user), "mine");
    DeleteFileA(user.c_str());
}

namespace {
void TidyFolder() { FinishInterruptedSaves(TempDir()); }
std::string liveWritten[2];
void TidyWithOldWrittenFiles()
{
    for (const std::string& file : liveWritten) MakeOld(file, 2);
    TidyFolder();
}
}  // namespace

// A tidy while a replace runs (its journal held) leaves the folder's
// temporary files alone, however old: they may be that replace's own.
TEST(FileReplace, ATidyWhileAReplaceRunsKeepsItsWrittenFiles)
{
    std::string* written = liveWritten;
    std::string targets[2];
    for (int k = 0; k < 2; k++) {
        targets[k] = WriteTempFile(("live." + std::to_string(k)).c_str(), "old");
        written[k] = WritePrefixed("live-" + std::string(kGoneOwner) + "-1-" + std::to_string(k) + ".new", "new");
    }
    SetReplaceStopAfter(2, TidyWithOldWrittenFiles);   // both set aside, neither placed
    EXPECT_EQ(ReplaceFileGroup(written, targets, 2), 0);
    SetReplaceStopAfter(-1);
    TidyFolder();
    for (int k = 0; k < 2; k++) EXPECT_EQ(Contents(targets[k]), "new") << k;
    EXPECT_EQ(TempFilesMatching("*"), 0);
}

namespace {
Group* undoGroup;
HANDLE undoHeld = INVALID_HANDLE_VALUE;
// Another replace of the same files, cut short before its first move and
// completed by a tidy while the failed one waits to undo its moves.
void CompleteAnotherReplace()
{
    std::string written[3];
    for (int k = 0; k < 3; k++) written[k] = WriteTempFile(("undo_other." + std::to_string(k)).c_str(), "other");
    SetReplaceStopAfter(0);
    ReplaceFileGroup(written, undoGroup->targets, 3);
    SetReplaceStopAfter(-1);
    TidyFolder();
}
void HoldFirstTarget()
{
    undoHeld = CreateFileA(undoGroup->targets[0].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}
}  // namespace

// A failed replace gets every old file back: when another replace of the
// same files is completed meanwhile, and when one cannot be put back at once
// (the next tidy does it).
TEST(FileReplace, AFailedReplaceGetsEveryOldFileBack)
{
    Group g("group_undo");
    undoGroup = &g;
    g.Write("old");
    ASSERT_EQ(ReplaceFileGroup(g.written, g.targets, 3), 1);
    for (int held = 0; held < 2; held++) {
        g.Write("new");
        DeleteFileA(g.written[2].c_str());   // the last cannot be placed
        SetReplaceBeforeUndo(held ? HoldFirstTarget : CompleteAnotherReplace);
        EXPECT_EQ(ReplaceFileGroup(g.written, g.targets, 3), 0);
        SetReplaceBeforeUndo(nullptr);
        if (held) {
            ASSERT_NE(undoHeld, INVALID_HANDLE_VALUE);
            CloseHandle(undoHeld);
            TidyFolder();
        }
        for (int k = 0; k < 3; k++) {
            EXPECT_EQ(Contents(g.targets[k]), "old" + std::to_string(k)) << held << k;
            DeleteFileA(g.written[k].c_str());
        }
        EXPECT_EQ(TempFilesMatching("*"), 0) << held;
    }
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

namespace {
HANDLE HoldJournal()
{
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((TempDir() + kTempFilePrefix + "*.replace").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return h;
    FindClose(h);
    return CreateFileA((TempDir() + found.cFileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}
void HoldFirstTargetOnFullDisk()
{
    HoldFirstTarget();
    SetWriteFaultAt(1);
}
}  // namespace

// An old file that could not be put back returns at a later tidy, even when
// the disk was full at the failure; but a save made before that tidy
// (the journal then held elsewhere) is never overwritten by it.
TEST(FileReplace, AnOldFileLeftAsideReturnsOnlyOverTheFailedReplace)
{
    Group g("group_later");
    undoGroup = &g;
    for (int later = 0; later < 2; later++) {
        g.Write("old");
        ASSERT_EQ(ReplaceFileGroup(g.written, g.targets, 3), 1);
        g.Write("new");
        DeleteFileA(g.written[2].c_str());
        SetReplaceBeforeUndo(HoldFirstTargetOnFullDisk);
        EXPECT_EQ(ReplaceFileGroup(g.written, g.targets, 3), 0);
        SetReplaceBeforeUndo(nullptr);
        SetWriteFaultAt(0);
        CloseHandle(undoHeld);
        for (int k = 0; k < 3; k++) DeleteFileA(g.written[k].c_str());
        std::string expect = "old";
        if (later) {
            HANDLE journal = HoldJournal();
            ASSERT_NE(journal, INVALID_HANDLE_VALUE);
            g.Write("newer");
            EXPECT_EQ(ReplaceFileGroup(g.written, g.targets, 3), 1);
            CloseHandle(journal);
            expect = "newer";
        }
        TidyFolder();
        for (int k = 0; k < 3; k++) EXPECT_EQ(Contents(g.targets[k]), expect + std::to_string(k)) << later << k;
        EXPECT_EQ(TempFilesMatching("*"), 0) << later;
    }
}

// A journal that cannot be read, with old files set aside under its name,
// keeps them: they may be the only copies of the user's files.
TEST(FileReplace, OldFilesOfAnUnreadableJournalAreNeverStale)
{
    std::string base = std::string("cut-") + kGoneOwner + "-1-1";
    std::string journal = WritePrefixed(base + ".replace", "cut.0\n");
    std::string old = WritePrefixed(base + ".old0", "only copy");
    std::string stale = WritePrefixed(std::string("other-") + kGoneOwner + "-1-2.tmp", "x");
    for (const std::string& file : {journal, old, stale}) MakeOld(file, 2);
    TidyFolder();
    EXPECT_EQ(Contents(old), "only copy");
    EXPECT_EQ(Contents(stale), "(none)");
    DeleteFileA(old.c_str());
    TidyFolder();
    EXPECT_EQ(TempFilesMatching("*"), 0);
}

// Temporary names are measured as Windows measures paths, in UTF-16 units: a
// folder of 204 units takes every name a replace makes (the target's own name
// cut to fit, whole letters only), one of 205 none; a folder of two-byte
// letters takes them though their bytes pass MAX_PATH.
TEST(FileReplace, TemporaryNamesFitAFolderUpToItsLimit)
{
    const std::string longName = "a_rather_long_survey_name_for_tile_0042_east";
    const std::string cyrillicName = "съёмка_участка_северо_восточная";   // 58 bytes
    struct Case {
        std::string folder, name;
        bool fits;
    };
    std::vector<Case> cases = {{MakeFolderOfBytes(kLongestTempFolder, "d"), longName, true},
                               {MakeFolderOfBytes(kLongestTempFolder + 1, "e"), longName, false},
                               {MakeFolderOfBytes(200, "д"), cyrillicName, true}};
    ASSERT_EQ(WindowsPathUnits(cases[0].folder), kLongestTempFolder);
    for (const Case& c : cases) {
        std::string target = c.folder + c.name + ".shp";
        ASSERT_TRUE(Put(target, "old"));
        EXPECT_EQ(TempNamesFitBeside(target), c.fits) << c.folder;
        std::string base = TempBaseBeside(target);
        ASSERT_EQ(!base.empty(), c.fits) << c.folder;

        std::string written = c.folder + "new.shp";
        ASSERT_TRUE(Put(written, "new"));
        EXPECT_EQ(ReplaceFileGroup(&written, &target, 1), c.fits ? 1 : 0) << c.folder;
        EXPECT_EQ(Contents(target), c.fits ? "new" : "old") << c.folder;
        ReplacingFile r;
        EXPECT_EQ(OpenReplacing(&r, target.c_str()), c.fits ? 1 : 0) << c.folder;
        if (!c.fits) {
            EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILENAME_EXCED_RANGE);
            EXPECT_EQ(TempFilesMatching("*", c.folder), 0);
            continue;
        }
        EXPECT_EQ(VFileWrite(r.file, "newer", 5), 1);
        EXPECT_EQ(CloseReplacing(&r, true), 1);
        EXPECT_EQ(Contents(target), "newer");
        EXPECT_EQ(TempFilesMatching("*", c.folder), 0) << c.folder;

        // The longest name a replace gives it still fits; the name in it is
        // the target's start in whole letters, at most 40 bytes.
        EXPECT_LE(WindowsPathUnits(base + ".undo.replace"), kWindowsPathUnits) << base;
        std::string leaf = base.substr(c.folder.size() + strlen(kTempFilePrefix));
        std::string kept = leaf.substr(0, leaf.find('-'));
        EXPECT_LE(kept.size(), 40u);
        EXPECT_EQ(c.name.compare(0, kept.size(), kept), 0) << kept;
        EXPECT_GT(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, kept.c_str(), -1, nullptr, 0), 0) << kept;
    }
    EXPECT_GT(TempBaseBeside(cases[2].folder + cyrillicName + ".shp").size() + 4, (size_t)MAX_PATH);
}
