// The six-part status bar of plan, profile, 3D and project windows: tool,
// zoom factor, world X and Y under the mouse, a tool value, and the message
// line that LogMessage writes.
#include "app/status_bars.h"
#include "app/frame_bars.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/gdi_text.h"
#include <cmath>
#include <cstdio>

struct ToolName {
    int id;
    const char* name;
};

static const ToolName ToolNames[] = {
    {TOOL_BY_CLASS, "BY CLASS"}, {TOOL_ZOOM, "ZOOM"},         {TOOL_POINT, "POINT"},
    {TOOL_POLYGON, "POLYGON"},   {TOOL_MEASURE, "MEASURE"},   {TOOL_FILTER_POLYGON, "FILT POLY"},
    {TOOL_QUERY, "QUERY"},       {TOOL_PROFILE, "PROFILE"},   {TOOL_PAN, "PAN"},
    {TOOL_SELECT, "SELECT"},     {TOOL_DENSITY, "DENSITY"},   {TOOL_POI, "POI"},
    {TOOL_AOI, "AOI"},
};

// An id outside the table (the profile window has tools of its own) shows
// the name returned last.
const char* GetToolName(int id)
{
    static const char* last = "EDIT";
    for (const ToolName& t : ToolNames)
        if (t.id == id) last = t.name;
    return last;
}

int ZoomFactor(int zoomLevel)
{
    if (zoomLevel < 0) zoomLevel = 0;
    if (zoomLevel > MAX_ZOOM_LEVEL) zoomLevel = MAX_ZOOM_LEVEL;
    return 1 << zoomLevel;
}

// One font for every status bar: the icon-title font at 12 points.
static HFONT StatusFont(HDC dc)
{
    static HFONT font;
    if (!font) {
        LOGFONTA lf;
        ZeroMemory(&lf, sizeof lf);
        SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof lf, &lf, 0);
        lf.lfHeight = GetDeviceCaps(dc, LOGPIXELSY) * 12 / 72;
        font = CreateFontIndirectA(&lf);
    }
    return font;
}

static int TextWidth(HDC dc, const char* text)
{
    return ProgramTextExtent(dc, text).cx;
}

const char kWidestZoomText[] = " 1024X";

HWND CreateViewStatusBar(HWND window)
{
    RECT frame = {0, 0, 0, 0};
    if (FrameWindow) GetClientRect(FrameWindow, &frame);
    HWND status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window,
                                  (HMENU)(INT_PTR)ID_STATUS_BAR, AppInstance, nullptr);
    if (!status) return nullptr;
    HDC dc = GetDC(status);
    HFONT font = StatusFont(dc);
    SendMessageA(status, WM_SETFONT, (WPARAM)font, TRUE);
    HGDIOBJ old = SelectObject(dc, font);
    // A part draws its text inside a border and a margin on each side; the
    // zoom part holds a leading blank and up to four digits.
    const int margins = 2 * (GetSystemMetrics(SM_CXBORDER) + GetSystemMetrics(SM_CXEDGE)) + 6;
    int w1 = TextWidth(dc, "POLYGONAND");
    int w2 = TextWidth(dc, kWidestZoomText) + margins;
    int w3 = TextWidth(dc, "000,000,000.00");
    SelectObject(dc, old);
    ReleaseDC(status, dc);
    int edges[6] = {w1, w1 + w2, w1 + w2 + w3, w1 + w2 + 2 * w3, w1 + w2 + 3 * w3, (int)frame.right};
    SendMessageA(status, SB_SETPARTS, 6, (LPARAM)edges);
    return status;
}

HWND AttachViewStatusBar(HWND window)
{
    HWND status = CreateViewStatusBar(window);
    SetWindowSlot(window, CHILD_STATUSBAR, (LONG_PTR)status);
    int height = 0;
    if (status) {
        RECT r;
        GetWindowRect(status, &r);
        height = r.bottom - r.top;
    }
    SetWindowSlot(window, CHILD_STATUSHEIGHT, height);
    return status;
}

static void SetPart(HWND status, int part, const char* text)
{
    SendMessageA(status, SB_SETTEXTA, part, (LPARAM)text);
}

// World distance between the two corners of the tool rectangle.
static double ToolRectLength(const ViewRecord* r)
{
    double x0 = r->toolRect[0] * r->scale + r->viewLeft, y0 = r->viewTop - r->toolRect[1] * r->scale;
    double x1 = r->toolRect[2] * r->scale + r->viewLeft, y1 = r->viewTop - r->toolRect[3] * r->scale;
    return std::sqrt((x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0));
}

void UpdateViewStatusBar(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    HWND status = (HWND)GetWindowSlot(view, CHILD_STATUSBAR);
    if (!r || !status) return;
    char text[64];
    snprintf(text, sizeof text, " %s", GetToolName(r->currentTool));
    SetPart(status, 0, text);
    snprintf(text, sizeof text, " %dX", ZoomFactor(r->zoomLevel));
    SetPart(status, 1, text);
    snprintf(text, sizeof text, " %.3lf", r->mouseX * r->scale + r->viewLeft);
    SetPart(status, 2, text);
    snprintf(text, sizeof text, " %.3lf", r->viewTop - r->mouseY * r->scale);
    SetPart(status, 3, text);

    snprintf(text, sizeof text, " ");
    switch (r->currentTool) {
    case TOOL_MEASURE:
        snprintf(text, sizeof text, " %.3lf", ToolRectLength(r));
        break;
    case TOOL_PROFILE:
        if (r->toolActive && !r->toolState)
            snprintf(text, sizeof text, " %.3lf", ToolRectLength(r));
        else if (r->toolActive)
            snprintf(text, sizeof text, " %.3f", r->profileWidth);
        break;
    case TOOL_DENSITY:
        if (!r->toolActive && !r->toolState && r->densityValue >= 0)
            snprintf(text, sizeof text, " %.3f", r->densityValue);
        break;
    }
    SetPart(status, 4, text);
}

void UpdateProfileStatusBar(HWND profile)
{
    ViewRecord* r = ViewRecordOf(profile);
    HWND status = (HWND)GetWindowSlot(profile, CHILD_STATUSBAR);
    if (!r || !status) return;
    const ViewMapping& m = r->profile;
    char text[64];
    snprintf(text, sizeof text, " %s", GetToolName(r->profileTool));
    SetPart(status, 0, text);
    snprintf(text, sizeof text, " %dX", ZoomFactor(m.zoomLevel));
    SetPart(status, 1, text);
    snprintf(text, sizeof text, " %.3lf", r->profileMouseX * m.scale + m.left);
    SetPart(status, 2, text);
    snprintf(text, sizeof text, " %.3lf", m.top - r->profileMouseY * m.scale);
    SetPart(status, 3, text);
    snprintf(text, sizeof text, " ");
    if (r->profileTool == TOOL_MEASURE) {
        const int* q = r->profileRect;
        double dx = (q[2] - q[0]) * m.scale, dy = (q[3] - q[1]) * m.scale;
        snprintf(text, sizeof text, " %.3lf", std::sqrt(dx * dx + dy * dy));
    }
    SetPart(status, 4, text);
}

void WriteViewStatus(HWND view, const char* text)
{
    if (view && !IsWindow(view)) return;
    if (!view && MDIClientWindow) view = (HWND)SendMessageA(MDIClientWindow, WM_MDIGETACTIVE, 0, 0);
    if (!view) return;
    HWND status = (HWND)GetWindowSlot(view, CHILD_STATUSBAR);
    if (status) SendMessageA(status, SB_SETTEXTA, 5, (LPARAM)text);
}
