// The AOI file commands of a view: 9110 load, 9111 save, 9112 save as.
#pragma once
#include <windows.h>

extern const char kAOIListEmpty[];   // "The AOI list is empty"

// After the question about unsaved changes, the set from a chosen file: 1 when
// it is in place or the user cancelled the file dialog, 0 when the question
// was cancelled, its save failed or the file could not be read.
int LoadAOIFile(HWND view);
// Saves under the set's name, asking for one when it has none; 1 when written.
int SaveAOIFile(HWND view);
// Always asks for the name; 1 when written.
int SaveAOIFileAs(HWND view);
// For every polygon the first type of the view's table with its AOI index,
// else -1.
void MatchAOITypes(HWND view, struct AOISet* set);
