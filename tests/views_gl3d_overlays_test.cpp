// The 3D view's layers: contour lines, reference shapefiles, AOI polygons, POI
// pins, the profile box and picked points, found at the pixels and in the
// colours where the camera puts them, with the camera looking straight down.
#include "gl3d_fixtures.h"
#include "views/gl3d/gl_overlays.h"
#include "views/contours/contour_list.h"
#include "app/job_control.h"
#include "base/polygon.h"
#include "views/plan/profile_box.h"
#include <cmath>
#include <functional>

namespace {

// A line through world vertices (x, y, z).
struct Polyline* Line(std::initializer_list<Vec3> vertices, int type, COLORREF colour = 0)
{
    struct Polyline* line = CreatePolyline((int32_t)vertices.size());
    int k = 0;
    for (const Vec3& v : vertices) line->vertices[k++] = v;
    line->type = type;
    line->color = colour;
    return line;
}

// Runs `undo` when the scope ends, so a failed assertion leaves no record
// pointing at the test's layers.
struct OnExit {
    std::function<void()> undo;
    ~OnExit() { undo(); }
};

class GL3DLayers : public GL3DTest {
protected:
    HWND view = nullptr, gl = nullptr;
    ViewRecord* r = nullptr;
    POISet* poisBefore = nullptr;
    AOISet* aoisBefore = nullptr;
    std::vector<struct Polyline*> made;

    // A line the test owns; the view lets go of the test's layers before it closes.
    struct Polyline* Make(std::initializer_list<Vec3> vertices, int type, COLORREF colour = 0)
    {
        made.push_back(Line(vertices, type, colour));
        return made.back();
    }

    void TearDown() override
    {
        if (r) {
            r->contours = nullptr;
            r->references = nullptr;
            r->referenceCount = 0;
            r->poiSet = poisBefore;
            r->aoiSet = aoisBefore;
        }
        GL3DTest::TearDown();
        for (struct Polyline* line : made) FreePolyline(line);
    }

    // 5 x 5 points on the 100 x 100 square at z 0 with their TIN, seen from
    // straight above; the points are drawn black on the black background.
    void OpenTopDown()
    {
        view = AddPointView(5, 0.0);
        r = Record(view);
        poisBefore = r->poiSet;
        aoisBefore = r->aoiSet;
        DataSet* set = r->dataSets[0];
        for (int i = 0; i < set->pointCount; i++) set->points[i].red = set->points[i].green = set->points[i].blue = 0;
        AddTIN(view);
        r->displayMode = DISPLAY_POINTS;
        r->pointColorMode = CMD_COLOR_ELEVATION + 7;
        OpenLookingDown();
    }

    // The 3D window of the view, its camera straight above.
    void OpenLookingDown()
    {
        gl = Open3D(view);
        ASSERT_NE(gl, nullptr);
        r->glElevation = 0.0f;
        r->glDistance = 8.0f;
        SettlePlanView();
    }

    // The plan view's draw, when it ends, drops the contour list: let the
    // draws that opening a window started finish first.
    void SettlePlanView()
    {
        ASSERT_TRUE(WaitForViewDraw(view, 10000));
        PumpMessages(20);
    }

    // The lines as the view's contour list, switched on.
    void ShowContours(ContourList* list, struct Polyline** lines, int count)
    {
        list->count = count;
        list->lines = lines;
        r->contours = list;
        r->overlayContours = 1;
    }

    // The pixel (from the top left) of a world position in the last frame.
    POINT PixelOf(double x, double y, double z) const
    {
        const GLFrameSurface* s = r->glSurface;
        double mx = (x - glScene.centreX) * glScene.s, my = (y - glScene.centreY) * glScene.s;
        double mz = (z - glScene.centreZ) * glScene.t;
        double f = 1.0 / std::tan(22.5 * 3.14159265358979 / 180.0), depth = r->glDistance - mz;
        double nx = mx * f * s->height / s->width / depth, ny = my * f / depth;
        return {(LONG)std::floor((nx + 1) / 2 * s->width), (LONG)std::floor((1 - ny) / 2 * s->height)};
    }

    // Whether a pixel within `radius` of the position has the colour.
    bool ColourNear(POINT p, COLORREF colour, int radius = 1) const
    {
        for (int dy = -radius; dy <= radius; dy++)
            for (int dx = -radius; dx <= radius; dx++)
                if (GetGLFramePixel(r, p.x + dx, p.y + dy) == colour) return true;
        return false;
    }

    // Whether the colour appears anywhere in the frame.
    bool ColourAnywhere(COLORREF colour) const
    {
        const GLFrameSurface* s = r->glSurface;
        for (int y = 0; y < s->height; y++)
            for (int x = 0; x < s->width; x++)
                if (GetGLFramePixel(r, x, y) == colour) return true;
        return false;
    }
};

struct ProfileBoxCall {
    HWND view;
    int result;
};

DWORD WINAPI DrawProfileBoxThread(LPVOID p)
{
    ProfileBoxCall* call = (ProfileBoxCall*)p;
    call->result = DrawGLProfileBox(call->view);
    return 0;
}

}  // namespace

TEST_F(GL3DLayers, ContourLinesLieAtTheirLevelInTheirTypeColourAndWaitForARunningContourJob)
{
    OpenTopDown();
    r->contourIndexColor = RGB(255, 0, 0);
    r->contourIntermediateColor = RGB(0, 0, 255);
    ContourList contours = {};
    struct Polyline* lines[3] = {Make({{5010, 2050, 0}, {5090, 2050, 0}}, CONTOUR_INDEX),
                                 // Rising vertices are drawn at the first vertex's level.
                                 Make({{5010, 2075, 0}, {5050, 2075, 40}, {5090, 2075, 40}}, CONTOUR_INTERMEDIATE),
                                 nullptr};
    ShowContours(&contours, lines, 2);

    ASSERT_EQ(RenderGLView(gl), 1);
    EXPECT_EQ(r->glRebuildFlags[GL_LIST_CONTOURS], 1);
    EXPECT_TRUE(ColourNear(PixelOf(5050, 2050, 0), RGB(255, 0, 0)));
    EXPECT_TRUE(ColourNear(PixelOf(5070, 2075, 0), RGB(0, 0, 255)));
    POINT raised = PixelOf(5070, 2075, 40), level = PixelOf(5070, 2075, 0);
    ASSERT_GT(level.y - raised.y, 4);  // far enough apart to tell
    EXPECT_FALSE(ColourNear(raised, RGB(0, 0, 255), 2));

    // While a contour job rebuilds the lines they are not read; a compiled list still shows.
    r->glRebuildFlags[GL_LIST_CONTOURS] = 0;
    ASSERT_TRUE(BeginAppJob());
    RenderGLView(gl);
    EXPECT_FALSE(ColourAnywhere(RGB(255, 0, 0)));
    EXPECT_EQ(r->glRebuildFlags[GL_LIST_CONTOURS], 0);
    EndAppJob();
    RenderGLView(gl);
    EXPECT_TRUE(ColourNear(PixelOf(5050, 2050, 0), RGB(255, 0, 0)));
    ASSERT_TRUE(BeginAppJob());
    RenderGLView(gl);
    EndAppJob();
    EXPECT_TRUE(ColourNear(PixelOf(5050, 2050, 0), RGB(255, 0, 0)));

    // Without a TIN there is no level to place them by; switched off they are not drawn.
    FreeTINModel(r->tin, 1);
    r->tin = nullptr;
    r->glRebuildFlags[GL_LIST_CONTOURS] = 0;
    RenderGLView(gl);
    EXPECT_FALSE(ColourAnywhere(RGB(255, 0, 0)));
}

TEST_F(GL3DLayers, ReferenceShapesClipToTheWorldWindowAndSkipImagesAndHiddenLayers)
{
    OpenTopDown();
    Vec3 dots[1] = {{5050, 2040, 0}};
    struct Polyline* strip = Make({{5010, 2060, 0}, {5050, 9000, 0}, {5090, 2060, 0}}, 0);
    struct Polyline* hiddenLine = Make({{5010, 2020, 0}, {5090, 2020, 0}}, 0);
    PolylineList stripList = {1, &strip}, hiddenList = {1, &hiddenLine};
    ReferenceFile lines = {}, points = {}, hidden = {}, image = {};
    lines.kind = points.kind = hidden.kind = REFERENCE_SHAPEFILE;
    lines.visible = points.visible = image.visible = 1;
    lines.shapeKind = hidden.shapeKind = SHAPES_LINES;
    lines.color = RGB(255, 255, 0);
    lines.lines = &stripList;
    hidden.color = RGB(0, 255, 0);
    hidden.lines = &hiddenList;
    points.shapeKind = SHAPES_POINTS;
    points.color = RGB(255, 0, 255);
    points.pointCount = 1;
    points.points = dots;
    image.kind = REFERENCE_IMAGE;  // no pixels loaded
    ReferenceFile* files[4] = {&lines, &points, &hidden, &image};
    r->references = files;
    r->referenceCount = 4;

    RenderGLView(gl);
    EXPECT_FALSE(ColourAnywhere(RGB(255, 255, 0)));  // the overlay switch is off
    r->overlayReferences = 1;
    ASSERT_EQ(RenderGLView(gl), 1);
    // The vertex outside the plan view's window is left out: the strip runs straight across.
    EXPECT_TRUE(ColourNear(PixelOf(5050, 2060, 0), RGB(255, 255, 0)));
    EXPECT_TRUE(ColourNear(PixelOf(5050, 2040, 0), RGB(255, 0, 255)));
    EXPECT_FALSE(ColourAnywhere(RGB(0, 255, 0)));
}

TEST_F(GL3DLayers, AOIPolygonsShowInTheirColourUnlessDeletedOrSwitchedOff)
{
    OpenTopDown();
    struct Polyline* items[2] = {
        Make({{5020, 2020, 0}, {5080, 2020, 0}, {5080, 2080, 0}, {5020, 2080, 0}, {5020, 2020, 0}}, 1, RGB(0, 255, 0)),
        Make({{5040, 2040, 0}, {5060, 2040, 0}, {5060, 2060, 0}, {5040, 2040, 0}}, 1, RGB(255, 0, 0))};
    items[1]->deleted = 1;
    PolylineList list = {2, items};
    AOISet set = {};
    set.shapeKind = SHAPES_POLYGONS;
    set.lines = &list;
    r->aoiSet = &set;
    r->aoiLineWidth = 3;

    ASSERT_EQ(RenderGLView(gl), 1);
    EXPECT_TRUE(ColourNear(PixelOf(5020, 2050, 0.25), RGB(0, 255, 0)));
    EXPECT_TRUE(ColourNear(PixelOf(5050, 2080, 0.25), RGB(0, 255, 0)));
    EXPECT_EQ(GetGLFramePixel(r, PixelOf(5050, 2050, 0).x, PixelOf(5050, 2050, 0).y), RGB(0, 0, 0));
    EXPECT_FALSE(ColourAnywhere(RGB(255, 0, 0)));
    // A width of 0 is drawn 1 pixel wide rather than not changing the width.
    r->aoiLineWidth = 0;
    RenderGLView(gl);
    EXPECT_TRUE(ColourNear(PixelOf(5020, 2050, 0.25), RGB(0, 255, 0)));
    r->showAOIPolygons = 0;
    RenderGLView(gl);
    EXPECT_FALSE(ColourAnywhere(RGB(0, 255, 0)));
}

TEST_F(GL3DLayers, POIPinsStandAboveTheirPointAndTheSmallestMarkerStillShows)
{
    OpenTopDown();
    POIRecord records[2] = {};
    records[0].x = 5050;
    records[0].y = 2050;
    records[0].color = RGB(255, 0, 0);
    records[1].x = 5030;
    records[1].y = 2030;
    records[1].color = RGB(0, 0, 255);
    records[1].deleted = 1;
    POISet set = {};
    set.count = 2;
    set.records = records;
    r->poiSet = &set;
    r->showPOIMarkers = 1;
    r->poiMarkerSize = 20;  // head radius 10
    r->poiLabelSize = 15;

    ASSERT_EQ(RenderGLView(gl), 1);
    // Lit from the eye: the head's centre in full colour; its rim, 10 units out, seen at its height.
    COLORREF head = GetGLFramePixel(r, PixelOf(5050, 2050, 20).x, PixelOf(5050, 2050, 20).y);
    EXPECT_GE(GetRValue(head), 250);
    EXPECT_LT(GetGValue(head), 20);
    EXPECT_LT(GetBValue(head), 20);
    POINT inside = PixelOf(5058, 2050, 20), outside = PixelOf(5050, 2063, 20);
    EXPECT_GT(GetRValue(GetGLFramePixel(r, inside.x, inside.y)), 60);
    EXPECT_EQ(GetGLFramePixel(r, outside.x, outside.y), RGB(0, 0, 0));
    // The deleted one is not drawn.
    POINT gone = PixelOf(5030, 2030, 20);
    EXPECT_EQ(GetGLFramePixel(r, gone.x, gone.y), RGB(0, 0, 0));

    // Marker size 1 still gives a head of radius 1, not 0.
    r->poiMarkerSize = 1;
    r->poiLabelSize = 0;
    RenderGLView(gl);
    POINT tiny = PixelOf(5050, 2050, 0);
    EXPECT_GE(GetRValue(GetGLFramePixel(r, tiny.x, tiny.y)), 250);

    r->showPOIMarkers = 0;
    RenderGLView(gl);
    EXPECT_EQ(GetGLFramePixel(r, tiny.x, tiny.y), RGB(0, 0, 0));
}

TEST_F(GL3DLayers, TheProfileBoxIsDrawnOnTheWindowsThreadWhenThePlanViewAsks)
{
    OpenTopDown();
    r->profilePolyline = Line({{5020, 2040, 0}, {5020, 2060, 0}, {5080, 2060, 0}, {5080, 2040, 0}}, 0);
    const COLORREF cyan = RGB(0, 255, 255);
    ASSERT_EQ(RenderGLView(gl), 1);
    EXPECT_FALSE(ColourAnywhere(cyan));
    // No live profile window: nothing to show.
    EXPECT_EQ(DrawGLProfileBox(view), 0);
    HWND profile = AddLinked(view, "ChildProfile");
    ASSERT_EQ(r->profileWindow, profile);

    // From another thread the box is only asked for; no GL call is made there.
    ProfileBoxCall call = {view, -1};
    HANDLE thread = CreateThread(nullptr, 0, DrawProfileBoxThread, &call, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(thread, 10000), WAIT_OBJECT_0);
    CloseHandle(thread);
    EXPECT_EQ(call.result, 0);
    EXPECT_FALSE(ColourAnywhere(cyan));
    MSG m;
    EXPECT_TRUE(PeekMessageA(&m, view, WM_REFRESH_3D, WM_REFRESH_3D, PM_NOREMOVE));

    // The plan view answers on its own thread with a frame that shows the box,
    // its edges at model Z 0, and the lists left as they were.
    for (int i = 0; i < 4; i++) r->glRebuildFlags[i] = 0;
    PumpMessages(50);
    EXPECT_TRUE(ColourNear(PixelOf(5020, 2050, 0), cyan));
    EXPECT_TRUE(ColourNear(PixelOf(5050, 2060, 0), cyan));
    EXPECT_EQ(GetGLFramePixel(r, PixelOf(5050, 2050, 0).x, PixelOf(5050, 2050, 0).y), RGB(0, 0, 0));
    EXPECT_EQ(r->glRebuildFlags[GL_LIST_POINTS], 0);

    // A later frame of the window's own is drawn without it.
    RenderGLView(gl);
    EXPECT_FALSE(ColourAnywhere(cyan));
}

TEST_F(GL3DLayers, PickedPointsShowInTheirClassColourAndTheNextFrameRebuildsThePoints)
{
    OpenTopDown();
    ASSERT_EQ(RenderGLView(gl), 1);
    ASSERT_EQ(r->glRebuildFlags[GL_LIST_POINTS], 1);
    PointRecord picked = r->dataSets[0]->points[0];
    picked.x = 5050;
    picked.y = 2050;
    picked.classification = 6;
    r->classTable.entries[6].mainColor = RGB(255, 128, 0);
    PointSelection* selection = CreatePointSelection(1);
    selection->items[0] = &picked;
    selection->count = 1;
    EXPECT_EQ(DrawGLPickedPoints(view, selection), 1);
    EXPECT_TRUE(ColourNear(PixelOf(5050, 2050, 0), RGB(255, 128, 0)));
    EXPECT_EQ(r->glRebuildFlags[GL_LIST_POINTS], 0);
    FreePointSelection(selection);
}

TEST_F(GL3DLayers, AReopenedWindowCompilesItsListsAnew)
{
    OpenTopDown();
    r->contourIndexColor = RGB(255, 0, 0);
    ContourList contours = {};
    struct Polyline* lines[2] = {Make({{5010, 2050, 0}, {5090, 2050, 0}}, CONTOUR_INDEX), nullptr};
    ShowContours(&contours, lines, 1);
    ASSERT_EQ(RenderGLView(gl), 1);
    ASSERT_EQ(r->glRebuildFlags[GL_LIST_CONTOURS], 1);
    SendMessageA(gl, WM_CLOSE, 0, 0);
    EXPECT_EQ(r->glListBase, 0);
    for (int i = 0; i < 4; i++) EXPECT_EQ(r->glRebuildFlags[i], 0) << i;

    r->contourIndexColor = RGB(0, 255, 0);
    OpenLookingDown();
    ASSERT_EQ(RenderGLView(gl), 1);
    EXPECT_TRUE(ColourNear(PixelOf(5050, 2050, 0), RGB(0, 255, 0)));
}

namespace {

class GL3DSampleLayers : public FrameFixture {};

// The Z of the point nearest (x, y).
float NearestZ(const DataSet* set, double x, double y)
{
    double best = 1e300;
    float z = 0;
    for (int32_t i = 0; i < set->pointCount; i++) {
        double dx = set->points[i].x - x, dy = set->points[i].y - y, d = dx * dx + dy * dy;
        if (d < best) {
            best = d;
            z = set->points[i].z;
        }
    }
    return z;
}

// The pixels of the last frame whose colour passes `test`, or is `colour`.
int CountPixels(const ViewRecord* r, const std::function<bool(COLORREF)>& test)
{
    int n = 0;
    for (int y = 0; y < r->glSurface->height; y++)
        for (int x = 0; x < r->glSurface->width; x++) n += test(GetGLFramePixel(r, x, y));
    return n;
}
int CountColour(const ViewRecord* r, COLORREF colour)
{
    return CountPixels(r, [colour](COLORREF c) { return c == colour; });
}

}  // namespace

TEST_F(GL3DSampleLayers, LayersAndTheProfileBoxShowOverARealFile)
{
    BoxAnswers boxes;
    HWND view = StartFrameOnSample("autzen_trim.las");
    ASSERT_NE(view, nullptr);
    ViewRecord* r = Record(view);
    const DataSet* set = r->currentDataSet;
    ASSERT_NE(set, nullptr);
    r->pointColorMode = CMD_COLOR_ELEVATION + 7;
    double cx = (set->minX + set->maxX) / 2, cy = (set->minY + set->maxY) / 2;
    double w = set->maxX - set->minX, h = set->maxY - set->minY;

    POIRecord poi = {};
    poi.x = cx;
    poi.y = cy;
    poi.z = NearestZ(set, cx, cy);
    poi.color = RGB(255, 0, 0);
    POISet pois = {};
    pois.count = 1;
    pois.records = &poi;
    r->poiMarkerSize = (int)(w / 40);
    r->poiLabelSize = (int)(w / 15);

    struct Polyline* aoi = CreatePolyline(5);
    const double corners[5][2] = {{-0.3, -0.3}, {0.1, -0.3}, {0.1, 0.1}, {-0.3, 0.1}, {-0.3, -0.3}};
    for (int k = 0; k < 5; k++) {
        double x = cx + corners[k][0] * w, y = cy + corners[k][1] * h;
        aoi->vertices[k] = {x, y, NearestZ(set, x, y)};
    }
    aoi->color = RGB(255, 0, 255);
    PolylineList aoiList = {1, &aoi};
    AOISet aois = {};
    aois.shapeKind = SHAPES_POLYGONS;
    aois.lines = &aoiList;
    r->aoiLineWidth = 2;

    struct Polyline* road = CreatePolyline(11);
    for (int k = 0; k <= 10; k++) {
        double x = set->minX + w * k / 10, y = set->minY + h * (0.2 + 0.6 * k / 10);
        road->vertices[k] = {x, y, NearestZ(set, x, y) + 1.0f};
    }
    PolylineList roadList = {1, &road};
    ReferenceFile reference = {};
    reference.kind = REFERENCE_SHAPEFILE;
    reference.shapeKind = SHAPES_LINES;
    reference.visible = 1;
    reference.color = RGB(255, 255, 0);
    reference.lines = &roadList;
    ReferenceFile* references[1] = {&reference};

    POISet* poisBefore = r->poiSet;
    AOISet* aoisBefore = r->aoiSet;
    r->poiSet = &pois;
    r->aoiSet = &aois;
    r->references = references;
    r->referenceCount = 1;
    r->overlayReferences = 1;
    OnExit undo{[&] {
        r->poiSet = poisBefore;
        r->aoiSet = aoisBefore;
        r->references = nullptr;
        r->referenceCount = 0;
        FreePolyline(aoi);
        FreePolyline(road);
    }};

    SendMessageA(view, WM_COMMAND, CMD_OPEN_3D, 0);
    ASSERT_NE(r->glWindow, nullptr);
    r->profileA = {cx - 0.3 * w, cy + 0.25 * h, 0};
    r->profileB = {cx + 0.3 * w, cy + 0.25 * h, 0};
    r->profileWidth = (float)(0.05 * h);
    r->staticProfileWidth = 1;
    ASSERT_EQ(OpenOrUpdateProfile(view), 1);
    ASSERT_NE(r->profileWindow, nullptr);
    InvalidateRect(view, nullptr, FALSE);
    UpdateWindow(view);
    ASSERT_TRUE(WaitForCachedDraw(view, 20000));
    PumpMessages(100);

    // The plan view's draw has asked the 3D window for a frame with the box.
    EXPECT_GT(CountColour(r, RGB(0, 255, 255)), 50);
    EXPECT_GT(CountColour(r, RGB(255, 0, 255)), 50);
    EXPECT_GT(CountColour(r, RGB(255, 255, 0)), 50);
    // The POI head is lit, so its reds vary.
    EXPECT_GT(CountPixels(r, [](COLORREF c) { return GetRValue(c) > 200 && GetGValue(c) < 40 && GetBValue(c) < 40; }), 20);
    SaveScreenShot("gl3d_layers_app.bmp");
    StopFrame();
}
