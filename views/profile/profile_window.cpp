// The profile window: creation and closing, its window procedure, commands,
// tools, cursors and the wheel. It has no record of its own; window long 0
// holds its plan view's record, so it sees the same data, classes, colour
// mode and undo stack.
#include "views/profile/profile_window.h"
#include "app/status_bars.h"
#include "app/view_arrange.h"
#include "views/profile/profile_draw.h"
#include "views/profile/profile_mapping.h"
#include "views/profile/profile_query.h"
#include "views/plan/tool_cursor.h"
#include "views/plan/view_mapping.h"
#include "views/plan/draw_thread.h"
#include "views/plan/point_tip.h"
#include "views/plan/profile_box.h"
#include "views/plan/rubber_bands.h"
#include "views/plan/scrolling.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "app/frame_bars.h"
#include "app/job_control.h"
#include "app/view_jobs.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/messages.h"
#include "base/polygon.h"
#include <cstdio>

const char* const kProfileCreateFailed = "Failed in Creating Profile Window";

static void ProfileTitle(const ViewRecord* record, char* title, size_t size)
{
    snprintf(title, size, "%s - Profile", record->title);
}

HWND CreateProfileWindow(ViewRecord* record)
{
    if (!record || !MDIClientWindow) return 0;
    char title[300];
    ProfileTitle(record, title, sizeof title);
    return CreateMDIChild("ChildProfile", title, kMapChildStyle, record, kProfileCreateFailed);
}

void RetitleProfileWindow(const ViewRecord* record)
{
    if (!record || !record->profileWindow) return;
    char title[300];
    ProfileTitle(record, title, sizeof title);
    SetWindowTextA(record->profileWindow, title);
}

static const ProfileToolRow* Tools;
static int ToolCount;

void SetProfileTools(const ProfileToolRow* rows, int count)
{
    Tools = rows;
    ToolCount = count;
}

const ProfileToolRow* ProfileToolRowOf(int tool)
{
    for (int i = 0; i < ToolCount; i++)
        if (Tools[i].tool == tool) return &Tools[i];
    return nullptr;
}

static bool IsPolygonTool(int tool)
{
    return tool == TOOL_BY_CLASS || tool == TOOL_POLYGON || tool == TOOL_ABOVE_LINE || tool == TOOL_BELOW_LINE;
}

int CancelProfileTool(HWND profile)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    int tool = r->profileTool;
    if (IsPolygonTool(tool)) {
        if (r->profileBandActive) CancelViewDraw(profile);
        FreePolyline(r->profileEditPolygon);
        r->profileEditPolygon = nullptr;
        r->profileBandActive = 0;
        InvalidateView(profile, 0);
    } else if (tool == TOOL_ZOOM) {
        if (r->profileZoomDrag) DrawZoomBox(profile, r->profileRect, TOOL_ZOOM);
        r->profileZoomDrag = 0;
    } else if (tool == TOOL_POINT) {
        r->editPending = 0;
    } else if (tool == TOOL_MEASURE) {
        if (r->profileBandActive) DrawToolRubberBand(profile, r->profileRect, TOOL_MEASURE);
        r->profileBandActive = 0;
        DestroyProfileMeasureTip();
    } else if (tool == TOOL_QUERY) {
        DestroyMeasureTip();
        r->profileQueryIndex = -1;
    }
    return 1;
}

int SetProfileTool(HWND profile, int id)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    if (id != r->profileTool) {
        CancelProfileTool(profile);
        r->profilePreviousTool = r->profileTool;
        r->profileTool = id;
    }
    SetToolbarChecks(profile);
    return 1;
}

int CloseProfileView(HWND profile)
{
    ViewRecord* r = ViewRecordOf(profile);
    CancelViewDraw(profile);
    if (r) CancelProfileTool(profile);
    JobControl* job = (JobControl*)GetWindowSlot(profile, CHILD_JOB);
    SetWindowSlot(profile, CHILD_JOB, 0);
    FreeJobControl(job);
    if (!r) return 1;
    if (r->window) {
        // The plan view's draw may be drawing the box: it stops, and none starts, until the box is gone.
        JobControl* lock = LockViewData(r->window);
        FreeProfileSelection(r->window);
        UnlockViewData(lock);
        InvalidateView(r->window, 1);   // its image shows the box no longer linked
    }
    if (r->profileWindow == profile) r->profileWindow = 0;
    return 1;
}

// ---- commands -----------------------------------------------------------------------

typedef int (*ProfileHandler)(HWND profile, ViewRecord* r, int id);

static int Tool(HWND profile, ViewRecord*, int id) { return SetProfileTool(profile, id); }
static int PreviousTool(HWND profile, ViewRecord* r, int) { return SetProfileTool(profile, r->profilePreviousTool); }
static int Nothing(HWND, ViewRecord*, int) { return 1; }
static int FullView(HWND profile, ViewRecord* r, int)
{
    if (ZoomProfile(profile, PROFILE_ZOOM_FULL, r->profileRect)) {
        InvalidateView(profile, 0);
        UpdateProfileScrollBars(profile);
    }
    return 1;
}
static int StepBox(HWND, ViewRecord* r, int id) { return MoveProfileBox(r->window, id), 1; }
static int BoxWidth(HWND, ViewRecord* r, int) { return SetProfileBoxWidth(r->window); }
static const struct {
    int id;
    ProfileHandler handler;
} ProfileCommands[] = {
    {TOOL_BY_CLASS, Tool},     {TOOL_ZOOM, Tool},        {TOOL_POINT, Tool},
    {TOOL_POLYGON, Tool},      {TOOL_MEASURE, Tool},     {TOOL_QUERY, Tool},
    {TOOL_PAN, Tool},          {TOOL_ABOVE_LINE, Tool},  {TOOL_BELOW_LINE, Tool},
    {CMD_PREVIOUS_TOOL, PreviousTool},
    {CMD_NOOP_9019, Nothing},  {CMD_ZOOM_FULL, FullView},
    {CMD_PAGE_UP, StepBox},    {CMD_PAGE_DOWN, StepBox}, {CMD_PROFILE_WIDTH, BoxWidth},
};

int ProfileHandlesCommand(int id)
{
    for (const auto& row : ProfileCommands)
        if (row.id == id) return 1;
    return 0;
}

int ProfileCommand(HWND profile, WPARAM wParam, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    int id = LOWORD(wParam);
    for (const auto& row : ProfileCommands)
        if (row.id == id) return row.handler(profile, r, id);
    return 0;
}

// ---- mouse ----------------------------------------------------------------------------

int SetProfileCursor(HWND profile)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(profile, &p);
    RECT area;
    GetViewClientRect(profile, &area);
    if (!PtInRect(&area, p)) return 0;
    switch (r->profileTool) {
    case TOOL_BY_CLASS: case TOOL_ZOOM: case TOOL_POINT: case TOOL_POLYGON:
    case TOOL_MEASURE: case TOOL_QUERY: case TOOL_PAN:
        SetCursor(ToolCursor(r->profileTool));
        return 1;
    case TOOL_ABOVE_LINE:
    case TOOL_BELOW_LINE:
        SetCursor(LoadCursorA(nullptr, IDC_CROSS));
        return 1;
    }
    return 0;
}

int ProfileMouseMove(HWND profile, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    r->profileLastMouseX = r->profileMouseX;
    r->profileLastMouseY = r->profileMouseY;
    r->profileMouseX = (short)LOWORD(lParam);
    r->profileMouseY = (short)HIWORD(lParam);
    const ProfileToolRow* row = ProfileToolRowOf(r->profileTool);
    int handled = row && row->move ? row->move(profile) : 0;
    // After the tool: the measured distance is the one this move made.
    UpdateProfileStatusBar(profile);
    return handled;
}

int ProfileMouseButton(HWND profile, UINT message, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    LogMessage(" ");
    // The tools that change classes wait for a running worker: it owns the classes meanwhile.
    const ProfileToolRow* row = ProfileToolRowOf(r->profileTool);
    if (!row || !row->button) return 0;
    if (row->classifies && IsWorkerBusy()) return 0;
    return row->button(profile, message, lParam);
}

static bool PointerIn(HWND window, POINT screen)
{
    if (!window) return false;
    POINT p = screen;
    ScreenToClient(window, &p);
    RECT area;
    GetViewClientRect(window, &area);
    return PtInRect(&area, p) != 0;
}

int ProfileMouseWheel(HWND profile, WPARAM wParam)
{
    ViewRecord* r = ViewRecordOf(profile);
    if (!r) return 0;
    LogMessage(" ");
    POINT p;
    GetCursorPos(&p);
    if (!PointerIn(profile, p) && !PointerIn(r->window, p)) return 0;
    short delta = (short)HIWORD(wParam);
    return ProfileCommand(profile, delta > 0 ? CMD_PAGE_UP : CMD_PAGE_DOWN, 0);
}

// ---- window procedure ------------------------------------------------------------------

static void OnCreate(HWND profile, LPARAM lParam)
{
    MDICREATESTRUCTA* mdi = (MDICREATESTRUCTA*)((CREATESTRUCTA*)lParam)->lpCreateParams;
    ViewRecord* r = (ViewRecord*)mdi->lParam;
    SetWindowSlot(profile, CHILD_RECORD, (LONG_PTR)r);
    if (r) r->profileWindow = profile;
    SetWindowSlot(profile, CHILD_JOB, (LONG_PTR)CreateJobControl());
    AttachViewStatusBar(profile);
    if (!r) return;
    if (r->window) CenterViewOnProfile(r->window);
    InitProfileScales(profile);
    ArrangeViewWindows(r->window);
}

static void OnSize(HWND profile, WPARAM wParam, LPARAM lParam)
{
    if (wParam == SIZE_MINIMIZED) return;
    CancelViewDraw(profile);
    HWND status = (HWND)GetWindowSlot(profile, CHILD_STATUSBAR);
    if (status) SendMessageA(status, WM_SIZE, wParam, lParam);
    if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) {
        ResizeProfileView(profile);
        UpdateProfileScrollBars(profile);
    }
}

LRESULT CALLBACK ChildProfileWndProc(HWND profile, UINT message, WPARAM wParam, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(profile);
    switch (message) {
    case WM_CREATE:
        OnCreate(profile, lParam);
        return 0;
    case WM_SIZE:
        OnSize(profile, wParam, lParam);
        break;
    case WM_PAINT:
        if (ProfilePaint(profile)) return 0;
        break;
    case WM_END_TOOL:
        CancelProfileTool(profile);
        return 0;
    case WM_CLOSE: {
        HWND plan = r ? r->window : nullptr;
        CloseProfileView(profile);
        SendMessageA(MDIClientWindow, WM_MDISETMENU, (WPARAM)FrameMenu, (LPARAM)FrameWindowMenu);
        DrawMenuBar(FrameWindow);
        ArrangeViewWindows(plan);
        break;
    }
    case WM_DESTROY:
        // Destroyed without a close (the client tearing down): let go of the
        // record all the same, so its plan view never names a dead window.
        if (GetWindowSlot(profile, CHILD_JOB)) CloseProfileView(profile);
        SetWindowSlot(profile, CHILD_RECORD, 0);
        break;
    case WM_SETCURSOR:
        if (r && SetProfileCursor(profile)) return TRUE;
        break;
    case WM_COMMAND:
        if (r && ProfileCommand(profile, wParam, lParam)) return 0;
        // The rest are the plan view's: the shell dispatches them there.
        if (r && r->window) {
            SendMessageA(r->window, WM_COMMAND, wParam, lParam);
            SetToolbarChecks(profile);
            return 0;
        }
        break;
    case WM_HSCROLL:
        if (r) ProfileHScroll(profile, wParam);
        return 0;
    case WM_VSCROLL:
        if (r) ProfileVScroll(profile, wParam);
        return 0;
    case WM_MOUSEMOVE:
        if (r) ProfileMouseMove(profile, lParam);
        return 0;
    case WM_LBUTTONDOWN: case WM_LBUTTONUP: case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: case WM_MBUTTONDOWN: case WM_MBUTTONUP:
        if (r) ProfileMouseButton(profile, message, lParam);
        return 0;
    case WM_MOUSEWHEEL:
        if (r) ProfileMouseWheel(profile, wParam);
        return 0;
    case WM_MDIACTIVATE:
        if (SwitchViewMenus(profile, (HWND)lParam)) SetToolbarChecks(profile);
        return 0;
    }
    return DefMDIChildProcA(profile, message, wParam, lParam);
}
