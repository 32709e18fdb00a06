#include "test_support.h"
#include "app/command_ids.h"
#include "app/startup.h"
#include "app/frame.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/progress.h"
#include "resource.h"
#include <commctrl.h>
#include <cstring>

namespace {

struct TestView {
    ViewRecord* record;
    HWND window;
};

class FrameTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(InitInstance(""), nullptr);
        PumpMessages(20);
    }
    void TearDown() override
    {
        // A plan view frees its record when it is destroyed; the sets made
        // here are taken back first.
        for (TestView& v : views) {
            if (!IsWindow(v.window)) continue;
            POISet* poi = v.record->poiSet;
            AOISet* aoi = v.record->aoiSet;
            v.record->poiSet = nullptr;
            v.record->aoiSet = nullptr;
            SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)v.window, 0);
            NBLFree(poi);
            NBLFree(aoi);
        }
        DestroyWindow(FrameWindow);
        PumpMessages(10);
        FrameWindow = nullptr;
        MDIClientWindow = nullptr;
    }

    // A plan view whose sets report unsaved when asked to.
    HWND AddView(const char* title, bool aoiUnsaved, bool poiUnsaved)
    {
        ViewRecord* r = (ViewRecord*)NBLCalloc(1, sizeof(ViewRecord));
        r->poiSet = (POISet*)NBLCalloc(1, sizeof(POISet));
        r->aoiSet = (AOISet*)NBLCalloc(1, sizeof(AOISet));
        r->poiSet->saved = !poiUnsaved;
        r->aoiSet->saved = !aoiUnsaved;
        strcpy(r->title, title);
        MDICREATESTRUCTA mcs = {"MDIChild", title, AppInstance, CW_USEDEFAULT, CW_USEDEFAULT,
                                300, 200, 0, (LPARAM)r};
        HWND w = (HWND)SendMessageA(MDIClientWindow, WM_MDICREATE, 0, (LPARAM)&mcs);
        views.push_back({r, w});
        return w;
    }

    std::vector<TestView> views;
};

}  // namespace

TEST_F(FrameTest, StartsMaximisedWithTitleMenusAndJobControls)
{
    char title[128];
    GetWindowTextA(FrameWindow, title, sizeof title);
    EXPECT_STREQ(title, "VelkaViewer  Version 3.7.3");
    EXPECT_TRUE(IsZoomed(FrameWindow));
    HMENU bar = GetMenu(FrameWindow);
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    char item[64];
    GetMenuStringA(bar, 0, item, sizeof item, MF_BYPOSITION);
    EXPECT_STREQ(item, "&File");
    GetMenuStringA(bar, 2, item, sizeof item, MF_BYPOSITION);
    EXPECT_STREQ(item, "&Help");
    EXPECT_EQ(GetMenuItemCount(ViewMenu), 6);
    EXPECT_EQ(GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT), 0);
    EXPECT_NE(GetWindowSlot(FrameWindow, FRAME_APPJOB), 0);
    EXPECT_NE(GetWindowSlot(FrameWindow, FRAME_WORKERJOB), 0);
    char cls[32];
    GetClassNameA(MDIClientWindow, cls, sizeof cls);
    EXPECT_EQ(lstrcmpiA(cls, "MDIClient"), 0);
    EXPECT_TRUE(GetWindowLongA(FrameWindow, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

TEST_F(FrameTest, AcceleratorTableHasTheTwentyOneKeysInOrder)
{
    HACCEL table = LoadAcceleratorsA(AppInstance, MAKEINTRESOURCEA(IDA_FRAME));
    ASSERT_NE(table, nullptr);
    ACCEL entries[32];
    ASSERT_EQ(CopyAcceleratorTableA(table, entries, 32), 21);
    const WORD keys[21] = {'E', 'F', 'Q', 'R', 'T', 'V', VK_ADD, VK_DOWN, VK_END, VK_ESCAPE, VK_F1,
                           VK_HOME, VK_LEFT, VK_NEXT, VK_PRIOR, VK_RIGHT, VK_SUBTRACT, VK_UP, 'W', 'X', 'Z'};
    const WORD cmds[21] = {CMD_BACKGROUND_REF, CMD_POINTS_OVER_BACK, TOOL_QUERY, CMD_NEW_TIN, CMD_COLOR_TIN, CMD_PREVIOUS_TOOL, CMD_POINT_LARGER, CMD_PAGE_DOWN, CMD_ADJUST_B_DOWN, CMD_CANCEL, CMD_HELP_CONTENTS,
                           CMD_ADJUST_B_UP, CMD_PAGE_LEFT, CMD_ADJUST_A_DOWN, CMD_ADJUST_A_UP, CMD_PAGE_RIGHT, CMD_POINT_SMALLER, CMD_PAGE_UP, TOOL_MEASURE, TOOL_PAN, TOOL_ZOOM};
    for (int i = 0; i < 21; i++) {
        EXPECT_EQ(entries[i].key, keys[i]) << i;
        EXPECT_EQ(entries[i].cmd, cmds[i]) << i;
        EXPECT_EQ(entries[i].fVirt & (FVIRTKEY | FSHIFT | FCONTROL | FALT), FVIRTKEY) << i;
    }
    DestroyAcceleratorTable(table);
}

// The popup of return switches is the first submenu of its resource; the
// toolbar's popup offers the four switches and the all-on/all-off pair.
TEST_F(FrameTest, ReturnsPopupOffersTheFourSwitchesThenAllOnAndOff)
{
    HMENU popup = GetSubMenu(ReturnsMenu, 0);
    ASSERT_NE(popup, nullptr);
    const UINT ids[7] = {CMD_SHOW_SINGLE, CMD_SHOW_FIRST, CMD_SHOW_INTERMEDIATE, CMD_SHOW_LAST, 0, CMD_ALL_RETURNS_ON, CMD_ALL_RETURNS_OFF};
    const char* texts[7] = {"&Single Point Returns", "&First of Many Returns", "&Intermediate Returns",
                            "&Last of Many Returns", "", "&All Returns On", "All Returns &Off"};
    ASSERT_EQ(GetMenuItemCount(popup), 7);
    for (int i = 0; i < 7; i++) {
        char text[64] = "";
        GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_EQ(GetMenuItemID(popup, i), ids[i]) << i;
        EXPECT_STREQ(text, texts[i]) << i;
    }
}

TEST_F(FrameTest, CloseWithNothingUnsavedAsksNothing)
{
    AddView("a.las", false, false);
    BoxAnswers boxes;
    EXPECT_EQ(FrameClose(FrameWindow), 1);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(FrameTest, CloseAsksAoiThenPoiPerViewStartingWithTheActiveView)
{
    AddView("first.las", true, true);
    HWND second = AddView("second.las", true, true);
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)second, 0);
    BoxAnswers boxes({IDNO, IDNO, IDNO, IDNO});
    EXPECT_EQ(FrameClose(FrameWindow), 1);
    ASSERT_EQ(boxes.shown().size(), 4u);
    EXPECT_EQ(boxes.shown()[0].caption, "Warning");
    EXPECT_EQ(boxes.shown()[0].type, (unsigned)(MB_YESNOCANCEL | MB_ICONQUESTION));
    // No path and no data set yet: the view's title names it.
    EXPECT_EQ(boxes.shown()[0].text, "AOI has NOT been saved!\n\n    second.las\n\nSave it now?\n");
    EXPECT_EQ(boxes.shown()[1].text, "POI has NOT been saved!\n\n    second.las\n\nSave it now?\n");
    EXPECT_EQ(boxes.shown()[2].text.substr(0, 3), "AOI");
    EXPECT_NE(boxes.shown()[2].text.find("first.las"), std::string::npos);
    EXPECT_EQ(boxes.shown()[3].text.substr(0, 3), "POI");
}

TEST_F(FrameTest, CancelOrFailedSaveKeepsTheProgramRunning)
{
    ViewRecord* r;
    AddView("v.las", true, true);
    r = views.back().record;
    strcpy(r->aoiSet->path, "C:\\data\\v_aoi.shp");
    {
        BoxAnswers boxes({IDCANCEL});
        EXPECT_EQ(FrameClose(FrameWindow), 0);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_NE(boxes.shown()[0].text.find("    C:\\data\\v_aoi.shp\n"), std::string::npos);
    }
    {
        // Yes with a save that fails (no shapefile writer here) also cancels.
        BoxAnswers boxes({IDYES});
        EXPECT_EQ(FrameClose(FrameWindow), 0);
        EXPECT_EQ(boxes.shown().size(), 1u);
    }
    EXPECT_TRUE(IsWindow(views.back().window));
}

TEST_F(FrameTest, RunningWorkerIsQuestionedAndJobsStayUsableAfterCancel)
{
    JobControl* worker = (JobControl*)GetWindowSlot(FrameWindow, FRAME_WORKERJOB);
    AcquireWorker();
    EXPECT_EQ(IsWorkerBusy(), 1);
    {
        BoxAnswers boxes({IDNO});
        EXPECT_EQ(FrameClose(FrameWindow), 0);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, "Vivuzoz Oduri is running!\n\nAre you sure you want to quit?");
        EXPECT_EQ(boxes.shown()[0].type, (unsigned)(MB_YESNO | MB_ICONQUESTION));
        EXPECT_EQ((JobControl*)GetWindowSlot(FrameWindow, FRAME_WORKERJOB), worker);
    }
    // A worker thread holding the locks, killed on Yes; the user then cancels
    // at an unsaved-set question and the program must go on working.
    struct Held {
        static DWORD WINAPI Run(void*)
        {
            BeginAppJob();
            Sleep(INFINITE);
            return 0;
        }
    };
    JobControl* app = (JobControl*)GetWindowSlot(FrameWindow, FRAME_APPJOB);
    app->thread = CreateThread(nullptr, 0, Held::Run, nullptr, 0, nullptr);
    while (!IsAppJobBusy()) Sleep(1);
    AddView("v.las", true, false);
    {
        BoxAnswers boxes({IDYES, IDCANCEL});
        EXPECT_EQ(FrameClose(FrameWindow), 0);
        EXPECT_EQ(boxes.shown().size(), 2u);
    }
    EXPECT_EQ(IsWorkerBusy(), 0);
    EXPECT_EQ(IsAppJobBusy(), 0);
    BeginAppJob();
    EXPECT_EQ(IsAppJobBusy(), 1);
    EndAppJob();
}

TEST(Messages, ErrorBoxLogsEachNonEmptyLine)
{
    BoxAnswers boxes;
    ErrorMessage("first line\n\nsecond line");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
    EXPECT_EQ(boxes.shown()[0].type, (unsigned)(MB_OK | MB_ICONERROR));
    WarningMessage("careful");
    EXPECT_EQ(boxes.shown()[1].caption, "Warning");
    EXPECT_EQ(boxes.shown()[1].type, (unsigned)(MB_OK | MB_ICONWARNING));
}

TEST(Progress, RangeKeepsSixteenBitsAndStepsOnlyWhileRunning)
{
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", 0, 0, 0, 100, 10, nullptr, nullptr, nullptr, nullptr);
    SetProgressWindows(bar, nullptr);
    StepProgress();
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    StartProgress(70000, "Loading File");
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 4464);
    StepProgress();
    StepProgress();
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 2);
    EndProgress();
    StepProgress();
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    SetProgressWindows(nullptr, nullptr);
    StartProgress(10, "nowhere");   // a set pointed at no window does nothing
    EndProgress();
    DestroyWindow(bar);
}
