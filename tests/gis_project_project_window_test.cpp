// The project window: tiles painted by state, labels, the tile query and the
// tile opener, and commands reaching it through the frame.
#include "project_test_files.h"
#include "window_fixtures.h"
#include "gis/project/project.h"
#include "gis/project/project_paint.h"
#include "gis/project/project_window.h"
#include "gis/project/tile_tools.h"
#include "views/plan/point_tip.h"
#include "shell/frame_command.h"
#include "data/las_lock.h"
#include "data/data_set.h"
#include "data/las_loader.h"
#include "data/lasfile/las_header.h"
#include "resource.h"
#include <climits>
#include <cmath>

namespace {

class ProjectWindowTest : public ProjectFrameFixture {
protected:
    // Shows a row of tiles with real files in the project window.
    HWND Show(int count, bool files = true)
    {
        Project* p = MakeRowProject(folder, count, files);
        p->saved = 1;
        snprintf(p->title, sizeof p->title, "row.lep");
        window = ShowProjectWindow(p);
        EXPECT_NE(window, nullptr);
        return window;
    }
    // Client position of a world point.
    POINT At(double x, double y) { return ProjectWindowPoint(window, x, y); }
    void Click(double x, double y, UINT message = WM_LBUTTONDOWN) { ClickProjectWindow(window, x, y, message); }
    // What the painter draws, in a bitmap of the window's drawing size.
    std::vector<uint32_t> Painted(int* width)
    {
        RECT area;
        GetViewClientRect(window, &area);
        *width = area.right;
        std::vector<uint32_t> pixels;
        DrawOffscreen(area.right, area.bottom, [&](HDC hdc) { return PaintProjectTiles(window, hdc, &area, 1); }, &pixels);
        return pixels;
    }
    // Pixels of the colour inside the world box.
    int Count(const std::vector<uint32_t>& pixels, int width, COLORREF colour, double x0, double y0, double x1, double y1)
    {
        POINT a = At(x0, y1), b = At(x1, y0);
        int n = 0;
        for (int y = a.y + 2; y < b.y - 1; y++)
            for (int x = a.x + 2; x < b.x - 1; x++)
                if (PixelAt(pixels, width, x, y) == colour) n++;
        return n;
    }
    HWND window = nullptr;
};

}  // namespace

TEST_F(ProjectWindowTest, TilesArePaintedWithTheHatchColourOfTheirState)
{
    Show(6, false);
    Project* p = CurrentProject();
    p->tiles[0]->editStatus = 1;
    p->tiles[1]->editStatus = 2;
    const int states[] = {0, 0, TILE_AVAILABLE, TILE_LOCKED, TILE_OPEN, TILE_NOT_FOUND};
    for (int i = 2; i < 6; i++) p->tiles[i]->activeStatus = states[i];
    const COLORREF colours[] = {0x80FF80, 0xFF8080, 0x8080FF, 0x80FFFF, 0x00FFFF, 0x808080};
    int width = 0;
    std::vector<uint32_t> pixels = Painted(&width);
    for (int i = 0; i < 6; i++) {
        double x0 = 1000 + 100 * i;
        for (int k = 0; k < 6; k++) {
            int n = Count(pixels, width, colours[k], x0, 5000, x0 + 100, 5100);
            if (k == i) EXPECT_GT(n, 20) << "tile " << i;
            else EXPECT_EQ(n, 0) << "tile " << i << " colour " << k;
        }
    }
    // A state the table does not know keeps the previous tile's brush.
    p->tiles[3]->activeStatus = 9;
    pixels = Painted(&width);
    EXPECT_GT(Count(pixels, width, colours[2], 1300, 5000, 1400, 5100), 20);
}

TEST_F(ProjectWindowTest, TheWindowHoldsTheProjectTitleAndFitsItsTiles)
{
    Show(3);
    char title[300];
    GetWindowTextA(window, title, sizeof title);
    EXPECT_EQ(std::string(title), std::string(kProjectTitlePrefix) + "row.lep");
    EXPECT_EQ((HWND)GetWindowSlot(FrameWindow, FRAME_PROJECTWIN), window);
    EXPECT_TRUE(IsProjectWinActive());
    ViewRecord* r = Record(window);
    EXPECT_EQ(r->currentTool, TOOL_SELECT);
    EXPECT_DOUBLE_EQ(r->dataMinX, 1000 - 15);   // 5 % of the width on each side
    EXPECT_DOUBLE_EQ(r->dataMaxY, 5100 + 5);
    POINT left = At(1000, 5100), right = At(1300, 5000);
    RECT area;
    GetViewClientRect(window, &area);
    EXPECT_GT(left.x, 0);
    EXPECT_LT(right.x, area.right);
    EXPECT_LT(right.y, area.bottom);

    // A name that fills the title's room after the prefix is cut before the
    // first letter that does not fit whole: 122 two-byte letters of 129.
    std::string name;
    for (int i = 0; i < 129; i++) name += "д";
    snprintf(CurrentProject()->title, sizeof CurrentProject()->title, "%s", name.c_str());
    ShowProjectWindow(CurrentProject());
    GetWindowTextA(window, title, sizeof title);
    EXPECT_EQ(std::string(title), std::string(kProjectTitlePrefix) + name.substr(0, 2 * 122));
    EXPECT_STREQ(r->title, title);
}

TEST_F(ProjectWindowTest, LabelsAppearOnlyWhenTheLongestNameFitsHalfTheWidestTile)
{
    Show(3);
    HDC hdc = GetDC(window);
    LOGFONTA lf;
    EXPECT_EQ(FitTileLabelFont(&lf, hdc, window), 1);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    // A name too long for the tiles: no labels.
    snprintf(CurrentProject()->tiles[0]->name, 260, "%s", std::string(200, 'n').append(".las").c_str());
    EXPECT_EQ(FitTileLabelFont(&lf, hdc, window), 0);
    ReleaseDC(window, hdc);
}

// Tile labels are the program's text: a Cyrillic name is drawn in letters
// its font has, as wide as they are and centred on its tile.
TEST_F(ProjectWindowTest, ACyrillicTileLabelIsAsWideAsItsLettersAndCentredOnItsTile)
{
    Show(3, false);
    Project* p = CurrentProject();
    const char* label = "Лист2";
    for (int i = 0; i < 3; i++) snprintf(p->tiles[i]->name, 260, "Лист%d.las", i);
    HDC dc = GetDC(window);
    LOGFONTA lf;
    int largest = -MulDiv(14, GetDeviceCaps(dc, LOGPIXELSY), 72);
    int fits = FitTileLabelFont(&lf, dc, window);
    ReleaseDC(window, dc);
    ASSERT_EQ(fits, 1);
    EXPECT_EQ(lf.lfHeight, largest);
    HFONT font = CreateFontIndirectA(&lf);
    EXPECT_TRUE(FontHoldsLetters(font, label));
    int expected = WideTextWidth(font, label);
    DeleteObject(font);

    int width = 0;
    std::vector<uint32_t> pixels = Painted(&width);
    POINT a = At(1200, 5100), b = At(1300, 5000);   // the third tile
    int left = INT_MAX, right = INT_MIN;
    for (int y = a.y + 1; y < b.y; y++)
        for (int x = a.x + 1; x < b.x; x++)
            if (PixelAt(pixels, width, x, y) == RGB(255, 255, 255)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_LE(left, right) << "no label drawn";
    EXPECT_LE(right - left + 1, expected);
    EXPECT_GE(right - left + 1, expected - 4);   // the first and last letters' side bearings
    EXPECT_NEAR((left + right) / 2.0, (a.x + b.x) / 2.0, 2.0);
}

TEST_F(ProjectWindowTest, ATileWithoutWidthIsDrawnAsASmallSquare)
{
    Show(1, false);
    Project* p = CurrentProject();
    RingVertex* v = p->tiles[0]->boundary->contour[0].vertex;
    v[2].x = v[3].x = v[0].x;   // all corners on one vertical line
    int width = 0;
    std::vector<uint32_t> pixels = Painted(&width);
    POINT bottom = At(v[0].x, 5000);
    int pen = 0;
    for (int y = bottom.y - 4; y <= bottom.y; y++)
        for (int x = bottom.x; x <= bottom.x + 4; x++)
            if (PixelAt(pixels, width, x, y) == 0x8080FF) pen++;
    EXPECT_GT(pen, 4);
}

TEST_F(ProjectWindowTest, QueryNamesTheTileAndItsStateAndMissesLogNothing)
{
    Show(3);
    Project* p = CurrentProject();
    p->tiles[1]->activeStatus = TILE_LOCKED;
    snprintf(p->tiles[1]->lockOwner, 256, "OTHERPC\\ann");
    FrameCommand(MAKEWPARAM(TOOL_QUERY, 0), 0);
    EXPECT_EQ(Record(window)->currentTool, TOOL_QUERY);
    LogLines log;
    Click(900, 5050);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(TileTooltip(), nullptr);
    Click(1150, 5050);
    EXPECT_TRUE(log.contains(Formatted(kTileQueryFormat, "tile1.las")));
    ASSERT_NE(TileTooltip(), nullptr);
    char state[300];
    TileStateText(p->tiles[1], state, sizeof state);
    EXPECT_EQ(std::string(state), Formatted(kTileLockedFormat, "OTHERPC\\ann"));
    char text[600] = "";
    GetTipText(TileTooltip(), window, text, sizeof text);
    EXPECT_EQ(std::string(text), std::string("tile1.las\n") + state);
    Click(1150, 5050, WM_RBUTTONDOWN);
    EXPECT_EQ(TileTooltip(), nullptr);
}

// A Cyrillic tile name shows in letters the tip's font has, in a tip as wide
// as they are.
TEST_F(ProjectWindowTest, TheTileTipShowsANameInOtherLettersAndIsAsWideAsThey)
{
    Show(3);
    Project* p = CurrentProject();
    const char* name = "Съёмка участка 1.las";
    snprintf(p->tiles[1]->name, 260, "%s", name);
    FrameCommand(MAKEWPARAM(TOOL_QUERY, 0), 0);
    Click(1150, 5050);
    HWND tip = TileTooltip();
    ASSERT_NE(tip, nullptr);
    char state[300], text[600] = "";
    TileStateText(p->tiles[1], state, sizeof state);
    GetTipText(tip, window, text, sizeof text);
    EXPECT_EQ(std::string(text), std::string(name) + "\n" + state);
    HFONT font = (HFONT)SendMessageA(tip, WM_GETFONT, 0, 0);
    EXPECT_TRUE(FontHoldsLetters(font, name));
    EXPECT_EQ(SendMessageA(tip, TTM_GETMAXTIPWIDTH, 0, 0), WideTextWidth(font, name) + 32);   // the wider line
}

// The tile tip is owned by the frame, so that it hides and goes with it, and
// is an always-tip, shown while the frame is not the active window.
TEST_F(ProjectWindowTest, TheTileTipIsAnAlwaysTipOwnedByTheFrame)
{
    Show(2);
    FrameCommand(MAKEWPARAM(TOOL_QUERY, 0), 0);
    Click(1050, 5050);
    HWND tip = TileTooltip();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(GetWindowLongA(tip, GWL_STYLE) & (TTS_ALWAYSTIP | TTS_NOPREFIX), TTS_ALWAYSTIP | TTS_NOPREFIX);
    EXPECT_TRUE(GetWindowLongA(tip, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetAncestor(window, GA_ROOT), FrameWindow);
    EXPECT_EQ(GetWindow(tip, GW_OWNER), FrameWindow);
}

// The window's own buttons bring back the tile tool once another was picked.
TEST_F(ProjectWindowTest, TheTileToolIsChosenAgainFromTheWindowsOwnButtons)
{
    Show(2);
    HWND toolbar = (HWND)GetWindowSlot(window, PROJECTWIN_TOOLBAR);
    ASSERT_NE(toolbar, nullptr);
    auto checked = [&](int id) { return SendMessageA(toolbar, TB_ISBUTTONCHECKED, id, 0) != 0; };
    EXPECT_TRUE(checked(TOOL_SELECT));
    FrameCommand(MAKEWPARAM(TOOL_ZOOM, 0), 0);
    EXPECT_EQ(Record(window)->currentTool, TOOL_ZOOM);
    EXPECT_TRUE(checked(TOOL_ZOOM));
    EXPECT_FALSE(checked(TOOL_SELECT));
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(TOOL_SELECT, BN_CLICKED), (LPARAM)toolbar);
    EXPECT_EQ(Record(window)->currentTool, TOOL_SELECT);
    EXPECT_TRUE(checked(TOOL_SELECT));
    EXPECT_FALSE(checked(TOOL_ZOOM));
    SaveScreenShot("project_toolbar.bmp");
}

TEST_F(ProjectWindowTest, OpeningAnAvailableTileLocksItAndOpensAView)
{
    Show(2);
    Project* p = CurrentProject();
    BoxAnswers boxes;
    Click(1050, 5050);
    EXPECT_EQ(p->tiles[0]->activeStatus, TILE_OPEN);
    EXPECT_NE(ReadTileLockOwner(p->tiles[0]->path), nullptr);
    EXPECT_EQ(PlanViews().size(), 1u);
    EXPECT_TRUE(boxes.shown().empty());
    // Opening it again asks first; No opens nothing.
    ShowWindow(window, SW_SHOW);
    BoxAnswers no({IDNO});
    Click(1050, 5050);
    ASSERT_TRUE(ShowedOneBox(no, Formatted(kTileLoadedQuestion, "tile0.las")));
    EXPECT_EQ(PlanViews().size(), 1u);
    // The marker taken for the tile goes with the project.
    std::string path = p->tiles[0]->path;
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadTileLockOwner(path.c_str()), nullptr);
}

TEST_F(ProjectWindowTest, ATileThatCannotBeLockedAsksAndNoLeavesItAvailable)
{
    Show(2);
    Project* p = CurrentProject();
    // Another program holds the file: no lock can be taken.
    HANDLE held = CreateFileA(p->tiles[1]->path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    BoxAnswers boxes({IDNO});
    Click(1150, 5050);
    CloseHandle(held);
    ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kUnableToLockQuestion, "tile1.las")));
    EXPECT_EQ(boxes.shown()[0].caption, "Warning");
    EXPECT_EQ(p->tiles[1]->activeStatus, TILE_AVAILABLE);
    EXPECT_TRUE(PlanViews().empty());
    // A tile locked by someone else asks too.
    p->tiles[0]->activeStatus = TILE_LOCKED;
    boxes.clear();
    Click(1050, 5050);
    ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kTileLockedQuestion, "tile0.las")));
    EXPECT_TRUE(PlanViews().empty());
}

TEST_F(ProjectWindowTest, RefreshChecksTheTilesAgainAndClosingFreesTheWindow)
{
    Show(2);
    Project* p = CurrentProject();
    DeleteFileA(p->tiles[1]->path);
    FrameCommand(MAKEWPARAM(CMD_REFRESH, 0), 0);
    EXPECT_EQ(p->tiles[1]->activeStatus, TILE_NOT_FOUND);
    FrameCommand(MAKEWPARAM(CMD_ZOOM_FULL, 0), 0);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(ProjectWindow(), nullptr);
}


TEST_F(ProjectWindowTest, TilesCutFromASurveyShowTheirStatesAndLendBufferPoints)
{
    REQUIRE_SAMPLES();
    DataSet* survey = LoadLASData(SamplePath("autzen_trim.las").c_str(), "autzen_trim.las");
    ASSERT_NE(survey, nullptr);
    std::string selection = CutIntoTiles(survey, folder, "autzen", 3, 2);
    ASSERT_FALSE(selection.empty());
    FreeDataSet(survey);
    {
        FileDialogAnswers files({selection, folder + "autzen"});
        DialogDriver driver([](HWND dialog, int) {
            SetDlgItemTextA(dialog, IDC_PROJECT_OVERLAP, "20");
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        FrameCommand(MAKEWPARAM(CMD_PROJECT_CREATE, 0), 0);
    }
    window = ProjectWindow();
    Project* p = CurrentProject();
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->tileCount, 6);
    // Someone else holds one tile, one has gone, one is marked as edited.
    WriteTempFile("autzen_01.loc", "SURVEYPC\\ann\r\n");
    DeleteFileA((folder + "autzen_12.las").c_str());
    p->tiles[3]->editStatus = 1;
    FrameCommand(MAKEWPARAM(CMD_REFRESH, 0), 0);
    EXPECT_EQ(p->tiles[1]->activeStatus, TILE_LOCKED);
    EXPECT_STREQ(p->tiles[1]->lockOwner, "SURVEYPC\\ann");
    EXPECT_EQ(p->tiles[5]->activeStatus, TILE_NOT_FOUND);

    // The first tile borrows the points of its neighbours within the overlap.
    DataSet* tile = LoadLASData(p->tiles[0]->path, p->tiles[0]->name);
    ASSERT_NE(tile, nullptr);
    LoadBufferPoints(p, p->tiles[0], tile);
    EXPECT_GT(tile->pointCount, tile->filePointCount);
    FreeDataSet(tile);

    // Opening a tile from the window: a plan view of it, the tile shown as open.
    BoxAnswers boxes;
    Click(0.5 * (p->tiles[4]->minX + p->tiles[4]->maxX), 0.5 * (p->tiles[4]->minY + p->tiles[4]->maxY));
    EXPECT_EQ(p->tiles[4]->activeStatus, TILE_OPEN);
    EXPECT_EQ(PlanViews().size(), 1u);
    FrameCommand(MAKEWPARAM(CMD_PROJECT_SHOW, 0), 0);
    EXPECT_TRUE(IsWindowVisible(window));
    SaveScreenShot("project_window.bmp");
    UnlockTile(p->tiles[4]->path);
}

// A project whose tiles all lost their outlines has no bounds: the window
// shows a small world of its own, never the empty-bounds values, and draws
// no tile.
TEST_F(ProjectWindowTest, AProjectWithoutOutlinesShowsASmallEmptyWorld)
{
    Show(3);
    Project* p = CurrentProject();
    for (int i = 0; i < p->tileCount; i++) DropTileOutline(p->tiles[i]);
    SetProjectBoundsFromTiles(p);
    EXPECT_GT(p->minX, p->maxX);   // none
    ASSERT_EQ(ShowProjectWindow(p), window);
    ViewRecord* r = Record(window);
    for (double v : {r->dataMinX, r->dataMaxX, r->dataMinY, r->dataMaxY, r->viewLeft, r->viewTop}) {
        EXPECT_TRUE(std::isfinite(v));
        EXPECT_LT(std::fabs(v), 10.0);
    }
    int width = 0;
    std::vector<uint32_t> pixels = Painted(&width);
    ASSERT_FALSE(pixels.empty());
    int painted = 0;
    for (int at = 0; at < (int)pixels.size(); at++)
        for (COLORREF hatch : {0x80FF80u, 0xFF8080u, 0x8080FFu, 0x80FFFFu, 0x00FFFFu, 0x808080u})
            painted += PixelAt(pixels, width, at % width, at / width) == hatch;
    EXPECT_EQ(painted, 0);
}
