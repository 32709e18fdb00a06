// The POI layer's file commands of a plan view: load (9100), save (9101,
// also when a view or the frame closes with an unsaved set) and save as (9102).
#pragma once
#include <windows.h>

extern const char kPOIListEmpty[];          // "The POI list is empty"
extern const char kPOIUnsavedQuestion[];    // with the set's title
extern const char kPOIUnsavedUntitled[];    // a set never saved or loaded

// 0 when the user cancels the save question, that save fails or the chosen
// file cannot be read; else 1 (the caller then redraws the view).
int LoadPOIFile(HWND view);
// 1 when written.
int SavePOIFile(HWND view);
int SavePOIFileAs(HWND view);
