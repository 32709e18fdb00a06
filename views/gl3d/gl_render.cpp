// Rendering of the 3D view: the frame, the TIN list and the point list.
#include "views/gl3d/gl_render.h"
#include "views/gl3d/gl_context.h"
#include "views/gl3d/gl_grid.h"
#include "views/gl3d/gl_overlays.h"
#include "views/gl3d/gl_view.h"
#include "views/plan/color_ramp.h"
#include "views/plan/tin_drawing.h"
#include "app/command_ids.h"
#include "app/view_record.h"
#include "app/view_selection.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "base/palette.h"
#include "base/polygon.h"
#include "base/progress.h"
#include "base/vector.h"
#include "data/data_set.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include <GL/gl.h>
#include <algorithm>
#include <functional>

GLSceneNormalisation glScene = {0, 0, 0, 1, 1};

constexpr int kProgressEvery = 32768;

int IsGLGridView(const ViewRecord* r) { return r->dataKind == DATA_GDAL || r->dataKind == DATA_RADAR; }

double SetGLSceneFromExtent(double minX, double maxX, double minY, double maxY, double minZ, double maxZ,
                            float exaggeration)
{
    double h = std::max({maxX - minX, maxY - minY, maxZ - minZ}) / 2.0;
    // One point, or points that all coincide, have no extent to scale by.
    if (!(h > 0)) h = 1.0;
    glScene.s = 1.0 / h;
    glScene.t = glScene.s * exaggeration;
    glScene.centreX = (minX + maxX) / 2.0;
    glScene.centreY = (minY + maxY) / 2.0;
    glScene.centreZ = (minZ + maxZ) / 2.0;
    return h;
}

void EmitModelVertex(double x, double y, double z)
{
    glVertex3f((float)((x - glScene.centreX) * glScene.s), (float)((y - glScene.centreY) * glScene.s),
               (float)((z - glScene.centreZ) * glScene.t));
}

void SetGLColour(COLORREF c) { glColor3ub(GetRValue(c), GetGValue(c), GetBValue(c)); }

void ReplayOrCompile(ViewRecord* r, int list, const std::function<void()>& build)
{
    GLuint name = (GLuint)r->glListBase + list;
    if (!r->glRebuildFlags[list]) {
        glNewList(name, GL_COMPILE);
        build();
        glEndList();
        r->glRebuildFlags[list] = 1;
    }
    glCallList(name);
}

// --- the TIN ---------------------------------------------------------------------------------

void SetGLSceneFromTIN(ViewRecord* r)
{
    const TINModel* tin = r->tin;
    r->glHalfExtent = (float)SetGLSceneFromExtent(tin->points->minX, tin->points->maxX, tin->points->minY,
                                                  tin->points->maxY, tin->minZ, tin->maxZ, r->glExaggeration);
}

// The grey of an intensity; an empty range gives a middle grey.
static uint8_t IntensityGrey(const ViewRecord* r, uint16_t intensity)
{
    const DataSet* set = r->currentDataSet;
    if (!set || set->intensityHigh <= set->intensityLow) return 128;
    float k = 256.0f / (float)(set->intensityHigh - set->intensityLow);
    int g = (int)(k * (float)((int)intensity - set->intensityLow));
    return (uint8_t)(g < 0 ? 0 : (g > 255 ? 255 : g));
}

enum TINColouring { TIN_ELEVATION, TIN_GRAY, TIN_INTENSITY, TIN_RGB };

static void CompileTIN(ViewRecord* r, TINColouring colouring)
{
    TINModel* tin = r->tin;
    PointRecord** items = tin->points->items;
    ColorRamp* ramp = colouring == TIN_ELEVATION ? (ColorRamp*)NBLMalloc(sizeof(ColorRamp)) : nullptr;
    if (ramp) {
        // The range of the plan view's ramp TIN, so that both show a height alike.
        FillTINColorRamp(r, ramp);
        TINRampRange(r, &ramp->minZ, &ramp->maxZ);
        ramp->factor = ramp->maxZ > ramp->minZ ? (float)(ramp->count / (ramp->maxZ - ramp->minZ)) : 0.0f;
    }
    StartProgress((unsigned)(tin->triangleCount / kProgressEvery + 1), "3D TIN");
    for (int32_t i = 0; i < tin->triangleCount; i++) {
        if (i % kProgressEvery == 0) StepProgress();
        Vec3* n = &tin->normals[i];
        Normalize3(n);
        glBegin(GL_TRIANGLES);
        glNormal3f((float)n->x, (float)n->y, n->z);
        for (int k = 0; k < 3; k++) {
            const PointRecord* p = items[tin->triangles[3 * i + k]];
            if (colouring == TIN_ELEVATION) {
                const uint8_t* c = ramp ? GetColorRampEntry(p->z, ramp) : GetRampEntry(p->z, r);
                glColor3ub(c[0], c[1], c[2]);
            } else if (colouring == TIN_INTENSITY) {
                uint8_t g = IntensityGrey(r, p->intensity);
                glColor3ub(g, g, g);
            } else if (colouring == TIN_RGB) {
                glColor3ub(p->red, p->green, p->blue);
            }
            EmitModelVertex(p->x, p->y, p->z);
        }
        glEnd();
    }
    EndProgress();
    NBLFree(ramp);
}

static void DrawTIN(HWND w, TINColouring colouring)
{
    ViewRecord* r = ViewRecordOf(w);
    if (!r->tin || !r->tin->points || r->tin->triangleCount <= 0) return;
    SetGLSceneFromTIN(r);
    bool keepsMaterial = colouring == TIN_RGB;
    float ambient[4], diffuse[4], emission[4];
    if (!keepsMaterial) {
        glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
        glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
        glGetMaterialfv(GL_FRONT, GL_EMISSION, emission);
        float e = colouring == TIN_INTENSITY ? 0.25f : 0.05f;
        const float glow[4] = {e, e, e, 1.0f};
        glMaterialfv(GL_FRONT, GL_EMISSION, glow);
    }
    glShadeModel(colouring == TIN_GRAY ? GL_FLAT : GL_SMOOTH);
    glColorMaterial(GL_FRONT, colouring == TIN_GRAY ? GL_AMBIENT : GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glPolygonMode(GL_FRONT, GL_FILL);
    if (colouring == TIN_GRAY) glColor3ub(128, 128, 128);
    ReplayOrCompile(r, GL_LIST_TIN, [&] { CompileTIN(r, colouring); });
    glDisable(GL_COLOR_MATERIAL);
    if (!keepsMaterial) {
        glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
        glMaterialfv(GL_FRONT, GL_EMISSION, emission);
    }
    glShadeModel(GL_FLAT);
}

void BuildTINListElevation(HWND w) { DrawTIN(w, TIN_ELEVATION); }
void BuildTINListGray(HWND w) { DrawTIN(w, TIN_GRAY); }
void BuildTINListIntensity(HWND w) { DrawTIN(w, TIN_INTENSITY); }
void BuildTINListRGB(HWND w) { DrawTIN(w, TIN_RGB); }

void BuildTINDisplayList(HWND w)
{
    ViewRecord* r = ViewRecordOf(w);
    if (IsGLGridView(r)) {
        BuildGridTINDisplayList(w);
        return;
    }
    switch (r->tinColorMode) {
    case 2: BuildTINListGray(w); break;
    case 3: BuildTINListIntensity(w); break;
    case 4: BuildTINListRGB(w); break;
    default: BuildTINListElevation(w); break;
    }
}

// --- the points ------------------------------------------------------------------------------

typedef COLORREF (*PointColourFn)(const ViewRecord* r, const PointRecord* p, int fileIndex);

static COLORREF ByElevation(const ViewRecord* r, const PointRecord* p, int) { return GetRampColor(p->z, r); }
static COLORREF ByClass(const ViewRecord* r, const PointRecord* p, int) { return r->classTable.entries[p->classification].mainColor; }
static COLORREF ByIntensity(const ViewRecord* r, const PointRecord* p, int)
{
    uint8_t g = IntensityGrey(r, p->intensity);
    return RGB(g, g, g);
}
static COLORREF BySourceID(const ViewRecord* r, const PointRecord* p, int)
{
    return r->currentDataSet ? r->currentDataSet->sourceIdTable[p->pointSourceId].color : 0xFFFFFF;
}
static COLORREF ByFile(const ViewRecord*, const PointRecord*, int fileIndex) { return GetPaletteColor(fileIndex); }
static COLORREF ByReturn(const ViewRecord* r, const PointRecord* p, int) { return r->returnColors[p->returns & 7]; }
static COLORREF ByRGB(const ViewRecord*, const PointRecord* p, int) { return RGB(p->red, p->green, p->blue); }
static COLORREF ByChannel(const ViewRecord*, const PointRecord* p, int) { return GetPaletteColor(p->flags & 3); }
static COLORREF ByClassFlag(const ViewRecord*, const PointRecord* p, int)
{
    int flags = (p->flags >> 2) & 0x0F;
    return flags ? GetPaletteColor(flags) : 0xB4B4B4;
}

int IsReturnShown(const ViewRecord* r, uint8_t returns)
{
    switch (ReturnPositionOf(returns)) {
    case RETURN_SINGLE: return r->showSingleReturns != 0;
    case RETURN_FIRST: return r->showFirstReturns != 0;
    case RETURN_INTERMEDIATE: return r->showIntermediateReturns != 0;
    default: return r->showLastReturns != 0;
    }
}

// The points inside the plan view's world window (with each file's end index in file mode).
RingPolygon* MapWindowPolygon(const ViewRecord* r)
{
    return NewBoxPolygon(r->viewLeft, r->viewTop, r->viewRight, r->viewBottom);
}

static PointSelection* WorldWindowPoints(ViewRecord* r, bool byFile)
{
    RingPolygon* window = MapWindowPolygon(r);
    if (!window) return nullptr;
    PointSelection* points = byFile ? LocatePointDataByFile(r->window, window) : LocatePointData(r->window, window);
    FreePolygon(window);
    return points;
}

static void CompilePoints(ViewRecord* r, const PointSelection* points, PointColourFn colour)
{
    StartProgress((unsigned)(points->count / kProgressEvery + 1), "3D Geometry");
    int fileIndex = 0;
    int32_t fileEnd = points->dataSetCount > 0 ? points->dataSetCounts[0] : INT32_MAX;
    glBegin(GL_POINTS);
    for (int32_t i = 0; i < points->count; i++) {
        if (i % kProgressEvery == 0) StepProgress();
        const PointRecord* p = points->items[i];
        if (!IsReturnShown(r, p->returns) || !r->classTable.entries[p->classification].display) continue;
        if (i >= fileEnd) {
            fileIndex++;
            fileEnd = fileIndex < points->dataSetCount ? points->dataSetCounts[fileIndex] : INT32_MAX;
        }
        SetGLColour(colour(r, p, fileIndex));
        EmitModelVertex(p->x, p->y, p->z);
    }
    glEnd();
    EndProgress();
}

int BeginGLPointList(ViewRecord* r)
{
    glDisable(GL_LIGHTING);
    glDisable(GL_LIGHT0);
    glPointSize((float)r->pointSizeStep);
    if (r->pointSizeStep >= 2) glEnable(GL_POINT_SMOOTH);
    else glDisable(GL_POINT_SMOOTH);
    if (!r->glRebuildFlags[GL_LIST_POINTS]) return 0;
    glCallList((GLuint)r->glListBase + GL_LIST_POINTS);
    return 1;
}

static void DrawPoints(HWND w, int setNormalisation, PointColourFn colour, bool byFile)
{
    ViewRecord* r = ViewRecordOf(w);
    if (BeginGLPointList(r)) return;
    PointSelection* points = WorldWindowPoints(r, byFile);
    if (!points || points->count == 0) {
        FreePointSelection(points);
        return;
    }
    // Points over a TIN that is on screen share its model space.
    GLSceneNormalisation before = glScene;
    if (r->tin && r->tin->points && (r->glRebuildFlags[GL_LIST_TIN] || r->glRebuildFlags[GL_LIST_CONTOURS]))
        SetGLSceneFromTIN(r);
    else
        r->glHalfExtent = (float)SetGLSceneFromExtent(points->minX, points->maxX, points->minY, points->maxY,
                                                      points->minZ, points->maxZ, r->glExaggeration);
    if (!setNormalisation) glScene = before;
    ReplayOrCompile(r, GL_LIST_POINTS, [&] { CompilePoints(r, points, colour); });
    FreePointSelection(points);
}

void BuildPointListElevation(HWND w, int set) { DrawPoints(w, set, ByElevation, false); }
void BuildPointListClass(HWND w, int set) { DrawPoints(w, set, ByClass, false); }
void BuildPointListIntensity(HWND w, int set) { DrawPoints(w, set, ByIntensity, false); }
void BuildPointListSourceID(HWND w, int set) { DrawPoints(w, set, BySourceID, false); }
void BuildPointListFile(HWND w, int set) { DrawPoints(w, set, ByFile, true); }
void BuildPointListReturn(HWND w, int set) { DrawPoints(w, set, ByReturn, false); }
void BuildPointListRGB(HWND w, int set) { DrawPoints(w, set, ByRGB, false); }
void BuildPointListChannel(HWND w, int set) { DrawPoints(w, set, ByChannel, false); }
void BuildPointListClassFlag(HWND w, int set) { DrawPoints(w, set, ByClassFlag, false); }

void BuildPointDisplayList(HWND w, int setNormalisation)
{
    ViewRecord* r = ViewRecordOf(w);
    if (IsGLGridView(r)) {
        BuildGridPointDisplayList(w);
        return;
    }
    if (!r->tin) setNormalisation = 1;
    switch (r->pointColorMode) {
    case CMD_COLOR_ELEVATION:
    case CMD_COLOR_ELEVATION + 1: BuildPointListElevation(w, setNormalisation); break;
    case CMD_COLOR_ELEVATION + 2: BuildPointListClass(w, setNormalisation); break;
    case CMD_COLOR_ELEVATION + 3: BuildPointListIntensity(w, setNormalisation); break;
    case CMD_COLOR_ELEVATION + 4: BuildPointListSourceID(w, setNormalisation); break;
    case CMD_COLOR_ELEVATION + 5: BuildPointListFile(w, setNormalisation); break;
    case CMD_COLOR_ELEVATION + 6: BuildPointListReturn(w, setNormalisation); break;
    case CMD_COLOR_ELEVATION + 7: BuildPointListRGB(w, setNormalisation); break;
    case CMD_COLOR_ELEVATION + 8: BuildPointListChannel(w, setNormalisation); break;
    case CMD_COLOR_ELEVATION + 9: BuildPointListClassFlag(w, setNormalisation); break;
    }
}

// --- the frame -------------------------------------------------------------------------------

int DrawGLFrame(HWND w)
{
    ViewRecord* r = ViewRecordOf(w);
    if (!r || !r->glContext || !OnGLWindowThread(w)) return 0;
    wglMakeCurrent(r->glDC, r->glContext);
    if (!r->glSurface) ResizeGLView(w);
    BindGLFrameSurface(r);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SetGLCamera(w);
    int mode = r->displayMode;
    if (mode == DISPLAY_POINTS) BuildPointDisplayList(w, 1);
    else if (mode == CMD_COLOR_TIN || mode == CMD_GRAY_TIN) BuildTINDisplayList(w);
    if (mode != DISPLAY_POINTS && r->overlayPointsOverBackground) BuildPointDisplayList(w, 0);
    if (r->overlayContours) BuildGLContourList(w);
    if (r->overlayReferences) DrawGLReferenceFiles(w);
    if (r->showAOIPolygons) DrawGLAOIPolygons(w);
    if (mode == CMD_BACKGROUND_REF && !r->overlayPointsOverBackground && !r->overlayContours)
        BuildPointDisplayList(w, 1);
    DrawGLPOIMarkers(w);
    return 1;
}

int RenderGLView(HWND w)
{
    if (!DrawGLFrame(w)) return 0;
    int shown = PresentGLFrame(ViewRecordOf(w), w);
    // The builders have just set the half-extent the status bar shows.
    UpdateGLStatusBar(w);
    return shown;
}

int DrawGLPickedPoints(HWND view, const PointSelection* points)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->glWindow || !r->glContext || !points || !OnGLWindowThread(r->glWindow)) return 0;
    HWND w = r->glWindow;
    wglMakeCurrent(r->glDC, r->glContext);
    BindGLFrameSurface(r);
    SetGLCamera(w);
    glDisable(GL_LIGHTING);
    glPointSize(3.0f);
    glEnable(GL_POINT_SMOOTH);
    glBegin(GL_POINTS);
    for (int32_t i = 0; i < points->count; i++) {
        const PointRecord* p = points->items[i];
        SetGLColour(r->classTable.entries[p->classification].mainColor);
        EmitModelVertex(p->x, p->y, p->z);
    }
    glEnd();
    r->glRebuildFlags[GL_LIST_POINTS] = 0;
    return PresentGLFrame(r, w);
}
