// Key points: rings that stay on a plane, the accuracy the key-point TIN
// keeps, monotony in the accuracy and the same answer in feet and metres.
#include "tests/point_sets.h"
#include "classify/key_points.h"
#include "classify/surface_settings.h"
#include "classify/thinning.h"
#include "data/las_loader.h"
#include "tests/point_selections.h"
#include "data/tin_model.h"
#include <cmath>

namespace {

uint32_t seed = 1;
double Jitter()
{
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) / 16777216.0 - 0.5;
}

// n x n points one unit apart (jittered by `jitter`) on z(x, y), scaled by `scale`.
std::vector<PointRecord> Surface(int n, double jitter, double scale, double (*z)(double, double))
{
    seed = 7;
    std::vector<PointRecord> pts;
    for (int i = 0; i < n; i++)
        for (int j = 0; j < n; j++) {
            double x = i + jitter * Jitter(), y = j + jitter * Jitter();
            pts.push_back(MakePoint(1000 + x * scale, 5000 + y * scale, (float)(z(x, y) * scale), 2));
        }
    return pts;
}

double Plane(double x, double y) { return 3.0 + 0.1 * x + 0.05 * y; }
double Hills(double x, double y) { return 2.0 * std::sin(x / 7.0) + 1.5 * std::cos(y / 5.0) + 0.02 * x * y / 10; }

// Runs the step over all points; returns which stayed (class 2).
std::vector<bool> KeyPoints(DataSet* set, float accuracy)
{
    for (int32_t i = 0; i < set->pointCount; i++) set->points[i].classification = 2;
    SurfaceMagicSettings s;
    GetSurfaceMagicSettings(&s);
    s.thinError = accuracy;
    PointSelection* all = SelectAllPoints(set);
    int removed = StepFindKeyPoints(all, &s);
    FreePointSelection(all);
    std::vector<bool> kept;
    int thinned = 0;
    for (int32_t i = 0; i < set->pointCount; i++) {
        kept.push_back(set->points[i].classification == 2);
        thinned += set->points[i].classification == kThinnedClass;
    }
    EXPECT_EQ(removed, thinned);
    return kept;
}

}  // namespace

TEST(KeyPoints, PlaneKeepsItsHullAndTwoRings)
{
    const int n = 20;
    DataSet* set = MakePointSet(Surface(n, 0.0, 1.0, Plane));
    std::vector<bool> kept = KeyPoints(set, 0.01f);
    // On a grid every TIN edge joins points at most one step apart, so the
    // hull is the border and the two rings are the next two squares.
    int interiorKept = 0, interior = 0;
    for (int i = 0; i < n; i++)
        for (int j = 0; j < n; j++) {
            int depth = std::min(std::min(i, j), std::min(n - 1 - i, n - 1 - j));
            if (depth <= 2) EXPECT_TRUE(kept[(size_t)(i * n + j)]) << i << "," << j;
            else interior++, interiorKept += kept[(size_t)(i * n + j)];
        }
    // Every interior edge costs 0: the collapses leave only the last point or
    // two of the interior.
    EXPECT_GE(interiorKept, 1);
    EXPECT_LE(interiorKept * 20, interior);
    FreeDataSet(set);
}

TEST(KeyPoints, FewerThanThreeCandidatesChangeNothing)
{
    DataSet* set = MakePointSet({ MakePoint(0, 0, 1, 2), MakePoint(1, 0, 2, 2) });
    std::vector<bool> kept = KeyPoints(set, 5.0f);
    EXPECT_TRUE(kept[0] && kept[1]);
    FreeDataSet(set);
}

TEST(KeyPoints, CountFallsAsTheAccuracyGrows)
{
    DataSet* set = MakePointSet(Surface(40, 0.4, 1.0, Hills));
    int previous = set->pointCount + 1;
    int first = 0, last = 0;
    for (float accuracy : { 0.005f, 0.02f, 0.05f, 0.1f, 0.2f, 0.5f, 1.0f }) {
        std::vector<bool> kept = KeyPoints(set, accuracy);
        int count = 0;
        for (bool k : kept) count += k;
        EXPECT_LE(count, previous) << accuracy;
        if (!first) first = count;
        last = count;
        previous = count;
    }
    EXPECT_LT(last, first / 2);
    FreeDataSet(set);
}

namespace {

// Vertical distance from p to the TIN of the kept points (or -1 outside it).
double DistanceToTin(const TINModel* tin, const PointRecord& p)
{
    for (int32_t t = 0; t < tin->triangleCount; t++) {
        const PointRecord* v[3];
        for (int k = 0; k < 3; k++) v[k] = tin->points->items[tin->triangles[3 * t + k]];
        double d = (v[1]->x - v[0]->x) * (v[2]->y - v[0]->y) - (v[2]->x - v[0]->x) * (v[1]->y - v[0]->y);
        double a = ((v[1]->x - p.x) * (v[2]->y - p.y) - (v[2]->x - p.x) * (v[1]->y - p.y)) / d;
        double b = ((v[2]->x - p.x) * (v[0]->y - p.y) - (v[0]->x - p.x) * (v[2]->y - p.y)) / d;
        double c = 1 - a - b;
        const double e = -1e-9;
        if (a < e || b < e || c < e) continue;
        return std::fabs(a * v[0]->z + b * v[1]->z + c * v[2]->z - p.z);
    }
    return -1;
}

}  // namespace

TEST(KeyPoints, KeyPointTinStaysWithinTheAccuracy)
{
    // Synthetic hills, and real ground (the bare earth of a rural slope with
    // buildings), where the collapse costs alone leave points metres off.
    std::vector<PointRecord> ground;
    DataSet* sample = LoadLASData((SampleDir() + "../ground/samp54-ref.las").c_str(), "samp54-ref.las");
    ASSERT_NE(sample, nullptr) << "shared ground sample missing";
    for (int32_t i = 0; i < sample->pointCount; i++)
        if (sample->points[i].classification == 2) ground.push_back(sample->points[i]);
    FreeDataSet(sample);
    struct {
        DataSet* set;
        float accuracies[2];
    } cases[] = {{MakePointSet(Surface(40, 0.4, 1.0, Hills)), {0.05f, 0.15f}}, {MakePointSet(ground), {0.25f, 0.5f}}};
    for (auto& c : cases) {
    DataSet* set = c.set;
    for (float accuracy : c.accuracies) {
        std::vector<bool> kept = KeyPoints(set, accuracy);
        PointSelection* keys = CreatePointSelection(set->pointCount);
        keys->count = 0;
        for (int32_t i = 0; i < set->pointCount; i++)
            if (kept[(size_t)i]) keys->items[keys->count++] = &set->points[i];
        ASSERT_LT(keys->count, set->pointCount * 3 / 4);
        TINModel* tin = TriangulateSelection(keys, "nQz");
        ASSERT_NE(tin, nullptr);
        double worst = 0;
        for (int32_t i = 0; i < set->pointCount; i++) {
            double d = DistanceToTin(tin, set->points[i]);
            ASSERT_GE(d, 0) << "outside the key-point TIN: " << i;
            worst = std::max(worst, d);
        }
        EXPECT_LE(worst, accuracy) << "accuracy " << accuracy << ", " << set->pointCount << " points";
        FreeTINModel(tin, 1);
    }
    FreeDataSet(set);
    }
}

TEST(KeyPoints, FeetAndMetreCopiesGiveTheSameKeyPoints)
{
    DataSet* metres = MakePointSet(Surface(40, 0.4, 1.0, Hills));
    DataSet* feet = MakePointSet(Surface(40, 0.4, kFeetPerMetre, Hills));
    for (float accuracy : { 0.05f, 0.2f }) {
        std::vector<bool> a = KeyPoints(metres, accuracy);
        std::vector<bool> b = KeyPoints(feet, accuracy * kFeetPerMetre);
        int differ = 0, count = 0;
        for (size_t i = 0; i < a.size(); i++) {
            differ += a[i] != b[i];
            count += a[i];
        }
        EXPECT_EQ(differ, 0) << "accuracy " << accuracy << ", " << count << " key points";
    }
    FreeDataSet(metres);
    FreeDataSet(feet);
}

// ---- the view command --------------------------------------------------------------------

#include "tests/window_fixtures.h"
#include "app/command_ids.h"
#include "app/class_list_view.h"
#include "app/job_control.h"
#include "app/view_jobs.h"
#include "views/plan/view_zoom.h"
#include "classify/tile_loop.h"
#include "base/messages.h"
#include "resource.h"
#include "base/file_list.h"
#include "tests/las_test_files.h"

namespace {

std::vector<std::string> thinLog;
void KeepThinLog(const char* text) { thinLog.push_back(text); }
void AcceptSetup(HWND dialog, int templateId)
{
    if (templateId == IDD_THINNING_SETUP) SendMessageA(dialog, WM_COMMAND, IDOK, 0);
}

class ThinningCommand : public ViewFixture {};

// The hills with every fifth point in class 5, which is no "From" class and
// so set aside by the run's preparation.
DataSet* HillsWithOtherClasses()
{
    std::vector<PointRecord> pts = Surface(40, 0.4, 1.0, Hills);
    for (size_t i = 0; i < pts.size(); i += 5) pts[i].classification = 5;
    return MakePointDataSet(pts);
}
JobControl* AppJob() { return (JobControl*)GetWindowSlot(FrameWindow, FRAME_APPJOB); }
// A handle of the run's thread, to wait for it after the job has let it go.
HANDLE RunThread()
{
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), AppJob()->thread, GetCurrentProcess(), &thread, SYNCHRONIZE, FALSE, 0);
    return thread;
}
bool HasThinned(const DataSet* set)
{
    for (int32_t i = 0; i < set->pointCount; i++)
        if (set->points[i].classification == kThinnedClass) return true;
    return false;
}
// The last "[THIN]" line logged, or "".
std::string ThinLine()
{
    std::string found;
    for (const std::string& l : thinLog)
        if (l.rfind("[THIN]", 0) == 0) found = l;
    return found;
}

}  // namespace

TEST_F(ThinningCommand, KeyPointsOfAViewAreCountedAndLogged)
{
    DataSet* set = HillsWithOtherClasses();
    HWND view = OpenView({ set });
    UseThinningSettings();
    thinLog.clear();
    // The run starts on plain points over the whole data.
    ViewRecord* r = Record(view);
    int at[4] = {50, 50, 50, 50};
    ASSERT_EQ(ZoomView(view, ZOOM_IN_AT, at), 1);
    ASSERT_GT(r->zoomLevel, 0);
    r->overlayReferences = 1;
    r->showLastReturns = 0;
    // Another view is active while the run works: its count is still the run's view's.
    HWND other = OpenEmptyView("other");
    ASSERT_EQ(GetActiveView(), other);
    SetLogHook(KeepThinLog);
    SetDialogDriver(AcceptSetup);
    SendMessageA(view, WM_COMMAND, CMD_THINNING, 0);
    SetDialogDriver(nullptr);
    EXPECT_EQ(r->zoomLevel, 0);
    EXPECT_EQ(r->displayMode, DISPLAY_POINTS);
    EXPECT_EQ(r->overlayReferences, 0);
    EXPECT_EQ(r->showLastReturns, 1);
    bool logged = PumpUntil([] { return !ThinLine().empty(); }, 30000);
    SetLogHook(nullptr);
    ASSERT_TRUE(logged);
    int keys = 0, others = 0, restored = 0;
    for (int32_t i = 0; i < set->pointCount; i++) {
        int c = set->points[i].classification;
        keys += c == 8;
        others += i % 5 == 0 && c == 5;
        restored += i % 5 != 0 && c == 2;
    }
    EXPECT_EQ(others, (set->pointCount + 4) / 5);
    EXPECT_EQ(keys + restored + others, set->pointCount);
    EXPECT_GT(restored, 0);
    char line[96];
    snprintf(line, sizeof line, kThinLogFormat, keys, (int)(keys * 100.0 / set->pointCount));
    EXPECT_EQ(ThinLine(), line);
    // The hook hears the line before the run's thread writes it to the status
    // bar, which it does through the window thread.
    EXPECT_TRUE(PumpUntil([&] { return StatusText(view, 5) == line; }, 10000)) << StatusText(view, 5);
    EXPECT_NE(StatusText(other, 5), line);
    EXPECT_EQ(set->saved, 0);
}

// A view closed while its run works on its points: the run stops and ends
// before the view and its points go, and the classes it had changed are
// back, so there is nothing to save.
TEST_F(ThinningCommand, ClosingTheViewStopsTheRunFirst)
{
    DataSet* set = HillsWithOtherClasses();
    HWND view = OpenView({ set });
    UseThinningSettings();
    JobControl* app = AppJob();
    ResetEvent(app->running);   // the run waits at its first checkpoint
    SetDialogDriver(AcceptSetup);
    SendMessageA(view, WM_COMMAND, CMD_THINNING, 0);
    SetDialogDriver(nullptr);
    HANDLE thread = RunThread();
    ASSERT_NE(thread, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return HasThinned(set); }, 10000)) << "the run did not prepare the classes";
    BoxAnswers boxes;
    SendMessageA(view, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(thread, 0), (DWORD)WAIT_OBJECT_0) << "the run outlived its view";
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_FALSE(IsWindow(view));
    SetEvent(app->running);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
}

namespace {
// A second run started while the first still waits to begin, and a close of
// the first view from another thread while the second start waits its turn.
struct TwoRuns {
    HWND first;
    DataSet* firstSet;
    HANDLE firstThread;
    HWND volatile secondSetup;
    bool secondSetupGone;
    bool firstThinned;
    bool firstEndedOnClose;
} twoRuns;
void AcceptSecondSetup(HWND dialog, int templateId)
{
    twoRuns.secondSetup = dialog;
    AcceptSetup(dialog, templateId);
}
DWORD WINAPI CloseFirstView(void*)
{
    JobControl* app = AppJob();
    // From the end of its setup dialog to its wait for the first run's mutex
    // the second start answers no message: the first one sent once the
    // dialog is gone is answered in that wait.
    twoRuns.secondSetupGone = WaitUntil([] { return twoRuns.secondSetup && !IsWindow(twoRuns.secondSetup); }, 10000);
    DWORD_PTR answer;
    SendMessageTimeoutA(FrameWindow, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &answer);
    ReleaseWorker();
    twoRuns.firstThinned = WaitUntil([] { return HasThinned(twoRuns.firstSet); }, 10000);
    SendMessageA(twoRuns.first, WM_CLOSE, 0, 0);
    twoRuns.firstEndedOnClose = WaitForSingleObject(twoRuns.firstThread, 0) == WAIT_OBJECT_0;
    ResetEvent(app->running);   // holds the second run at its first checkpoint
    if (!twoRuns.firstEndedOnClose) SetEvent(app->running);
    return 0;
}
}  // namespace

// Each run keeps its own view bound until it has ended: a start on a second
// view neither takes the first view's binding away nor loses its own when
// the first run ends, so closing either view waits for the run on it.
TEST_F(ThinningCommand, EachViewOfTwoRunsWaitsForItsOwnRunOnClose)
{
    twoRuns = {};
    twoRuns.firstSet = HillsWithOtherClasses();
    DataSet* second = HillsWithOtherClasses();
    twoRuns.first = OpenView({ twoRuns.firstSet });
    HWND view = OpenView({ second });
    UseThinningSettings();
    BoxAnswers boxes;
    JobControl* app = AppJob();
    ResetEvent(app->running);
    ASSERT_TRUE(AcquireWorker());   // the first run waits to begin until the helper lets it
    SetDialogDriver(AcceptSetup);
    SendMessageA(twoRuns.first, WM_COMMAND, CMD_THINNING, 0);
    twoRuns.firstThread = RunThread();
    ASSERT_NE(twoRuns.firstThread, nullptr);
    SetDialogDriver(AcceptSecondSetup);
    PostMessageA(view, WM_COMMAND, CMD_THINNING, 0);
    HANDLE helper = CreateThread(nullptr, 0, CloseFirstView, nullptr, 0, nullptr);
    // Longer than the helper's own waits added up.
    ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(helper, 0) == WAIT_OBJECT_0; }, 30000));
    CloseHandle(helper);
    SetDialogDriver(nullptr);
    EXPECT_TRUE(twoRuns.secondSetupGone) << "the second setup dialog did not close";
    EXPECT_TRUE(twoRuns.firstThinned) << "the first run did not prepare the classes";
    EXPECT_TRUE(twoRuns.firstEndedOnClose) << "the first run outlived its view";
    EXPECT_FALSE(IsWindow(twoRuns.first));
    ASSERT_TRUE(PumpUntil([&] { return HasThinned(second); }, 10000)) << "the second run did not prepare the classes";
    HANDLE thread = RunThread();
    ASSERT_NE(thread, nullptr);
    SendMessageA(view, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(thread, 0), (DWORD)WAIT_OBJECT_0) << "the second run outlived its view";
    EXPECT_TRUE(boxes.shown().empty());
    SetEvent(app->running);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(twoRuns.firstThread);
}

namespace {
HWND outlineView;
int outlinedTiles, unseenOutlines;
PointSelection* AllInBox(DataSet* set, const double box[4])
{
    return SelectClassPointsInBox(set, box[0], box[1], box[2], box[3], 2);
}
// Looks for the tile's yellow XOR outline on its top edge while it runs.
int LookForOutline(PointSelection*, const double box[4], SurfaceMagicSettings*)
{
    const ViewRecord* r = ViewRecordOf(outlineView);
    int x = (int)(((box[0] + box[2]) / 2 - r->viewLeft) / r->scale), y = (int)((r->viewTop - box[1]) / r->scale);
    if (x < 0 || y < 1 || x >= r->clientWidth || y + 1 >= r->clientHeight) return 0;
    HDC dc = GetDC(outlineView);
    bool seen = false;
    for (int dy = -1; dy <= 1; dy++) seen = seen || GetPixel(dc, x, y + dy) == (CachePixel(r, x, y + dy) ^ kTileRoutineColour);
    ReleaseDC(outlineView, dc);
    (seen ? outlinedTiles : unseenOutlines)++;
    return 0;
}
}  // namespace

// With a view, each tile is outlined in yellow while its routine runs.
TEST_F(ThinningCommand, TilesAreOutlinedWhileTheyRun)
{
    DataSet* set = MakePointDataSet(Surface(40, 0.4, 1.0, Hills));
    outlineView = OpenView({ set }, 300, 300);
    InvalidateView(outlineView, 1);
    UpdateWindow(outlineView);
    ASSERT_TRUE(WaitForCachedDraw(outlineView, 10000));
    outlinedTiles = unseenOutlines = 0;
    SurfaceMagicSettings settings;
    GetSurfaceMagicSettings(&settings);
    EXPECT_EQ(RunTileLoop(outlineView, set, &settings, 12, 4, "Outlines", AllInBox, LookForOutline), 0);
    EXPECT_GT(outlinedTiles, 0);
    EXPECT_EQ(unseenOutlines, 0);
}

namespace {
struct FromListSeen {
    int columns = 0;
    std::string header, name;
    LRESULT prepaint = 0;
    int onAfterFirstToggle = -1, onAfterSecondToggle = -1;
} fromList;

int CheckedRows(HWND list)
{
    int n = 0, rows = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < rows; i++) n += ListView_GetCheckState(list, i) ? 1 : 0;
    return n;
}

void LookAtFromList(HWND dialog, int templateId)
{
    if (templateId != IDD_THINNING_SETUP) return;
    HWND list = GetDlgItem(dialog, IDC_THIN_FROM_LIST);
    fromList.columns = (int)SendMessageA((HWND)SendMessageA(list, LVM_GETHEADER, 0, 0), HDM_GETITEMCOUNT, 0, 0);
    char text[128] = "";
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT;
    column.pszText = text;
    column.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETCOLUMNA, 0, (LPARAM)&column);
    fromList.header = text;
    text[0] = 0;
    LVITEMA item = {};
    item.iSubItem = 3;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, 2, (LPARAM)&item);
    fromList.name = text;
    NMLVCUSTOMDRAW draw = {};
    draw.nmcd.hdr.hwndFrom = list;
    draw.nmcd.hdr.idFrom = IDC_THIN_FROM_LIST;
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    SendMessageA(dialog, WM_NOTIFY, IDC_THIN_FROM_LIST, (LPARAM)&draw);
    fromList.prepaint = GetWindowLongPtrA(dialog, DWLP_MSGRESULT);
    NMLISTVIEW click = {};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = IDC_THIN_FROM_LIST;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iSubItem = 0;
    SendMessageA(dialog, WM_NOTIFY, IDC_THIN_FROM_LIST, (LPARAM)&click);
    fromList.onAfterFirstToggle = CheckedRows(list);
    SendMessageA(dialog, WM_NOTIFY, IDC_THIN_FROM_LIST, (LPARAM)&click);
    fromList.onAfterSecondToggle = CheckedRows(list);
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}
}  // namespace

// Dialog 340's "From" list is the class list of the other class dialogs: its
// columns, the class colours and the "ON" header that switches every class
// off while one is on, else every class on.
TEST_F(ThinningCommand, TheFromListIsTheClassList)
{
    HWND view = OpenView({MakePointDataSet(Surface(10, 0.4, 1.0, Hills))});
    const ClassTable& table = Record(view)->classTable;
    UseThinningSettings();
    SetDialogDriver(LookAtFromList);
    EXPECT_EQ(ShowDialog(IDD_THINNING_SETUP, view, ThinningSetupDlgProc, (LPARAM)view), 0);
    SetDialogDriver(nullptr);
    EXPECT_EQ(fromList.columns, 4);
    EXPECT_EQ(fromList.header, "ON");
    char name[96];
    snprintf(name, sizeof name, " %3d - %s", 2, table.entries[2].name);
    EXPECT_EQ(fromList.name, name);
    NMLVCUSTOMDRAW draw = {};
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    EXPECT_EQ(fromList.prepaint, DrawClassListColors(&draw, &table));
    EXPECT_EQ(fromList.onAfterFirstToggle, 0);
    EXPECT_EQ(fromList.onAfterSecondToggle, table.count);
    EXPECT_EQ(GlobalThinningSettings.fromClasses[2], 1);   // Cancel kept the settings
}

TEST_F(ThinningCommand, NoFromClassPointSaysSoAndChangesNothing)
{
    std::vector<PointRecord> pts = Surface(10, 0.4, 1.0, Hills);
    for (PointRecord& p : pts) p.classification = 1;
    DataSet* set = MakePointDataSet(pts);
    HWND view = OpenView({ set });
    BoxAnswers boxes;
    thinLog.clear();
    SetLogHook(KeepThinLog);
    EXPECT_EQ(FindKeyPoints(view, set, 0.1f, GlobalThinningSettings.fromClasses, 8), 0);
    SetLogHook(nullptr);
    ASSERT_TRUE(ShowedOneBox(boxes, kNoFromClassPointsText));
    EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
    for (int32_t i = 0; i < set->pointCount; i++) EXPECT_EQ(set->points[i].classification, 1);
    for (const std::string& l : thinLog) EXPECT_NE(l.rfind("[THIN]", 0), 0u);
}

namespace {
std::string unitsLabel;
void ReadUnitsLabel(HWND dialog, int templateId)
{
    if (templateId != IDD_THINNING_SETUP) return;
    char text[64] = "";
    GetDlgItemTextA(dialog, IDC_THIN_UNITS, text, sizeof text);
    unitsLabel = text;
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}
}  // namespace

// The accuracy is a distance in the data's own units (the key-point step
// takes it as it is): the label names the unit the file's header names, and
// for a batch the unit its files share.
TEST_F(ThinningCommand, TheAccuracyIsLabelledWithTheUnitOfTheFiles)
{
    REQUIRE_SAMPLES();
    std::string metres = SamplePath("1815.las"), feet = SamplePath("autzen_geo_proj.las");
    // The feet sample with its linear units key (3076) saying US survey feet (9003).
    std::string survey = TempPath("survey.las"), none = TempPath("no_units.las");
    Bytes bytes = ReadBytes(feet);
    const std::string key("\x04\x0c\x00\x00\x01\x00\x2a\x23", 8);
    size_t at = std::string(bytes.begin(), bytes.end()).find(key);
    ASSERT_NE(at, std::string::npos);
    bytes[at + 6] = 0x2b;
    ASSERT_TRUE(WriteBytes(survey, bytes));
    ASSERT_TRUE(MakeLASFile(none, 12, 20, 10));
    auto label = [](std::vector<std::string> paths, int unitsCode) {
        FileList files = {};
        for (const std::string& p : paths) AddFileListEntry(&files, p.c_str(), "f.las");
        std::string text = BatchFilesUnits(&files, unitsCode);
        ClearFileList(&files);
        return text;
    };
    EXPECT_EQ(label({metres}, 3), kMetersUnits);
    EXPECT_EQ(label({none, feet}, 1), kFeetUnits);
    EXPECT_EQ(label({survey, none, survey}, 1), kSurveyFeetUnits);
    EXPECT_EQ(label({metres, survey}, 1), kFileUnits);
    EXPECT_EQ(label({none}, 3), kFeetUnits);   // the unit the user chose, or the project's
    EXPECT_EQ(label({}, 0), kMetersUnits);

    UseThinningSettings();
    SetDialogDriver(ReadUnitsLabel);
    FileList files = {};
    AddFileListEntry(&files, survey.c_str(), "survey.las");
    EXPECT_EQ(ShowThinningBatchSetup(FrameWindow, &files, 1), 0);
    EXPECT_EQ(unitsLabel, kSurveyFeetUnits);
    ClearFileList(&files);
    // A view: the header of its current data set's file.
    DataSet* set = LoadLASData(survey.c_str(), "survey.las");
    ASSERT_NE(set, nullptr);
    HWND view = OpenView({set});
    EXPECT_EQ(ShowDialog(IDD_THINNING_SETUP, view, ThinningSetupDlgProc, (LPARAM)view), 0);
    EXPECT_EQ(unitsLabel, kSurveyFeetUnits);
    SetDialogDriver(nullptr);
}
