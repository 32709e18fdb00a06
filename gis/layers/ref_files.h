// A view's reference files: the list in the view's record, choosing files,
// telling their kind, loading, removing and freeing them. The loaders of the
// two kinds live in ref_shapefile and ref_image.
#pragma once
#include <windows.h>

struct FileList;
struct PolylineList;
struct ReferenceFile;
struct ReferenceImage;
struct ViewRecord;

// Bounds of a reference before its first vertex widens them.
constexpr double kEmptyBoundsLow = 3.37e38;

// The multi-select "Open Reference Files" dialog; null when cancelled, else a
// new list of the chosen files in the dialog's order (DeleteFileList frees it).
FileList* OpenReferenceFilesDialog(HWND window);
// 2 shapefile, 3 LAS file, 5 image (REFERENCE_*), 0 for anything else.
int GetReferenceFileKind(const char* path);
// A zeroed reference with its path, title and kind, visible, empty bounds.
ReferenceFile* NewReferenceFile(const char* path, const char* title, int kind);
// Widens the reference's bounds by a vertex.
void WidenReferenceBounds(ReferenceFile* reference, double x, double y);
// Loads a shapefile or an image; null for other kinds and after a reported failure.
ReferenceFile* LoadReferenceFile(const char* path, const char* title);

// The dialog, then every chosen file that is not yet in the view's list is
// loaded and appended; 0 when the dialog was cancelled, else 1.
int AddReferenceFiles(HWND window);
// Removes entry `index`; 0 when the list is empty or the index is not in it.
int RemoveReferenceFile(HWND window, int index);
// Frees every reference of the view and empties its list.
int RemoveAllReferenceFiles(HWND window);

// Appends a line to a list whose array is grown as needed; 0 without memory
// (the line then stays with the caller).
int AppendReferenceLine(PolylineList* list, struct Polyline* line);
// Frees every line with its outline and comment, the array and the list.
void FreeReferenceLines(PolylineList* lines);
void FreeReferenceImage(ReferenceImage* image);
void FreeReferenceFile(ReferenceFile* reference);
// Frees every reference of the record and the array (the count stays).
void FreeReferenceList(ViewRecord* record);
