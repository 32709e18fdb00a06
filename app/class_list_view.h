// The class list view of the class dialogs (control 1042): one row per class
// code with its display switch as the check box, its two colours painted in
// the "Main" and "Prof" cells, and " %3d - %s" (code, name).
#pragma once
#include <windows.h>
#include <commctrl.h>

struct ClassTable;
struct ViewRecord;

void SetupClassListView(HWND owner, HWND list);
// The rows of a class list of either kind: " %3d - %s" in the name column and
// the display (or tinDisplay) switch as the check box; and reading them back.
void FillClassRows(HWND list, const ClassTable* table, int nameColumn, bool tinSwitches);
void ReadClassRows(HWND list, ClassTable* table, bool tinSwitches);
void FillClassListView(HWND dialog, const ClassTable* table);
void ReadClassListChecks(HWND dialog, ClassTable* table);
LRESULT DrawClassListColors(NMLVCUSTOMDRAW* draw, const ClassTable* table);
HWND CreateClassPageTooltips(HWND dialog);

// The row selected in control 1042, or -1.
int  SelectedClassRow(HWND dialog);
void SelectClassRow(HWND dialog, int row);
// Sets every display switch below count to `on`.
void SetAllClassDisplay(ClassTable* table, int on);
// Sets display (or tinDisplay) to 1 exactly for the codes below count that
// points of the view's current data set use; every other switch to 0.
void ShowExistingClasses(HWND view, ClassTable* table, bool tin);

// What a notification of the list did to the table: nothing, the checks were
// read, or the table changed and the list was refilled.
enum ClassListChange { CLASS_LIST_NONE, CLASS_LIST_CHECKS, CLASS_LIST_REFILLED };
// Handles the list's notifications on a class dialog: check box clicks,
// custom draw (the answer goes into DWLP_MSGRESULT), colour clicks on the
// selected row and the header toggle of column 0.
ClassListChange OnClassListNotify(HWND dialog, NMHDR* header, ClassTable* table);

// The TIN class list (control 1036), whose check boxes are the tinDisplay
// switches of the view's class table.
void SetupTINClassList(HWND dialog);
void FillTINClassList(HWND dialog, const ViewRecord* record);
void ReadTINClassChecks(HWND dialog, ViewRecord* record);
// The check boxes of a class pick list into flags (1 checked), and the list
// filled from the table with the flags as checks.
void GetListViewChecks(HWND dialog, HWND list, int count, int* flags);
void FillClassPickList(HWND dialog, HWND list, const ClassTable* table, const int* flags);
