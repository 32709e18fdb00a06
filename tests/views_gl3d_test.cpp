// The 3D view: window, context, camera, navigation, commands and frames read
// back from the offscreen surface (Mesa's software renderer under Xvfb).
#include "gl3d_fixtures.h"
#include "views/plan/color_ramp.h"
#include <cmath>

TEST_F(GL3DTest, OpensOverAPlanViewWithItsCameraToolbarAndStatusBar)
{
    HWND view = AddPointView(20, 0.0);
    ViewRecord* r = Record(view);
    r->glPanX = 0.25f;  // kept from an earlier 3D window of the view
    HWND gl = Open3D(view);
    ASSERT_NE(gl, nullptr);
    ASSERT_NE(r->glContext, nullptr);
    char title[300];
    GetWindowTextA(gl, title, sizeof title);
    EXPECT_STREQ(title, "pts - 3D");
    EXPECT_EQ(r->glElevation, -60.0f);
    EXPECT_EQ(r->glAzimuth, 0.0f);
    EXPECT_EQ(r->glDistance, 4.0f);
    EXPECT_EQ(r->glExaggeration, 1.0f);
    EXPECT_EQ(r->glPanX, 0.25f);
    EXPECT_EQ(r->glTool, TOOL_PAN);
    // A second open does nothing.
    SendMessageA(view, WM_COMMAND, CMD_OPEN_3D, 0);
    EXPECT_EQ(r->glWindow, gl);

    HWND toolbar = GetDlgItem(gl, ID_GL_TOOLBAR);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0), 8);
    const int ids[8] = {0, CMD_NORTH_UP, CMD_ZOOM_FULL, 0, CMD_EXAGGERATE_LESS, CMD_EXAGGERATE_MORE, 0,
                        CMD_PANELIZE_ACTIVE};
    for (int i = 0; i < 8; i++) {
        TBBUTTON b = {};
        SendMessageA(toolbar, TB_GETBUTTON, i, (LPARAM)&b);
        EXPECT_EQ(b.idCommand, ids[i]) << i;
    }
    UpdateGLStatusBar(gl);
    char text[64];
    HWND status = (HWND)GetWindowSlot(gl, CHILD_STATUSBAR);
    SendMessageA(status, SB_GETTEXTA, 2, (LPARAM)text);
    EXPECT_STREQ(text, " 30.00");
    SendMessageA(status, SB_GETTEXTA, 4, (LPARAM)text);
    EXPECT_STREQ(text, " 1.0");
}

TEST_F(GL3DTest, NormalisationFitsTheLargestRangeIntoPlusMinusOne)
{
    double h = SetGLSceneFromExtent(1000, 1200, 500, 600, 10, 30, 2.0f);
    EXPECT_EQ(h, 100.0);
    EXPECT_EQ(glScene.s, 0.01);
    EXPECT_EQ(glScene.t, 0.02);
    EXPECT_EQ(glScene.centreX, 1100.0);
    EXPECT_EQ(glScene.centreY, 550.0);
    EXPECT_EQ(glScene.centreZ, 20.0);
    // A single point still gives a finite scale.
    EXPECT_EQ(SetGLSceneFromExtent(5, 5, 7, 7, 1, 1, 1.0f), 1.0);
    EXPECT_TRUE(std::isfinite(glScene.s));
}

TEST_F(GL3DTest, ASyntheticTINRendersLitInItsColourAtTheCentre)
{
    HWND view = AddPointView(11, 0.0);
    AddTIN(view);
    ViewRecord* r = Record(view);
    r->displayMode = CMD_COLOR_TIN;
    r->tinColorMode = 4;  // the points' own colours
    HWND gl = Open3D(view);
    ASSERT_NE(gl, nullptr);
    ASSERT_EQ(RenderGLView(gl), 1);
    EXPECT_EQ(r->glRebuildFlags[0], 1);
    EXPECT_EQ(r->glHalfExtent, 50.0f);
    RECT c;
    GetClientRect(gl, &c);
    COLORREF centre = GetGLFramePixel(r, c.right / 2, c.bottom / 2);
    // Flat ground tilted 60 degrees from the eye: global ambient 0.2 plus
    // diffuse cos 60 = 0.5 of the colour.
    EXPECT_NEAR(GetRValue(centre), 200 * 0.7, 4);
    EXPECT_NEAR(GetGValue(centre), 100 * 0.7, 4);
    EXPECT_NEAR(GetBValue(centre), 50 * 0.7, 4);
    // The corners stay background.
    EXPECT_EQ(GetGLFramePixel(r, 0, 0), RGB(0, 0, 0));
}

// The ramp TIN takes the TIN ramp of its own, whatever ramp the plan view's
// draw thread last left in the record (here earth tones for the points).
TEST_F(GL3DTest, TheRampTINKeepsItsOwnRamp)
{
    HWND view = AddPointView(11, 0.0);
    AddTIN(view);
    ViewRecord* r = Record(view);
    r->displayMode = CMD_COLOR_TIN;
    r->tinColorMode = 0;   // blue to red: flat ground takes entry 0, (0, 0, 191)
    HWND gl = Open3D(view);
    ASSERT_NE(gl, nullptr);
    FillViewColorRamp(r, RAMP_EARTH_TONES);
    ASSERT_EQ(RenderGLView(gl), 1);
    RECT c;
    GetClientRect(gl, &c);
    COLORREF centre = GetGLFramePixel(r, c.right / 2, c.bottom / 2);
    // Earth tones' entry 0 is (63, 81, 57).
    EXPECT_LT(GetRValue(centre), 30);
    EXPECT_LT(GetGValue(centre), 30);
    EXPECT_GT(GetBValue(centre), 100);
}

TEST_F(GL3DTest, PointsRenderAndExaggerationRebuildsListsAndChangesThePicture)
{
    HWND view = AddPointView(30, 0.5);
    ViewRecord* r = Record(view);
    r->displayMode = DISPLAY_POINTS;
    r->pointColorMode = CMD_COLOR_ELEVATION + 7;  // RGB
    r->pointSizeStep = 2;
    HWND gl = Open3D(view);
    ASSERT_NE(gl, nullptr);
    ASSERT_EQ(RenderGLView(gl), 1);
    EXPECT_GT(LitPixels(r), 100);
    std::vector<uint8_t> flat = Frame(r);

    // Rotating replays the list; only exaggeration rebuilds it.
    SendMessageA(gl, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    SendMessageA(gl, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 100));
    SendMessageA(gl, WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
    EXPECT_EQ(r->glRebuildFlags[1], 1);
    SendMessageA(gl, WM_COMMAND, CMD_EXAGGERATE_MORE, 0);
    EXPECT_EQ(r->glExaggeration, 1.5f);
    EXPECT_EQ(r->glRebuildFlags[1], 0);
    RenderGLView(gl);
    EXPECT_NE(Frame(r), flat);
    EXPECT_EQ(r->glRebuildFlags[1], 1);
    SendMessageA(gl, WM_COMMAND, CMD_EXAGGERATE_LESS, 0);
    RenderGLView(gl);
    EXPECT_EQ(Frame(r), flat);

    // At the limits nothing changes and no list is dropped.
    r->glExaggeration = 10.0f;
    SendMessageA(gl, WM_COMMAND, CMD_EXAGGERATE_MORE, 0);
    EXPECT_EQ(r->glExaggeration, 10.0f);
    EXPECT_EQ(r->glRebuildFlags[1], 1);
    r->glExaggeration = 1.0f;
    SendMessageA(gl, WM_COMMAND, CMD_EXAGGERATE_LESS, 0);
    EXPECT_EQ(r->glExaggeration, 1.0f);
}

TEST_F(GL3DTest, DraggingAndTheWheelMoveTheCameraWithinItsLimits)
{
    HWND view = AddPointView(5, 0.0);
    ViewRecord* r = Record(view);
    HWND gl = Open3D(view);
    ASSERT_NE(gl, nullptr);
    auto drag = [&](UINT down, int x0, int y0, int x1, int y1) {
        SendMessageA(gl, WM_MOUSEMOVE, 0, MAKELPARAM(x0, y0));
        SendMessageA(gl, down, 0, MAKELPARAM(x0, y0));
        SendMessageA(gl, WM_MOUSEMOVE, 0, MAKELPARAM(x1, y1));
        SendMessageA(gl, down + 1, 0, MAKELPARAM(x1, y1));
    };
    drag(WM_LBUTTONDOWN, 50, 50, 49, 50);
    EXPECT_EQ(r->glAzimuth, 359.0f);
    r->glAzimuth = 355.0f;
    drag(WM_LBUTTONDOWN, 50, 50, 55, 50);
    EXPECT_EQ(r->glAzimuth, 360.0f);
    drag(WM_LBUTTONDOWN, 50, 50, 50, 350);  // no limit: the model turns over
    EXPECT_EQ(r->glElevation, 240.0f);

    drag(WM_MBUTTONDOWN, 50, 0, 50, 2000);
    EXPECT_EQ(r->glDistance, 100.0f);
    drag(WM_MBUTTONDOWN, 50, 2000, 50, 0);
    EXPECT_EQ(r->glDistance, 0.001f);
    POINT inside = {60, 60};
    ClientToScreen(gl, &inside);
    SendMessageA(gl, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(inside.x, inside.y));
    EXPECT_NEAR(r->glDistance, 0.201f, 1e-6);
    SendMessageA(gl, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(inside.x, inside.y));
    SendMessageA(gl, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(inside.x, inside.y));
    EXPECT_EQ(r->glDistance, 0.001f);

    float before = r->glPanX;
    drag(WM_RBUTTONDOWN, 50, 50, 60, 50);
    EXPECT_GT(r->glPanX, before);

    // Zoom Full Extent keeps the azimuth; North Up keeps the rest.
    r->glAzimuth = 123.0f;
    SendMessageA(gl, WM_COMMAND, CMD_ZOOM_FULL, 0);
    EXPECT_EQ(r->glAzimuth, 123.0f);
    EXPECT_EQ(r->glDistance, 4.0f);
    EXPECT_EQ(r->glElevation, -60.0f);
    EXPECT_EQ(r->glPanX, 0.0f);
    r->glPanY = 0.5f;
    r->glDistance = 7.0f;
    SendMessageA(gl, WM_COMMAND, CMD_NORTH_UP, 0);
    EXPECT_EQ(r->glAzimuth, 0.0f);
    EXPECT_EQ(r->glDistance, 7.0f);
    EXPECT_EQ(r->glPanY, 0.5f);
}

TEST_F(GL3DTest, ClosingFreesTheContextAndClosingThePlanViewClosesIt)
{
    HWND view = AddPointView(5, 0.0);
    ViewRecord* r = Record(view);
    HWND gl = Open3D(view);
    ASSERT_NE(gl, nullptr);
    SendMessageA(gl, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(gl));
    EXPECT_EQ(r->glWindow, nullptr);
    EXPECT_EQ(r->glContext, nullptr);
    EXPECT_EQ(r->glSurface, nullptr);

    gl = Open3D(view);  // a new one may open now
    ASSERT_NE(gl, nullptr);
    SendMessageA(view, WM_CLOSE, 0, 0);
    PumpMessages(20);
    EXPECT_FALSE(IsWindow(gl));
    EXPECT_FALSE(IsWindow(view));
}

TEST_F(GL3DTest, AWindowWithoutAContextPaintsNothingAndCloses)
{
    HWND view = AddPointView(5, 0.0);
    ViewRecord* r = Record(view);
    HWND gl = AddLinked(view, "ChildOpenGL");
    ASSERT_EQ(r->glWindow, gl);
    EXPECT_EQ(RenderGLView(gl), 0);
    InvalidateRect(gl, nullptr, TRUE);
    UpdateWindow(gl);
    SendMessageA(gl, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(gl));
    EXPECT_EQ(r->glWindow, nullptr);
}

TEST_F(GL3DTest, GLInfoNamesTheDriver)
{
    char vendor[256], renderer[256], version[256];
    ASSERT_EQ(GetGLInfo(FrameWindow, vendor, renderer, version), 1);
    EXPECT_STRNE(vendor, "Unknown");
    EXPECT_STRNE(version, "Unknown");
}

class GL3DSampleTest : public FrameFixture {};

TEST_F(GL3DSampleTest, TheWindowOpensOverAViewOfARealFile)
{
    BoxAnswers boxes;
    HWND view = StartFrameOnSample("autzen_trim.las");
    ASSERT_NE(view, nullptr);
    SendMessageA(view, WM_COMMAND, CMD_OPEN_3D, 0);
    ViewRecord* r = Record(view);
    ASSERT_NE(r->glWindow, nullptr);
    ASSERT_EQ(RenderGLView(r->glWindow), 1);
    EXPECT_GT(LitPixels(r), 1000);
    StopFrame();
}
