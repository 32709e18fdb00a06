// Lock markers: who wrote one, who may remove one, and locking a file that
// another program holds.
#include "las_test_files.h"
#include "data/las_lock.h"

namespace {
std::string MarkerText(const std::string& las)
{
    Bytes b = ReadBytes(TileLockPath(las.c_str()));
    return std::string(b.begin(), b.end());
}
bool MarkerExists(const std::string& las)
{
    return GetFileAttributesA(TileLockPath(las.c_str())) != INVALID_FILE_ATTRIBUTES;
}
void WriteMarker(const std::string& las, const std::string& text)
{
    ASSERT_TRUE(WriteBytes(TileLockPath(las.c_str()), Bytes(text.begin(), text.end())));
}
}  // namespace

TEST(LASLock, LockWritesOwnLineWithCRLFAndReleaseRemovesIt)
{
    std::string las = TempPath("tile_12.las");
    ASSERT_TRUE(MakeLASFile(las, 12, 20, 10, 0));
    EXPECT_EQ(ReadTileLockOwner(las.c_str()), nullptr);
    EXPECT_EQ(ReleaseOwnTileLock(las.c_str()), 0);

    ASSERT_EQ(LockTile(las.c_str()), 1);
    EXPECT_EQ(TileLockPath(las.c_str()), TempPath("tile_12.loc"));
    std::string own = OwnTileLockLine();
    ASSERT_GE(own.size(), 3u);
    EXPECT_EQ(own.substr(own.size() - 2), "\r\n");
    EXPECT_NE(own.find('\\'), std::string::npos);
    // The owner's line first (what older readers read), then this process.
    std::string process = OwnTileLockProcessLine();
    EXPECT_EQ(process.rfind("process ", 0), 0u);
    EXPECT_EQ(MarkerText(las), own + process);
    ASSERT_EQ(LockTile(las.c_str()), 1);           // a second lock rewrites the same lines
    EXPECT_EQ(MarkerText(las), own + process);
    EXPECT_EQ(IsOwnTileLock(las.c_str()), 1);
    EXPECT_STREQ(ReadTileLockOwner(las.c_str()), own.c_str());

    EXPECT_EQ(ReleaseOwnTileLock(las.c_str()), 1);
    EXPECT_FALSE(MarkerExists(las));
    EXPECT_EQ(UnlockTile(las.c_str()), 0);
    EXPECT_TRUE(TileFileExists(las.c_str()));
    EXPECT_FALSE(TileFileExists(TileLockPath(las.c_str())));
}

TEST(LASLock, OnlyTheSameComputerUserAndProcessReleaseAMarker)
{
    std::string las = TempPath("tile.las");
    ASSERT_TRUE(MakeLASFile(las, 12, 20, 10, 0));
    std::string own = OwnTileLockLine();
    std::string computer = own.substr(0, own.find('\\'));
    std::string user = own.substr(own.find('\\') + 1, own.size() - own.find('\\') - 3);

    // The same user on another computer, another user on this one.
    for (std::string other : {std::string("ELSEWHERE\\") + user + "\r\n", computer + "\\somebody\r\n"}) {
        WriteMarker(las, other);
        EXPECT_EQ(ReleaseOwnTileLock(las.c_str()), 0) << other;
        EXPECT_TRUE(MarkerExists(las));
        EXPECT_STREQ(ReadTileLockOwner(las.c_str()), other.c_str());
    }
    // Another running copy of the program of this user on this computer
    // keeps its marker; once it has ended, its leftover marker is ours.
    std::string process = OwnTileLockProcessLine();
    OtherProcess copy;
    WriteMarker(las, copy.MarkerText());
    EXPECT_EQ(IsOwnTileLock(las.c_str()), 0);
    EXPECT_EQ(ReleaseOwnTileLock(las.c_str()), 0);
    EXPECT_EQ(UnlockTile(las.c_str()), 0);
    EXPECT_TRUE(MarkerExists(las));
    EXPECT_EQ(ReadTileLockOwner(las.c_str()), own);
    copy.End();
    EXPECT_EQ(IsOwnTileLock(las.c_str()), 1);
    // A process counted elsewhere (another Wine prefix) cannot be judged: kept.
    WriteMarker(las, own + "process 1 2 /elsewhere/c:/\r\n");
    EXPECT_EQ(IsOwnTileLock(las.c_str()), 0);
    // A marker of an older copy that names no process is ours.
    for (std::string leftover : {own + ProcessLockLine(1, 2), own}) {
        WriteMarker(las, leftover);
        EXPECT_EQ(ReleaseOwnTileLock(las.c_str()), 1) << leftover;
        EXPECT_FALSE(MarkerExists(las));
    }
    // Our own lines written with a bare "\n" elsewhere are still ours.
    WriteMarker(las, computer + "\\" + user + "\n" + process.substr(0, process.size() - 2) + "\n");
    EXPECT_EQ(std::string(ReadTileLockOwner(las.c_str())), computer + "\\" + user + "\n");
    EXPECT_EQ(ReleaseOwnTileLock(las.c_str()), 1);
    EXPECT_FALSE(MarkerExists(las));

    // A line longer than the reader takes is cut short and never taken for ours.
    WriteMarker(las, own.substr(0, own.size() - 2) + std::string(300, 'x') + "\r\n");
    EXPECT_EQ(strlen(ReadTileLockOwner(las.c_str())), 254u);
    EXPECT_EQ(ReleaseOwnTileLock(las.c_str()), 0);
    EXPECT_EQ(UnlockTile(las.c_str()), 0);          // only the user deletes it, by hand
    EXPECT_TRUE(MarkerExists(las));
}

TEST(LASLock, AFileAnotherProgramHoldsIsNotLocked)
{
    std::string las = TempPath("held.las");
    ASSERT_TRUE(MakeLASFile(las, 12, 20, 10, 0));
    HANDLE held = CreateFileA(las.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(LockTile(las.c_str()), 0);
    EXPECT_FALSE(MarkerExists(las));
    CloseHandle(held);
    EXPECT_EQ(LockTile(TempPath("missing.las").c_str()), 0);
    EXPECT_FALSE(MarkerExists(TempPath("missing.las")));
}

namespace {
// Reads one tile's marker again and again, holding each answer across another
// marker read before checking it; the count of wrong answers.
struct MarkerReader {
    std::string las, owner;
    int wrong = 0;
};

DWORD WINAPI ReadOwnerRepeatedly(void* p)
{
    MarkerReader* r = (MarkerReader*)p;
    std::string own = OwnTileLockLine(), process = OwnTileLockProcessLine();
    for (int i = 0; i < 1000; i++) {
        const char* owner = ReadTileLockOwner(r->las.c_str());
        const char* line = OwnTileLockLine();
        const char* processLine = OwnTileLockProcessLine();
        r->wrong += IsOwnTileLock(r->las.c_str());   // a read of its own between answer and check
        r->wrong += !owner || r->owner != owner;
        r->wrong += own != line || process != processLine;
    }
    return 0;
}
}  // namespace

// The batch worker checks its tile's marker while the window thread checks another's.
TEST(LASLock, AWorkerAndTheWindowThreadReadMarkersAtOnce)
{
    MarkerReader worker{TempPath("worker.las"), "FIELD\\surveyor\r\n"};
    MarkerReader window{TempPath("window.las"), "OFFICE\\analyst\r\n"};
    for (MarkerReader* r : {&worker, &window}) {
        ASSERT_TRUE(MakeLASFile(r->las, 12, 20, 10, 0));
        WriteMarker(r->las, r->owner + "process 1 2\r\n");
    }
    ASSERT_TRUE(RunOnWorkerAndHere(ReadOwnerRepeatedly, &worker, &window));
    EXPECT_EQ(worker.wrong, 0);
    EXPECT_EQ(window.wrong, 0);
}

// Where the program speaks 1252, two users whose names it shows alike as
// "????" ("Иван" here, "Петр" elsewhere) are not taken for each other.
TEST(LASLock, UsersWhoseNamesThisWindowsCannotShowAreToldApart)
{
    std::string las = TempPath("names.las");
    ASSERT_TRUE(MakeLASFile(las, 12, 20, 10, 0));
    WCHAR before[256] = {};
    DWORD had = GetEnvironmentVariableW((LPCWSTR)u"WINEUSERNAME", before, 256);
    ASSERT_TRUE(SetEnvironmentVariableW((LPCWSTR)u"WINEUSERNAME", (LPCWSTR)u"\u0418\u0432\u0430\u043d"));
    ProgramCodePageIs western(1252);
    std::string own = OwnTileLockLine(), computer = own.substr(0, own.find('\\'));
    EXPECT_EQ(own, computer + "\\\xd0\x98\xd0\xb2\xd0\xb0\xd0\xbd\r\n");
    WriteMarker(las, computer + "\\\xd0\x9f\xd0\xb5\xd1\x82\xd1\x80\r\n" + OwnTileLockProcessLine());
    EXPECT_STREQ(ReadTileLockOwner(las.c_str()), (computer + "\\????\r\n").c_str());
    EXPECT_EQ(IsOwnTileLock(las.c_str()), 0);
    EXPECT_EQ(UnlockTile(las.c_str()), 0);
    EXPECT_TRUE(MarkerExists(las));
    WriteMarker(las, own + OwnTileLockProcessLine());
    EXPECT_EQ(UnlockTile(las.c_str()), 1);
    SetEnvironmentVariableW((LPCWSTR)u"WINEUSERNAME", had ? before : nullptr);
}
