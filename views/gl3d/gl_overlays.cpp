// Layers of the 3D view drawn over the TIN and the points, and the profile
// box mark. All of them run on the 3D window's thread with its context current.
#include "views/gl3d/gl_overlays.h"
#include "views/gl3d/gl_context.h"
#include "views/gl3d/gl_render.h"
#include "views/gl3d/gl_view.h"
#include "views/contours/contour_list.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/polygon.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include <GL/gl.h>
#include <GL/glu.h>
#include <algorithm>

static bool HasTIN(const ViewRecord* r) { return r->tin && r->tin->points; }

void SetGLSceneFromGridExtent(ViewRecord* r)
{
    // The 3D bounds of a grid view: lowest and highest Y, X, then Z.
    const double* b = r->sceneBounds;
    r->glHalfExtent = (float)SetGLSceneFromExtent(b[2], b[3], b[0], b[1], b[4], b[5], r->glExaggeration);
}

// --- contours ------------------------------------------------------------------------------

void BuildGLContourList(HWND w)
{
    ViewRecord* r = ViewRecordOf(w);
    const ContourList* contours = r->contours;
    if (!contours || contours->count <= 0 || !contours->lines) return;
    if (IsGLGridView(r)) SetGLSceneFromGridExtent(r);
    else if (HasTIN(r)) SetGLSceneFromTIN(r);
    else return;
    // A contour job replaces the lines while it runs: a compiled list may be
    // replayed, but the lines are not read until the job is done.
    if (!r->glRebuildFlags[GL_LIST_CONTOURS] && GetWindowSlot(FrameWindow, FRAME_APPJOB) && IsAppJobBusy()) return;
    glDisable(GL_LIGHTING);
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glLineWidth(0.5f);
    ReplayOrCompile(r, GL_LIST_CONTOURS, [&] {
        for (int32_t i = 0; i < contours->count; i++) {
            const struct Polyline* line = contours->lines[i];
            if (!line || !line->vertices || line->vertexCount < 1) continue;
            SetGLColour(line->type == CONTOUR_INDEX ? r->contourIndexColor : r->contourIntermediateColor);
            // A contour lies at its level: the Z of its first vertex.
            double level = line->vertices[0].z;
            glBegin(GL_LINE_STRIP);
            for (int32_t k = 0; k < line->vertexCount; k++) EmitModelVertex(line->vertices[k].x, line->vertices[k].y, level);
            glEnd();
        }
    });
}

// --- reference shapefiles ------------------------------------------------------------------

struct ClipWindow {
    double left, right, bottom, top;
    bool Holds(double x, double y) const { return x >= left && x <= right && y >= bottom && y <= top; }
};

// The zoom tool clips to the TIN on screen; every other tool to the plan view's world window.
static ClipWindow ReferenceClip(const ViewRecord* r)
{
    if (r->currentTool == TOOL_ZOOM && HasTIN(r) &&
        (r->glRebuildFlags[GL_LIST_TIN] || r->glRebuildFlags[GL_LIST_CONTOURS])) {
        const PointSelection* p = r->tin->points;
        return {p->minX, p->maxX, p->minY, p->maxY};
    }
    return {std::min(r->viewLeft, r->viewRight), std::max(r->viewLeft, r->viewRight),
            std::min(r->viewBottom, r->viewTop), std::max(r->viewBottom, r->viewTop)};
}

static void DrawReferenceShapes3D(const ReferenceFile* file, const ClipWindow& clip)
{
    SetGLColour(file->color);
    if (file->shapeKind == SHAPES_POINTS) {
        for (int32_t i = 0; file->points && i < file->pointCount; i++) {
            const Vec3& p = file->points[i];
            if (!clip.Holds(p.x, p.y)) continue;
            glBegin(GL_POINTS);
            EmitModelVertex(p.x, p.y, p.z);
            glEnd();
        }
        return;
    }
    if (!file->lines) return;
    for (int32_t i = 0; i < file->lines->count; i++) {
        const struct Polyline* line = file->lines->items[i];
        if (!line || !line->vertices) continue;
        glBegin(GL_LINE_STRIP);
        for (int32_t k = 0; k < line->vertexCount; k++) {
            const Vec3& v = line->vertices[k];
            if (clip.Holds(v.x, v.y)) EmitModelVertex(v.x, v.y, v.z);
        }
        glEnd();
    }
}

void DrawGLReferenceFiles(HWND w)
{
    ViewRecord* r = ViewRecordOf(w);
    if (!r->references || r->referenceCount <= 0) return;
    if (IsGLGridView(r)) SetGLSceneFromGridExtent(r);
    else if (r->displayMode == CMD_COLOR_TIN && HasTIN(r)) SetGLSceneFromTIN(r);
    glDisable(GL_LIGHTING);
    glLineWidth(1.0f);
    ClipWindow clip = ReferenceClip(r);
    for (int i = 0; i < r->referenceCount; i++) {
        const ReferenceFile* file = r->references[i];
        // Images are shown in the plan view only; a layer switched off is drawn nowhere.
        if (file && file->visible && file->kind == REFERENCE_SHAPEFILE) DrawReferenceShapes3D(file, clip);
    }
}

// --- AOI polygons --------------------------------------------------------------------------

void DrawGLAOIPolygons(HWND w)
{
    ViewRecord* r = ViewRecordOf(w);
    const AOISet* set = r->aoiSet;
    if (!set || !set->lines || set->lines->count <= 0) return;
    glDisable(GL_LIGHTING);
    glLineWidth((float)std::max(1, r->aoiLineWidth));
    for (int32_t i = 0; i < set->lines->count; i++) {
        const struct Polyline* polygon = set->lines->items[i];
        if (!polygon || polygon->deleted || !polygon->vertices) continue;
        SetGLColour(polygon->color);
        glBegin(GL_LINE_STRIP);
        // Raised a little so the outline stays above the surface it encloses.
        for (int32_t k = 0; k < polygon->vertexCount; k++)
            EmitModelVertex(polygon->vertices[k].x, polygon->vertices[k].y, polygon->vertices[k].z + 0.25);
        glEnd();
    }
}

// --- POI pins ------------------------------------------------------------------------------

void DrawGLPOIMarkers(HWND w)
{
    ViewRecord* r = ViewRecordOf(w);
    const POISet* set = r->poiSet;
    if (!r->showPOIMarkers || !set || set->count <= 0 || !set->records) return;
    static GLUquadric* quadric;
    if (!quadric) {
        quadric = gluNewQuadric();
        if (!quadric) return;
        gluQuadricDrawStyle(quadric, GLU_FILL);
        gluQuadricNormals(quadric, GLU_SMOOTH);
    }
    float saved[2][3][4];
    const GLenum faces[2] = {GL_FRONT, GL_BACK}, parts[3] = {GL_AMBIENT, GL_DIFFUSE, GL_EMISSION};
    for (int f = 0; f < 2; f++)
        for (int p = 0; p < 3; p++) glGetMaterialfv(faces[f], parts[p], saved[f][p]);

    glShadeModel(GL_SMOOTH);
    const float glow[4] = {0.02f, 0.02f, 0.02f, 1.0f};
    glMaterialfv(GL_FRONT, GL_EMISSION, glow);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glMatrixMode(GL_MODELVIEW);

    const int m = std::max(1, r->poiMarkerSize / 2), label = r->poiLabelSize;
    const double top = std::max(0.5, m * 0.25), s = glScene.s, t = glScene.t;
    for (int32_t i = 0; i < set->count; i++) {
        const POIRecord& poi = set->records[i];
        if (poi.deleted) continue;
        glPushMatrix();
        // The head sits above the point by the label size; the stem reaches down to the point.
        glTranslatef((float)((poi.x - glScene.centreX) * s), (float)((poi.y - glScene.centreY) * s),
                     (float)((poi.z - glScene.centreZ) * t + (label + m / 2) * t));
        SetGLColour(poi.color);
        gluSphere(quadric, m * t, 50, 50);
        glTranslatef(0.0f, 0.0f, (float)(-(m / 2 + label) * t));
        glColor3ub(128, 128, 128);
        gluCylinder(quadric, top * t * 0.25, top * t, label * t, 20, 20);
        glPopMatrix();
    }

    glDisable(GL_COLOR_MATERIAL);
    for (int f = 0; f < 2; f++)
        for (int p = 0; p < 3; p++) glMaterialfv(faces[f], parts[p], saved[f][p]);
    glShadeModel(GL_FLAT);
}

// --- the profile box -----------------------------------------------------------------------

int DrawGLProfileBox(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    const struct Polyline* box = r ? r->profilePolyline : nullptr;
    if (!box || !box->vertices || box->vertexCount < 1 || !r->glWindow || !r->glContext || !r->profileWindow ||
        !IsWindow(r->profileWindow))
        return 0;
    HWND w = r->glWindow;
    if (!OnGLWindowThread(w)) {
        PostMessageA(view, WM_REFRESH_3D, 0, 0);
        return 0;
    }
    int flags[4];
    std::copy(r->glRebuildFlags, r->glRebuildFlags + 4, flags);
    int drawn = DrawGLFrame(w);
    std::copy(flags, flags + 4, r->glRebuildFlags);
    if (!drawn) return 0;
    glDisable(GL_LIGHTING);
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glLineWidth(1.0f);
    glColor3ub(0, 255, 255);
    glBegin(GL_LINE_LOOP);
    for (int32_t k = 0; k < box->vertexCount; k++)
        glVertex3f((float)((box->vertices[k].x - glScene.centreX) * glScene.s),
                   (float)((box->vertices[k].y - glScene.centreY) * glScene.s), 0.0f);
    glEnd();
    PresentGLFrame(r, w);
    UpdateGLStatusBar(w);
    // The frame just shown is whole: a paint already due would only hide the box.
    ValidateRect(w, nullptr);
    return 1;
}
