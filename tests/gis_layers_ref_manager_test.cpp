// The reference file manager driven as a user would: files chosen in the
// dialog, visibility, width and colour per row, removal, and what the view
// shows afterwards.
#include "window_fixtures.h"
#include "layer_test_files.h"
#include "point_sets.h"
#include "resource.h"
#include "app/layer_sets.h"
#include "gis/layers/ref_files.h"
#include "base/file_list.h"
#include "gis/layers/ref_manager.h"
#include "gis/layers/ref_shapefile.h"
#include "gis/layers/aoi_set.h"
#include "shell/open_files.h"
#include "base/polygon.h"
#include "base/dialogs.h"
#include <gdal.h>
#include "base/shape_io.h"

namespace {

std::vector<double> V(double x, double y) { return {x, y, 0}; }

class ReferenceManagerTest : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        // Points over 0..100 x 0..100.
        std::vector<PointRecord> points;
        for (int i = 0; i <= 10; i++) points.push_back(MakePoint(i * 10.0, i * 10.0, (float)i));
        view = OpenView({MakePointDataSet(points)}, 400, 300, "area.las");
        r = Record(view);
        folder = TempDir();
        ASSERT_TRUE(WriteTestShapefile(folder + "lines.shp", SHAPE_ARC, {TestShape{{{V(0, 0), V(300, 50)}}}}));
        ASSERT_TRUE(WriteTestShapefile(folder + "plots.shp", SHAPE_POLYGON,
                                       {TestShape{{{V(10, 10), V(60, 10), V(60, 60), V(10, 10)}}}}));
        ASSERT_TRUE(WriteTestImage(folder + "photo.tif", 20, 20, 3, GDT_Byte, {}, true, -50, 120));
    }

    // Runs the manager with `drive` acting in the dialog before "Done"; the
    // rows as the dialog showed them last.
    int Manage(std::function<void(HWND dialog, HWND list)> drive)
    {
        DialogDriver driver([&](HWND dialog, int templateId) {
            if (templateId == IDD_LINE_WEIGHT) {
                weightDialogs++;
                SendDlgItemMessageA(dialog, IDC_WEIGHT_SLIDER, TBM_SETPOS, TRUE, weight);
                SendMessageA(dialog, WM_COMMAND, weightButton, 0);
                return;
            }
            if (templateId == DIALOG_CHOOSECOLOR) {
                colourDialogs++;
                SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            ASSERT_EQ(templateId, IDD_REFERENCE_MANAGER);
            HWND list = GetDlgItem(dialog, IDC_REFERENCE_LIST);
            drive(dialog, list);
            rows = Rows(list);
            SaveWindowShot(dialog, "reference_manager");
            SendMessageA(dialog, WM_COMMAND, IDC_MANAGER_DONE, 0);
        });
        return ShowReferenceFileManager(view);
    }
    static std::vector<std::string> Rows(HWND list)
    {
        std::vector<std::string> out;
        int n = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
        for (int i = 0; i < n; i++) {
            std::string row;
            for (int column = 2; column <= 4; column++) {
                char text[300] = "";
                LVITEMA item = {};
                item.iSubItem = column;
                item.pszText = text;
                item.cchTextMax = sizeof text;
                SendMessageA(list, LVM_GETITEMTEXTA, i, (LPARAM)&item);
                row += (column > 2 ? " " : "") + std::string(text);
            }
            out.push_back(row);
        }
        return out;
    }
    static void Click(HWND dialog, HWND list, int row, int column)
    {
        RECT cell = {};
        cell.top = column;
        cell.left = LVIR_BOUNDS;
        SendMessageA(list, LVM_GETSUBITEMRECT, row, (LPARAM)&cell);
        NMITEMACTIVATE click = {};
        click.hdr.hwndFrom = list;
        click.hdr.idFrom = IDC_REFERENCE_LIST;
        click.hdr.code = NM_CLICK;
        click.iItem = row;
        click.iSubItem = column;
        click.ptAction = {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
        SendMessageA(dialog, WM_NOTIFY, IDC_REFERENCE_LIST, (LPARAM)&click);
    }
    static void Check(HWND list, int row, bool on)
    {
        LVITEMA item = {};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
        SendMessageA(list, LVM_SETITEMSTATE, row, (LPARAM)&item);
    }
    std::string Files(std::initializer_list<const char*> names)
    {
        std::string answer = folder;
        for (const char* name : names) answer += std::string("|") + name;
        return answer;
    }

    HWND view = nullptr;
    ViewRecord* r = nullptr;
    std::string folder;
    std::vector<std::string> rows;
    int weight = 1, weightButton = IDOK, weightDialogs = 0, colourDialogs = 0;
};

}  // namespace

TEST_F(ReferenceManagerTest, FirstFilesAreChosenThenShownAndTheFirstImageGoesToTheBackgroundOnce)
{
    FileDialogAnswers files({Files({"lines.shp", "photo.tif"})});
    lastOpenFolder[0] = 0;
    EXPECT_EQ(Manage([](HWND, HWND) {}), 1);
    EXPECT_EQ(files.captions().at(0), "Open Reference Files");
    EXPECT_EQ(rows, (std::vector<std::string>{"1 SHP lines.shp", "0 IMG photo.tif"}));
    ASSERT_EQ(r->referenceCount, 2);
    EXPECT_EQ(r->overlayReferences, 1);
    EXPECT_EQ(r->displayMode, CMD_BACKGROUND_REF);
    EXPECT_EQ(r->overlayPointsOverBackground, 1);
    EXPECT_EQ(r->referencesShown, 0);
    EXPECT_NE(lastOpenFolder[0], 0);   // the folder the other open dialogs start in too
    // The extents take in the line to X 300 and the image from X -50 and to Y 120.
    EXPECT_LT(r->dataMinX, -50.0);
    EXPECT_GT(r->dataMaxX, 300.0);
    EXPECT_GT(r->dataMaxY, 120.0);

    // Again with the manager: the same file again adds nothing, and the view
    // put back on its points stays there.
    r->displayMode = DISPLAY_POINTS;
    FileDialogAnswers again({folder + "lines.shp"});
    EXPECT_EQ(Manage([](HWND dialog, HWND) { SendMessageA(dialog, WM_COMMAND, IDC_MANAGER_ADD, 0); }), 1);
    EXPECT_EQ(r->referenceCount, 2);
    EXPECT_EQ(r->displayMode, DISPLAY_POINTS);
}

TEST_F(ReferenceManagerTest, DimensionAndColourClicksChangeShapefilesOnly)
{
    FileDialogAnswers files({Files({"lines.shp", "photo.tif", "plots.shp"})});
    // "Apply To All" from the first row, then OK on the last; image rows open nothing.
    weight = 4;
    weightButton = IDC_WEIGHT_APPLY_ALL;
    EXPECT_EQ(Manage([&](HWND dialog, HWND list) {
                  Click(dialog, list, 1, 2);   // image: Dim
                  Click(dialog, list, 1, 1);   // image: Color
                  Click(dialog, list, 0, 2);
              }),
              1);
    EXPECT_EQ(weightDialogs, 1);
    EXPECT_EQ(colourDialogs, 0);
    EXPECT_EQ(r->references[0]->width, 4);
    EXPECT_EQ(r->references[2]->width, 4);
    EXPECT_EQ(r->references[1]->width, 0);
    EXPECT_EQ(rows[0], "4 SHP lines.shp");

    weight = 6;
    weightButton = IDOK;
    COLORREF before = r->references[2]->color;
    EXPECT_EQ(Manage([&](HWND dialog, HWND list) {
                  Click(dialog, list, 2, 2);
                  Click(dialog, list, 2, 1);   // the colour dialog is cancelled
              }),
              1);
    EXPECT_EQ(r->references[2]->width, 6);
    EXPECT_EQ(r->references[0]->width, 4);
    EXPECT_EQ(colourDialogs, 1);
    EXPECT_EQ(r->references[2]->color, before);

    // Cancel in the width dialog changes nothing.
    weightButton = IDCANCEL;
    weight = 2;
    Manage([&](HWND dialog, HWND list) { Click(dialog, list, 0, 2); });
    EXPECT_EQ(r->references[0]->width, 4);
}

TEST_F(ReferenceManagerTest, ChecksHideLayersAndRemovalEmptiesTheList)
{
    FileDialogAnswers files({Files({"lines.shp", "plots.shp", "photo.tif"})});
    int markAfter = -2;
    EXPECT_EQ(Manage([&](HWND dialog, HWND list) {
                  Check(list, 0, false);
                  SendMessageA(list, LVM_SETSELECTIONMARK, 0, 1);
                  SendMessageA(dialog, WM_COMMAND, IDC_MANAGER_REMOVE, 0);
                  markAfter = (int)SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0);
              }),
              1);
    EXPECT_EQ(markAfter, 0);
    ASSERT_EQ(r->referenceCount, 2);
    EXPECT_STREQ(r->references[1]->title, "photo.tif");
    EXPECT_EQ(r->references[0]->visible, 0);
    EXPECT_EQ(r->references[1]->visible, 1);

    EXPECT_EQ(Manage([&](HWND dialog, HWND list) {
                  SendMessageA(dialog, WM_COMMAND, IDC_MANAGER_REMOVE_ALL, 0);
                  SendMessageA(list, LVM_SETSELECTIONMARK, 0, 0);
                  SendMessageA(dialog, WM_COMMAND, IDC_MANAGER_REMOVE, 0);   // nothing left to remove
              }),
              1);
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(r->referenceCount, 0);
    EXPECT_EQ(r->references, nullptr);
    EXPECT_EQ(RemoveReferenceFile(view, 0), 0);
}

TEST_F(ReferenceManagerTest, AShapefileWithoutItsTableIsNamedAndCancelAddsNothing)
{
    ASSERT_TRUE(WriteTestShapefile(folder + "bare.shp", SHAPE_ARC, {TestShape{{{V(0, 0), V(5, 5)}}}}, false));
    BoxAnswers boxes;
    FileDialogAnswers files({folder + "bare.shp", ""});
    EXPECT_EQ(AddReferenceFiles(view), 1);
    EXPECT_EQ(r->referenceCount, 0);
    ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kDBFOpenFailed, "bare.dbf")));
    EXPECT_EQ(AddReferenceFiles(view), 0);
}

TEST_F(ReferenceManagerTest, ShownReferencesAreDrawnInTheView)
{
    FileDialogAnswers files({Files({"plots.shp"})});
    Manage([](HWND, HWND) {});
    ASSERT_EQ(r->referenceCount, 1);
    r->references[0]->width = 3;
    InvalidateView(view, 1);
    ASSERT_TRUE(WaitForCachedDraw(view, 20000));
    // A vertex of the plot's outline in its colour (blue).
    int x = (int)((60.0 - r->viewLeft) / r->scale), y = (int)((r->viewTop - 35.0) / r->scale);
    bool found = false;
    for (int dx = -2; dx <= 2 && !found; dx++) found = CachePixel(r, x + dx, y) == RGB(0, 0, 255);
    EXPECT_TRUE(found);
}

// A sample survey with a reference shapefile of a road and a parcel and two
// AOI polygons: all three layers reach the view's picture.
TEST_F(ReferenceManagerTest, ASampleSurveyShowsItsReferenceAndAOILayers)
{
    REQUIRE_SAMPLES();
    DataSet* set = LoadDataFile(SamplePath("autzen_trim.las").c_str(), "autzen_trim.las");
    ASSERT_NE(set, nullptr);
    double x0 = set->minX, y0 = set->minY, w = set->maxX - set->minX, h = set->maxY - set->minY;
    HWND survey = OpenView({set}, 800, 600, "autzen_trim.las");
    ViewRecord* s = Record(survey);
    auto at = [&](double fx, double fy) { return V(x0 + fx * w, y0 + fy * h); };
    ASSERT_TRUE(WriteTestShapefile(folder + "road.shp", SHAPE_ARC, {TestShape{{{at(0.05, 0.1), at(0.5, 0.5), at(0.95, 0.6)}}}}));
    ASSERT_TRUE(WriteTestShapefile(folder + "parcel.shp", SHAPE_POLYGON,
                                   {TestShape{{{at(0.6, 0.15), at(0.9, 0.15), at(0.9, 0.4), at(0.6, 0.4), at(0.6, 0.15)}}}}));
    FileDialogAnswers files({Files({"road.shp", "parcel.shp"})});
    view = survey;
    DialogDriver driver([&](HWND dialog, int) { SendMessageA(dialog, WM_COMMAND, IDC_MANAGER_DONE, 0); });
    ShowReferenceFileManager(survey);
    ASSERT_EQ(s->referenceCount, 2);
    EXPECT_EQ(s->overlayReferences, 1);
    s->references[0]->width = 3;
    s->references[1]->width = 2;
    for (auto corners : {std::vector<std::pair<double, double>>{{0.15, 0.55}, {0.4, 0.55}, {0.4, 0.85}, {0.15, 0.85}},
                         std::vector<std::pair<double, double>>{{0.55, 0.7}, {0.85, 0.75}, {0.7, 0.95}}}) {
        struct Polyline* line = CreatePolyline(0);
        for (auto& c : corners) {
            Vec3 v = {x0 + c.first * w, y0 + c.second * h, 0};
            AddPolylineVertex(line, &v);
        }
        AddAOIPolygon(survey, line);
        FreePolyline(line);
    }
    s->aoiLineWidth = 3;
    InvalidateView(survey, 1);
    ASSERT_TRUE(WaitForCachedDraw(survey, 30000));
    int yellow = 0, blue = 0, magenta = 0;
    for (int y = 0; y < s->clientHeight; y++)
        for (int x = 0; x < s->clientWidth; x++) {
            COLORREF c = CachePixel(s, x, y);
            yellow += c == RGB(255, 255, 0);
            blue += c == RGB(0, 0, 255);
            magenta += c == RGB(255, 0, 255);
        }
    EXPECT_GT(yellow, 300);
    EXPECT_GT(blue, 300);
    EXPECT_GT(magenta, 300);
    if (const char* dir = getenv("VELKA_SHOT_DIR")) SaveCacheBitmap(s, std::string(dir) + "reference_aoi_view.bmp");
    s->aoiSet->saved = 1;
}
