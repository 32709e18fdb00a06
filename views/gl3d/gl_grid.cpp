// Grid posts and grid TINs of the 3D window.
#include "views/gl3d/gl_grid.h"
#include "views/gl3d/gl_overlays.h"
#include "views/gl3d/gl_render.h"
#include "views/plan/color_ramp.h"
#include "views/plan/draw_grid.h"
#include "app/command_ids.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "base/palette.h"
#include "base/polygon.h"
#include "base/progress.h"
#include "base/vector.h"
#include "data/data_set.h"
#include "data/gdal_grid.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <vector>

const char kLocateGridDataCaption[] = "Locate Grid Data";

constexpr int kProgressEvery = 32768;

PointSelection* NewGridPointSet(int32_t n)
{
    PointSelection* s = CreatePointSelection(n);
    if (!s) return nullptr;
    s->ownedRecords = (PointRecord*)NBLCalloc(n > 0 ? (uint64_t)n : 1, sizeof(PointRecord));
    if (!s->ownedRecords) {
        FreePointSelection(s);
        return nullptr;
    }
    for (int32_t k = 0; k < n; k++) s->items[k] = &s->ownedRecords[k];
    return s;
}

void FreeGridPointSet(PointSelection* set)
{
    if (set) FreePointSelection(set);
}

// The posts of one grid: its magnitude greys and its index in the view.
struct PostSource {
    const DataSet* set;
    int index;
    std::vector<uint8_t> grey;
};

static void AddPost(PointSelection* s, const PostSource& from, int row, int column)
{
    const DataSet* set = from.set;
    float z = set->heights[row][column];
    if (z == VoidCellValue || s->count >= s->capacity) return;
    PointRecord* p = &s->ownedRecords[s->count++];
    p->x = column * set->cellSize + set->originX;
    p->y = set->originY - row * set->cellSize;
    p->z = z;
    p->intensity = set->magnitudes ? from.grey[set->magnitudes[row][column]] : 128;
    p->pointSourceId = (uint16_t)from.index;
    s->minX = std::min(s->minX, p->x);
    s->maxX = std::max(s->maxX, p->x);
    s->minY = std::min(s->minY, p->y);
    s->maxY = std::max(s->maxY, p->y);
    s->minZ = std::min(s->minZ, (double)z);
    s->maxZ = std::max(s->maxZ, (double)z);
}

PointSelection* LocateGridData(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return nullptr;
    RingPolygon* window = MapWindowPolygon(r);
    if (!window) return nullptr;
    std::vector<PostSource> grids;
    int64_t total = 0;
    for (int d = 0; d < r->dataSetCount; d++) {
        DataSet* set = r->dataSets[d];
        int r0, r1, c0, c1;
        if (!set || !IsDataSetVisible(view, d) || !GridRange(set, window, &r0, &r1, &c0, &c1)) continue;
        total += (int64_t)(r1 - r0 + 1) * (c1 - c0 + 1);
        grids.push_back({set, d, {}});
        if (set->magnitudes) FillMagnitudeGrey(set, &grids.back().grey);
    }
    PointSelection* s = nullptr;
    int64_t f = (int64_t)((double)total / kGridPostLimit + 0.5);
    if (total > 0 && f <= 1) {
        s = NewGridPointSet((int32_t)total);
        if (s) {
            s->count = 0;
            StartProgress((unsigned)grids.size(), kLocateGridDataCaption);
            for (const PostSource& g : grids) {
                StepProgress();
                int r0, r1, c0, c1;
                GridRange((DataSet*)g.set, window, &r0, &r1, &c0, &c1);
                for (int row = r0; row <= r1; row++)
                    for (int c = c0; c <= c1; c++) AddPost(s, g, row, c);
            }
            EndProgress();
        }
    } else if (total > 0) {
        int w = std::max(r->drawWidth, 1), h = std::max(r->drawHeight, 1);
        double step = r->scale;
        while ((int64_t)w * h > kGridPostLimit) {
            w += (int)(-0.125 * w);
            h += (int)(-0.125 * h);
            step += 0.125 * step;
        }
        int nx = (int)((r->viewRight - r->viewLeft) / step + 0.5);
        int ny = (int)((r->viewTop - r->viewBottom) / step + 0.5);
        // Every visible grid may add a post at each raster position.
        int64_t room = (int64_t)std::max(nx, 0) * std::max(ny, 0) * (int64_t)grids.size();
        if (room > 0 && room <= INT32_MAX) s = NewGridPointSet((int32_t)room);
        if (s) {
            s->count = 0;
            StartProgress((unsigned)(grids.size() + 2), kLocateGridDataCaption);
            StepProgress();
            for (const PostSource& g : grids) {
                StepProgress();
                const DataSet* set = g.set;
                for (int k = 0; k < ny; k++) {
                    int row = (int)((k * step - r->viewTop + set->originY) / set->cellSize + 0.5);
                    if (row < 0) continue;
                    if (row >= set->rows) break;
                    for (int m = 0; m < nx; m++) {
                        int column = (int)((m * step + r->viewLeft - set->originX) / set->cellSize + 0.5);
                        if (column < 0) continue;
                        if (column >= set->columns) break;
                        AddPost(s, g, row, column);
                    }
                }
            }
            EndProgress();
        }
    }
    FreePolygon(window);
    return s;
}

void SetGridTINNormals(TINModel* tin, PointSelection* set)
{
    tin->points = set;
    ComputeTriangleNormals(tin);
}

TINModel* BuildGridTIN(PointSelection* set)
{
    if (!set) {
        Beep(500, 100);
        return nullptr;
    }
    if (set->count <= 2) return nullptr;
    TINModel* tin = TriangulateSelection(set, "nQz");
    if (tin) SetGridTINNormals(tin, set);
    return tin;
}

// The 3D bounds (lowest and highest Y, X, Z) and the shared normalisation.
static void SetGridSceneBounds(ViewRecord* r, const PointSelection* s, double minZ, double maxZ)
{
    double* b = r->sceneBounds;
    b[0] = s->minY;
    b[1] = s->maxY;
    b[2] = s->minX;
    b[3] = s->maxX;
    b[4] = minZ;
    b[5] = maxZ;
    SetGLSceneFromGridExtent(r);
}

// --- posts -------------------------------------------------------------------------------------

enum PostColouring { POSTS_ELEVATION, POSTS_INTENSITY, POSTS_PALETTE };

static void DrawGridPosts(HWND w, PostColouring colouring)
{
    ViewRecord* r = ViewRecordOf(w);
    if (BeginGLPointList(r)) return;
    PointSelection* s = LocateGridData(r->window);
    if (!s) return;
    if (r->tin && r->tin->points && r->glRebuildFlags[GL_LIST_TIN]) {
        const PointSelection* t = r->tin->points;
        double* b = r->sceneBounds;
        b[0] = t->minY, b[1] = t->maxY, b[2] = t->minX, b[3] = t->maxX, b[4] = r->tin->minZ, b[5] = r->tin->maxZ;
        SetGLSceneFromGridExtent(r);
    } else {
        SetGridSceneBounds(r, s, s->minZ, s->maxZ);
    }
    ReplayOrCompile(r, GL_LIST_POINTS, [&] {
        StartProgress((unsigned)(s->count / kProgressEvery + 1), "3D Geometry");
        glBegin(GL_POINTS);
        for (int32_t i = 0; i < s->count; i++) {
            if (i % kProgressEvery == 0) StepProgress();
            const PointRecord* p = s->items[i];
            if (!IsReturnShown(r, p->returns) || !r->classTable.entries[p->classification].display) continue;
            if (p->z == VoidCellValue) continue;
            uint8_t g = (uint8_t)p->intensity;
            SetGLColour(colouring == POSTS_ELEVATION   ? GetRampColor(p->z, r)
                        : colouring == POSTS_INTENSITY ? RGB(g, g, g)
                                                       : GetPaletteColor(p->pointSourceId));
            EmitModelVertex(p->x, p->y, p->z);
        }
        glEnd();
        EndProgress();
    });
    FreeGridPointSet(s);
}

void BuildGridPointListByElevation(HWND w) { DrawGridPosts(w, POSTS_ELEVATION); }
void BuildGridPointListByIntensity(HWND w) { DrawGridPosts(w, POSTS_INTENSITY); }
void BuildGridPointListByPalette(HWND w) { DrawGridPosts(w, POSTS_PALETTE); }

int BuildGridPointDisplayList(HWND w)
{
    switch (ViewRecordOf(w)->pointColorMode) {
    case CMD_COLOR_ELEVATION + 3:
    case CMD_COLOR_ELEVATION + 7: BuildGridPointListByIntensity(w); break;
    case CMD_COLOR_ELEVATION + 4:
    case CMD_COLOR_ELEVATION + 5:
    case CMD_COLOR_ELEVATION + 8:
    case CMD_COLOR_ELEVATION + 9: BuildGridPointListByPalette(w); break;
    default: BuildGridPointListByElevation(w); break;
    }
    return 1;
}

// --- the grid TIN ------------------------------------------------------------------------------

enum SurfaceColouring { SURFACE_RAMP, SURFACE_GRAY, SURFACE_INTENSITY };

static void CompileGridTIN(ViewRecord* r, const TINModel* tin, SurfaceColouring colouring)
{
    PointRecord** items = tin->points->items;
    StartProgress((unsigned)(tin->triangleCount / kProgressEvery + 1), "3D TIN");
    glBegin(GL_TRIANGLES);
    for (int32_t i = 0; i < tin->triangleCount; i++) {
        if (i % kProgressEvery == 0) StepProgress();
        Vec3 n = tin->normals[i];
        Normalize3(&n);
        glNormal3f((float)n.x, (float)n.y, n.z);
        for (int k = 0; k < 3; k++) {
            const PointRecord* p = items[tin->triangles[3 * i + k]];
            if (colouring == SURFACE_RAMP) {
                const uint8_t* c = GetRampEntry(p->z, r);
                glColor3ub(c[0], c[1], c[2]);
            } else if (colouring == SURFACE_INTENSITY) {
                uint8_t g = (uint8_t)p->intensity;
                glColor3ub(g, g, g);
            }
            EmitModelVertex(p->x, p->y, p->z);
        }
    }
    glEnd();
    EndProgress();
}

static void DrawGridSurface(HWND w, SurfaceColouring colouring)
{
    ViewRecord* r = ViewRecordOf(w);
    const GLenum faces = GL_FRONT_AND_BACK;
    float ambient[4], diffuse[4], specular[4];
    glShadeModel(GL_SMOOTH);
    glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glGetMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    const float shine[4] = {0.05f, 0.05f, 0.05f, 1.0f};
    glMaterialfv(faces, GL_SPECULAR, shine);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glColorMaterial(faces, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glPolygonMode(faces, GL_FILL);
    if (colouring == SURFACE_GRAY) glColor3ub(128, 128, 128);
    if (r->glRebuildFlags[GL_LIST_TIN]) {
        SetGLSceneFromGridExtent(r);
        glCallList((GLuint)r->glListBase + GL_LIST_TIN);
    } else {
        PointSelection* s = LocateGridData(r->window);
        TINModel* tin = s ? BuildGridTIN(s) : nullptr;
        if (!tin || tin->triangleCount <= 0) {
            FreeTINModel(tin, 0);
            FreeGridPointSet(s);
            return;
        }
        SetGridSceneBounds(r, s, tin->minZ, tin->maxZ);
        ReplayOrCompile(r, GL_LIST_TIN, [&] { CompileGridTIN(r, tin, colouring); });
        FreeTINModel(tin, 0);
        FreeGridPointSet(s);
    }
    glDisable(GL_COLOR_MATERIAL);
    glMaterialfv(faces, GL_AMBIENT, ambient);
    glMaterialfv(faces, GL_DIFFUSE, diffuse);
    glMaterialfv(faces, GL_SPECULAR, specular);
    glShadeModel(GL_FLAT);
}

void BuildGridTINListRamp(HWND w) { DrawGridSurface(w, SURFACE_RAMP); }
void BuildGridTINListGray(HWND w) { DrawGridSurface(w, SURFACE_GRAY); }
void BuildGridTINListIntensity(HWND w) { DrawGridSurface(w, SURFACE_INTENSITY); }

int BuildGridTINDisplayList(HWND w)
{
    switch (ViewRecordOf(w)->tinColorMode) {
    case 2: BuildGridTINListGray(w); break;
    case 3:
    case 4: BuildGridTINListIntensity(w); break;
    default: BuildGridTINListRamp(w); break;
    }
    return 1;
}
