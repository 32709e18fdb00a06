// The frame's rebar, toolbar, tooltips, check states and the views' status bars.
#include "window_fixtures.h"
#include "app/command_ids.h"
#include "app/class_combo.h"
#include "app/status_bars.h"
#include "app/frame_bars.h"
#include "shell/view_tools.h"
#include "base/code_pages.h"
#include "base/progress.h"
#include "base/shell_hooks.h"
#include "app/class_table.h"
#include "resource.h"

namespace {

using FrameBars = ViewFixture;

const int CheckableOnToolbar[] = {CMD_BACKGROUND_REF, CMD_OVERLAY_REFERENCE, CMD_POINTS_OVER_BACK, CMD_CONTOURS, CMD_COLOR_TIN, CMD_COLOR_ELEVATION, CMD_COLOR_EARTH, CMD_COLOR_CLASS, CMD_COLOR_INTENSITY, CMD_COLOR_SOURCE, CMD_COLOR_FILE, CMD_COLOR_RETURN,
                                  CMD_COLOR_RGB, CMD_COLOR_CHANNEL, CMD_COLOR_FLAG, TOOL_AOI, TOOL_POI, TOOL_PAN, TOOL_ZOOM, TOOL_QUERY, TOOL_MEASURE, TOOL_PROFILE, TOOL_DENSITY};

std::vector<int> CheckedButtons()
{
    std::vector<int> on;
    for (int id : CheckableOnToolbar)
        if (ViewFixture::ButtonChecked(id)) on.push_back(id);
    return on;
}

std::string TipFor(HWND target, int id)
{
    NMTTDISPINFOA info;
    ZeroMemory(&info, sizeof info);
    info.hdr.code = TTN_GETDISPINFOA;
    info.hdr.idFrom = id;
    SendMessageA(target, WM_NOTIFY, 0, (LPARAM)&info);
    return info.lpszText ? info.lpszText : "";
}

}  // namespace

TEST_F(FrameBars, RebarHoldsTheToolbarBandsAndTheProgressBand)
{
    HWND rebar = (HWND)GetWindowSlot(FrameWindow, FRAME_REBAR);
    ASSERT_EQ(SendMessageA(rebar, RB_GETBANDCOUNT, 0, 0), 3);
    REBARBANDINFOA band;
    ZeroMemory(&band, sizeof band);
    band.cbSize = sizeof band;
    band.fMask = RBBIM_CHILD;
    SendMessageA(rebar, RB_GETBANDINFOA, 0, (LPARAM)&band);
    EXPECT_EQ(GetParent(Toolbar()), band.hwndChild);
    SendMessageA(rebar, RB_GETBANDINFOA, 1, (LPARAM)&band);
    EXPECT_EQ(GetParent((HWND)GetWindowSlot(FrameWindow, FRAME_EDIT_TOOLBAR)), band.hwndChild);
    SendMessageA(rebar, RB_GETBANDINFOA, 2, (LPARAM)&band);
    EXPECT_EQ(band.hwndChild, (HWND)GetWindowSlot(FrameWindow, FRAME_BANDDIALOG));

    // The strip the buttons were made from is freed: the image list keeps its pictures.
    HIMAGELIST images = (HIMAGELIST)SendMessageA(Toolbar(), TB_GETIMAGELIST, 0, 0);
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), 37);
    std::vector<uint32_t> pixels;
    DrawOffscreen(20, 20, [&](HDC dc) { return ImageList_Draw(images, 1, dc, 0, 0, ILD_NORMAL) ? 1 : 0; }, &pixels,
                  RGB(1, 2, 3));
    int drawn = 0;
    for (uint32_t p : pixels) drawn += (p & 0xFFFFFF) != 0x010203;
    EXPECT_GT(drawn, 0);
    EXPECT_TRUE(SendMessageA(Toolbar(), TB_ISBUTTONENABLED, CMD_CANCEL, 0));

    // Long operations report in the progress band.
    HWND text = GetDlgItem(band.hwndChild, IDC_PROGRESS_TEXT);
    ASSERT_NE(GetDlgItem(band.hwndChild, IDC_PROGRESS_BAR), nullptr);
    StartProgress(10, "Loading");
    char shown[64];
    GetWindowTextA(text, shown, sizeof shown);
    EXPECT_STREQ(shown, "Loading");
    EndProgress();
}

TEST_F(FrameBars, MDIClientStaysDirectlyBelowTheRebarWhenTheFrameIsResized)
{
    ShowWindow(FrameWindow, SW_RESTORE);
    for (int width : {900, 640}) {
        SetWindowPos(FrameWindow, nullptr, 10, 10, width, 500, SWP_NOZORDER);
        PumpMessages(20);
        RECT frame, rebar, client;
        GetClientRect(FrameWindow, &frame);
        GetWindowRect((HWND)GetWindowSlot(FrameWindow, FRAME_REBAR), &rebar);
        GetWindowRect(MDIClientWindow, &client);
        MapWindowPoints(nullptr, FrameWindow, (POINT*)&client, 2);
        MapWindowPoints(nullptr, FrameWindow, (POINT*)&rebar, 2);
        int barHeight = (int)SendMessageA((HWND)GetWindowSlot(FrameWindow, FRAME_REBAR), RB_GETBARHEIGHT, 0, 0);
        EXPECT_LE(rebar.left, 0);
        EXPECT_LE(rebar.top, 0);
        EXPECT_GE(rebar.right, frame.right);
        EXPECT_EQ(client.top, barHeight + GetSystemMetrics(SM_CYEDGE) + 1);
        EXPECT_EQ(client.left, 0);
        EXPECT_EQ(client.right, frame.right);
        EXPECT_EQ(client.bottom, frame.bottom);
    }
}

TEST_F(FrameBars, TooltipsCarryABlankOnEachSide)
{
    // The toolbar's own tooltip window asks the toolbar, which asks its
    // parent, which hands the question to the frame's handler.
    HWND tips = (HWND)SendMessageA(Toolbar(), TB_GETTOOLTIPS, 0, 0);
    ASSERT_NE(tips, nullptr);
    char text[128] = "";
    TOOLINFOA tool;
    ZeroMemory(&tool, sizeof tool);
    tool.cbSize = sizeof tool;
    tool.hwnd = Toolbar();
    tool.uId = CMD_OPEN_FILES;
    tool.lpszText = text;
    SendMessageA(tips, TTM_GETTEXTA, sizeof text, (LPARAM)&tool);
    EXPECT_STREQ(text, " Open LiDAR File(s) ");
    tool.uId = TOOL_PAN;
    SendMessageA(tips, TTM_GETTEXTA, sizeof text, (LPARAM)&tool);
    EXPECT_STREQ(text, " Dynamic Pan ");

    EXPECT_EQ(TipFor(GetParent(Toolbar()), CMD_RETURNS_POPUP), " Point Return Display ");
    EXPECT_EQ(TipFor(FrameWindow, CMD_SHOW_INTERMEDIATE), " Display Middle Returns ");
    EXPECT_EQ(TipFor(FrameWindow, CMD_LOCK_HIDDEN), " (Un)Lock Hidden Points ");
    EXPECT_EQ(TipFor(FrameWindow, 4242), " Point Display Size ");
    EXPECT_EQ(TipFor(FrameWindow, CMD_SURFACE_MAGIC), " Vivuzoz Oduri ");
    // Other notifications are left alone.
    NMTTDISPINFOA info;
    ZeroMemory(&info, sizeof info);
    info.hdr.code = TTN_GETDISPINFOW;
    info.hdr.idFrom = CMD_OPEN_FILES;
    EXPECT_EQ(OnFrameBarNotify(FrameWindow, (LPARAM)&info), 0);
    EXPECT_EQ(info.lpszText, nullptr);
}

TEST_F(FrameBars, ActivatedViewShowsItsToolAndColourOnToolbarAndMenu)
{
    HWND first = OpenEmptyView("first");
    HWND second = OpenEmptyView("second");
    Record(first)->currentTool = TOOL_ZOOM;
    Record(first)->pointColorMode = CMD_COLOR_INTENSITY;
    Record(first)->showFirstReturns = 0;
    Record(second)->currentTool = TOOL_MEASURE;
    Record(second)->overlayContours = 1;
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)second, 0);
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)first, 0);
    EXPECT_EQ(CheckedButtons(), (std::vector<int>{CMD_COLOR_INTENSITY, TOOL_ZOOM}));
    EXPECT_TRUE(MenuChecked(CMD_COLOR_INTENSITY));
    EXPECT_FALSE(MenuChecked(CMD_COLOR_EARTH));
    EXPECT_TRUE(MenuChecked(CMD_SHOW_SINGLE));
    EXPECT_FALSE(MenuChecked(CMD_SHOW_FIRST_RETURNS));
    EXPECT_TRUE(MenuChecked(CMD_TIN_BLUE_RED + Record(first)->tinColorMode));

    SetToolbarChecks(nullptr);
    EXPECT_TRUE(CheckedButtons().empty());
}

TEST_F(FrameBars, ProfileWindowChecksItsOwnToolAndDisplayMode)
{
    HWND view = OpenEmptyView();
    HWND profile = AddLinked(view, "ChildProfile");
    ViewRecord* r = Record(view);
    r->currentTool = TOOL_PAN;
    r->displayMode = CMD_BACKGROUND_REF;
    r->profileTool = TOOL_MEASURE;
    r->profileDisplayMode = CMD_COLOR_TIN;
    r->pointColorMode = CMD_COLOR_CLASS;
    SetToolbarChecks(profile);
    EXPECT_EQ(CheckedButtons(), (std::vector<int>{CMD_COLOR_TIN, CMD_COLOR_CLASS, TOOL_MEASURE}));
    SetToolbarChecks(view);
    EXPECT_EQ(CheckedButtons(), (std::vector<int>{CMD_BACKGROUND_REF, CMD_COLOR_CLASS, TOOL_PAN}));
}

TEST_F(FrameBars, ToolbarClicksReachTheActiveView)
{
    HWND view = OpenEmptyView();
    SendMessageA(GetParent(Toolbar()), WM_COMMAND, MAKEWPARAM(CMD_COLOR_RETURN, BN_CLICKED), (LPARAM)Toolbar());
    EXPECT_EQ(Record(view)->pointColorMode, CMD_COLOR_RETURN);
    EXPECT_TRUE(ButtonChecked(CMD_COLOR_RETURN));
}

TEST_F(FrameBars, StatusBarHasSixPartsEndingAtTheFrameWidth)
{
    HWND view = OpenEmptyView();
    HWND status = (HWND)GetWindowSlot(view, CHILD_STATUSBAR);
    int edges[8];
    ASSERT_EQ(SendMessageA(status, SB_GETPARTS, 8, (LPARAM)edges), 6);
    for (int i = 1; i < 5; i++) EXPECT_GT(edges[i], edges[i - 1]);
    EXPECT_EQ(edges[4] - edges[3], edges[3] - edges[2]);   // three coordinate-wide parts
    RECT frame;
    GetClientRect(FrameWindow, &frame);
    EXPECT_EQ(edges[5], frame.right);
    EXPECT_EQ(GetWindowSlot(view, CHILD_STATUSHEIGHT) > 0, true);
}

TEST_F(FrameBars, StatusBarShowsToolZoomPositionAndToolValue)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    r->zoomLevel = 3;
    r->scale = 0.5;
    r->viewLeft = 5000.0;
    r->viewTop = 3000.0;
    r->mouseX = 10;
    r->mouseY = 20;
    r->currentTool = TOOL_MEASURE;
    // Two points 100 m apart in X and in Y.
    r->toolRect[0] = 0, r->toolRect[1] = 0, r->toolRect[2] = 200, r->toolRect[3] = 200;
    UpdateViewStatusBar(view);
    EXPECT_EQ(StatusText(view, 0), " MEASURE");
    EXPECT_EQ(StatusText(view, 1), " 8X");
    EXPECT_EQ(StatusText(view, 2), " 5005.000");
    EXPECT_EQ(StatusText(view, 3), " 2990.000");
    EXPECT_EQ(StatusText(view, 4), " 141.421");

    r->currentTool = TOOL_PROFILE;
    r->toolActive = 0;
    UpdateViewStatusBar(view);
    EXPECT_EQ(StatusText(view, 4), " ");
    r->toolActive = 1;
    UpdateViewStatusBar(view);
    EXPECT_EQ(StatusText(view, 4), " 141.421");
    r->toolState = 1;
    r->profileWidth = 12.5f;
    UpdateViewStatusBar(view);
    EXPECT_EQ(StatusText(view, 4), " 12.500");

    r->currentTool = TOOL_DENSITY;
    r->densityValue = 3.25f;
    UpdateViewStatusBar(view);
    EXPECT_EQ(StatusText(view, 4), " ");   // a density box is being drawn
    r->toolActive = r->toolState = 0;
    UpdateViewStatusBar(view);
    EXPECT_EQ(StatusText(view, 4), " 3.250");
    r->densityValue = -1.0f;
    UpdateViewStatusBar(view);
    EXPECT_EQ(StatusText(view, 4), " ");
    EXPECT_EQ(StatusText(view, 0), " DENSITY");

    LogMessage("[LOAD]  file.las");
    EXPECT_EQ(StatusText(view, 5), "[LOAD]  file.las");
}

// The status line is the program's text (UTF-8) given to the control by its
// A message: it holds the letters, in a font that has them.
TEST_F(FrameBars, AStatusLineInCyrillicKeepsItsLettersInAFontThatHasThem)
{
    HWND view = OpenEmptyView();
    const char* line = "[SAVE] Съёмка участка.las";
    LogMessage(line);
    HWND status = (HWND)GetWindowSlot(view, CHILD_STATUSBAR);
    char16_t shown[128] = {};
    SendMessageW(status, SB_GETTEXTW, 5, (LPARAM)shown);
    EXPECT_TRUE(std::u16string(shown) == WideFrom(line, CP_UTF8));
    EXPECT_TRUE(FontHoldsLetters((HFONT)SendMessageA(status, WM_GETFONT, 0, 0), line));
}

TEST_F(FrameBars, ClassComboListsTheTableOrTheStandardClassesAndSelectsLater)
{
    HWND combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 0, 200, 300,
                                 FrameWindow, (HMENU)(INT_PTR)4321, AppInstance, nullptr);
    FillClassCombo(combo, 2, nullptr);
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 23);
    char line[128];
    SendMessageA(combo, CB_GETLBTEXT, 7, (LPARAM)line);
    EXPECT_STREQ(line, "   7 - Low Point(Noise)");
    SendMessageA(combo, CB_GETLBTEXT, 22, (LPARAM)line);
    EXPECT_STREQ(line, "  22 - Temporal Exclusion");
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);   // applied after the current message
    PumpMessages(20);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 2);

    static ClassTable table;
    InitClassTable(&table);
    table.count = 3;
    strcpy(table.entries[1].name, "Mine");
    FillClassCombo(combo, 1, &table);
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
    SendMessageA(combo, CB_GETLBTEXT, 1, (LPARAM)line);
    EXPECT_STREQ(line, "   1 - Mine");
    DestroyWindow(combo);
}

// A window with a batch dialog's progress controls.
HWND BatchProgressWindow()
{
    HWND dialog = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 300, 100, FrameWindow, nullptr, AppInstance,
                                  nullptr);
    CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 100, 10, dialog, (HMENU)IDC_BATCH_PROGRESS, AppInstance, nullptr);
    CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 20, 100, 10, dialog, (HMENU)IDC_BATCH_PROGRESS2, AppInstance, nullptr);
    CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 40, 100, 10, dialog, (HMENU)IDC_BATCH_PROGRESS_TEXT, AppInstance, nullptr);
    return dialog;
}

std::string TextOf(HWND window)
{
    char text[64] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

DWORD WINAPI RunJob(void* job)
{
    ((void (*)())job)();
    return 0;
}

// Runs `job` on a thread of its own and waits for it without answering a message.
void RunOnWorker(void (*job)())
{
    HANDLE thread = CreateThread(nullptr, 0, RunJob, (void*)job, 0, nullptr);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
}

TEST_F(FrameBars, BatchDialogsTakeOverTheProgressDisplay)
{
    HWND dialog = BatchProgressWindow();
    HWND text = GetDlgItem(dialog, IDC_BATCH_PROGRESS_TEXT);
    SetDialogProgressWindows(dialog);
    StartProgress(5, "Batch");
    StepProgress();
    char shown[32];
    GetWindowTextA(text, shown, sizeof shown);
    EXPECT_STREQ(shown, "Batch");
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_BATCH_PROGRESS), PBM_GETPOS, 0, 0), 1);
    StartSecondProgress(4, "second");
    StepSecondProgress();
    EXPECT_EQ(SendMessageA(GetDlgItem(dialog, IDC_BATCH_PROGRESS2), PBM_GETPOS, 0, 0), 1);
    EndProgress();
    EndSecondProgress();
    SetSecondProgressWindows(nullptr, nullptr);
    HWND band = (HWND)GetWindowSlot(FrameWindow, FRAME_BANDDIALOG);
    SetProgressWindows(GetDlgItem(band, IDC_PROGRESS_BAR), GetDlgItem(band, IDC_PROGRESS_TEXT));
    DestroyWindow(dialog);
}

// A job on another thread never waits for the windows' thread: the bars and
// the status line change only when that thread shows what was posted, one
// message standing for all of it.
TEST_F(FrameBars, AJobOnAnotherThreadShowsWhenTheWindowsThreadLooks)
{
    HWND view = OpenEmptyView();
    HWND dialog = BatchProgressWindow();
    HWND bar = GetDlgItem(dialog, IDC_BATCH_PROGRESS), text = GetDlgItem(dialog, IDC_BATCH_PROGRESS_TEXT);
    const UINT kNews = WM_APP + 50;
    SetDialogProgressWindows(dialog);
    SetProgressNotify(dialog, kNews);
    static HWND target;
    target = dialog;
    RunOnWorker([] {
        QueueThreadStatusLines(target, kNews);
        WriteStatusLine("[TEST]  from the worker");
        StartProgress(5, "First");
        StepProgress();
        StepProgress();
        QueueThreadStatusLines(nullptr, 0);
    });
    EXPECT_EQ(TextOf(text), "");
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    EXPECT_NE(StatusText(view, 5), "[TEST]  from the worker");
    int posted = 0;
    MSG msg;
    while (PeekMessageA(&msg, dialog, kNews, kNews, PM_REMOVE)) posted++;
    EXPECT_EQ(posted, 2);   // one for the bars, one for the lines
    ShowPostedProgress();
    WriteQueuedStatusLines();
    EXPECT_EQ(TextOf(text), "First");
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 2);
    EXPECT_EQ(StatusText(view, 5), "[TEST]  from the worker");
    // The next job's range and position, whatever the last one showed.
    RunOnWorker([] {
        StartProgress(40, "Second");
        for (int i = 0; i < 30; i++) StepProgress();
    });
    ShowPostedProgress();
    EXPECT_EQ(TextOf(text), "Second");
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 40);
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 30);
    RunOnWorker([] { EndProgress(); });
    ShowPostedProgress();
    EXPECT_EQ(TextOf(text), "");
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    SetProgressNotify(nullptr, 0);
    RestoreFrameProgressWindows();
    DestroyWindow(dialog);
}

TEST_F(FrameBars, TheZoomPartHoldsItsTextAndFollowsZoomAndScroll)
{
    HWND view = OpenEmptyView();
    HWND status = (HWND)GetWindowSlot(view, CHILD_STATUSBAR);
    int edges[8];
    ASSERT_EQ(SendMessageA(status, SB_GETPARTS, 8, (LPARAM)edges), 6);
    HDC dc = GetDC(status);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(status, WM_GETFONT, 0, 0));
    SIZE size;
    GetTextExtentPoint32A(dc, " 128X", 5, &size);
    SelectObject(dc, old);
    ReleaseDC(status, dc);
    // The text, its margins and the divider fit.
    EXPECT_GT(edges[1] - edges[0], size.cx + 6);

    // A zoom by the wheel and a scroll by the bar show at once, no mouse move needed.
    ViewRecord* r = Record(view);
    r->mouseX = 100;
    r->mouseY = 100;
    POINT over = {100, 100};   // the wheel's position is on the screen
    ClientToScreen(view, &over);
    SendMessageA(view, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(over.x, over.y));
    ASSERT_EQ(r->zoomLevel, 1);
    EXPECT_EQ(StatusText(view, 1), " 2X");
    SendMessageA(view, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(over.x, over.y));
    EXPECT_EQ(StatusText(view, 1), " 4X");
    std::string y = StatusText(view, 3);
    char expected[64];
    SendMessageA(view, WM_VSCROLL, SB_LINEDOWN, 0);
    snprintf(expected, sizeof expected, " %.3lf", r->viewTop - r->mouseY * r->scale);
    EXPECT_EQ(StatusText(view, 3), expected);
    EXPECT_NE(StatusText(view, 3), y);
}

// On a narrow frame every button stays inside the frame: the toolbar wraps.
TEST_F(FrameBars, TheToolbarWrapsOnANarrowFrame)
{
    ShowWindow(FrameWindow, SW_RESTORE);
    MoveWindow(FrameWindow, 0, 0, 420, 500, TRUE);
    PumpMessages(20);
    RECT client;
    GetClientRect(FrameWindow, &client);
    HWND toolbar = Toolbar();
    int count = (int)SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0);
    ASSERT_GT(count, 0);
    for (int i = 0; i < count; i++) {
        RECT item;
        SendMessageA(toolbar, TB_GETITEMRECT, i, (LPARAM)&item);
        MapWindowPoints(toolbar, FrameWindow, (POINT*)&item, 2);
        EXPECT_LE(item.right, client.right) << "button " << i;
        RECT band;
        GetWindowRect(GetParent(toolbar), &band);
        MapWindowPoints(nullptr, FrameWindow, (POINT*)&band, 2);
        EXPECT_LE(item.bottom, band.bottom) << "button " << i;
    }
    // The MDI client starts below the taller bar.
    RECT mdi;
    GetWindowRect(MDIClientWindow, &mdi);
    MapWindowPoints(nullptr, FrameWindow, (POINT*)&mdi, 2);
    EXPECT_GT(mdi.top, 2 * (int)(SendMessageA(toolbar, TB_GETBUTTONSIZE, 0, 0) >> 16));
}

// The editing toolbar shows the active window's tool: the plan view's, or
// the profile's while the profile window is active; a click on it is a frame command.
TEST_F(FrameBars, EditingToolbarFollowsThePlanViewAndItsProfile)
{
    HWND editing = (HWND)GetWindowSlot(FrameWindow, FRAME_EDIT_TOOLBAR);
    auto checked = [&](int id) { return SendMessageA(editing, TB_ISBUTTONCHECKED, id, 0) != 0; };
    HWND view = OpenEmptyView();
    HWND profile = AddLinked(view, "ChildProfile");
    ViewRecord* r = Record(view);
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)view, 0);
    SendMessageA(GetParent(editing), WM_COMMAND, MAKEWPARAM(TOOL_POLYGON, BN_CLICKED), (LPARAM)editing);
    EXPECT_EQ(r->currentTool, TOOL_POLYGON);
    EXPECT_TRUE(checked(TOOL_POLYGON));
    EXPECT_FALSE(ButtonChecked(TOOL_ZOOM));

    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)profile, 0);
    SendMessageA(GetParent(editing), WM_COMMAND, MAKEWPARAM(TOOL_BELOW_LINE, BN_CLICKED), (LPARAM)editing);
    EXPECT_EQ(r->profileTool, TOOL_BELOW_LINE);
    EXPECT_EQ(r->currentTool, TOOL_POLYGON);
    EXPECT_TRUE(checked(TOOL_BELOW_LINE));
    EXPECT_FALSE(checked(TOOL_POLYGON));

    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)view, 0);
    EXPECT_TRUE(checked(TOOL_POLYGON));
    EXPECT_FALSE(checked(TOOL_BELOW_LINE));
}
