// The help file calls and the hotkey list dialog.
#include "shell/help.h"
#include "shell/about_dialogs.h"
#include "app/app_windows.h"
#include "base/dialogs.h"
#include "base/messages.h"
#include "base/paths.h"
#include "resource.h"
#include <commctrl.h>
#include <cstdio>

const char kHelpMissingText[] = "Unable to locate the help file:\n\n%s";

const HotkeyRow kHotkeyRows[] = {
    {nullptr, "Display"},
    {nullptr, "-------"},
    {nullptr, nullptr},
    {" E ", "Display Background Reference"},
    {" F", "Display Points Over Background"},
    {" T", "Display Color Shaded TIN"},
    {" R", "Create New TIN"},
    {" +", "Increase Point Display Size"},
    {" -", "Decrease Point Display Size"},
    {nullptr, nullptr},
    {nullptr, "Tools"},
    {nullptr, "-----"},
    {nullptr, nullptr},
    {" X", "Dynamic Pan"},
    {" Z", "Zoom Tool"},
    {" Q", "Query Point Data"},
    {" W", "Measure Distance"},
    {nullptr, nullptr},
    {nullptr, "General"},
    {nullptr, "-------"},
    {nullptr, nullptr},
    {" F1 ", "Help Contents and Index"},
    {" Up Arrow ", "Move profile forward"},
    {" Dn Arrow ", "Move profile backward"},
};
const int kHotkeyRowCount = sizeof kHotkeyRows / sizeof kHotkeyRows[0];

// HTML Help commands of htmlhelp.h.
constexpr UINT kDisplayTopic = 0x0000;
constexpr UINT kDisplayContents = 0x0001;

typedef HWND(WINAPI* HtmlHelpProc)(HWND caller, const char* file, UINT command, DWORD_PTR data);

const char* HelpFilePath()
{
    char module[256] = "";
    GetModuleFileNameA(nullptr, module, sizeof module - 1);
    return ChangeFileExtension(module, ".chm");
}

// The viewer is loaded the first time help is asked for: a program that never
// shows help never loads it.
static HWND OpenHelp(HWND caller, UINT command, DWORD_PTR data)
{
    static HtmlHelpProc htmlHelp;
    if (!htmlHelp) {
        HMODULE viewer = LoadLibraryA("hhctrl.ocx");
        if (viewer) htmlHelp = (HtmlHelpProc)(void*)GetProcAddress(viewer, "HtmlHelpA");
    }
    char path[300];
    snprintf(path, sizeof path, "%s", HelpFilePath());
    HWND window = htmlHelp ? htmlHelp(caller, path, command, data) : nullptr;
    if (!window) {
        char text[400];
        snprintf(text, sizeof text, kHelpMissingText, path);
        ShowMessageBox(FrameWindow, text, "Error", MB_OK | MB_ICONERROR);
    }
    return window;
}

void ShowHelpContents() { OpenHelp(FrameWindow, kDisplayContents, 0); }

int ShowHelpTopic(const char* topic)
{
    OpenHelp(nullptr, kDisplayTopic, (DWORD_PTR)topic);
    return 1;
}

void AddHotkeyRow(HWND list, int row, const char* key, const char* action)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = (char*)(key ? key : "");
    int at = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (action) {
        item.iSubItem = 1;
        item.pszText = (char*)action;
        SendMessageA(list, LVM_SETITEMTEXTA, at, (LPARAM)&item);
    }
}

INT_PTR CALLBACK HotkeyListDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        InitInfoListColumns(dialog);
        HWND list = GetDlgItem(dialog, IDC_INFO_LIST);
        SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)CreateInfoListFont(list));
        for (int i = 0; i < kHotkeyRowCount; i++) AddHotkeyRow(list, i, kHotkeyRows[i].key, kHotkeyRows[i].action);
        FitInfoListColumns(list);
        CenterOnFrame(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            DeleteObject((HFONT)GetWindowLongPtrA(dialog, DWLP_USER));
            SetWindowLongPtrA(dialog, DWLP_USER, 0);
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
