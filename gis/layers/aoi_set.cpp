// The AOI set a view owns. Its polygon list is read by the draw thread, so it
// changes only under the view's draw lock.
#include "gis/layers/aoi_set.h"
#include "gis/layers/aoi_file.h"
#include "app/layer_sets.h"
#include "gis/layers/ref_files.h"
#include "app/class_table.h"
#include "app/app_windows.h"
#include "app/view_record.h"
#include "app/view_jobs.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/polygon.h"
#include "base/vector.h"
#include "data/data_set.h"
#include "data/gdal_grid.h"
#include "views/gl3d/gl_render.h"
#include "views/plan/measure_query.h"
#include <cstdio>
#include <cstring>

const char kAOIUnsavedNamed[] =
    "The current AOI file:\n\n    %s\n\nHas not been saved.  Would you like to save it?";
const char kAOIUnsavedUnnamed[] = "The current AOI polygon set not been saved.\n\nWould you like to save it?";

void SetDefaultAOITypes(ClassTable* table)
{
    static const struct {
        const char* name;
        uint32_t colour;
    } types[13] = {{"Low Points", 0x808080},        {"Buildings", 0x80FFFF},        {"By Height", 0xFF00FF},
                   {"Auto Vegetation", 0x80FF80},   {"Low Noise Filter", 0x00FF00}, {"Low Vegetation", 0x009600},
                   {"High Noise Filter", 0x0000FF}, {"High Vegetation", 0xFFFFFF},  {"Standard Block", 0x0080FF},
                   {"Shrub Filter", 0xFF0000},      {"<EMPTY>", 0xFFFFFF},          {"<EMPTY>", 0xFFFFFF},
                   {"<EMPTY>", 0xFFFFFF}};
    InitClassTable(table);
    table->count = 13;
    snprintf(table->path, sizeof table->path, "AOIMacro_list.xml");
    snprintf(table->title, sizeof table->title, "AOIMacro_list.xml");
    table->groundCode = 2;
    for (int i = 0; i < 13; i++) {
        ClassEntry& e = table->entries[i];
        snprintf(e.name, sizeof e.name, "%s", types[i].name);
        e.display = 1;
        e.mainColor = e.profileColor = types[i].colour;
        e.index = i;
    }
    table->entries[2].tinDisplay = 1;
}

AOISet* NewAOISet()
{
    AOISet* set = (AOISet*)NBLCalloc(1, sizeof(AOISet));
    if (!set) return nullptr;
    set->lines = (PolylineList*)NBLCalloc(1, sizeof(PolylineList));
    if (!set->lines) {
        NBLFree(set);
        return nullptr;
    }
    set->visible = 1;
    set->kind = REFERENCE_SHAPEFILE;
    set->color = 0xFFFF00;
    set->shapeKind = SHAPES_POLYGONS;
    set->saved = 1;
    return set;
}

void CreateAOISet(ViewRecord* record)
{
    if (!record) return;
    record->aoiSet = NewAOISet();
    record->aoiLineWidth = 2;
    SetDefaultAOITypes(&record->aoiClassTable);
}

void FreeAOISet(ViewRecord* record)
{
    if (!record) return;
    FreeReferenceFile(record->aoiSet);
    record->aoiSet = nullptr;
}

void InstallAOISet(HWND view, AOISet* set)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return;
    JobControl* job = LockViewData(view);
    FreeAOISet(r);
    r->aoiSet = set;
    UnlockViewData(job);
}

static bool GridElevation(const ViewRecord* r, double x, double y, float* z)
{
    for (int d = 0; r->dataSets && d < r->dataSetCount; d++) {
        const DataSet* grid = r->dataSets[d];
        int row, column;
        if (!GridPostAt(grid, x, y, &row, &column)) continue;
        float height = grid->heights[row][column];
        // A void cell has no height: a later grid may have one.
        if (height == VoidCellValue) continue;
        *z = height;
        return true;
    }
    return false;
}

void SetAOIElevations(HWND view, struct Polyline* polygon)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !polygon || !polygon->vertices) return;
    bool grid = r->dataKind == DATA_GDAL || r->dataKind == DATA_RADAR;
    for (int k = 0; k < polygon->vertexCount; k++) {
        Vec3& v = polygon->vertices[k];
        float z = 0.0f;
        if (grid) {
            GridElevation(r, v.x, v.y, &z);
        } else if (const PointRecord* nearest = FindNearestPoint(view, v.x, v.y)) {
            z = nearest->z;
        }
        v.z = z;
    }
}

int AddAOIPolygon(HWND view, struct Polyline* digitised)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->aoiSet || !digitised || !digitised->vertices || digitised->vertexCount < 3) return 1;
    int n = digitised->vertexCount;
    struct Polyline* polygon = CreatePolyline(n + 1);
    char* comment = (char*)NBLCalloc(kAOICommentBytes, 1);
    if (!polygon || !comment) {
        FreePolyline(polygon);
        NBLFree(comment);
        return 1;
    }
    polygon->closed = 1;
    for (int k = 0; k < n; k++) polygon->vertices[k] = {digitised->vertices[k].x, digitised->vertices[k].y, 0.0f};
    polygon->vertices[n] = polygon->vertices[0];
    int type = r->currentAOIType >= 0 && r->currentAOIType < 256 ? r->currentAOIType : 0;
    polygon->type = r->aoiClassTable.entries[type].index;
    polygon->typePosition = r->currentAOIType;
    polygon->comment = comment;
    polygon->color = 0xFF00FF;
    polygon->ring = PolylineToGpcPolygon(polygon);
    SetAOIElevations(view, polygon);

    JobControl* job = LockViewData(view);
    if (!r->aoiSet->lines) r->aoiSet->lines = (PolylineList*)NBLCalloc(1, sizeof(PolylineList));
    bool added = r->aoiSet->lines && AppendReferenceLine(r->aoiSet->lines, polygon);
    if (added) r->aoiSet->saved = 0;
    UnlockViewData(job);
    if (!added) {
        if (polygon->ring) FreePolygon(polygon->ring);
        NBLFree(comment);
        FreePolyline(polygon);
    }
    if (r->glWindow) RenderGLView(r->glWindow);
    return 1;
}

// ---- picking ------------------------------------------------------------------------

static bool Pickable(const struct Polyline* polygon)
{
    // A polygon read without vertices has no outline to pick.
    return polygon && !polygon->deleted && polygon->ring && polygon->ring->num_contours > 0 && polygon->vertexCount > 0;
}

static bool Contains(const struct Polyline* polygon, double x, double y)
{
    return Pickable(polygon) && PointInPolygon(&polygon->ring->contour[0], x, y);
}

// The distance from (x, y) to the nearest edge of the ring whose foot falls
// inside the edge; kNoDistance when there is none.
static double EdgeDistance(const PolygonRing* ring, double x, double y)
{
    double best = kNoDistance;
    for (int k = 0; k < ring->num_vertices; k++) {
        const RingVertex& a = ring->vertex[k];
        const RingVertex& b = ring->vertex[(k + 1) % ring->num_vertices];
        Vec3 va = {a.x, a.y, 0.0f}, vb = {b.x, b.y, 0.0f};
        double d = PointLineDistance(x, y, &va, &vb);
        if (d < best) best = d;
    }
    return best;
}

int FindAOIPolygonAtCursor(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->aoiSet || !r->aoiSet->lines || r->aoiSet->lines->count <= 0) return -1;
    const PolylineList* list = r->aoiSet->lines;
    double x = r->viewLeft + r->mouseX * r->scale, y = r->viewTop - r->mouseY * r->scale;
    if (list->count == 1) return Contains(list->items[0], x, y) ? 0 : -1;
    int marked = 0, only = -1;
    for (int i = 0; i < list->count; i++)
        if (Contains(list->items[i], x, y)) {
            marked++;
            only = i;
        }
    if (marked <= 1) return only;
    int picked = -1;
    double best = kNoDistance;
    for (int i = 0; i < list->count; i++) {
        if (!Contains(list->items[i], x, y)) continue;
        double d = EdgeDistance(&list->items[i]->ring->contour[0], x, y);
        if (d < best) {
            best = d;
            picked = i;
        }
    }
    return picked;
}

// ---- replacing the set ---------------------------------------------------------------

int AskToSaveAOISet(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->aoiSet || r->aoiSet->saved) return 1;
    char text[700];
    if (r->aoiSet->title[0]) snprintf(text, sizeof text, kAOIUnsavedNamed, r->aoiSet->title);
    else snprintf(text, sizeof text, "%s", kAOIUnsavedUnnamed);
    int answer = ShowMessageBox(FrameWindow, text, "Warning", MB_YESNOCANCEL | MB_ICONWARNING);
    if (answer == IDCANCEL) return 0;
    if (answer == IDYES && !SaveAOIFile(view)) return 0;
    return 1;
}

int ResetAOISet(HWND view)
{
    if (!ViewRecordOf(view) || !AskToSaveAOISet(view)) return 0;
    AOISet* set = NewAOISet();
    if (!set) return 0;
    InstallAOISet(view, set);
    ViewRecord* r = ViewRecordOf(view);
    if (r->glWindow) RenderGLView(r->glWindow);
    return 1;
}
