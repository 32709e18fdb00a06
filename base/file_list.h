// File lists: the files picked in an open dialog or held by a batch dialog,
// kept as a count and an array of entry pointers.
#pragma once
#include <cstddef>
#include <cstdint>

#include <windows.h>

#include "base/polygon.h"

#pragma pack(push, 1)
struct FileListEntry {
    double       minX, maxX, minY, maxY;  // bounds, filled when the entry has a boundary; else 0
    char         path[256];               // full path
    char         title[256];              // file name as the dialog returned it
    RingPolygon* extent;                  // ground extent when a caller computed one; owned by the entry
    int32_t      kind;                    // 1 LAS/LAZ, 2 ASCII, 3 grid, 4 radar; 0 until classified
};
#pragma pack(pop)
static_assert(offsetof(FileListEntry, path) == 32, "FileListEntry layout");
static_assert(sizeof(FileListEntry) == 548 + sizeof(void*), "FileListEntry layout");

struct FileList {
    int32_t         count;
    FileListEntry** entries;  // null when empty; may hold room for one more pointer than count
};

// Size of the file and name buffers of the multi-select open dialogs.
constexpr size_t kOpenDialogBufferChars = 16384;

// Folder of the last choice in the multi-select data file dialogs; empty at start.
extern char lastOpenFolder[256];

int FileListContains(const FileList* list, const char* path);
int RemoveFileListEntry(FileList* list, int index);
int RemoveFileListEntries(FileList* list, int n, const int* indices);
int ClearFileList(FileList* list);
void DeleteFileList(FileList* list);

// Appends a new zeroed entry with the path and title unless the list holds
// the path already or the path does not fit an entry (255 characters).
// Returns the new count.
int AddFileListEntry(FileList* list, const char* path, const char* title);

// Adds what a multi-select open dialog returned: with a non-empty name buffer
// the single file of the file buffer; else the folder at the start of the
// file buffer followed by the names after it, up to the empty name.
// Returns the new count.
int AddOpenDialogSelection(FileList* list, const char* fileBuffer, size_t bufferChars,
                           const char* nameBuffer);

// Turns a filter written with "|" between its parts into the list of
// terminated texts the file dialogs expect. False when it does not fit.
bool MakeDialogFilter(const char* text, char* out, size_t outChars);

