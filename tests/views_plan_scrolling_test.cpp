#include "window_fixtures.h"
#include "app/command_ids.h"
#include "views/plan/scrolling.h"
#include "views/plan/view_mapping.h"

namespace {

class ScrollingTest : public ViewFixture {
protected:
    // A view zoomed in twice, so its image is larger than its client.
    HWND ZoomedView()
    {
        HWND view = OpenEmptyView("scroll", 1000.0);
        ViewRecord* r = Record(view);
        r->currentTool = TOOL_ZOOM;
        SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
        SendMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
        SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
        SendMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
        return view;
    }
};

}  // namespace

TEST_F(ScrollingTest, ClicksAndTheWheelReachTheZoomTool)
{
    HWND view = ZoomedView();
    ViewRecord* r = Record(view);
    EXPECT_EQ(r->zoomLevel, 2);
    SendMessageA(view, WM_MOUSEMOVE, 0, MAKELPARAM(50, 40));
    EXPECT_EQ(r->mouseX, 50);
    EXPECT_EQ(r->mouseY, 40);
    POINT at = {50, 40};
    ClientToScreen(view, &at);
    SendMessageA(view, WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)-WHEEL_DELTA), MAKELPARAM(at.x, at.y));
    EXPECT_EQ(r->zoomLevel, 1);
    SendMessageA(view, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(at.x, at.y));
    EXPECT_EQ(r->zoomLevel, 2);
}

TEST_F(ScrollingTest, LineUpAtTheTopDoesNothing)
{
    HWND view = ZoomedView();
    ViewRecord* r = Record(view);
    r->scrollY = 0;
    SetViewExtentsFromScroll(view);
    double top = r->viewTop;
    EXPECT_EQ(ScrollView(view, WM_VSCROLL, SB_LINEUP), 0);
    EXPECT_EQ(r->viewTop, top);
}

TEST_F(ScrollingTest, PagingMovesTheWorldWindowAndStopsAtTheEnd)
{
    HWND view = ZoomedView();
    ViewRecord* r = Record(view);
    RECT rc;
    GetViewClientRect(view, &rc);
    r->scrollX = r->scrollY = 0;
    SetViewExtentsFromScroll(view);
    double left = r->viewLeft, top = r->viewTop;
    EXPECT_EQ(ScrollCommand(view, CMD_PAGE_RIGHT), 1);
    int page = (int)(rc.right * 0.9);
    EXPECT_EQ(r->scrollX, page < r->imageWidth - rc.right ? page : r->imageWidth - rc.right);
    EXPECT_NEAR(r->viewLeft - left, r->scrollX * r->scale, 1e-6);
    EXPECT_EQ(ScrollCommand(view, CMD_PAGE_DOWN), 1);
    EXPECT_GT(r->scrollY, 0);
    EXPECT_NEAR(top - r->viewTop, r->scrollY * r->scale, 1e-6);
    for (int i = 0; i < 20; i++) ScrollCommand(view, CMD_PAGE_RIGHT);
    EXPECT_EQ(r->scrollX, r->imageWidth - rc.right);
    int minimum = 0, maximum = 0;
    GetScrollRange(view, SB_HORZ, &minimum, &maximum);
    UpdateScrollBars(view);
    GetScrollRange(view, SB_HORZ, &minimum, &maximum);
    EXPECT_EQ(maximum, r->imageWidth - (rc.right + 1));
    EXPECT_EQ(ScrollCommand(view, CMD_COLOR_ELEVATION), 0);
}

TEST_F(ScrollingTest, PanDragClampsAtTheImageEdge)
{
    HWND view = ZoomedView();
    ViewRecord* r = Record(view);
    r->scrollX = r->scrollY = 10;
    // The measure tool does not move the view.
    r->currentTool = TOOL_MEASURE;
    SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 200));
    SendMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(230, 190));
    SendMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(230, 190));
    EXPECT_EQ(r->scrollX, 10);
    EXPECT_EQ(r->scrollY, 10);

    r->currentTool = TOOL_PAN;
    SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(200, 200));
    SendMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(230, 190));
    SendMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(230, 190));
    EXPECT_EQ(r->scrollX, 0);    // 200 + 10 - 230 < 0: clamped
    EXPECT_EQ(r->scrollY, 20);   // 200 + 10 - 190
    EXPECT_NEAR(r->viewTop, r->dataMaxY - 20 * r->scale, 1e-6);
}

TEST_F(ScrollingTest, FittedViewHasNothingToScroll)
{
    HWND view = OpenEmptyView("fit", 1000.0);
    UpdateScrollBars(view);
    int minimum = 0, maximum = 0;
    GetScrollRange(view, SB_HORZ, &minimum, &maximum);
    EXPECT_EQ(maximum, 1);
    EXPECT_EQ(ScrollCommand(view, CMD_PAGE_RIGHT), 1);
    EXPECT_EQ(Record(view)->scrollX, 0);
}
