// The fixtures of the program's windows. FrameFixture starts the frame on
// demand, with its settings in a throw-away registry key of this process;
// ViewFixture starts it at once and opens plan views as real "MDIChild"
// windows (MDIChildWndProc) over data sets made by the test. Every window,
// record and data set a fixture made goes away with the frame.
#pragma once
#include "test_support.h"
#include "app/command_ids.h"
#include "shell/frame.h"
#include "shell/startup.h"
#include "app/view_record.h"
#include "shell/view_window.h"
#include "app/window_slots.h"
#include "views/plan/view_mapping.h"
#include "base/messages.h"
#include <commctrl.h>
#include <cstring>
#include <string>
#include <vector>

// The registry key the program's settings live in during the tests (one per
// test process, so that tests may run side by side).
const char* TestRegistryKey();

class FrameFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Starts the frame with `commandLine`.
    void StartFrame(const char* commandLine = "");
    // Starts the frame with the sample file `name` on its command line; the
    // plan view it opens, or null when it did not open exactly one.
    HWND StartFrameOnSample(const char* name);
    // Destroys the frame and every window in it; the registry key stays.
    void StopFrame();
    static void ClearTestKey();

public:
    // The plan views open now, in no particular order.
    static std::vector<HWND> PlanViews();
    static ViewRecord* Record(HWND window) { return ViewRecordOf(window); }
    static HWND Toolbar() { return (HWND)GetWindowSlot(FrameWindow, FRAME_TOOLBAR); }
    static bool ButtonChecked(int id);
    static bool MenuChecked(int id);
    // The text of one part of a view's status bar.
    static std::string StatusText(HWND window, int part);
    // The window's place inside the MDI client: left, top, width, height.
    static RECT PlaceOf(HWND window);
    static RECT ClientOfMDI();
};

// A started frame and a fresh temporary folder (ends in a backslash).
class FolderFrameFixture : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        StartFrame();
        folder = TempDir();
    }
    std::string folder;
};

class ViewFixture : public FrameFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // A plan view over the data sets, which it takes over. With a width and
    // height the view is restored from maximised and sized so that its
    // drawing area (the client less the status bar) is that large.
    HWND OpenView(const std::vector<DataSet*>& sets, int width = 0, int height = 0, const char* title = "view");
    // A plan view without data over a square world extent, fitted to its window.
    HWND OpenEmptyView(const char* title = "view", double extent = 1000.0);
    // Restores the view and gives its drawing area the size.
    static void SizeView(HWND view, int width, int height);
    // A profile ("ChildProfile") or 3D ("ChildOpenGL") window of a view.
    HWND AddLinked(HWND view, const char* windowClass);
    // The project window, registered with the frame.
    HWND AddProjectWindow();

    std::vector<HWND> linked;
    HWND project = nullptr;
    ViewRecord* projectRecord = nullptr;
};

// A key with Ctrl held, through the program's own accelerator table.
void PressCtrl(WORD key);

// Drops the files on the frame as the shell would (WM_DROPFILES).
void DropOnFrame(const std::vector<std::string>& paths);

// ---- what a view drew ---------------------------------------------------------

// Draws the view's points into a memory bitmap of its drawing size filled
// with `background`; returns the drawer's result and the pixels (0x00RRGGBB, top-down).
// A 32-bit top-down DIB section of the given size.
HBITMAP CreateTopDownDIB(int width, int height, void** bits);
// Runs a drawer into a 32-bit bitmap filled with `background`; returns the
// drawer's result and the pixels (0x00RRGGBB, top-down).
int DrawOffscreen(int width, int height, const std::function<int(HDC)>& draw, std::vector<uint32_t>* pixels,
                  COLORREF background = 0);
int DrawPointsOffscreen(HWND view, std::vector<uint32_t>* pixels, COLORREF background = 0);
COLORREF PixelAt(const std::vector<uint32_t>& pixels, int width, int x, int y);
// Whether `font` has a glyph of its own for every letter of the UTF-8 `text`
// (a font without one draws a box or a stand-in character, whichever call draws).
bool FontHoldsLetters(HFONT font, const char* text);
// The width of UTF-8 `text` in `font`, measured by the W call.
int WideTextWidth(HFONT font, const char* text, int length = -1);
// The view's image cache at (x, y) as a colour value.
COLORREF CachePixel(const ViewRecord* record, int x, int y);
// Pumps until the view's draw thread has finished; false when it has not
// within `ms` milliseconds.
bool WaitForViewDraw(HWND view, int ms);
// Pumps until the view's draw has finished and cached its image.
bool WaitForCachedDraw(HWND view, int ms);
// Saves the view's cached image as a 24-bit .bmp file.
bool SaveCacheBitmap(const ViewRecord* record, const std::string& path);
