// The tooltips of the query and measure tools. Each is a tracking tooltip
// without owner, placed by the tool; at most one of each kind exists.
#include "views/plan/point_tip.h"
#include "views/plan/view_mapping.h"
#include "views/plan/draw_thread.h"
#include "app/class_table.h"
#include "app/app_windows.h"
#include "data/gps_time.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "data/laz_loader.h"
#include "data/lasfile/las_file.h"
#include "data/laszip/laszip_api.h"
#include "base/gdi_text.h"
#include "base/text.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>

static HWND TipWindow;
static HFONT TipFont;

HWND PointTip() { return TipWindow; }

HWND CreateTrackingTip(HWND view, HFONT* font, const char* text, DWORD style, HWND owner)
{
    HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | style, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, AppInstance, nullptr);
    if (!tip) return nullptr;
    *font = CreateFixedFont(0, FW_BOLD);
    SendMessageA(tip, WM_SETFONT, (WPARAM)*font, TRUE);
    // The structure's own size: a fixed 32-bit size would not match the
    // 64-bit layout and the control would refuse the tool.
    TOOLINFOA info = {};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    info.hwnd = view;
    info.uId = (UINT_PTR)tip;
    info.lpszText = (char*)text;
    SendMessageA(tip, TTM_ADDTOOLA, 0, (LPARAM)&info);
    SendMessageA(tip, TTM_TRACKACTIVATE, TRUE, (LPARAM)&info);
    return tip;
}

void SetTipText(HWND tip, HWND view, const char* text)
{
    TOOLINFOA info = {};
    info.cbSize = sizeof info;
    info.hwnd = view;
    info.uId = (UINT_PTR)tip;
    info.lpszText = (char*)text;
    SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, (LPARAM)&info);
}

void GetTipText(HWND tip, HWND view, char* text, int size)
{
    static char buffer[1024];
    buffer[0] = 0;
    TOOLINFOA info = {};
    info.cbSize = sizeof info;
    info.hwnd = view;
    info.uId = (UINT_PTR)tip;
    info.lpszText = buffer;
    if (tip) SendMessageA(tip, TTM_GETTEXTA, sizeof buffer, (LPARAM)&info);
    CopyBounded(text, size > 0 ? (size_t)size : 0, buffer);
}

void DestroyMeasureTip()
{
    if (TipWindow) {
        ShowWindow(TipWindow, SW_HIDE);
        DestroyWindow(TipWindow);
    }
    if (TipFont) DeleteObject(TipFont);
    TipWindow = nullptr;
    TipFont = nullptr;
}

int PointTipFormat(const ViewRecord* r, const char** noDate)
{
    if (noDate) *noDate = kNoGPSTimesNoDate;
    const DataSet* set = r ? r->currentDataSet : nullptr;
    if (!set || (set->source != SOURCE_LAS && set->source != SOURCE_LAZ)) return 1;
    int format = 1;
    uint16_t encoding = 1;
    if (IsLAZFile(set->path)) {
        laszip_POINTER reader = nullptr;
        laszip_BOOL compressed = 0;
        if (!laszip_create(&reader)) {
            laszip_header_struct* header = nullptr;
            if (!laszip_open_reader(reader, set->path, &compressed) && !laszip_get_header_pointer(reader, &header)) {
                format = header->point_data_format;
                encoding = header->global_encoding;
            }
            laszip_close_reader(reader);
            laszip_destroy(reader);
        }
    } else {
        LASFile* las = OpenLASFile(set->path, LAS_MODE_READ);
        if (las) {
            format = las->header.pointDataFormat & 0x3F;
            encoding = las->header.globalEncoding;
            CloseLASFile(las);
        }
    }
    // The set's points, not the file, hold the times the tip shows: a loader
    // that dropped them leaves 0, which no date fits.
    if (noDate) *noDate = !KeepsGPSTimes(set->source, format) ? kNoGPSTimesNoDate
                          : !IsStandardGPSTime(encoding)     ? kGPSWeekTimeNoDate
                                                             : nullptr;
    return format;
}

static void FlagText(uint8_t flags, int format, char* text, int size)
{
    snprintf(text, size, " ");
    bool any = false;
    if (flags & POINT_SYNTHETIC) any = (strncat(text, " Syn", size - strlen(text) - 1), true);
    if (flags & POINT_KEY_POINT) any = (strncat(text, " Key", size - strlen(text) - 1), true);
    if (flags & POINT_WITHHELD) any = (strncat(text, " WH", size - strlen(text) - 1), true);
    if (format > 5 && (flags & POINT_OVERLAP)) any = (strncat(text, " OL", size - strlen(text) - 1), true);
    if (!any) snprintf(text, size, " none");
}

char* FormatPointTip(const ViewRecord* r, const PointRecord* p, int format, char* text, int size, const char* noDate)
{
    char flags[32], date[48];
    FlagText(p->flags, format, flags, sizeof flags);
    if (!noDate) GPSTimeToDateText(p->gpsTime, date, sizeof date);
    else snprintf(date, sizeof date, "%s", noDate);
    const char* name = r ? r->classTable.entries[p->classification].name : "";
    int number = ReturnNumberOf(p->returns), count = NumberOfReturnsOf(p->returns);
    int channel = p->flags & POINT_SCANNER_CHANNEL;
    const char* head = "X:  %13.3lf\nY:  %13.3lf\nZ:  %12.3f\n\nIntensity:  %d\nReturn %d of %d\nClass:  (%d) %s ";
    char start[512];
    snprintf(start, sizeof start, head, p->x, p->y, p->z, p->intensity, number, count, p->classification, name);
    switch (format) {
    case 0:
        snprintf(text, size, "%s\nFlag:  %s\nSource ID:  %d", start, flags, p->pointSourceId);
        break;
    case 1:
    case 4:
        snprintf(text, size, "%s\nFlag:  %s \nSource ID:  %d \nGPS Time: %lf\n       %s", start, flags, p->pointSourceId,
                 p->gpsTime, date);
        break;
    case 2:
        snprintf(text, size, "%s\nFlag:  %s \nSource ID:  %d\n(R,G,B): %d, %d, %d", start, flags, p->pointSourceId,
                 p->red, p->green, p->blue);
        break;
    case 3:
        // Format 3 carries colour as well as GPS time.
        snprintf(text, size, "%s\nFlag:  %s \nSource ID:  %d \nGPS Time: %lf\n       %s\n(R,G,B): %d, %d, %d", start,
                 flags, p->pointSourceId, p->gpsTime, date, p->red, p->green, p->blue);
        break;
    case 6:
    case 9:
        snprintf(text, size, "%s\nFlag:  %s \nSource ID:  %d \nGPS Time: %lf\n       %s\nScanner Channel:  %d", start,
                 flags, p->pointSourceId, p->gpsTime, date, channel);
        break;
    default:
        snprintf(text, size,
                 "%s\nFlag:  %s \nSource ID:  %d \nGPS Time: %lf\n       %s\n(R,G,B): %d, %d, %d\nScanner Channel:  %d",
                 start, flags, p->pointSourceId, p->gpsTime, date, p->red, p->green, p->blue, channel);
    }
    return text;
}

// The widest of the lines the tip holds, in the tip's font: a narrower limit
// would wrap a line and the control would cut off the last.
static int WidestLine(HDC dc, const char* text, int* lines)
{
    int widest = 0;
    *lines = 0;
    auto measure = [&](const char* line, int length) {
        SIZE s = ProgramTextExtent(dc, line, length);
        if (s.cx > widest) widest = s.cx;
        ++*lines;
    };
    for (const char* p = text;;) {
        const char* end = strchr(p, '\n');
        measure(p, end ? (int)(end - p) : lstrlenA(p));
        if (!end) break;
        p = end + 1;
    }
    return widest;
}

HWND ShowPointInfoTip(HWND window, POINT pointer, const PointRecord* point, const char* title)
{
    ViewRecord* r = ViewRecordOf(window);
    if (!point) return nullptr;
    DestroyMeasureTip();
    TipWindow = CreateTrackingTip(window, &TipFont, "");
    if (!TipWindow) return nullptr;
    // The title is the tip's first line, in the tip's own font: the control
    // sizes a separate title by another font and cut off the last line.
    char text[1024] = "";
    int start = title ? snprintf(text, sizeof text, "%s\n", title) : 0;
    if (start < 0 || start >= (int)sizeof text) start = 0;
    const char* noDate = nullptr;
    int format = PointTipFormat(r, &noDate);
    FormatPointTip(r, point, format, text + start, sizeof text - start, noDate);
    HDC dc = GetDC(TipWindow);
    HGDIOBJ old = SelectObject(dc, TipFont);
    int lines = 0;
    int w = WidestLine(dc, text, &lines);
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(TipWindow, dc);

    SetTipText(TipWindow, window, text);
    SendMessageA(TipWindow, TTM_SETMAXTIPWIDTH, 0, w + 32);
    SendMessageA(TipWindow, TTM_SETTIPBKCOLOR, RGB(192, 192, 192), 0);
    SendMessageA(TipWindow, TTM_SETTIPTEXTCOLOR, 0, 0);

    RECT area;
    GetViewClientRect(window, &area);
    int th = tm.tmHeight;
    int x = pointer.x < area.right / 2 ? pointer.x + 32 : pointer.x - w - 32;
    int y = pointer.y < area.bottom / 2 ? pointer.y + 32 : pointer.y - lines * th - 32;
    POINT at = {x, y};
    ClientToScreen(window, &at);
    SendMessageA(TipWindow, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
    return TipWindow;
}
