#include "plan_draw_support.h"
#include "app/view_window.h"
#include "base/palette.h"
#include "data/selection.h"
#include "views/plan/draw_points.h"
#include "views/plan/draw_thread.h"
#include "views/plan/view_mapping.h"
#include "test_support.h"
#include "app/display_settings.h"
#include "app/job_control.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "data/laszip/laszip_api.h"
#include "views/plan/color_ramp.h"
#include <cstring>
#include <cstdio>
#include <array>

PointRecord MakePoint(double x, double y, float z, int cls, int returnPosition)
{
    PointRecord p;
    memset(&p, 0, sizeof p);
    p.x = x;
    p.y = y;
    p.z = z;
    p.classification = (uint8_t)cls;
    p.returns = (uint8_t)(1 | (1 << 3) | (returnPosition << 6));
    return p;
}

static DataSet* FinishDataSet(DataSet* set)
{
    set->kind = 1;
    set->minX = set->minY = 1e300;
    set->maxX = set->maxY = -1e300;
    set->minZ = 3e38f;
    set->maxZ = -3e38f;
    int iLow = 65535, iHigh = 0;
    for (int k = 0; k < set->pointCount; k++) {
        const PointRecord& p = set->points[k];
        if (p.x < set->minX) set->minX = p.x;
        if (p.x > set->maxX) set->maxX = p.x;
        if (p.y < set->minY) set->minY = p.y;
        if (p.y > set->maxY) set->maxY = p.y;
        if (p.z < set->minZ) set->minZ = p.z;
        if (p.z > set->maxZ) set->maxZ = p.z;
        if (p.intensity < iLow) iLow = p.intensity;
        if (p.intensity > iHigh) iHigh = p.intensity;
    }
    set->rampLowZ = set->minZ;
    set->rampHighZ = set->maxZ;
    set->intensityLow = iLow;
    set->intensityHigh = iHigh;
    for (int i = 0; i < 65536; i++) set->sourceIdTable[i].color = GetPaletteColor(i);
    set->tiles = BuildPointTiles(set);
    return set;
}


DataSet* MakePointDataSet(const std::vector<PointRecord>& points)
{
    DataSet* set = AllocDataSet();
    set->pointCount = (int32_t)points.size();
    set->points = (PointRecord*)NBLMalloc(points.size() * sizeof(PointRecord) + 1);
    memcpy(set->points, points.data(), points.size() * sizeof(PointRecord));
    return FinishDataSet(set);
}

DataSet* LoadSampleDataSet(const std::string& path)
{
    laszip_POINTER reader = nullptr;
    laszip_create(&reader);
    laszip_BOOL compressed = 0;
    if (laszip_open_reader(reader, path.c_str(), &compressed)) {
        laszip_destroy(reader);
        return nullptr;
    }
    laszip_header_struct* header = nullptr;
    laszip_point_struct* point = nullptr;
    laszip_get_header_pointer(reader, &header);
    laszip_get_point_pointer(reader, &point);
    uint64_t n = header->number_of_point_records ? header->number_of_point_records
                                                 : header->extended_number_of_point_records;
    DataSet* set = AllocDataSet();
    set->points = (PointRecord*)NBLCalloc(n + 1, sizeof(PointRecord));
    uint32_t wide = 0;
    std::vector<std::array<uint8_t, 3>> narrow;
    for (uint64_t k = 0; k < n; k++) {
        if (laszip_read_point(reader)) break;
        PointRecord& p = set->points[k];
        p.x = point->X * header->x_scale_factor + header->x_offset;
        p.y = point->Y * header->y_scale_factor + header->y_offset;
        p.z = (float)(point->Z * header->z_scale_factor + header->z_offset);
        p.intensity = point->intensity;
        int r = point->return_number, m = point->number_of_returns;
        int position = m <= 1 ? 0 : r == 1 ? 1 : r == m ? 3 : 2;
        p.returns = (uint8_t)((r & 7) | ((m & 7) << 3) | (position << 6));
        p.classification = point->classification;
        p.pointSourceId = point->point_source_ID;
        p.red = (uint8_t)(point->rgb[0] >> 8);
        p.green = (uint8_t)(point->rgb[1] >> 8);
        p.blue = (uint8_t)(point->rgb[2] >> 8);
        wide |= point->rgb[0] | point->rgb[1] | point->rgb[2];
        narrow.push_back({(uint8_t)point->rgb[0], (uint8_t)point->rgb[1], (uint8_t)point->rgb[2]});
        set->pointCount = (int32_t)(k + 1);
    }
    // Colours stored as 8-bit values in the 16-bit fields are taken as they are.
    if (wide < 256)
        for (int k = 0; k < set->pointCount; k++) {
            set->points[k].red = narrow[k][0];
            set->points[k].green = narrow[k][1];
            set->points[k].blue = narrow[k][2];
        }
    laszip_close_reader(reader);
    laszip_destroy(reader);
    return FinishDataSet(set);
}

void FreeTestDataSet(DataSet* set) { FreeDataSet(set); }

static LRESULT CALLBACK TestPlanWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        // As the plan view's own window paints.
        ViewRecord* r = (ViewRecord*)GetWindowSlot(hwnd, CHILD_RECORD);
        RECT update;
        if (r && GetUpdateRect(hwnd, &update, FALSE)) {
            CancelViewDraw(hwnd);
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            StartViewDraw(hwnd, dc, &ps.rcPaint, ps.fErase, r->redrawOverlays);
            EndPaint(hwnd, &ps);
            return 0;
        }
    }
    if (message == WM_ERASEBKGND) return 1;
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TestPlanView::TestPlanView(int width, int height, const std::vector<DataSet*>& sets, bool visible, int statusHeight,
                           HWND parent)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = TestPlanWndProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TestPlanView";
        wc.cbWndExtra = CHILD_EXTRA_BYTES;
        wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
        RegisterClassA(&wc);
        registered = true;
    }
    static bool defaults = false;
    if (!defaults) {
        SetDefaultDisplaySettings();
        defaults = true;
    }
    record = (ViewRecord*)NBLCalloc(1, sizeof(ViewRecord));
    InitViewSettings(record);
    record->dataSetCount = (int)sets.size();
    record->dataSets = (DataSet**)NBLCalloc(sets.size() + 1, sizeof(DataSet*));
    for (size_t i = 0; i < sets.size(); i++) record->dataSets[i] = sets[i];
    RECT r = {0, 0, width, height + statusHeight};
    DWORD style = (parent ? WS_CHILD | WS_CLIPSIBLINGS : WS_POPUP) | (visible ? WS_VISIBLE : 0);
    int at = parent ? 0 : 10;
    window = CreateWindowExA(parent ? 0 : WS_EX_TOPMOST, "TestPlanView", "plan", style, at, at, r.right, r.bottom, parent, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    record->window = window;
    SetWindowSlot(window, CHILD_RECORD, (LONG_PTR)record);
    SetWindowSlot(window, CHILD_JOB, (LONG_PTR)CreateJobControl());
    SetWindowSlot(window, CHILD_STATUSHEIGHT, statusHeight);
    ComputeViewExtents(window);
    if (visible) ValidateRect(window, nullptr);
}

TestPlanView::~TestPlanView()
{
    CancelViewDraw(window);
    JobControl* job = (JobControl*)GetWindowSlot(window, CHILD_JOB);
    WaitForObjectPumping(job->mutex);
    ReleaseMutex(job->mutex);
    DestroyWindow(window);
    FreeJobControl(job);
    FreeViewImageCache(&record->imageCache);
    FreeViewImageCache(&record->tinCache);
    NBLFree(record->dataSets);
    NBLFree(record);
}

int DrawOffscreen(HWND view, int (*drawer)(HWND, HDC), std::vector<uint32_t>* pixels, COLORREF background)
{
    ViewRecord* r = (ViewRecord*)GetWindowSlot(view, CHILD_RECORD);
    int w = r->drawWidth, h = r->drawHeight;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC mem = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(mem, bitmap);
    RECT all = {0, 0, w, h};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(mem, &all, brush);
    DeleteObject(brush);
    int result = drawer(view, mem);
    GdiFlush();
    pixels->assign((uint32_t*)bits, (uint32_t*)bits + (size_t)w * h);
    SelectObject(mem, old);
    DeleteObject(bitmap);
    DeleteDC(mem);
    return result;
}

int DrawPointsOffscreen(HWND view, std::vector<uint32_t>* pixels, COLORREF background)
{
    return DrawOffscreen(view, DrawPointsForColorMode, pixels, background);
}

COLORREF PixelAt(const std::vector<uint32_t>& pixels, int width, int x, int y)
{
    uint32_t p = pixels[(size_t)y * width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
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
    DWORD start = GetTickCount();
    for (;;) {
        PumpMessages(5);
        // The thread clears its handle as it ends, then gives the mutex back.
        if (!*(HANDLE volatile*)&job->thread && WaitForSingleObject(job->mutex, 0) == WAIT_OBJECT_0) {
            bool idle = !JobBusy(job) && !*(HANDLE volatile*)&job->thread;
            ReleaseMutex(job->mutex);
            if (idle) return true;
        }
        if ((int)(GetTickCount() - start) > ms) return false;
    }
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
