// The profile's query tool marks the picked point in both windows and shows
// the real point's record; its measure tool reports the horizontal, vertical
// and direct length of a dragged line.
#include "views/profile/profile_query.h"
#include "views/plan/measure_query.h"
#include "views/plan/tool_cursor.h"
#include "views/plan/overlays.h"
#include "views/plan/point_tip.h"
#include "views/plan/rubber_bands.h"
#include "app/command_ids.h"
#include "app/view_jobs.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/messages.h"
#include "data/selection.h"
#include <commctrl.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>

const char* const kProfileMeasureFormat = "H:%.3lf V:%.3lf D:%.3lf";

static HWND MeasureTipWindow;
static HFONT MeasureTipFont;

HWND ProfileMeasureTip() { return MeasureTipWindow; }

HWND CreateProfileMeasureTip(HWND profile)
{
    DestroyProfileMeasureTip();
    MeasureTipWindow = CreateTrackingTip(profile, &MeasureTipFont, "My toolTip");
    if (MeasureTipWindow) {
        SendMessageA(MeasureTipWindow, TTM_SETTIPBKCOLOR, 0, 0);
        SendMessageA(MeasureTipWindow, TTM_SETTIPTEXTCOLOR, RGB(255, 255, 0), 0);
    }
    return MeasureTipWindow;
}

void DestroyProfileMeasureTip()
{
    if (MeasureTipWindow) DestroyWindow(MeasureTipWindow);
    if (MeasureTipFont) DeleteObject(MeasureTipFont);
    MeasureTipWindow = nullptr;
    MeasureTipFont = nullptr;
}

int ProfileMeasureToolMouse(HWND profile, UINT message, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
    int* rect = r->profileRect;
    if (message == WM_LBUTTONDOWN) {
        CancelViewDraw(profile);
        StartToolBand(rect, x, y);
        r->profileBandActive = 1;
        DrawToolRubberBand(profile, rect, TOOL_MEASURE);
        if (!MeasureTipWindow) CreateProfileMeasureTip(profile);
        return 1;
    }
    if (message == WM_RBUTTONDOWN && r->profileBandActive) {
        DrawToolRubberBand(profile, rect, TOOL_MEASURE);
        r->profileBandActive = 0;
        DestroyProfileMeasureTip();
        return 1;
    }
    return 0;
}

int ProfileMeasureMove(HWND profile)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r || !r->profileBandActive) return 0;
    int* rect = r->profileRect;
    DrawToolRubberBand(profile, rect, TOOL_MEASURE);
    double h = std::abs(r->profileMouseX - rect[0]) * r->profile.scale;
    double v = std::abs(r->profileMouseY - rect[1]) * r->profile.scale;
    char text[128];
    snprintf(text, sizeof text, kProfileMeasureFormat, h, v, std::sqrt(h * h + v * v));
    if (MeasureTipWindow) SetTipText(MeasureTipWindow, profile, text);
    rect[2] = r->profileMouseX;
    rect[3] = r->profileMouseY;
    PlaceMeasureTip(profile, MeasureTipWindow, rect);
    DrawToolRubberBand(profile, rect, TOOL_MEASURE);
    return 1;
}

int FindNearestProfilePoint(HWND profile, int x, int y)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r || !r->profilePoints || !r->profileCopy) return -1;
    const ViewMapping& m = r->profile;
    double px = x * m.scale + m.left, pz = m.top - y * m.scale;
    double best = 3.37e38;
    int found = -1;
    for (int i = 0; i < r->profilePoints->count; i++) {
        const PointRecord& p = r->profileCopy[i];
        if (p.x < m.left || p.x > m.right || p.y < m.bottom || p.y > m.top) continue;
        double d = std::sqrt((p.x - px) * (p.x - px) + (p.y - pz) * (p.y - pz));
        if (d < best) {
            best = d;
            found = i;
        }
    }
    return found;
}

int ProfileQueryToolMouse(HWND profile, UINT message, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    if (message == WM_RBUTTONDOWN) {
        DestroyMeasureTip();
        return 1;
    }
    if (message != WM_LBUTTONDOWN) return 0;
    int i = FindNearestProfilePoint(profile, (short)LOWORD(lParam), (short)HIWORD(lParam));
    r->profileQueryIndex = i;
    if (i < 0) {
        LogMessage(kQueryNoPoint);
        Beep(1000, 100);
        return 1;
    }
    const PointRecord* real = r->profilePoints->items[i];
    const PointRecord& shown = r->profileCopy[i];
    if (r->window) {
        ViewMapping plan = PlanViewMapping(r);
        DrawCursorMark(r->window, &plan, real->x, real->y);
    }
    DrawCursorMark(profile, &r->profile, shown.x, shown.y);
    POINT at = {(LONG)((shown.x - r->profile.left) / r->profile.scale), (LONG)((r->profile.top - shown.y) / r->profile.scale)};
    SetCursorClientPos(profile, at.x, at.y);
    LogQueryLines(profile, real);
    ShowPointInfoTip(profile, at, real, nullptr);
    return 1;
}
