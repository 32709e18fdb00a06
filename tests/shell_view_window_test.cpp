// The plan-view window: creation, activation, closing, the job-done message
// and the draw lock, on the real frame under Xvfb.
#include "point_sets.h"
#include "point_selections.h"
#include "window_fixtures.h"
#include "gis/project/project.h"
#include "app/command_ids.h"
#include "shell/startup.h"
#include "shell/frame.h"
#include "app/job_control.h"
#include "shell/view_window.h"
#include "app/window_slots.h"
#include "shell/save_las.h"
#include "data/las_save.h"
#include "base/heap.h"
#include "classify/reclass.h"
#include "data/las_loader.h"
#include "data/tin_model.h"
#include "las_test_files.h"
#include <cstring>

namespace {

class ViewWindowTest : public ViewFixture {
protected:
    HWND OpenView(const char* title, int points = 10)
    {
        std::vector<PointRecord> pts;
        for (int i = 0; i < points; i++) pts.push_back(MakePoint(i, i * 2, (float)i));
        DataSet* set = MakePointSet(pts);
        strcpy(set->title, title);
        return ViewFixture::OpenView({set}, 0, 0, title);
    }
};


// A hand edit of the set's first `n` points to `target`, as the plan tools make it.
int EditFirstPoints(HWND view, DataSet* set, int n, int target)
{
    PointSelection* s = SelectPoints(set->points, n);
    ClassSelection classes = {};
    classes.targetClass = target;
    int changed = ReclassSelection(view, s, &classes, 0, 16);
    FreePointSelection(s);
    return changed;
}

// Bytes in use on the process heap, where every record of the program lives.
size_t HeapBusyBytes()
{
    HANDLE heap = GetProcessHeap();
    HeapLock(heap);
    PROCESS_HEAP_ENTRY entry = {};
    size_t busy = 0;
    while (HeapWalk(heap, &entry))
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) busy += entry.cbData;
    HeapUnlock(heap);
    return busy;
}

// A drawing that runs until it is cancelled (or its deadline passes), then
// touches the record at its end.
struct SlowDraw {
    HWND view;
    ViewRecord* record;
    volatile LONG finished;
    volatile LONG cancelled;
};

DWORD WINAPI SlowDrawThread(void* param)
{
    SlowDraw* d = (SlowDraw*)param;
    JobControl* job = (JobControl*)GetWindowSlot(d->view, CHILD_JOB);
    if (WaitUntil([&] { return JobCancelled(job) != 0; }, 10000)) d->cancelled = 1;
    d->record->drawState = 42;
    d->finished = 1;
    EndViewDraw(d->view);
    return 0;
}

}  // namespace

TEST_F(ViewWindowTest, OpenActivateAndCloseRepeatedlyFreesEverything)
{
    // One round first, so that one-time allocations of the window system are
    // out of the count.
    HWND view = OpenView("warm.las");
    ASSERT_NE(view, nullptr);
    SendMessageA(view, WM_CLOSE, 0, 0);
    PumpMessages(10);
    size_t before = HeapBusyBytes();
    for (int round = 0; round < 4; round++) {
        HWND a = OpenView("a.las", 1000);
        HWND b = OpenView("b.las");
        ASSERT_TRUE(a && b);
        EXPECT_EQ(Record(a)->window, a);
        EXPECT_NE(GetWindowSlot(a, CHILD_JOB), 0);
        EXPECT_EQ(GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT), 2);
        SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)a, 0);
        EXPECT_EQ(GetActiveView(), a);
        EXPECT_EQ(GetMenu(FrameWindow), ViewMenu);
        PumpMessages(5);
        // Close the active view first, then the other one.
        SendMessageA(a, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(a));
        EXPECT_EQ(GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT), 1);
        SendMessageA(b, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(b));
        EXPECT_EQ(GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT), 0);
        EXPECT_EQ(GetMenu(FrameWindow), FrameMenu);
        EXPECT_EQ(GetActiveView(), nullptr);
    }
    PumpMessages(10);
    size_t after = HeapBusyBytes();
    // Each round allocates two records (over 40 KB each) and two data sets
    // (over 512 KB each); what stays must be far less than one of them.
    EXPECT_LT(after, before + 32 * 1024) << before << " -> " << after;
}

namespace {
std::vector<HMENU> windowMenusSet;   // what the view menu's window list was handed to
LRESULT CALLBACK WatchWindowMenu(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && call->hwnd == MDIClientWindow && call->message == WM_MDISETMENU &&
        (call->wParam == (WPARAM)ViewMenu || call->wParam == (WPARAM)FrameMenu))
        windowMenusSet.push_back((HMENU)call->lParam);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
bool HoldsArrangeCommands(HMENU popup)
{
    int found = 0;
    for (int i = 0; i < GetMenuItemCount(popup); i++) {
        UINT id = GetMenuItemID(popup, i);
        if (id == CMD_CASCADE || id == CMD_TILE_HORIZONTAL || id == CMD_TILE_VERTICAL) found++;
    }
    return found == 3;
}
}  // namespace

// The open windows are listed in the popup with the arrange commands, with a
// plan view active and with its profile or 3D window active.
TEST_F(ViewWindowTest, WindowListGoesToThePopupWithTheArrangeCommands)
{
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, WatchWindowMenu, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    windowMenusSet.clear();
    HWND view = OpenView("a.las");
    ASSERT_FALSE(windowMenusSet.empty());
    EXPECT_TRUE(HoldsArrangeCommands(windowMenusSet.back()));
    for (const char* windowClass : {"ChildProfile", "ChildOpenGL"}) {
        windowMenusSet.clear();
        HWND linkedWindow = AddLinked(view, windowClass);
        SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)view, 0);
        SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)linkedWindow, 0);
        ASSERT_FALSE(windowMenusSet.empty()) << windowClass;
        EXPECT_TRUE(HoldsArrangeCommands(windowMenusSet.back())) << windowClass;
    }
    // With no view the frame's menu shows, and its list goes under Settings.
    windowMenusSet.clear();
    SendMessageA(view, WM_CLOSE, 0, 0);
    EXPECT_NE(std::find(windowMenusSet.begin(), windowMenusSet.end(), FrameWindowMenu), windowMenusSet.end());
    EXPECT_NE(GetMenuState(FrameWindowMenu, CMD_DECIMATION_VALUE, MF_BYCOMMAND), (UINT)-1);
    UnhookWindowsHookEx(hook);
}

TEST_F(ViewWindowTest, ClosingRightAfterADrawStartedWaitsForTheDrawing)
{
    for (int round = 0; round < 3; round++) {
        HWND view = OpenView("quick.las");
        SlowDraw draw = {view, Record(view), 0, 0};
        ASSERT_NE(StartViewDrawThread(view, SlowDrawThread, &draw), nullptr);
        // The lock is taken before the thread runs at all.
        EXPECT_EQ(IsViewJobBusy(view), 1);
        SendMessageA(view, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(view));
        EXPECT_EQ(draw.finished, 1);
        EXPECT_EQ(draw.cancelled, 1);
    }
}

TEST_F(ViewWindowTest, CancelOnA3DWindowStopsItsPlanView)
{
    HWND view = OpenView("gl.las");
    ViewRecord* record = Record(view);
    MDICREATESTRUCTA mcs = {"ChildOpenGL", "3D", AppInstance, 0, 0, 100, 100, 0, (LPARAM)record};
    HWND gl = (HWND)SendMessageA(MDIClientWindow, WM_MDICREATE, 0, (LPARAM)&mcs);
    ASSERT_NE(gl, nullptr);
    record->glWindow = gl;
    SlowDraw draw = {view, record, 0, 0};
    StartViewDrawThread(view, SlowDrawThread, &draw);
    EXPECT_EQ(CancelViewDraw(gl), 1);
    EXPECT_EQ(draw.finished, 1);
    EXPECT_EQ(draw.cancelled, 1);
    EXPECT_EQ(CancelViewDraw(gl), 0);   // nothing runs any more
    EXPECT_EQ(CancelViewDraw(nullptr), 0);
    // Closing the view closes its 3D window with it.
    SendMessageA(view, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(view));
    EXPECT_FALSE(IsWindow(gl));
}

namespace {
HWND sizeWatched;
int sizesSeen;
LRESULT CALLBACK CountSizes(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* call = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && call->message == WM_SIZE && call->hwnd == sizeWatched) sizesSeen++;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
}  // namespace

// Among other views, a view closing with its profile and 3D window is not
// arranged again on its way out (each arrangement resized and redrew every
// large view); the views that stay are tiled once it has gone.
TEST_F(ViewWindowTest, AClosingViewIsNotArrangedOnItsWayOut)
{
    HWND stays = OpenView("a.las");
    OpenView("b.las");
    HWND view = OpenView("c.las");
    AddLinked(view, "ChildProfile");
    HWND gl = AddLinked(view, "ChildOpenGL");
    sizeWatched = view;
    sizesSeen = 0;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CountSizes, nullptr, GetCurrentThreadId());
    SendMessageA(view, WM_CLOSE, 0, 0);
    UnhookWindowsHookEx(hook);
    EXPECT_FALSE(IsWindow(view));
    EXPECT_FALSE(IsWindow(gl));
    EXPECT_EQ(sizesSeen, 0);
    EXPECT_EQ(PlaceOf(stays).right, ClientOfMDI().right / 2);   // two views side by side
}

TEST_F(ViewWindowTest, UnsavedSetQuestionsNameTheSetOrTheView)
{
    HWND view = OpenView("survey.las");
    ViewRecord* record = Record(view);
    POISet* poi = (POISet*)NBLCalloc(1, sizeof(POISet));
    record->poiSet = poi;
    {
        BoxAnswers boxes({IDCANCEL});
        SendMessageA(view, WM_CLOSE, 0, 0);
        ASSERT_TRUE(IsWindow(view));
        ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kUnsavedSetQuestion, "POI", "survey.las")));
        EXPECT_EQ(boxes.shown()[0].caption, "Warning");
        EXPECT_EQ(boxes.shown()[0].type, (unsigned)(MB_YESNOCANCEL | MB_ICONQUESTION));
    }
    // Every data set removed, the current one already freed: the view's own
    // title names it.
    FreeDataSet(record->dataSets[0]);
    record->dataSets[0] = nullptr;
    record->dataSetCount = 0;
    strcpy(record->title, "View 3");
    {
        BoxAnswers boxes({IDCANCEL});
        SendMessageA(view, WM_CLOSE, 0, 0);
        ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kUnsavedSetQuestion, "POI", "View 3")));
    }
    {
        // Yes with a save that fails keeps the view open: the set's folder
        // does not exist and a file dialog, should one come, is cancelled.
        strcpy(poi->path, "C:\\no such folder\\survey_poi.shp");
        FileDialogAnswers files({""});
        BoxAnswers boxes({IDYES});
        SendMessageA(view, WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindow(view));
    }
    EXPECT_EQ(GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT), 1);
    // The draw lock is free again after every refusal.
    HANDLE mutex = ((JobControl*)GetWindowSlot(view, CHILD_JOB))->mutex;
    struct Probe {
        static DWORD WINAPI Run(void* m)
        {
            DWORD r = WaitForSingleObject((HANDLE)m, 0);
            if (r == WAIT_OBJECT_0) ReleaseMutex((HANDLE)m);
            return r;
        }
    };
    HANDLE t = CreateThread(nullptr, 0, Probe::Run, mutex, 0, nullptr);
    WaitForSingleObject(t, 5000);
    DWORD code = 1;
    GetExitCodeThread(t, &code);
    CloseHandle(t);
    EXPECT_EQ(code, WAIT_OBJECT_0);
    {
        BoxAnswers boxes({IDNO});
        SendMessageA(view, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(view));
    }
    EXPECT_EQ(GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT), 0);
}

TEST_F(ViewWindowTest, JobDoneActivatesTheViewAndMarksItsImageStale)
{
    HWND first = OpenView("one.las");
    HWND second = OpenView("two.las");
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)second, 0);
    ViewRecord* record = Record(first);
    record->imageCacheValid = 1;
    SendMessageA(first, WM_JOB_DONE, 1, 0);
    EXPECT_EQ(GetActiveView(), first);
    EXPECT_EQ(record->imageCacheValid, 1);   // contours added over a valid image
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)second, 0);
    SendMessageA(first, WM_JOB_DONE, 0, 1);
    EXPECT_EQ(GetActiveView(), first);
    EXPECT_EQ(record->imageCacheValid, 0);

    // Cancelling every drawing keeps the active view active.
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)second, 0);
    EXPECT_EQ(CancelAllViewDraws(), 1);
    EXPECT_EQ(GetActiveView(), second);
    SendMessageA(first, WM_CLOSE, 0, 0);
    SendMessageA(second, WM_CLOSE, 0, 0);
    EXPECT_EQ(CancelAllViewDraws(), 0);
}

namespace {
int bandClicks;
LRESULT CALLBACK BandProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_COMMAND && LOWORD(wp) == ID_FILTER_BUTTON && HIWORD(wp) == BN_CLICKED) bandClicks++;
    return DefWindowProcA(w, m, wp, lp);
}
}  // namespace

TEST_F(ViewWindowTest, SpaceBarClicksTheFilterButtonWhileAPolygonIsOpen)
{
    HWND view = OpenView("space.las");
    ViewRecord* record = Record(view);
    record->currentTool = TOOL_FILTER_POLYGON;
    record->editPolyline = CreatePolyline(0);
    // No band dialog, or one without the button: nothing happens.
    SendMessageA(view, WM_CHAR, ' ', 0);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BandProc;
    wc.hInstance = AppInstance;
    wc.lpszClassName = "VelkaTestBand";
    RegisterClassA(&wc);
    HWND band = CreateWindowExA(0, "VelkaTestBand", "", 0, 0, 0, 100, 100, nullptr, nullptr, AppInstance, nullptr);
    SetWindowSlot(FrameWindow, FRAME_BANDDIALOG, (LONG_PTR)band);
    SendMessageA(view, WM_CHAR, ' ', 0);
    HWND button = CreateWindowExA(0, "BUTTON", "Filter", WS_CHILD | BS_PUSHBUTTON, 0, 0, 50, 20, band,
                                  (HMENU)ID_FILTER_BUTTON, AppInstance, nullptr);
    ASSERT_NE(button, nullptr);
    bandClicks = 0;
    SendMessageA(view, WM_CHAR, ' ', 0);
    EXPECT_EQ(bandClicks, 1);
    SendMessageA(view, WM_CHAR, 'x', 0);
    record->currentTool = TOOL_ZOOM;
    SendMessageA(view, WM_CHAR, ' ', 0);
    EXPECT_EQ(bandClicks, 1);
    SetWindowSlot(FrameWindow, FRAME_BANDDIALOG, 0);
    DestroyWindow(band);
    SendMessageA(view, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(view));
}

TEST_F(ViewWindowTest, FailedCreationTellsAndLeavesTheRecordToTheCaller)
{
    ViewRecord* record = CreateViewRecord();
    HWND client = MDIClientWindow;
    MDIClientWindow = nullptr;
    BoxAnswers boxes;
    EXPECT_EQ(CreateViewWindow(record), nullptr);
    MDIClientWindow = client;
    ASSERT_TRUE(ShowedOneBox(boxes, kViewCreateFailedText));
    EXPECT_EQ(boxes.shown()[0].caption, "Error");
    FreeViewRecord(record);
}

namespace {
WNDPROC frameProc;
int projectCommands;
LRESULT CALLBACK CountingFrameProc(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_COMMAND && LOWORD(wp) == CMD_PROJECT_SHOW) projectCommands++;
    return CallWindowProcA(frameProc, w, m, wp, lp);
}
}  // namespace

TEST_F(ViewWindowTest, ProjectWindowHidesForAViewAndReturnsAfterTheLast)
{
    ViewRecord* projectRecord = CreateViewRecord();
    MDICREATESTRUCTA mcs = {"ProjectWin", "Project", AppInstance, 0, 0, 200, 200, 0, (LPARAM)projectRecord};
    HWND project = (HWND)SendMessageA(MDIClientWindow, WM_MDICREATE, 0, (LPARAM)&mcs);
    ASSERT_NE(project, nullptr);
    projectRecord->window = project;
    SetWindowSlot(FrameWindow, FRAME_PROJECTWIN, (LONG_PTR)project);
    SetWindowSlot(project, PROJECTWIN_PROJECT, (LONG_PTR)NewProject());   // the window frees it
    frameProc = (WNDPROC)SetWindowLongPtrA(FrameWindow, GWLP_WNDPROC, (LONG_PTR)CountingFrameProc);
    projectCommands = 0;

    HWND first = OpenView("first.las");
    EXPECT_EQ(projectRecord->projectShown, 0);
    EXPECT_FALSE(IsWindowVisible(project));
    HWND second = OpenView("second.las");
    EnableWindow(project, FALSE);
    SendMessageA(first, WM_CLOSE, 0, 0);
    EXPECT_EQ(projectCommands, 0);   // another view is still open
    SendMessageA(second, WM_CLOSE, 0, 0);
    EXPECT_EQ(projectCommands, 1);

    SetWindowLongPtrA(FrameWindow, GWLP_WNDPROC, (LONG_PTR)frameProc);
    SetWindowSlot(FrameWindow, FRAME_PROJECTWIN, 0);
    SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)project, 0);   // frees the record
}

TEST_F(ViewWindowTest, EditedClassesAreAskedAboutOnCloseAndYesSavesOnlyTheClasses)
{
    REQUIRE_SAMPLES();
    std::string path = TempPath("edited_close.las");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(CopyFileA(SamplePath("simple.las").c_str(), path.c_str(), FALSE));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    Bytes before = ReadBytes(path);
    DataSet* set = LoadLASData(path.c_str(), "edited_close.las");
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->saved, 1);
    HWND view = ViewFixture::OpenView({set}, 0, 0, "edited_close.las");
    std::vector<uint8_t> old;
    for (int i = 0; i < 3; i++) old.push_back(set->points[i].classification);
    int target = old[0] == 7 ? 8 : 7;
    ASSERT_EQ(EditFirstPoints(view, set, 3, target), 3);
    EXPECT_EQ(set->saved, 0);
    {
        BoxAnswers boxes({IDCANCEL});
        SendMessageA(view, WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindow(view));
        ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kUnsavedSetQuestion, kUnsavedLASKind, path.c_str())));
        EXPECT_EQ(boxes.shown()[0].type, (unsigned)(MB_YESNOCANCEL | MB_ICONQUESTION));
    }
    EXPECT_EQ(ReadBytes(path), before);
    {
        // A save that fails (the copy is read-only) keeps the view open.
        BoxAnswers boxes({IDYES});
        SendMessageA(view, WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindow(view));
        EXPECT_EQ(boxes.shown().size(), 2u);
        EXPECT_EQ(set->saved, 0);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    {
        BoxAnswers boxes({IDYES});
        SendMessageA(view, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(view));
        EXPECT_EQ(boxes.shown().size(), 1u) << boxes.shown().back().text;
    }
    // Only the class bits of the edited points differ.
    Bytes after = ReadBytes(path);
    ASSERT_EQ(after.size(), before.size());
    uint32_t offset = FieldAt<uint32_t>(before, 96);
    uint16_t length = FieldAt<uint16_t>(before, 105);
    ASSERT_LT(before[104] & 0x3F, 6);   // the class sits in byte 15's low bits
    std::vector<size_t> differing;
    for (size_t i = 0; i < before.size(); i++)
        if (before[i] != after[i]) differing.push_back(i);
    for (size_t at : differing) {
        ASSERT_GE(at, offset);
        size_t point = (at - offset) / length;
        EXPECT_LT(point, 3u) << at;
        EXPECT_EQ((at - offset) % length, 15u) << at;
        EXPECT_EQ((before[at] ^ after[at]) & 0xE0, 0) << at;
    }
    for (int i = 0; i < 3; i++) EXPECT_EQ(after[offset + i * length + 15] & 0x1F, target) << i;
    EXPECT_EQ(differing.size(), (size_t)std::count_if(old.begin(), old.end(), [&](uint8_t c) { return c != target; }));
}

TEST_F(ViewWindowTest, SavedSetsCloseWithoutAskingAndNoDiscardsTheEdits)
{
    HWND quiet = OpenView("untouched.las");
    {
        BoxAnswers boxes({IDCANCEL});
        SendMessageA(quiet, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(quiet));
        EXPECT_TRUE(boxes.shown().empty());
    }
    HWND view = OpenView("edited.las");
    DataSet* set = Record(view)->dataSets[0];
    ASSERT_EQ(EditFirstPoints(view, set, 2, 6), 2);
    {
        BoxAnswers boxes({IDNO});
        SendMessageA(view, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(view));
        ASSERT_EQ(boxes.shown().size(), 1u);   // no save was tried
        EXPECT_EQ(boxes.shown()[0].text, Formatted(kUnsavedSetQuestion, kUnsavedLASKind, "edited.las"));
    }
}

TEST_F(ViewWindowTest, ASetTheSaveRefusesKeepsTheViewAndTheFrameOpen)
{
    DataSet* laz = MakePointSet({MakePoint(0, 0, 1), MakePoint(1, 1, 2)});
    strcpy(laz->title, "tile.laz");
    laz->source = SOURCE_LAZ;
    DataSet* thinned = MakePointSet({MakePoint(2, 2, 1), MakePoint(3, 3, 2)});
    strcpy(thinned->title, "thinned.las");
    thinned->source = SOURCE_LAS;
    thinned->decimated = 1;
    DataSet* other = MakePointSet({MakePoint(4, 4, 1)});
    HWND view = ViewFixture::OpenView({laz, other, thinned}, 0, 0, "three");
    ASSERT_EQ(EditFirstPoints(view, laz, 1, 6), 1);
    ASSERT_EQ(EditFirstPoints(view, thinned, 1, 6), 1);
    EXPECT_EQ(other->saved, 1);   // only the sets holding edited points
    {
        BoxAnswers boxes({IDYES});
        SendMessageA(view, WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindow(view));
        ASSERT_EQ(boxes.shown().size(), 2u);
        EXPECT_EQ(boxes.shown()[1].text, Formatted(kSaveNotLASText, "tile.laz"));
    }
    {
        BoxAnswers boxes({IDNO, IDYES});
        SendMessageA(view, WM_CLOSE, 0, 0);
        EXPECT_TRUE(IsWindow(view));
        ASSERT_EQ(boxes.shown().size(), 3u);
        EXPECT_EQ(boxes.shown()[1].text, Formatted(kUnsavedSetQuestion, kUnsavedLASKind, "thinned.las"));
        EXPECT_EQ(boxes.shown()[2].text, Formatted(kSaveDecimatedText, "thinned.las"));
    }
    {
        BoxAnswers boxes({IDCANCEL});
        EXPECT_EQ(FrameClose(FrameWindow), 0);
        EXPECT_EQ(boxes.shown().size(), 1u);
    }
    {
        BoxAnswers boxes({}, IDNO);
        EXPECT_EQ(FrameClose(FrameWindow), 1);
        EXPECT_EQ(boxes.shown().size(), 2u);
    }
}
