// The profile window ("ChildProfile"): a cross-section through the profile
// box of its plan view, working on the plan view's record.
#pragma once
#include <windows.h>

struct ViewRecord;

extern const char* const kProfileCreateFailed;   // "Failed in Creating Profile Window"

HWND CreateProfileWindow(ViewRecord* record);
LRESULT CALLBACK ChildProfileWndProc(HWND profile, UINT message, WPARAM wParam, LPARAM lParam);
// The profile's own commands; 0 for the rest, which are its plan view's.
int  ProfileCommand(HWND profile, WPARAM wParam, LPARAM lParam);
// 1 when the profile dispatches the id itself rather than passing it on.
int  ProfileHandlesCommand(int id);
int  SetProfileTool(HWND profile, int id);
int  CancelProfileTool(HWND profile);
int  CloseProfileView(HWND profile);
int  SetProfileCursor(HWND profile);
int  ProfileMouseMove(HWND profile, LPARAM lParam);
int  ProfileMouseButton(HWND profile, UINT message, LPARAM lParam);
int  ProfileMouseWheel(HWND profile, WPARAM wParam);
