// Path, folder and clipboard helpers.
//
// Paths are single-byte strings in the system code page, at most 255
// characters plus the terminator. The derived-name helpers return buffers of
// their own that the next call of the same helper on the same thread
// overwrites (each helper has its own buffer, so results of different helpers
// can be held together); callers copy a result before calling again. Each
// thread has its own buffers, so worker threads and the window thread may
// call the helpers at once; a result read on another thread is not stable.
#pragma once
#include <cstddef>
#include <string>

#include <windows.h>

constexpr size_t kPathChars = 256;  // 255 characters and the terminator

// What a Win32 "A" call takes as a path: MAX_PATH less the terminator, counted
// in UTF-16 units of what the call converts the path to, not in the bytes of
// the program's code page (a UTF-8 letter outside ASCII is 2 or 3 bytes and 1
// unit). Names derived from a path of kPathChars may so need more bytes than
// MAX_PATH: kWindowsPathBytes hold any name Windows takes.
constexpr size_t kWindowsPathUnits = MAX_PATH - 1;
constexpr size_t kWindowsPathBytes = 3 * kWindowsPathUnits + 1;
// `path` counted as Windows counts it (UTF-16 units of the system code page).
size_t WindowsPathUnits(const std::string& path);
// The folder of `path` (all before its last separator, of any length) counted
// so: the length Windows shows for it, without the separator that ends it.
size_t WindowsFolderUnits(const std::string& path);
// A path longer than the program's buffers take: its bytes, the most that
// fit (kPathChars - 1) and the path (PathTooLongMessage shows it).
extern const char kPathTooLongText[];
constexpr size_t kPathTooLongShown = 400;
// The box text for a path too long: `bytes` is the whole path's length (the
// path given may be its start only), `fit` the most bytes that fit. A path
// of more than kPathTooLongShown bytes is shown as its start and its end
// around "...", whole letters only, so its file's name shows; the path goes
// in indented lines of at most half the screen's width in the box's font.
std::string PathTooLongMessage(const char* path, size_t bytes, size_t fit);

// A path taken apart the way the runtime's _splitpath does it: drive ("D:"),
// folder with its trailing separator, base name, extension with its dot.
struct PathParts {
    char drive[3];
    char dir[kPathChars];
    char name[kPathChars];
    char ext[kPathChars];
};

// False (parts emptied) when the path or a part does not fit.
bool SplitPath(const char* path, PathParts* parts);

// Drive + folder + base name + the new extension (which may carry a suffix
// such as "_aoi.shp"; an empty one drops the extension). A result that would
// exceed 255 characters is refused: the helpers then give an empty text and
// ChangeFileExtensionTo returns 0 with the path unchanged.
const char* ChangeFileExtension(const char* path, const char* ext);
// The same name of any length, never refused.
std::string PathWithExtension(const std::string& path, const char* ext);
const char* ReplaceExtension(const char* path, const char* ext);
int         ChangeFileExtensionTo(char* path, const char* ext);
const char* GetPathDirectory(const char* path);
const char* GetPathFileName(const char* path);
