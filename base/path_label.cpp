// Paths cut in the middle to fit a label, the whole path in its tip.
#include "base/path_label.h"
#include "base/gdi_text.h"
#include "base/text.h"
#include <commctrl.h>
#include <cstring>
#include <vector>

static const char kEllipsis[] = "...";
static const char kTipProperty[] = "VelkaPathTip";

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
    TOOLINFOA info = {};
    info.cbSize = sizeof info;
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = dialog;
    info.uId = (UINT_PTR)label;
    info.lpszText = (char*)"";
    SendMessageA(tip, TTM_ADDTOOLA, 0, (LPARAM)&info);
    SetPropA(label, kTipProperty, tip);
    return tip;
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
    TOOLINFOA info = {};
    info.cbSize = sizeof info;
    info.hwnd = dialog;
    info.uId = (UINT_PTR)label;
    info.lpszText = (char*)path;
    SendMessageA(tip, TTM_UPDATETIPTEXTA, 0, (LPARAM)&info);
}
