// Paths cut in the middle to fit a label, the whole path in its tip.
#include "base/path_label.h"
#include "base/gdi_text.h"
#include "base/text.h"
#include <commctrl.h>
#include <cstring>
#include <vector>

static const char kEllipsis[] = "...";
static const char kTipProperty[] = "VelkaPathTip";
// The most of the screen's width a tip takes before it wraps, in per cent.
static const int kTipScreenShare = 60;

std::string FitPathToWidth(HDC dc, const char* path, int width)
{
    if (!path) path = "";
    if (ProgramTextExtent(dc, path).cx <= width) return path;
    // The folder picked is at the end, where it starts is at the start: both
    // grow a letter at a time, the end first, while the whole still fits.
    std::vector<size_t> starts;
    size_t end = 0;
    while (path[end]) {
        starts.push_back(end);
        end += LetterBytes(path + end, 1);
    }
    size_t letters = starts.size();
    auto cut = [&](size_t head, size_t tail) {
        size_t headEnd = head < letters ? starts[head] : end;
        size_t tailStart = tail > 0 ? starts[letters - tail] : end;
        return std::string(path, headEnd) + kEllipsis + std::string(path + tailStart, end - tailStart);
    };
    auto fits = [&](size_t head, size_t tail) { return ProgramTextExtent(dc, cut(head, tail).c_str()).cx <= width; };
    size_t head = 0, tail = 0;
    bool grew = true;
    while (grew && head + tail + 1 < letters) {
        grew = false;
        if (fits(head, tail + 1)) {
            tail++;
            grew = true;
        }
        if (head + tail + 1 < letters && fits(head + 1, tail)) {
            head++;
            grew = true;
        }
    }
    return cut(head, tail);
}

// A window's properties must be removed before it is gone: the label's
// property goes as the label ends.
static LRESULT CALLBACK LabelEndProc(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR)
{
    if (message == WM_NCDESTROY) {
        RemovePropA(label, kTipProperty);
        RemoveWindowSubclass(label, LabelEndProc, id);
    }
    return DefSubclassProc(label, message, wParam, lParam);
}

// The tip of a dialog's label, made on its first path; owned by the dialog,
// it ends with it.
static HWND LabelTip(HWND dialog, HWND label)
{
    HWND tip = PathLabelTip(label);
    if (tip) return tip;
    tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                          GetModuleHandleA(nullptr), nullptr);
    if (!tip) return nullptr;
    // No tip where the label could not take its property away at its end.
    if (!SetWindowSubclass(label, LabelEndProc, 0, 0)) {
        DestroyWindow(tip);
        return nullptr;
    }
    TOOLINFOA info = {};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = dialog;
    info.uId = (UINT_PTR)label;
    info.lpszText = (char*)"";
    SendMessageA(tip, TTM_ADDTOOLA, 0, (LPARAM)&info);
    // A long path in one line would run off the screen: the tip wraps it
    // within the screen the dialog is on.
    MONITORINFO monitor = {sizeof monitor};
    int width = GetMonitorInfoA(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor)
                    ? monitor.rcWork.right - monitor.rcWork.left
                    : GetSystemMetrics(SM_CXSCREEN);
    SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, width * kTipScreenShare / 100);
    SetPropA(label, kTipProperty, tip);
    return tip;
}

std::string WrapPathToWidth(HDC dc, const char* path, int width)
{
    if (!path) path = "";
    if (width <= 0) return path;
    // Lines end after a separator or a blank where one is near enough; a
    // name too long for a line of its own is broken between letters.
    std::string text, line;
    size_t lastBreak = std::string::npos;   // in line: the byte after the last separator
    for (size_t at = 0; path[at];) {
        size_t n = LetterBytes(path + at, 1);
        std::string letter(path + at, n);
        at += n;
        if (!line.empty() && ProgramTextExtent(dc, (line + letter).c_str()).cx > width) {
            size_t cut = lastBreak != std::string::npos && lastBreak > 0 ? lastBreak : line.size();
            text += line.substr(0, cut) + "\r\n";
            line.erase(0, cut);
            lastBreak = std::string::npos;
        }
        line += letter;
        if (letter == "\\" || letter == "/" || letter == " ") lastBreak = line.size();
    }
    return text + line;
}

HWND PathLabelTip(HWND label) { return label ? (HWND)GetPropA(label, kTipProperty) : nullptr; }

void ShowPathInLabel(HWND dialog, int id, const char* path)
{
    HWND label = GetDlgItem(dialog, id);
    if (!label) return;
    RECT client;
    GetClientRect(label, &client);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageA(label, WM_GETFONT, 0, 0));
    std::string shown = FitPathToWidth(dc, path, client.right - client.left);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    SetWindowTextA(label, shown.c_str());
    HWND tip = LabelTip(dialog, label);
    if (!tip) return;
    // In lines the tip's width holds: a tip breaks lines only at blanks.
    HDC tipDC = GetDC(tip);
    HGDIOBJ oldTipFont = SelectObject(tipDC, (HFONT)SendMessageA(tip, WM_GETFONT, 0, 0));
    std::string lines = WrapPathToWidth(tipDC, path, (int)SendMessageA(tip, TTM_GETMAXTIPWIDTH, 0, 0));
    SelectObject(tipDC, oldTipFont);
    ReleaseDC(tip, tipDC);
    TOOLINFOA info = {};
    info.cbSize = sizeof info;
    info.hwnd = dialog;
    info.uId = (UINT_PTR)label;
    info.lpszText = (char*)lines.c_str();
    SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, (LPARAM)&info);
}
