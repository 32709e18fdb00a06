// The multi-select open dialogs that append the chosen files to a FileList.
#pragma once
#include <windows.h>

struct FileList;

// Characters of a remembered folder, the terminator included.
constexpr unsigned kFolderChars = 256;

// The multi-select open dialog: starts in `folder` (kFolderChars) and, on a
// choice, remembers the current folder there and appends the chosen files
// that are not yet in the list. Returns the list's count.
int OpenFilesDialog(HWND owner, FileList* list, const char* title, const char* filterText, char* folder);

int OpenLASFilesDialog(HWND owner, FileList* list, const char* title);
int OpenProjectLASFilesDialog(HWND owner, FileList* list, const char* title);
int OpenASCIIFilesDialog(HWND owner, FileList* list, const char* title);
int OpenShapeFilesDialog(HWND owner, FileList* list, const char* title);
