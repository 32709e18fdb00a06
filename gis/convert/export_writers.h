// The three export writers: LAS points to delimited text (".xyz"), to a
// Point shapefile and to a PointZ shapefile, each with a dBASE table of the
// checked point fields. Each runs on its own thread over the dialog's list.
#pragma once
#include <windows.h>

struct FileList;
struct FileListEntry;
struct ExportSettings;
struct JobControl;

extern const char kExportOpenLASFailed[];
extern const char kExportOpenOutputFailed[];
extern const char kExportWriteFailed[];
extern const char kExportPointTypeText[];
extern const char kExportShortFileText[];
extern const char kExportPointOffMapFormat[];   // the point (from 1) a shapefile import would refuse

// The shapefile column of a field: its dBASE width and decimals (0 for
// integers) for files of a point format; false for X and Y, which are geometry.
bool ExportColumnOf(int code, int pointFormat, int* width, int* decimals);

DWORD WINAPI ExportASCIIThread(void* parameter);
DWORD WINAPI ExportShapeThread(void* parameter);
DWORD WINAPI ExportShapeZThread(void* parameter);
int StartExportThread(FileList* files, ExportSettings* settings, JobControl* job);

// One file in the thread's way: 1 written, 0 failed (the user was told why;
// nothing half-written is left), -1 stopped (its output removed). `outputFormat`
// is the id of the format radio.
int ExportLASFile(const FileListEntry* entry, const ExportSettings* settings, int outputFormat, JobControl* job,
                  HWND dialog);
