// Import of ASCII point files: the column mapping, the dialog and the thread
// that reads each file twice (bounds, then points) into a new LAS file.
#include "gis/convert/import_ascii.h"
#include "gis/convert/convert_dialog.h"
#include "gis/convert/export_fields.h"
#include "gis/convert/import_las.h"
#include "gis/convert/import_shape.h"
#include "app/app_windows.h"
#include "app/job_control.h"
#include "base/dialogs.h"
#include "base/file_list_dialogs.h"
#include "base/messages.h"
#include "base/progress.h"
#include "base/shell_hooks.h"
#include "data/ascii_format_dialog.h"
#include "data/ascii_loader.h"
#include "data/gdal_grid.h"
#include "data/import_field_dialogs.h"
#include "data/import_fields.h"
#include "base/text_lines.h"
#include "resource.h"
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

const char kImportReadFailed[] = "Unable to open file for reading!";
const char kImportStopQuestion[] = "Are you sure you want to stop the import?";
const char kImportStopCaption[] = "Stop Import";
const char kImportCompleteCaption[] = "Import LAS";
const char kImportLongLineFormat[] = "Line %llu is longer than %d characters!";
const char kImportSkippedFormat[] = "[IMPORT]  %s:  %llu lines with a field that is not a number left out";
const char kImportLeftOutFormat[] = "%llu lines with a field that is not a number left out";
const char kImportControlLeftOutFormat[] = "%llu lines holding a control byte left out (the first is line %llu)";
const char kImportReadError[] = "A read error stopped reading the file!";
const char kImportBeyondMapFormat[] = "Line %llu holds a coordinate that is not a finite number or is out of range!";
const char kImportASCIIAddTitle[] = "Select ASCII Files For Import";

constexpr int kLinesPerStep = 4096;

// ---- dialog 190 ---------------------------------------------------------------------------

static int chosenFormat;

INT_PTR CALLBACK ImportFormatDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        chosenFormat = IDC_IMPORT_ASCII_TEXT;
        CheckRadioButton(dialog, IDC_IMPORT_ASCII_TEXT, IDC_IMPORT_ESRI_SHAPE, IDC_IMPORT_ASCII_TEXT);
        CenterOnFrame(dialog);
        return TRUE;
    case WM_COMMAND:
        if (RadioChoiceCommand(dialog, LOWORD(wParam), IDC_IMPORT_ASCII_TEXT, IDC_IMPORT_ESRI_SHAPE, nullptr, &chosenFormat))
            return TRUE;
        break;
    }
    return FALSE;
}

int ImportToLAS()
{
    INT_PTR format = ShowDialog(IDD_IMPORT_FORMAT, FrameWindow, ImportFormatDlgProc, 0);
    if (format == IDC_IMPORT_ASCII_TEXT) ShowDialog(IDD_IMPORT_ASCII, FrameWindow, ImportASCIIDlgProc, 0);
    else if (format == IDC_IMPORT_ESRI_SHAPE) ShowDialog(IDD_IMPORT_SHAPE, FrameWindow, ImportShapeDlgProc, 0);
    return 1;
}

// ---- the thread ---------------------------------------------------------------------------

namespace {

// Longest line an import reads; a longer one fails the file.
constexpr int kImportLineChars = 8191;

// One pass over the text: `take` gets the fields of every line that has
// enough of them with its number, and null for a line holding a control byte
// (damaged text whose fields cannot be trusted). False when a stop was asked
// for at a poll, at a line longer than kImportLineChars (its number in
// `longLine`), or when `take` says so. `lines` gets the lines read.
template <typename Take>
bool ReadPass(TextLines* reader, int needed, char delimiter, uint64_t* counter, JobControl* job, HWND bar,
              uint64_t* longLine, uint64_t* lines, Take take)
{
    std::vector<char> line(kImportLineChars + 1);
    char* fields[kMaxSplitFields + 1];
    const char delimiters[2] = { delimiter, 0 };
    uint64_t number = 0;
    bool whole = true;
    int length;
    while (whole && (length = NextWholeTextLine(reader, line.data(), (int)line.size())) != -1) {
        number++;
        if (length == -2) {
            *longLine = number;
            whole = false;
        } else if (++*counter % kLinesPerStep == 0 && JobCheckpoint(job)) {
            whole = false;
        } else {
            if (*counter % kLinesPerStep == 0) StepBatchProgress(bar);
            if (TextLineHasControlByte(line.data(), length)) whole = take(nullptr, number);
            else if (SplitFields(line.data(), fields, delimiters) >= needed) whole = take(fields, number);
        }
    }
    *lines = number;
    return whole;
}

uint32_t EstimatedLines(TextLines* reader)
{
    char line[kTextPieceChars + 1];
    int longest = 0;
    for (int i = 0; i < 4; i++) {
        int n = NextTextLine(reader, line);
        if (n < 0) break;
        longest = std::max(longest, n);
    }
    int64_t size = TextLinesFileSize(reader);
    RewindTextLines(reader);
    if (size < 0) size = 0;
    int64_t lines = longest > 0 ? size / longest : size;
    return (uint32_t)std::min<int64_t>(lines, 0x7FFFFFFF);
}

int Position(const ImportFieldList* list, int code)
{
    for (int i = 0; i < list->count; i++)
        if (list->entries[i] && list->entries[i]->code == code) return i;
    return -1;
}

// The value of every field the record takes (0 for the others); false when
// one of them is not a decimal number: "0x7a120" or "red" is no 0.
bool ReadMappedFields(char** fields, const ImportFieldList* s, double* values)
{
    for (int i = 0; i < s->count; i++) {
        int code = s->entries[i]->code;
        values[i] = 0.0;
        if (code != FIELD_SKIP && code < FIELD_RED && !ReadFieldValue(fields[i], code, &values[i])) return false;
    }
    return true;
}

// An integer field's value as a whole number ("1e3" is 1000), held within 64 bits.
int64_t WholeValue(double value)
{
    if (value >= 9.2e18) return INT64_MAX;
    if (value <= -9.2e18) return INT64_MIN;
    return (int64_t)value;
}

bool OnMap(double v) { return std::fabs(v) <= kMaxGridCoordinate; }

}  // namespace

int ImportASCIIFile(const FileListEntry* entry, const ImportFieldList* s, JobControl* job, HWND dialog,
                    ConvertTally* tally)
{
    // Wide (UTF-16, UTF-32) or binary text has no lines of points to read.
    TextLinesLooked looked;
    TextFileCheck check = CheckTextFile(entry->path, &looked);
    if (check == TEXT_NOT_PLAIN || check == TEXT_DAMAGED) {
        char reason[300];
        NotTextReason(check, looked, reason, sizeof reason);
        ReportConvertFailure(entry->title, reason, nullptr);
        return 0;
    }
    TextLines* reader = check == TEXT_UNOPENED ? nullptr : OpenTextLines(entry->path);
    if (!reader) {
        ReportConvertFailure(entry->title, kImportReadFailed, nullptr);
        return 0;
    }
    char path[260];
    ImportOutput out;
    if (!ImportTargetPath(s->outputFolder, entry, path, sizeof path) ||
        !CreateImportLAS(&out, path, entry->title, Position(s, FIELD_GPS_TIME) >= 0)) {
        CloseTextLines(reader);
        return 0;
    }
    int xAt = Position(s, FIELD_X), yAt = Position(s, FIELD_Y), zAt = Position(s, FIELD_Z);
    int classAt = Position(s, FIELD_CLASSIFICATION);
    HWND bar = GetDlgItem(dialog, IDC_CONVERT_ITEMS_BAR);
    InitBatchProgress(bar, 2 * EstimatedLines(reader) / kLinesPerStep + 1);
    char delimiter = DelimiterOf(s->delimiter);
    int needed = s->count;
    uint64_t counter = 0, longLine = 0, skipped = 0, beyondLine = 0, controlLines = 0, firstControlLine = 0;
    uint64_t fileLines = 0, writtenLines = 0, header = 0;
    std::vector<double> values((size_t)needed);

    // A line with a field the record takes that is no number (a header line
    // such as "X Y Z", "0x7a120", "nan") is no point: it is left out of both
    // passes and counted.
    double minX = LAS_EMPTY_MIN, maxX = LAS_EMPTY_MAX, minY = LAS_EMPTY_MIN, maxY = LAS_EMPTY_MAX;
    double minZ = LAS_EMPTY_MIN, maxZ = LAS_EMPTY_MAX;
    auto firstPass = [&](char** fields, uint64_t number) {
        if (!fields) {
            if (!controlLines++) firstControlLine = number;
            return true;
        }
        if (!ReadMappedFields(fields, s, values.data())) {
            skipped++;
            if (number == 1) header = 1;
            return true;
        }
        double x = values[xAt], y = values[yAt], z = zAt >= 0 ? values[zAt] : 0.0;
        // A coordinate beyond any map would stretch the step every point is stored with.
        if (!OnMap(x) || !OnMap(y) || !OnMap(z)) {
            beyondLine = number;
            return false;
        }
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
        minZ = std::min(minZ, z), maxZ = std::max(maxZ, z);
        // Counted here so that such a file fails before any point is written.
        if (classAt >= 0) {
            int64_t c = WholeValue(values[classAt]);
            if (c < 0 || c > 31) out.counts.wideClasses++;
        }
        return true;
    };
    bool running = ReadPass(reader, needed, delimiter, &counter, job, bar, &longLine, &fileLines, firstPass);
    const char* failure = nullptr;
    char reason[LAS_ERROR_TEXT_SIZE] = "";
    if (beyondLine) {
        running = true;   // the file fails; it is no stop
        failure = reason;
        snprintf(reason, sizeof reason, kImportBeyondMapFormat, (unsigned long long)beyondLine);
    }
    // A failed read is no end of the file: the points would not all be there.
    if (!failure && TextLinesFailed(reader)) failure = kImportReadError;
    // Classes the records cannot hold fail the file at its end, with nothing written.
    bool write = running && !failure && !out.counts.wideClasses;
    if (write) {
        RewindTextLines(reader);
        SetImportScaleAndOffset(out.las, minX, maxX, minY, maxY, minZ, maxZ);
        if (!WriteLASHeader(out.las)) failure = kImportWriteFailed;
    }
    if (write && !failure) {
        const LASHeader* h = &out.las->header;
        running = ReadPass(reader, needed, delimiter, &counter, job, bar, &longLine, &writtenLines,
                           [&](char** fields, uint64_t) {
            if (!fields || !ReadMappedFields(fields, s, values.data())) return true;
            LASLegacyPoint p;
            ClearImportPoint(&p);
            for (int i = 0; i < s->count; i++) {
                int code = s->entries[i]->code;
                if (code == FIELD_SKIP || code >= FIELD_RED) continue;
                PutImportField(&p, code, values[i], WholeValue(values[i]), h, &out.counts);
            }
            if (WriteLASPoint(out.las, &p)) return true;
            failure = kImportWriteFailed;
            return false;
        });
        if (failure) running = true;   // a failed write ends the pass; it is no stop
    }
    if (failure == kImportWriteFailed) snprintf(reason, sizeof reason, "%s", GetLASErrorText(out.las));
    if (longLine) {
        // The text cannot be read as lines of points: the file fails, it is no stop.
        running = true;
        failure = reason;
        snprintf(reason, sizeof reason, kImportLongLineFormat, (unsigned long long)longLine, kImportLineChars);
    }
    if (!failure && TextLinesFailed(reader)) {
        running = true;
        failure = kImportReadError;
    }
    CloseTextLines(reader);
    ResetBatchProgress(bar);
    // The lines left out: the reason when the file gave no point.
    char damaged[200] = "";
    if (controlLines)
        snprintf(damaged, sizeof damaged, kImportControlLeftOutFormat, (unsigned long long)controlLines,
                 (unsigned long long)firstControlLine);
    if (skipped) snprintf(out.leftOut, sizeof out.leftOut, kImportLeftOutFormat, (unsigned long long)skipped);
    if (controlLines)
        snprintf(out.leftOut + strlen(out.leftOut), sizeof out.leftOut - strlen(out.leftOut), "%s%s",
                 skipped ? "\n" : "", damaged);
    int result = EndImportFile(&out, entry->title, !running, failure, failure == reason ? nullptr : reason, tally);
    char line[600];
    if (result > 0 && skipped) {
        snprintf(line, sizeof line, kImportSkippedFormat, entry->title, (unsigned long long)skipped);
        LogMessage(line);
        if (tally) tally->skippedLines += skipped;
    }
    if (result > 0 && controlLines) {
        snprintf(line, sizeof line, "[IMPORT]  %s:  %s", entry->title, damaged);
        LogMessage(line);
        if (tally) tally->controlLines += controlLines;
    }
    // A first line that is no point is a header, as the loader takes it: no loss.
    uint64_t lost = skipped + controlLines;
    if (result > 0 && tally && ManyLinesLeftOut((int64_t)(lost - header), (int64_t)fileLines))
        NoteLinesLeftOut(tally, entry->title, lost, fileLines);
    return result;
}

static HWND ASCIIDialogOf(const void* settings) { return ((const ImportFieldList*)settings)->owner; }
static int ImportListedASCII(const FileListEntry* entry, const void* settings, JobControl* job, HWND dialog, int,
                             ConvertTally* tally)
{
    return ImportASCIIFile(entry, (const ImportFieldList*)settings, job, dialog, tally);
}

DWORD WINAPI ImportASCIIThread(void* parameter)
{
    return RunConvertList(parameter, ASCIIDialogOf, ImportListedASCII, 0);
}

int StartImportASCIIThread(FileList* files, ImportFieldList* settings, JobControl* job)
{
    return StartConvertThread(files, settings, job, ImportASCIIThread);
}

// ---- dialog 187 ---------------------------------------------------------------------------

static ConvertDialogState asciiState;
static ImportFieldList* importList;
static ImportFieldList* availableList;
static HFONT asciiFont;
static HWND asciiTips;

static int SelectedRow(HWND dialog, int id) { return (int)SendDlgItemMessageA(dialog, id, LB_GETCURSEL, 0, 0); }

static void ShowLists(HWND dialog, int importRow)
{
    int availableRow = SelectedRow(dialog, IDC_FIELDS_AVAILABLE);
    ShowFieldLists(dialog, importList, availableList);
    if (importRow >= 0) SendDlgItemMessageA(dialog, IDC_FIELDS_IMPORT, LB_SETCURSEL, importRow, 0);
    int availableRows = (int)SendDlgItemMessageA(dialog, IDC_FIELDS_AVAILABLE, LB_GETCOUNT, 0, 0);
    if (availableRow >= availableRows) availableRow = availableRows - 1;
    if (availableRow >= 0) SendDlgItemMessageA(dialog, IDC_FIELDS_AVAILABLE, LB_SETCURSEL, availableRow, 0);
}

static INT_PTR OpenASCIIDialog(HWND dialog)
{
    asciiState = {};
    asciiState.job = CreateJobControl();
    importList = NewXYZFieldList();
    availableList = NewAvailableFieldList();
    if (!asciiState.job || !importList || !availableList) {
        FreeJobControl(asciiState.job);
        FreeImportFieldList(importList);
        FreeImportFieldList(availableList);
        importList = availableList = nullptr;
        EndDialog(dialog, 0);
        return TRUE;
    }
    asciiTips = CreateFieldListTooltips(dialog);
    PlaceFieldListButtons(dialog);
    asciiFont = SetFieldListFont(dialog);
    CheckRadioButton(dialog, kDelimiterSpace, kDelimiterTab, kDelimiterSpace);
    importList->delimiter = kDelimiterSpace;
    ShowFieldLists(dialog, importList, availableList);
    SendDlgItemMessageA(dialog, IDC_FIELDS_IMPORT, LB_SETCURSEL, 0, 0);
    SendDlgItemMessageA(dialog, IDC_FIELDS_AVAILABLE, LB_SETCURSEL, 0, 0);
    FillConvertFileRows(dialog, &asciiState);
    SetConvertRunButtons(dialog, false, false, false);
    ShowConvertFolderControls(dialog);
    CenterOnFrame(dialog);
    return TRUE;
}

static void CloseASCIIDialog(HWND dialog)
{
    if (asciiFont) DeleteObject(asciiFont);
    asciiFont = nullptr;
    ClearFileList(&asciiState.files);
    FreeImportFieldList(importList);
    FreeImportFieldList(availableList);
    importList = availableList = nullptr;
    FreeJobControl(asciiState.job);
    asciiState.job = nullptr;
    if (asciiTips) DestroyWindow(asciiTips);
    asciiTips = nullptr;
    EndDialog(dialog, 1);
}

static void FillAndSelectFirst(HWND dialog)
{
    FillConvertFileRows(dialog, &asciiState);
    SendDlgItemMessageA(dialog, IDC_CONVERT_FILES, LB_SETCURSEL, 0, 0);
}

static void PreviewASCII(HWND dialog)
{
    if (asciiState.files.count == 0) {
        ErrorMessage(kNoFilesSelected);
        return;
    }
    int row = SelectedRow(dialog, IDC_CONVERT_FILES);
    if (row < 0 || row >= asciiState.files.count) {
        ErrorMessage(kNoFileSelected);
        return;
    }
    importList->delimiter = CheckedDelimiter(dialog);
    ImportPreviewParams params = {};
    params.fields = importList;
    snprintf(params.path, sizeof params.path, "%s", asciiState.files.entries[row]->path);
    snprintf(params.title, sizeof params.title, "%s", asciiState.files.entries[row]->title);
    ShowDialog(IDD_IMPORT_PREVIEW, dialog, ImportPreviewDlgProc, (LPARAM)&params);
}

static void StartASCIIImport(HWND dialog)
{
    if (asciiState.files.count == 0) return;
    if (!TakeConvertFolder(dialog, &asciiState, importList->outputFolder)) return;
    importList->owner = dialog;
    if (IsDlgButtonChecked(dialog, importList->delimiter) != BST_CHECKED) importList->delimiter = CheckedDelimiter(dialog);
    SetConvertRunButtons(dialog, false, true, true);
    asciiState.paused = 0;
    if (!StartImportASCIIThread(&asciiState.files, importList, asciiState.job))
        SetConvertRunButtons(dialog, true, false, false);
}

static void ASCIIIdleCommand(HWND dialog, int id)
{
    int selected = SelectedRow(dialog, IDC_FIELDS_IMPORT);
    switch (id) {
    case IDOK:
    case IDCANCEL:
        CloseASCIIDialog(dialog);
        break;
    case IDC_CONVERT_ADD_FILES:
        if (OpenASCIIFilesDialog(dialog, &asciiState.files, kImportASCIIAddTitle) > 0) FillAndSelectFirst(dialog);
        break;
    case IDC_CONVERT_REMOVE_FILE: {
        int row = SelectedRow(dialog, IDC_CONVERT_FILES);
        if (row >= 0 && row < asciiState.files.count) RemoveFileListEntry(&asciiState.files, row);
        FillAndSelectFirst(dialog);
        break;
    }
    case IDC_CONVERT_REMOVE_ALL:
        ClearFileList(&asciiState.files);
        FillConvertFileRows(dialog, &asciiState);
        break;
    case IDC_FIELD_RIGHT: {
        int row = SelectedRow(dialog, IDC_FIELDS_AVAILABLE);
        if (row >= 0 && MoveImportField(importList, availableList, row)) ShowLists(dialog, selected);
        break;
    }
    case IDC_FIELD_LEFT:
        if (selected >= 0 && RemoveImportField(importList, availableList, selected))
            ShowLists(dialog, std::max(0, selected - 1));
        break;
    case IDC_FIELD_UP:
        if (selected >= 1 && selected < importList->count) {
            std::swap(importList->entries[selected], importList->entries[selected - 1]);
            ShowLists(dialog, selected - 1);
        } else {
            ShowLists(dialog, 0);
        }
        break;
    case IDC_FIELD_DOWN:
        if (selected >= 0 && selected + 1 < importList->count) {
            std::swap(importList->entries[selected], importList->entries[selected + 1]);
            ShowLists(dialog, selected + 1);
        } else {
            ShowLists(dialog, importList->count - 1);
        }
        break;
    case IDC_DELIMITER_SPACE:
    case IDC_DELIMITER_COMMA:
    case IDC_DELIMITER_TAB:
        CheckRadioButton(dialog, kDelimiterSpace, kDelimiterTab, id);
        importList->delimiter = id;
        break;
    case IDC_CONVERT_FOLDER_CHECK:
        ShowConvertFolderControls(dialog);
        break;
    case IDC_CONVERT_SET_FOLDER:
        ChooseConvertFolder(dialog, &asciiState, "Import Output Directory");
        break;
    case IDC_CONVERT_PREVIEW:
        PreviewASCII(dialog);
        break;
    case IDC_CONVERT_HELP:
        ShowHelp("BatchImport.html");
        break;
    case IDC_CONVERT_START:
        StartASCIIImport(dialog);
        break;
    }
}

INT_PTR CALLBACK ImportASCIIDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OpenASCIIDialog(dialog);
    case WM_BATCH_DONE:
        EndConvertRun(dialog, &asciiState, (const ConvertTally*)lParam, "Import", kImportCompleteCaption);
        return TRUE;
    case WM_COMMAND: {
        if (!importList) return FALSE;
        int id = LOWORD(wParam);
        if (id == IDC_CONVERT_FILES || id == IDC_FIELDS_AVAILABLE || id == IDC_FIELDS_IMPORT) return FALSE;
        if (JobBusy(asciiState.job))
            ConvertRunningCommand(dialog, &asciiState, id, kImportStopQuestion, kImportStopCaption);
        else
            ASCIIIdleCommand(dialog, id);
        return TRUE;
    }
    case WM_CLOSE:
        if (importList && !JobBusy(asciiState.job)) CloseASCIIDialog(dialog);
        return TRUE;
    }
    return FALSE;
}
