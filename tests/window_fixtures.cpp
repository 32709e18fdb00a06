#include "window_fixtures.h"
#include "app/display_settings.h"
#include "app/job_control.h"
#include "shell/registry.h"
#include "base/code_pages.h"
#include "base/heap.h"
#include "views/plan/draw_points.h"
#include "resource.h"
#include <commctrl.h>
#include <shlobj.h>
#include <cstdio>
#include <cstring>

const char* TestRegistryKey()
{
    static char key[96];
    if (!key[0])
        snprintf(key, sizeof key, "Software\\VelkaDunmarroInc\\VelkaViewerTest%lu",
                 (unsigned long)GetCurrentProcessId());
    return key;
}

// ---- frame --------------------------------------------------------------------

void FrameFixture::ClearTestKey() { RegDeleteTreeA(HKEY_CURRENT_USER, TestRegistryKey()); }

void FrameFixture::SetUp()
{
    SetRegistryKeyPath(TestRegistryKey());
    ClearTestKey();
    SetDefaultDisplaySettings();
}

void FrameFixture::StartFrame(const char* commandLine)
{
    ASSERT_NE(InitInstance(commandLine), nullptr);
    PumpMessages(20);
}

HWND FrameFixture::StartFrameOnSample(const char* name)
{
    StartFrame(("\"" + SamplePath(name) + "\"").c_str());
    std::vector<HWND> views = PlanViews();
    return views.size() == 1 ? views[0] : nullptr;
}

static int CollectView(HWND child, void* context)
{
    ViewRecord* record = ViewRecordOf(child);
    char kind[32] = "";
    GetClassNameA(child, kind, sizeof kind);
    // The project window keeps a record of its own too.
    if (record && record->window == child && !strcmp(kind, "MDIChild")) ((std::vector<HWND>*)context)->push_back(child);
    return 1;
}

std::vector<HWND> FrameFixture::PlanViews()
{
    std::vector<HWND> views;
    if (MDIClientWindow) VisitMDIChildren(CollectView, &views);
    return views;
}

void FrameFixture::StopFrame()
{
    if (FrameWindow && IsWindow(FrameWindow)) {
        for (HWND view : PlanViews()) SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)view, 0);
        DestroyWindow(FrameWindow);
        PumpMessages(10);
    }
    FrameWindow = nullptr;
    MDIClientWindow = nullptr;
}

void FrameFixture::TearDown()
{
    StopFrame();
    ClearTestKey();
    SetRegistryKeyPath(nullptr);
    SetDefaultDisplaySettings();
}

bool FrameFixture::ButtonChecked(int id) { return (SendMessageA(Toolbar(), TB_GETSTATE, id, 0) & TBSTATE_CHECKED) != 0; }
bool FrameFixture::MenuChecked(int id) { return (GetMenuState(ViewMenu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }

std::string FrameFixture::StatusText(HWND window, int part)
{
    char text[256] = "";
    SendMessageA((HWND)GetWindowSlot(window, CHILD_STATUSBAR), SB_GETTEXTA, part, (LPARAM)text);
    return text;
}

RECT FrameFixture::PlaceOf(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, MDIClientWindow, (POINT*)&r, 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

RECT FrameFixture::ClientOfMDI()
{
    RECT r;
    GetClientRect(MDIClientWindow, &r);
    return r;
}

// ---- views --------------------------------------------------------------------

void ViewFixture::SetUp()
{
    FrameFixture::SetUp();
    StartFrame();
}

void ViewFixture::TearDown()
{
    // Linked windows first: they read the record their plan view frees.
    for (HWND w : linked)
        if (IsWindow(w)) SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)w, 0);
    // The project window frees its own record.
    if (project && IsWindow(project)) SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)project, 0);
    FrameFixture::TearDown();
}

HWND ViewFixture::OpenView(const std::vector<DataSet*>& sets, int width, int height, const char* title)
{
    ViewRecord* record = CreateViewRecord();
    NBLFree(record->dataSets);
    record->dataSetCount = (int)sets.size();
    record->dataSets = (DataSet**)NBLCalloc(sets.empty() ? 1 : sets.size(), sizeof(DataSet*));
    for (size_t i = 0; i < sets.size(); i++) record->dataSets[i] = sets[i];
    record->currentDataSet = sets.empty() ? nullptr : sets[0];
    record->dataKind = sets.empty() ? 0 : sets[0]->kind;
    snprintf(record->title, sizeof record->title, "%s", title);
    HWND view = CreateViewWindow(record);
    if (!view) {
        ADD_FAILURE() << "the plan view was not created";
        FreeViewRecord(record);
        return nullptr;
    }
    if (width > 0 && height > 0) SizeView(view, width, height);
    // Nothing is drawn until the test asks for it.
    ValidateRect(view, nullptr);
    return view;
}

HWND ViewFixture::OpenEmptyView(const char* title, double extent)
{
    ViewRecord* r = CreateViewRecord();
    snprintf(r->title, sizeof r->title, "%s", title);
    r->dataMinX = 5000.0;
    r->dataMinY = 2000.0;
    r->dataMaxX = 5000.0 + extent;
    r->dataMaxY = 2000.0 + extent;
    HWND view = CreateViewWindow(r);
    FitViewToWindow(view);
    return view;
}

void ViewFixture::SizeView(HWND view, int width, int height)
{
    if (IsZoomed(view)) SendMessageA(MDIClientWindow, WM_MDIRESTORE, (WPARAM)view, 0);
    RECT outer, inner;
    GetWindowRect(view, &outer);
    GetClientRect(view, &inner);
    int status = (int)GetWindowSlot(view, CHILD_STATUSHEIGHT);
    int dx = (outer.right - outer.left) - inner.right, dy = (outer.bottom - outer.top) - inner.bottom;
    SetWindowPos(view, nullptr, 0, 0, width + dx, height + status + dy, SWP_NOZORDER);
    RECT area;
    GetViewClientRect(view, &area);
    EXPECT_EQ(area.right, width) << "the drawing area did not get the width";
    EXPECT_EQ(area.bottom, height) << "the drawing area did not get the height";
}

HWND ViewFixture::AddLinked(HWND view, const char* windowClass)
{
    ViewRecord* r = Record(view);
    MDICREATESTRUCTA mcs = {windowClass, windowClass, AppInstance, CW_USEDEFAULT, CW_USEDEFAULT, 200, 150, 0,
                            (LPARAM)r};
    HWND w = (HWND)SendMessageA(MDIClientWindow, WM_MDICREATE, 0, (LPARAM)&mcs);
    if (!strcmp(windowClass, "ChildProfile")) r->profileWindow = w;
    else r->glWindow = w;
    linked.push_back(w);
    return w;
}

HWND ViewFixture::AddProjectWindow()
{
    projectRecord = CreateViewRecord();
    MDICREATESTRUCTA mcs = {"ProjectWin", "Project", AppInstance, CW_USEDEFAULT, CW_USEDEFAULT, 200, 150, 0,
                            (LPARAM)projectRecord};
    project = (HWND)SendMessageA(MDIClientWindow, WM_MDICREATE, 0, (LPARAM)&mcs);
    projectRecord->window = project;
    SetWindowSlot(FrameWindow, FRAME_PROJECTWIN, (LONG_PTR)project);
    return project;
}

// ---- what a view drew ---------------------------------------------------------

HBITMAP CreateTopDownDIB(int width, int height, void** bits)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    *bits = nullptr;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

int DrawOffscreen(int width, int height, const std::function<int(HDC)>& draw, std::vector<uint32_t>* pixels,
                  COLORREF background)
{
    void* bits = nullptr;
    HBITMAP bitmap = CreateTopDownDIB(width, height, &bits);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(mem, bitmap);
    RECT all = {0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(mem, &all, brush);
    DeleteObject(brush);
    int result = draw(mem);
    GdiFlush();
    pixels->assign((uint32_t*)bits, (uint32_t*)bits + (size_t)width * height);
    SelectObject(mem, old);
    DeleteObject(bitmap);
    DeleteDC(mem);
    return result;
}

int DrawPointsOffscreen(HWND view, std::vector<uint32_t>* pixels, COLORREF background)
{
    ViewRecord* r = ViewRecordOf(view);
    return DrawOffscreen(r->drawWidth, r->drawHeight, [view](HDC dc) { return DrawPointsForColorMode(view, dc); },
                         pixels, background);
}

bool WaitForCachedDraw(HWND view, int ms)
{
    ViewRecord* r = ViewRecordOf(view);
    return WaitUntil([&] { PumpMessages(20); return WaitForViewDraw(view, 20) && r->imageCacheValid; }, ms);
}

COLORREF PixelAt(const std::vector<uint32_t>& pixels, int width, int x, int y)
{
    uint32_t p = pixels[(size_t)y * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

bool FontHoldsLetters(HFONT font, const char* text)
{
    std::u16string wide = WideFrom(text, CP_UTF8);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    std::vector<WORD> glyphs(wide.size() + 1);
    DWORD n = GetGlyphIndicesW(dc, (const WCHAR*)wide.c_str(), (int)wide.size(), glyphs.data(),
                               GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, old);
    DeleteDC(dc);
    if (n != wide.size()) return false;
    for (size_t i = 0; i < wide.size(); i++)
        if (glyphs[i] == 0xFFFF) return false;
    return true;
}

int WideTextWidth(HFONT font, const char* text, int length)
{
    std::u16string wide = WideFrom(std::string(text, length < 0 ? strlen(text) : (size_t)length), CP_UTF8);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, (const WCHAR*)wide.c_str(), (int)wide.size(), &size);
    SelectObject(dc, old);
    DeleteDC(dc);
    return size.cx;
}

COLORREF CachePixel(const ViewRecord* record, int x, int y)
{
    const ViewImageCache& c = record->imageCache;
    const uint8_t* p = c.pixels + ((size_t)(c.height - 1 - y) * c.width + x) * 3;
    return RGB(p[2], p[1], p[0]);
}

bool WaitForViewDraw(HWND view, int ms)
{
    JobControl* job = (JobControl*)GetWindowSlot(view, CHILD_JOB);
    return WaitUntil(
        [&] {
            PumpMessages(5);
            // The thread clears its handle as it ends, then gives the mutex back.
            if (*(HANDLE volatile*)&job->thread || WaitForSingleObject(job->mutex, 0) != WAIT_OBJECT_0) return false;
            bool idle = !JobBusy(job) && !*(HANDLE volatile*)&job->thread;
            ReleaseMutex(job->mutex);
            return idle;
        },
        ms);
}

bool SaveCacheBitmap(const ViewRecord* record, const std::string& path)
{
    const ViewImageCache& c = record->imageCache;
    if (!c.pixels) return false;
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    DWORD size = (DWORD)c.width * c.height * 3;
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + size;
    ih.biSize = sizeof ih;
    ih.biWidth = c.width;
    ih.biHeight = c.height;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    fwrite(&fh, sizeof fh, 1, f);
    fwrite(&ih, sizeof ih, 1, f);
    fwrite(c.pixels, 1, size, f);
    fclose(f);
    return true;
}

void DropOnFrame(const std::vector<std::string>& paths)
{
    size_t bytes = sizeof(DROPFILES) + 1;
    for (const std::string& p : paths) bytes += p.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    DROPFILES* drop = (DROPFILES*)GlobalLock(memory);
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    char* names = (char*)(drop + 1);
    for (const std::string& p : paths) {
        memcpy(names, p.c_str(), p.size() + 1);
        names += p.size() + 1;
    }
    GlobalUnlock(memory);
    SendMessageA(FrameWindow, WM_DROPFILES, (WPARAM)memory, 0);
}

void PressCtrl(WORD key)
{
    HACCEL table = LoadAcceleratorsA(AppInstance, MAKEINTRESOURCEA(IDA_FRAME));
    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE held = keys[VK_CONTROL];
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    MSG msg = {FrameWindow, WM_KEYDOWN, key, 0, 0, {0, 0}};
    EXPECT_TRUE(TranslateAcceleratorA(FrameWindow, table, &msg)) << (char)key;
    keys[VK_CONTROL] = held;
    SetKeyboardState(keys);
    DestroyAcceleratorTable(table);
}
