// Grids in the 3D window: posts of the map window (every cell or sampled),
// the grid TIN around void cells, and frames of both that are not empty.
#include "gl3d_fixtures.h"
#include "point_sets.h"
#include "base/polygon.h"
#include "data/gdal_grid.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include "views/gl3d/gl_grid.h"


class GL3DGridTest : public GL3DTest {
protected:
    // A view of the grids with the map window on (left, top, right, bottom).
    HWND GridView(std::vector<DataSet*> sets, double left, double top, double right, double bottom)
    {
        HWND view = OpenView(sets, 200, 200, "grid");
        ViewRecord* r = Record(view);
        r->viewLeft = left;
        r->viewTop = top;
        r->viewRight = right;
        r->viewBottom = bottom;
        r->scale = (right - left) / r->drawWidth;
        return view;
    }
};

TEST_F(GL3DGridTest, PostsAndTheGridTINLeaveVoidCellsOut)
{
    // 5 rows x 6 columns, one void cell inside: 29 posts, 18 of them on the
    // hull, so the TIN holds 2 x 29 - 2 - 18 triangles.
    DataSet* set = MakeGridSet(5, 6, [](double x, double y) { return (float)(x + y / 10); });
    set->heights[2][3] = VoidCellValue;
    HWND view = GridView({set}, -0.5, 100.5, 5.5, 95.5);
    PointSelection* posts = LocateGridData(view);
    ASSERT_NE(posts, nullptr);
    EXPECT_EQ(posts->count, 29);
    EXPECT_EQ(posts->minX, 0);
    EXPECT_EQ(posts->maxY, 100);
    for (int i = 0; i < posts->count; i++) {
        EXPECT_NE(posts->items[i]->z, VoidCellValue);
        EXPECT_EQ(posts->items[i]->intensity, 128);
        EXPECT_EQ(posts->items[i]->returns, 0);
    }
    TINModel* tin = BuildGridTIN(posts);
    ASSERT_NE(tin, nullptr);
    EXPECT_EQ(tin->triangleCount, 38);
    EXPECT_FLOAT_EQ((float)tin->maxZ, 5 + 10.0f);
    FreeTINModel(tin, 0);

    // Two posts make no TIN; a window beside the grid finds no posts.
    posts->count = 2;
    EXPECT_EQ(BuildGridTIN(posts), nullptr);
    FreeGridPointSet(posts);
    EXPECT_EQ(BuildGridTIN(nullptr), nullptr);
    Record(view)->viewLeft = 50;
    Record(view)->viewRight = 60;
    EXPECT_EQ(LocateGridData(view), nullptr);
}

TEST_F(GL3DGridTest, ASampledWindowHoldsThePostsOfEveryVisibleGrid)
{
    // Two overlapping grids of 600 x 600 cells: beyond 2^18 cells the window is
    // sampled, and each grid adds its posts to the one set.
    auto z = [](double x, double) { return (float)x; };
    HWND view = GridView({MakeGridSet(600, 600, z), MakeGridSet(600, 600, z)}, 0, 100, 599, -499);
    PointSelection* posts = LocateGridData(view);
    ASSERT_NE(posts, nullptr);
    EXPECT_LE(posts->count, posts->capacity);
    EXPECT_LE(posts->count, 2 * kGridPostLimit);
    EXPECT_GT(posts->count, posts->capacity / 2);   // the second grid's posts are there too
    int second = 0;
    for (int i = 0; i < posts->count; i++) second += posts->items[i]->pointSourceId == 1;
    EXPECT_EQ(second * 2, posts->count);
    FreeGridPointSet(posts);
}

TEST_F(GL3DGridTest, GridFramesShowTheSurfaceAndThePostsAndFillTheBounds)
{
    DataSet* set = MakeGridSet(40, 50, [](double x, double y) { return (float)(x / 5 + (100 - y) / 5); });
    set->heights[20][20] = VoidCellValue;
    HWND view = GridView({set}, -1, 101, 50, 60);
    ViewRecord* r = Record(view);
    r->displayMode = CMD_COLOR_TIN;
    HWND gl = Open3D(view);
    ASSERT_NE(gl, nullptr);
    for (int mode : {0, 2, 3}) {
        r->tinColorMode = mode;
        r->glRebuildFlags[0] = 0;
        ASSERT_EQ(RenderGLView(gl), 1);
        EXPECT_EQ(r->glRebuildFlags[0], 1);
        EXPECT_GT(LitPixels(r), 1000) << mode;
    }
    const double* b = r->sceneBounds;
    EXPECT_EQ(b[0], 61);   // lowest and highest Y, X, Z
    EXPECT_EQ(b[1], 100);
    EXPECT_EQ(b[2], 0);
    EXPECT_EQ(b[3], 49);
    EXPECT_FLOAT_EQ((float)b[4], 0);
    EXPECT_FLOAT_EQ((float)b[5], 49 / 5.0f + 39 / 5.0f);

    r->displayMode = DISPLAY_POINTS;
    r->pointSizeStep = 2;
    ASSERT_EQ(RenderGLView(gl), 1);
    EXPECT_GT(LitPixels(r), 300);
    // Posts are single returns of class 0: hidden with class 0.
    r->classTable.entries[0].display = 0;
    r->glRebuildFlags[1] = 0;
    RenderGLView(gl);
    EXPECT_EQ(LitPixels(r), 0);
}

// Among other views, a maximised grid view's 3D window opens beside it, both
// in front; panelizing again keeps it so, and the 3D toolbar's strip is
// painted afresh, not left with pieces of the windows that lay there.
TEST_F(GL3DGridTest, TheWindowOpensBesideItsGridViewInFrontOfTheOthers)
{
    AddPointView(10, 0.0);
    AddPointView(10, 0.0);
    HWND view = GridView({MakeGridSet(20, 20, [](double x, double y) { return (float)(x + y); })}, 0, 100, 20, 80);
    SendMessageA(MDIClientWindow, WM_MDIMAXIMIZE, (WPARAM)view, 0);
    HWND gl = Open3D(view);
    ASSERT_NE(gl, nullptr);
    RECT client = ClientOfMDI();
    for (int pass = 0; pass < 2; pass++) {
        EXPECT_EQ((HWND)SendMessageA(MDIClientWindow, WM_MDIGETACTIVE, 0, 0), gl) << pass;
        EXPECT_EQ(GetWindow(gl, GW_HWNDNEXT), view) << pass;
        RECT plan = PlaceOf(view), panel = PlaceOf(gl);
        EXPECT_EQ(plan.left, 0);
        EXPECT_EQ(plan.right, client.right / 2);   // PlaceOf gives the width
        EXPECT_EQ(panel.left, client.right / 2);
        EXPECT_EQ(panel.bottom, client.bottom);
        SendMessageA(gl, WM_COMMAND, CMD_PANELIZE_ACTIVE, 0);
        SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)gl, 0);
        PumpMessages(50);
    }
    // What the toolbar paints itself (other tests' windows may cover the screen).
    HWND toolbar = GetDlgItem(gl, ID_GL_TOOLBAR);
    RECT strip;
    GetClientRect(toolbar, &strip);
    std::vector<uint32_t> pixels;
    DrawOffscreen(strip.right, strip.bottom, [toolbar](HDC dc) {
        return (int)SendMessageA(toolbar, WM_PRINTCLIENT, (WPARAM)dc, PRF_CLIENT | PRF_ERASEBKGND);
    }, &pixels, RGB(255, 0, 255));
    EXPECT_EQ(PixelAt(pixels, strip.right, strip.right - 8, strip.bottom / 2), GetSysColor(COLOR_BTNFACE));
}
