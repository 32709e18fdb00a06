// LAS lock markers. Markers are written with Win32 calls and an explicit
// "\r\n" so every computer sharing the folder writes the same bytes; lines are
// compared without their line ends, since a marker edited or copied elsewhere
// may carry "\n" alone.
#include "data/las_lock.h"
#include "data/lasfile/las_file.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/code_pages.h"
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstring>

static const int kLockLineChars = 254;

const char* TileLockPath(const char* lasPath)
{
    return ChangeFileExtension(lasPath, ".loc");
}

// The returned lines and owner are per thread: the batch worker reads and
// writes markers while the window thread checks tiles and saves.
const char* OwnTileLockLine()
{
    // In UTF-8, whatever the program's code page: where that lacks a letter of
    // the names, two users would both be "?" and take each other's markers.
    thread_local char line[600];
    WCHAR computer[256] = {};
    WCHAR user[256] = {};
    DWORD size = 256;
    if (!GetComputerNameW(computer, &size)) computer[0] = 0;
    size = 256;
    if (!GetUserNameW(user, &size)) user[0] = 0;
    snprintf(line, sizeof line, "%s\\%s\r\n", NarrowFrom((const char16_t*)computer, CP_UTF8).c_str(),
             NarrowFrom((const char16_t*)user, CP_UTF8).c_str());
    return line;
}

// Where process ids are counted: under Wine each prefix has its own server
// and numbers its processes anew, so an id means nothing to another prefix.
static const char* ProcessSpace()
{
    thread_local char space[200];
#ifdef __WINE__
    if (!space[0]) {
        char* root = wine_get_unix_file_name(L"C:\\");
        if (root) {
            snprintf(space, sizeof space, " %s", root);
            HeapFree(GetProcessHeap(), 0, root);
        }
    }
#endif
    return space;
}

const char* OwnTileLockProcessLine()
{
    thread_local char line[300];
    FILETIME created = {}, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    unsigned long long start = ((unsigned long long)created.dwHighDateTime << 32) | created.dwLowDateTime;
    snprintf(line, sizeof line, "process %lu %llu%s\r\n", (unsigned long)GetCurrentProcessId(), start, ProcessSpace());
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
    CopyBounded(marker, sizeof marker, TileLockPath(lasPath));
    int ok = 0;
    if (marker[0]) {
        HANDLE h = CreateFileA(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            char text[700];
            snprintf(text, sizeof text, "%s%s", OwnTileLockLine(), OwnTileLockProcessLine());
            DWORD put = 0;
            ok = WriteFile(h, text, (DWORD)strlen(text), &put, nullptr) && put == strlen(text);
            if (!CloseHandle(h)) ok = 0;
            // A half-written marker would name nobody: better none at all.
            if (!ok) DeleteFileA(marker);
        }
    }
    CloseHandle(las);
    return ok;
}

// The marker's first kLockLineChars bytes in UTF-8, as markers are compared;
// 0 when there is no marker.
static int ReadMarker(const char* lasPath, char* text)
{
    const char* marker = TileLockPath(lasPath);
    if (!marker[0]) return 0;
    HANDLE h = CreateFileA(marker, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    DWORD got = 0;
    if (!ReadFile(h, text, kLockLineChars, &got, nullptr)) got = 0;
    CloseHandle(h);
    // A marker written before the program spoke UTF-8 names its owner in the
    // system's code page. A line the longer text no longer holds whole is cut
    // without its line end, and so is never taken for this user's.
    std::string utf8 = StoredTextAsUTF8(std::string(text, got));
    size_t n = LetterBoundary(utf8.data(), std::min(utf8.size(), (size_t)kLockLineChars), CP_UTF8);
    memcpy(text, utf8.data(), n);
    text[n] = 0;
    return 1;
}

const char* ReadTileLockOwner(const char* lasPath)
{
    thread_local char owner[kLockLineChars + 1];
    char text[kLockLineChars + 1];
    if (!ReadMarker(lasPath, text)) return nullptr;
    // The first line only, its newline kept, as the program shows it.
    char* end = strchr(text, '\n');
    if (end) end[1] = 0;
    CopyBounded(owner, sizeof owner, StoredTextAsProgramText(text, CP_UTF8).c_str());
    return owner;
}

// 1 unless the process a marker's second line names has surely ended: its
// id is unknown here, or was given since to a process started at another
// time. A process of another id space, or one this user may not query, is
// taken to run.
static int MarkerProcessRuns(const char* processLine)
{
    unsigned long id = 0;
    unsigned long long start = 0;
    int used = 0;
    if (sscanf(processLine, "process %lu %llu%n", &id, &start, &used) != 2) return 1;
    size_t rest = strlen(processLine + used);
    while (rest > 0 && (processLine[used + rest - 1] == '\n' || processLine[used + rest - 1] == '\r')) rest--;
    const char* space = ProcessSpace();
    if (rest != strlen(space) || memcmp(processLine + used, space, rest) != 0) return 1;
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, (DWORD)id);
    if (!h) return GetLastError() != ERROR_INVALID_PARAMETER;
    FILETIME created = {}, exited, kernel, user;
    DWORD code = 0;
    int runs = 1;
    if (GetProcessTimes(h, &created, &exited, &kernel, &user) && GetExitCodeProcess(h, &code))
        runs = code == STILL_ACTIVE &&
               (((unsigned long long)created.dwHighDateTime << 32) | created.dwLowDateTime) == start;
    CloseHandle(h);
    return runs;
}

int IsOwnTileLock(const char* lasPath)
{
    char text[kLockLineChars + 1];
    if (!ReadMarker(lasPath, text)) return 0;
    // Both lines whole: a line cut at the reading limit is never taken for ours.
    char* first = strchr(text, '\n');
    if (!first) return 0;
    char second[kLockLineChars + 1];
    CopyBounded(second, sizeof second, first + 1);
    first[1] = 0;
    if (!SameTileLockOwner(text, OwnTileLockLine())) return 0;
    // A marker of ours without a process line comes from a version that wrote
    // none: this user's, as it always was.
    if (!second[0]) return 1;
    char* end = strchr(second, '\n');
    if (!end) return 0;
    end[1] = 0;
    if (SameTileLockOwner(second, OwnTileLockProcessLine())) return 1;
    // A copy of ours that ended without removing its marker (a crash, a kill)
    // leaves it to this user: nobody else could ever release it.
    return !MarkerProcessRuns(second);
}

// Only a marker this process wrote is ever removed: another copy of the
// program, even of the same user, keeps its tile.
int UnlockTile(const char* lasPath)
{
    const char* marker = TileLockPath(lasPath);
    return marker[0] && IsOwnTileLock(lasPath) && DeleteFileA(marker) ? 1 : 0;
}

int ReleaseOwnTileLock(const char* lasPath)
{
    return UnlockTile(lasPath);
}

int TileFileExists(const char* lasPath)
{
    return IsLASFile(lasPath);
}
