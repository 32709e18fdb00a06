// Contours from TINs: lines of a cone and of a plane against their analytic
// form, levels and index lines, the contour job with cancel and close, the
// shapefile read back with OGR, and the "Contour Parameters" dialog.
#include "window_fixtures.h"
#include "point_sets.h"
#include "point_selections.h"
#include "las_test_files.h"
#include "resource.h"
#include "app/job_control.h"
#include "app/view_selection.h"
#include "base/file_io.h"
#include "base/file_system.h"
#include "base/polygon.h"
#include "base/progress.h"
#include "data/tin_model.h"
#include "views/contours/contour_job.h"
#include "views/contours/contour_list.h"
#include "views/contours/contour_shapefile.h"
#include "views/contours/tin_contours.h"
#include "gis/layers/ref_files.h"
#include "gis/layers/ref_shapefile.h"
#include <gdal.h>
#include <ogr_api.h>
#include <commctrl.h>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <string>

namespace {

// Points on a square lattice of `side` x `side` with the given spacing,
// heights from the function; class 2.
std::vector<PointRecord> Lattice(int side, double spacing, std::function<float(double, double)> z)
{
    std::vector<PointRecord> points;
    for (int i = 0; i < side; i++)
        for (int j = 0; j < side; j++) {
            // Inner points move a little to break the lattice's ties; the
            // border stays straight, so that all of it is hull.
            bool inner = i > 0 && j > 0 && i < side - 1 && j < side - 1;
            double x = (j - side / 2) * spacing + (inner ? 0.001 * ((i * 7 + j * 3) % 5) : 0);
            double y = (i - side / 2) * spacing + (inner ? 0.001 * ((i * 3 + j * 5) % 7) : 0);
            points.push_back(MakePoint(x, y, z(x, y), 2));
        }
    return points;
}

// A TIN over the points, which stay with the caller.
struct TestTIN {
    std::vector<PointRecord> points;
    TINModel* tin = nullptr;
    explicit TestTIN(std::vector<PointRecord> p) : points(std::move(p))
    {
        tin = BuildTINFromPoints(SelectPoints(points.data(), (int32_t)points.size()));
    }
    ~TestTIN() { FreeTINModel(tin, 1); }
};

ContourList* Trace(const TINModel* tin, float interval)
{
    ContourList* list = NewContourList();
    EXPECT_EQ(TraceTINContours(tin, interval, &list, nullptr), 1);
    return list;
}

// A peak of 5 whose eight neighbours stand at 3, the rest of the lattice at
// 0.5: with interval 1 the levels 3 and 5 pass exactly through vertices.
float PeakOnLevels(double x, double y)
{
    long d = std::max(labs(lround(x)), labs(lround(y)));
    return d == 0 ? 5.0f : d == 1 ? 3.0f : 0.5f;
}

}  // namespace

TEST(TINContours, ConeLinesAreClosedCirclesAtTheirLevels)
{
    TestTIN cone(Lattice(61, 1.0, [](double x, double y) { return (float)(100 - sqrt(x * x + y * y)); }));
    ASSERT_NE(cone.tin, nullptr);
    ContourList* list = Trace(cone.tin, 5);
    ASSERT_NE(list, nullptr);
    int rings = 0;
    for (int i = 0; i < list->count; i++) {
        const struct Polyline* line = list->lines[i];
        ASSERT_GE(line->vertexCount, 2);
        float level = line->vertices[0].z;
        double radius = 100 - level;
        const Vec3& a = line->vertices[0];
        const Vec3& b = line->vertices[line->vertexCount - 1];
        if (a.x == b.x && a.y == b.y) rings++;
        for (int k = 0; k < line->vertexCount; k++) {
            const Vec3& v = line->vertices[k];
            EXPECT_EQ(v.z, level);
            // Linear facets over 1-unit cells lie within a few hundredths of the cone.
            EXPECT_NEAR(sqrt(v.x * v.x + v.y * v.y), radius, 0.05) << "level " << level;
        }
        EXPECT_EQ(line->type, ContourLineType(level, 5));
    }
    // Levels 75 .. 95 close inside the blocked border; 100 is the apex alone.
    EXPECT_GE(rings, 5);
    FreeContourList(list);
}

// A level through a vertex meets it on every side that ends there: no line
// of that one point (the peak's level has none) and no vertex twice in a row.
TEST(TINContours, VerticesExactlyOnALevelGiveNoLineWithoutLength)
{
    TestTIN peak(Lattice(15, 1.0, PeakOnLevels));
    ASSERT_NE(peak.tin, nullptr);
    ContourList* list = Trace(peak.tin, 1);
    ASSERT_NE(list, nullptr);
    std::map<float, int> lines;
    for (int i = 0; i < list->count; i++) {
        const struct Polyline* line = list->lines[i];
        ASSERT_GE(line->vertexCount, 2) << i;
        for (int k = 1; k < line->vertexCount; k++)
            EXPECT_FALSE(line->vertices[k].x == line->vertices[k - 1].x && line->vertices[k].y == line->vertices[k - 1].y)
                << "line " << i << " vertex " << k;
        lines[line->vertices[0].z]++;
    }
    EXPECT_EQ(lines.count(5.0f), 0u);
    for (float level : {1.0f, 2.0f, 3.0f, 4.0f}) EXPECT_GE(lines[level], 1) << level;
    FreeContourList(list);
}

TEST(TINContours, PlaneLinesAreStraightAndOpenAtTheBorder)
{
    TestTIN plane(Lattice(41, 1.0, [](double x, double) { return (float)(0.5 * x + 0.25); }));
    ContourList* list = Trace(plane.tin, 1);
    ASSERT_NE(list, nullptr);
    std::map<float, int> interiorLines;
    for (int i = 0; i < list->count; i++) {
        const struct Polyline* line = list->lines[i];
        const Vec3& a = line->vertices[0];
        const Vec3& b = line->vertices[line->vertexCount - 1];
        for (int k = 0; k < line->vertexCount; k++) EXPECT_NEAR(line->vertices[k].x, 2.0 * a.z - 0.5, 1e-3);
        // Short pieces near the ends of the lines, where the border zone is reached, are not counted.
        if (fabs(a.x) > 15 || line->vertexCount < 10) continue;
        interiorLines[a.z]++;
        EXPECT_FALSE(a.x == b.x && a.y == b.y);
        // Traced both ways from its start, it runs from border zone to border zone.
        EXPECT_GT(fabs(a.y - b.y), 30);
    }
    EXPECT_EQ(interiorLines.size(), 15u);   // levels -7 .. 7
    for (const auto& level : interiorLines) EXPECT_EQ(level.second, 1) << level.first;
    FreeContourList(list);
}

namespace {

float Hill(double x, double y) { return (float)(20 - sqrt(x * x + y * y) + 0.3 * sin(x)); }

// The first `count` lines of `b` are those of `a`, bit for bit.
void ExpectSameLines(const ContourList* a, const ContourList* b, int count, const char* what)
{
    ASSERT_LE(count, a->count) << what;
    ASSERT_LE(count, b->count) << what;
    for (int i = 0; i < count; i++) {
        const struct Polyline* p = a->lines[i];
        const struct Polyline* q = b->lines[i];
        ASSERT_EQ(p->vertexCount, q->vertexCount) << what << ", line " << i;
        EXPECT_EQ(p->type, q->type) << what << ", line " << i;
        ASSERT_EQ(memcmp(p->vertices, q->vertices, p->vertexCount * sizeof(Vec3)), 0) << what << ", line " << i;
    }
}

// A progress bar that cancels the job at the n-th position it is moved to.
JobControl* cancelJob;
int stepsToCancel;
LRESULT CALLBACK CancellingBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == PBM_SETPOS && wParam > 0 && --stepsToCancel == 0) CancelJob(cancelJob);
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

// Levels are traced in runs on several threads, each with its own states and
// lists; whatever the threads and runs, the list is the one-thread list.
TEST(TINContours, AnyThreadsAndRunsGiveTheOneThreadLinesBitForBit)
{
    TestTIN hill(Lattice(31, 1.0, Hill));
    ContourList* one = NewContourList();
    ASSERT_EQ(TraceTINContours(hill.tin, 0.05f, &one, nullptr, 0, 1), 1);
    ASSERT_GT(one->count, 300);
    struct {
        int threads;
        int64_t listEntries;
    } cases[] = {{4, 0}, {8, 0}, {3, 1}, {8, 40}};
    for (const auto& c : cases) {
        ContourList* many = NewContourList();
        ASSERT_EQ(TraceTINContours(hill.tin, 0.05f, &many, nullptr, c.listEntries, c.threads), 1);
        std::string what = std::to_string(c.threads) + " threads, runs of " + std::to_string(c.listEntries);
        EXPECT_EQ(many->count, one->count) << what;
        ExpectSameLines(one, many, std::min(one->count, many->count), what.c_str());
        FreeContourList(many);
    }
    FreeContourList(one);
}

// A cancel mid-run keeps the lines of whole levels: the first lines of the
// full list, up to the end of a level.
TEST(TINContours, ACancelledTraceKeepsAFirstRunOfWholeLevels)
{
    TestTIN hill(Lattice(31, 1.0, Hill));
    ContourList* full = NewContourList();
    ASSERT_EQ(TraceTINContours(hill.tin, 0.01f, &full, nullptr, 0, 1), 1);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = CancellingBarProc;
    wc.lpszClassName = "CancellingBar";
    RegisterClassA(&wc);
    // 20 pixels wide: the bar is moved 20 times over the run.
    HWND bar = CreateWindowExA(0, "CancellingBar", "", 0, 0, 0, 20, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(bar, nullptr);
    SetProgressWindows(bar, nullptr);
    cancelJob = CreateJobControl();
    ASSERT_TRUE(BeginJob(cancelJob));
    stepsToCancel = 3;   // about 15% of some 2,200 levels
    ContourList* part = NewContourList();
    int result = TraceTINContours(hill.tin, 0.01f, &part, cancelJob, 20, 4);
    SetProgressWindows(nullptr, nullptr);
    DestroyWindow(bar);
    EndJob(cancelJob);
    FreeJobControl(cancelJob);

    EXPECT_EQ(result, 0);
    ASSERT_NE(part, nullptr);
    EXPECT_LT(part->count, full->count);
    ExpectSameLines(full, part, part->count, "cancelled");
    if (part->count > 0 && part->count < full->count) {
        EXPECT_NE(full->lines[part->count]->vertices[0].z, part->lines[part->count - 1]->vertices[0].z);
    }
    FreeContourList(part);
    FreeContourList(full);
}

// Levels are counted in 64 bits; a TIN whose interval gives more than the
// limit is not traced (no int level number overflows, nothing throws).
TEST(TINContours, LevelsAreCountedWithoutOverflowAndTooManyAreNotTraced)
{
    EXPECT_EQ(CountContourLevels(-2.5, 3.0, 1.0), 6);
    EXPECT_EQ(CountContourLevels(0.0, 1e12, 1.0 / 1024), 1024000000000001LL);
    EXPECT_EQ(CountContourLevels(3.0, 2.0, 1.0), 0);
    EXPECT_EQ(CountContourLevels(0.0, 1.0, 0.0), INT64_MAX);
    TestTIN hill(Lattice(31, 1.0, Hill));
    ContourList* list = NewContourList();
    EXPECT_EQ(TraceTINContours(hill.tin, 1e-9f, &list, nullptr, 0, 1), 0);
    EXPECT_EQ(list->count, 0);
    FreeContourList(list);
}

TEST(TINContours, LevelsAndIndexLines)
{
    int first, end;
    ContourLevelRange(10.2f, 12.7f, 1.0f, &first, &end);
    EXPECT_EQ(first, 9);
    EXPECT_EQ(end, 13);   // levels 9 .. 12
    ContourLevelRange(-2.5f, 3.0f, 1.0f, &first, &end);
    EXPECT_EQ(first, -3);
    for (float h : {0.0f, 10.0f, 20.0f, -10.0f}) EXPECT_EQ(ContourLineType(h, 2), CONTOUR_INDEX) << h;
    for (float h : {2.0f, 4.0f, 6.0f, 8.0f, -4.0f}) EXPECT_EQ(ContourLineType(h, 2), CONTOUR_INTERMEDIATE) << h;
    EXPECT_EQ(ContourLineType(0.5f, 0.1f), CONTOUR_INDEX);
    EXPECT_TRUE(LevelBetween(1, 3, 3));
    EXPECT_TRUE(LevelBetween(3, 1, 1));
    EXPECT_FALSE(LevelBetween(2, 2, 2.5f));
    EXPECT_TRUE(LevelBetween(2, 2, 2));
}

TEST(TINContours, ASmallTINAllInTheBorderZoneHasNoLines)
{
    TestTIN tiny(Lattice(4, 1.0, [](double x, double) { return (float)x; }));
    ContourList* list = Trace(tiny.tin, 0.5f);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count, 0);
    FreeContourList(list);
}

// ---- the job on a view --------------------------------------------------------------

class ContourJob : public ViewFixture {
protected:
    // A view of the lattice's points with their TIN.
    HWND OpenSurface(int side, float interval, std::function<float(double, double)> z)
    {
        HWND view = OpenView({MakePointDataSet(Lattice(side, 1.0, z))}, 300, 300);
        ViewRecord* r = Record(view);
        r->contourInterval = interval;
        r->tin = BuildTINFromPoints(LocateTINData(view));
        return view;
    }
    HWND OpenCone(int side, float interval)
    {
        return OpenSurface(side, interval, [](double x, double y) { return (float)(100 - sqrt(x * x + y * y)); });
    }
    // The view's contours saved in the temporary folder and opened with OGR; null when either fails.
    GDALDatasetH SavedWithOGR(HWND view, const char* name)
    {
        std::string path = TempPath(name);
        if (SaveContourShapefile(view, path.c_str(), name) != 1) return nullptr;
        GDALAllRegister();
        return GDALOpenEx(ToNativePath(path.c_str()).c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
    }
    // Pumps until the application job has ended and its end has been shown.
    static bool WaitForAppJob(int ms)
    {
        bool ended = PumpUntil([] { return !IsAppJobBusy(); }, ms);
        PumpMessages(5);
        return ended;
    }
};

TEST_F(ContourJob, AFinishedJobFillsTheListAndACancelledOneKeepsWhatItTraced)
{
    HWND view = OpenCone(61, 5);
    ViewRecord* r = Record(view);
    ASSERT_NE(r->tin, nullptr);
    ASSERT_EQ(StartContourThread(view), 1);
    ASSERT_TRUE(WaitForAppJob(20000));
    ASSERT_NE(r->contours, nullptr);
    EXPECT_GE(r->contours->count, 5);

    HWND big = OpenCone(301, 0.05f);
    ViewRecord* b = Record(big);
    ContourList* full = Trace(b->tin, 0.05f);
    ASSERT_EQ(StartContourThread(big), 1);
    EXPECT_EQ(StartContourThread(view), 0);   // one application job at a time
    CancelAppJob();
    ASSERT_TRUE(WaitForAppJob(60000));
    ASSERT_NE(b->contours, nullptr);
    EXPECT_LT(b->contours->count, full->count);
    for (int i = 0; i < b->contours->count; i++) ASSERT_NE(b->contours->lines[i], nullptr);
    FreeContourList(full);
}

TEST_F(ContourJob, ClosingTheViewStopsItsJobFirst)
{
    HWND view = OpenCone(301, 0.05f);
    ASSERT_EQ(StartContourThread(view), 1);
    SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)view, 0);
    EXPECT_FALSE(IsAppJobBusy());
    EXPECT_FALSE(IsWindow(view));
}

TEST_F(ContourJob, ShapefileReadBackWithOGRHoldsLinesLevelsAndFields)
{
    HWND view = OpenCone(61, 5);
    ViewRecord* r = Record(view);
    r->contours = Trace(r->tin, 5);
    ASSERT_GT(r->contours->count, 0);
    std::string path = TempPath("cone.shp");
    GDALDatasetH ds = SavedWithOGR(view, "cone.shp");
    ASSERT_NE(ds, nullptr);
    OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
    EXPECT_EQ(OGR_L_GetFeatureCount(layer, 1), r->contours->count);
    OGRFeatureDefnH defn = OGR_L_GetLayerDefn(layer);
    ASSERT_EQ(OGR_FD_GetFieldCount(defn), 2);
    EXPECT_STREQ(OGR_Fld_GetNameRef(OGR_FD_GetFieldDefn(defn, 0)), "LAYER");
    EXPECT_EQ(OGR_Fld_GetType(OGR_FD_GetFieldDefn(defn, 1)), OFTReal);
    EXPECT_EQ(wkbFlatten(OGR_L_GetGeomType(layer)), wkbLineString);
    OGR_L_ResetReading(layer);
    for (int i = 0; i < r->contours->count; i++) {
        OGRFeatureH f = OGR_L_GetNextFeature(layer);
        ASSERT_NE(f, nullptr);
        const struct Polyline* line = r->contours->lines[i];
        EXPECT_STREQ(OGR_F_GetFieldAsString(f, 0), line->type == CONTOUR_INDEX ? "INDEX" : "INTERMEDIATE");
        EXPECT_DOUBLE_EQ(OGR_F_GetFieldAsDouble(f, 1), line->vertices[0].z);
        OGRGeometryH g = OGR_F_GetGeometryRef(f);
        ASSERT_EQ(OGR_G_GetPointCount(g), line->vertexCount);
        EXPECT_DOUBLE_EQ(OGR_G_GetX(g, 1), line->vertices[1].x);
        OGR_F_Destroy(f);
    }
    GDALClose(ds);

    // The dialog adds no extension: a bare name, or the table's, still gives
    // the shapes their ".shp" beside the table, written twice in place.
    for (const char* name : {"bare_cone", "table_cone.dbf"}) {
        std::string given = TempPath(name), base = given.substr(0, given.find(".dbf"));
        for (int time = 0; time < 2; time++) ASSERT_EQ(SaveContourShapefile(view, given.c_str(), name), 1) << name;
        if (!strchr(name, '.')) { EXPECT_EQ(GetFileAttributesA(given.c_str()), INVALID_FILE_ATTRIBUTES); }
        GDALDatasetH again = GDALOpenEx(ToNativePath((base + ".shp").c_str()).c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
        ASSERT_NE(again, nullptr) << name;
        OGRLayerH lines = GDALDatasetGetLayer(again, 0);
        EXPECT_EQ(OGR_L_GetFeatureCount(lines, 1), r->contours->count) << name;
        EXPECT_EQ(OGR_FD_GetFieldCount(OGR_L_GetLayerDefn(lines)), 2) << name;
        GDALClose(again);
    }

    // A folder that does not exist: reported, and nothing left claiming to be saved.
    BoxAnswers boxes;
    std::string bad = TempPath("missing\\cone.shp");
    EXPECT_EQ(SaveContourShapefile(view, bad.c_str(), "cone.shp"), 0);
    ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kContourFileOpenFailed, "cone.dbf")));
    EXPECT_EQ(boxes.shown()[0].caption, "ERROR");

    // A full disk anywhere in a save fails it and keeps the file saved before.
    const Bytes shapes = ReadBytes(path), table = ReadBytes(TempPath("cone.dbf"));
    for (int nth : {1, 4, 30}) {
        BoxAnswers failed;
        SetWriteFaultAt(nth);
        EXPECT_EQ(SaveContourShapefile(view, path.c_str(), "cone.shp"), 0) << nth;
        SetWriteFaultAt(0);
        EXPECT_EQ(failed.shown().size(), 1u) << nth;
        EXPECT_TRUE(ReadBytes(path) == shapes && ReadBytes(TempPath("cone.dbf")) == table) << nth;
    }
}

// The saved lines of vertices lying on their levels: each has a length and
// no point twice in a row, as other programs read them.
TEST_F(ContourJob, LinesThroughVerticesOnTheirLevelAreSavedWithALength)
{
    HWND view = OpenSurface(15, 1, PeakOnLevels);
    ViewRecord* r = Record(view);
    ASSERT_NE(r->tin, nullptr);
    r->contours = Trace(r->tin, 1);
    ASSERT_GT(r->contours->count, 0);
    GDALDatasetH ds = SavedWithOGR(view, "peak.shp");
    ASSERT_NE(ds, nullptr);
    OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
    EXPECT_EQ(OGR_L_GetFeatureCount(layer, 1), r->contours->count);
    OGR_L_ResetReading(layer);
    for (OGRFeatureH f; (f = OGR_L_GetNextFeature(layer)) != nullptr; OGR_F_Destroy(f)) {
        OGRGeometryH g = OGR_F_GetGeometryRef(f);
        EXPECT_GT(OGR_G_Length(g), 0.0) << OGR_F_GetFID(f);
        for (int k = 1; k < OGR_G_GetPointCount(g); k++)
            EXPECT_FALSE(OGR_G_GetX(g, k) == OGR_G_GetX(g, k - 1) && OGR_G_GetY(g, k) == OGR_G_GetY(g, k - 1))
                << OGR_F_GetFID(f) << " point " << k;
    }
    GDALClose(ds);
}

TEST_F(ContourJob, SavingWithoutContoursOffersToCreateThem)
{
    HWND view = OpenCone(11, 5);
    BoxAnswers boxes({IDNO});
    FileDialogAnswers dialogs({});
    EXPECT_EQ(SaveContours(view), 0);
    ASSERT_TRUE(ShowedOneBox(boxes, kNoContoursQuestion));
    EXPECT_EQ(boxes.shown()[0].caption, "No Contours");
    EXPECT_EQ(dialogs.calls(), 0);
}

namespace {

std::string intervalText;
int confirmations;   // 1: the OK is expected to end the dialog
std::string shownInterval;

void DriveContourDialog(HWND dialog, int templateId)
{
    if (templateId != IDD_CONTOUR_PARAMS) return;
    char text[64];
    GetDlgItemTextA(dialog, IDC_CONTOUR_INTERVAL, text, sizeof text);
    shownInterval = text;
    if (intervalText == "all") {
        SendMessageA(dialog, WM_COMMAND, IDC_ALL_ON, 0);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    SetDlgItemTextA(dialog, IDC_CONTOUR_INTERVAL, intervalText.c_str());
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    // A refused OK leaves the dialog open: cancel it then.
    if (confirmations == 0) SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

TEST_F(ContourJob, DialogValuesRoundTripAndBadOnesAreRefused)
{
    HWND view = OpenCone(11, 2);
    ViewRecord* r = Record(view);
    for (int c = 0; c < 256; c++) r->classTable.entries[c].tinDisplay = 1;
    SetDialogDriver(DriveContourDialog);
    {
        BoxAnswers boxes;
        intervalText = "-1";
        confirmations = 0;
        EXPECT_EQ(ContourSettings(view), 0);
        EXPECT_EQ(shownInterval, "2.0");
        ASSERT_TRUE(ShowedOneBox(boxes, "Contour Interval must be greater than zero:\n\n    -1.0"));
        // The first opening chose the bare-earth classes.
        for (int c = 0; c < r->classTable.count; c++)
            EXPECT_EQ(r->classTable.entries[c].tinDisplay, c == 2 || c == 8) << c;
        EXPECT_EQ(r->contourInterval, 2.0f);
    }
    {
        // 93 to 100 m in steps of 0.1 mm: more levels than may be drawn.
        BoxAnswers boxes;
        intervalText = "0.0001";
        const DataSet* set = r->dataSets[0];
        long long levels = (long long)CountContourLevels(set->minZ, set->maxZ, 0.0001);
        EXPECT_GT(levels, kMaxContourLevels);
        EXPECT_EQ(ContourSettings(view), 0);
        ASSERT_EQ(boxes.shown().size(), 1u);
        char text[200];
        snprintf(text, sizeof text, kContourLevelsText, 0.0001, levels, kMaxContourLevels);
        EXPECT_EQ(boxes.shown()[0].text, text);
        EXPECT_EQ(r->contourInterval, 2.0f);
    }
    {
        BoxAnswers boxes({IDNO});
        intervalText = "all";
        EXPECT_EQ(ContourSettings(view), 0);
        ASSERT_TRUE(ShowedOneBox(boxes, kAllClassesWarningText));
    }
    {
        BoxAnswers boxes;
        intervalText = "2.5";
        confirmations = 1;
        for (int c = 0; c < 256; c++) r->classTable.entries[c].tinDisplay = c == 2;   // the cancel kept all on
        EXPECT_EQ(ContourSettings(view), 1);
        EXPECT_TRUE(boxes.shown().empty());
        EXPECT_EQ(r->contourInterval, 2.5f);
        EXPECT_EQ(r->contourSettings[0], 1);
    }
    SetDialogDriver(nullptr);
}

// Contours far off (+-1e9) are written and read again as a reference layer; a
// vertex the reader would refuse (beyond 1e10, no number) fails the save by
// the line's number and keeps the file saved before.
TEST_F(ContourJob, ExtremeLinesReadAgainOrTheSaveRefusesThemByNumber)
{
    HWND view = OpenCone(61, 5);
    ViewRecord* r = Record(view);
    r->contours = Trace(r->tin, 5);
    ASSERT_GT(r->contours->count, 2);
    struct Polyline* outer = r->contours->lines[2];
    for (int k = 0; k < outer->vertexCount; k++) {
        outer->vertices[k].x = k % 2 ? 1e9 : -1e9;
        outer->vertices[k].y = k % 2 ? -1e9 : 1e9;
    }
    std::string path = TempPath("far.shp");
    ASSERT_EQ(SaveContourShapefile(view, path.c_str(), "far.shp"), 1);
    auto linesRead = [&]() {
        BoxAnswers boxes;
        ReferenceFile* f = LoadReferenceShapefile(path.c_str(), "far.shp");
        int count = f && f->lines ? f->lines->count : -1;
        if (f) { EXPECT_EQ(f->lines->items[2]->vertices[1].x, 1e9); }
        FreeReferenceFile(f);
        return count;
    };
    EXPECT_EQ(linesRead(), r->contours->count);
    for (double bad : {-2e10, (double)NAN}) {
        outer->vertices[1].x = bad;
        BoxAnswers boxes;
        EXPECT_EQ(SaveContourShapefile(view, path.c_str(), "far.shp"), 0) << bad;
        ASSERT_EQ(boxes.shown().size(), 1u);
        char refused[700];
        snprintf(refused, sizeof refused, kContourOffMapFormat, 3, "far.shp");
        EXPECT_EQ(boxes.shown()[0].text, refused);
        outer->vertices[1].x = 1e9;
        EXPECT_EQ(linesRead(), r->contours->count) << bad;
    }
}
