// Plan view test helpers: synthetic and sample data sets with spatial tiles,
// a plan view window with its record and job control, and pixel read-back.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "app/view_record.h"
#include "data/selection.h"

// A data set over the given points: bounds, ramp (lowest to highest Z) and
// intensity ranges, source ID colours and spatial tiles.
DataSet* MakePointDataSet(const std::vector<PointRecord>& points);
// The points of a LAS or LAZ file, the same way (null when it cannot be read).
DataSet* LoadSampleDataSet(const std::string& path);
void FreeTestDataSet(DataSet* set);
PointRecord MakePoint(double x, double y, float z, int cls = 1, int returnPosition = 0);

// A top-level plan view of the given client size (status bar height 0 unless
// given), with a fresh record holding the data sets (not owned).
struct TestPlanView {
    HWND window = nullptr;
    ViewRecord* record = nullptr;
    TestPlanView(int width, int height, const std::vector<DataSet*>& sets, bool visible = true, int statusHeight = 0,
                 HWND parent = nullptr);
    ~TestPlanView();
};

// Draws the points into a memory bitmap of the view's drawing size filled
// with `background`; returns the drawer's result and the pixels (0x00RRGGBB, top-down).
// Any drawer of the plan view the same way.
int DrawOffscreen(HWND view, int (*drawer)(HWND, HDC), std::vector<uint32_t>* pixels, COLORREF background = 0);
int DrawPointsOffscreen(HWND view, std::vector<uint32_t>* pixels, COLORREF background = 0);
COLORREF PixelAt(const std::vector<uint32_t>& pixels, int width, int x, int y);
// The full image cache's pixel at (x, y) as a colour value.
COLORREF CachePixel(const ViewRecord* record, int x, int y);
// Waits (pumping) until the view's draw thread has finished; false on time-out.
bool WaitForViewDraw(HWND view, int ms);
// Saves the view's cached image as a 24-bit .bmp file.
bool SaveCacheBitmap(const ViewRecord* record, const std::string& path);
