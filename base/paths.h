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
const char* ReplaceExtension(const char* path, const char* ext);
int         ChangeFileExtensionTo(char* path, const char* ext);
const char* GetPathDirectory(const char* path);
const char* GetPathFileName(const char* path);
