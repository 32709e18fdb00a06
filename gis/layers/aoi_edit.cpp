// The AOI tool's editing of one polygon and the AOI line width.
#include "gis/layers/aoi_edit.h"
#include "gis/layers/aoi_set.h"
#include "app/layer_sets.h"
#include "app/app_windows.h"
#include "app/view_record.h"
#include "app/view_jobs.h"
#include "app/window_slots.h"
#include "base/dialogs.h"
#include "base/messages.h"
#include "base/polygon.h"
#include "resource.h"
#include "views/gl3d/gl_render.h"
#include "views/plan/rubber_bands.h"
#include "views/plan/view_mapping.h"
#include <commctrl.h>

const char kAOIDeleteQuestion[] = "Are you sure you want to delete this polygon?";

// Magenta, cyan, then yellow, which stays until the next draw.
static void FlashPolygon(HWND view, const struct Polyline* polygon, int width)
{
    CancelViewDraw(view);
    DrawViewPolygonXorWidth(view, polygon, RGB(255, 0, 255), width);
    Sleep(100);
    DrawViewPolygonXorWidth(view, polygon, RGB(255, 0, 255), width);
    Sleep(50);
    DrawViewPolygonXorWidth(view, polygon, RGB(0, 255, 255), width);
    Sleep(100);
    DrawViewPolygonXorWidth(view, polygon, RGB(0, 255, 255), width);
    Sleep(25);
    DrawViewPolygonXorWidth(view, polygon, RGB(255, 255, 0), width);
}

int EditAOIAtCursor(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->aoiSet || !r->aoiSet->lines || r->aoiSet->lines->count <= 0) return 1;
    int picked = FindAOIPolygonAtCursor(view);
    if (picked < 0) return 1;
    struct Polyline* polygon = r->aoiSet->lines->items[picked];
    FlashPolygon(view, polygon, r->aoiLineWidth + 4);
    AOIEditRequest request = {view, polygon, 0};
    INT_PTR answer = ShowDialog(IDD_EDIT_AOI, view, EditAOIDlgProc, (LPARAM)&request);
    // A picked colour is a change even when the dialog is cancelled.
    if (answer == 1 || request.colourChanged) r->aoiSet->saved = 0;
    InvalidateView(view, 1);
    if (r->glWindow) RenderGLView(r->glWindow);
    return 1;
}

INT_PTR CALLBACK EditAOIDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    AOIEditRequest* request = (AOIEditRequest*)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG:
        request = (AOIEditRequest*)lParam;
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SendDlgItemMessageA(dialog, IDC_AOI_COMMENT, EM_LIMITTEXT, 254, 0);
        if (request->polygon->comment) SetDlgItemTextA(dialog, IDC_AOI_COMMENT, request->polygon->comment);
        CenterOnFrame(dialog);
        return TRUE;
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* item = (const DRAWITEMSTRUCT*)lParam;
        if (!request || item->CtlID != IDC_AOI_COLOR) break;
        FillColorSwatch(request->polygon->color, item->hDC, &item->rcItem);
        return TRUE;
    }
    case WM_COMMAND: {
        if (!request) break;
        struct Polyline* polygon = request->polygon;
        switch (LOWORD(wParam)) {
        case IDC_AOI_COLOR: {
            COLORREF chosen;
            if (PickColor(dialog, polygon->color, &chosen)) {
                polygon->color = chosen;
                request->colourChanged = 1;
                InvalidateRect(GetDlgItem(dialog, IDC_AOI_COLOR), nullptr, TRUE);
            }
            return TRUE;
        }
        case IDOK: {
            if (polygon->comment) GetDialogText(dialog, IDC_AOI_COMMENT, polygon->comment, 255);
            // The type list holds no choice: the polygon's AOI index stands for
            // its table position. The AOI index itself never changes here: an
            // index that no entry at that position carries (a type unknown to
            // this table) would otherwise be overwritten by editing a comment.
            int position = polygon->type;
            ViewRecord* r = ViewRecordOf(request->view);
            if (r && position >= 0 && position < 256 && r->aoiClassTable.entries[position].index == polygon->type)
                polygon->typePosition = position;
            EndDialog(dialog, 1);
            return TRUE;
        }
        case IDC_AOI_DELETE:
            if (ShowMessageBox(dialog, kAOIDeleteQuestion, "Warning", MB_YESNO | MB_ICONWARNING) != IDYES) return TRUE;
            polygon->color = 0xFFFFFFFF;
            polygon->deleted = 1;
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 2);
            return TRUE;
        }
        break;
    }
    }
    return FALSE;
}

int ShowAOIPolygonSettings(HWND view)
{
    if (ViewRecordOf(view)) ShowDialog(IDD_AOI_SETTINGS, view, AOIPolygonSettingsDlgProc, (LPARAM)view);
    return 1;
}

INT_PTR CALLBACK AOIPolygonSettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND view = (HWND)GetWindowLongPtrA(dialog, DWLP_USER);
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        ViewRecord* r = ViewRecordOf((HWND)lParam);
        SendDlgItemMessageA(dialog, IDC_AOI_LINE_WEIGHT, TBM_SETRANGE, TRUE, MAKELONG(1, 6));
        SendDlgItemMessageA(dialog, IDC_AOI_LINE_WEIGHT, TBM_SETPOS, TRUE, r ? r->aoiLineWidth : 1);
        CenterOnFrame(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            ViewRecord* r = ViewRecordOf(view);
            int width = (int)SendDlgItemMessageA(dialog, IDC_AOI_LINE_WEIGHT, TBM_GETPOS, 0, 0);
            if (r && width != r->aoiLineWidth) {
                r->aoiLineWidth = width;
                InvalidateView(view, 1);
                if (r->glWindow) RenderGLView(r->glWindow);
            }
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 2);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
