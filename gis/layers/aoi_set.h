// The AOI layer of a view: its set of polygons and type table, digitised
// polygons joining it, picking a polygon under the cursor, and replacing the
// set after asking about unsaved changes.
#pragma once
#include <windows.h>

struct AOISet;
struct ClassTable;
struct Polyline;
struct ViewRecord;

extern const char kAOIUnsavedNamed[];    // the set's title in the question
extern const char kAOIUnsavedUnnamed[];  // the question for a set never saved

// The 13 default AOI types ("AOIMacro_list.xml").
void SetDefaultAOITypes(ClassTable* table);
// A new empty, saved set.
AOISet* NewAOISet();
// At view creation: a new set, line width 2 and the default types.
void CreateAOISet(ViewRecord* record);
void FreeAOISet(ViewRecord* record);
// Replaces the view's set under its draw lock; the old set is freed.
void InstallAOISet(HWND view, AOISet* set);
// The elevation of every vertex: from the first grid holding it in a grid
// view, from the nearest shown point in a point view; 0 without a value.
void SetAOIElevations(HWND view, struct Polyline* polygon);

// A digitised polygon of 3 or more vertices joins the set, closed, of the
// current AOI type; returns 1.
int AddAOIPolygon(HWND view, struct Polyline* digitised);
// The position of the polygon under the last mouse position, or -1.
int FindAOIPolygonAtCursor(HWND view);
// Asks about an unsaved set (Yes saves it); 1 to go on, 0 when the user
// cancelled or the save failed.
int AskToSaveAOISet(HWND view);
// Command 9113: after the question a new empty set; 1 when it is in place.
int ResetAOISet(HWND view);
