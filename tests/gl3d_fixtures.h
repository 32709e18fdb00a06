// 3D windows over plan views of synthetic points, and their frames read back
// from the offscreen surface (Mesa's software renderer under Xvfb).
#pragma once
#include "window_fixtures.h"
#include "views/gl3d/gl_context.h"
#include "views/gl3d/gl_render.h"
#include "views/gl3d/gl_view.h"
#include "app/view_selection.h"
#include "base/heap.h"
#include "data/data_set.h"
#include "point_selections.h"
#include "data/tin_model.h"
#include <vector>

// Pixels of the last frame that are not black.
inline int LitPixels(const ViewRecord* r)
{
    int lit = 0;
    const GLFrameSurface* s = r->glSurface;
    for (int i = 0; i < s->width * s->height; i++) lit += (s->pixels[4 * i] | s->pixels[4 * i + 1] | s->pixels[4 * i + 2]) != 0;
    return lit;
}

class GL3DTest : public ViewFixture {
protected:
    BoxAnswers boxes;  // a "no hardware acceleration" notice must not block

    void SetUp() override
    {
        ViewFixture::SetUp();
        ViewBackgroundColor = RGB(0, 0, 0);  // the clear colour of new 3D windows
    }

    // A view over n x n points on a 100 x 100 square, z = slope * x, coloured (200, 100, 50).
    HWND AddPointView(int n, double slope)
    {
        DataSet* set = AllocDataSet();
        set->kind = DATA_LAS;
        set->pointCount = set->filePointCount = n * n;
        set->points = (PointRecord*)NBLCalloc(n * n, sizeof(PointRecord));
        for (int i = 0; i < n * n; i++) {
            PointRecord* p = &set->points[i];
            p->x = 5000.0 + 100.0 * (i % n) / (n - 1);
            p->y = 2000.0 + 100.0 * (i / n) / (n - 1);
            p->z = (float)(slope * (p->x - 5000.0));
            p->returns = MakeReturnByte(1, 1);
            p->classification = 2;
            p->red = 200;
            p->green = 100;
            p->blue = 50;
        }
        set->minX = 5000;
        set->maxX = 5100;
        set->minY = 2000;
        set->maxY = 2100;
        set->minZ = 0;
        set->maxZ = (float)(slope * 100.0);
        set->tiles = BuildPointTiles(set);
        HWND view = OpenView({set}, 0, 0, "pts");
        ViewRecord* r = Record(view);
        r->dataMinX = 5000.0;
        r->dataMinY = 2000.0;
        r->dataMaxX = 5100.0;
        r->dataMaxY = 2100.0;
        FitViewToWindow(view);
        return view;
    }

    static void AddTIN(HWND view)
    {
        ViewRecord* r = Record(view);
        DataSet* set = r->dataSets[0];
        PointSelection* s = SelectAllPoints(set);
        s->minX = set->minX;
        s->maxX = set->maxX;
        s->minY = set->minY;
        s->maxY = set->maxY;
        r->tin = BuildTINFromPoints(s);
        ASSERT_NE(r->tin, nullptr);
    }

    HWND Open3D(HWND view)
    {
        EXPECT_EQ(SendMessageA(view, WM_COMMAND, CMD_OPEN_3D, 0), 0);
        HWND gl = Record(view)->glWindow;
        if (gl) linked.push_back(gl);
        PumpMessages(20);
        return gl;
    }

    static std::vector<uint8_t> Frame(const ViewRecord* r)
    {
        const GLFrameSurface* s = r->glSurface;
        return std::vector<uint8_t>(s->pixels, s->pixels + (size_t)s->width * s->height * 4);
    }
};

