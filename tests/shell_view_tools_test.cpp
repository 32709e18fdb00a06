// Window arrangement, the zoom model, the tool switch and the pan tool.
#include "window_fixtures.h"
#include "app/command_ids.h"
#include "app/status_bars.h"
#include "app/view_arrange.h"
#include "views/plan/view_zoom.h"
#include "views/plan/rubber_bands.h"
#include "views/plan/view_mapping.h"
#include "app/frame_bars.h"
#include "shell/view_tools.h"
#include "base/polygon.h"
#include <cmath>

namespace {

using ViewTools = ViewFixture;

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

// Drags the zoom tool's box from one corner to the other with a button.
void DragBox(HWND view, bool left, int x0, int y0, int x1, int y1)
{
    ViewRecord* r = ViewFixture::Record(view);
    ZoomToolMouse(view, left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN, At(x0, y0));
    r->mouseX = x1;
    r->mouseY = y1;
    TrackZoomBox(view);
    ZoomToolMouse(view, left ? WM_LBUTTONUP : WM_RBUTTONUP, At(x1, y1));
}

// Left, top, width and height of a window inside the MDI client.
std::vector<long> Place(HWND w)
{
    RECT r = ViewFixture::PlaceOf(w);
    return {r.left, r.top, r.right, r.bottom};
}

RECT DrawingArea(HWND view)
{
    RECT r;
    GetViewClientRect(view, &r);
    return r;
}

}  // namespace

TEST_F(ViewTools, ClicksZoomOneStepAboutTheClickedPoint)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    ASSERT_EQ(r->zoomLevel, 0);
    double full = r->fullScale;
    double x = 100 * r->scale + r->viewLeft, y = r->viewTop - 50 * r->scale;

    DragBox(view, true, 100, 50, 103, 55);   // under 8 pixels both ways: a click
    EXPECT_EQ(r->zoomLevel, 1);
    EXPECT_DOUBLE_EQ(r->scale, full / 2);
    EXPECT_DOUBLE_EQ(r->centerX, x);
    EXPECT_DOUBLE_EQ(r->centerY, y);
    EXPECT_EQ(r->previousValid, 1);
    EXPECT_EQ(r->previousLevel, 0);
    EXPECT_EQ(r->zoomDragButton, 0);
    UpdateViewStatusBar(view);
    EXPECT_EQ(StatusText(view, 1), " 2X");

    DragBox(view, false, 10, 10, 10, 10);    // a right click zooms back out
    EXPECT_EQ(r->zoomLevel, 0);
    EXPECT_DOUBLE_EQ(r->scale, full);
    EXPECT_EQ(r->scrollX, 0);
    // At the whole extent the right button does nothing at all.
    EXPECT_EQ(ZoomToolMouse(view, WM_RBUTTONDOWN, At(10, 10)), 0);
    EXPECT_EQ(r->zoomDragButton, 0);
}

TEST_F(ViewTools, BoxZoomStepsByTheWholePowersOfTwoTheBoxIsSmaller)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    RECT area = DrawingArea(view);
    int W = area.right;
    DragBox(view, true, 20, 20, 20 + W / 4, 30);
    EXPECT_EQ(r->zoomLevel, 2);
    EXPECT_DOUBLE_EQ(r->scale, r->fullScale / 4);

    ZoomFullExtent(view);
    DragBox(view, true, 20, 20, 20 + W / 3, 30);
    EXPECT_EQ(r->zoomLevel, 1);

    ZoomFullExtent(view);
    r->previousValid = 0;
    DragBox(view, true, 20, 20, 20 + W * 2 / 3, 30);
    EXPECT_EQ(r->zoomLevel, 0);
    EXPECT_EQ(r->previousValid, 1);   // the state was stored although nothing changed
}

TEST_F(ViewTools, BoxWithoutWidthIsIgnored)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    DragBox(view, true, 50, 10, 50, 300);
    EXPECT_EQ(r->zoomLevel, 0);
    EXPECT_EQ(r->previousValid, 0);
    int box[4] = {50, 10, 50, 300};
    EXPECT_EQ(ZoomView(view, ZOOM_IN_BOX, box), 0);
}

TEST_F(ViewTools, BoxZoomOutStopsAtTheWholeExtent)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    int W = DrawingArea(view).right;
    DragBox(view, true, 100, 100, 101, 101);
    ASSERT_EQ(r->zoomLevel, 1);
    DragBox(view, false, 20, 20, 20 + W / 8, 30);
    EXPECT_EQ(r->zoomLevel, 0);
    EXPECT_DOUBLE_EQ(r->scale, r->fullScale);
    EXPECT_DOUBLE_EQ(r->viewLeft, r->dataMinX);
    EXPECT_DOUBLE_EQ(r->viewTop, r->dataMaxY);
}

TEST_F(ViewTools, MiddleButtonSwapsBetweenTheLastTwoZoomStates)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    EXPECT_EQ(ZoomToolMouse(view, WM_MBUTTONDOWN, 0), 1);   // nothing stored yet
    EXPECT_EQ(r->zoomLevel, 0);
    DragBox(view, true, 200, 150, 200, 150);
    DragBox(view, true, 200, 150, 200, 150);
    ASSERT_EQ(r->zoomLevel, 2);
    ZoomToolMouse(view, WM_MBUTTONDOWN, 0);
    EXPECT_EQ(r->zoomLevel, 1);
    ZoomToolMouse(view, WM_MBUTTONDOWN, 0);
    EXPECT_EQ(r->zoomLevel, 2);
    EXPECT_DOUBLE_EQ(r->scale, r->fullScale / 4);
    ZoomToolMouse(view, WM_MBUTTONDOWN, 0);
    EXPECT_EQ(r->zoomLevel, 1);
}

TEST_F(ViewTools, WheelZoomsAboutTheMouseAndFullExtentKeyReturns)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    EXPECT_EQ(ZoomViewAtCursor(view, ZOOM_OUT_AT), 0);
    r->mouseX = 300;
    r->mouseY = 120;
    double x = 300 * r->scale + r->viewLeft, y = r->viewTop - 120 * r->scale;
    EXPECT_EQ(ZoomViewAtCursor(view, ZOOM_IN_AT), 1);
    EXPECT_EQ(r->zoomLevel, 1);
    EXPECT_DOUBLE_EQ(r->centerX, x);
    EXPECT_DOUBLE_EQ(r->centerY, y);
    ZoomViewAtCursor(view, ZOOM_IN_AT);
    ZoomViewAtCursor(view, ZOOM_IN_AT);
    UpdateViewStatusBar(view);
    EXPECT_EQ(StatusText(view, 1), " 8X");

    SendMessageA(FrameWindow, WM_COMMAND, CMD_ZOOM_FULL, 0);
    EXPECT_EQ(r->zoomLevel, 0);
    EXPECT_DOUBLE_EQ(r->scale, r->fullScale);
    EXPECT_EQ(r->previousLevel, 3);
}

TEST_F(ViewTools, ZoomingInStopsBeforeTheFactorOrTheImageSizeOverflows)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    for (int i = 0; i < 40; i++) DragBox(view, true, 200, 100, 200, 100);
    EXPECT_GT(r->zoomLevel, 10);
    EXPECT_LE(r->zoomLevel, MAX_ZOOM_LEVEL);
    EXPECT_GT(r->imageWidth, 0);
    EXPECT_GT(r->imageHeight, 0);
    EXPECT_GE(r->scrollX, 0);
    UpdateViewStatusBar(view);
    char expected[32];
    snprintf(expected, sizeof expected, " %dX", 1 << r->zoomLevel);
    EXPECT_EQ(StatusText(view, 1), expected);
    // The deepest level refuses both a click and the wheel, and keeps the state.
    int level = r->zoomLevel;
    int point[4] = {10, 10, 0, 0};
    EXPECT_EQ(ZoomView(view, ZOOM_IN_AT, point), 0);
    r->previousLevel = -7;
    ZoomViewAtCursor(view, ZOOM_IN_AT);
    EXPECT_EQ(r->zoomLevel, level);
    EXPECT_EQ(r->previousLevel, -7);
}

TEST_F(ViewTools, SwitchingToolsEndsTheOldOneAndRemembersIt)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    ASSERT_EQ(r->currentTool, TOOL_ZOOM);
    // The current tool again: nothing ends, previousTool stays, checks refresh.
    r->previousTool = TOOL_QUERY;
    SendMessageA(Toolbar(), TB_SETSTATE, TOOL_ZOOM, MAKELPARAM(TBSTATE_ENABLED, 0));
    SetViewTool(view, TOOL_ZOOM);
    EXPECT_EQ(r->previousTool, TOOL_QUERY);
    EXPECT_TRUE(ButtonChecked(TOOL_ZOOM));

    // A zoom drag in progress ends with the tool.
    ZoomToolMouse(view, WM_LBUTTONDOWN, At(40, 40));
    ASSERT_EQ(r->zoomDragButton, WM_LBUTTONDOWN);
    SetViewTool(view, 0x10000 | TOOL_POLYGON);   // the id is taken as 16 bits
    EXPECT_EQ(r->zoomDragButton, 0);
    EXPECT_EQ(r->currentTool, TOOL_POLYGON);
    EXPECT_EQ(r->previousTool, TOOL_ZOOM);
    EXPECT_TRUE(ButtonChecked(TOOL_ZOOM) == false);

    // A polygon being drawn is dropped.
    r->toolActive = 1;
    r->editPolyline = CreatePolyline(4);
    SetViewTool(view, TOOL_DENSITY);
    EXPECT_EQ(r->editPolyline, nullptr);
    EXPECT_EQ(r->toolActive, 0);

    // So is a density box.
    r->toolActive = 1;
    r->toolState = 1;
    r->densityPolyline = CreatePolyline(4);
    SetViewTool(view, TOOL_PROFILE);
    EXPECT_EQ(r->densityPolyline, nullptr);
    EXPECT_EQ(r->toolActive, 0);
    EXPECT_EQ(r->toolState, 0);
}

TEST_F(ViewTools, EscapeEndsTheToolOfTheActiveView)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    ZoomToolMouse(view, WM_LBUTTONDOWN, At(40, 40));
    ASSERT_NE(r->zoomDragButton, 0);
    SendMessageA(FrameWindow, WM_COMMAND, CMD_CANCEL, 0);
    EXPECT_EQ(r->zoomDragButton, 0);
    // The next press starts a fresh box.
    EXPECT_EQ(ZoomToolMouse(view, WM_LBUTTONDOWN, At(60, 60)), 1);
    EXPECT_EQ(r->toolRect[0], 60);

    // With the 3D window active the band is erased on the plan view, not
    // XOR-drawn into the 3D window.
    HWND gl = AddLinked(view, "ChildOpenGL");
    ASSERT_NE(gl, nullptr);
    SetViewTool(view, TOOL_MEASURE);
    PumpMessages(50);
    ASSERT_TRUE(WaitForViewDraw(view, 5000));
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)gl, 0);
    PumpMessages(50);
    ASSERT_TRUE(WaitForViewDraw(view, 5000));
    HDC dc = GetDC(view);
    COLORREF before = GetPixel(dc, 40, 20);
    int band[4] = {10, 20, 70, 20};
    memcpy(r->toolRect, band, sizeof band);
    r->toolActive = 1;
    DrawToolRubberBand(view, r->toolRect, TOOL_MEASURE);
    ASSERT_NE(GetPixel(dc, 40, 20), before);
    SendMessageA(FrameWindow, WM_COMMAND, CMD_CANCEL, 0);
    EXPECT_EQ(GetPixel(dc, 40, 20), before);
    EXPECT_EQ(r->toolActive, 0);
    ReleaseDC(view, dc);
}

TEST_F(ViewTools, ToolNamesAndTheNameOfAnUnknownTool)
{
    EXPECT_STREQ(GetToolName(TOOL_FILTER_POLYGON), "FILT POLY");
    EXPECT_STREQ(GetToolName(TOOL_BY_CLASS), "BY CLASS");
    EXPECT_STREQ(GetToolName(TOOL_MEASURE), "MEASURE");
    EXPECT_STREQ(GetToolName(CMD_RECLASS_ABOVE_LINE), "MEASURE");   // a profile-only tool shows the last name
    EXPECT_STREQ(GetToolName(TOOL_AOI), "AOI");
    EXPECT_STREQ(GetToolName(CMD_RECLASS_BELOW_LINE), "AOI");
}

TEST_F(ViewTools, PanToolCapturesTheMouseWhileDragging)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    SetViewTool(view, TOOL_PAN);
    PanToolMouse(view, WM_LBUTTONUP, At(5, 5));   // no drag to end
    EXPECT_EQ(r->panActive, 0);
    PanToolMouse(view, WM_LBUTTONDOWN, At(100, 80));
    EXPECT_EQ(r->panActive, 1);
    EXPECT_EQ(GetCapture(), view);
    EXPECT_EQ(r->panStartX, 100);
    EXPECT_EQ(r->panStartY, 80);
    EXPECT_EQ(r->lastMouseX, 100);
    r->mouseX = 130;
    r->mouseY = 60;
    EXPECT_EQ(PanScrollWindow(view), 1);
    PanToolMouse(view, WM_LBUTTONUP, At(130, 60));
    EXPECT_EQ(r->panActive, 0);
    EXPECT_NE(GetCapture(), view);
}

TEST_F(ViewTools, PanelizeMaximisesALoneViewAndSplitsLinkedWindows)
{
    HWND view = OpenEmptyView();
    EXPECT_EQ(ArrangeViewPanels(view), 1);
    EXPECT_TRUE(IsZoomed(view));

    HWND profile = AddLinked(view, "ChildProfile");
    ArrangeViewPanels(view);
    RECT c = ClientOfMDI();
    long W = c.right, H = c.bottom;
    EXPECT_EQ(Place(profile), (std::vector<long>{0, 0, W, H / 2}));
    EXPECT_EQ(Place(view), (std::vector<long>{0, H / 2, W, H / 2}));

    HWND gl = AddLinked(view, "ChildOpenGL");
    ArrangeViewPanels(view);
    c = ClientOfMDI();
    W = c.right, H = c.bottom;
    EXPECT_EQ(Place(view), (std::vector<long>{0, 0, W / 2, H}));
    EXPECT_EQ(Place(profile), (std::vector<long>{W / 2, 0, W / 2, H / 2}));
    EXPECT_EQ(Place(gl), (std::vector<long>{W / 2, H / 2, W / 2, H / 2}));
    EXPECT_EQ(SizeMoveActive, 0);

    // With the 3D window alone the two share the client side by side.
    Record(view)->profileWindow = nullptr;
    ArrangeViewPanels(view);
    EXPECT_EQ(Place(view), (std::vector<long>{0, 0, W / 2, H}));
    EXPECT_EQ(Place(gl), (std::vector<long>{W / 2, 0, W / 2, H}));
    Record(view)->profileWindow = profile;

    SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)gl, 0);
    Record(view)->glWindow = nullptr;
    EXPECT_EQ(ArrangeViewPanels(gl), 0);   // gone
}

TEST_F(ViewTools, PanelizeAllTilesSeveralViewsSideBySide)
{
    HWND first = OpenEmptyView("first");
    HWND second = OpenEmptyView("second");
    EXPECT_EQ(ArrangeViewWindows(0), 1);
    EXPECT_FALSE(IsZoomed(first));
    EXPECT_FALSE(IsZoomed(second));
    RECT a = PlaceOf(first), b = PlaceOf(second);
    RECT c = ClientOfMDI();
    EXPECT_EQ(a.top, 0);
    EXPECT_EQ(b.top, 0);
    EXPECT_EQ(a.bottom, c.bottom);
    EXPECT_NE(a.left, b.left);
    EXPECT_EQ(a.right + b.right, c.right);
}

TEST_F(ViewTools, PanelizeAllHidesTheProjectWindowInFrontOfTheOnlyView)
{
    HWND view = OpenEmptyView();
    HWND projectWin = AddProjectWindow();
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)projectWin, 0);
    ASSERT_EQ((HWND)SendMessageA(MDIClientWindow, WM_MDIGETACTIVE, 0, 0), projectWin);
    ArrangeViewWindows(0);
    EXPECT_FALSE(IsWindowVisible(projectWin));
    EXPECT_TRUE(IsZoomed(view));
    EXPECT_EQ(ActiveViewOrNext(), view);
}

TEST_F(ViewTools, WithoutViewsTheProjectWindowIsShownMaximised)
{
    HWND projectWin = AddProjectWindow();
    ShowWindow(projectWin, SW_HIDE);
    ArrangeViewWindows(0);
    EXPECT_EQ(projectRecord->projectShown, 1);
    EXPECT_TRUE(IsWindowVisible(projectWin));
    EXPECT_TRUE(IsZoomed(projectWin));
}
