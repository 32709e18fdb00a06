// Painting of the project window on the user-interface thread; a new paint
// or a resize cancels one in progress through the window's job control.
#include "gis/project/project_paint.h"
#include "gis/project/project.h"
#include "gis/project/project_window.h"
#include "app/app_windows.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "views/plan/draw_thread.h"
#include "base/gdi_text.h"
#include "base/text.h"
#include <climits>
#include <cstring>
#include <vector>

static const COLORREF kTilePen = 0x8080FF;

bool TileBrushStyle(const ProjectTile* tile, int* hatch, COLORREF* colour)
{
    if (tile->editStatus == 1 || tile->editStatus == 2) {
        *hatch = HS_FDIAGONAL;
        *colour = tile->editStatus == 1 ? 0x80FF80 : 0xFF8080;
        return true;
    }
    if (tile->editStatus != 0) return false;
    static const COLORREF byState[] = {0x8080FF, 0x80FFFF, 0x00FFFF, 0x808080};
    if (tile->activeStatus < TILE_AVAILABLE || tile->activeStatus > TILE_NOT_FOUND) return false;
    *hatch = HS_BDIAGONAL;
    *colour = byState[tile->activeStatus];
    return true;
}

static const PolygonRing* RingOf(const ProjectTile* t)
{
    if (!t || !t->boundary || t->boundary->num_contours <= 0 || !t->boundary->contour) return nullptr;
    const PolygonRing* ring = &t->boundary->contour[0];
    return ring->vertex ? ring : nullptr;
}

// Screen position of a world point, truncated as the tiles are drawn.
static POINT ToScreen(const ViewRecord* r, double x, double y)
{
    POINT p;
    p.x = (LONG)((x - r->viewLeft) / r->scale);
    p.y = (LONG)((r->viewTop - y) / r->scale);
    return p;
}

// The name without its extension.
static void LabelOf(const char* name, char* label, size_t size)
{
    CopyBounded(label, size, name);
    char* dot = strrchr(label, '.');
    if (dot) *dot = 0;
}

int FitTileLabelFont(LOGFONTA* font, HDC hdc, HWND window)
{
    ViewRecord* r = ViewRecordOf(window);
    Project* p = CurrentProject();
    if (!r || !p || !(r->scale > 0)) return 0;
    int widest = 0;
    const ProjectTile* longest = nullptr;
    for (int i = 0; i < p->tileCount; i++) {
        const ProjectTile* t = p->tiles[i];
        if (!RingOf(t)) continue;   // a tile without an outline gets no label
        int width = ToScreen(r, t->maxX, 0).x - ToScreen(r, t->minX, 0).x;
        if (width > widest) widest = width;
        if (!longest || strlen(t->name) > strlen(longest->name)) longest = t;
    }
    if (!longest) return 0;
    char label[260];
    LabelOf(longest->name, label, sizeof label);
    for (int points = 14; points >= 8; points--) {
        LOGFONTA lf = {};
        lf.lfHeight = -MulDiv(points, GetDeviceCaps(hdc, LOGPIXELSY), 72);
        lf.lfWeight = FW_BOLD;
        lf.lfCharSet = DEFAULT_CHARSET;
        HFONT f = CreateFontIndirectA(&lf);
        HGDIOBJ old = SelectObject(hdc, f);
        SIZE size = ProgramTextExtent(hdc, label);
        SelectObject(hdc, old);
        DeleteObject(f);
        if (size.cx < widest / 2) {
            *font = lf;
            return 1;
        }
    }
    return 0;
}

int PaintProjectTiles(HWND window, HDC hdc, const RECT*, int erase)
{
    ViewRecord* r = ViewRecordOf(window);
    Project* p = CurrentProject();
    if (!r || !p || p->tileCount == 0 || !(r->scale > 0)) return 1;
    bool anyVertex = false;
    for (int i = 0; i < p->tileCount && !anyVertex; i++) {
        const PolygonRing* ring = RingOf(p->tiles[i]);
        anyVertex = ring && ring->num_vertices > 0;
    }
    if (!anyVertex) return 1;
    if (erase) FillViewBackground(window, hdc, ViewBackgroundColor);

    HPEN pen = CreatePen(PS_SOLID, 1, kTilePen);
    HBRUSH brush = CreateHatchBrush(HS_BDIAGONAL, kTilePen);
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    HGDIOBJ oldBrush = SelectObject(hdc, brush);
    int oldRop = SetROP2(hdc, R2_COPYPEN);
    int oldMode = SetBkMode(hdc, TRANSPARENT);
    COLORREF oldText = GetTextColor(hdc);
    LOGFONTA lf;
    HFONT font = FitTileLabelFont(&lf, hdc, window) ? CreateFontIndirectA(&lf) : nullptr;
    HGDIOBJ oldFont = font ? SelectObject(hdc, font) : nullptr;
    if (font) SetTextColor(hdc, RGB(255, 255, 255));

    JobControl* job = (JobControl*)GetWindowSlot(window, CHILD_JOB);
    int done = 1;
    std::vector<POINT> points;
    for (int i = 0; i < p->tileCount; i++) {
        if (job && JobCancelled(job)) {
            done = 0;
            break;
        }
        const ProjectTile* t = p->tiles[i];
        const PolygonRing* ring = RingOf(t);
        if (!ring || ring->num_vertices < 3) continue;
        points.resize((size_t)ring->num_vertices);
        RECT box = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (int k = 0; k < ring->num_vertices; k++) {
            POINT s = ToScreen(r, ring->vertex[k].x, ring->vertex[k].y);
            points[(size_t)k] = s;
            if (s.x < box.left) box.left = s.x;
            if (s.x > box.right) box.right = s.x;
            if (s.y < box.top) box.top = s.y;
            if (s.y > box.bottom) box.bottom = s.y;
        }
        int hatch;
        COLORREF colour;
        if (TileBrushStyle(t, &hatch, &colour)) {
            HBRUSH next = CreateHatchBrush(hatch, colour);
            SelectObject(hdc, next);
            DeleteObject(brush);
            brush = next;
        }
        if (box.right > box.left && box.bottom > box.top)
            Polygon(hdc, points.data(), ring->num_vertices);
        else
            Rectangle(hdc, box.left, box.bottom - 4, box.left + 4, box.bottom);
        if (font) {
            char label[260];
            LabelOf(t->name, label, sizeof label);
            SIZE size = ProgramTextExtent(hdc, label);
            int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
            DrawProgramText(hdc, cx - size.cx / 2, cy - size.cy / 2, label);
        }
    }
    if (font) {
        SelectObject(hdc, oldFont);
        DeleteObject(font);
    }
    SetTextColor(hdc, oldText);
    SetBkMode(hdc, oldMode);
    SetROP2(hdc, oldRop);
    SelectObject(hdc, oldBrush);
    SelectObject(hdc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
    return done;
}
