// Dialog 339 "Vivuzoz Oduri Advanced Settings": the Aesthetics and Terrain
// Bias sliders. The caller's pair is written while the sliders move; callers
// pass a copy and keep it only when the dialog ends with OK.
#include "classify/surface_settings.h"
#include "base/dialogs.h"
#include "base/messages.h"
#include "resource.h"
#include <commctrl.h>
#include <cstdio>

static void ShowSliderValue(HWND dialog, int textId, int value)
{
    char text[16];
    snprintf(text, sizeof(text), "%d", value);
    SetDlgItemTextA(dialog, textId, text);
}

static void SetSliders(HWND dialog, const SurfaceAdvancedValues* values)
{
    SendDlgItemMessageA(dialog, IDC_SM_AESTHETICS, TBM_SETPOS, TRUE, values->aesthetics);
    ShowSliderValue(dialog, IDC_SM_AESTHETICS_TEXT, values->aesthetics);
    SendDlgItemMessageA(dialog, IDC_SM_TERRAIN_BIAS, TBM_SETPOS, TRUE, values->terrainBias);
    ShowSliderValue(dialog, IDC_SM_TERRAIN_BIAS_TEXT, values->terrainBias * 4);
}

INT_PTR CALLBACK SurfaceMagicAdvancedDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    SurfaceAdvancedValues* values = (SurfaceAdvancedValues*)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG:
        values = (SurfaceAdvancedValues*)lParam;
        SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)values);
        SendDlgItemMessageA(dialog, IDC_SM_AESTHETICS, TBM_SETRANGE, TRUE, MAKELONG(0, 100));
        SendDlgItemMessageA(dialog, IDC_SM_AESTHETICS, TBM_SETPAGESIZE, 0, 10);
        SendDlgItemMessageA(dialog, IDC_SM_TERRAIN_BIAS, TBM_SETRANGE, TRUE, MAKELONG(0, 25));
        SendDlgItemMessageA(dialog, IDC_SM_TERRAIN_BIAS, TBM_SETPAGESIZE, 0, 1);
        if (values) SetSliders(dialog, values);
        CenterOnFrame(dialog);
        return TRUE;
    case WM_HSCROLL: {
        // Line and page moves and the thumb's final position; tracking changes nothing.
        int code = LOWORD(wParam);
        if (!values || code < TB_LINEUP || code > TB_THUMBPOSITION) return TRUE;
        HWND slider = (HWND)lParam;
        int position = (int)SendMessageA(slider, TBM_GETPOS, 0, 0);
        if (slider == GetDlgItem(dialog, IDC_SM_AESTHETICS)) {
            values->aesthetics = position;
            ShowSliderValue(dialog, IDC_SM_AESTHETICS_TEXT, position);
        } else if (slider == GetDlgItem(dialog, IDC_SM_TERRAIN_BIAS)) {
            values->terrainBias = position;
            ShowSliderValue(dialog, IDC_SM_TERRAIN_BIAS_TEXT, position * 4);
        }
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SM_DEFAULT:
            if (values) {
                values->aesthetics = kDefaultAesthetics;
                values->terrainBias = kDefaultTerrainBias;
                SetSliders(dialog, values);
            }
            return TRUE;
        case IDOK:
            return EndDialogWith(dialog, 1);
        case IDCANCEL:
            return EndDialogWith(dialog, 0);
        }
        break;
    }
    return FALSE;
}

int ShowSurfaceMagicAdvanced(HWND owner, SurfaceAdvancedValues* values)
{
    SurfaceAdvancedValues copy = *values;
    if (ShowDialog(IDD_SM_ADVANCED, owner, SurfaceMagicAdvancedDlgProc, (LPARAM)&copy) != 1) return 0;
    *values = copy;
    return 1;
}
