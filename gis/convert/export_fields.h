// The point fields an export writes: the settings of one export dialog, the
// field table (list names, column names, formats) and the decoding of a raw
// LAS point record into those fields.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

#include "base/file_list.h"
#include "resource.h"

struct JobControl;
struct LASHeader;

constexpr int kExportFieldCount = 16;

enum ExportFieldCode : int32_t {
    EXPORT_X = 0,
    EXPORT_Y = 1,
    EXPORT_Z = 2,
    EXPORT_INTENSITY = 3,
    EXPORT_RETURN_NUMBER = 4,
    EXPORT_RETURN_COUNT = 5,
    EXPORT_SCAN_DIRECTION = 6,
    EXPORT_FLIGHT_EDGE = 7,
    EXPORT_CLASSIFICATION = 8,
    EXPORT_SCAN_ANGLE = 9,
    EXPORT_USER_DATA = 10,
    EXPORT_SOURCE_ID = 11,
    EXPORT_GPS_TIME = 12,
    EXPORT_RED = 13,
    EXPORT_GREEN = 14,
    EXPORT_BLUE = 15,
};

// Output formats and delimiters: the ids of the dialog's radio buttons.
constexpr int32_t kExportASCII = IDC_EXPORT_ASCII;
constexpr int32_t kExportShape = IDC_EXPORT_SHAPE;
constexpr int32_t kExportShapeZ = IDC_EXPORT_SHAPEZ;

struct ExportField {
    int32_t code;
    char    name[256];
    int32_t checked;
};

struct ExportSettings {
    int32_t       outputFormat;     // kExportASCII, kExportShape or kExportShapeZ
    int32_t       fieldCount;
    ExportField** fields;           // display order = column order
    int32_t       delimiter;        // kDelimiterSpace, kDelimiterComma or kDelimiterTab
    int32_t       includeHeader;
    HWND          dialog;
    char          outputFolder[260];  // empty, or a folder ending with a backslash
    uint8_t       classFlags[256];
    uint8_t       returnFlags[4];
};

// What the starter hands a conversion thread; the thread frees it.
struct ConvertJobArgs {
    FileList*   files;
    void*       settings;   // ExportSettings, ImportFieldList or ShapeImportSettings
    JobControl* job;
};

// One point's fields as the writers print them.
struct ExportPoint {
    double  x, y, z;
    int32_t intensity, returnNumber, returnCount, scanDirection, flightEdge, classification, scanAngle,
            userData, sourceId;
    double  gpsTime;
    int32_t red, green, blue;
};

ExportSettings* NewExportSettings();
void FreeExportSettings(ExportSettings* settings);

// The list name, the header word (also the DBF column name) of a code.
const char* ExportFieldName(int32_t code);
const char* ExportHeaderWord(int32_t code);

// The raw record bytes a format needs for its fields, 0 for a format the
// writers do not read (4, 5, 9, 10 and compressed files).
int  ExportRecordBytes(int format);
// The fields of one raw record of point format 0-3 or 6-8.
void DecodeExportPoint(const uint8_t* record, int format, const LASHeader* header, ExportPoint* point);
// The return category (ReturnPosition: single, first, intermediate, last),
// the index of the point's return flag.
int  ExportReturnCategory(const ExportPoint* point);
// Whether the class and return filters keep the point.
bool ExportFilterKeeps(const ExportSettings* settings, const ExportPoint* point);

// The text of one field, printed as the ASCII writer prints it.
void FormatExportValue(int32_t code, const ExportPoint* point, char* out, size_t size);
// The ASCII header line and a point line of the checked fields, in list
// order, joined by the delimiter (no line end).
std::string ExportHeaderLine(const ExportSettings* settings, char delimiter);
std::string ExportPointLine(const ExportSettings* settings, const ExportPoint* point, char delimiter);
char ExportDelimiterChar(int32_t delimiter);
// The output path: the folder followed by the title, or the source path,
// with the new extension; false when it does not fit `size` or passes 255
// bytes (then ExportOutputName names it for the refusal).
std::string ExportOutputName(const char* folder, const FileListEntry* entry, const char* ext);
bool ExportOutputPath(const char* folder, const FileListEntry* entry, const char* ext, char* out, size_t size);
