// The About and System Information dialogs and the two-column information lists.
#include "shell/about_dialogs.h"
#include "app/app_windows.h"
#include "views/gl3d/gl_context.h"
#include "base/dialogs.h"
#include "base/file_system.h"
#include "base/gdi_text.h"
#include "base/messages.h"
#include "resource.h"
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <cstring>

const char kBuildDate[] = "JAN. 09, 2025";
const char kMakerName[] = "Velka Dunmarro Inc.";
const char kMakerWebAddress[] = "https://velkadunmarro.example/";
const char kSystemInfoCopiedText[] = "[COPY] System Info to Clipboard";
static const char kNotice[] = "Copyright (C) 2025 Velka Dunmarro Inc.  All rights reserved.";

// ---- information lists ------------------------------------------------------------

int InitInfoListColumns(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_INFO_LIST);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = 0;
    column.pszText = (char*)"";
    for (int i = 0; i < 2; i++) {
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, (LPARAM)&column);
    }
    return 1;
}

void AddInfoListRow(HWND list, int row, const char* label, const char* value, std::string* text)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = (char*)"";
    int at = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (label) {
        item.iSubItem = 0;
        item.pszText = (char*)label;
        SendMessageA(list, LVM_SETITEMTEXTA, at, (LPARAM)&item);
        *text += label;
    }
    if (value) {
        item.iSubItem = 1;
        item.pszText = (char*)value;
        SendMessageA(list, LVM_SETITEMTEXTA, at, (LPARAM)&item);
        *text += value;
    }
    *text += "\n";
}

void FitInfoListColumns(HWND list)
{
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE);
    SendMessageA(list, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE);
}

HFONT CreateInfoListFont(HWND list)
{
    HDC dc = GetDC(list);
    HFONT handle = CreateFixedFont(-MulDiv(10, GetDeviceCaps(dc, LOGPIXELSY), 72), 0);
    ReleaseDC(list, dc);
    SendMessageA(list, WM_SETFONT, (WPARAM)handle, TRUE);
    return handle;
}

int CopyInfoText(const std::string& text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!block) return 0;
    char* p = (char*)GlobalLock(block);
    memcpy(p, text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    // The clipboard owns a block it took; one it refused stays ours.
    if (!CopyToClipboard(block)) {
        GlobalFree(block);
        return 0;
    }
    return 1;
}

InfoDialogState* BeginInfoDialog(HWND dialog)
{
    InitInfoListColumns(dialog);
    InfoDialogState* state = new InfoDialogState();
    state->font = CreateInfoListFont(GetDlgItem(dialog, IDC_INFO_LIST));
    state->text = "\n";
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)state);
    return state;
}

InfoDialogState* InfoDialogOf(HWND dialog) { return (InfoDialogState*)GetWindowLongPtrA(dialog, DWLP_USER); }

// A dialog narrower than its widest row grows, within its screen, so that no
// row hides behind the list's horizontal scroll bar; OK keeps its corner.
static void WidenToRows(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_INFO_LIST);
    RECT client, outer;
    GetClientRect(list, &client);
    int rows = (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, 0, 0) + (int)SendMessageA(list, LVM_GETCOLUMNWIDTH, 1, 0);
    int grow = rows + 2 - client.right;
    if (grow <= 0) return;
    GetWindowRect(dialog, &outer);
    MONITORINFO screen = {sizeof screen};
    if (GetMonitorInfoA(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &screen))
        grow = std::min(grow, (int)(screen.rcWork.right - screen.rcWork.left) - (int)(outer.right - outer.left));
    if (grow <= 0) return;
    GetWindowRect(list, &client);
    SetWindowPos(list, nullptr, 0, 0, client.right - client.left + grow, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    HWND ok = GetDlgItem(dialog, IDOK);
    RECT at;
    GetWindowRect(ok, &at);
    MapWindowPoints(nullptr, dialog, (POINT*)&at, 2);
    SetWindowPos(ok, nullptr, at.left + grow, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(dialog, nullptr, 0, 0, outer.right - outer.left + grow, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FinishInfoDialog(HWND dialog)
{
    if (InfoDialogState* state = InfoDialogOf(dialog)) state->text += "\n";
    FitInfoListColumns(GetDlgItem(dialog, IDC_INFO_LIST));
    WidenToRows(dialog);
    CenterOnFrame(dialog);
}

INT_PTR InfoDialogCommand(HWND dialog, WPARAM wParam, const char* copiedText)
{
    InfoDialogState* state = InfoDialogOf(dialog);
    switch (LOWORD(wParam)) {
    case IDC_INFO_CLIPBOARD:
        if (state && CopyInfoText(state->text)) LogMessage(copiedText);
        return TRUE;
    case IDOK:
    case IDCANCEL:
        if (state) {
            DeleteObject(state->font);
            delete state;
            SetWindowLongPtrA(dialog, DWLP_USER, 0);
        }
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

// ---- system facts -------------------------------------------------------------------

const char* GetOSVersionText()
{
    static char text[48];
    OSVERSIONINFOEXA extended = {};
    extended.dwOSVersionInfoSize = sizeof extended;
    OSVERSIONINFOA basic = {};
    basic.dwOSVersionInfoSize = sizeof basic;
    DWORD major, minor, build;
    if (GetVersionExA((OSVERSIONINFOA*)&extended)) {
        major = extended.dwMajorVersion;
        minor = extended.dwMinorVersion;
        build = extended.dwBuildNumber;
    } else if (GetVersionExA(&basic)) {
        major = basic.dwMajorVersion;
        minor = basic.dwMinorVersion;
        build = basic.dwBuildNumber;
    } else {
        strcpy(text, "Unknown");
        return text;
    }
    snprintf(text, sizeof text, "%d.%d.%d", (int)major, (int)minor, (int)(build & 0xFFFF));
    return text;
}

int MegabytesOf(uint64_t bytes) { return (int)((double)bytes / 1048576.0 + 0.5); }

const char* GetMemoryText(int which)
{
    static char text[32];
    if (which != 0 && which != 1) return text;
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    GlobalMemoryStatusEx(&status);
    snprintf(text, sizeof text, "%d MB", MegabytesOf(which == 0 ? status.ullTotalPhys : status.ullAvailPhys));
    return text;
}

// ---- About ----------------------------------------------------------------------------

struct AboutState {
    HBRUSH face;
    HFONT underlined;
};

static bool OverLink(HWND dialog, LPARAM lParam)
{
    RECT r;
    GetWindowRect(GetDlgItem(dialog, IDC_ABOUT_LINK), &r);
    POINT p = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    ClientToScreen(dialog, &p);
    return PtInRect(&r, p) != 0;
}

static void OpenMakerWebSite()
{
    // The shell runs the browser from a folder that is sure to exist; ours is
    // given back afterwards.
    char before[256] = "", windows[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof before - 1, before);
    GetWindowsDirectoryA(windows, sizeof windows);
    SetCurrentDirectoryA(windows);
    ShellOpen(FrameWindow, kMakerWebAddress);
    SetCurrentDirectoryA(before);
}

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    AboutState* state = (AboutState*)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG: {
        char text[256];
        snprintf(text, sizeof text, "About %s", APP_TITLE);
        SetWindowTextA(dialog, text);
        snprintf(text, sizeof text, "%s - 3D Geospatial Data Viewer", kMakerName);
        SetDlgItemTextA(dialog, IDC_ABOUT_COMPANY, text);
        snprintf(text, sizeof text, "Version  %s", APP_VERSION);
        SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, text);
        SetDlgItemTextA(dialog, IDC_ABOUT_NOTICE, kNotice);
        CenterOnFrame(dialog);
        state = new AboutState();
        state->face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
        HWND link = GetDlgItem(dialog, IDC_ABOUT_LINK);
        SetWindowTextA(link, kMakerWebAddress);
        LOGFONTA font = {};
        GetObjectA((HFONT)SendMessageA(link, WM_GETFONT, 0, 0), sizeof font, &font);
        font.lfUnderline = TRUE;
        state->underlined = CreateFontIndirectA(&font);
        SendMessageA(link, WM_SETFONT, (WPARAM)state->underlined, TRUE);
        // The link is as wide as its text, so the hand shows over the text only.
        HDC dc = GetDC(link);
        HGDIOBJ old = SelectObject(dc, state->underlined);
        SIZE extent = ProgramTextExtent(dc, kMakerWebAddress);
        SelectObject(dc, old);
        ReleaseDC(link, dc);
        RECT r;
        GetWindowRect(link, &r);
        SetWindowPos(link, nullptr, 0, 0, extent.cx + 2, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
        SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)state);
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
        if (state && (HWND)lParam == GetDlgItem(dialog, IDC_ABOUT_LINK)) {
            SetTextColor((HDC)wParam, RGB(0, 0, 192));
            SetBkColor((HDC)wParam, GetSysColor(COLOR_BTNFACE));
            return (INT_PTR)state->face;
        }
        return FALSE;
    case WM_MOUSEMOVE:
        SetCursor(LoadCursorA(nullptr, OverLink(dialog, lParam) ? (LPCSTR)IDC_HAND : (LPCSTR)IDC_ARROW));
        return TRUE;
    case WM_LBUTTONDOWN:
        if (OverLink(dialog, lParam)) OpenMakerWebSite();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) return FALSE;
        if (state) {
            DeleteObject(state->face);
            DeleteObject(state->underlined);
            delete state;
            SetWindowLongPtrA(dialog, DWLP_USER, 0);
        }
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

// ---- System Information -------------------------------------------------------------

INT_PTR CALLBACK SystemInfoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        InfoDialogState* state = BeginInfoDialog(dialog);
        HWND list = GetDlgItem(dialog, IDC_INFO_LIST);
        char vendor[256], model[256], version[256];
        GetGLInfo(dialog, vendor, model, version);
        char computer[256] = "", user[256] = "";
        DWORD size = sizeof computer - 1;
        GetComputerNameA(computer, &size);
        size = sizeof user - 1;
        GetUserNameA(user, &size);
        HDC dc = GetDC(dialog);
        char resolution[48], depth[16];
        snprintf(resolution, sizeof resolution, "%d x %d", GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES));
        snprintf(depth, sizeof depth, "%d", GetDeviceCaps(dc, BITSPIXEL));
        ReleaseDC(dialog, dc);
        // Both memory texts come in one buffer that each call overwrites.
        char total[32], available[32];
        snprintf(total, sizeof total, "%s", GetMemoryText(0));
        snprintf(available, sizeof available, "%s", GetMemoryText(1));
        struct Row {
            const char* label;
            const char* value;
        } rows[] = {
            {" Computer:          ", computer},
            {" User:              ", user},
            {" Version:           ", APP_VERSION},
            {" Build Date:        ", kBuildDate},
            {nullptr, nullptr},
            {" OS Version:        ", GetOSVersionText()},
            {" Memory Total:      ", total},
            {" Memory Available:  ", available},
            {nullptr, nullptr},
            {" Graphics Vendor:   ", vendor},
            {" Graphics Model:    ", model},
            {" Graphics Version:  ", version},
            {" Resolution:        ", resolution},
            {" Max BPP:           ", depth},
        };
        int n = 0;
        for (const Row& row : rows) AddInfoListRow(list, n++, row.label, row.value, &state->text);
        FinishInfoDialog(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        return InfoDialogCommand(dialog, wParam, kSystemInfoCopiedText);
    }
    return FALSE;
}
