// The profile tool ("Profile Tool", 9027): a line A-B drawn in the plan view,
// a box of a chosen width around it, the points inside the box projected onto
// its axis, and the profile window that shows them.
#pragma once
#include <windows.h>
#include "base/vector.h"

extern const char* const kNoProfilePoints;    // "No Points Found"
extern const char* const kProfileWidthError;  // "Profile width must be greater than zero:\n\n    %.3lf"

int ProfileToolMouse(HWND view, UINT message, LPARAM lParam);
// The profile tool's end: a box being drawn is erased and dropped.
void EndProfileTool(HWND view);
int TrackProfileBox(HWND view);
// A 4-vertex box of the width centred on the line A-B.
struct Polyline* MakeProfileBox(const Vec3* a, const Vec3* b, double width);
int CollectProfilePoints(HWND view, int keepWidth);
int OpenOrUpdateProfile(HWND view);
int RefreshProfileBox(HWND view);
// Commands 9028 and 9029: the box steps sideways by half its width.
int MoveProfileBox(HWND view, int command);
int SetProfileBoxWidth(HWND view);
INT_PTR CALLBACK ProfileBoxWidthDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void FreeProfileSelection(HWND view);
