// The profile window ("ChildProfile"): a cross-section through the profile
// box of its plan view, working on the plan view's record.
#pragma once
#include <windows.h>

struct ViewRecord;

extern const char* const kProfileCreateFailed;   // "Failed in Creating Profile Window"

HWND CreateProfileWindow(ViewRecord* record);
// Titles the view's profile window (if any) after the record's title again.
void RetitleProfileWindow(const ViewRecord* record);
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

// One tool of the profile window: what a mouse move and a button do while it
// is current, whether it changes classes (and so waits for a running worker),
// and what a stepped profile box does with its closed edit polygon.
struct ProfileToolRow {
    int tool;
    int (*move)(HWND profile);
    int (*button)(HWND profile, UINT message, LPARAM lParam);
    bool classifies;
    int (*afterBoxStep)(HWND profile);
};
// The shell hands its table of profile tools in at start-up; the rows stay its own.
void SetProfileTools(const ProfileToolRow* rows, int count);
// The row of a tool; null for one the table lacks.
const ProfileToolRow* ProfileToolRowOf(int tool);
