#include "window_fixtures.h"
#include "app/command_ids.h"
#include "shell/startup.h"
#include "shell/frame.h"
#include "shell/about_dialogs.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "base/polygon.h"
#include "gis/layers/ref_files.h"
#include "base/messages.h"
#include "base/progress.h"
#include "resource.h"
#include <commctrl.h>
#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

class FrameTest : public ViewFixture {
protected:
    void TearDown() override
    {
        // The sets made here are taken back before their views go.
        for (HWND w : views) {
            if (!IsWindow(w)) continue;
            ViewRecord* r = Record(w);
            NBLFree(r->poiSet);
            r->poiSet = nullptr;
            r->aoiSet->saved = 1;
        }
        ViewFixture::TearDown();
    }

    // A plan view whose sets report unsaved when asked to.
    HWND AddView(const char* title, bool aoiUnsaved, bool poiUnsaved)
    {
        HWND w = OpenEmptyView(title);
        ViewRecord* r = Record(w);
        r->poiSet = (POISet*)NBLCalloc(1, sizeof(POISet));
        r->poiSet->saved = !poiUnsaved;
        // An unsaved AOI set holds a polygon, so that a save goes as far as the file.
        if (aoiUnsaved) AppendReferenceLine(r->aoiSet->lines, CreatePolyline(4));
        r->aoiSet->saved = !aoiUnsaved;
        views.push_back(w);
        return w;
    }

    std::vector<HWND> views;
};

}  // namespace

TEST_F(FrameTest, StartsMaximisedWithTitleMenusAndJobControls)
{
    char title[128];
    GetWindowTextA(FrameWindow, title, sizeof title);
    EXPECT_STREQ(title, APP_TITLE);
    EXPECT_TRUE(IsZoomed(FrameWindow));
    HMENU bar = GetMenu(FrameWindow);
    ASSERT_EQ(GetMenuItemCount(bar), 3);
    char item[64];
    GetMenuStringA(bar, 0, item, sizeof item, MF_BYPOSITION);
    EXPECT_STREQ(item, "&File");
    GetMenuStringA(bar, 2, item, sizeof item, MF_BYPOSITION);
    EXPECT_STREQ(item, "&Help");
    EXPECT_EQ(GetMenuItemCount(ViewMenu), 7);
    EXPECT_EQ(GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT), 0);
    EXPECT_NE(GetWindowSlot(FrameWindow, FRAME_APPJOB), 0);
    EXPECT_NE(GetWindowSlot(FrameWindow, FRAME_WORKERJOB), 0);
    char cls[32];
    GetClassNameA(MDIClientWindow, cls, sizeof cls);
    EXPECT_EQ(lstrcmpiA(cls, "MDIClient"), 0);
    EXPECT_TRUE(GetWindowLongA(FrameWindow, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

TEST_F(FrameTest, AcceleratorTableHasTheTwentyFourKeysInOrder)
{
    HACCEL table = LoadAcceleratorsA(AppInstance, MAKEINTRESOURCEA(IDA_FRAME));
    ASSERT_NE(table, nullptr);
    ACCEL entries[32];
    ASSERT_EQ(CopyAcceleratorTableA(table, entries, 32), 24);
    const WORD keys[24] = {'E', 'F', 'Q', 'R', 'T', 'V', VK_ADD, VK_DOWN, VK_END, VK_ESCAPE, VK_F1,
                           VK_HOME, VK_LEFT, VK_NEXT, VK_PRIOR, VK_RIGHT, VK_SUBTRACT, VK_UP, 'W', 'X', 'Z', 'Z', 'Y', 'S'};
    const WORD cmds[24] = {CMD_BACKGROUND_REF, CMD_POINTS_OVER_BACK, TOOL_QUERY, CMD_NEW_TIN, CMD_COLOR_TIN, CMD_PREVIOUS_TOOL, CMD_POINT_LARGER, CMD_PAGE_DOWN, CMD_ADJUST_B_DOWN, CMD_CANCEL, CMD_HELP_CONTENTS,
                           CMD_ADJUST_B_UP, CMD_PAGE_LEFT, CMD_ADJUST_A_DOWN, CMD_ADJUST_A_UP, CMD_PAGE_RIGHT, CMD_POINT_SMALLER, CMD_PAGE_UP, TOOL_MEASURE, TOOL_PAN, TOOL_ZOOM, CMD_UNDO, CMD_REDO, CMD_SAVE_LAS};
    for (int i = 0; i < 24; i++) {
        EXPECT_EQ(entries[i].key, keys[i]) << i;
        EXPECT_EQ(entries[i].cmd, cmds[i]) << i;
        // Undo, redo and save take Ctrl: the plain Z stays the zoom tool.
        EXPECT_EQ(entries[i].fVirt & (FVIRTKEY | FSHIFT | FCONTROL | FALT), i < 21 ? FVIRTKEY : FVIRTKEY | FCONTROL) << i;
    }
    DestroyAcceleratorTable(table);
}

// The popup of return switches is the first submenu of its resource; the
// toolbar's popup offers the four switches and the all-on/all-off pair.
TEST_F(FrameTest, ReturnsPopupOffersTheFourSwitchesThenAllOnAndOff)
{
    HMENU popup = GetSubMenu(ReturnsMenu, 0);
    ASSERT_NE(popup, nullptr);
    const UINT ids[7] = {CMD_SHOW_SINGLE, CMD_SHOW_FIRST_RETURNS, CMD_SHOW_INTERMEDIATE, CMD_SHOW_LAST_RETURNS, 0, CMD_ALL_RETURNS_ON, CMD_ALL_RETURNS_OFF};
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

namespace {
int activations;
LRESULT CALLBACK CountActivations(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && call->message == WM_MDIACTIVATE && call->hwnd != MDIClientWindow) activations++;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
}  // namespace

// Nothing to ask: no view is brought to the front (each would repaint and
// start drawing again), and a visit of the views leaves the active one alone.
TEST_F(FrameTest, CloseWithNothingUnsavedAsksNothing)
{
    AddView("a.las", false, false);
    HWND b = AddView("b.las", false, false);
    AddView("c.las", false, false);
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)b, 0);
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CountActivations, nullptr, GetCurrentThreadId());
    activations = 0;
    EXPECT_EQ(PlanViews().size(), 3u);
    BoxAnswers boxes;
    EXPECT_EQ(FrameClose(FrameWindow), 1);
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(activations, 0);
    EXPECT_EQ((HWND)SendMessageA(MDIClientWindow, WM_MDIGETACTIVE, 0, 0), b);
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
    EXPECT_EQ(boxes.shown()[0].text, Formatted(kUnsavedSetQuestion, "AOI", "second.las"));
    EXPECT_EQ(boxes.shown()[1].text, Formatted(kUnsavedSetQuestion, "POI", "second.las"));
    EXPECT_EQ(boxes.shown()[2].text.substr(0, 3), "AOI");
    EXPECT_NE(boxes.shown()[2].text.find("first.las"), std::string::npos);
    EXPECT_EQ(boxes.shown()[3].text.substr(0, 3), "POI");
}

TEST_F(FrameTest, CancelOrFailedSaveKeepsTheProgramRunning)
{
    ViewRecord* r = Record(AddView("v.las", true, true));
    strcpy(r->aoiSet->path, "C:\\data\\v_aoi.shp");
    {
        BoxAnswers boxes({IDCANCEL});
        EXPECT_EQ(FrameClose(FrameWindow), 0);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_NE(boxes.shown()[0].text.find("    C:\\data\\v_aoi.shp\n"), std::string::npos);
    }
    {
        // Yes with a save that fails also cancels: the set's folder does not
        // exist and a file dialog, should one come, is cancelled.
        strcpy(r->aoiSet->path, "C:\\no such folder\\v_aoi.shp");
        FileDialogAnswers files({""});
        BoxAnswers boxes({IDYES});
        EXPECT_EQ(FrameClose(FrameWindow), 0);
        EXPECT_EQ(boxes.shown().size(), 1u);
    }
    EXPECT_TRUE(IsWindow(views.back()));
}

TEST_F(FrameTest, RunningWorkerIsQuestionedAndJobsStayUsableAfterCancel)
{
    JobControl* worker = (JobControl*)GetWindowSlot(FrameWindow, FRAME_WORKERJOB);
    AcquireWorker();
    EXPECT_EQ(IsWorkerBusy(), 1);
    {
        BoxAnswers boxes({IDNO});
        EXPECT_EQ(FrameClose(FrameWindow), 0);
        ASSERT_TRUE(ShowedOneBox(boxes, kWorkerRunningQuestion));
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
    ASSERT_TRUE(WaitUntil([] { return IsAppJobBusy() != 0; }, 10000)) << "the worker thread did not start";
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
    KeptLog().clear();
    SetLogHook(KeepLog);
    ErrorMessage("first line\n\nsecond line");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
    EXPECT_EQ(boxes.shown()[0].type, (unsigned)(MB_OK | MB_ICONERROR));
    WarningMessage("careful\n");
    SetLogHook(nullptr);
    EXPECT_EQ(boxes.shown()[1].caption, "Warning");
    EXPECT_EQ(boxes.shown()[1].type, (unsigned)(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(KeptLog(), (std::vector<std::string>{"[ERROR] first line", "[ERROR] second line", "[WARN] careful"}));
}

TEST(Progress, RangesAboveSixteenBitsAreKeptWholeAndStepsOnlyWhileRunning)
{
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", 0, 0, 0, 100, 10, nullptr, nullptr, nullptr, nullptr);
    SetProgressWindows(bar, nullptr);
    StepProgress();
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    StartProgress(70000, "Loading File");
    EXPECT_EQ(SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 70000);   // not wrapped to 4464
    // The bar is shown each time another of its parts fills, at the step
    // that fills it, not at every step.
    int perPart = (70000 + kProgressUpdates - 1) / kProgressUpdates;
    for (int i = 0; i < perPart - 1; i++) StepProgress();
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    StepProgress();
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), perPart);
    for (int i = 0; i < 70000; i++) StepProgress();   // past the end the bar stays full
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 70000);
    EndProgress();
    StepProgress();
    EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    SetProgressWindows(nullptr, nullptr);
    StartProgress(10, "nowhere");   // a set pointed at no window does nothing
    EndProgress();
    DestroyWindow(bar);
}

namespace {
// Every command id reachable from a menu and its submenus.
void CollectMenuIds(HMENU menu, std::vector<UINT>* ids)
{
    for (int i = 0; i < GetMenuItemCount(menu); i++) {
        if (HMENU sub = GetSubMenu(menu, i)) CollectMenuIds(sub, ids);
        else ids->push_back(GetMenuItemID(menu, i));
    }
}

// The letters after '&' in one popup's items (not its submenus' items).
void ExpectUniqueMnemonics(HMENU popup, const std::string& where)
{
    std::string seen;
    for (int i = 0; i < GetMenuItemCount(popup); i++) {
        char text[128] = "";
        GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
        const char* amp = strchr(text, '&');
        if (!amp || !amp[1]) continue;
        char letter = (char)toupper((unsigned char)amp[1]);
        EXPECT_EQ(seen.find(letter), std::string::npos) << where << ": '" << letter << "' again in " << text;
        seen += letter;
        if (HMENU sub = GetSubMenu(popup, i)) ExpectUniqueMnemonics(sub, where + " > " + text);
    }
}
}  // namespace

// Frame commands that have no toolbar button are reached from the menus, and
// no popup gives one letter to two items.
TEST_F(FrameTest, MenusReachTheCommandsWithoutButtonsWithDistinctMnemonics)
{
    for (HMENU menu : {FrameMenu, ViewMenu}) {
        std::vector<UINT> ids;
        CollectMenuIds(menu, &ids);
        for (UINT id : {9045u, 9046u, 9098u})
            EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id << (menu == ViewMenu ? " (view)" : "");
        if (menu == ViewMenu) {
            for (UINT id : {9010u, 9030u, 9041u})
                EXPECT_NE(std::find(ids.begin(), ids.end(), id), ids.end()) << id << " (view)";
        }
        for (int i = 0; i < GetMenuItemCount(menu); i++) {
            char text[64] = "";
            GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
            ExpectUniqueMnemonics(GetSubMenu(menu, i), text);
        }
    }
}
