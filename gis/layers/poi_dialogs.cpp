// The marker editor works on a copy of the colour so that Cancel leaves the
// record untouched; text is read back only on OK.
#include "gis/layers/poi_dialogs.h"
#include "app/layer_sets.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/dialogs.h"
#include "base/messages.h"
#include "resource.h"
#include <commctrl.h>
#include <cstdio>

const char kPOIDeleteQuestion[] = "Are you sure you want to delete this marker?";

struct EditPOIState {
    HWND view;
    int index;
    COLORREF color;   // the working colour
};

static POIRecord* RecordBeingEdited(const EditPOIState* state)
{
    ViewRecord* r = state ? ViewRecordOf(state->view) : nullptr;
    POISet* set = r ? r->poiSet : nullptr;
    if (!set || !set->records || state->index < 0 || state->index >= set->count) return nullptr;
    return &set->records[state->index];
}

INT_PTR ShowEditPOIDialog(HWND view, int index)
{
    EditPOIState state = {view, index, 0};
    return ShowDialog(IDD_EDIT_POI, view, EditPOIDlgProc, (LPARAM)&state);
}

static void MarkChanged(const EditPOIState* state) { ViewRecordOf(state->view)->poiSet->saved = 0; }

INT_PTR CALLBACK EditPOIDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    EditPOIState* state = (EditPOIState*)GetWindowLongPtrA(dialog, DWLP_USER);
    if (message == WM_INITDIALOG) {
        state = (EditPOIState*)lParam;
        SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)state);
        POIRecord* poi = RecordBeingEdited(state);
        if (!poi) {
            return EndDialogWith(dialog, 2);
        }
        state->color = poi->color;
        SendDlgItemMessageA(dialog, IDC_POI_COMMENT, EM_LIMITTEXT, 254, 0);
        SendDlgItemMessageA(dialog, IDC_POI_NAME, EM_LIMITTEXT, 30, 0);
        SetDlgItemTextA(dialog, IDC_POI_COMMENT, poi->comment);
        SetDlgItemTextA(dialog, IDC_POI_NAME, poi->name);
        CenterOnFrame(dialog);
        return TRUE;
    }
    POIRecord* poi = RecordBeingEdited(state);
    switch (message) {
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lParam;
        if (!state || item->CtlID != IDC_POI_COLOR) return FALSE;
        FillColorSwatch(state->color, item->hDC, &item->rcItem);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_POI_COLOR: {
            COLORREF chosen;
            if (state && PickColor(dialog, state->color, &chosen)) {
                state->color = chosen;
                InvalidateRect(GetDlgItem(dialog, IDC_POI_COLOR), nullptr, TRUE);
            }
            return TRUE;
        }
        case IDOK:
            if (poi) {
                GetDialogText(dialog, IDC_POI_COMMENT, poi->comment, 255);
                GetDialogText(dialog, IDC_POI_NAME, poi->name, 31);
                poi->color = state->color;
                MarkChanged(state);
            }
            return EndDialogWith(dialog, 1);
        case IDC_POI_DELETE:
            if (ShowMessageBox(dialog, kPOIDeleteQuestion, "Warning", MB_YESNO | MB_ICONWARNING) != IDYES) return TRUE;
            if (poi) {
                poi->deleted = 1;
                MarkChanged(state);
            }
            return EndDialogWith(dialog, 1);
        case IDCANCEL:
            return EndDialogWith(dialog, 2);
        }
        break;
    }
    return FALSE;
}

// ---- marker configuration ------------------------------------------------------------------

static void ShowPosition(HWND dialog, int bar, int text)
{
    char number[16];
    snprintf(number, sizeof number, "%d", (int)SendDlgItemMessageA(dialog, bar, TBM_GETPOS, 0, 0));
    SetDlgItemTextA(dialog, text, number);
}

static void SetUpBar(HWND dialog, int bar, int text, int low, int high, int position)
{
    SendDlgItemMessageA(dialog, bar, TBM_SETRANGE, TRUE, MAKELONG(low, high));
    SendDlgItemMessageA(dialog, bar, TBM_SETPOS, TRUE, position);
    ShowPosition(dialog, bar, text);
}

INT_PTR CALLBACK POIMarkerConfigDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND view = (HWND)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG: {
        view = (HWND)lParam;
        SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)view);
        ViewRecord* r = ViewRecordOf(view);
        SetUpBar(dialog, IDC_POI_MARKER_SIZE, IDC_POI_MARKER_SIZE_TEXT, 1, 10, r ? r->poiMarkerSize : 1);
        SetUpBar(dialog, IDC_POI_MARKER_HEIGHT, IDC_POI_MARKER_HEIGHT_TEXT, 5, 50, r ? r->poiLabelSize : 5);
        CenterOnFrame(dialog);
        return TRUE;
    }
    case WM_HSCROLL:
        if ((HWND)lParam == GetDlgItem(dialog, IDC_POI_MARKER_SIZE))
            ShowPosition(dialog, IDC_POI_MARKER_SIZE, IDC_POI_MARKER_SIZE_TEXT);
        else if ((HWND)lParam == GetDlgItem(dialog, IDC_POI_MARKER_HEIGHT))
            ShowPosition(dialog, IDC_POI_MARKER_HEIGHT, IDC_POI_MARKER_HEIGHT_TEXT);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            ViewRecord* r = ViewRecordOf(view);
            if (r) {
                r->poiMarkerSize = (int)SendDlgItemMessageA(dialog, IDC_POI_MARKER_SIZE, TBM_GETPOS, 0, 0);
                r->poiLabelSize = (int)SendDlgItemMessageA(dialog, IDC_POI_MARKER_HEIGHT, TBM_GETPOS, 0, 0);
            }
            return EndDialogWith(dialog, 1);
        }
        case IDCANCEL:
            return EndDialogWith(dialog, 2);
        }
        break;
    }
    return FALSE;
}
