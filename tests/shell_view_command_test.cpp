// The view command dispatcher: display state, toolbar and menu checks move
// together, commands pass on to linked windows, and limits hold.
#include "window_fixtures.h"
#include "app/command_ids.h"
#include "app/frame_bars.h"
#include "shell/view_command.h"
#include "shell/view_tools.h"
#include "base/progress.h"
#include "resource.h"

namespace {

using ViewCommands = ViewFixture;

int Send(HWND window, int id) { return ViewCommand(window, MAKEWPARAM(id, 0), 0); }

std::string ProgressText()
{
    char text[64] = "";
    HWND band = (HWND)GetWindowSlot(FrameWindow, FRAME_BANDDIALOG);
    GetWindowTextA(GetDlgItem(band, IDC_PROGRESS_TEXT), text, sizeof text);
    return text;
}

}  // namespace

TEST_F(ViewCommands, ColourModeChangesRecordToolbarAndMenuAndRedraws)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    for (int mode : {CMD_COLOR_ELEVATION, CMD_COLOR_CLASS, CMD_COLOR_INTENSITY, CMD_COLOR_SOURCE, CMD_COLOR_FILE, CMD_COLOR_RETURN, CMD_COLOR_RGB, CMD_COLOR_CHANNEL, CMD_COLOR_FLAG, CMD_COLOR_EARTH, CMD_COLOR_SOURCE}) {
        r->imageCacheValid = 1;
        r->glRebuildFlags[1] = 1;
        EXPECT_EQ(Send(view, mode), 1);
        EXPECT_EQ(r->pointColorMode, mode);
        EXPECT_EQ(r->imageCacheValid, 0) << mode;
        EXPECT_EQ(r->glRebuildFlags[1], 0);
        for (int id = CMD_COLOR_FIRST; id <= CMD_COLOR_LAST; id++) {
            EXPECT_EQ(ButtonChecked(id), id == mode) << mode << " " << id;
            EXPECT_EQ(MenuChecked(id), id == mode) << mode << " " << id;
        }
    }
    // The same mode again draws nothing but still restores the toolbar.
    r->imageCacheValid = 1;
    SendMessageA(Toolbar(), TB_SETSTATE, CMD_COLOR_SOURCE, MAKELPARAM(TBSTATE_ENABLED, 0));
    Send(view, CMD_COLOR_SOURCE);
    EXPECT_EQ(r->imageCacheValid, 1);
    EXPECT_TRUE(ButtonChecked(CMD_COLOR_SOURCE));
}

TEST_F(ViewCommands, TinColourAndReturnFiltersRefreshMenuChecks)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    r->tinCacheValid = 1;
    r->glRebuildFlags[0] = 1;
    Send(view, CMD_TIN_GRAY);
    EXPECT_EQ(r->tinColorMode, 2);
    EXPECT_EQ(r->tinCacheValid, 0);
    EXPECT_EQ(r->glRebuildFlags[0], 0);
    EXPECT_TRUE(MenuChecked(CMD_TIN_GRAY));
    EXPECT_FALSE(MenuChecked(CMD_TIN_BLUE_RED));

    ASSERT_EQ(r->showIntermediateReturns, 1);
    r->imageCacheValid = 1;
    Send(view, CMD_SHOW_INTERMEDIATE);
    EXPECT_EQ(r->showIntermediateReturns, 0);
    EXPECT_FALSE(MenuChecked(CMD_SHOW_INTERMEDIATE));
    EXPECT_TRUE(MenuChecked(CMD_SHOW_LAST_RETURNS));
    EXPECT_EQ(r->imageCacheValid, 0);
    Send(view, CMD_ALL_RETURNS_OFF);
    for (int id = CMD_SHOW_SINGLE; id <= CMD_SHOW_LAST_RETURNS; id++) EXPECT_FALSE(MenuChecked(id));
    EXPECT_EQ(r->showSingleReturns + r->showFirstReturns + r->showIntermediateReturns + r->showLastReturns, 0);
    Send(view, CMD_ALL_RETURNS_ON);
    for (int id = CMD_SHOW_SINGLE; id <= CMD_SHOW_LAST_RETURNS; id++) EXPECT_TRUE(MenuChecked(id));
}

TEST_F(ViewCommands, DisplayCommandsToggleModesAndTheirButtons)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    ASSERT_EQ(r->displayMode, DISPLAY_POINTS);
    r->imageCacheValid = 1;
    Send(view, CMD_COLOR_TIN);
    EXPECT_EQ(r->displayMode, CMD_COLOR_TIN);
    EXPECT_TRUE(ButtonChecked(CMD_COLOR_TIN));
    EXPECT_EQ(r->imageCacheValid, 0);
    Send(view, CMD_COLOR_TIN);
    EXPECT_EQ(r->displayMode, DISPLAY_POINTS);
    EXPECT_FALSE(ButtonChecked(CMD_COLOR_TIN));
    Send(view, CMD_OVERLAY_REFERENCE);
    EXPECT_EQ(r->overlayReferences, 1);
    EXPECT_TRUE(ButtonChecked(CMD_OVERLAY_REFERENCE));

    r->showPOIMarkers = 0;
    r->showAOIPolygons = 0;
    Send(view, CMD_SHOW_POI);
    EXPECT_EQ(r->showPOIMarkers, 1);
    EXPECT_TRUE(MenuChecked(CMD_SHOW_POI));
    Send(view, CMD_SHOW_AOI);
    EXPECT_EQ(r->showAOIPolygons, 1);
    EXPECT_TRUE(MenuChecked(CMD_SHOW_AOI));
    Send(view, CMD_SHOW_AOI);
    EXPECT_FALSE(MenuChecked(CMD_SHOW_AOI));
}

TEST_F(ViewCommands, PointSizeStaysWithinOneToSix)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    r->pointSizeStep = 6;
    r->imageCacheValid = 1;
    Send(view, CMD_POINT_LARGER);
    EXPECT_EQ(r->pointSizeStep, 6);
    EXPECT_EQ(r->imageCacheValid, 1);
    Send(view, CMD_POINT_SMALLER);
    EXPECT_EQ(r->pointSizeStep, 5);
    EXPECT_EQ(r->imageCacheValid, 0);
    r->pointSizeStep = 1;
    r->imageCacheValid = 1;
    Send(view, CMD_POINT_SMALLER);
    EXPECT_EQ(r->pointSizeStep, 1);
    EXPECT_EQ(r->imageCacheValid, 1);
}

TEST_F(ViewCommands, AdjustKeysClampAndShowTheirValues)
{
    HWND view = OpenEmptyView();
    AdjustValueA = 253;
    AdjustValueB = 0.05f;
    Send(view, CMD_ADJUST_A_UP);
    EXPECT_EQ(AdjustValueA, 255);
    Send(view, CMD_ADJUST_B_DOWN);
    EXPECT_EQ(AdjustValueB, 0.0f);
    EXPECT_EQ(ProgressText(), "255 0.0");
    AdjustValueA = 3;
    Send(view, CMD_ADJUST_A_DOWN);
    EXPECT_EQ(AdjustValueA, 0);
    Send(view, CMD_ADJUST_B_UP);
    EXPECT_EQ(ProgressText(), "0 0.1");
    AdjustValueA = 100;
    AdjustValueB = 0.0f;
    EndProgress();
}

TEST_F(ViewCommands, VReturnsToThePreviousToolAndBackAgain)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    Send(view, TOOL_MEASURE);
    EXPECT_EQ(r->currentTool, TOOL_MEASURE);
    EXPECT_TRUE(ButtonChecked(TOOL_MEASURE));
    // The accelerator road: the key becomes a frame command for the view.
    HACCEL keys = LoadAcceleratorsA(AppInstance, MAKEINTRESOURCEA(IDA_FRAME));
    MSG msg = {FrameWindow, WM_KEYDOWN, 'V', 0, 0, {0, 0}};
    ASSERT_TRUE(TranslateAcceleratorA(FrameWindow, keys, &msg));
    EXPECT_EQ(r->currentTool, TOOL_ZOOM);
    EXPECT_TRUE(ButtonChecked(TOOL_ZOOM));
    EXPECT_FALSE(ButtonChecked(TOOL_MEASURE));
    Send(view, CMD_PREVIOUS_TOOL);
    EXPECT_EQ(r->currentTool, TOOL_MEASURE);
    msg.wParam = 'X';
    TranslateAcceleratorA(FrameWindow, keys, &msg);
    EXPECT_EQ(r->currentTool, TOOL_PAN);
    DestroyAcceleratorTable(keys);
}

TEST_F(ViewCommands, ProfileWindowGetsThePlanCommandsButCloseClosesThePlanView)
{
    HWND view = OpenEmptyView();
    HWND profile = AddLinked(view, "ChildProfile");
    ViewRecord* r = Record(view);
    r->pointColorMode = CMD_COLOR_EARTH;
    EXPECT_EQ(Send(profile, CMD_COLOR_CLASS), 1);
    EXPECT_EQ(r->pointColorMode, CMD_COLOR_CLASS);   // the profile passes it on to its plan view
    EXPECT_EQ(Send(profile, TOOL_MEASURE), 1);
    EXPECT_EQ(r->currentTool, TOOL_ZOOM);            // the profile's own tool changed
    EXPECT_EQ(r->profileTool, TOOL_MEASURE);

    // Up and Down move the profile box when there is one (none yet here).
    EXPECT_EQ(Send(view, CMD_PAGE_UP), 0);
    r->profileWindow = nullptr;
    EXPECT_EQ(Send(view, CMD_PAGE_UP), 1);
    r->profileWindow = profile;

    Send(profile, CMD_CLOSE_FILE);
    PumpMessages(20);
    EXPECT_FALSE(IsWindow(view));
    EXPECT_EQ(GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT), 0);
}

TEST_F(ViewCommands, UnknownAndPlaceholderIds)
{
    HWND view = OpenEmptyView();
    EXPECT_EQ(Send(view, 1), 0);        // window-list items go on to the frame
    EXPECT_EQ(Send(view, CMD_NOOP_9019), 0);
    EXPECT_EQ(Send(view, CMD_NOOP_9014), 1);
    EXPECT_EQ(Send(view, CMD_NOOP_9015), 1);
    EXPECT_EQ(Send(view, CMD_ZOOM_FULL), 1);
    EXPECT_EQ(ViewCommand(nullptr, CMD_COLOR_CLASS, 0), 0);
}

// A layer file command is the view's whatever the file did: one that failed is
// not passed on to run a second time, and only a change redraws.
TEST_F(ViewCommands, LayerFileCommandsAreHandledWhenTheyFail)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = ViewRecordOf(view);
    BoxAnswers boxes;
    FileDialogAnswers answers({TempPath("missing_aoi.shp"), TempPath("missing_poi.shp")});
    r->imageCacheValid = 1;
    EXPECT_EQ(Send(view, CMD_LOAD_AOI), 1);
    EXPECT_EQ(Send(view, CMD_LOAD_POI), 1);
    EXPECT_EQ(r->imageCacheValid, 1);
    EXPECT_EQ(answers.calls(), 2);
    EXPECT_EQ(Send(view, CMD_SAVE_POI_AS), 1);   // nothing to save
    EXPECT_FALSE(boxes.shown().empty());
}

namespace {
HWND sizeView;
RECT sizeDialogRect;
int sizeCacheAfterCancel = -1;

// Moves the bar to 5, applies, then cancels.
void ApplyThenCancel(HWND dialog, int templateId)
{
    if (templateId != 347) return;
    GetWindowRect(dialog, &sizeDialogRect);
    ViewRecord* r = ViewRecordOf(sizeView);
    SendDlgItemMessageA(dialog, 1040, TBM_SETPOS, TRUE, 5);
    SendMessageA(dialog, WM_HSCROLL, TB_THUMBPOSITION, (LPARAM)GetDlgItem(dialog, 1040));
    SendMessageA(dialog, WM_COMMAND, IDC_POINT_SIZE_APPLY, 0);
    r->imageCacheValid = 1;   // the applied size is drawn and cached
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    sizeCacheAfterCancel = r->imageCacheValid;
}
}  // namespace

// Cancel after Apply puts the saved size back on screen too; the dialog sits
// over the middle of the frame, not over its menu bar.
TEST_F(ViewCommands, PointSizeCancelAfterApplyRedrawsTheSavedSize)
{
    sizeView = OpenEmptyView();
    ViewRecord* r = Record(sizeView);
    r->pointSizeStep = 2;
    SetDialogDriver(ApplyThenCancel);
    Send(sizeView, CMD_POINT_SIZE);
    SetDialogDriver(nullptr);
    EXPECT_EQ(r->pointSizeStep, 2);
    EXPECT_EQ(sizeCacheAfterCancel, 0);
    RECT frame;
    GetWindowRect(FrameWindow, &frame);
    EXPECT_NEAR((sizeDialogRect.left + sizeDialogRect.right) / 2, (frame.left + frame.right) / 2, 2);
    EXPECT_NEAR((sizeDialogRect.top + sizeDialogRect.bottom) / 2, (frame.top + frame.bottom) / 2, 2);
}
