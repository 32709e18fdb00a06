// Import of point shapefiles: shapes give X, Y (and Z), table columns named
// like the export's columns give the other point fields.
#include "gis/convert/import_shape.h"
#include "gis/convert/convert_dialog.h"
#include "gis/convert/export_fields.h"
#include "gis/convert/import_ascii.h"
#include "gis/convert/import_las.h"
#include "gis/layers/ref_shapefile.h"
#include "app/job_control.h"
#include "base/dialogs.h"
#include "base/file_list_dialogs.h"
#include "base/file_system.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/progress.h"
#include "base/shape_io.h"
#include "base/shell_hooks.h"
#include "base/text.h"
#include "data/gdal_grid.h"
#include "data/import_fields.h"
#include "resource.h"
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

const char kShapeOpenFailed[] = "Unable to open shape file!";
const char kShapeEmpty[] = "Shape file is empty!";
const char kShapeWrongType[] = "Shape file is not a Point or PointZ type!";
const char kShapeDBFOpenFailed[] = "Unable to open DBF!";
const char kShapeDBFEmpty[] = "DBF file is empty!";
const char kShapeAddTitle[] = "Select Shape Files For Import";
const char kShapeRecordUnreadable[] = "A record of the shape file cannot be read!";
const char kShapeCoordinatesMisfit[] = "Coordinates do not fit a LAS file!";
const char kShapeIndexDamaged[] = "The shape file's index (.shx) is damaged!";
const char kShapeDBFDamaged[] = "The DBF file is damaged or cut short!";
const char kShapeCellNoNumberFormat[] = "Record %d of the DBF file: %s holds no number!";

constexpr int kRecordsPerStep = 4096;
constexpr int kPreviewRecords = 10;

int ShapeFieldCode(const char* name, int type, int shapeType)
{
    static const struct {
        const char* name;
        int type, code;
    } known[] = {
        { "Z", COLUMN_REAL, FIELD_Z },
        { "INTENSITY", COLUMN_INTEGER, FIELD_INTENSITY },
        { "RETURN_NUM", COLUMN_INTEGER, FIELD_RETURN_NUMBER },
        { "RETURN_CNT", COLUMN_INTEGER, FIELD_RETURN_COUNT },
        { "SCAN_DIR", COLUMN_INTEGER, FIELD_SCAN_DIRECTION },
        { "FLT_EDGE", COLUMN_INTEGER, FIELD_FLIGHT_EDGE },
        { "CLASS", COLUMN_INTEGER, FIELD_CLASSIFICATION },
        { "SCAN_ANGLE", COLUMN_INTEGER, FIELD_SCAN_ANGLE },
        { "USER_DATA", COLUMN_INTEGER, FIELD_USER_DATA },
        { "SOURCE_ID", COLUMN_INTEGER, FIELD_SOURCE_ID },
        { "GPS_TIME", COLUMN_REAL, FIELD_GPS_TIME },
    };
    for (const auto& k : known)
        if (!strcmp(name, k.name)) {
            if (type != k.type) return -1;
            if (k.code == FIELD_Z && shapeType != SHAPE_POINT) return -1;
            return k.code;
        }
    return -1;
}

namespace {

// An open shapefile with its table, and the columns it gives.
struct ShapeSource {
    ShapeInput in;
    char reason[160] = "";
    int records = 0, shapeType = 0;
    std::vector<ShapeFieldColumn> fields;   // the table's fields in order
};

const int kPointTypes[] = {SHAPE_POINT, SHAPE_POINTZ, 0};

// Opens the shapefile and its table; the reason it cannot be used, or null.
const char* OpenShapeSource(const char* path, ShapeSource* s)
{
    ShapeReadFault fault = OpenShapesToRead(&s->in, path, kPointTypes);
    s->records = s->in.count;
    s->shapeType = s->in.type;
    // An index that points into the header or past the end would read some
    // other record's bytes as a point.
    std::string counts = RecordCountsText(&s->in);
    if (!counts.empty()) {
        snprintf(s->reason, sizeof s->reason, "%s", counts.c_str());
        return s->reason;
    }
    if (fault != SHAPES_READABLE)
        return fault == SHAPES_NONE ? kShapeEmpty : fault == SHAPES_OTHER_TYPE ? kShapeWrongType
                                                  : fault == SHAPES_MISPLACED ? kShapeIndexDamaged : kShapeOpenFailed;
    if (OpenTableToRead(&s->in) != SHAPES_READABLE) return kShapeDBFOpenFailed;
    int count = TableColumnCount(&s->in);
    if (count <= 0) return kShapeDBFEmpty;
    // A point without its row would get fields the file does not give it.
    counts = RecordCountsText(&s->in);
    if (!counts.empty()) {
        snprintf(s->reason, sizeof s->reason, "%s", counts.c_str());
        return s->reason;
    }
    if (CheckTableRows(&s->in) != SHAPES_READABLE) return kShapeDBFDamaged;
    for (int j = 0; j < count; j++) {
        ShapeFieldColumn c = {};
        TableColumn column = TableColumnAt(&s->in, j);
        c.type = column.type;
        for (char* p = column.name; *p; p++) *p = (char)toupper((unsigned char)*p);
        snprintf(c.name, sizeof c.name, "%s", column.name);
        c.code = ShapeFieldCode(c.name, c.type, s->shapeType);
        s->fields.push_back(c);
    }
    return nullptr;
}

}  // namespace

// ---- preview table ------------------------------------------------------------------------

static HWND FieldTable(HWND dialog) { return GetDlgItem(dialog, IDC_SHAPE_FIELDS); }

static void ClearFieldTable(HWND dialog, int32_t* status)
{
    HWND list = FieldTable(dialog);
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    while (SendMessageA(list, LVM_DELETECOLUMN, 0, 0)) {
    }
    for (int i = 0; i < kShapeColumnSlots; i++) status[i] = 0;
}

void ShowShapeFieldError(HWND dialog, const char* text)
{
    HWND list = FieldTable(dialog);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = (char*)"Error";
    column.cx = 100;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.pszText = (char*)text;
    SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
}

int AddShapeFieldColumns(HWND list, const ShapeFieldColumn* columns, int count)
{
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES,
                 LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    int used = 0;
    for (int i = 0; i < count; i++) {
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = (char*)columns[i].name;
        column.cx = 60;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, (LPARAM)&column);
        SendMessageA(list, LVM_SETCOLUMNWIDTH, i, LVSCW_AUTOSIZE_USEHEADER);
        if (columns[i].code >= 0) used++;
    }
    return used;
}

static void SetCell(HWND list, int row, int column, const char* text)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = (char*)text;
    if (column == 0) SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    else SendMessageA(list, LVM_SETITEMTEXTA, row, (LPARAM)&item);
}

int ReadShapeFields(HWND dialog, const FileList* files, int32_t* status)
{
    ClearFieldTable(dialog, status);
    int row = (int)SendDlgItemMessageA(dialog, IDC_CONVERT_FILES, LB_GETCURSEL, 0, 0);
    if (row < 0 || row >= files->count) return 0;
    ShapeSource source;
    const char* problem = OpenShapeSource(files->entries[row]->path, &source);
    if (problem) {
        ShowShapeFieldError(dialog, problem);
        return 0;
    }
    std::vector<ShapeFieldColumn> columns;
    const char* axes[3] = { "X (SHP)", "Y (SHP)", "Z (SHP)" };
    int axisCount = source.shapeType == SHAPE_POINTZ ? 3 : 2;
    for (int a = 0; a < axisCount; a++) {
        ShapeFieldColumn c = {};
        c.code = a;
        c.type = COLUMN_REAL;
        snprintf(c.name, sizeof c.name, "%s", axes[a]);
        columns.push_back(c);
    }
    for (const ShapeFieldColumn& f : source.fields) {
        ShapeFieldColumn c = f;
        if (!strcmp(f.name, "Z")) snprintf(c.name, sizeof c.name, "%s (DBF)", f.name);
        columns.push_back(c);
    }
    for (size_t i = 0; i < columns.size() && i < (size_t)kShapeColumnSlots; i++)
        status[i] = columns[i].code >= 0 ? 1 : -1;
    HWND list = FieldTable(dialog);
    AddShapeFieldColumns(list, columns.data(), (int)columns.size());
    int rows = std::min(source.records, kPreviewRecords);
    ShapeRecord shape;
    for (int r = 0; r < rows; r++) {
        char text[64];
        double xyz[3] = { 0, 0, 0 };
        if (ReadShape(&source.in, r, &shape) && shape.VertexCount() > 0) {
            xyz[0] = shape.x[0];
            xyz[1] = shape.y[0];
            xyz[2] = shape.z[0];
        }
        for (int a = 0; a < axisCount; a++) {
            snprintf(text, sizeof text, "%.3lf", xyz[a]);
            SetCell(list, r, a, text);
        }
        for (size_t j = 0; j < source.fields.size(); j++) {
            const ShapeFieldColumn& f = source.fields[j];
            int jj = (int)j;
            if (f.code == FIELD_Z || (f.code < 0 && f.type == COLUMN_REAL))
                snprintf(text, sizeof text, "%.3lf", ReadRealCell(&source.in, r, jj));
            else if (f.code == FIELD_GPS_TIME)
                snprintf(text, sizeof text, "%.4lf", ReadRealCell(&source.in, r, jj));
            else if (f.code >= 0 || f.type == COLUMN_INTEGER)
                snprintf(text, sizeof text, "%d", ReadIntegerCell(&source.in, r, jj));
            else
                snprintf(text, sizeof text, "%s", f.type == COLUMN_TEXT ? "STR" : "N/A");
            SetCell(list, r, axisCount + jj, text);
        }
    }
    for (size_t i = 0; i < columns.size(); i++) {
        SendMessageA(list, LVM_SETCOLUMNWIDTH, i, LVSCW_AUTOSIZE);
        int content = (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0);
        int header = (int)SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, (LPARAM)columns[i].name) + 16;
        SendMessageA(list, LVM_SETCOLUMNWIDTH, i, std::max(content, header));
    }
    return rows;
}

LRESULT ShapeFieldCustomDraw(NMLVCUSTOMDRAW* draw, const int32_t* status)
{
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        int column = draw->iSubItem;
        int value = column >= 0 && column < kShapeColumnSlots ? status[column] : 0;
        draw->clrText = RGB(0, 0, 0);
        draw->clrTextBk = value == 1 ? kShapeUsedColour : value == -1 ? kShapeUnusedColour : RGB(255, 255, 255);
        return CDRF_NEWFONT;
    }
    }
    return CDRF_DODEFAULT;
}

// ---- the thread ---------------------------------------------------------------------------

// What one record gives: its position, or why it gives none.
enum RecordPoint { RECORD_UNREADABLE, RECORD_NO_POINT, RECORD_NOT_FINITE, RECORD_POINT };

// X, Y and Z of record `i`: Z from the shape of a PointZ file, else from the
// table's "Z" column when one is used, else 0.
static RecordPoint ReadRecordPoint(const ShapeSource& source, int i, int zColumn, double xyz[3])
{
    ShapeRecord shape;
    if (!ReadShape(&source.in, i, &shape)) return RECORD_UNREADABLE;
    if (shape.VertexCount() < 1) return RECORD_NO_POINT;
    xyz[0] = shape.x[0];
    xyz[1] = shape.y[0];
    xyz[2] = source.shapeType == SHAPE_POINTZ ? shape.z[0] : 0.0;
    if (zColumn >= 0) xyz[2] = ReadRealCell(&source.in, i, zColumn);
    return std::isfinite(xyz[0]) && std::isfinite(xyz[1]) && std::isfinite(xyz[2]) ? RECORD_POINT : RECORD_NOT_FINITE;
}

// The first used table field of record `i` whose cell holds no number, -1
// when every one holds a number or is blank.
static int FirstCellWithoutNumber(const ShapeSource& source, int i)
{
    for (size_t j = 0; j < source.fields.size(); j++)
        if (source.fields[j].code >= 0 && !NumberCellUsable(&source.in, i, (int)j)) return (int)j;
    return -1;
}

// Every kRecordsPerStep records a pass steps the bar and may be stopped.
static bool StopsAtRecord(JobControl* job, HWND bar, int i)
{
    if (i % kRecordsPerStep != 0) return false;
    if (JobCheckpoint(job)) return true;
    StepBatchProgress(bar);
    return false;
}

int ImportShapeFile(const FileListEntry* entry, const ShapeImportSettings* s, JobControl* job, HWND dialog,
                    ConvertTally* tally)
{
    ShapeSource source;
    // Told to the user with its reason: the run may have no view to show a line.
    if (const char* problem = OpenShapeSource(entry->path, &source)) {
        ReportConvertFailure(entry->title, problem, nullptr);
        return 0;
    }
    bool gps = false;
    int zColumn = -1;
    for (size_t j = 0; j < source.fields.size(); j++) {
        gps = gps || source.fields[j].code == FIELD_GPS_TIME;
        if (source.fields[j].code == FIELD_Z) zColumn = (int)j;
    }
    bool hasZ = source.shapeType == SHAPE_POINTZ || zColumn >= 0;
    HWND bar = GetDlgItem(dialog, IDC_CONVERT_ITEMS_BAR);
    InitBatchProgress(bar, (unsigned)(2 * (source.records / kRecordsPerStep + 1)));

    // First pass: the extent of the records themselves. The header's box may
    // be zero, not a number or wrong, and a record far off must not push the
    // others onto the ends of the integer range.
    double lo[3] = { LAS_EMPTY_MIN, LAS_EMPTY_MIN, LAS_EMPTY_MIN }, hi[3] = { LAS_EMPTY_MAX, LAS_EMPTY_MAX, LAS_EMPTY_MAX };
    uint64_t unreadable = 0, notFinite = 0;
    bool stopped = false, damaged = false, beyond = false;
    std::string noNumber;
    for (int i = 0; i < source.records; i++) {
        if (StopsAtRecord(job, bar, i)) {
            stopped = true;
            break;
        }
        double xyz[3];
        RecordPoint r = ReadRecordPoint(source, i, zColumn, xyz);
        if (r == RECORD_UNREADABLE) {
            damaged = true;   // a cut or damaged .shp: its points are not all there
            break;
        }
        if (r == RECORD_NO_POINT) unreadable++;
        if (r == RECORD_NOT_FINITE) notFinite++;
        if (r != RECORD_POINT) continue;
        // A cell that is no number would become 0 in the point: the file fails, naming it.
        int cell = FirstCellWithoutNumber(source, i);
        if (cell >= 0) {
            noNumber = Formatted(kShapeCellNoNumberFormat, i + 1, source.fields[(size_t)cell].name);
            break;
        }
        // A point beyond any map would stretch the scale that every other
        // point is stored with: the file fails instead.
        if (!(std::fabs(xyz[0]) <= kMaxGridCoordinate && std::fabs(xyz[1]) <= kMaxGridCoordinate &&
              std::fabs(xyz[2]) <= kMaxGridCoordinate)) {
            beyond = true;
            break;
        }
        for (int a = 0; a < 3; a++) {
            lo[a] = std::min(lo[a], xyz[a]);
            hi[a] = std::max(hi[a], xyz[a]);
        }
    }
    if (stopped || damaged || beyond || !noNumber.empty()) {
        ResetBatchProgress(bar);
        if (damaged) ReportConvertFailure(entry->title, kShapeRecordUnreadable, nullptr);
        if (beyond) ReportConvertFailure(entry->title, kShapeCoordinatesMisfit, nullptr);
        if (!noNumber.empty()) ReportConvertFailure(entry->title, noNumber.c_str(), nullptr);
        return stopped ? -1 : 0;
    }

    char path[260];
    ImportOutput out;
    if (!ImportTargetPath(s->outputFolder, entry, path, sizeof path)) {
        ResetBatchProgress(bar);
        return 0;
    }
    if (!CreateImportLAS(&out, path, entry->title, gps)) {
        ResetBatchProgress(bar);
        return 0;
    }
    SetImportScaleAndOffset(out.las, lo[0], hi[0], lo[1], hi[1], hasZ ? lo[2] : 1.0, hasZ ? hi[2] : 0.0);
    const char* failure = WriteLASHeader(out.las) ? nullptr : kImportWriteFailed;
    const LASHeader* h = &out.las->header;
    for (int i = 0; i < source.records && !failure; i++) {
        if (StopsAtRecord(job, bar, i)) {
            stopped = true;
            break;
        }
        double xyz[3];
        RecordPoint r = ReadRecordPoint(source, i, zColumn, xyz);
        if (r == RECORD_UNREADABLE) failure = kShapeRecordUnreadable;
        if (r != RECORD_POINT) continue;
        LASLegacyPoint p;
        ClearImportPoint(&p);
        PutImportField(&p, FIELD_X, xyz[0], 0, h, &out.counts);
        PutImportField(&p, FIELD_Y, xyz[1], 0, h, &out.counts);
        if (hasZ) PutImportField(&p, FIELD_Z, xyz[2], 0, h, &out.counts);
        for (size_t j = 0; j < source.fields.size(); j++) {
            int code = source.fields[j].code;
            if (code < 0 || code == FIELD_Z) continue;
            bool real = code == FIELD_GPS_TIME;
            double value = real ? ReadRealCell(&source.in, i, (int)j) : 0.0;
            int64_t integer = real ? 0 : ReadIntegerCell(&source.in, i, (int)j);
            PutImportField(&p, code, value, integer, h, &out.counts);
        }
        // A coordinate held at the end of the range is a wrong point, not a
        // rounding: the file fails rather than carry it.
        if (out.counts.clamped) failure = kShapeCoordinatesMisfit;
        else if (!WriteLASPoint(out.las, &p)) failure = kImportWriteFailed;
    }
    char reason[LAS_ERROR_TEXT_SIZE] = "";
    if (failure == kImportWriteFailed) snprintf(reason, sizeof reason, "%s", GetLASErrorText(out.las));
    ResetBatchProgress(bar);
    if ((unreadable || notFinite) && !stopped && !failure) {
        char line[600];
        snprintf(line, sizeof line, "[IMPORT]  %s:  %llu records without a point, %llu with coordinates that are no numbers left out",
                 entry->title, (unsigned long long)unreadable, (unsigned long long)notFinite);
        LogMessage(line);
    }
    if (unreadable || notFinite)
        snprintf(out.leftOut, sizeof out.leftOut, "%llu records without a point, %llu with coordinates that are no numbers",
                 (unsigned long long)unreadable, (unsigned long long)notFinite);
    return EndImportFile(&out, entry->title, stopped, failure, reason, tally);
}

static HWND ShapeDialogOf(const void* settings) { return ((const ShapeImportSettings*)settings)->dialog; }
static int ImportListedShape(const FileListEntry* entry, const void* settings, JobControl* job, HWND dialog, int,
                             ConvertTally* tally)
{
    return ImportShapeFile(entry, (const ShapeImportSettings*)settings, job, dialog, tally);
}

DWORD WINAPI ImportShapeThread(void* parameter)
{
    return RunConvertList(parameter, ShapeDialogOf, ImportListedShape, 0);
}

int StartImportShapeThread(FileList* files, ShapeImportSettings* settings, JobControl* job)
{
    return StartConvertThread(files, settings, job, ImportShapeThread);
}

// ---- dialog 191 ---------------------------------------------------------------------------

static ConvertDialogState shapeState;
static ShapeImportSettings shapeSettings;
static int32_t columnStatus[kShapeColumnSlots];
static HBRUSH usedBrush, unusedBrush;

static void RefreshTable(HWND dialog) { ReadShapeFields(dialog, &shapeState.files, columnStatus); }

static void FillSelectFirst(HWND dialog)
{
    FillConvertFileRows(dialog, &shapeState);
    SendDlgItemMessageA(dialog, IDC_CONVERT_FILES, LB_SETCURSEL, 0, 0);
    RefreshTable(dialog);
}

static void CloseShapeDialog(HWND dialog)
{
    if (usedBrush) DeleteObject(usedBrush);
    if (unusedBrush) DeleteObject(unusedBrush);
    usedBrush = unusedBrush = nullptr;
    ClearFileList(&shapeState.files);
    FreeJobControl(shapeState.job);
    shapeState.job = nullptr;
    EndDialog(dialog, 1);
}

static void ShapeIdleCommand(HWND dialog, int id, int notification)
{
    switch (id) {
    case IDOK:
    case IDCANCEL:
        CloseShapeDialog(dialog);
        break;
    case IDC_CONVERT_FILES:
        if (notification == LBN_SELCHANGE) RefreshTable(dialog);
        break;
    case IDC_CONVERT_ADD_FILES:
        if (OpenShapeFilesDialog(dialog, &shapeState.files, kShapeAddTitle) > 0) FillSelectFirst(dialog);
        break;
    case IDC_CONVERT_REMOVE_FILE: {
        int row = (int)SendDlgItemMessageA(dialog, IDC_CONVERT_FILES, LB_GETCURSEL, 0, 0);
        if (row >= 0 && row < shapeState.files.count) RemoveFileListEntry(&shapeState.files, row);
        FillSelectFirst(dialog);
        break;
    }
    case IDC_CONVERT_REMOVE_ALL:
        ClearFileList(&shapeState.files);
        FillConvertFileRows(dialog, &shapeState);
        RefreshTable(dialog);
        break;
    case IDC_CONVERT_FOLDER_CHECK:
        ShowConvertFolderControls(dialog);
        break;
    case IDC_CONVERT_SET_FOLDER:
        ChooseConvertFolder(dialog, &shapeState, "Import Output Directory");
        break;
    case IDC_CONVERT_HELP:
        ShowHelp("BatchImport.html");
        break;
    case IDC_CONVERT_START:
        if (shapeState.files.count == 0 || !TakeConvertFolder(dialog, &shapeState, shapeSettings.outputFolder)) break;
        shapeSettings.dialog = dialog;
        SetConvertRunButtons(dialog, false, true, true);
        shapeState.paused = 0;
        if (!StartImportShapeThread(&shapeState.files, &shapeSettings, shapeState.job))
            SetConvertRunButtons(dialog, true, false, false);
        break;
    }
}

INT_PTR CALLBACK ImportShapeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        shapeState = {};
        shapeSettings = {};
        memset(columnStatus, 0, sizeof columnStatus);
        shapeState.job = CreateJobControl();
        if (!shapeState.job) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        usedBrush = CreateSolidBrush(kShapeUsedColour);
        unusedBrush = CreateSolidBrush(kShapeUnusedColour);
        FillConvertFileRows(dialog, &shapeState);
        SetConvertRunButtons(dialog, false, false, false);
        ShowConvertFolderControls(dialog);
        CenterOnFrame(dialog);
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        int id = GetDlgCtrlID((HWND)lParam);
        if (id != IDC_SHAPE_LEGEND_USED && id != IDC_SHAPE_LEGEND_UNUSED) break;
        HDC dc = (HDC)wParam;
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, id == IDC_SHAPE_LEGEND_USED ? kShapeUsedColour : kShapeUnusedColour);
        return (INT_PTR)(id == IDC_SHAPE_LEGEND_USED ? usedBrush : unusedBrush);
    }
    case WM_NOTIFY: {
        NMHDR* header = (NMHDR*)lParam;
        if (header->idFrom == IDC_SHAPE_FIELDS && header->code == NM_CUSTOMDRAW) {
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, ShapeFieldCustomDraw((NMLVCUSTOMDRAW*)lParam, columnStatus));
            return TRUE;
        }
        break;
    }
    case WM_BATCH_DONE:
        EndConvertRun(dialog, &shapeState, (const ConvertTally*)lParam, "Import", kImportCompleteCaption);
        RefreshTable(dialog);
        return TRUE;
    case WM_COMMAND: {
        if (!shapeState.job) return FALSE;
        int id = LOWORD(wParam);
        if (JobBusy(shapeState.job)) {
            if (id != IDC_CONVERT_FILES)
                ConvertRunningCommand(dialog, &shapeState, id, kImportStopQuestion, kImportStopCaption);
        } else {
            ShapeIdleCommand(dialog, id, HIWORD(wParam));
        }
        return TRUE;
    }
    case WM_CLOSE:
        if (shapeState.job && !JobBusy(shapeState.job)) CloseShapeDialog(dialog);
        return TRUE;
    }
    return FALSE;
}
