// Import of Point and PointZ shapefiles into new LAS files (dialog 191):
// the table preview with its used and unused columns, and the thread.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstdint>

struct FileList;
struct FileListEntry;
struct JobControl;
struct ConvertTally;

extern const char kShapeOpenFailed[];
extern const char kShapeEmpty[];
extern const char kShapeWrongType[];
extern const char kShapeDBFOpenFailed[];
extern const char kShapeDBFEmpty[];
extern const char kShapeAddTitle[];
extern const char kShapeRecordUnreadable[];   // a record cannot be read: the file is cut or damaged
extern const char kShapeIndexDamaged[];       // the .shx places a record in the header or past the end
extern const char kShapeDBFDamaged[];         // the table is cut short or its records too short for its fields
extern const char kShapeCoordinatesMisfit[];  // a coordinate lies beyond what a LAS file holds
extern const char kShapeCellNoNumberFormat[]; // the record (from 1) and the field whose cell holds no number

constexpr int kShapeColumnSlots = 256;
constexpr COLORREF kShapeUsedColour = RGB(192, 255, 192);
constexpr COLORREF kShapeUnusedColour = RGB(255, 160, 160);

struct ShapeImportSettings {
    HWND dialog;
    char outputFolder[260];
};

struct ShapeFieldColumn {
    int32_t code;        // -1 not used, 0 X, 1 Y, 2 Z, 3-12 the LAS fields
    char    name[256];
    int32_t type;        // a ColumnType (base/shape_io.h)
};

// The code a table field fills in a file of the shape type (-1: not used).
int ShapeFieldCode(const char* upperName, int dbfType, int shapeType);

INT_PTR CALLBACK ImportShapeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int  ReadShapeFields(HWND dialog, const FileList* files, int32_t* status);
void ShowShapeFieldError(HWND dialog, const char* text);
int  AddShapeFieldColumns(HWND listView, const ShapeFieldColumn* columns, int count);
LRESULT ShapeFieldCustomDraw(NMLVCUSTOMDRAW* draw, const int32_t* status);
int  StartImportShapeThread(FileList* files, ShapeImportSettings* settings, JobControl* job);
DWORD WINAPI ImportShapeThread(void* parameter);

// One shapefile into a LAS file: 1 written, 0 failed (reported; nothing is
// left; a file that gives no point fails), -1 stopped (the new file removed).
// The tally hears of an axis stored with coarser steps.
int ImportShapeFile(const FileListEntry* entry, const ShapeImportSettings* settings, JobControl* job, HWND dialog,
                    ConvertTally* tally = nullptr);
