// Export writers: the raw records of each LAS file streamed through the
// class and return filters into text or shapefiles.
#include "gis/convert/export_writers.h"
#include "gis/convert/convert_dialog.h"
#include "gis/convert/export_fields.h"
#include "app/job_control.h"
#include "base/file_io.h"
#include "base/file_replace.h"
#include "base/file_system.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/progress.h"
#include "base/shape_io.h"
#include "data/gdal_grid.h"
#include "data/import_fields.h"
#include "data/lasfile/las_file.h"
#include "resource.h"
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>

const char kExportOpenLASFailed[] = "Unable to open LAS file!";
const char kExportOpenOutputFailed[] = "Unable to open output file!";
const char kExportWriteFailed[] = "Unable to write output file!";
const char kExportPointTypeText[] = "\n Program does NOT support this point type yet!";
const char kExportShortFileText[] = "The LAS file ends before its last point!";
const char kExportPointOffMapFormat[] =
    "Point %llu lies farther than 1e10 from 0: the shapefile could not be imported again!";

constexpr uint32_t kPointsPerStep = 4096;
constexpr size_t kTextFlushBytes = 1 << 16;

bool ExportColumnOf(int code, int pointFormat, int* width, int* decimals)
{
    *decimals = 0;
    switch (code) {
    case EXPORT_Z: *width = 12; *decimals = 3; return true;
    // GPS time adjusted to the standard epoch (about 1e9 - 1e9 + a few 1e8 s)
    // needs 14 characters with its 4 decimals; 16 holds every time of a survey.
    case EXPORT_GPS_TIME: *width = 16; *decimals = 4; return true;
    case EXPORT_INTENSITY: *width = 8; return true;
    // Formats 6-8 count returns up to 15.
    case EXPORT_RETURN_NUMBER:
    case EXPORT_RETURN_COUNT: *width = pointFormat >= 6 ? 2 : 1; return true;
    case EXPORT_SCAN_DIRECTION:
    case EXPORT_FLIGHT_EDGE: *width = 1; return true;
    case EXPORT_CLASSIFICATION: *width = 4; return true;
    case EXPORT_SCAN_ANGLE:
    case EXPORT_USER_DATA:
    case EXPORT_SOURCE_ID: *width = 8; return true;
    case EXPORT_RED:
    case EXPORT_GREEN:
    case EXPORT_BLUE: *width = 5; return true;
    }
    return false;
}

static int IntegerValue(int code, const ExportPoint* p)
{
    switch (code) {
    case EXPORT_INTENSITY: return p->intensity;
    case EXPORT_RETURN_NUMBER: return p->returnNumber;
    case EXPORT_RETURN_COUNT: return p->returnCount;
    case EXPORT_SCAN_DIRECTION: return p->scanDirection;
    case EXPORT_FLIGHT_EDGE: return p->flightEdge;
    case EXPORT_CLASSIFICATION: return p->classification;
    case EXPORT_SCAN_ANGLE: return p->scanAngle;
    case EXPORT_USER_DATA: return p->userData;
    case EXPORT_SOURCE_ID: return p->sourceId;
    case EXPORT_RED: return p->red;
    case EXPORT_GREEN: return p->green;
    case EXPORT_BLUE: return p->blue;
    }
    return 0;
}

namespace {

// The outputs of one source file, whichever kind they are.
struct ExportOutput {
    int       format;          // radio id
    char      paths[2][260];   // .xyz, or .shp and .dbf
    ReplacingFile text;        // a text takes the place of an earlier one only when whole
    bool      textOpen;
    std::string pending;
    ShapeGroupWriter shapes;   // a shapefile takes the place of an earlier one only when whole
    int       shp = -1, dbf = -1;
    int       shapeType;
    int       columns[kExportFieldCount];   // codes of the DBF columns after POINT_NUM
    int       columnCount;
    int       record;
    bool      failed;
    std::string reason;        // why it could not be opened, where a path passes a limit
};

// An output path past a limit: the reason names it and the limit.
bool PathRefused(ExportOutput* o, const FileListEntry* entry, const ExportSettings* s, const char* ext)
{
    std::string wanted = ExportOutputName(s->outputFolder, entry, ext);
    o->reason = PathTooLongMessage(wanted.c_str(), wanted.size(), kPathChars - 1);
    return false;
}
bool FolderRefused(ExportOutput* o, const char* longestSuffix)
{
    o->reason = TempNameRefusal(o->paths[0], longestSuffix);
    return false;
}

bool OpenOutput(ExportOutput* o, const FileListEntry* entry, const ExportSettings* s, int pointFormat)
{
    if (o->format == kExportASCII) {
        if (!ExportOutputPath(s->outputFolder, entry, ".xyz", o->paths[0], sizeof o->paths[0]))
            return PathRefused(o, entry, s, ".xyz");
        o->textOpen = OpenReplacing(&o->text, o->paths[0]) != 0;
        if (!o->textOpen) return FolderRefused(o, kTempFileExtension);
        if (s->includeHeader) o->pending = ExportHeaderLine(s, ExportDelimiterChar(s->delimiter)) + "\r\n";
        return true;
    }
    if (!ExportOutputPath(s->outputFolder, entry, ".shp", o->paths[0], sizeof o->paths[0]) ||
        !ExportOutputPath(s->outputFolder, entry, ".dbf", o->paths[1], sizeof o->paths[1]))
        return PathRefused(o, entry, s, ".shp");
    o->shapeType = o->format == kExportShapeZ ? SHAPE_POINTZ : SHAPE_POINT;
    if (!BeginShapeGroup(&o->shapes, o->paths[0])) return FolderRefused(o, kLongestGroupSuffix);
    o->shp = CreateGroupShapes(&o->shapes, o->paths[0], o->shapeType);
    if (o->shp < 0) return false;
    o->dbf = CreateGroupTable(&o->shapes, o->paths[1]);
    if (o->dbf < 0) return false;
    if (AddTableColumn(&o->shapes, o->dbf, "POINT_NUM", COLUMN_INTEGER, 8, 0) < 0) return false;
    for (int i = 0; i < s->fieldCount; i++) {
        const ExportField* f = s->fields[i];
        int width, decimals;
        if (!f->checked || !ExportColumnOf(f->code, pointFormat, &width, &decimals)) continue;
        if (AddTableColumn(&o->shapes, o->dbf, ExportHeaderWord(f->code), decimals ? COLUMN_REAL : COLUMN_INTEGER, width,
                           decimals) < 0)
            return false;
        o->columns[o->columnCount++] = f->code;
    }
    return true;
}

bool FlushText(ExportOutput* o)
{
    if (o->pending.empty()) return true;
    bool ok = VFileWrite(o->text.file, o->pending.data(), o->pending.size()) == 1;
    o->pending.clear();
    return ok;
}

bool WritePoint(ExportOutput* o, const ExportSettings* s, const ExportPoint* p, char delimiter)
{
    if (o->format == kExportASCII) {
        o->pending += ExportPointLine(s, p, delimiter);
        o->pending += "\r\n";
        return o->pending.size() < kTextFlushBytes || FlushText(o);
    }
    double x = p->x, y = p->y, z = p->z;
    ShapeGroupWriter* w = &o->shapes;
    bool ok = AppendShape(w, o->shp, o->shapeType, 1, &x, &y, o->shapeType == SHAPE_POINTZ ? &z : nullptr, o->record) &&
              WriteIntegerCell(w, o->dbf, o->record, 0, o->record);
    for (int c = 0; ok && c < o->columnCount; c++) {
        int code = o->columns[c];
        if (code == EXPORT_Z) ok = WriteRealCell(w, o->dbf, o->record, c + 1, p->z);
        else if (code == EXPORT_GPS_TIME) ok = WriteRealCell(w, o->dbf, o->record, c + 1, p->gpsTime);
        else ok = WriteIntegerCell(w, o->dbf, o->record, c + 1, IntegerValue(code, p));
    }
    o->record++;
    return ok;
}

// Closes a finished output; false when the text's last bytes could not be
// written or the shapefile did not come out whole (closing writes its final
// headers: a full disk shows only there).
bool CloseOutput(ExportOutput* o)
{
    bool ok = true;
    if (o->textOpen) {
        ok = FlushText(o);
        ok = CloseReplacing(&o->text, ok) == 1 && ok;
        o->textOpen = false;
    }
    if (o->shp >= 0) ok = CommitShapeGroup(&o->shapes, ok) && ok;
    o->shp = o->dbf = -1;
    return ok;
}

// The files written go; an earlier output of the name stays.
void RemoveOutput(ExportOutput* o)
{
    if (o->textOpen) CloseReplacing(&o->text, false);
    o->textOpen = false;
    AbortShapeGroup(&o->shapes);
    o->shp = o->dbf = -1;
}

}  // namespace

int ExportLASFile(const FileListEntry* entry, const ExportSettings* s, int outputFormat, JobControl* job, HWND dialog)
{
    LASFile* las = OpenLASFile(entry->path, LAS_MODE_READ);
    if (!las) {
        ReportConvertFailure(entry->title, kExportOpenLASFailed, GetLastLASSystemError());
        return 0;
    }
    // Formats the writers cannot read are refused before any output exists.
    int format = las->format;
    int need = ExportRecordBytes(format);
    if (!need || las->recordLength < need) {
        CloseLASFile(las);
        ErrorMessage(kExportPointTypeText);
        return 0;
    }
    ExportOutput* o = new ExportOutput();
    o->format = outputFormat;
    if (!OpenOutput(o, entry, s, format)) {
        RemoveOutput(o);
        std::string reason = o->reason;
        delete o;
        CloseLASFile(las);
        ReportConvertFailure(entry->title, kExportOpenOutputFailed, reason.empty() ? nullptr : reason.c_str());
        return 0;
    }
    HWND bar = GetDlgItem(dialog, IDC_CONVERT_ITEMS_BAR);
    uint64_t count = las->pointCount;
    InitBatchProgress(bar, (unsigned)(count / kPointsPerStep + 1));
    char delimiter = ExportDelimiterChar(s->delimiter);
    const char* failure = nullptr;
    char offMap[200];
    int result = 1;
    uint64_t done = 0;
    while (done < count) {
        if (done % kPointsPerStep == 0) {
            if (JobCheckpoint(job)) {
                result = -1;
                break;
            }
            StepBatchProgress(bar);
        }
        uint32_t most = (uint32_t)std::min<uint64_t>(count - done, kPointsPerStep - done % kPointsPerStep);
        uint32_t got = 0;
        const uint8_t* run = ReadLASPointRun(las, most, &got);
        if (!run || got == 0) {
            failure = kExportShortFileText;
            break;
        }
        for (uint32_t k = 0; k < got && !failure; k++) {
            ExportPoint p;
            DecodeExportPoint(run + (uint64_t)k * las->recordLength, format, &las->header, &p);
            if (!ExportFilterKeeps(s, &p)) continue;
            // A shapefile its import refuses would be lost work: the point is named instead.
            if (outputFormat != kExportASCII &&
                !(MapCoordinateUsable(p.x) && MapCoordinateUsable(p.y) && MapCoordinateUsable(p.z))) {
                snprintf(offMap, sizeof offMap, kExportPointOffMapFormat, (unsigned long long)(done + k + 1));
                failure = offMap;
            } else if (!WritePoint(o, s, &p, delimiter)) {
                failure = kExportWriteFailed;
            }
        }
        done += got;
        if (failure) break;
    }
    CloseLASFile(las);
    if (result == 1 && !failure && !CloseOutput(o)) failure = kExportWriteFailed;
    if (result == 1 && !failure) {
        ResetBatchProgress(bar);
        delete o;
        return 1;
    }
    RemoveOutput(o);
    delete o;
    ResetBatchProgress(bar);
    if (result < 0) return -1;
    ReportConvertFailure(entry->title, failure, nullptr);
    return 0;
}

static HWND ExportDialogOf(const void* settings) { return ((const ExportSettings*)settings)->dialog; }
static int ExportListedFile(const FileListEntry* entry, const void* settings, JobControl* job, HWND dialog, int format,
                            ConvertTally*)
{
    return ExportLASFile(entry, (const ExportSettings*)settings, format, job, dialog);
}
static DWORD ExportThread(void* parameter, int outputFormat)
{
    return RunConvertList(parameter, ExportDialogOf, ExportListedFile, outputFormat);
}

DWORD WINAPI ExportASCIIThread(void* parameter) { return ExportThread(parameter, kExportASCII); }
DWORD WINAPI ExportShapeThread(void* parameter) { return ExportThread(parameter, kExportShape); }
DWORD WINAPI ExportShapeZThread(void* parameter) { return ExportThread(parameter, kExportShapeZ); }

int StartExportThread(FileList* files, ExportSettings* settings, JobControl* job)
{
    LPTHREAD_START_ROUTINE proc = settings->outputFormat == kExportShape    ? ExportShapeThread
                                  : settings->outputFormat == kExportShapeZ ? ExportShapeZThread
                                                                            : ExportASCIIThread;
    return StartConvertThread(files, settings, job, proc);
}
