// The POI marker tool driven through the plan view's window procedure, the
// "Edit POI" and "POI Marker Configuration" dialogs, and the markers drawn.
#include "point_sets.h"
#include "window_fixtures.h"
#include "layer_test_files.h"
#include "base/dialogs.h"
#include "gis/layers/poi_dialogs.h"
#include "gis/layers/poi_set.h"
#include "gis/layers/poi_shapefile.h"
#include "resource.h"
#include "views/plan/overlays.h"
#include <cmath>
#include <commctrl.h>

namespace {

class POIToolTest : public ViewFixture {
protected:
    HWND PointView(const std::vector<PointRecord>& points)
    {
        DataSet* set = MakePointDataSet(points);
        strcpy(set->title, "area.las");
        HWND view = OpenView({set}, 200, 200, "area");
        SendMessageA(view, WM_COMMAND, TOOL_POI, 0);
        EXPECT_EQ(Record(view)->currentTool, TOOL_POI);
        return view;
    }
    static POINT PixelOf(const ViewRecord* r, double x, double y)
    {
        return {(LONG)std::lround((x - r->viewLeft) / r->scale), (LONG)std::lround((r->viewTop - y) / r->scale)};
    }
    static void Click(HWND view, POINT p, UINT message)
    {
        SendMessageA(view, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
        SendMessageA(view, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, MAKELPARAM(p.x, p.y));
        SendMessageA(view, message + 1, 0, MAKELPARAM(p.x, p.y));
    }
    static std::string Text(HWND dialog, int id)
    {
        char text[300] = "";
        GetDlgItemTextA(dialog, id, text, sizeof text);
        return text;
    }
};

}  // namespace

TEST_F(POIToolTest, LeftClicksPlaceNumberedRedMarkersOnTheNearestVisiblePoint)
{
    HWND view = PointView({MakePoint(10, 10, 5.5f, 2), MakePoint(90, 90, 7.25f, 2), MakePoint(50, 50, 6, 2)});
    ViewRecord* r = Record(view);
    ASSERT_NE(r->poiSet, nullptr);
    EXPECT_EQ(r->poiSet->saved, 1);

    Click(view, PixelOf(r, 85, 86), WM_LBUTTONDOWN);
    ASSERT_EQ(r->poiSet->count, 1);
    const POIRecord* poi = &r->poiSet->records[0];
    EXPECT_EQ(poi->x, 90);
    EXPECT_EQ(poi->y, 90);
    EXPECT_EQ(poi->z, 7.25f);
    EXPECT_EQ(poi->color, RGB(255, 0, 0));
    EXPECT_STREQ(poi->name, "Marker 1");
    EXPECT_EQ(r->poiSet->saved, 0);

    // With every class hidden no point is found: the marker stays where the
    // click was, at Z 0, and deleted markers still count in its number.
    r->poiSet->records[0].deleted = 1;
    for (int i = 0; i < 256; i++) r->classTable.entries[i].display = 0;
    POINT at = PixelOf(r, 30, 70);
    Click(view, at, WM_LBUTTONDOWN);
    ASSERT_EQ(r->poiSet->count, 2);
    poi = &r->poiSet->records[1];
    EXPECT_NEAR(poi->x, r->viewLeft + at.x * r->scale, 1e-9);
    EXPECT_NEAR(poi->y, r->viewTop - at.y * r->scale, 1e-9);
    EXPECT_EQ(poi->z, 0.0f);
    EXPECT_STREQ(poi->name, "Marker 2");

    // The next full draw has the marker in its picture.
    InvalidateView(view, 1);
    UpdateWindow(view);
    ASSERT_TRUE(WaitForCachedDraw(view, 10000));
    EXPECT_EQ(CachePixel(r, at.x, at.y), RGB(255, 0, 0));
}

TEST_F(POIToolTest, AMarkerInAGridViewTakesTheHeightOfThePostUnderIt)
{
    DataSet* grid = MakeGridSet(20, 20, [](double x, double y) { return (float)(x * 100 + y); });
    HWND view = OpenView({grid}, 200, 200, "grid");
    SendMessageA(view, WM_COMMAND, TOOL_POI, 0);
    ViewRecord* r = Record(view);
    ASSERT_LT(r->scale, 0.2);
    Click(view, PixelOf(r, 7, 93), WM_LBUTTONDOWN);
    Click(view, PixelOf(r, 0, 100), WM_LBUTTONDOWN);   // the first row and column answer too
    ASSERT_EQ(r->poiSet->count, 2);
    EXPECT_EQ(r->poiSet->records[0].z, 793.0f);
    EXPECT_EQ(r->poiSet->records[1].z, 100.0f);
}

namespace {

// Answers "Edit POI": what it showed, then the test's own action.
struct EditAnswer {
    std::string name, comment;   // typed before the action
    COLORREF pick = CLR_INVALID; // chosen with "Marker Color"
    int action = IDOK;           // IDOK, IDCANCEL or IDC_POI_DELETE
    int presses = 1;
};

}  // namespace

TEST_F(POIToolTest, RightClickEditsTheNearestMarkerInSightThroughTheDialog)
{
    HWND view = PointView({MakePoint(10, 10, 1, 2), MakePoint(90, 90, 2, 2), MakePoint(50, 50, 3, 2)});
    ViewRecord* r = Record(view);
    Click(view, PixelOf(r, 10, 10), WM_LBUTTONDOWN);
    Click(view, PixelOf(r, 90, 90), WM_LBUTTONDOWN);
    Click(view, PixelOf(r, 50, 50), WM_LBUTTONDOWN);
    ASSERT_EQ(r->poiSet->count, 3);
    r->poiSet->saved = 1;

    EditAnswer answer;
    std::vector<int> templates;
    std::vector<std::string> shownNames;
    DialogDriver driver([&](HWND dialog, int id) {
        templates.push_back(id);
        if (id == DIALOG_CHOOSECOLOR) {
            AnswerColourDialog(dialog, answer.pick);
            return;
        }
        shownNames.push_back(Text(dialog, IDC_POI_NAME));
        if (!answer.name.empty()) SetDlgItemTextA(dialog, IDC_POI_NAME, answer.name.c_str());
        if (!answer.comment.empty()) SetDlgItemTextA(dialog, IDC_POI_COMMENT, answer.comment.c_str());
        if (answer.pick != CLR_INVALID) SendMessageA(dialog, WM_COMMAND, IDC_POI_COLOR, 0);
        for (int press = 0; press < answer.presses; press++) SendMessageA(dialog, WM_COMMAND, answer.action, 0);
    });

    // Nearest to the cursor of the three: the second. A long name is cut to 30 characters.
    answer.name = std::string(40, 'n');
    answer.comment = "north side";
    answer.pick = RGB(10, 200, 30);
    Click(view, PixelOf(r, 80, 80), WM_RBUTTONDOWN);
    ASSERT_EQ(templates, (std::vector<int>{IDD_EDIT_POI, DIALOG_CHOOSECOLOR}));
    EXPECT_EQ(shownNames.back(), "Marker 2");
    const POIRecord* second = &r->poiSet->records[1];
    EXPECT_EQ(std::string(second->name), std::string(30, 'n'));
    EXPECT_STREQ(second->comment, "north side");
    EXPECT_EQ(second->color, RGB(10, 200, 30));
    EXPECT_STREQ(r->poiSet->records[0].name, "Marker 1");
    EXPECT_EQ(r->poiSet->saved, 0);

    // Cancel changes nothing.
    r->poiSet->saved = 1;
    answer = EditAnswer{"other", "other", CLR_INVALID, IDCANCEL};
    Click(view, PixelOf(r, 12, 12), WM_RBUTTONDOWN);
    EXPECT_EQ(shownNames.back(), "Marker 1");
    EXPECT_STREQ(r->poiSet->records[0].name, "Marker 1");
    EXPECT_EQ(r->poiSet->saved, 1);

    // Delete asks first; No keeps the dialog open, Yes deletes.
    BoxAnswers boxes({IDNO, IDYES});
    answer = EditAnswer{"", "", CLR_INVALID, IDC_POI_DELETE, 2};
    Click(view, PixelOf(r, 12, 12), WM_RBUTTONDOWN);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text, kPOIDeleteQuestion);
    EXPECT_EQ(boxes.shown()[0].caption, "Warning");
    EXPECT_EQ(r->poiSet->records[0].deleted, 1);
    EXPECT_EQ(r->poiSet->saved, 0);

    // A deleted marker is never picked again; with a single live marker left
    // in a fresh set, a click anywhere edits it while it is in sight.
    FreePOISet(r);
    CreatePOISet(r);
    Click(view, PixelOf(r, 10, 10), WM_LBUTTONDOWN);
    answer = EditAnswer{"", "", CLR_INVALID, IDCANCEL};
    size_t before = templates.size();
    Click(view, PixelOf(r, 90, 90), WM_RBUTTONDOWN);
    EXPECT_EQ(templates.size(), before + 1);
    r->poiSet->records[0].x = r->viewRight + 1;
    Click(view, PixelOf(r, 90, 90), WM_RBUTTONDOWN);
    EXPECT_EQ(templates.size(), before + 1);
}

namespace {

// Saves the set under `path` and reads it back, twice; the set read last
// (the sets read before it are freed, `set` is not).
POISet* ReopenedTwice(POISet* set, const std::string& path)
{
    POISet* back = set;
    for (int round = 0; round < 2 && back; round++) {
        snprintf(back->path, sizeof back->path, "%s", path.c_str());
        snprintf(back->title, sizeof back->title, "names_poi.shp");
        EXPECT_EQ(SavePOIShapefile(back), 1);
        POISet* next = LoadPOIShapefile(path.c_str(), "names_poi.shp");
        if (back != set) DeletePOISet(back);
        back = next;
    }
    EXPECT_NE(back, nullptr);
    return back;
}

std::vector<std::string> NamesOf(const POISet* set)
{
    std::vector<std::string> names;
    for (int i = 0; set && i < set->count; i++) names.push_back(set->records[i].name);
    return names;
}

}  // namespace

// A name holds 30 bytes, 15 Cyrillic letters: typed longer into "Edit POI",
// it loses whole letters at its end, and keeps what it holds through saves,
// reopens and edits. So do names an earlier version stored: in code page
// 1252, or in UTF-8 cut inside a letter.
TEST_F(POIToolTest, NamesKeepTheirLettersThroughTheDialogAndTwoSavesAndReopens)
{
    const std::string cyrillic = "\xd0\x9e\xd0\xbf\xd0\xbe\xd1\x80\xd0\xbd\xd0\xb0\xd1\x8f\xd1\x82\xd0\xbe\xd1\x87"
                                 "\xd0\xba\xd0\xb0\xd1\x81\xd1\x8a\xd1\x91\xd0\xbc\xd0\xba\xd0\xb8\xd1\x8e\xd0\xb3";
    auto letters = [&](int n) { return cyrillic.substr(0, 2 * (size_t)n); };   // two bytes each
    struct Case {
        std::string typed, kept;
    } cases[] = {
        {letters(15), letters(15)},       {letters(16), letters(15)},       {letters(20), letters(15)},
        {"N" + letters(15), "N" + letters(14)}, {"N" + letters(16), "N" + letters(14)}, {"N" + letters(20), "N" + letters(14)},
    };
    const int n = (int)(sizeof cases / sizeof cases[0]);
    HWND view = PointView({MakePoint(10, 10, 1, 2)});
    ViewRecord* r = Record(view);
    for (int i = 0; i < n; i++) AppendPOIRecord(r->poiSet)->x = 10.0 * i;
    const std::string* typing = nullptr;
    std::vector<std::string> shown;
    DialogDriver driver([&](HWND dialog, int id) {
        ASSERT_EQ(id, IDD_EDIT_POI);
        shown.push_back(Text(dialog, IDC_POI_NAME));
        if (typing) SetDlgItemTextA(dialog, IDC_POI_NAME, typing->c_str());
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    std::vector<std::string> kept;
    for (int i = 0; i < n; i++) {
        typing = &cases[i].typed;
        ASSERT_EQ(ShowEditPOIDialog(view, i), 1);
        kept.push_back(cases[i].kept);
    }
    EXPECT_EQ(NamesOf(r->poiSet), kept);

    std::string path = TempPath("names_poi.shp");
    BoxAnswers boxes;
    POISet* back = ReopenedTwice(r->poiSet, path);
    EXPECT_EQ(NamesOf(back), kept);
    // The dialog shows each name as it is and gives it back unchanged.
    FreePOISet(r);
    r->poiSet = back;
    typing = nullptr;
    shown.clear();
    for (int i = 0; i < n; i++) ASSERT_EQ(ShowEditPOIDialog(view, i), 1);
    EXPECT_EQ(shown, kept);
    EXPECT_EQ(NamesOf(r->poiSet), kept);

    // Names as earlier versions stored them, each version's in a table that
    // declares no code page: 30 letters in 1252 (36 bytes in UTF-8, so the
    // name loses its last letters), and UTF-8 that the dialog cut at 30
    // bytes inside a letter.
    SystemCodePageIs western(1252);
    const std::pair<std::string, std::string> earlierNames[] = {
        {"Borne g\xe9od\xe9sique n\xb0 12 c\xf4t\xe9 es", "Borne g\xc3\xa9od\xc3\xa9sique n\xc2\xb0 12 c\xc3\xb4t"},
        {("N" + letters(15)).substr(0, 30), "N" + letters(14)},
    };
    for (const auto& name : earlierNames) {
        POISet* earlier = NewPOISet(0);
        snprintf(AppendPOIRecord(earlier)->name, sizeof earlier->records[0].name, "%s", name.first.c_str());
        snprintf(earlier->path, sizeof earlier->path, "%s", path.c_str());
        ASSERT_EQ(SavePOIShapefile(earlier), 1);
        DeletePOISet(earlier);
        ASSERT_TRUE(DeclareTable(TempPath("names_poi.dbf"), 0x57, nullptr));
        POISet* old = LoadPOIShapefile(path.c_str(), "names_poi.shp");
        ASSERT_NE(old, nullptr);
        EXPECT_EQ(NamesOf(old), std::vector<std::string>{name.second});
        POISet* oldBack = ReopenedTwice(old, path);
        EXPECT_EQ(NamesOf(oldBack), std::vector<std::string>{name.second});
        DeletePOISet(oldBack);
        DeletePOISet(old);
    }
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(POIToolTest, MarkerConfigurationSetsSizeAndHeightOnOK)
{
    HWND view = PointView({MakePoint(10, 10, 1, 2)});
    ViewRecord* r = Record(view);
    r->poiMarkerSize = 3;
    r->poiLabelSize = 15;
    std::vector<std::string> shown;
    int action = IDOK;
    DialogDriver driver([&](HWND dialog, int id) {
        EXPECT_EQ(id, IDD_POI_MARKERS);
        shown.push_back(Text(dialog, IDC_POI_MARKER_SIZE_TEXT) + "/" + Text(dialog, IDC_POI_MARKER_HEIGHT_TEXT));
        // Positions outside a bar's range stop at its ends.
        HWND size = GetDlgItem(dialog, IDC_POI_MARKER_SIZE), height = GetDlgItem(dialog, IDC_POI_MARKER_HEIGHT);
        SendMessageA(size, TBM_SETPOS, TRUE, 12);
        SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 10), (LPARAM)size);
        SendMessageA(height, TBM_SETPOS, TRUE, 2);
        SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 5), (LPARAM)height);
        shown.push_back(Text(dialog, IDC_POI_MARKER_SIZE_TEXT) + "/" + Text(dialog, IDC_POI_MARKER_HEIGHT_TEXT));
        SendMessageA(dialog, WM_COMMAND, action, 0);
    });
    action = IDCANCEL;
    SendMessageA(view, WM_COMMAND, CMD_POI_SETTINGS, 0);
    EXPECT_EQ(r->poiMarkerSize, 3);
    EXPECT_EQ(r->poiLabelSize, 15);
    action = IDOK;
    SendMessageA(view, WM_COMMAND, CMD_POI_SETTINGS, 0);
    EXPECT_EQ(r->poiMarkerSize, 10);
    EXPECT_EQ(r->poiLabelSize, 5);
    EXPECT_EQ(shown, (std::vector<std::string>{"3/15", "10/5", "3/15", "10/5"}));
}

TEST_F(POIToolTest, MarkersAreDrawnInTheirColoursWithNamesAndDeletedOnesAreNot)
{
    HWND view = PointView({MakePoint(0, 0, 1, 2), MakePoint(100, 100, 2, 2)});
    ViewRecord* r = Record(view);
    for (int i = 0; i < 256; i++) r->classTable.entries[i].display = 0;
    Click(view, PixelOf(r, 30, 30), WM_LBUTTONDOWN);
    Click(view, PixelOf(r, 70, 70), WM_LBUTTONDOWN);
    r->poiSet->records[1].color = RGB(0, 255, 0);
    r->poiMarkerSize = 4;
    r->showPOINames = 1;
    RECT area;
    GetViewClientRect(view, &area);
    std::vector<uint32_t> pixels;
    ASSERT_EQ(DrawOffscreen(area.right, area.bottom, [&](HDC dc) { return DrawPOIMarkers(view, dc); }, &pixels), 1);
    POINT a = PixelOf(r, r->poiSet->records[0].x, r->poiSet->records[0].y);
    POINT b = PixelOf(r, r->poiSet->records[1].x, r->poiSet->records[1].y);
    EXPECT_EQ(PixelAt(pixels, area.right, a.x, a.y), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(pixels, area.right, b.x, b.y), RGB(0, 255, 0));
    // The name is written beside the marker in its colour.
    int named = 0;
    for (int y = a.y - 20; y < a.y + 10; y++)
        for (int x = a.x + 6; x < a.x + 80 && x < area.right; x++)
            if (y >= 0 && PixelAt(pixels, area.right, x, y) == RGB(255, 0, 0)) named++;
    EXPECT_GT(named, 10);

    r->poiSet->records[0].deleted = 1;
    ASSERT_EQ(DrawOffscreen(area.right, area.bottom, [&](HDC dc) { return DrawPOIMarkers(view, dc); }, &pixels), 1);
    EXPECT_EQ(PixelAt(pixels, area.right, a.x, a.y), RGB(0, 0, 0));
    EXPECT_EQ(PixelAt(pixels, area.right, b.x, b.y), RGB(0, 255, 0));
}
