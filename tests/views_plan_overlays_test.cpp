// The plan view's layers above the points: the shaded TIN in its colourings,
// the layer order of the draw thread, XOR drawing that restores what it
// crosses, and the linked 3D view asked (never drawn) from the draw thread.
#include "test_support.h"
#include "point_sets.h"
#include "point_selections.h"
#include "window_fixtures.h"
#include "shell/frame.h"
#include "app/command_ids.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/code_pages.h"
#include "base/heap.h"
#include "base/polygon.h"
#include "data/tin_model.h"
#include "views/contours/contour_list.h"
#include "views/plan/color_ramp.h"
#include "views/plan/marker_font.h"
#include "views/plan/overlays.h"
#include "views/plan/view_mapping.h"
#include "views/plan/draw_thread.h"
#include "views/plan/rubber_bands.h"
#include "views/plan/tin_drawing.h"
#include <functional>

namespace {

// Plan views over data sets made here; the views own the sets and every
// layer record left in them.
class OverlayViews : public ViewFixture {
public:
    HWND Open(DataSet* set, int width, int height) { return OpenView({set}, width, height); }
};
using TINShading = OverlayViews;
using PlanLayers = OverlayViews;
using RubberBands = OverlayViews;

// Runs a drawer into a bitmap of the view's size; pixels 0x00RRGGBB.
int DrawOffscreen(HWND view, const std::function<int(HDC)>& draw, std::vector<uint32_t>* pixels, int* width)
{
    RECT area;
    GetViewClientRect(view, &area);
    *width = area.right;
    return DrawOffscreen(area.right, area.bottom, draw, pixels);
}

// A plane z = slope * x over a 21 x 21 grid of 1 m spacing, with intensity
// and colour, triangulated into the view's TIN.
struct PlaneView {
    DataSet* set;
    HWND window;
    ViewRecord* record;
    PlaneView(OverlayViews* views, float slope, int intensity = 500, uint8_t red = 90, uint8_t green = 60, uint8_t blue = 30)
    {
        std::vector<PointRecord> points;
        for (int i = 0; i <= 20; i++)
            for (int j = 0; j <= 20; j++) {
                PointRecord p = MakePoint(1000.0 + i, 2000.0 + j, 100.0f + slope * i, 2);
                p.intensity = (uint16_t)intensity;
                p.red = red;
                p.green = green;
                p.blue = blue;
                points.push_back(p);
            }
        set = MakePointDataSet(points);
        window = views->Open(set, 200, 200);
        record = FrameFixture::Record(window);
        ViewRecord* r = record;
        r->currentDataSet = set;
        r->zExaggeration = 1.0f;
        r->tin = BuildTINFromPoints(SelectAllPoints(set));
    }
    // The colour at the view's centre, which lies inside the TIN.
    COLORREF Centre(int colouring, int azimuth, int elevation)
    {
        ViewRecord* r = record;
        r->tinColorMode = colouring;
        r->lightAzimuth = azimuth;
        r->lightElevation = elevation;
        std::vector<uint32_t> pixels;
        int w;
        EXPECT_EQ(DrawOffscreen(window, [&](HDC dc) { return DrawTINForColorMode(window, dc); }, &pixels, &w), 1);
        return PixelAt(pixels, w, w / 2, w / 2);
    }
};

int Clamp(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

}  // namespace

TEST_F(TINShading, LightAlongAndAgainstTheNormalGivesTheExtremeShades)
{
    PlaneView flat(this, 0.0f);
    ViewRecord* r = flat.record;
    // Straight from above (d = 1) and from below (d = -1).
    EXPECT_EQ(flat.Centre(2, 0, 90), RGB(255, 255, 255));
    EXPECT_EQ(flat.Centre(2, 0, -90), RGB(0, 0, 0));
    for (int colouring : {0, 1}) {
        COLORREF up = flat.Centre(colouring, 0, 90);
        const uint8_t* e = GetRampEntry(flat.set->rampLowZ, r);   // a flat TIN takes the first entry
        EXPECT_EQ(up, RGB(Clamp(e[0] + 38), Clamp(e[1] + 38), Clamp(e[2] + 38))) << colouring;
        COLORREF down = flat.Centre(colouring, 0, -90);
        EXPECT_EQ(down, RGB(Clamp(e[0] - 112), Clamp(e[1] - 112), Clamp(e[2] - 112))) << colouring;
    }
    // One intensity everywhere: an empty range colours with the base grey.
    EXPECT_EQ(flat.Centre(3, 0, 90), RGB(128, 128, 128));
    EXPECT_EQ(flat.Centre(3, 0, -90), RGB(0, 0, 0));
    // RGB: (d + 1) x the three corners' sum / 6 is the corners' colour at d = 1.
    EXPECT_EQ(flat.Centre(4, 0, 90), RGB(90, 60, 30));
    EXPECT_EQ(flat.Centre(4, 0, -90), RGB(0, 0, 0));
}

TEST_F(TINShading, APlaneRisingEastIsLitFromTheWestAndGreyFromTheSides)
{
    PlaneView plane(this, 1.0f);   // 45 degrees, facing west
    auto grey = [](COLORREF c) { return (int)GetRValue(c); };
    EXPECT_GE(grey(plane.Centre(2, 270, 45)), 254);       // light along the normal
    EXPECT_NEAR(grey(plane.Centre(2, 90, 45)), 128, 1);   // grazing from the east
    EXPECT_NEAR(grey(plane.Centre(2, 0, 45)), 192, 1);    // from the north and south alike
    EXPECT_NEAR(grey(plane.Centre(2, 180, 45)), 192, 1);
    EXPECT_LE(grey(plane.Centre(2, 90, -45)), 1);          // from below the far side
    // The vertical factor flattens the normal: the west light loses its edge.
    plane.record->zExaggeration = 4.0f;
    EXPECT_LT(grey(plane.Centre(2, 270, 45)), 250);
}

TEST_F(TINShading, TrianglesWithNoCornerOnScreenAreNotDrawn)
{
    // One huge triangle around the view: its corners all lie off screen.
    std::vector<PointRecord> points = {MakePoint(-1e5, -1e5, 0, 2), MakePoint(1e5, -1e5, 0, 2), MakePoint(0, 1e5, 0, 2)};
    DataSet* set = MakePointDataSet(points);
    HWND view = Open(set, 100, 100);
    ViewRecord* r = Record(view);
    r->viewLeft = -10;
    r->viewTop = 10;
    r->scale = 0.2;
    r->lightElevation = 90;
    r->tinColorMode = 2;
    r->tin = BuildTINFromPoints(SelectAllPoints(set));
    ASSERT_NE(r->tin, nullptr);
    std::vector<uint32_t> pixels;
    int w;
    DrawOffscreen(view, [&](HDC dc) { return DrawTINForColorMode(view, dc); }, &pixels, &w);
    EXPECT_EQ(PixelAt(pixels, w, 50, 50), RGB(0, 0, 0));
}

namespace {

struct LayerView {
    DataSet* set;
    HWND window;
    ViewRecord* record;
    COLORREF background = ViewBackgroundColor;
    explicit LayerView(OverlayViews* views)
    {
        ViewBackgroundColor = RGB(0, 0, 0);   // the XOR layers are checked against black
        // One point in the middle of a 100 x 100 world seen at 1 unit a pixel.
        set = MakePointDataSet({MakePoint(50.0, 50.0, 10.0f, 2), MakePoint(0, 0, 0, 2), MakePoint(100, 100, 20, 2)});
        window = views->Open(set, 101, 101);
        record = FrameFixture::Record(window);
        ViewRecord* r = record;
        r->currentDataSet = set;
        r->viewLeft = 0;
        r->viewTop = 100;
        r->viewRight = 101;
        r->viewBottom = -1;
        r->scale = 1.0;
        r->pointColorMode = CMD_COLOR_CLASS;
        r->pointSizeStep = 1;
    }
    ~LayerView()
    {
        ViewRecord* r = record;
        if (r->poiSet) NBLFree(r->poiSet->records);
        NBLFree(r->poiSet);
        r->poiSet = nullptr;
        ViewBackgroundColor = background;
    }
    COLORREF DrawAndRead(int x, int y)
    {
        HWND w = window;
        InvalidateView(w, 1);
        UpdateWindow(w);
        EXPECT_TRUE(WaitForViewDraw(w, 10000));
        EXPECT_TRUE(record->imageCacheValid);
        return CachePixel(record, x, y);
    }
};

struct Polyline* Line(std::initializer_list<std::pair<double, double>> points, int type)
{
    struct Polyline* line = CreatePolyline(0);
    for (auto& p : points) {
        Vec3 v = {p.first, p.second, 0};
        AddPolylineVertex(line, &v);
    }
    line->type = type;
    return line;
}

}  // namespace

TEST_F(PlanLayers, ContoursCoverPointsAndPOIMarkersCoverContours)
{
    LayerView lv(this);
    ViewRecord* r = lv.record;
    COLORREF classColour = r->classTable.entries[2].mainColor;
    EXPECT_EQ(lv.DrawAndRead(50, 50), classColour);

    // A horizontal index contour through the point.
    r->contours = (ContourList*)NBLCalloc(1, sizeof(ContourList));
    r->contours->lines = (struct Polyline**)NBLCalloc(2, sizeof(struct Polyline*));
    r->contours->lines[0] = Line({{10, 50}, {90, 50}}, CONTOUR_INDEX);
    r->contours->count = 1;
    r->contourIndexColor = RGB(250, 10, 200);
    r->overlayContours = 1;
    EXPECT_EQ(lv.DrawAndRead(50, 50), RGB(250, 10, 200));
    EXPECT_EQ(lv.DrawAndRead(30, 50), RGB(250, 10, 200));

    // A POI marker on top of both.
    r->poiSet = (POISet*)NBLCalloc(1, sizeof(POISet));
    r->poiSet->records = (POIRecord*)NBLCalloc(1, sizeof(POIRecord));
    r->poiSet->count = 1;
    r->poiSet->records[0].x = 50;
    r->poiSet->records[0].y = 50;
    r->poiSet->records[0].color = RGB(20, 240, 20);
    r->showPOIMarkers = 1;
    r->poiMarkerSize = 1;   // drawn with radius 2 at least
    EXPECT_EQ(lv.DrawAndRead(50, 50), RGB(20, 240, 20));
    EXPECT_EQ(lv.DrawAndRead(50, 49), RGB(20, 240, 20));
    // A deleted marker is gone.
    r->poiSet->records[0].deleted = 1;
    EXPECT_EQ(lv.DrawAndRead(50, 50), RGB(250, 10, 200));
}

// POI names are the program's text (UTF-8): the plan view draws them in
// letters, as the W call draws them in the marker font, and that font has
// the letters (the raster Courier has none beyond the Western ones).
TEST_F(PlanLayers, POINamesInOtherAlphabetsAreDrawnAsTheWCallDrawsThem)
{
    LayerView lv(this);
    ViewRecord* r = lv.record;
    const char* names[] = {"Репер 1", "Été"};
    const COLORREF colours[] = {RGB(250, 200, 0), RGB(0, 200, 250)};
    r->poiSet = (POISet*)NBLCalloc(1, sizeof(POISet));
    r->poiSet->records = (POIRecord*)NBLCalloc(2, sizeof(POIRecord));
    r->poiSet->count = 2;
    for (int k = 0; k < 2; k++) {
        POIRecord& poi = r->poiSet->records[k];
        poi.x = 5;
        poi.y = 80 - 40 * k;   // at one unit a pixel: pixel (5, 20 + 40 k)
        poi.color = colours[k];
        snprintf(poi.name, sizeof poi.name, "%s", names[k]);
    }
    r->showPOIMarkers = 1;
    r->poiMarkerSize = 2;
    auto markers = [&](HDC dc) { return DrawPOIMarkers(lv.window, dc); };
    std::vector<uint32_t> named, bare, reference;
    int w;
    r->showPOINames = 1;
    ASSERT_EQ(DrawOffscreen(lv.window, markers, &named, &w), 1);
    r->showPOINames = 0;
    DrawOffscreen(lv.window, markers, &bare, &w);
    // The markers without names, then each name by TextOutW where the view
    // writes it: beside the marker, two radii right and up.
    DrawOffscreen(
        lv.window,
        [&](HDC dc) {
            markers(dc);
            LOGFONTA lf;
            CreateMarkerFont(&lf, dc);
            HFONT font = CreateFontIndirectA(&lf);
            for (const char* name : names) EXPECT_TRUE(FontHoldsLetters(font, name)) << name;
            HGDIOBJ old = SelectObject(dc, font);
            SetBkMode(dc, TRANSPARENT);
            for (int k = 0; k < 2; k++) {
                std::u16string wide = WideFrom(names[k], CP_UTF8);
                SetTextColor(dc, colours[k]);
                TextOutW(dc, 5 + 4, 20 + 40 * k - 4, (const WCHAR*)wide.c_str(), (int)wide.size());
            }
            SelectObject(dc, old);
            DeleteObject(font);
            return 1;
        },
        &reference, &w);
    EXPECT_NE(named, bare);
    EXPECT_TRUE(named == reference) << "the names are not drawn as their letters";
}

TEST_F(PlanLayers, AnUntypedAOIPolygonIsDrawnRedWhenEveryTypeIsHidden)
{
    LayerView lv(this);
    ViewRecord* r = lv.record;
    AOISet set = {};
    set.shapeKind = SHAPES_POLYGONS;
    PolylineList list = {};
    struct Polyline* typed = Line({{20, 20}, {20, 80}}, 0);
    typed->typePosition = 0;
    typed->color = RGB(0, 0, 255);
    struct Polyline* untyped = Line({{70, 20}, {70, 80}}, 0);
    untyped->typePosition = -1;
    struct Polyline* items[2] = {typed, untyped};
    list.count = 2;
    list.items = items;
    set.lines = &list;
    r->aoiSet = &set;
    r->aoiLineWidth = 1;
    r->showAOIPolygons = 1;
    for (int i = 0; i < 256; i++) r->aoiClassTable.entries[i].display = 0;
    EXPECT_EQ(lv.DrawAndRead(70, 21), RGB(255, 0, 0));   // the first dash
    EXPECT_EQ(lv.DrawAndRead(20, 21), RGB(0, 0, 0));      // its type is hidden
    r->aoiClassTable.entries[0].display = 1;
    EXPECT_EQ(lv.DrawAndRead(20, 21), RGB(0, 0, 255));
    r->aoiSet = nullptr;
    FreePolyline(typed);
    FreePolyline(untyped);
}

TEST_F(PlanLayers, TheOutlineShowsOnlyForDataSetsWhoseBoundsDifferFromTheirPoints)
{
    LayerView lv(this);
    DataSet* set = lv.set;
    set->extent = NewPolygon(4);
    RingVertex* v = set->extent->contour[0].vertex;
    v[0] = {10, 90};
    v[1] = {90, 90};
    v[2] = {90, 10};
    v[3] = {10, 10};
    set->loadedMinX = set->minX;
    set->loadedMaxX = set->maxX;
    set->loadedMinY = set->minY;
    set->loadedMaxY = set->maxY;
    EXPECT_EQ(lv.DrawAndRead(50, 10), RGB(0, 0, 0));
    set->loadedMaxX += 1;
    EXPECT_EQ(lv.DrawAndRead(50, 10), RGB(0, 255, 0));   // green XOR over black
}

TEST_F(PlanLayers, TheDrawThreadAsksTheLinked3DViewInsteadOfDrawingIt)
{
    LayerView lv(this);
    ViewRecord* r = lv.record;
    HWND gl = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    r->glWindow = gl;
    r->profileWindow = gl;   // any linked window: the box is drawn while one is linked
    r->profilePolyline = Line({{20, 45}, {20, 55}, {80, 55}, {80, 45}}, 0);
    MSG m;
    while (PeekMessageA(&m, lv.window, WM_REFRESH_3D, WM_REFRESH_3D, PM_REMOVE)) {}
    HWND w = lv.window;
    InvalidateView(w, 1);
    UpdateWindow(w);
    JobControl* job = (JobControl*)GetWindowSlot(w, CHILD_JOB);
    // Wait for the thread without pumping, so the posted request stays queued.
    DWORD start = GetTickCount();
    while ((JobBusy(job) || job->thread) && GetTickCount() - start < 10000) Sleep(1);
    EXPECT_TRUE(PeekMessageA(&m, w, WM_REFRESH_3D, WM_REFRESH_3D, PM_REMOVE));
    EXPECT_EQ(CachePixel(r, 50, 45), RGB(0, 255, 255));   // the cyan box over black
    FreePolyline(r->profilePolyline);
    r->profilePolyline = nullptr;
    r->glWindow = r->profileWindow = nullptr;
    DestroyWindow(gl);
}

namespace {

// The window's pixels of a rectangle, read back through a memory bitmap.
std::vector<uint32_t> Grab(HWND window, int w, int h)
{
    std::vector<uint32_t> pixels;
    ::DrawOffscreen(w, h, [&](HDC mem) {
        HDC dc = GetDC(window);
        BitBlt(mem, 0, 0, w, h, dc, 0, 0, SRCCOPY);
        return ReleaseDC(window, dc);
    }, &pixels);
    return pixels;
}

}  // namespace

TEST_F(RubberBands, DrawingTwiceRestoresThePixelsTheyCross)
{
    LayerView lv(this);
    HWND w = lv.window;
    // A striped background, so that XOR meets more than one colour.
    HDC dc = GetDC(w);
    for (int y = 0; y < 101; y += 4) {
        RECT stripe = {0, y, 101, y + 2};
        HBRUSH b = CreateSolidBrush(RGB(y * 2, 255 - y * 2, 77));
        FillRect(dc, &stripe, b);
        DeleteObject(b);
    }
    ReleaseDC(w, dc);
    std::vector<uint32_t> before = Grab(w, 101, 101);

    const int line[4] = {5, 7, 93, 88};
    const int box[4] = {10, 12, 70, 90};
    DrawToolRubberBand(w, line, TOOL_PROFILE);
    std::vector<uint32_t> during = Grab(w, 101, 101);
    int changed = 0;
    for (size_t i = 0; i < before.size(); i++)
        if (during[i] != before[i]) {
            changed++;
            EXPECT_EQ(during[i] ^ before[i], 0x0000FFFFu) << i;   // cyan (0x00RRGGBB) XOR
        }
    EXPECT_GT(changed, 88);
    DrawToolRubberBand(w, line, TOOL_PROFILE);
    EXPECT_EQ(Grab(w, 101, 101), before);

    for (int tool : {TOOL_ZOOM, TOOL_DENSITY}) {
        DrawZoomBox(w, box, tool);
        EXPECT_NE(Grab(w, 101, 101), before);
        DrawZoomBox(w, box, tool);
        EXPECT_EQ(Grab(w, 101, 101), before) << tool;
    }
    struct Polyline* outline = Line({{20, 30}, {20, 70}, {60, 70}, {60, 30}}, 0);
    DrawProfileBoxXor(w, nullptr, outline, RGB(0, 255, 255));
    EXPECT_NE(Grab(w, 101, 101), before);
    DrawProfileBoxXor(w, nullptr, outline, RGB(0, 255, 255));
    EXPECT_EQ(Grab(w, 101, 101), before);
    DrawMapRectXor(w, 15.0, 85.0, 66.0, 40.0, RGB(255, 255, 255));
    DrawMapRectXor(w, 15.0, 85.0, 66.0, 40.0, RGB(255, 255, 255));
    EXPECT_EQ(Grab(w, 101, 101), before);
    FreePolyline(outline);
}

namespace {

// A colour image of the given size whose every pixel is blue, green, red.
ReferenceImage* SolidImage(int rows, int columns, double minX, double maxY, double pixel, uint8_t b, uint8_t g, uint8_t r)
{
    ReferenceImage* image = (ReferenceImage*)NBLCalloc(1, sizeof(ReferenceImage));
    image->rows = rows;
    image->columns = columns;
    image->bytesPerPixel = 3;
    image->pixelWidth = image->pixelHeight = pixel;
    image->minX = minX;
    image->maxX = minX + (columns - 1) * pixel;
    image->maxY = maxY;
    image->minY = maxY - (rows - 1) * pixel;
    image->pixels = (uint8_t**)NBLCalloc(rows, sizeof(uint8_t*));
    for (int i = 0; i < rows; i++) {
        image->pixels[i] = (uint8_t*)NBLCalloc(columns * 3, 1);
        for (int j = 0; j < columns; j++) {
            image->pixels[i][3 * j] = b;
            image->pixels[i][3 * j + 1] = g;
            image->pixels[i][3 * j + 2] = r;
        }
    }
    return image;
}

void FreeImage(ReferenceImage* image)
{
    for (int i = 0; i < image->rows; i++) NBLFree(image->pixels[i]);
    NBLFree(image->pixels);
    NBLFree(image);
}

}  // namespace

TEST_F(PlanLayers, ReferenceImagesStartAtTheLeftEdgeAndANarrowOneStillShows)
{
    LayerView lv(this);
    ViewRecord* r = lv.record;
    ReferenceFile left = {}, narrow = {};
    left.kind = narrow.kind = REFERENCE_IMAGE;
    left.visible = narrow.visible = 1;
    left.image = SolidImage(10, 10, -5.0, 60.0, 1.0, 10, 20, 30);    // starts 5 units left of the view
    narrow.image = SolidImage(10, 2, 70.2, 60.0, 0.3, 200, 100, 50);  // 0.3 of a screen pixel wide
    ReferenceFile* files[2] = {&left, &narrow};
    r->references = files;
    r->referenceCount = 2;
    r->displayMode = CMD_BACKGROUND_REF;
    EXPECT_EQ(lv.DrawAndRead(0, 45), RGB(30, 20, 10));
    EXPECT_EQ(lv.DrawAndRead(4, 45), RGB(30, 20, 10));
    EXPECT_EQ(lv.DrawAndRead(70, 41), RGB(50, 100, 200));
    EXPECT_EQ(lv.DrawAndRead(71, 41), RGB(0, 0, 0));
    EXPECT_EQ(lv.DrawAndRead(20, 45), RGB(0, 0, 0));
    // A hidden file is not drawn.
    left.visible = 0;
    EXPECT_EQ(lv.DrawAndRead(0, 45), RGB(0, 0, 0));
    r->references = nullptr;
    r->referenceCount = 0;
    FreeImage(left.image);
    FreeImage(narrow.image);
}

// The view is drawn one pixel wider and higher than its client rectangle:
// a marker on that last column and row is drawn, one beyond it is not.
TEST(Markers, TheLastPixelRowAndColumnAreOnScreen)
{
    ViewMapping m = {};
    m.scale = 1.0;
    m.top = 100.0;
    m.clientWidth = 50;
    m.clientHeight = 40;
    m.drawWidth = 51;
    m.drawHeight = 41;
    for (double beyond : {0.0, 1.0}) {
        std::vector<uint32_t> pixels;
        DrawOffscreen(54, 44, [&](HDC dc) { return DrawCursorMarkOn(dc, &m, 50.5 + beyond, 59.5), 1; }, &pixels);
        int drawn = 0;
        for (uint32_t p : pixels) drawn += (p & 0xFFFFFF) != 0;
        EXPECT_EQ(drawn > 0, beyond == 0.0) << beyond;
    }
}
