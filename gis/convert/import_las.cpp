// New LAS files from imported points.
#include "gis/convert/import_las.h"
#include "gis/convert/convert_dialog.h"
#include "gis/convert/export_fields.h"
#include "data/import_fields.h"
#include "base/file_replace.h"
#include "base/messages.h"
#include "base/file_system.h"
#include "base/paths.h"
#include "base/shell_hooks.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

const char kImportCreateFailed[] = "Unable to create output file!";
const char kImportOpenFailed[] = "Unable to open output file for writing!";
const char kImportWriteFailed[] = "Unable to write output file!";
const char kImportWideClassText[] = "Classes above 31 do not fit the imported LAS point format (0 or 1)!";
const char kImportWideClassFormat[] = "%llu points carry such a class; the file was not imported.";
const char kImportReplaceQuestion[] = "%s already exists.\n\nDo you want to replace it?";
const char kImportReplaceCaption[] = "Import LAS";
const char kImportNoPoints[] = "No point could be imported; no LAS file was written!";
const char kImportCoarseFormat[] = "[IMPORT]  %s:  %c stored in steps of %g instead of %g";
const char kImportCoarseNote[] = "%s:  %c stored in steps of %g instead of %g\n";
const char kImportMisfitFormat[] = "[IMPORT]  %s:  %llu coordinates held at the range's end, %llu values cut to their bits";

bool ImportTargetPath(const char* folder, const FileListEntry* entry, char* path, size_t size)
{
    if (ExportOutputPath(folder, entry, ".las", path, size)) return true;
    std::string wanted = ExportOutputName(folder, entry, ".las");
    ReportConvertFailure(entry->title, kImportCreateFailed,
                         PathTooLongMessage(wanted.c_str(), wanted.size(), std::min(size, kPathChars) - 1).c_str());
    return false;
}

bool CreateImportLAS(ImportOutput* out, const char* path, const char* title, bool gpsTime)
{
    memset(out, 0, sizeof *out);
    snprintf(out->target, sizeof out->target, "%s", path);
    // The target may be the very file the points came from (tile.las exported
    // to tile.xyz and imported back): never replaced without the user's Yes,
    // and never before the import is complete (a stop or a failure keeps it).
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        char question[600];
        snprintf(question, sizeof question, kImportReplaceQuestion, path);
        if (ShowMessageBox(MessageOwner(), question, kImportReplaceCaption, MB_YESNO | MB_ICONWARNING) != IDYES)
            return false;
    }
    // A protected file is never replaced (Windows refuses to, Wine does not).
    if (IsReadOnlyFile(path)) {
        ReportConvertFailure(title, kImportCreateFailed, SystemErrorText(ERROR_ACCESS_DENIED));
        return false;
    }
    std::string temp = NewTempFileBeside(path, kTempFileExtension, &out->held);
    if (temp.empty()) {
        // A folder too long, or every temporary name there taken, says so.
        DWORD error = GetLastError();
        std::string why = TempNameRefusal(path, kTempFileExtension);
        ReportConvertFailure(title, kImportCreateFailed, why.empty() ? SystemErrorText(error) : why.c_str());
        return false;
    }
    snprintf(out->path, sizeof out->path, "%s", temp.c_str());
    if (!CreateLASFile(out->path, 10)) {
        DeleteFileA(out->path);
        ReleaseTempBase(out->path, &out->held);
        ReportConvertFailure(title, kImportCreateFailed, GetLastLASSystemError());
        return false;
    }
    out->las = OpenLASFile(out->path, LAS_MODE_WRITE);
    if (!out->las) {
        DeleteFileA(out->path);
        ReleaseTempBase(out->path, &out->held);
        ReportConvertFailure(title, kImportOpenFailed, GetLastLASSystemError());
        return false;
    }
    if (gpsTime && !SetLASPointRecordLength(out->las, 28)) {
        CloseLASFile(out->las);
        out->las = nullptr;
        DeleteFileA(out->path);
        ReleaseTempBase(out->path, &out->held);
        ReportConvertFailure(title, kImportOpenFailed, GetLASErrorText(nullptr));
        return false;
    }
    return true;
}

static const double kIntMax = 2147483647.0, kIntMin = -2147483648.0;

static bool AxisFits(double lo, double hi, double scale, double offset)
{
    return std::floor((lo - offset) / scale + 0.5) >= kIntMin && std::floor((hi - offset) / scale + 0.5) <= kIntMax;
}

// Keeps the scale when it can: the offset moves to the middle of the span;
// only when the span itself is too wide for the steps does the step grow.
static void FitAxis(double lo, double hi, double* scale, double* offset)
{
    if (!(lo <= hi) || !std::isfinite(lo) || !std::isfinite(hi) || AxisFits(lo, hi, *scale, *offset)) return;
    *offset = std::trunc((lo + hi) / 2.0);
    while (!AxisFits(lo, hi, *scale, *offset) && *scale < 1e9) *scale *= 10.0;
}

void SetImportScaleAndOffset(LASFile* las, double minX, double maxX, double minY, double maxY, double minZ,
                             double maxZ)
{
    // A file without a readable point has no bounds: the scale comes from the origin.
    if (!(minX <= maxX) || !(minY <= maxY)) minX = maxX = minY = maxY = 0.0;
    SetLASScaleAndOffset(las, minX, maxX, minY, maxY);
    LASHeader& h = las->header;
    FitAxis(minX, maxX, &h.xScale, &h.xOffset);
    FitAxis(minY, maxY, &h.yScale, &h.yOffset);
    FitAxis(minZ, maxZ, &h.zScale, &h.zOffset);
}

int32_t ImportCoordinate(double value, double offset, double scale, ImportCounts* counts)
{
    double steps = std::floor((value - offset) / scale + 0.5);
    if (!(steps >= kIntMin)) {   // NaN included
        counts->clamped++;
        return std::isnan(steps) ? 0 : INT32_MIN;
    }
    if (steps > kIntMax) {
        counts->clamped++;
        return INT32_MAX;
    }
    return (int32_t)steps;
}

void ClearImportPoint(LASLegacyPoint* p)
{
    memset(p, 0, sizeof *p);
    p->returnByte = 9;
}

// The low `bits` of a value; a value outside them is counted.
static uint32_t LowBits(int64_t value, int bits, ImportCounts* counts)
{
    uint64_t mask = ((uint64_t)1 << bits) - 1;
    if (value < 0 || (uint64_t)value > mask) counts->cut++;
    return (uint32_t)((uint64_t)value & mask);
}

void PutImportField(LASLegacyPoint* p, int code, double real, int64_t integer, const LASHeader* h, ImportCounts* c)
{
    switch (code) {
    case FIELD_X: p->x = ImportCoordinate(real, h->xOffset, h->xScale, c); break;
    case FIELD_Y: p->y = ImportCoordinate(real, h->yOffset, h->yScale, c); break;
    case FIELD_Z: p->z = ImportCoordinate(real, h->zOffset, h->zScale, c); break;
    case FIELD_INTENSITY: p->intensity = (uint16_t)LowBits(integer, 16, c); break;
    case FIELD_RETURN_NUMBER: p->returnByte = (uint8_t)((p->returnByte & ~0x07) | LowBits(integer, 3, c)); break;
    case FIELD_RETURN_COUNT:
        p->returnByte = (uint8_t)((p->returnByte & ~0x38) | (LowBits(integer, 3, c) << 3));
        break;
    case FIELD_SCAN_DIRECTION:
        p->returnByte = (uint8_t)((p->returnByte & ~0x40) | (LowBits(integer, 1, c) << 6));
        break;
    case FIELD_FLIGHT_EDGE: p->returnByte = (uint8_t)((p->returnByte & ~0x80) | (LowBits(integer, 1, c) << 7)); break;
    case FIELD_CLASSIFICATION:
        if (integer < 0 || integer > 31) c->wideClasses++;
        p->classification = (uint8_t)((uint64_t)integer & 0x1F);
        break;
    case FIELD_SCAN_ANGLE:
        // A rank is signed: -128 to 127 fit its byte.
        if (integer < -128 || integer > 127) c->cut++;
        p->scanAngleRank = (int8_t)(uint8_t)((uint64_t)integer & 0xFF);
        break;
    case FIELD_USER_DATA: p->userData = (uint8_t)LowBits(integer, 8, c); break;
    case FIELD_SOURCE_ID: p->pointSourceId = (uint16_t)LowBits(integer, 16, c); break;
    case FIELD_GPS_TIME: p->gpsTime = real; break;
    }
}

bool FinishImportLAS(ImportOutput* out, const char* title, bool keep)
{
    if (!out->las) return false;
    LASFile* las = out->las;
    out->las = nullptr;
    // An empty file has no extent: its header says 0 rather than the empty markers.
    if (las->pointCount == 0) {
        LASHeader& h = las->header;
        h.minX = h.maxX = h.minY = h.maxY = h.minZ = h.maxZ = 0.0;
    }
    bool closed = CloseLASFile(las) != 0;
    if (!keep) {
        DeleteFileA(out->path);
        ReleaseTempBase(out->path, &out->held);
        return false;
    }
    if (!closed) {
        DeleteFileA(out->path);
        ReleaseTempBase(out->path, &out->held);
        ReportConvertFailure(title, kImportWriteFailed, GetLASErrorText(nullptr));
        return false;
    }
    // Checked again: the target may have been protected while the points were written.
    DWORD error = IsReadOnlyFile(out->target) ? ERROR_ACCESS_DENIED : 0;
    if (!error && !MoveFileExA(out->path, out->target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error) {
        DeleteFileA(out->path);
        ReleaseTempBase(out->path, &out->held);
        ReportConvertFailure(title, kImportCreateFailed, SystemErrorText(error));
        return false;
    }
    ReleaseTempBase(out->path, &out->held);
    if (out->counts.clamped || out->counts.cut) {
        char line[600];
        snprintf(line, sizeof line, kImportMisfitFormat, title, (unsigned long long)out->counts.clamped,
                 (unsigned long long)out->counts.cut);
        LogMessage(line);
    }
    return true;
}

// Says which axes the file stores with steps coarser than usual: a far-off
// value widens the span and every point of that axis loses resolution.
static void ReportCoarseSteps(const LASHeader& h, const char* title, ConvertTally* tally)
{
    const double steps[3] = {h.xScale, h.yScale, h.zScale};
    for (int a = 0; a < 3; a++) {
        if (!(steps[a] > kImportUsualStep * 1.5)) continue;
        char axis = "XYZ"[a];
        char line[600];
        snprintf(line, sizeof line, kImportCoarseFormat, title, axis, steps[a], kImportUsualStep);
        LogMessage(line);
        if (!tally) continue;
        tally->coarseAxes++;
        size_t used = strlen(tally->coarseNotes);
        snprintf(line, sizeof line, kImportCoarseNote, title, axis, steps[a], kImportUsualStep);
        // As many as the notice has room for; the log holds them all.
        if (used + strlen(line) < sizeof tally->coarseNotes) memcpy(tally->coarseNotes + used, line, strlen(line) + 1);
    }
}

int EndImportFile(ImportOutput* out, const char* title, bool stopped, const char* failure, const char* reason,
                  ConvertTally* tally)
{
    char classes[200];
    if (!stopped && !failure && out->counts.wideClasses) {
        snprintf(classes, sizeof classes, kImportWideClassFormat, (unsigned long long)out->counts.wideClasses);
        failure = kImportWideClassText;
        reason = classes;
    }
    // A file with no point is no converted file: it would pass for one in the list and the notice.
    if (!stopped && !failure && out->las && out->las->pointCount == 0) {
        failure = kImportNoPoints;
        reason = out->leftOut[0] ? out->leftOut : nullptr;
    }
    if (stopped || failure) {
        FinishImportLAS(out, title, false);
        if (stopped) return -1;
        ReportConvertFailure(title, failure, reason);
        return 0;
    }
    LASHeader header = out->las->header;
    if (!FinishImportLAS(out, title, true)) return 0;
    ReportCoarseSteps(header, title, tally);
    return 1;
}
