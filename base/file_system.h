// Folder tests, the folder browser, the clipboard and the one conversion of
// Windows paths for native libraries.
#pragma once
#include <windows.h>
#include <string>

int  FolderExists(const char* path);
int  FileExists(const char* path);
// 1 when the file exists and is marked read-only (Windows refuses to replace
// it; Wine does not, so the program asks first).
int  IsReadOnlyFile(const char* path);
int  BrowseForFolder(HWND owner, char* path, const char* title);  // path: MAX_PATH characters
// A test installs a hook that answers the folder browser instead of the user:
// it fills `path` as BrowseForFolder would and returns 1, or 0 for Cancel.
typedef int (*FolderDialogHookProc)(char* path, const char* title);
void SetFolderDialogHook(FolderDialogHookProc hook);
int  CopyToClipboard(HGLOBAL text);
// Opens a document or web address with the shell's "open" verb, shown
// normally; 1 when the shell took it. A test installs a hook that answers
// instead, so that no browser starts.
typedef int (*ShellOpenHookProc)(const char* target);
void SetShellOpenHook(ShellOpenHookProc hook);
int  ShellOpen(HWND owner, const char* target);
// The one conversion of a Windows path into the form native libraries (GDAL,
// shapelib) open: a Unix path under Wine, UTF-8 on Windows. Empty when the
// path cannot be converted. The program's code page is UTF-8 where Windows
// honours its manifest, so there this passes the path through as it is; on
// older Windows it converts from the system code page.
std::string ToNativePath(const char* path);
// The other way: a path given in native form ("/data/a.las") or relative
// becomes a full Win32 path ("Z:\data\a.las"), so that every dialog and
// name built from it stays a Win32 path. Empty when it cannot be converted.
std::string ToWin32Path(const char* path);
