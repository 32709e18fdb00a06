// The profile tool of the plan view. The first click starts the line, the
// second fixes it (and, with a static width, opens the profile at once), the
// mouse then sets the width and a third click commits the box. All geometry
// stays in double precision: the box sits at UTM coordinates where a 32-bit
// float cannot resolve a metre.
#include "views/plan/profile_box.h"
#include "resource.h"
#include "app/view_selection.h"
#include "views/plan/rubber_bands.h"
#include "views/plan/tool_switch.h"
#include "views/plan/view_mapping.h"
#include "views/plan/draw_thread.h"
#include "views/plan/scrolling.h"
#include "views/profile/profile_mapping.h"
#include "views/profile/profile_window.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "app/view_arrange.h"
#include "app/view_jobs.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/dialogs.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/polygon.h"
#include "data/selection.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char* const kNoProfilePoints = "No Points Found";
const char* const kProfileWidthError = "Profile width must be greater than zero:\n\n    %.3lf";

static const COLORREF kCyan = RGB(0, 255, 255);

static Vec3 WorldAt(const ViewRecord* r, int x, int y)
{
    Vec3 v = {x * r->scale + r->viewLeft, r->viewTop - y * r->scale, 0.0f};
    return v;
}

struct Polyline* MakeProfileBox(const Vec3* a, const Vec3* b, double width)
{
    struct Polyline* box = CreatePolyline(4);
    if (!box) return nullptr;
    double h = width / 2;
    Vec3 v[4];
    if (a->y == b->y) {
        v[0] = {a->x, a->y - h, 0};
        v[1] = {a->x, a->y + h, 0};
        v[2] = {b->x, b->y + h, 0};
        v[3] = {b->x, b->y - h, 0};
    } else if (a->x == b->x) {
        v[0] = {a->x - h, a->y, 0};
        v[1] = {a->x + h, a->y, 0};
        v[2] = {b->x + h, b->y, 0};
        v[3] = {b->x - h, b->y, 0};
    } else {
        double c = std::atan(-1.0 / ((a->y - b->y) / (a->x - b->x)));
        double dx = h * std::cos(c), dy = h * std::sin(c);
        v[0] = {a->x + dx, a->y + dy, 0};
        v[1] = {a->x - dx, a->y - dy, 0};
        v[2] = {b->x - dx, b->y - dy, 0};
        v[3] = {b->x + dx, b->y + dy, 0};
    }
    for (int k = 0; k < 4; k++) box->vertices[k] = v[k];
    return box;
}

static void DropBox(ViewRecord* r)
{
    FreePolyline(r->profilePolyline);
    r->profilePolyline = nullptr;
}

void FreeProfileSelection(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return;
    r->profileQueryIndex = -1;
    DropBox(r);
    NBLFree(r->profileCopy);
    r->profileCopy = nullptr;
    FreePointSelection(r->profilePoints);
    r->profilePoints = nullptr;
}

static void BuildBox(ViewRecord* r)
{
    DropBox(r);
    r->profilePolyline = MakeProfileBox(&r->profileA, &r->profileB, r->profileWidth);
}

int CollectProfilePoints(HWND view, int keepWidth)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    r->profileQueryIndex = -1;
    if (r->profileWindow) CancelViewDraw(r->profileWindow);
    FreeProfileSelection(view);
    if (!keepWidth && !r->staticProfileWidth) {
        Vec3 mouse = WorldAt(r, r->mouseX, r->mouseY);
        double d = PointLineDistance(mouse.x, mouse.y, &r->profileA, &r->profileB);
        if (d != kNoDistance) r->profileWidth = (float)(2 * d);
    }
    BuildBox(r);
    if (!r->profilePolyline) return 0;
    PointSelection* selection = SelectPointsInPolygon(view, r->profilePolyline);
    if (!selection) {
        LogMessage(kNoProfilePoints);
        Beep(1000, 100);
        return 1;
    }
    r->profilePoints = selection;

    double ax = r->profileA.x, ay = r->profileA.y;
    double ux = r->profileB.x - ax, uy = r->profileB.y - ay;
    double length = std::sqrt(ux * ux + uy * uy);
    const DataSet* set = r->currentDataSet;
    double minZ = set ? set->minZ : selection->minZ, maxZ = set ? set->maxZ : selection->maxZ;
    r->profile.minX = 0;
    r->profile.maxX = length + 2 * 0.05 * length;
    r->profile.minY = minZ - 0.05 * (maxZ - minZ);
    r->profile.maxY = maxZ + 0.05 * (maxZ - minZ);

    r->profileCopy = (PointRecord*)NBLCalloc(selection->count, sizeof(PointRecord));
    if (!r->profileCopy) return 0;
    if (length > 0) {
        ux /= length;
        uy /= length;
    }
    const double margin = 0.05 * length;
    for (int i = 0; i < selection->count; i++) {
        const PointRecord* p = selection->items[i];
        PointRecord& q = r->profileCopy[i];
        q = *p;
        // Distance from A to the foot of the point on the line A-B.
        q.x = (p->x - ax) * ux + (p->y - ay) * uy + margin;
        q.y = p->z;
    }
    return 1;
}

int OpenOrUpdateProfile(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    CancelViewDraw(view);
    FreePolyline(r->profileEditPolygon);
    r->profileEditPolygon = nullptr;
    if (r->profileWindow) CancelViewDraw(r->profileWindow);
    CollectProfilePoints(view, 0);
    if (r->profileWindow) {
        DrawProfileBoxXor(view, nullptr, r->profilePolyline, kCyan);
        InitProfileScales(r->profileWindow);
        InvalidateView(r->profileWindow, 0);
        UpdateWindow(r->profileWindow);   // start its draw now, ahead of the other windows' paints
        return 1;
    }
    // Creating the window arranges the views: restore, moves, activations.
    // Nothing of that need be shown; the client is painted once, at the end.
    // Not with a 3D window: its own repaint would come after, and cover, the
    // frame with the box that the plan view's draw asks of it.
    bool quiet = ArrangesAsPanels() && !r->glWindow;
    if (quiet) SendMessageA(MDIClientWindow, WM_SETREDRAW, FALSE, 0);
    HWND profile = CreateProfileWindow(r);
    if (quiet) {
        SendMessageA(MDIClientWindow, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(MDIClientWindow, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
    if (profile) UpdateWindow(profile);
    return profile ? 1 : 0;
}

int RefreshProfileBox(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    if (r->profileWindow) CancelViewDraw(r->profileWindow);
    CollectProfilePoints(view, 1);
    DrawProfileBoxXor(view, nullptr, r->profilePolyline, kCyan);
    if (r->profileWindow) InvalidateView(r->profileWindow, 0);
    // A closed edit polygon works again on the points of the stepped box.
    if (r->profileWindow && r->profileEditPolygon && !r->profileBandActive) {
        const ProfileToolRow* row = ProfileToolRowOf(r->profileTool);
        if (row && row->afterBoxStep) row->afterBoxStep(r->profileWindow);
    }
    return 1;
}

int MoveProfileBox(HWND view, int command)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->profilePolyline || IsViewJobBusy(view)) return 0;
    const struct Polyline* box = r->profilePolyline;
    DrawProfileBoxXor(view, nullptr, box, kCyan);
    double theta = std::atan2(r->profileB.y - r->profileA.y, r->profileB.x - r->profileA.x);
    int first = -1, second = -1;
    if (command == CMD_PAGE_UP) {
        first = theta > 0 ? 1 : 0;
        second = theta > 0 ? 2 : 3;
    } else if (command == CMD_PAGE_DOWN) {
        first = theta > 0 ? 0 : 1;
        second = theta > 0 ? 3 : 2;
    }
    if (first >= 0 && box->vertexCount >= 4) {
        r->profileA.x = box->vertices[first].x;
        r->profileA.y = box->vertices[first].y;
        r->profileB.x = box->vertices[second].x;
        r->profileB.y = box->vertices[second].y;
    }
    RefreshProfileBox(view);
    KeepProfileBoxInView(view);
    return 1;
}

int ProfileToolMouse(HWND view, UINT message, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    int x = (short)LOWORD(lParam), y = (short)HIWORD(lParam);
    if (message == WM_LBUTTONDOWN) {
        CancelViewDraw(view);
        if (!r->toolActive) {
            if (r->profileWindow && r->profilePolyline) DrawProfileBoxXor(view, nullptr, r->profilePolyline, kCyan);
            DropBox(r);
            StartToolBand(r->toolRect, x, y);
            r->profileA = WorldAt(r, x, y);
            r->toolActive = 1;
            DrawToolRubberBand(view, r->toolRect, TOOL_PROFILE);
        } else if (!r->toolState) {
            DrawToolRubberBand(view, r->toolRect, TOOL_PROFILE);
            r->toolState = 1;
            r->profileB = WorldAt(r, x, y);
            if (!r->staticProfileWidth) {
                r->profileWidth = 2.0f;
                BuildBox(r);
                DrawProfileBoxXor(view, nullptr, r->profilePolyline, kCyan);
            } else {
                r->toolActive = r->toolState = 0;
                OpenOrUpdateProfile(view);
            }
        } else {
            DrawProfileBoxXor(view, nullptr, r->profilePolyline, kCyan);
            r->toolActive = r->toolState = 0;
            OpenOrUpdateProfile(view);
        }
        return 1;
    }
    if (message == WM_RBUTTONDOWN) {
        // Whatever is on screen goes: the line while it is drawn, the box
        // once the line is fixed.
        if (r->toolActive && !r->toolState) DrawToolRubberBand(view, r->toolRect, TOOL_PROFILE);
        else if (r->toolActive) DrawProfileBoxXor(view, nullptr, r->profilePolyline, kCyan);
        r->toolActive = r->toolState = 0;
        DropBox(r);
        return 1;
    }
    return 0;
}

int TrackProfileBox(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->toolActive) return 0;
    if (!r->toolState) {
        DrawToolRubberBand(view, r->toolRect, TOOL_PROFILE);
        r->toolRect[2] = r->mouseX;
        r->toolRect[3] = r->mouseY;
        DrawToolRubberBand(view, r->toolRect, TOOL_PROFILE);
        return 1;
    }
    if (r->staticProfileWidth) return 0;
    CancelViewDraw(view);
    DrawProfileBoxXor(view, nullptr, r->profilePolyline, kCyan);
    Vec3 mouse = WorldAt(r, r->mouseX, r->mouseY);
    double d = PointLineDistance(mouse.x, mouse.y, &r->profileA, &r->profileB);
    if (d != kNoDistance) r->profileWidth = (float)(2 * d);
    BuildBox(r);
    DrawProfileBoxXor(view, nullptr, r->profilePolyline, kCyan);
    return 1;
}

// ---- width dialog --------------------------------------------------------


static void EnableWidth(HWND dialog, BOOL on)
{
    EnableWindow(GetDlgItem(dialog, IDC_PROFILE_WIDTH_LABEL), on);
    EnableWindow(GetDlgItem(dialog, IDC_PROFILE_WIDTH), on);
}

INT_PTR CALLBACK ProfileBoxWidthDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND view = (HWND)DialogParameter(dialog, message, lParam);
    ViewRecord* r = ViewRecordOf(view);
    switch (message) {
    case WM_INITDIALOG: {
        if (!r) return TRUE;
        if (!r->profileWidthSet) {
            r->profileWidthSet = 1;
            // A fresh view suggests twice its point spacing, in whole units;
            // sparse spacing below half a unit keeps the default.
            int suggested = r->currentDataSet ? (int)(2 * r->currentDataSet->pointSpacing) : 0;
            if (r->profileWidth == 10.0f && suggested > 0) r->profileWidth = (float)suggested;
        }
        char text[64];
        snprintf(text, sizeof text, "%.2f", r->profileWidth);
        SetDlgItemTextA(dialog, IDC_PROFILE_WIDTH, text);
        CheckDlgButton(dialog, IDC_PROFILE_STATIC_WIDTH, r->staticProfileWidth ? BST_CHECKED : BST_UNCHECKED);
        if (!r->staticProfileWidth) EnableWidth(dialog, FALSE);
        CenterOnFrame(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (r && IsDlgButtonChecked(dialog, IDC_PROFILE_STATIC_WIDTH) == BST_CHECKED) {
                char text[256] = "";
                GetDlgItemTextA(dialog, IDC_PROFILE_WIDTH, text, 255);
                double value = atof(text);
                if (!(value > 0)) {
                    char message[128];
                    snprintf(message, sizeof message, kProfileWidthError, value);
                    ShowMessageBox(dialog, message, "Error", MB_OK | MB_ICONERROR);
                    return TRUE;
                }
                r->profileWidth = (float)value;
                r->staticProfileWidth = 1;
            } else if (r) {
                r->staticProfileWidth = 0;
            }
            return EndDialogWith(dialog, 1);
        case IDCANCEL:
            return EndDialogWith(dialog, 0);
        case IDC_PROFILE_STATIC_WIDTH:
            EnableWidth(dialog, IsDlgButtonChecked(dialog, IDC_PROFILE_STATIC_WIDTH) == BST_CHECKED);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

int SetProfileBoxWidth(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    // The profile window passes the command on with itself as the window.
    HWND plan = r->window ? r->window : view;
    if (ShowDialog(IDD_PROFILE_WIDTH, FrameWindow, ProfileBoxWidthDlgProc, (LPARAM)plan) != 1) return 1;
    if (r->profileWindow) {
        // A draw (one may have started while the dialog was open) stops
        // before the box it draws is replaced.
        JobControl* lock = LockViewData(plan);
        DrawProfileBoxXor(plan, nullptr, r->profilePolyline, kCyan);
        RefreshProfileBox(plan);
        UnlockViewData(lock);
    }
    return 1;
}

void EndProfileTool(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r->toolActive) return;
    r->toolActive = 0;
    r->toolState = 0;
    EraseToolRubberBand(view);
    if (r->profilePolyline) FreePolyline(r->profilePolyline);
    r->profilePolyline = nullptr;
}
