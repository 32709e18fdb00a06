// The frame's command bar: a rebar with the main toolbar band, the editing
// toolbar band and the progress band in which every long operation reports.
// Toolbar buttons send the menus' command ids to the frame; their check
// states follow the view.
#include "app/frame_bars.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/progress.h"
#include "resource.h"
#include <algorithm>
#include <cstdio>

#define IMAGE_COUNT 37
#define EDIT_IMAGE_COUNT 14
#define IMAGE_SIZE  20

struct ToolbarEntry {
    int image;     // -1 for a separator
    int command;
    BYTE style;
};

static const ToolbarEntry MainToolbar[] = {
    {-1, 0, BTNS_SEP},
    {0, CMD_OPEN_FILES, BTNS_BUTTON},
    {1, CMD_ADD_FILES, BTNS_BUTTON},
    {-1, 0, BTNS_SEP},
    {32, CMD_EXPORT, BTNS_BUTTON},
    {-1, 0, BTNS_SEP},
    {3, CMD_REFERENCE_FILES, BTNS_BUTTON},
    {5, CMD_BACKGROUND_REF, BTNS_CHECK},
    {4, CMD_OVERLAY_REFERENCE, BTNS_CHECK},
    {14, CMD_POINTS_OVER_BACK, BTNS_CHECK},
    {-1, 0, BTNS_SEP},
    {6, CMD_CONTOURS, BTNS_CHECK},
    {13, CMD_COLOR_TIN, BTNS_CHECK},
    {-1, 0, BTNS_SEP},
    {16, CMD_COLOR_ELEVATION, BTNS_CHECK},
    {21, CMD_COLOR_EARTH, BTNS_CHECK},
    {17, CMD_COLOR_CLASS, BTNS_CHECK},
    {18, CMD_COLOR_INTENSITY, BTNS_CHECK},
    {19, CMD_COLOR_SOURCE, BTNS_CHECK},
    {33, CMD_COLOR_FILE, BTNS_BUTTON},
    {20, CMD_COLOR_RETURN, BTNS_CHECK},
    {7, CMD_COLOR_RGB, BTNS_CHECK},
    {35, CMD_COLOR_CHANNEL, BTNS_CHECK},
    {36, CMD_COLOR_FLAG, BTNS_CHECK},
    {-1, 0, BTNS_SEP},
    {9, CMD_RETURNS_POPUP, BTNS_BUTTON},
    {8, CMD_POINT_SETTINGS, BTNS_BUTTON},
    {12, CMD_TIN_CLASS_DISPLAY, BTNS_BUTTON},
    {-1, 0, BTNS_SEP},
    {24, TOOL_PAN, BTNS_CHECK},
    {22, TOOL_ZOOM, BTNS_CHECK},
    {25, CMD_ZOOM_FULL, BTNS_BUTTON},
    {31, TOOL_POI, BTNS_CHECK},
    {15, TOOL_AOI, BTNS_CHECK},
    {-1, 0, BTNS_SEP},
    {26, TOOL_QUERY, BTNS_CHECK},
    {23, TOOL_MEASURE, BTNS_CHECK},
    {-1, 0, BTNS_SEP},
    {27, TOOL_PROFILE, BTNS_CHECK},
    {28, CMD_OPEN_3D, BTNS_BUTTON},
    {-1, 0, BTNS_SEP},
    {29, CMD_CANCEL, BTNS_BUTTON},
    {30, CMD_REFRESH, BTNS_BUTTON},
    {34, TOOL_DENSITY, BTNS_BUTTON},
};
static_assert(sizeof MainToolbar / sizeof MainToolbar[0] == 44, "the main toolbar has 44 entries");

// The classify, fix and save loop. While a profile window is active its
// tools take these ids first (the forwarding rule passes them on).
static const ToolbarEntry EditToolbar[] = {
    {-1, 0, BTNS_SEP},
    {0, CMD_SAVE_LAS, BTNS_BUTTON},
    {-1, 0, BTNS_SEP},
    {1, TOOL_POINT, BTNS_CHECK},
    {2, TOOL_POLYGON, BTNS_CHECK},
    {3, TOOL_BY_CLASS, BTNS_CHECK},
    {4, TOOL_ABOVE_LINE, BTNS_CHECK},
    {5, TOOL_BELOW_LINE, BTNS_CHECK},
    {6, TOOL_FILTER_POLYGON, BTNS_CHECK},
    {-1, 0, BTNS_SEP},
    {7, CMD_UNDO, BTNS_BUTTON},
    {8, CMD_REDO, BTNS_BUTTON},
    {-1, 0, BTNS_SEP},
    {9, CMD_NEW_TIN, BTNS_BUTTON},
    {-1, 0, BTNS_SEP},
    {10, CMD_SURFACE_MAGIC, BTNS_BUTTON},
    {11, CMD_CLASSIFY_BY_CLASS, BTNS_BUTTON},
    {12, CMD_THINNING, BTNS_BUTTON},
};

struct ToolTip {
    int id;
    const char* text;
};

// One table for every toolbar of the program (the 3D window's included).
static const ToolTip ToolTips[] = {
    {CMD_OPEN_FILES, "Open LiDAR File(s)"},
    {CMD_ADD_FILES, "Add LiDAR File(s)"},
    {CMD_EXPORT, "Export from LAS Format"},
    {CMD_REFERENCE_FILES, "Open Reference File"},
    {CMD_BACKGROUND_REF, "Display Background Reference"},
    {CMD_OVERLAY_REFERENCE, "Display Overlay Reference"},
    {CMD_POINTS_OVER_BACK, "Display Points Over Background"},
    {CMD_CONTOURS, "Display Contours"},
    {CMD_COLOR_TIN, "Display Color Shaded TIN"},
    {CMD_COLOR_ELEVATION, "Color Points by Elevation (Blue to Red)"},
    {CMD_COLOR_EARTH, "Color Points by Elevation (Earth Tones)"},
    {CMD_COLOR_CLASS, "Color Points by Classification"},
    {CMD_COLOR_INTENSITY, "Color Points by Intensity"},
    {CMD_COLOR_SOURCE, "Color Points by Source ID"},
    {CMD_COLOR_FILE, "Color Points by File"},
    {CMD_COLOR_RETURN, "Color Points by Return"},
    {CMD_COLOR_RGB, "Color Points by Encoded RGB Image Values"},
    {CMD_COLOR_CHANNEL, "Color Points by Scanner Channel"},
    {CMD_COLOR_FLAG, "Color Points by Classification Flag"},
    {CMD_RETURNS_POPUP, "Point Return Display"},
    {CMD_POINT_SETTINGS, "Point Display Settings"},
    {CMD_TIN_CLASS_DISPLAY, "TIN Display Settings"},
    {TOOL_PAN, "Dynamic Pan"},
    {TOOL_ZOOM, "Zoom Tool"},
    {CMD_ZOOM_FULL, "Zoom Full Extent"},
    {TOOL_POI, "POI Marker Tool"},
    {TOOL_AOI, "AOI Polygon Tool"},
    {TOOL_QUERY, "Query Point Data"},
    {TOOL_MEASURE, "Measure Distance"},
    {TOOL_PROFILE, "Profile Tool"},
    {CMD_OPEN_3D, "Open 3D View"},
    {CMD_CANCEL, "Cancel Current Process"},
    {CMD_REFRESH, "Refresh Display"},
    {TOOL_DENSITY, "Check Point Density"},
    {CMD_SHOW_SINGLE, "Display Single Returns"},
    {CMD_SHOW_FIRST_RETURNS, "Display First Returns"},
    {CMD_SHOW_INTERMEDIATE, "Display Middle Returns"},
    {CMD_SHOW_LAST_RETURNS, "Display Final Returns"},
    {CMD_GRAY_TIN, "Display Gray Shaded TIN"},
    {TOOL_BY_CLASS, "Polygon Reclass By Class"},
    {CMD_SAVE_LAS, "Save Current LAS File"},
    {TOOL_POINT, "Single Point Reclass"},
    {TOOL_POLYGON, "Polygon Reclass"},
    {CMD_UNDO, "Undo Last Reclass"},
    {CMD_REDO, "Redo Last Undo Reclass"},
    {CMD_NEW_TIN, "Create New TIN"},
    {TOOL_FILTER_POLYGON, "Filter By Polygon Selection"},
    {TOOL_SELECT, "Select Tile"},
    {CMD_LOCK_HIDDEN, "(Un)Lock Hidden Points"},
    {CMD_UNLOCK_HIDDEN, "(Un)Lock Hidden Points"},
    {CMD_NORTH_UP, "Restore North Up"},
    {CMD_PANELIZE_ACTIVE, "Panelize Active Window"},
    {CMD_EXAGGERATE_MORE, "Increase Vertical Exaggeration"},
    {CMD_EXAGGERATE_LESS, "Decrease Vertical Exaggeration"},
    {CMD_RECLASS_ABOVE_LINE, "Reclass By Class Above Line"},
    {CMD_RECLASS_BELOW_LINE, "Reclass By Class Below Line"},
    {CMD_SURFACE_MAGIC, "Vivuzoz Oduri"},
    {CMD_CLASSIFY_BY_CLASS, "Classify By Class"},
    {CMD_THINNING, "Verudevevur Idudorav"},
};

// Every id whose button can show a checked state.
static const int CheckableIds[] = {CMD_BACKGROUND_REF, CMD_OVERLAY_REFERENCE, CMD_POINTS_OVER_BACK, CMD_CONTOURS, CMD_COLOR_TIN, CMD_SHOW_SINGLE, CMD_SHOW_FIRST_RETURNS, CMD_SHOW_INTERMEDIATE, CMD_SHOW_LAST_RETURNS, CMD_COLOR_ELEVATION, CMD_COLOR_EARTH,
                                   CMD_COLOR_CLASS, CMD_COLOR_INTENSITY, CMD_COLOR_SOURCE, CMD_COLOR_FILE, CMD_COLOR_RETURN, CMD_COLOR_RGB, CMD_COLOR_CHANNEL, CMD_COLOR_FLAG, TOOL_AOI, TOOL_POI, TOOL_PAN,
                                   TOOL_ZOOM, TOOL_QUERY, TOOL_MEASURE, TOOL_PROFILE, TOOL_DENSITY,
                                   TOOL_POINT, TOOL_POLYGON, TOOL_BY_CLASS, TOOL_ABOVE_LINE, TOOL_BELOW_LINE, TOOL_FILTER_POLYGON};

static HWND MainToolbarWindow()
{
    return FrameWindow ? (HWND)GetWindowSlot(FrameWindow, FRAME_TOOLBAR) : nullptr;
}

static HWND EditToolbarWindow()
{
    return FrameWindow ? (HWND)GetWindowSlot(FrameWindow, FRAME_EDIT_TOOLBAR) : nullptr;
}

static HWND CreateToolbarFromTable(HWND parent, int controlId, int bitmapId, int imageCount,
                                   const ToolbarEntry* entries, int count)
{
    HWND toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "", WS_CHILD | TBSTYLE_TOOLTIPS | TBSTYLE_WRAPABLE, 0, 0, 0,
                                   0, parent, (HMENU)(INT_PTR)controlId, AppInstance, nullptr);
    if (!toolbar) return nullptr;
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    // The strip's images are 20 pixels square; the toolbar sizes its buttons around them.
    SendMessageA(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(IMAGE_SIZE, IMAGE_SIZE));
    HBITMAP strip = (HBITMAP)LoadImageA(AppInstance, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0,
                                        LR_LOADMAP3DCOLORS | LR_LOADTRANSPARENT);
    if (strip) {
        TBADDBITMAP add = {nullptr, (UINT_PTR)strip};
        SendMessageA(toolbar, TB_ADDBITMAP, imageCount, (LPARAM)&add);
        DeleteObject(strip);   // the toolbar's image list holds its own copy
    }
    TBBUTTON buttons[64];
    ZeroMemory(buttons, sizeof buttons);
    count = std::min(count, 64);
    for (int i = 0; i < count; i++) {
        buttons[i].iBitmap = entries[i].image < 0 ? 0 : entries[i].image;
        buttons[i].idCommand = entries[i].command;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = entries[i].style;
    }
    SendMessageA(toolbar, TB_ADDBUTTONSA, count, (LPARAM)buttons);
    SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
    ShowWindow(toolbar, SW_SHOW);
    return toolbar;
}

HWND CreateMainToolbar(HWND parent)
{
    return CreateToolbarFromTable(parent, ID_MAIN_TOOLBAR, IDB_TOOLBAR, IMAGE_COUNT, MainToolbar,
                                  sizeof MainToolbar / sizeof MainToolbar[0]);
}

HWND CreateEditToolbar(HWND parent)
{
    return CreateToolbarFromTable(parent, ID_EDIT_TOOLBAR, IDB_EDIT_TOOLBAR, EDIT_IMAGE_COUNT, EditToolbar,
                                  sizeof EditToolbar / sizeof EditToolbar[0]);
}

HWND CreateProjectToolbar(HWND parent)
{
    // The main strip's pan, zoom and query images; Select Tile is the last of the editing strip.
    static const ToolbarEntry ProjectToolbar[] = {
        {-1, 0, BTNS_SEP},         {IMAGE_COUNT + 13, TOOL_SELECT, BTNS_CHECK}, {-1, 0, BTNS_SEP},
        {24, TOOL_PAN, BTNS_CHECK}, {22, TOOL_ZOOM, BTNS_CHECK},                 {25, CMD_ZOOM_FULL, BTNS_BUTTON},
        {-1, 0, BTNS_SEP},         {26, TOOL_QUERY, BTNS_CHECK},                 {23, TOOL_MEASURE, BTNS_CHECK},
    };
    HWND toolbar = CreateToolbarFromTable(parent, ID_PROJECT_TOOLBAR, IDB_TOOLBAR, IMAGE_COUNT, ProjectToolbar,
                                          sizeof ProjectToolbar / sizeof ProjectToolbar[0]);
    HBITMAP strip = (HBITMAP)LoadImageA(AppInstance, MAKEINTRESOURCEA(IDB_EDIT_TOOLBAR), IMAGE_BITMAP, 0, 0,
                                        LR_LOADMAP3DCOLORS | LR_LOADTRANSPARENT);
    if (toolbar && strip) {
        TBADDBITMAP add = {nullptr, (UINT_PTR)strip};
        SendMessageA(toolbar, TB_ADDBITMAP, EDIT_IMAGE_COUNT, (LPARAM)&add);
    }
    return toolbar;
}

INT_PTR CALLBACK ToolbarBandDlgProc(HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        // Toolbar clicks take the same road as the menus.
        SendMessageA(FrameWindow, WM_COMMAND, wParam, lParam);
        return TRUE;
    case WM_NOTIFY:
        OnFrameBarNotify(FrameWindow, lParam);
        return TRUE;
    }
    return FALSE;
}

INT_PTR CALLBACK ProgressBandDlgProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        SetProgressWindows(GetDlgItem(dialog, IDC_PROGRESS_BAR), GetDlgItem(dialog, IDC_PROGRESS_TEXT));
        return TRUE;
    }
    return FALSE;
}

static HWND CreateBandWithToolbar(HWND frame, HWND (*create)(HWND parent), int slot)
{
    HWND band = CreateDialogParamA(AppInstance, MAKEINTRESOURCEA(IDD_TOOLBAR_BAND), frame, ToolbarBandDlgProc, 0);
    if (!band) return nullptr;
    // A throw-away toolbar in the frame tells the natural size of the buttons.
    RECT natural = {0, 0, 0, 0};
    SIZE maximum = {0, 0};
    HWND probe = create(frame);
    if (probe) {
        GetWindowRect(probe, &natural);
        SendMessageA(probe, TB_GETMAXSIZE, 0, (LPARAM)&maximum);
        DestroyWindow(probe);
    }
    HWND toolbar = create(band);
    SetWindowSlot(frame, slot, (LONG_PTR)toolbar);
    int width = std::min((int)maximum.cx, (int)(natural.right - natural.left));
    int height = std::max((int)maximum.cy, (int)(natural.bottom - natural.top));
    SetWindowPos(band, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (toolbar) SendMessageA(toolbar, WM_SIZE, 0, 0);
    return band;
}

HWND CreateToolbarBand(HWND frame) { return CreateBandWithToolbar(frame, CreateMainToolbar, FRAME_TOOLBAR); }
HWND CreateEditToolbarBand(HWND frame) { return CreateBandWithToolbar(frame, CreateEditToolbar, FRAME_EDIT_TOOLBAR); }

static void InsertBand(HWND rebar, HWND child, UINT id)
{
    RECT r;
    GetWindowRect(child, &r);
    REBARBANDINFOA band;
    ZeroMemory(&band, sizeof band);
    band.cbSize = sizeof band;
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE | RBBIM_ID;
    band.fStyle = RBBS_NOGRIPPER;
    band.hwndChild = child;
    band.cxMinChild = r.right - r.left;
    band.cyMinChild = r.bottom - r.top;
    band.cx = r.right - r.left;
    band.wID = id;
    SendMessageA(rebar, RB_INSERTBANDA, (WPARAM)-1, (LPARAM)&band);
}

int CreateFrameRebar(HWND frame)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&icc);
    HWND rebar = CreateWindowExA(WS_EX_TOOLWINDOW, REBARCLASSNAMEA, nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER |
                                     RBS_VARHEIGHT | RBS_BANDBORDERS,
                                 0, 0, 200, 200, frame, (HMENU)(INT_PTR)ID_REBAR, AppInstance, nullptr);
    SetWindowSlot(frame, FRAME_REBAR, (LONG_PTR)rebar);
    if (!rebar) return 0;
    REBARINFO info = {sizeof info, 0, nullptr};
    SendMessageA(rebar, RB_SETBARINFO, 0, (LPARAM)&info);

    HWND toolbarBand = CreateToolbarBand(frame);
    if (toolbarBand) InsertBand(rebar, toolbarBand, ID_TOOLBAR_BAND);
    HWND editBand = CreateEditToolbarBand(frame);
    if (editBand) InsertBand(rebar, editBand, ID_EDIT_TOOLBAR_BAND);
    HWND progressBand = CreateDialogParamA(AppInstance, MAKEINTRESOURCEA(IDD_PROGRESS_BAND), frame,
                                           ProgressBandDlgProc, 0);
    SetWindowSlot(frame, FRAME_BANDDIALOG, (LONG_PTR)progressBand);
    if (progressBand) InsertBand(rebar, progressBand, ID_PROGRESS_BAND);
    return 1;
}

int InitFrameBars(HWND frame)
{
    if (!CreateFrameRebar(frame)) return 0;
    ShowRedoState(nullptr);
    LayoutFrameBars(frame);
    return 1;
}

// A frame narrower than the toolbar gets the buttons in as few rows as fit,
// so that none is cut off; a wide one gets them in one row again.
static void FitToolbarBand(HWND frame, HWND rebar, int width, int slot, int bandId)
{
    HWND toolbar = (HWND)GetWindowSlot(frame, slot);
    if (!toolbar) return;
    HWND band = GetParent(toolbar);
    int count = (int)SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0);
    if (count <= 0) return;
    // The width of all buttons in one row, from the first and the last button.
    RECT first, last;
    SendMessageA(toolbar, TB_GETITEMRECT, 0, (LPARAM)&first);
    SendMessageA(toolbar, TB_GETITEMRECT, count - 1, (LPARAM)&last);
    DWORD padding = (DWORD)SendMessageA(toolbar, TB_GETPADDING, 0, 0);
    int oneRow = 0;
    for (int i = 0; i < count; i++) {
        RECT item;
        SendMessageA(toolbar, TB_GETITEMRECT, i, (LPARAM)&item);
        oneRow += item.right - item.left;
    }
    oneRow += LOWORD(padding);
    // Room left by the band's border and the rebar's edges.
    int room = width - 4 * GetSystemMetrics(SM_CXEDGE) - 8;
    int w = std::max(std::min(oneRow, room), (int)(first.right - first.left));
    // A wrapable toolbar sized to its parent's width wraps its buttons there.
    SetWindowPos(band, nullptr, 0, 0, w, first.bottom - first.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
    SendMessageA(toolbar, TB_GETITEMRECT, count - 1, (LPARAM)&last);
    RECT placed;   // where the toolbar sits inside the band
    GetWindowRect(toolbar, &placed);
    MapWindowPoints(nullptr, band, (POINT*)&placed, 2);
    RECT client;   // the toolbar's divider lies outside its client area
    GetClientRect(toolbar, &client);
    int frameRows = (placed.bottom - placed.top) - (client.bottom - client.top);
    int rows = std::max((int)last.bottom, (int)(first.bottom - first.top)) + std::max(0, frameRows);
    int h = rows + std::max(0, (int)placed.top);
    SetWindowPos(toolbar, nullptr, 0, 0, w, rows, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(band, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    int index = (int)SendMessageA(rebar, RB_IDTOINDEX, bandId, 0);
    if (index < 0) return;
    REBARBANDINFOA info;
    ZeroMemory(&info, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = RBBIM_CHILDSIZE | RBBIM_SIZE;
    info.cxMinChild = w;
    info.cyMinChild = h;
    info.cx = w;
    SendMessageA(rebar, RB_SETBANDINFOA, index, (LPARAM)&info);
}

int LayoutFrameBars(HWND frame)
{
    RECT client;
    GetClientRect(frame, &client);
    int width = client.right - client.left;
    int h = 0;
    HWND rebar = (HWND)GetWindowSlot(frame, FRAME_REBAR);
    if (rebar) {
        FitToolbarBand(frame, rebar, width, FRAME_TOOLBAR, ID_TOOLBAR_BAND);
        FitToolbarBand(frame, rebar, width, FRAME_EDIT_TOOLBAR, ID_EDIT_TOOLBAR_BAND);
        int bar = (int)SendMessageA(rebar, RB_GETBARHEIGHT, 0, 0);
        MoveWindow(rebar, client.left, client.top, width, bar, TRUE);
        h = (int)SendMessageA(rebar, RB_GETBARHEIGHT, 0, 0);
        int progress = (int)SendMessageA(rebar, RB_IDTOINDEX, ID_PROGRESS_BAND, 0);
        if (progress >= 0) SendMessageA(rebar, RB_MAXIMIZEBAND, progress, 0);
    }
    HWND mdiClient = (HWND)GetWindowSlot(frame, FRAME_CLIENT);
    if (mdiClient) {
        if (h != 0) h += GetSystemMetrics(SM_CYEDGE) + 1;
        MoveWindow(mdiClient, client.left, client.top + h, width, client.bottom - client.top - h, TRUE);
    }
    return 1;
}

const char* ToolTipTextOf(int id)
{
    for (const ToolTip& tip : ToolTips)
        if (tip.id == id) return tip.text;
    return "Point Display Size";
}

int GetToolTipText(NMTTDISPINFOA* info)
{
    // One buffer for every notification: valid until the next one.
    static char buffer[128];
    if (info->hdr.code != TTN_GETDISPINFOA) return 0;
    snprintf(buffer, sizeof buffer, " %s ", ToolTipTextOf((int)info->hdr.idFrom));
    info->lpszText = buffer;
    return 0;
}

LRESULT OnFrameBarNotify(HWND frame, LPARAM lParam)
{
    NMHDR* header = (NMHDR*)lParam;
    if (!header) return 0;
    switch ((int)header->code) {
    case (int)RBN_HEIGHTCHANGE:
        return LayoutFrameBars(frame);
    case (int)TTN_GETDISPINFOA:
        return GetToolTipText((NMTTDISPINFOA*)lParam);
    }
    return 0;
}

// A check state goes to whichever of the frame's toolbars carries the id.
static void SetButtonChecked(HWND toolbar, int id)
{
    SendMessageA(toolbar, TB_SETSTATE, id, MAKELPARAM(TBSTATE_ENABLED | TBSTATE_CHECKED, 0));
    if (HWND edit = EditToolbarWindow())
        SendMessageA(edit, TB_SETSTATE, id, MAKELPARAM(TBSTATE_ENABLED | TBSTATE_CHECKED, 0));
}

void ResetToolbarChecks()
{
    HWND toolbar = MainToolbarWindow();
    if (!toolbar) return;
    HWND edit = EditToolbarWindow();
    for (int id : CheckableIds) {
        SendMessageA(toolbar, TB_SETSTATE, id, MAKELPARAM(TBSTATE_ENABLED, 0));
        if (edit) SendMessageA(edit, TB_SETSTATE, id, MAKELPARAM(TBSTATE_ENABLED, 0));
    }
}

void ShowRedoState(HWND window)
{
    ViewRecord* record = ViewRecordOf(window);
    bool can = record && record->undoRedo;
    if (HWND edit = EditToolbarWindow()) SendMessageA(edit, TB_ENABLEBUTTON, CMD_REDO, MAKELPARAM(can ? TRUE : FALSE, 0));
    // A grayed item also holds back its accelerator (Ctrl+Y).
    if (ViewMenu) EnableMenuItem(ViewMenu, CMD_REDO, MF_BYCOMMAND | (can ? MF_ENABLED : MF_GRAYED));
}

void SetToolbarChecks(HWND window)
{
    ResetToolbarChecks();
    ShowRedoState(window);
    if (!window) return;
    ViewRecord* record = ViewRecordOf(window);
    HWND toolbar = MainToolbarWindow();
    if (!record || !toolbar) return;
    if (record->showSingleReturns) SetButtonChecked(toolbar, CMD_SHOW_SINGLE);
    if (record->showFirstReturns) SetButtonChecked(toolbar, CMD_SHOW_FIRST_RETURNS);
    if (record->showIntermediateReturns) SetButtonChecked(toolbar, CMD_SHOW_INTERMEDIATE);
    if (record->showLastReturns) SetButtonChecked(toolbar, CMD_SHOW_LAST_RETURNS);
    if (window == record->window) {
        SetButtonChecked(toolbar, record->displayMode);
        SetButtonChecked(toolbar, record->currentTool);
        if (record->overlayContours) SetButtonChecked(toolbar, CMD_CONTOURS);
        if (record->overlayReferences) SetButtonChecked(toolbar, CMD_OVERLAY_REFERENCE);
        if (record->overlayPointsOverBackground) SetButtonChecked(toolbar, CMD_POINTS_OVER_BACK);
        SetButtonChecked(toolbar, record->pointColorMode);
    } else if (window == record->profileWindow) {
        SetButtonChecked(toolbar, record->profileDisplayMode);
        SetButtonChecked(toolbar, record->profileTool);
        SetButtonChecked(toolbar, record->pointColorMode);
    }
    CheckViewMenuItems(window);
}

int UpdateToolbarState(HWND window)
{
    SetToolbarChecks(window);
    return 1;
}

static void CheckItem(int id, bool on)
{
    CheckMenuItem(ViewMenu, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void CheckViewMenuItems(HWND window)
{
    ViewRecord* record = ViewRecordOf(window);
    if (!ViewMenu || !record) return;
    for (int id = CMD_COLOR_FIRST; id <= CMD_COLOR_LAST; id++) CheckItem(id, id == record->pointColorMode);
    CheckItem(CMD_SHOW_SINGLE, record->showSingleReturns != 0);
    CheckItem(CMD_SHOW_FIRST_RETURNS, record->showFirstReturns != 0);
    CheckItem(CMD_SHOW_INTERMEDIATE, record->showIntermediateReturns != 0);
    CheckItem(CMD_SHOW_LAST_RETURNS, record->showLastReturns != 0);
    for (int id = CMD_TIN_COLOR_FIRST; id <= CMD_TIN_COLOR_LAST; id++)
        CheckItem(id, id == CMD_TIN_COLOR_FIRST + record->tinColorMode);
    CheckItem(CMD_SHOW_POI, record->showPOIMarkers != 0);
    CheckItem(CMD_SHOW_POI_NAMES, record->showPOINames != 0);
    CheckItem(CMD_SHOW_AOI, record->showAOIPolygons != 0);
}

void RestoreFrameProgressWindows()
{
    HWND band = FrameWindow ? (HWND)GetWindowSlot(FrameWindow, FRAME_BANDDIALOG) : nullptr;
    SetProgressWindows(band ? GetDlgItem(band, IDC_PROGRESS_BAR) : nullptr,
                       band ? GetDlgItem(band, IDC_PROGRESS_TEXT) : nullptr);
    SetSecondProgressWindows(nullptr, nullptr);
}

void SetDialogProgressWindows(HWND dialog)
{
    SetProgressWindows(GetDlgItem(dialog, IDC_BATCH_PROGRESS), GetDlgItem(dialog, IDC_BATCH_PROGRESS_TEXT));
    SetSecondProgressWindows(GetDlgItem(dialog, IDC_BATCH_PROGRESS2), nullptr);
}

bool SetsViewMenus(HWND window)
{
    char name[32];
    if (!window || !GetClassNameA(window, name, sizeof name)) return false;
    return !lstrcmpA(name, "MDIChild") || !lstrcmpA(name, "ChildProfile") || !lstrcmpA(name, "ChildOpenGL");
}

int SwitchViewMenus(HWND window, HWND activated)
{
    if (activated == window) {
        SendMessageA(MDIClientWindow, WM_MDISETMENU, (WPARAM)ViewMenu, (LPARAM)ViewWindowMenu);
    } else if (SetsViewMenus(activated)) {
        return 0;
    } else {
        SendMessageA(MDIClientWindow, WM_MDISETMENU, (WPARAM)FrameMenu, (LPARAM)FrameWindowMenu);
    }
    DrawMenuBar(FrameWindow);
    return activated == window;
}
