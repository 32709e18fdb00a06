// Tracking tooltips of the query and measure tools, and the point tip that
// shows every attribute of a queried point.
#pragma once
#include <windows.h>

struct PointRecord;
struct ViewRecord;

// A tracking tip window registered for `view` with a bold fixed-pitch font
// (FillFixedFont, returned in *font) and the text; tracking is on. The tip is
// a topmost popup of the styles WS_POPUP | TTS_NOPREFIX and `style`, owned by
// `owner`'s top-level window when one is given (it then hides and goes with
// it), else by none: the tools' tips, whose tools end when the frame is
// minimised.
HWND CreateTrackingTip(HWND view, HFONT* font, const char* text, DWORD style = 0, HWND owner = nullptr);
void SetTipText(HWND tip, HWND view, const char* text);
// The text of a tip window's tool.
void GetTipText(HWND tip, HWND view, char* text, int size);

// The point data format the tip describes: the current data set's file
// format, 1 when it has no LAS or LAZ file. `noDate` is null when the set's
// points keep the file's GPS times and those are standard GPS times, which
// have dates; else the text that stands in for the date.
int  PointTipFormat(const ViewRecord* r, const char** noDate = nullptr);
// The tip text of a point for a point data format; returns text. The GPS
// time gets its date, or `noDate` in its place when that is given.
char* FormatPointTip(const ViewRecord* r, const PointRecord* p, int format, char* text, int size,
                     const char* noDate = nullptr);
// Shows the point tip at a client position of the window; returns the tip.
HWND ShowPointInfoTip(HWND window, POINT pointer, const PointRecord* point, const char* title);
// The point tip window, or null.
HWND PointTip();
// Hides and destroys the point tip and its font.
void DestroyMeasureTip();
