// LAS lock markers. Markers are written with Win32 calls and an explicit
// "\r\n" so every computer sharing the folder writes the same bytes; lines are
// compared without their line ends, since a marker edited or copied elsewhere
// may carry "\n" alone.
#include "data/las_lock.h"
#include "data/lasfile/las_file.h"
#include "base/paths.h"
#include <windows.h>
#include <cstdio>
#include <cstring>

static const int kLockLineChars = 254;

const char* TileLockPath(const char* lasPath)
{
    return ChangeFileExtension(lasPath, ".loc");
}

const char* OwnTileLockLine()
{
    static char line[600];
    char computer[256] = "";
    char user[256] = "";
    DWORD size = sizeof computer;
    if (!GetComputerNameA(computer, &size)) computer[0] = 0;
    size = sizeof user;
    if (!GetUserNameA(user, &size)) user[0] = 0;
    snprintf(line, sizeof line, "%s\\%s\r\n", computer, user);
    return line;
}

// Length of a line without its trailing "\r" and "\n" characters.
static size_t LineLength(const char* line)
{
    size_t n = strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) n--;
    return n;
}

int SameTileLockOwner(const char* a, const char* b)
{
    if (!a || !b) return 0;
    size_t n = LineLength(a);
    return n == LineLength(b) && memcmp(a, b, n) == 0;
}

int LockTile(const char* lasPath)
{
    // An exclusive open succeeds only while no other program has the file.
    HANDLE las = CreateFileA(lasPath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (las == INVALID_HANDLE_VALUE) return 0;
    char marker[kPathChars];
    lstrcpynA(marker, TileLockPath(lasPath), sizeof marker);
    int ok = 0;
    if (marker[0]) {
        HANDLE h = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            const char* line = OwnTileLockLine();
            DWORD put = 0;
            ok = WriteFile(h, line, (DWORD)strlen(line), &put, nullptr) && put == strlen(line);
            if (!CloseHandle(h)) ok = 0;
            // A half-written marker would name nobody: better none at all.
            if (!ok) DeleteFileA(marker);
        }
    }
    CloseHandle(las);
    return ok;
}

int UnlockTile(const char* lasPath)
{
    const char* marker = TileLockPath(lasPath);
    return marker[0] && DeleteFileA(marker) ? 1 : 0;
}

const char* ReadTileLockOwner(const char* lasPath)
{
    static char owner[kLockLineChars + 1];
    const char* marker = TileLockPath(lasPath);
    if (!marker[0]) return nullptr;
    HANDLE h = CreateFileA(marker, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    char text[kLockLineChars + 1];
    DWORD got = 0;
    if (!ReadFile(h, text, kLockLineChars, &got, nullptr)) got = 0;
    CloseHandle(h);
    text[got] = 0;
    // The first line only, its newline kept.
    char* end = strchr(text, '\n');
    if (end) end[1] = 0;
    memcpy(owner, text, strlen(text) + 1);
    return owner;
}

int ReleaseOwnTileLock(const char* lasPath)
{
    const char* owner = ReadTileLockOwner(lasPath);
    if (!owner) return 0;
    // A line cut at the reading limit is never taken for our own.
    if (strlen(owner) >= (size_t)kLockLineChars && !strchr(owner, '\n')) return 0;
    if (!SameTileLockOwner(owner, OwnTileLockLine())) return 0;
    return UnlockTile(lasPath);
}

int TileFileExists(const char* lasPath)
{
    return IsLASFile(lasPath);
}
