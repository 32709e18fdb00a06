// The POI dialogs: 212 "Edit POI" (one marker) and 345 "POI Marker
// Configuration" (the view's marker size and height).
#pragma once
#include <windows.h>

extern const char kPOIDeleteQuestion[];   // "Are you sure you want to delete this marker?"

// Dialog 212 over the view for record `index` of its POI set: 1 after OK or
// Delete (the set is then unsaved), 2 after Cancel.
INT_PTR ShowEditPOIDialog(HWND view, int index);
INT_PTR CALLBACK EditPOIDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// lParam at creation: the plan view.
INT_PTR CALLBACK POIMarkerConfigDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
