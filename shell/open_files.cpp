// The road from data files to plan views: pick or receive the files, sort
// them by kind, settle the mixing, ASCII, memory and decimation questions,
// load and finish each DataSet, then build a view around the loaded sets.
#include "shell/open_files.h"
#include "resource.h"
#include "app/command_ids.h"
#include "app/display_settings.h"
#include "app/app_windows.h"
#include "shell/recent_files.h"
#include "shell/view_window.h"
#include "app/view_record.h"
#include "base/file_dialog.h"
#include "base/file_list.h"
#include "base/file_system.h"
#include "app/window_slots.h"
#include <commctrl.h>
#include "base/heap.h"
#include "base/memory_estimate.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "data/ascii_format_dialog.h"
#include "data/ascii_loader.h"
#include "data/decimation.h"
#include "data/las_loader.h"
#include "data/laz_loader.h"
#include "data/data_set.h"
#include "data/gdal_grid.h"
#include "data/radar_grid.h"
#include "data/selection.h"
#include "data/statistics.h"
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

char lastOpenDirectory[512];

constexpr size_t kEntryPathChars = sizeof(FileListEntry::path);   // 255 characters and the terminator
constexpr int kDialogBufferChars = 16383;
constexpr int kDataFileKindLAS = 1, kDataFileKindASCII = 2;
constexpr int kRGBEncodedTinPalette = 4;
constexpr int kUnitsFeet = 3;

const char kNotEnoughMemoryQuestion[] =
    "Not enough memory available to load %lld points.\n\nWould you like to load a decimated data set?";
const char kContinueOpeningQuestion[] = "\nDo you wish to continue opening files?\n";

static OpenedDataSets openedSets;

static bool IsPointKind(int kind) { return kind == 1 || kind == 2; }
static bool IsGridKind(int kind) { return kind == 3 || kind == 4; }

// `bytes` is the whole path's length; `path` may be its start only.
static void PathTooLong(const char* path, size_t bytes) { ShowPathTooLong(FrameWindow, path, bytes, kEntryPathChars - 1); }
static void PathTooLong(const char* path) { PathTooLong(path, strlen(path)); }

// --- the "Open Data Files" dialog -------------------------------------------------

static void AddChosenFile(FileList* list, const char* path, const char* title)
{
    if (strlen(path) >= kEntryPathChars) {
        PathTooLong(path);
        return;
    }
    AddFileListEntry(list, path, title);
}

FileList* OpenDataFilesDialog(HWND owner)
{
    static const char filterText[] =
        "Recognized Types (*.las,*.laz,*.xyz,*.tif,*.hdr,*.img)|*.las;*.laz;*.xyz;*.tif;*.hdr;*.img|"
        "LAS Files (*.las)|*.las|LAZ Files (*.laz)|*.laz|ASCII Files (*.xyz)|*.xyz|GeoTIFF Files (*.tif)|*.tif|"
        "Radar Files (*.hdr)|*.hdr|HFA Files (*.img)|*.img|All files (*.*)|*.*|";
    char filter[sizeof filterText + 1];
    MakeDialogFilter(filterText, filter, sizeof filter);
    // One more byte than the dialog is told of, so the list always ends inside the buffer.
    static char files[kDialogBufferChars + 2];
    static char title[kDialogBufferChars + 2];
    memset(files, 0, sizeof files);
    memset(title, 0, sizeof title);

    // The first dialog starts in the empty folder, the dialog's own choice.
    OPENFILENAMEA ofn = MakeFileDialog(owner, filter, "Open Data Files", files, title, kDialogBufferChars,
                                       lastOpenDirectory, OFN_ALLOWMULTISELECT);
    if (!ShowOpenFileDialog(&ofn)) return nullptr;
    if (!GetCurrentDirectoryA(sizeof lastOpenDirectory, lastOpenDirectory)) lastOpenDirectory[0] = 0;

    FileList* list = (FileList*)NBLCalloc(1, sizeof(FileList));
    if (!list) return nullptr;
    if (title[0]) {
        AddChosenFile(list, files, title);
        return list;
    }
    // A folder, then the chosen names, each terminated, then an empty name.
    char folder[kEntryPathChars + 1];
    size_t folderLen = strlen(files);
    if (folderLen >= kEntryPathChars) {
        PathTooLong(files);
        return list;
    }
    memcpy(folder, files, folderLen + 1);
    if (folderLen == 0 || folder[folderLen - 1] != '\\') {
        folder[folderLen++] = '\\';
        folder[folderLen] = 0;
    }
    size_t pos = strlen(files) + 1;
    while (pos < (size_t)kDialogBufferChars && files[pos]) {
        const char* name = files + pos;
        size_t nameLen = strlen(name);
        std::string path = std::string(folder) + name;   // whole, so a path too long is named whole
        AddChosenFile(list, path.c_str(), name);
        pos += nameLen + 1;
    }
    return list;
}

// --- loading ----------------------------------------------------------------------

const char kUnableToOpenFileText[] = "Unable to open file for reading!";
const char kPathIsAFolderText[] = "The path names a folder, not a file.";
const char kFileIsEmptyText[] = "The file is empty.";

// A path that names no file, a folder or an empty file reaches no loader: the
// user is told which path and why. True when it was reported.
static bool ReportUnreadablePath(const char* path)
{
    char reason[300] = "";
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        snprintf(reason, sizeof reason, "%s", SystemErrorText(GetLastError()));
    } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        snprintf(reason, sizeof reason, "%s", kPathIsAFolderText);
    } else if (data.nFileSizeHigh == 0 && data.nFileSizeLow == 0) {
        snprintf(reason, sizeof reason, "%s", kFileIsEmptyText);
    } else {
        return false;
    }
    size_t end = strlen(reason);
    while (end > 0 && (reason[end - 1] == '\n' || reason[end - 1] == '\r')) reason[--end] = 0;
    char text[900];
    snprintf(text, sizeof text, "%s\n%s\n%s\n", path, kUnableToOpenFileText, reason);
    ErrorMessage(text);
    return true;
}

static DataSet* LoadByKind(int kind, const char* path, const char* title, int askASCIIFormat)
{
    // Every road loads through here: a set holds its path whole or not at all,
    // for a cut one would send its save looking for another file.
    if (strlen(path) >= sizeof(DataSet::path)) {
        PathTooLong(path);
        return nullptr;
    }
    if (ReportUnreadablePath(path)) return nullptr;
    switch (kind) {
    case 1: return LoadLASData(path, title);
    case 2: return LoadASCIIData(path, title, askASCIIFormat);
    case 3: return Load32BitTIFF(path, title);
    case 4: return LoadDTEData(path, title);
    }
    return nullptr;
}

static DataSet* FinishDataSet(DataSet* set)
{
    if (!set) return nullptr;
    ComputeDataSetStatistics(set);
    set->tiles = BuildPointTiles(set);
    DensityCheck(set);
    return set;
}

DataSet* LoadDataFile(const char* path, const char* title)
{
    return FinishDataSet(LoadByKind(GetDataFileKind(path), path, title, 0));
}

// For a file whose kind the road found already: finding it again would
// repeat the grid test's message.
static DataSet* LoadDataFileOfKind(int kind, const char* path, const char* title)
{
    return FinishDataSet(LoadByKind(kind, path, title, 0));
}

// Appends a loaded set to an array that grows by one slot per set; a set
// that finds no room is freed. Returns the new count.
static int AppendSet(DataSet*** sets, int count, DataSet* set)
{
    uint64_t bytes = ((uint64_t)count + 1) * sizeof(DataSet*);
    DataSet** grown = (DataSet**)(*sets ? NBLReMalloc(*sets, bytes) : NBLMalloc(bytes));
    if (!grown) {
        FreeDataSet(set);
        return count;
    }
    *sets = grown;
    grown[count] = set;
    return count + 1;
}

// What a choice holds, and what the user settled about mixing.
struct ChoiceKinds {
    bool points, grids, ascii, mixed;
};

// Points and grids may not share a view: asks which to keep. False on Cancel.
static bool SettleMixing(ChoiceKinds* kinds)
{
    if (!(kinds->points && kinds->grids)) return true;
    kinds->mixed = true;
    int answer = ShowMessageBox(FrameWindow,
                                "Point and grid files may not be mixed.\n\nPress \"Yes\" to load points or \"No\" to "
                                "load grids.\n\nPress \"Cancel\" to abort.",
                                "Warning", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDYES) kinds->grids = false;
    else if (answer == IDNO) kinds->points = false;
    else return false;
    return true;
}

static bool SkippedByMixing(const ChoiceKinds& kinds, int kind)
{
    if (!kinds.mixed) return false;
    return (IsPointKind(kind) && !kinds.points) || (IsGridKind(kind) && !kinds.grids);
}

const char kASCIIDialogFailedText[] = "Unable to show the Load ASCII Format dialog for this file.";

static bool ASCIIFormatChosen(FileList* list)
{
    INT_PTR result = ShowDialog(IDD_ASCII_FORMAT, FrameWindow, LoadASCIIFormatDlgProc, (LPARAM)list);
    if (result == -1) {
        // A dialog that cannot be shown is no answer from the user: each file
        // that needed it is named.
        for (int i = 0; i < list->count; i++) {
            if (list->entries[i]->kind != kDataFileKindASCII) continue;
            char text[600];
            snprintf(text, sizeof text, "%s\n%s\n", list->entries[i]->path, kASCIIDialogFailedText);
            ErrorMessage(text);
        }
    }
    return result == 1;
}

OpenedDataSets* OpenDataFiles()
{
    // The previous array belongs to the view built from it.
    openedSets.count = 0;
    openedSets.sets = nullptr;
    FileList* list = OpenDataFilesDialog(FrameWindow);
    if (!list) return nullptr;

    ChoiceKinds kinds = {};
    double totalPoints = 0;
    for (int i = 0; i < list->count; i++) {
        FileListEntry* e = list->entries[i];
        e->kind = ReportUnreadablePath(e->path) ? 0 : GetDataFileKind(e->path);
        if (e->kind == kDataFileKindASCII && !CheckASCIIPointFile(e->path, e->title)) {
            RemoveFileListEntry(list, i--);
            continue;
        }
        if (e->kind == kDataFileKindLAS) totalPoints += GetLASFilePointCount(e->path);
        if (IsPointKind(e->kind)) kinds.points = true;
        if (e->kind == kDataFileKindASCII) kinds.ascii = true;
        if (IsGridKind(e->kind)) kinds.grids = true;
    }
    if (!SettleMixing(&kinds)) {
        DeleteFileList(list);
        return nullptr;
    }
    if (kinds.ascii && !ASCIIFormatChosen(list)) {
        DeleteFileList(list);
        return nullptr;
    }
    bool decimationForThisOpening = false;
    // Counted in 64 bits: one file of 2^31 points or several large ones pass 32.
    long long total = totalPoints < 9.0e18 ? (long long)totalPoints : LLONG_MAX;
    if (kinds.points && !kinds.ascii) {
        if (decimationEnabled) {
            if (decimationPrompt) ShowDialog(IDD_DECIMATION, FrameWindow, PointDecimationDlgProc,
                                             (LPARAM)std::min<long long>(total, (long long)MAXINT_PTR));
        } else {
            uint32_t parts = LoadMemoryPartsNeeded(totalPoints);
            if (parts > 1) {
                char text[200];
                snprintf(text, sizeof text, kNotEnoughMemoryQuestion, total);
                if (ShowMessageBox(FrameWindow, text, "Warning", MB_YESNO | MB_ICONWARNING) != IDYES) {
                    DeleteFileList(list);
                    return nullptr;
                }
                decimationEnabled = 1;
                decimationStep = (int)parts;
                decimationForThisOpening = true;
            }
        }
    }
    for (int i = 0; i < list->count; i++) {
        FileListEntry* e = list->entries[i];
        if (e->kind == DATA_NONE || SkippedByMixing(kinds, e->kind)) continue;   // reported already
        if (DataSet* set = LoadDataFileOfKind(e->kind, e->path, e->title))
            openedSets.count = AppendSet(&openedSets.sets, openedSets.count, set);
    }
    DeleteFileList(list);
    // The memory question's decimation lasts for this opening only: it is
    // switched off again; the step it chose stays as the step last used.
    if (decimationForThisOpening) decimationEnabled = 0;
    return &openedSets;
}

// --- building the view --------------------------------------------------------------

// The loaders log while the new view does not exist yet, so their lines reach
// the view that was active. That view gets its own line back, whether the
// open worked or not, and the new one shows the load's last line: an earlier
// line from another file never.
constexpr int kMessagePart = 5;

struct LogPlace {
    HWND view;
    std::string text;
    unsigned logged;   // lines logged before the load
};

static HWND StatusBarOf(HWND view) { return view ? (HWND)GetWindowSlot(view, CHILD_STATUSBAR) : nullptr; }

static LogPlace ActiveLogPlace()
{
    LogPlace place = {MDIClientWindow ? (HWND)SendMessageA(MDIClientWindow, WM_MDIGETACTIVE, 0, 0) : nullptr, "",
                      LoggedLineCount()};
    if (HWND status = StatusBarOf(place.view)) {
        int length = LOWORD(SendMessageA(status, SB_GETTEXTLENGTHA, kMessagePart, 0));
        std::vector<char> text((size_t)length + 1);
        SendMessageA(status, SB_GETTEXTA, kMessagePart, (LPARAM)text.data());
        place.text = text.data();
    }
    return place;
}

static void MoveLoadLog(const LogPlace& before, HWND view)
{
    if (HWND status = IsWindow(before.view) ? StatusBarOf(before.view) : nullptr)
        SendMessageA(status, SB_SETTEXTA, kMessagePart, (LPARAM)before.text.c_str());
    const char* own = LoggedLineCount() != before.logged ? GetLastLogLine() : "";
    if (HWND status = StatusBarOf(view)) SendMessageA(status, SB_SETTEXTA, kMessagePart, (LPARAM)own);
}

// A new view around sets loaded by the dialog or drop road; the array passes
// to the view (or is freed with it). 1 when the view window was created.
static int BuildViewFromSets(DataSet** sets, int count, const LogPlace& logBefore)
{
    ViewRecord* record = CreateViewRecord();
    if (!record) {
        for (int i = 0; i < count; i++) FreeDataSet(sets[i]);
        NBLFree(sets);
        MoveLoadLog(logBefore, nullptr);
        return 0;
    }
    NBLFree(record->dataSets);
    record->dataSets = sets;
    record->dataSetCount = count;
    DataSet* first = sets[0];
    record->currentDataSet = first;
    record->dataKind = first->kind;
    CopyBounded(record->title, sizeof record->title, first->title);
    // The width is kept in the data's units; only feet differ from metres.
    if (first->units == kUnitsFeet) record->profileWidth *= kUnitsFeet;
    char path[sizeof first->path];
    CopyBounded(path, sizeof path, first->path);
    HWND view = CreateViewWindow(record);
    // A record without a window would never be freed.
    if (!view) FreeViewRecord(record);
    MoveLoadLog(logBefore, view);
    AddRecentFile(path);
    return view ? 1 : 0;
}

int OpenFilesDialogInNewView()
{
    LogPlace logBefore = ActiveLogPlace();
    OpenedDataSets* opened = OpenDataFiles();
    if (!opened || opened->count == 0) {
        MoveLoadLog(logBefore, nullptr);
        return 0;
    }
    DataSet** sets = opened->sets;
    int count = opened->count;
    opened->sets = nullptr;
    opened->count = 0;
    return BuildViewFromSets(sets, count, logBefore);
}

int OpenFileInNewView(const char* givenPath)
{
    // A quoted command-line argument loses its quotes.
    char path[kEntryPathChars];
    const char* start = givenPath[0] == '"' ? givenPath + 1 : givenPath;
    size_t len = strlen(start);
    if (givenPath[0] == '"' && len > 0 && start[len - 1] == '"') len--;
    if (len >= sizeof path) {
        PathTooLong(givenPath);
        return 0;
    }
    memcpy(path, start, len);
    path[len] = 0;
    // A native or relative path (a command line under Wine) is made a full
    // Win32 one: dialogs and names built from the set's path stay Win32 paths.
    std::string full = ToWin32Path(path);
    if (full.size() >= sizeof path) {
        PathTooLong(full.c_str());
        return 0;
    }
    if (!full.empty()) CopyBounded(path, sizeof path, full.c_str());
    char title[kEntryPathChars];
    CopyBounded(title, sizeof title, GetPathFileName(path));

    LogPlace logBefore = ActiveLogPlace();
    DataSet* set = FinishDataSet(LoadByKind(GetDataFileKind(path), path, title, 1));
    if (!set) {
        MoveLoadLog(logBefore, nullptr);
        return 0;
    }
    ViewRecord* record = CreateViewRecord();
    if (!record) {
        FreeDataSet(set);
        MoveLoadLog(logBefore, nullptr);
        return 0;
    }
    record->dataSets[0] = set;
    record->dataSetCount = 1;
    record->currentDataSet = set;
    record->dataKind = set->kind;
    CopyBounded(record->title, sizeof record->title, title);
    if (set->hasColor) {
        record->pointColorMode = CMD_COLOR_RGB;
        record->tinColorMode = kRGBEncodedTinPalette;
    }
    HWND view = CreateViewWindow(record);
    if (!view) FreeViewRecord(record);
    MoveLoadLog(logBefore, view);
    AddRecentFile(path);
    return view ? 1 : 0;
}

const char kSeveralCommandLineFilesText[] = "Only one file can be opened from the command line; it names these:";

int OpenCommandLineFile(const char* commandLine)
{
    // Names are split at blanks outside double quotes, as the system splits
    // a command line.
    std::vector<std::string> names;
    std::string name;
    bool quoted = false, any = false;
    for (const char* c = commandLine ? commandLine : ""; ; c++) {
        if (*c == '"') {
            quoted = !quoted;
            any = true;
        } else if (*c && (quoted || (*c != ' ' && *c != '\t'))) {
            name += *c;
            any = true;
        } else {
            // Started from a Unix shell (under Wine) the names are Unix paths:
            // the program keeps, shows and saves by their Windows form.
            if (any) {
                std::string windows = ToWin32Path(name.c_str());
                names.push_back(windows.empty() ? name : windows);
            }
            name.clear();
            any = false;
            if (!*c) break;
        }
    }
    if (names.empty()) return 0;
    if (names.size() == 1) return names[0].empty() ? 0 : OpenFileInNewView(names[0].c_str());
    std::string text = kSeveralCommandLineFilesText;
    text += "\n";
    for (const std::string& n : names) text += "\n    " + n;
    text += "\n";
    ErrorMessage(text.c_str());
    return 0;
}

int OpenFilesInNewView(const char* path, int)
{
    if (path && path[0]) return OpenFileInNewView(path);
    return OpenFilesDialogInNewView();
}

// --- files dropped on the frame -------------------------------------------------------

int OpenDroppedFiles(HWND, HDROP drop)
{
    LogPlace logBefore = ActiveLogPlace();
    FileList list = {};
    ChoiceKinds kinds = {};
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; i++) {
        UINT length = DragQueryFileA(drop, i, nullptr, 0);
        char path[kEntryPathChars + 1] = "";
        if (length >= kEntryPathChars) {
            // Named whole: the box shows its start and its file's name.
            std::vector<char> whole((size_t)length + 1, 0);
            DragQueryFileA(drop, i, whole.data(), length + 1);
            PathTooLong(whole.data(), length);
            continue;
        }
        DragQueryFileA(drop, i, path, sizeof path);
        char title[kEntryPathChars] = "";
        if (GetFileTitleA(path, title, sizeof title) != 0) CopyBounded(title, sizeof title, GetPathFileName(path));
        int before = list.count;
        AddFileListEntry(&list, path, title);
        if (list.count == before) continue;
        FileListEntry* e = list.entries[list.count - 1];
        e->kind = ReportUnreadablePath(path) ? 0 : GetDataFileKind(path);
        if (e->kind == kDataFileKindASCII && !CheckASCIIPointFile(e->path, e->title)) {
            RemoveFileListEntry(&list, list.count - 1);
            continue;
        }
        if (IsPointKind(e->kind)) kinds.points = true;
        if (e->kind == kDataFileKindASCII) kinds.ascii = true;
        if (IsGridKind(e->kind)) kinds.grids = true;
    }
    DragFinish(drop);

    if (!SettleMixing(&kinds) || (kinds.ascii && !ASCIIFormatChosen(&list))) {
        ClearFileList(&list);
        MoveLoadLog(logBefore, nullptr);
        return 0;
    }
    DataSet** sets = nullptr;
    int loaded = 0;
    for (int i = 0; i < list.count; i++) {
        FileListEntry* e = list.entries[i];
        if (e->kind == DATA_NONE || SkippedByMixing(kinds, e->kind)) continue;   // reported already
        DataSet* set = LoadDataFileOfKind(e->kind, e->path, e->title);
        if (set) {
            loaded = AppendSet(&sets, loaded, set);
        } else if (i < list.count - 1 &&
                   ShowMessageBox(FrameWindow, kContinueOpeningQuestion, "Continue?",
                                  MB_YESNO | MB_ICONQUESTION) != IDYES) {
            break;
        }
    }
    ClearFileList(&list);
    if (loaded == 0) {
        MoveLoadLog(logBefore, nullptr);
        return 0;
    }
    BuildViewFromSets(sets, loaded, logBefore);
    return 0;
}
