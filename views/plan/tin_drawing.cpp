// The shaded TIN: every triangle with at least one corner on screen is filled
// in one colour from its shading value and the colouring of the view. The
// drawing goes to an off-screen bitmap that is copied to the window at the
// end, so a cancelled draw never leaves half a TIN on screen.
#include "views/plan/tin_drawing.h"
#include "views/plan/draw_grid.h"
#include "views/plan/view_mapping.h"
#include "views/plan/color_ramp.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "data/selection.h"
#include "data/tin_model.h"

static JobControl* JobOf(HWND view) { return view ? (JobControl*)GetWindowSlot(view, CHILD_JOB) : nullptr; }

float TriangleShade(const Vec3* light, const Vec3* normal, float verticalFactor)
{
    Vec3 n = *normal;
    if (verticalFactor != 0.0f) n.z /= verticalFactor;
    Normalize3(&n);
    return Dot3(light, &n);
}

static int Clamp255(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// The colour of triangle t with shading d.
typedef COLORREF (*TriangleColor)(const ViewRecord* r, const TINModel* tin, int t, float d, const void* extra);

static const PointRecord* Corner(const TINModel* tin, int t, int k)
{
    return tin->points->items[tin->triangles[3 * t + k]];
}

static COLORREF RampColor(const ViewRecord* r, const TINModel* tin, int t, float d, const void*)
{
    const uint8_t* e = GetRampEntry(tin->zRanges[2 * t], r);
    int add = (int)(d * 75 - 37);
    return RGB(Clamp255(e[0] + add), Clamp255(e[1] + add), Clamp255(e[2] + add));
}

static COLORREF GrayColor(const ViewRecord*, const TINModel*, int, float d, const void*)
{
    int g = (int)((d + 1) * 128);
    if (g > 255) g = 255;
    if (g < 0) g = 0;
    return RGB(g, g, g);
}

struct IntensityRange {
    int low, high;
    double factor;
};

static COLORREF IntensityColor(const ViewRecord*, const TINModel* tin, int t, float d, const void* extra)
{
    const IntensityRange* range = (const IntensityRange*)extra;
    int m = (Corner(tin, t, 0)->intensity + Corner(tin, t, 1)->intensity + Corner(tin, t, 2)->intensity) / 3;
    if (m < range->low) m = range->low;
    if (m > range->high) m = range->high;
    int g = (int)(((int)((m - range->low) * range->factor) + 64) * (d + 1));
    g = Clamp255(g);
    return RGB(g, g, g);
}

static COLORREF RGBColor(const ViewRecord*, const TINModel* tin, int t, float d, const void*)
{
    const PointRecord* a = Corner(tin, t, 0);
    const PointRecord* b = Corner(tin, t, 1);
    const PointRecord* c = Corner(tin, t, 2);
    int red = (int)((d + 1) * (a->red + b->red + c->red) / 6);
    int green = (int)((d + 1) * (a->green + b->green + c->green) / 6);
    int blue = (int)((d + 1) * (a->blue + b->blue + c->blue) / 6);
    return RGB(Clamp255(red), Clamp255(green), Clamp255(blue));
}

// The common frame of the four drawers.
static int DrawShadedTIN(HWND view, HDC hdc, TriangleColor color, const void* extra, bool startFromWindow)
{
    ViewRecord* r = ViewRecordOf(view);
    JobControl* job = JobOf(view);
    if (!r || !r->tin || !r->tin->points) return 1;
    const TINModel* tin = r->tin;
    RECT area;
    GetViewClientRect(view, &area);
    int width = area.right, height = area.bottom;
    if (width <= 0 || height <= 0) return 1;
    Vec3 light;
    LightDirection(r->lightAzimuth, r->lightElevation, &light);

    HDC mem = CreateCompatibleDC(hdc);
    HBITMAP bitmap = CreateCompatibleBitmap(hdc, width, height);
    HGDIOBJ oldBitmap = SelectObject(mem, bitmap);
    if (startFromWindow) BitBlt(mem, 0, 0, width, height, hdc, 0, 0, SRCCOPY);
    else PatBlt(mem, 0, 0, width, height, BLACKNESS);
    // One solid pen and brush whose colour is set per triangle.
    HGDIOBJ oldPen = SelectObject(mem, GetStockObject(DC_PEN));
    HGDIOBJ oldBrush = SelectObject(mem, GetStockObject(DC_BRUSH));

    int completed = 1;
    const double left = r->viewLeft, top = r->viewTop, scale = r->scale;
    for (int t = 0; t < tin->triangleCount; t++) {
        if ((t & 1023) == 0 && job && JobCancelled(job)) {
            completed = 0;
            break;
        }
        POINT p[3];
        bool onScreen = false;
        for (int k = 0; k < 3; k++) {
            const PointRecord* v = Corner(tin, t, k);
            p[k].x = (LONG)((v->x - left) / scale);
            p[k].y = (LONG)((top - v->y) / scale);
            if (p[k].x >= 0 && p[k].x < width && p[k].y >= 0 && p[k].y < height) onScreen = true;
        }
        if (!onScreen) continue;
        float d = TriangleShade(&light, &tin->normals[t], r->zExaggeration);
        COLORREF c = color(r, tin, t, d, extra);
        SetDCPenColor(mem, c);
        SetDCBrushColor(mem, c);
        Polygon(mem, p, 3);
    }
    if (completed) BitBlt(hdc, 0, 0, width, height, mem, 0, 0, SRCCOPY);
    SelectObject(mem, oldPen);
    SelectObject(mem, oldBrush);
    SelectObject(mem, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(mem);
    return completed;
}

void TINRampRange(const ViewRecord* r, float* low, float* high)
{
    if (r->scaleColorsToLocal && r->tin) {
        *low = (float)r->tin->minZ;
        *high = (float)r->tin->maxZ;
    } else if (r->currentDataSet) {
        *low = r->currentDataSet->rampLowZ;
        *high = r->currentDataSet->rampHighZ;
    }
}

int DrawTINByRamp(HWND view, HDC hdc)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->tin) return 1;
    SetupTINColorRamp(view);
    float low = r->rampMinZ, high = r->rampMaxZ;
    TINRampRange(r, &low, &high);
    r->rampMinZ = low;
    r->rampMaxZ = high;
    // A flat surface has no range to spread: every triangle takes the first entry.
    r->rampFactor = high > low ? (float)(r->rampCount / (high - low)) : 0.0f;
    return DrawShadedTIN(view, hdc, RampColor, nullptr, false);
}

int DrawTINGray(HWND view, HDC hdc) { return DrawShadedTIN(view, hdc, GrayColor, nullptr, false); }

int DrawTINByIntensity(HWND view, HDC hdc)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 1;
    IntensityRange range = {0, 0, 0.0};
    if (r->currentDataSet) {
        range.low = r->currentDataSet->intensityLow;
        range.high = r->currentDataSet->intensityHigh;
    }
    // An empty display range gives every triangle the base grey.
    range.factor = range.high > range.low ? 128.0 / (double)(range.high - range.low) : 0.0;
    if (range.high < range.low) range.high = range.low;
    return DrawShadedTIN(view, hdc, IntensityColor, &range, true);
}

int DrawTINByRGB(HWND view, HDC hdc) { return DrawShadedTIN(view, hdc, RGBColor, nullptr, false); }

int DrawTINForColorMode(HWND view, HDC hdc)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 1;
    // Grid views are shaded from their own mesh.
    if (r->dataKind == DATA_GDAL || r->dataKind == DATA_RADAR) return DrawGridShaded(view, hdc);
    switch (r->tinColorMode) {
    case 2: return DrawTINGray(view, hdc);
    case 3: return DrawTINByIntensity(view, hdc);
    case 4: return DrawTINByRGB(view, hdc);
    default: return DrawTINByRamp(view, hdc);
    }
}
