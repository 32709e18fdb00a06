// Tracking tooltips of the query and measure tools, and the point tip that
// shows every attribute of a queried point.
#pragma once
#include <windows.h>

struct PointRecord;
struct ViewRecord;

// A tracking tip window registered for `view` with a bold "Courier" font
// (returned in *font) and the text; tracking is on.
HWND CreateTrackingTip(HWND view, HFONT* font, const char* text);
void SetTipText(HWND tip, HWND view, const char* text);
// The text of a tip window's tool.
void GetTipText(HWND tip, HWND view, char* text, int size);

// The point data format the tip describes: the current data set's file
// format, 1 when it has no LAS or LAZ file. `datedTimes` tells whether the
// file's GPS times are standard GPS times, which have dates (also without a file).
int  PointTipFormat(const ViewRecord* r, bool* datedTimes = nullptr);
// The tip text of a point for a point data format; returns text. A GPS time
// that is not `datedTime` (GPS week time) gets no date.
char* FormatPointTip(const ViewRecord* r, const PointRecord* p, int format, char* text, int size,
                     bool datedTime = true);
// Shows the point tip at a client position of the window; returns the tip.
HWND ShowPointInfoTip(HWND window, POINT pointer, const PointRecord* point, const char* title);
// The point tip window, or null.
HWND PointTip();
// Hides and destroys the point tip and its font.
void DestroyMeasureTip();
