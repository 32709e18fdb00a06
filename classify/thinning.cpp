// Verudevevur Idudorav: data prep, the tiled key-point step and the view command.
#include "classify/thinning.h"
#include "classify/candidate_index.h"
#include "classify/groundtin_screen.h"
#include "classify/key_points.h"
#include "classify/surface_run.h"
#include "classify/surface_settings.h"
#include "classify/tile_threads.h"
#include "app/class_combo.h"
#include "app/class_list_view.h"
#include "app/display_settings.h"
#include "app/app_windows.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "views/plan/view_zoom.h"
#include "app/window_slots.h"
#include "base/dialogs.h"
#include "base/file_list.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/progress.h"
#include "base/shell_hooks.h"
#include "data/data_set.h"
#include "data/lasfile/las_file.h"
#include "data/lasfile/las_geokeys.h"
#include "data/selection.h"
#include "views/plan/measure_query.h"
#include "views/plan/view_mapping.h"
#include "resource.h"
#include <commctrl.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

ThinningSettings GlobalThinningSettings;
static bool thinningSettingsSet = false;

const char kNoFromClassPointsText[] = "No \"From Classes\" points found!";
const char kNoFromClassesText[] = "No \"From Classes\" were selected!";
const char kAccuracyNotPositiveText[] = "No \"Surface Accuracy\" must be greater than zero!";
const char kThinningBatchCaption[] = "Verudevevur Idudorav Batch";
const char kMetersUnits[] = "Meters";
const char kFeetUnits[] = "Feet";
const char kSurveyFeetUnits[] = "US Survey Feet";
const char kFileUnits[] = "File Units";
const char kThinLogFormat[] = "[THIN]  KeyPoints:  %d (%d%%)";

void UseThinningSettings()
{
    if (thinningSettingsSet) return;
    thinningSettingsSet = true;
    memset(&GlobalThinningSettings, 0, sizeof GlobalThinningSettings);
    GlobalThinningSettings.keypointClass = 8;
    GlobalThinningSettings.fromClasses[2] = 1;
    GlobalThinningSettings.surfaceAccuracy = 0.125f;
}

int PrepareThinningClasses(DataSet* set, const int32_t* fromClasses)
{
    StartProgress((unsigned)(set->pointCount / 32768 + 1), "Data Prep");
    int count = 0;
    for (int32_t i = 0; i < set->pointCount; i++) {
        if (i % 32768 == 0) StepProgress();
        PointRecord& p = set->points[i];
        if (fromClasses[p.classification]) {
            p.classification = 2;
            count++;
        } else {
            p.classification = kThinnedClass;
        }
    }
    EndProgress();
    return count;
}

// The candidates of the key-point run: one run at a time holds the application job.
static const CandidateIndex* keyPointCandidates = nullptr;

static PointSelection* SelectKeyPointCandidates(DataSet* set, const double box[4])
{
    if (!keyPointCandidates) return SelectClassPointsInBox(set, box[0], box[1], box[2], box[3], WORK_GROUND);
    return SelectIndexedCandidates(keyPointCandidates, set, box[0], box[1], box[2], box[3]);
}

static int KeyPointTile(PointSelection* tile, const double*, SurfaceMagicSettings* settings)
{
    return StepFindKeyPoints(tile, settings);
}

int FindKeyPoints(HWND view, DataSet* set, float accuracy, const int32_t* fromClasses, uint8_t keypointClass)
{
    uint8_t* saved = (uint8_t*)NBLMalloc((uint64_t)set->pointCount + 1);
    if (!saved) return -2;
    for (int32_t i = 0; i < set->pointCount; i++) saved[i] = set->points[i].classification;
    auto restore = [&]() {
        for (int32_t i = 0; i < set->pointCount; i++) set->points[i].classification = saved[i];
        NBLFree(saved);
    };
    if (PrepareThinningClasses(set, fromClasses) == 0) {
        if (view) ShowMessageBox(MessageOwner(), kNoFromClassPointsText, "ERROR", MB_OK | MB_ICONERROR);
        restore();
        return 0;
    }
    int size = 60;
    if (set->pointSpacing != 0.0f) {
        double s = set->pointSpacing;
        size = (int)std::sqrt(20000.0 * s * s);
    }
    SurfaceMagicSettings settings;
    GetSurfaceMagicSettings(&settings);
    settings.unitsCode = set->units;
    settings.pointSpacing = set->pointSpacing;
    settings.thinError = accuracy;
    // Tiles overlap by two thirds: each reads its box from an index of the
    // candidates instead of scanning whole cells of the set's tile grid. A
    // tile's search touches nothing but its own points' classes, so tiles
    // whose boxes do not meet run on several threads.
    CandidateIndex* index = BuildCandidateIndex(set, WORK_GROUND, std::max(1, size) / 6.0);
    keyPointCandidates = index;
    int result = RunTileLoopThreaded(view, set, &settings, size, 2 * size / 3, "Finding Key-Points", SelectKeyPointCandidates,
                             KeyPointTile);
    keyPointCandidates = nullptr;
    FreeCandidateIndex(index);
    if (result < 0) {
        restore();
        return result;
    }
    int count = 0;
    for (int32_t i = 0; i < set->pointCount; i++) {
        PointRecord& p = set->points[i];
        if (p.classification == kThinnedClass) {
            p.classification = saved[i];
        } else {
            p.classification = keypointClass;
            count++;
        }
    }
    NBLFree(saved);
    set->saved = 0;
    return count;
}

// ---- dialog 340 ----------------------------------------------------------------------------

static const ClassTable* SetupClassTable(HWND view)
{
    if (view) {
        ViewRecord* record = ViewRecordOf(view);
        if (record) return &record->classTable;
    }
    return &GlobalDisplaySettings.classTable;
}

// The "From" rows: the class list of the other class dialogs, its check boxes the flags.
static void FillFromClassList(HWND dialog, HWND list, const ClassTable* table, const int32_t* flags)
{
    FillClassPickList(dialog, list, table, flags);
    ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
}

static void ReadFromClassChecks(HWND dialog, HWND list, int count, int32_t* flags)
{
    for (int i = 0; i < 256; i++) flags[i] = 0;
    GetListViewChecks(dialog, list, count < 256 ? count : 256, flags);
}

// ---- the accuracy's unit --------------------------------------------------------------

// The accuracy is a distance in the data's own units (the key-point step
// does not convert it), so its label names them.
static const char* UnitsOfCode(int unitsCode) { return unitsCode == 3 ? kFeetUnits : kMetersUnits; }

// The unit a LAS file's header names (GeoTIFF linear units); null when none.
static const char* HeaderUnits(const char* path)
{
    LASFile* las = OpenLASFile(path, LAS_MODE_READ);
    if (!las) return nullptr;
    int key = GetLASLinearUnitsKey(las);
    CloseLASFile(las);
    return key == 9001 ? kMetersUnits : key == 9002 ? kFeetUnits : key == 9003 ? kSurveyFeetUnits : nullptr;
}

static const char* ViewUnits(const ViewRecord* record)
{
    const DataSet* set = record ? record->currentDataSet : nullptr;
    if (!set) return kMetersUnits;
    const char* named = set->source == SOURCE_LAS || set->source == SOURCE_LAZ ? HeaderUnits(set->path) : nullptr;
    return named ? named : UnitsOfCode(set->units);
}

// The label of the next setup dialog opened without a view.
static const char* batchUnits;

const char* BatchFilesUnits(const FileList* files, int unitsCode)
{
    const char* units = nullptr;
    for (int i = 0; files && i < files->count; i++) {
        const char* named = HeaderUnits(files->entries[i]->path);
        if (!named) continue;
        if (units && strcmp(units, named)) return kFileUnits;   // each file in its own unit
        units = named;
    }
    return units ? units : UnitsOfCode(unitsCode);
}

int ShowThinningBatchSetup(HWND owner, const FileList* files, int unitsCode)
{
    batchUnits = BatchFilesUnits(files, unitsCode);
    int result = (int)ShowDialog(IDD_THINNING_SETUP, owner, ThinningSetupDlgProc, 0);
    batchUnits = nullptr;
    return result;
}

INT_PTR CALLBACK ThinningSetupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    static ThinningSettings before;
    static const ClassTable* table;
    HWND list = GetDlgItem(dialog, IDC_THIN_FROM_LIST);
    switch (message) {
    case WM_INITDIALOG: {
        HWND view = (HWND)lParam;
        table = SetupClassTable(view);
        before = GlobalThinningSettings;
        ViewRecord* record = ViewRecordOf(view);
        SetDlgItemTextA(dialog, IDC_THIN_TITLE,
                        record && record->currentDataSet ? record->currentDataSet->title : kThinningBatchCaption);
        SetupClassListView(dialog, list);
        FillFromClassList(dialog, list, table, GlobalThinningSettings.fromClasses);
        FillClassCombo(GetDlgItem(dialog, IDC_THIN_KEYPOINT_CLASS), GlobalThinningSettings.keypointClass, nullptr);
        char text[32];
        snprintf(text, sizeof text, "%.3f", GlobalThinningSettings.surfaceAccuracy);
        SetDlgItemTextA(dialog, IDC_THIN_ACCURACY, text);
        SetDlgItemTextA(dialog, IDC_THIN_UNITS, view ? ViewUnits(record) : batchUnits ? batchUnits : kMetersUnits);
        CenterOnFrame(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            int32_t flags[256];
            ReadFromClassChecks(dialog, list, table->count, flags);
            bool any = false;
            for (int32_t f : flags) any = any || f;
            if (!any) {
                ShowMessageBox(dialog, kNoFromClassesText, "Error", MB_OK | MB_ICONERROR);
                return TRUE;
            }
            char text[64];
            GetDlgItemTextA(dialog, IDC_THIN_ACCURACY, text, sizeof text);
            float accuracy = (float)atof(text);
            if (!(accuracy > 0.0f)) {
                ShowMessageBox(dialog, kAccuracyNotPositiveText, "Error", MB_OK | MB_ICONERROR);
                return TRUE;
            }
            memcpy(GlobalThinningSettings.fromClasses, flags, sizeof flags);
            int row = (int)SendDlgItemMessageA(dialog, IDC_THIN_KEYPOINT_CLASS, CB_GETCURSEL, 0, 0);
            if (row >= 0) GlobalThinningSettings.keypointClass = row;
            GlobalThinningSettings.surfaceAccuracy = accuracy;
            EndDialog(dialog, 1);
            return TRUE;
        }
        case IDCANCEL:
            GlobalThinningSettings = before;
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    case WM_NOTIFY: {
        NMHDR* header = (NMHDR*)lParam;
        if (header->idFrom != IDC_THIN_FROM_LIST) break;
        if (header->code == NM_CUSTOMDRAW) {
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, DrawClassListColors((NMLVCUSTOMDRAW*)lParam, table));
            return TRUE;
        }
        if (header->code == LVN_COLUMNCLICK && ((NMLISTVIEW*)lParam)->iSubItem == 0) {
            int32_t flags[256];
            ReadFromClassChecks(dialog, list, table->count, flags);
            bool any = false;
            for (int32_t f : flags) any = any || f;
            for (int i = 0; i < table->count && i < 256; i++) flags[i] = any ? 0 : 1;
            FillFromClassList(dialog, list, table, flags);
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

// ---- view command 9071 ---------------------------------------------------------------------

struct ThinningRun {
    HWND view;
    float accuracy;
    int32_t* fromClasses;
    int32_t keypointClass;
};

static DWORD WINAPI ThinningThread(void* parameter)
{
    ThinningRun* run = (ThinningRun*)parameter;
    // The run's lines are its view's, whichever view is active meanwhile.
    ThreadStatusView lines(run->view);
    JobControl* app = (JobControl*)GetWindowSlot(FrameWindow, FRAME_APPJOB);
    WaitForSingleObject(app->mutex, INFINITE);
    AcquireWorker();
    BeginAppJob();
    ViewRecord* record = ViewRecordOf(run->view);
    DataSet* set = record ? record->currentDataSet : nullptr;
    if (set) {
        int count = FindKeyPoints(run->view, set, run->accuracy, run->fromClasses, (uint8_t)run->keypointClass);
        if (count >= 0) {
            char text[96];
            int held = set->pointCount > 0 ? set->pointCount : 1;
            snprintf(text, sizeof text, kThinLogFormat, count, (int)(count * 100.0 / held));
            LogMessage(text);
        }
    }
    FinishWorkerRun(run->view);
    LetGoAppJobView(run->view);
    NBLFree(run->fromClasses);
    NBLFree(run);
    return 1;
}

int RunIntelligentThinning(HWND view)
{
    UseThinningSettings();
    if (ShowDialog(IDD_THINNING_SETUP, view, ThinningSetupDlgProc, (LPARAM)view) != 1) return 0;
    ThinningRun* run = (ThinningRun*)NBLCalloc(1, sizeof(ThinningRun));
    int32_t* table = (int32_t*)NBLMalloc(sizeof GlobalThinningSettings.fromClasses);
    if (!run || !table) {
        NBLFree(run);
        NBLFree(table);
        return 0;
    }
    memcpy(table, GlobalThinningSettings.fromClasses, sizeof GlobalThinningSettings.fromClasses);
    run->view = view;
    run->accuracy = GlobalThinningSettings.surfaceAccuracy;
    run->fromClasses = table;
    run->keypointClass = GlobalThinningSettings.keypointClass;
    CancelAppJob();
    // The run's tiles are outlined, and its result drawn, over plain points of the whole data.
    ResetViewDisplayMode(view);
    ViewRecord* record = ViewRecordOf(view);
    if (record && record->zoomLevel > 0) ZoomFullExtent(view);
    // Bound to its thread once started: a close from then on waits for it.
    if (!StartAppJobThread(ThinningThread, run, view)) {
        NBLFree(table);
        NBLFree(run);
        return 0;
    }
    return 1;
}
