// "Point Display Settings" and the popup of return switches.
#include "shell/point_display.h"
#include "app/class_list_view.h"
#include "app/class_table.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "app/frame_bars.h"
#include "shell/view_command.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/dialogs.h"
#include "base/messages.h"
#include "views/plan/view_mapping.h"
#include "resource.h"
#include <commctrl.h>
#include <cstring>

static HWND PointDisplayView;

static void TakeChoices(HWND dialog, ViewRecord* r)
{
    ReadClassListChecks(dialog, &r->classTable);
    int mode = (int)SendDlgItemMessageA(dialog, IDC_COLOR_COMBO, CB_GETCURSEL, 0, 0);
    if (mode >= 0 && mode <= CMD_COLOR_LAST - CMD_COLOR_FIRST) r->pointColorMode = CMD_COLOR_FIRST + mode;
    r->glRebuildFlags[GL_LIST_POINTS] = 0;   // the 3D point list is built again
}

INT_PTR CALLBACK PointDisplaySettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(PointDisplayView);
    switch (message) {
    case WM_INITDIALOG: {
        PointDisplayView = (HWND)lParam;
        r = ViewRecordOf(PointDisplayView);
        if (!r) return TRUE;
        static const char* modes[10] = {" Elevation (Blue to Red)", " Elevation (Earth Tones)", " Classification",
                                        " Intensity", " Source ID", " Color Points by File", " Return Number",
                                        " RGB Encoded", " Scanner Channel", " Classification Flag"};
        HWND combo = GetDlgItem(dialog, IDC_COLOR_COMBO);
        for (const char* m : modes) SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)m);
        SendMessageA(combo, CB_SETCURSEL, r->pointColorMode - CMD_COLOR_FIRST, 0);
        SetupClassListView(dialog, GetDlgItem(dialog, IDC_CLASS_LIST));
        FillClassListView(dialog, &r->classTable);
        SelectClassRow(dialog, 0);
        CenterOnFrame(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        if (!r) {
            if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 2);
            break;
        }
        switch (LOWORD(wParam)) {
        case IDOK:
            TakeChoices(dialog, r);
            EndDialog(dialog, 1);
            return TRUE;
        case IDC_APPLY:
            TakeChoices(dialog, r);
            InvalidateView(PointDisplayView, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 2);
            return TRUE;
        case IDC_ALL_ON:
        case IDC_ALL_OFF:
            SetAllClassDisplay(&r->classTable, LOWORD(wParam) == IDC_ALL_ON);
            FillClassListView(dialog, &r->classTable);
            return TRUE;
        case IDC_BARE_EARTH:
            SetAllClassDisplay(&r->classTable, 0);
            r->classTable.entries[2].display = r->classTable.entries[8].display = 1;
            FillClassListView(dialog, &r->classTable);
            return TRUE;
        case IDC_EXIST_ONLY:
            ShowExistingClasses(PointDisplayView, &r->classTable, false);
            FillClassListView(dialog, &r->classTable);
            return TRUE;
        }
        break;
    case WM_NOTIFY:
        if (r && ((NMHDR*)lParam)->idFrom == IDC_CLASS_LIST) {
            OnClassListNotify(dialog, (NMHDR*)lParam, &r->classTable);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

int ShowPointDisplaySettings(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    ClassTable* backup = new ClassTable(r->classTable);
    int mode = r->pointColorMode;
    PointDisplayView = view;
    INT_PTR result = ShowDialog(IDD_POINT_DISPLAY, FrameWindow, PointDisplaySettingsDlgProc, (LPARAM)view);
    if (result == 2 || result == -1) {
        r->classTable = *backup;
        r->pointColorMode = mode;
    }
    delete backup;
    r->glRebuildFlags[GL_LIST_POINTS] = 0;
    UpdateToolbarState(view);
    InvalidateView(view, 1);
    if (r->profileWindow) InvalidateView(r->profileWindow, 0);
    return 1;
}

// The popup's four return switches checked from the view.
static void CheckReturnsPopup(HMENU popup, HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return;
    const int shown[4] = {r->showSingleReturns, r->showFirstReturns, r->showIntermediateReturns, r->showLastReturns};
    for (int i = 0; i < 4; i++)
        CheckMenuItem(popup, CMD_SHOW_SINGLE + i, MF_BYCOMMAND | (shown[i] ? MF_CHECKED : MF_UNCHECKED));
}

int ShowReturnsPopupMenu(HWND view)
{
    HMENU popup = ReturnsMenu ? GetSubMenu(ReturnsMenu, 0) : nullptr;   // the menu's one popup
    if (!popup || !ViewRecordOf(view)) return 0;
    CheckReturnsPopup(popup, view);
    // Below the toolbar button that opened it.
    HWND toolbar = FrameWindow ? (HWND)GetWindowSlot(FrameWindow, FRAME_TOOLBAR) : nullptr;
    POINT at = {0, 0};
    if (toolbar) {
        RECT button;
        if (SendMessageA(toolbar, TB_GETRECT, CMD_RETURNS_POPUP, (LPARAM)&button)) {
            at.x = button.left;
            at.y = button.bottom;
            ClientToScreen(toolbar, &at);
        }
    }
    int command = ChooseFromPopupMenu(popup, at.x, at.y, FrameWindow ? FrameWindow : view);
    // The view's own command toggles the switches and redraws.
    if (command) ViewCommand(view, MAKEWPARAM(command, 0), 0);
    CheckViewMenuItems(view);
    return 1;
}
