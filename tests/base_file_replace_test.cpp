#include "test_support.h"
#include "base/file_replace.h"
#include "base/shape_io.h"
#include "base/paths.h"
#include "app/class_table.h"
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
// Temporary files of this version and of earlier ones.
int TempFilesMatching(const std::string& pattern, const std::string& folder = TempDir())
{
    size_t n = 0;
    for (const char* prefix : {kTempFilePrefix, kOldTempFilePrefix}) n += FolderFiles(folder, prefix + pattern).size();
    return (int)n;
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
// A temporary file as this version names them (`name` after the prefix).
std::string WritePrefixed(const std::string& name, const char* text)
{
    return WriteTempFile((kTempFilePrefix + name).c_str(), text);
}
// A temporary file as an earlier version named them.
std::string WriteOld(const std::string& name, const char* text)
{
    return WriteTempFile((kOldTempFilePrefix + name).c_str(), text);
}
// No process has this id: an earlier version's files left by a save killed here.
const char kGoneOwner[] = "7ffffff0";
}  // namespace

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
        written[k] = WritePrefixed("f0_" + std::to_string(k) + ".shp", "new");
    }
    SetReplaceStopAfter(2, TidyWithOldWrittenFiles);   // both set aside, neither placed
    EXPECT_EQ(ReplaceFileGroup(written, targets, 2), 0);
    SetReplaceStopAfter(-1);
    TidyFolder();
    for (int k = 0; k < 2; k++) EXPECT_EQ(Contents(targets[k]), "new") << k;
    EXPECT_EQ(TempFilesMatching("*"), 0);
}

namespace {
std::string undoTargets[3];   // the group the hooks below work on
void UndoOn(const Group& g)
{
    for (int k = 0; k < 3; k++) undoTargets[k] = g.targets[k];
}
HANDLE undoHeld = INVALID_HANDLE_VALUE;
// Another replace of the same files, cut short before its first move and
// completed by a tidy while the failed one waits to undo its moves.
void CompleteAnotherReplace()
{
    std::string written[3];
    for (int k = 0; k < 3; k++) written[k] = WriteTempFile(("undo_other." + std::to_string(k)).c_str(), "other");
    SetReplaceStopAfter(0);
    ReplaceFileGroup(written, undoTargets, 3);
    SetReplaceStopAfter(-1);
    TidyFolder();
}
void HoldFirstTarget()
{
    undoHeld = CreateFileA(undoTargets[0].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}
}  // namespace

// A failed replace gets every old file back: when another replace of the
// same files is completed meanwhile, and when one cannot be put back at once
// (the next tidy does it).
TEST(FileReplace, AFailedReplaceGetsEveryOldFileBack)
{
    Group g("group_undo");
    UndoOn(g);
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
    std::vector<std::string> journals = FolderFiles(TempDir(), std::string(kTempFilePrefix) + "*.replace");
    if (journals.empty()) return INVALID_HANDLE_VALUE;
    return CreateFileA((TempDir() + journals[0]).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
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
    UndoOn(g);
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
// keeps them: they may be the only copies of the user's files. So for the
// names of this version and of an earlier one.
TEST(FileReplace, OldFilesOfAnUnreadableJournalAreNeverStale)
{
    struct Names {
        std::string (*write)(const std::string&, const char*);
        std::string base;
    };
    for (const Names& n : {Names{WriteOld, std::string("cut-") + kGoneOwner + "-1-1"}, Names{WritePrefixed, "5"}}) {
        std::string journal = n.write(n.base + ".replace", "cut.0\n");
        std::string old = n.write(n.base + ".old0", "only copy");
        for (const std::string& file : {journal, old}) MakeOld(file, 2);
        TidyFolder();
        EXPECT_EQ(Contents(old), "only copy") << n.base;
        EXPECT_EQ(Contents(journal), "cut.0\n") << n.base;
        DeleteFileA(old.c_str());
        DeleteFileA(journal.c_str());
    }
}

// A replace an earlier version began and was killed in (its target set
// aside, the new file not yet in place) is completed by this one's tidying.
TEST(FileReplace, AReplaceAnEarlierVersionLeftIsCompleted)
{
    std::string base = std::string("t-") + kGoneOwner + "-1-2";
    std::string target = TempPath("t.shp");
    std::string aside = WriteOld(base + ".old0", "old");
    std::string written = WriteOld(std::string("t-") + kGoneOwner + "-1-1_0.shp", "new");
    std::string journal = WriteOld(base + ".replace", (written.substr(TempDir().size()) + "|\nt.shp\n" +
                                                       aside.substr(TempDir().size()) + "\nend\n").c_str());
    TidyFolder();
    EXPECT_EQ(Contents(target), "new");
    EXPECT_EQ(TempFilesMatching("*"), 0);
}

namespace {
HANDLE HoldShared(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}
}  // namespace

namespace {
// A save killed while it wrote `suffixes` under its base: its journal and
// those files stay, just written.
std::vector<std::string> KillSaveBeside(const std::string& target, const std::vector<const char*>& suffixes)
{
    void* held = nullptr;
    std::string base = ReserveTempBase(target, kLongestGroupSuffix, &held);
    std::vector<std::string> files;
    for (const char* suffix : suffixes) files.push_back(base + suffix);
    EXPECT_TRUE(HoldTempFiles(held, files.data(), files.size())) << base;
    for (const std::string& file : files) EXPECT_TRUE(Put(file, "x")) << file;
    AbandonTempBase(&held);
    return files;
}
}  // namespace

// What a killed save's journal names goes with the journal, all together,
// once none of it is held open by anyone and none was written within a
// minute (a table's .cpg, closed at the table's start, stays beside its open
// .dbf however long the table takes). A live save keeps its files, and a
// journal names none but its own base's.
TEST(FileReplace, AKilledSavesFilesGoOnlyWhenNoneIsOpenOrFresh)
{
    const std::string target = TempPath("t.shp");
    std::vector<std::string> open = KillSaveBeside(target, {"_0.dbf", "_0.cpg"});
    std::vector<std::string> fresh = KillSaveBeside(target, {"_0.shp", "_0.shx"});
    std::vector<std::string> single = KillSaveBeside(target, {kTempFileExtension});
    std::vector<std::string> group = KillSaveBeside(target, {"_0.shp", "_0.shx", "_1.dbf"});
    void* live = nullptr;
    std::string liveFile = ReserveTempBase(target, kLongestGroupSuffix, &live) + "_0.shp";
    std::string user = WriteTempFile("user.txt", "mine");
    EXPECT_TRUE(HoldTempFiles(live, &liveFile, 1) && Put(liveFile, "x"));
    EXPECT_FALSE(HoldTempFiles(live, &user, 1));
    for (const std::vector<std::string>& files : {open, fresh, single, group})
        for (const std::string& file : files) MakeOld(file, 2);
    MakeOld(liveFile, 2);
    MakeOld(user, 2);
    Put(fresh[1], "x");
    HANDLE held = HoldShared(open[0]);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    TidyFolder();
    // The open table cannot be read beside its writer: it is there.
    EXPECT_NE(GetFileAttributesA(open[0].c_str()), INVALID_FILE_ATTRIBUTES);
    for (const std::string& kept : {open[1], fresh[0], fresh[1], liveFile}) EXPECT_EQ(Contents(kept), "x") << kept;
    for (const std::vector<std::string>& files : {single, group})
        for (const std::string& gone : files) EXPECT_EQ(Contents(gone), "(none)") << gone;
    EXPECT_EQ(Contents(user), "mine");
    CloseHandle(held);
    MakeOld(open[0], 2);
    TidyFolder();
    for (const std::string& gone : open) EXPECT_EQ(Contents(gone), "(none)") << gone;
    EXPECT_EQ(Contents(fresh[0]), "x");
    MakeOld(fresh[1], 2);
    DeleteFileA(liveFile.c_str());
    ReleaseTempBase(liveFile, &live);
    TidyFolder();
    EXPECT_EQ(TempFilesMatching("*"), 0);
}

namespace {
// A shapefile save of one point at x = `x` beside `target`, placed.
void SaveOnePoint(const std::string& target, double x);
}  // namespace

// A name proves nothing: files named as this program names its temporary
// files, of this version or an earlier one, are a user's while no journal of
// this program names them; however old, they stay beside each kind of save.
TEST(FileReplace, FilesNamedLikeTemporariesStayBesideEverySave)
{
    std::vector<std::string> users;
    for (const char* name : {"00.tmp", "ff.tmp", "5.tmp", "07.old1", "03.replace", "0c.undo.replace", "00_0.shp",
                             "00_0.shx", "00_0.dbf", "00_0.cpg", "0b.jnl"})
        users.push_back(WritePrefixed(name, "mine"));
    std::string upper = std::string(kTempFilePrefix) + "0a.tmp";
    CharUpperA(&upper[0]);
    users.push_back(WriteTempFile(upper.c_str(), "mine"));
    users.push_back(WriteOld("notes.txt", "mine"));
    users.push_back(WriteOld("cut.replace", "mine"));
    for (const std::string& file : users) MakeOld(file, 13 * 60);
    std::string text = WriteTempFile("list.txt", "old");
    ReplacingFile r;
    ASSERT_EQ(OpenReplacing(&r, text.c_str()), 1);
    EXPECT_EQ(CloseReplacing(&r, VFileWrite(r.file, "new", 3) != 0), 1);
    SaveOnePoint(TempPath("m.shp"), 1);
    Group g("beside");
    g.Write("new");
    EXPECT_EQ(ReplaceFileGroup(g.written, g.targets, 3), 1);
    TidyFolder();
    EXPECT_EQ(Contents(text), "new");
    for (const std::string& file : users) EXPECT_EQ(Contents(file), "mine") << file;
}

// A temporary name is the prefix and a short counter, nothing of the
// target's: each new one differs, and none is one a name in the folder
// holds (the base, or the base and "." or "_" with anything after). With
// every counter taken there is none.
TEST(FileReplace, TemporaryNamesAreShortAndUniqueInTheirFolder)
{
    const std::string target = TempPath("a_rather_long_survey_name.las");
    std::string first = TempBaseBeside(target, kTempFileExtension), second = TempBaseBeside(target, kTempFileExtension);
    for (const std::string& base : {first, second}) {
        std::string leaf = base.substr(TempDir().size());
        ASSERT_EQ(leaf.compare(0, strlen(kTempFilePrefix), kTempFilePrefix), 0) << leaf;
        std::string counter = leaf.substr(strlen(kTempFilePrefix));
        EXPECT_TRUE(!counter.empty() && counter.size() <= kTempCounterDigits &&
                    counter.find_first_not_of("0123456789abcdef") == std::string::npos)
            << leaf;
    }
    EXPECT_NE(first, second);

    const unsigned free = 0x5a, counters = 1u << (4 * kTempCounterDigits);
    for (unsigned c = 0; c < counters; c++) {
        char name[16];
        snprintf(name, sizeof name, "%x", c);
        if (c == free) WritePrefixed(std::string(name) + "1.txt", "");   // another counter's name
        else if (c % 3 == 0) WritePrefixed(name, "");
        else if (c % 3 == 1) WritePrefixed(std::string(name) + ".x", "");
        else CreateDirectoryA((TempDir() + kTempFilePrefix + name + "_d").c_str(), nullptr);
    }
    for (int k = 0; k < 3; k++) EXPECT_EQ(TempBaseBeside(target, kTempFileExtension), TempDir() + kTempFilePrefix + "5a");
    void* held = nullptr;
    std::string taken = NewTempFileBeside(target, kTempFileExtension, &held);
    EXPECT_EQ(taken, TempDir() + kTempFilePrefix + "5a" + kTempFileExtension);
    EXPECT_EQ(TempBaseBeside(target, kTempFileExtension), "");
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANNOT_MAKE);
    ReleaseTempBase(taken, &held);
    // The refusal says why and names the folder, on the roads of single files and of groups.
    std::string folder = TempDir().substr(0, TempDir().size() - 1);
    std::string why = Formatted(kTempNamesTakenText, (int)counters, kTempFilePrefix, kTempFilePrefix, counters - 1,
                                folder.c_str());
    EXPECT_EQ(TempNameRefusal(target, kTempFileExtension), why);
    EXPECT_EQ(ShapeGroupRefusal(target.c_str()), why);
    {
        BoxAnswers boxes;
        ClassTable classes;
        SetDefaultClassTable(&classes);
        EXPECT_EQ(WriteClassListFile(&classes, TempPath("classes.csv").c_str(), "classes.csv", nullptr), 0);
        EXPECT_TRUE(ShowedOneBox(boxes, why));
    }
    DeleteFileA(taken.c_str());
    EXPECT_EQ(TempNameRefusal(target, kTempFileExtension), "");
}

// Temporary names are measured as Windows measures paths, in UTF-16 units,
// the folder as Windows shows it (without the separator that ends it), of any
// length (not through a buffer of a path's 256 bytes, which counted 0 for a
// folder of 217 letters, most of them Chinese): a folder at its limit takes every name of a single file's save or a
// group replace, one under too, one over none; in one-byte letters and in
// letters of two and three bytes, whose paths pass MAX_PATH bytes, and in
// letters outside the Basic Multilingual Plane, two units each, which the
// message counts as the user does: one letter each, the limit less one each.
TEST(FileReplace, TemporaryNamesFitAFolderUpToItsLimit)
{
    EXPECT_EQ(LongestTempFolder(kTempFileExtension), 249u);
    EXPECT_EQ(LongestTempFolder(kLongestGroupSuffix), 240u);
    for (const char* suffix : {kTempFileExtension, kLongestGroupSuffix})
        for (const char* letter : {"d", "д", "中", "\xF0\xA0\x80\x80"})
            for (int over : {-1, 0, 1}) {
                size_t units = LongestTempFolder(suffix) + over;
                std::string folder = MakeFolderOfUnits(units, letter);
                std::string target = folder + "t.x", where = std::string(suffix) + " " + letter + std::to_string(over);
                ASSERT_TRUE(Put(target, "old")) << where;
                EXPECT_EQ(WindowsFolderUnits(target), units) << where;
                bool fits = over <= 0;
                EXPECT_EQ(TempNamesFitBeside(target, suffix), fits) << where;
                std::string base = TempBaseBeside(target, suffix);
                ASSERT_EQ(base.empty(), !fits) << where;
                if (fits) {
                    EXPECT_LE(WindowsPathUnits(base + suffix), kWindowsPathUnits) << where;
                } else {
                    EXPECT_EQ(GetLastError(), (DWORD)ERROR_FILENAME_EXCED_RANGE) << where;
                }
                if (!fits) {
                    char shown[kPathTooLongShown + 1];
                    CopyBounded(shown, sizeof shown, target.c_str());
                    int letters = -1;   // less the folder's final separator
                    for (unsigned char byte : folder) letters += (byte & 0xC0) != 0x80;
                    int most = (int)LongestTempFolder(suffix) - ((int)units - letters);
                    EXPECT_EQ(TempFolderTooLongMessage(target, suffix),
                              Formatted(kTempFolderTooLongText, letters, most, shown))
                        << where;
                }
                if (suffix == kLongestGroupSuffix) {
                    std::string written = folder + "n.x";
                    ASSERT_TRUE(Put(written, "new")) << where;
                    EXPECT_EQ(ReplaceFileGroup(&written, &target, 1), fits ? 1 : 0) << where;
                    EXPECT_EQ(Contents(target), fits ? "new" : "old") << where;
                } else {
                    ReplacingFile r;
                    EXPECT_EQ(OpenReplacing(&r, target.c_str()), fits ? 1 : 0) << where;
                    if (fits) {
                        EXPECT_EQ(VFileWrite(r.file, "new", 3), 1) << where;
                    }
                    EXPECT_EQ(CloseReplacing(&r, fits), fits ? 1 : 0) << where;
                    EXPECT_EQ(Contents(target), fits ? "new" : "old") << where;
                }
                EXPECT_EQ(TempFilesMatching("*", folder), 0) << where;
            }
}

namespace {
// A one-point shapefile save begun beside `target`, the point at x = `x`.
struct PointSave {
    ShapeGroupWriter w;
    int shapes = -1;
    PointSave(const std::string& target) { EXPECT_TRUE(BeginShapeGroup(&w, target.c_str())) << target; }
    void Write(const std::string& target, double x)
    {
        shapes = CreateGroupShapes(&w, target.c_str(), SHAPE_POINT);
        double y = 1;
        EXPECT_TRUE(shapes >= 0 && AppendShape(&w, shapes, SHAPE_POINT, 1, &x, &y, nullptr, 0)) << target;
    }
};
void SaveOnePoint(const std::string& target, double x)
{
    PointSave save(target);
    save.Write(target, x);
    EXPECT_EQ(CommitShapeGroup(&save.w, true), 1) << target;
}
double FirstX(const std::string& path)
{
    ShapeInput in;
    ShapeRecord r;
    if (OpenShapesToRead(&in, path.c_str()) != SHAPES_READABLE || !ReadShape(&in, 0, &r) || !r.VertexCount()) return -1;
    return r.x[0];
}
}  // namespace

// A shapefile save holds its base from its start: a second save begun
// meanwhile takes another (also where the first one's search went on past
// a taken counter into the second's), and a tidy beside it, however long
// its files have not been written (the library writes them through handles
// Windows' sharing does not see under Wine), leaves them; both saves place
// their own points, and nothing of theirs stays behind.
TEST(FileReplace, AShapefileSaveHoldsItsBaseUntilItEnds)
{
    std::string a = TempPath("first.shp"), b = TempPath("second.shp");
    std::string probe = TempBaseBeside(a, kLongestGroupSuffix);
    unsigned counter = (unsigned)strtoul(probe.substr(probe.size() - 2).c_str(), nullptr, 16);
    char next[16];
    snprintf(next, sizeof next, "%x", (counter + 1) % 256);
    std::string other = WritePrefixed(std::string(next) + ".tmp", "another save's");
    {
        PointSave first(a), second(b);
        EXPECT_NE(first.w.base, second.w.base);
        first.Write(a, 1);
        second.Write(b, 2);
        for (const std::string& file : first.w.written) MakeOld(file, 2);
        FinishInterruptedSaves(TempDir());
        // Asked by name: the Windows build's library holds its files open for
        // writing, so an open that does not share writing is refused meanwhile.
        for (const std::string& file : first.w.written)
            EXPECT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES) << file;
        EXPECT_EQ(CommitShapeGroup(&first.w, true), 1);
        EXPECT_EQ(CommitShapeGroup(&second.w, true), 1);
    }
    EXPECT_EQ(FirstX(a), 1);
    EXPECT_EQ(FirstX(b), 2);
    DeleteFileA(other.c_str());
    EXPECT_EQ(TempFilesMatching("*"), 0);
    PointSave aborted(a);
    aborted.Write(a, 3);
    AbortShapeGroup(&aborted.w);
    EXPECT_EQ(TempFilesMatching("*"), 0);
    EXPECT_EQ(FirstX(a), 1);
    // Killed as it writes, it leaves its files to the next tidy, which its journal tells whose they are.
    {
        PointSave killed(a);
        killed.Write(a, 4);
        AbandonTempBase(&killed.w.reserved);
        killed.w.written.clear();
    }
    std::vector<std::string> left = TempFilesLeft();
    EXPECT_EQ(left.size(), 3u);
    for (const std::string& file : left) MakeOld(TempDir() + file, 2);
    FinishInterruptedSaves(TempDir());
    EXPECT_EQ(TempFilesMatching("*"), 0);
    EXPECT_EQ(FirstX(a), 1);
}
