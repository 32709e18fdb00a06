// The AOI layer of a view: a new view's set and types, polygons digitised
// with the AOI tool and their elevations, picking among overlapping
// polygons, the "Edit AOI" and "AOI Polygon Settings" dialogs, and a new set
// after the question about unsaved polygons.
#include "window_fixtures.h"
#include "point_sets.h"
#include "resource.h"
#include "shell/view_tools.h"
#include "gis/layers/aoi_edit.h"
#include "gis/layers/aoi_file.h"
#include "gis/layers/aoi_set.h"
#include "app/layer_sets.h"
#include "base/polygon.h"
#include "base/dialogs.h"

namespace {

class AOITest : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        // A lattice over 0..100 whose Z is X / 10 + Y / 100.
        std::vector<PointRecord> points;
        for (int i = 0; i <= 20; i++)
            for (int j = 0; j <= 20; j++) points.push_back(MakePoint(j * 5.0, i * 5.0, (float)(j * 0.5 + i * 0.05)));
        view = OpenView({MakePointDataSet(points)}, 400, 400, "area.las");
        r = Record(view);
    }
    void TearDown() override
    {
        if (r && r->aoiSet) r->aoiSet->saved = 1;
        ViewFixture::TearDown();
    }
    LPARAM At(double x, double y) const
    {
        return MAKELPARAM((int)((x - r->viewLeft) / r->scale + 0.5), (int)((r->viewTop - y) / r->scale + 0.5));
    }
    void Mouse(UINT message, double x, double y)
    {
        SendMessageA(view, WM_MOUSEMOVE, 0, At(x, y));
        if (message != WM_MOUSEMOVE) SendMessageA(view, message, 0, At(x, y));
    }
    // A polygon as the tool hands it over (to this view unless given): the
    // digitised vertices, not closed.
    void Add(std::vector<std::pair<double, double>> corners, HWND into = nullptr)
    {
        struct Polyline* line = CreatePolyline(0);
        for (auto& c : corners) {
            Vec3 v = {c.first, c.second, 0};
            AddPolylineVertex(line, &v);
        }
        EXPECT_EQ(AddAOIPolygon(into ? into : view, line), 1);
        FreePolyline(line);
    }
    int Count() const { return r->aoiSet->lines ? r->aoiSet->lines->count : 0; }
    struct Polyline* Polygon(int i) const { return r->aoiSet->lines->items[i]; }

    HWND view = nullptr;
    ViewRecord* r = nullptr;
};

}  // namespace

TEST_F(AOITest, ANewViewHasAnEmptySavedSetAndTheDefaultTypes)
{
    ASSERT_NE(r->aoiSet, nullptr);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(r->aoiSet->saved, 1);
    EXPECT_EQ(r->aoiSet->shapeKind, SHAPES_POLYGONS);
    EXPECT_EQ(r->aoiSet->color, 0xFFFF00u);
    EXPECT_EQ(r->aoiLineWidth, 2);
    EXPECT_EQ(r->aoiClassTable.count, 13);
}

TEST_F(AOITest, TheToolAddsAClosedPolygonWithElevationsFromTheNearestPoints)
{
    ASSERT_TRUE(WaitForViewDraw(view, 5000));
    SetViewTool(view, TOOL_AOI);
    Mouse(WM_LBUTTONDOWN, 20, 20);
    Mouse(WM_LBUTTONDOWN, 60, 20);
    Mouse(WM_LBUTTONDOWN, 60, 70);
    Mouse(WM_RBUTTONDOWN, 60, 70);
    ASSERT_EQ(Count(), 1);
    // Drawn at once in its type's colour (the closing edge too); the next
    // paint draws the overlays only.
    EXPECT_EQ(r->redrawOverlays, 1);
    HDC dc = GetDC(view);
    int drawn = 0, x = LOWORD(At(40, 45)), y = HIWORD(At(40, 45));
    for (int dx = -1; dx <= 1; dx++)
        for (int dy = -1; dy <= 1; dy++) drawn += GetPixel(dc, x + dx, y + dy) == r->aoiClassTable.entries[0].mainColor;
    ReleaseDC(view, dc);
    EXPECT_GE(drawn, 1);
    struct Polyline* p = Polygon(0);
    ASSERT_EQ(p->vertexCount, 4);
    EXPECT_EQ(p->vertices[3].x, p->vertices[0].x);
    EXPECT_EQ(p->vertices[3].y, p->vertices[0].y);
    EXPECT_NEAR(p->vertices[1].x, 60.0, r->scale);
    EXPECT_EQ(p->closed, 1);
    EXPECT_EQ(p->color, 0xFF00FFu);
    EXPECT_EQ(p->type, 0);
    EXPECT_EQ(p->typePosition, 0);
    ASSERT_NE(p->comment, nullptr);
    EXPECT_STREQ(p->comment, "");
    ASSERT_NE(p->ring, nullptr);
    // (60, 70) lies on a lattice point of Z 6.0 + 0.7.
    EXPECT_NEAR(p->vertices[2].z, 6.7f, 0.06f);
    EXPECT_NEAR(p->vertices[3].z, 2.2f, 0.06f);
    EXPECT_EQ(r->aoiSet->saved, 0);
    // Two vertices make no polygon.
    Mouse(WM_LBUTTONDOWN, 10, 10);
    Mouse(WM_LBUTTONDOWN, 15, 10);
    Mouse(WM_RBUTTONDOWN, 15, 10);
    EXPECT_EQ(Count(), 1);
}

TEST_F(AOITest, PickingInsideOverlappingPolygonsTakesTheNearestEdge)
{
    Add({{0, 0}, {60, 0}, {60, 60}, {0, 60}});
    Mouse(WM_MOUSEMOVE, 30, 30);
    EXPECT_EQ(FindAOIPolygonAtCursor(view), 0);
    Mouse(WM_MOUSEMOVE, 80, 80);
    EXPECT_EQ(FindAOIPolygonAtCursor(view), -1);   // one polygon, outside it
    Add({{40, 10}, {100, 10}, {100, 70}, {40, 70}});
    Mouse(WM_MOUSEMOVE, 57, 40);
    EXPECT_EQ(FindAOIPolygonAtCursor(view), 0);   // 3 from A's right edge, 17 from B's left
    Mouse(WM_MOUSEMOVE, 44, 40);
    EXPECT_EQ(FindAOIPolygonAtCursor(view), 1);
    Mouse(WM_MOUSEMOVE, 90, 50);
    EXPECT_EQ(FindAOIPolygonAtCursor(view), 1);
    Polygon(1)->deleted = 1;
    Mouse(WM_MOUSEMOVE, 57, 40);
    EXPECT_EQ(FindAOIPolygonAtCursor(view), 0);
    Mouse(WM_MOUSEMOVE, 90, 50);
    EXPECT_EQ(FindAOIPolygonAtCursor(view), -1);
}

TEST_F(AOITest, EditingSetsTheCommentDeletesAfterYesAndCancelKeepsTheSetSaved)
{
    Add({{10, 10}, {50, 10}, {50, 50}});
    r->aoiSet->saved = 1;
    Mouse(WM_MOUSEMOVE, 40, 20);
    int driven = 0;
    {
        DialogDriver driver([&](HWND dialog, int id) {
            driven++;
            ASSERT_EQ(id, IDD_EDIT_AOI);
            SetDlgItemTextA(dialog, IDC_AOI_COMMENT, "north field");
            SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_EQ(EditAOIAtCursor(view), 1);
    }
    EXPECT_STREQ(Polygon(0)->comment, "");
    EXPECT_EQ(r->aoiSet->saved, 1);
    {
        DialogDriver driver([&](HWND dialog, int) {
            driven++;
            SetDlgItemTextA(dialog, IDC_AOI_COMMENT, std::string(300, 'c').c_str());
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        EditAOIAtCursor(view);
    }
    EXPECT_EQ(strlen(Polygon(0)->comment), 254u);
    EXPECT_EQ(r->aoiSet->saved, 0);
    EXPECT_EQ(Polygon(0)->typePosition, 0);
    {
        BoxAnswers boxes({IDNO, IDYES});
        DialogDriver driver([&](HWND dialog, int) {
            driven++;
            SendMessageA(dialog, WM_COMMAND, IDC_AOI_DELETE, 0);   // No: the dialog stays
            SendMessageA(dialog, WM_COMMAND, IDC_AOI_DELETE, 0);
        });
        EditAOIAtCursor(view);
        ASSERT_EQ(boxes.shown().size(), 2u);
        EXPECT_EQ(boxes.shown()[0].text, kAOIDeleteQuestion);
        EXPECT_EQ(boxes.shown()[0].type, (unsigned)(MB_YESNO | MB_ICONWARNING));
    }
    EXPECT_EQ(Polygon(0)->deleted, 1);
    EXPECT_EQ(Polygon(0)->color, 0xFFFFFFFFu);
    // A deleted polygon is picked no more: no dialog.
    EditAOIAtCursor(view);
    EXPECT_EQ(driven, 3);
}

TEST_F(AOITest, SettingsChangeTheLineWidthOnOKOnly)
{
    for (int button : {IDCANCEL, IDOK}) {
        DialogDriver driver([&](HWND dialog, int id) {
            ASSERT_EQ(id, IDD_AOI_SETTINGS);
            EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_AOI_LINE_WEIGHT, TBM_GETPOS, 0, 0), 2);
            SendDlgItemMessageA(dialog, IDC_AOI_LINE_WEIGHT, TBM_SETPOS, TRUE, 5);
            SendMessageA(dialog, WM_COMMAND, button, 0);
        });
        SendMessageA(view, WM_COMMAND, CMD_AOI_SETTINGS, 0);
        EXPECT_EQ(r->aoiLineWidth, button == IDOK ? 5 : 2);
    }
}

TEST_F(AOITest, ANewSetComesOnlyAfterTheQuestionAboutUnsavedPolygons)
{
    Add({{10, 10}, {50, 10}, {50, 50}});
    AOISet* before = r->aoiSet;
    {
        BoxAnswers boxes({IDCANCEL});
        EXPECT_EQ(ResetAOISet(view), 0);
        ASSERT_TRUE(ShowedOneBox(boxes, kAOIUnsavedUnnamed));
        EXPECT_EQ(boxes.shown()[0].caption, "Warning");
        EXPECT_EQ(boxes.shown()[0].type, (unsigned)(MB_YESNOCANCEL | MB_ICONWARNING));
    }
    EXPECT_EQ(r->aoiSet, before);
    strcpy(r->aoiSet->title, "fields_aoi.shp");
    {
        // Yes with the save dialog cancelled keeps the set.
        BoxAnswers boxes({IDYES});
        FileDialogAnswers files({""});
        strcpy(r->aoiSet->title, "");
        EXPECT_EQ(ResetAOISet(view), 0);
        EXPECT_EQ(files.calls(), 1);
        EXPECT_EQ(Count(), 1);
    }
    strcpy(r->aoiSet->title, "fields_aoi.shp");
    r->aoiLineWidth = 4;
    {
        BoxAnswers boxes({IDNO});
        SendMessageA(view, WM_COMMAND, CMD_RESET_AOI, 0);
        ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kAOIUnsavedNamed, "fields_aoi.shp")));
    }
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(r->aoiSet->saved, 1);
    EXPECT_STREQ(r->aoiSet->title, "");
    EXPECT_EQ(r->aoiLineWidth, 4);
    // A saved set is replaced without a question.
    BoxAnswers none;
    EXPECT_EQ(ResetAOISet(view), 1);
    EXPECT_TRUE(none.shown().empty());
}

TEST_F(AOITest, GridViewsTakeElevationsFromTheGrid)
{
    HWND grid = OpenView({MakeGridSet(30, 30, [](double x, double y) { return (float)(1000 + x + y / 100); })}, 300, 300,
                         "grid.tif");
    ViewRecord* g = Record(grid);
    ASSERT_EQ(g->dataKind, DATA_GDAL);
    Add({{3, 95}, {20, 95}, {20, 80}}, grid);
    ASSERT_EQ(g->aoiSet->lines->count, 1);
    EXPECT_FLOAT_EQ(g->aoiSet->lines->items[0]->vertices[0].z, 1000 + 3 + 0.95f);
    EXPECT_FLOAT_EQ(g->aoiSet->lines->items[0]->vertices[2].z, 1000 + 20 + 0.80f);
    g->aoiSet->saved = 1;
}

TEST_F(AOITest, AColourPickedInTheEditorStaysAfterCancelAndLeavesTheSetUnsaved)
{
    Add({{10, 10}, {50, 10}, {50, 50}});
    r->aoiSet->saved = 1;
    Mouse(WM_MOUSEMOVE, 40, 20);
    DialogDriver driver([&](HWND dialog, int id) {
        if (id == DIALOG_CHOOSECOLOR) {
            AnswerColourDialog(dialog, RGB(10, 200, 30));
            return;
        }
        SendMessageA(dialog, WM_COMMAND, IDC_AOI_COLOR, 0);
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EditAOIAtCursor(view);
    EXPECT_EQ(Polygon(0)->color, (uint32_t)RGB(10, 200, 30));
    EXPECT_EQ(r->aoiSet->saved, 0);
}

// OK in "Edit AOI" keeps the polygon's AOI index: one that no table entry
// carries (read from a file made with other types) stays as it was, and the
// polygon stays untyped; a known one keeps its type.
TEST_F(AOITest, EditingACommentKeepsTheAOIIndex)
{
    Add({{10, 10}, {50, 10}, {50, 50}});
    Add({{60, 60}, {90, 60}, {90, 90}});
    Polygon(0)->type = 50;   // no entry of the default table has index 50
    Polygon(0)->typePosition = -1;
    Polygon(1)->type = 3;
    Polygon(1)->typePosition = 3;
    DialogDriver driver([&](HWND dialog, int) {
        SetDlgItemTextA(dialog, IDC_AOI_COMMENT, "checked");
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    Mouse(WM_MOUSEMOVE, 40, 20);
    EditAOIAtCursor(view);
    EXPECT_STREQ(Polygon(0)->comment, "checked");
    EXPECT_EQ(Polygon(0)->type, 50);
    EXPECT_EQ(Polygon(0)->typePosition, -1);
    Mouse(WM_MOUSEMOVE, 80, 70);
    EditAOIAtCursor(view);
    EXPECT_STREQ(Polygon(1)->comment, "checked");
    EXPECT_EQ(Polygon(1)->type, 3);
    EXPECT_EQ(Polygon(1)->typePosition, 3);
}
