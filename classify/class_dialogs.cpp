// The "Classify By Class" and "Vivuzoz Oduri" class dialogs.
#include "classify/class_dialogs.h"
#include "app/class_list_view.h"
#include "views/plan/measure_query.h"
#include "app/app_windows.h"
#include "app/frame_bars.h"
#include "app/class_combo.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/dialogs.h"
#include "base/heap.h"
#include "base/messages.h"
#include "classify/surface_settings.h"
#include "resource.h"
#include <cstring>

// Modal dialogs keep their working state process-wide (one open at a time).
static ViewRecord* classRecord;
static int32_t* savedFlags;   // source flags as they were at opening, for Cancel

static void FillFromList(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_FROM_CLASS_LIST);
    FillClassPickList(dialog, list, &classRecord->classTable, classRecord->classSelection.fromClasses);
    if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > 0) {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED;
        item.state = LVIS_SELECTED;
        SendMessageA(list, LVM_SETITEMSTATE, 0, (LPARAM)&item);
        SendMessageA(list, LVM_SETSELECTIONMARK, 0, 0);
    }
}

// The "ON" header: everything off when anything is on, else everything on.
static void ToggleAllClasses(HWND dialog)
{
    int32_t* flags = classRecord->classSelection.fromClasses;
    GetListViewChecks(dialog, GetDlgItem(dialog, IDC_FROM_CLASS_LIST), classRecord->classTable.count, flags);
    int count = classRecord->classTable.count < 256 ? classRecord->classTable.count : 256;
    bool any = false;
    for (int i = 0; i < count; i++) any = any || flags[i];
    for (int i = 0; i < count; i++) flags[i] = any ? 0 : 1;
    FillFromList(dialog);
}

static void EndClassDialog(HWND dialog, int result)
{
    if (result) {
        GetListViewChecks(dialog, GetDlgItem(dialog, IDC_FROM_CLASS_LIST), classRecord->classTable.count,
                          classRecord->classSelection.fromClasses);
        int target = (int)SendDlgItemMessageA(dialog, IDC_TARGET_CLASS, CB_GETCURSEL, 0, 0);
        if (target >= 0) classRecord->classSelection.targetClass = target;
    } else if (savedFlags) {
        memcpy(classRecord->classSelection.fromClasses, savedFlags, sizeof classRecord->classSelection.fromClasses);
    }
    NBLFree(savedFlags);
    savedFlags = nullptr;
    EndDialog(dialog, result);
}

INT_PTR CALLBACK ClassifyByClassDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        classRecord = ViewRecordOf((HWND)lParam);
        if (!classRecord) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        savedFlags = (int32_t*)NBLMalloc(sizeof classRecord->classSelection.fromClasses);
        if (savedFlags)
            memcpy(savedFlags, classRecord->classSelection.fromClasses, sizeof classRecord->classSelection.fromClasses);
        HWND list = GetDlgItem(dialog, IDC_FROM_CLASS_LIST);
        SetupClassListView(dialog, list);
        FillFromList(dialog);
        FillClassCombo(GetDlgItem(dialog, IDC_TARGET_CLASS), classRecord->classSelection.targetClass,
                       &classRecord->classTable);
        ShowWindow(GetDlgItem(dialog, IDC_UNDO_NOTE), SW_HIDE);
        CenterOnFrame(dialog);
        return TRUE;
    }
    case WM_NOTIFY: {
        NMHDR* header = (NMHDR*)lParam;
        if (header->idFrom != IDC_FROM_CLASS_LIST) return FALSE;
        if (header->code == NM_CUSTOMDRAW) {
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT,
                              DrawClassListColors((NMLVCUSTOMDRAW*)lParam, &classRecord->classTable));
            return TRUE;
        }
        if (header->code == LVN_COLUMNCLICK && ((NMLISTVIEW*)lParam)->iSubItem == 0) ToggleAllClasses(dialog);
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) EndClassDialog(dialog, 1);
        else if (LOWORD(wParam) == IDCANCEL) EndClassDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

int ShowClassifyByClass(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    if (ShowDialog(IDD_CLASSIFY_BY_CLASS, FrameWindow, ClassifyByClassDlgProc, (LPARAM)view) != 1) return 0;
    r->classSelectionSaved = 1;
    return 1;
}

static ViewRecord* magicRecord;

INT_PTR CALLBACK SurfaceMagicDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextA(dialog, "Vivuzoz Oduri");
        magicRecord = ViewRecordOf((HWND)lParam);
        if (!magicRecord) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        FillClassCombo(GetDlgItem(dialog, IDC_SM_GROUND_CLASS), magicRecord->groundClass, &magicRecord->classTable);
        FillClassCombo(GetDlgItem(dialog, IDC_SM_FEATURE_CLASS), magicRecord->featureClass, &magicRecord->classTable);
        CenterOnFrame(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            int ground = (int)SendDlgItemMessageA(dialog, IDC_SM_GROUND_CLASS, CB_GETCURSEL, 0, 0);
            int feature = (int)SendDlgItemMessageA(dialog, IDC_SM_FEATURE_CLASS, CB_GETCURSEL, 0, 0);
            if (ground >= 0) magicRecord->groundClass = ground;
            if (feature >= 0) magicRecord->featureClass = feature;
            EndDialog(dialog, 1);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_SM_ADVANCED: {
            // The advanced dialog edits a copy: {Aesthetics, Terrain Bias}.
            int32_t pair[2] = {magicRecord->sliderSecond, magicRecord->sliderFirst};
            if (ShowDialog(IDD_SM_ADVANCED, dialog, SurfaceMagicAdvancedDlgProc, (LPARAM)pair) == 1) {
                magicRecord->sliderSecond = pair[0];
                magicRecord->sliderFirst = pair[1];
            }
            return TRUE;
        }
        }
        return FALSE;
    }
    return FALSE;
}

int ShowSurfaceMagic(HWND view)
{
    if (!ViewRecordOf(view)) return 0;
    if (ShowDialog(IDD_SURFACE_MAGIC, FrameWindow, SurfaceMagicDlgProc, (LPARAM)view) != 1) return 0;
    UpdateToolbarState(view);
    return 1;
}
