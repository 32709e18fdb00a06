// The LAS side of both imports: the new LAS 1.0 file (format 0, or 1 with
// GPS time), a scale and offset under which every coordinate fits, the
// conversion of values into the record's fields, and the file's end.
#pragma once
#include <cstdint>

#include "base/paths.h"
#include "data/lasfile/las_file.h"

extern const char kImportCreateFailed[];
extern const char kImportOpenFailed[];
extern const char kImportWriteFailed[];
extern const char kImportMisfitFormat[];
extern const char kImportWideClassText[];
extern const char kImportWideClassFormat[];
extern const char kImportReplaceQuestion[];
extern const char kImportReplaceCaption[];
extern const char kImportNoPoints[];
extern const char kImportCoarseFormat[];   // the log line: title, axis, step, usual step
extern const char kImportCoarseNote[];     // the end notice's line: title, axis, step, usual step

struct ConvertTally;
struct FileListEntry;

// The step an import stores coordinates with unless their span needs a coarser one.
constexpr double kImportUsualStep = 0.001;

// What did not fit the record while a file was imported.
struct ImportCounts {
    uint64_t clamped;   // coordinates beyond the 32-bit range of their axis, held at its end
    uint64_t cut;       // field values beyond their bits, stored as their low bits
    uint64_t wideClasses;   // classes outside 0 to 31, which the record's 5 bits cannot hold
};

struct ImportOutput {
    LASFile*     las;
    char         path[kWindowsPathBytes];   // the temporary file beside the target, written first
    void*        held;          // its journal (ReserveTempBase), until it is placed or removed
    char         target[260];   // the file asked for, replaced only by a complete import
    ImportCounts counts;
    char         leftOut[200];  // what the input held that gave no point, said when no point came
};

// The LAS file an import writes for `entry`: in `folder` (empty: beside the
// input) under its name with ".las". False, and the user told (title +
// reason + system text), when that name would pass 255 characters.
bool ImportTargetPath(const char* folder, const FileListEntry* entry, char* path, size_t size);
// Creates and opens the new file, as a temporary file beside `path`; on
// failure the user is told why (title + reason + system text) and nothing is
// left on disk. An existing file is replaced only when the user says Yes (No:
// false, nothing said), and only once the import is complete.
bool CreateImportLAS(ImportOutput* out, const char* path, const char* title, bool gpsTime);
// Scales and offsets from the bounds (X, Y, and Z when known, else min > max):
// SetLASScaleAndOffset's choice, widened for an axis whose span would not fit.
void SetImportScaleAndOffset(LASFile* las, double minX, double maxX, double minY, double maxY, double minZ,
                             double maxZ);
// A coordinate as the stored integer: rounded to the nearest step, held at
// the ends of the 32-bit range (counted in `counts`).
int32_t ImportCoordinate(double value, double offset, double scale, ImportCounts* counts);
// A zeroed record, return 1 of 1.
void ClearImportPoint(LASLegacyPoint* point);
// Puts one mapped value (field codes of the column mapping) into the record:
// X, Y, Z and GPS time from `real`, the others from `integer` as their low bits.
void PutImportField(LASLegacyPoint* point, int code, double real, int64_t integer, const LASHeader* header,
                    ImportCounts* counts);
// Closes the file; `keep` false (a stop) removes it. With `keep` it takes the
// target's place; a failed close or move tells the user (title + reason) and
// removes it, the target as it was. True when the target holds the new file.
bool FinishImportLAS(ImportOutput* out, const char* title, bool keep);
// The end of one imported file: 1 complete, 0 failed (`failure` with the
// library's `reason`, told to the user; the file removed), -1 stopped (removed).
// A file with classes its records cannot hold fails, saying so, and so does
// a file that gave no point. An axis stored with steps coarser than
// kImportUsualStep is logged and noted in the tally for the end notice.
int  EndImportFile(ImportOutput* out, const char* title, bool stopped, const char* failure, const char* reason,
                   ConvertTally* tally = nullptr);
