// The profile window's own world-to-window mapping (X the distance along the
// box, Y the elevation): full view, centring, automatic zoom, the six zoom
// operations, scroll bars, scrolling and the zoom and pan tools.
#pragma once
#include <windows.h>

// Zoom operations of ZoomProfile.
#define PROFILE_ZOOM_IN_AT   1
#define PROFILE_ZOOM_OUT_AT  2
#define PROFILE_ZOOM_IN_BOX  3
#define PROFILE_ZOOM_OUT_BOX 4
#define PROFILE_ZOOM_PREVIOUS 5
#define PROFILE_ZOOM_FULL    6

int  InitProfileScales(HWND profile);
void FitProfileView(HWND profile);
void CenterProfileView(HWND profile, double x, double z);
void ResizeProfileView(HWND profile);
void UpdateProfileWindowExtent(HWND profile);
int  AutoZoomProfile(HWND profile);
int  ZoomProfile(HWND profile, int operation, const int rect[4]);
int  UpdateProfileScrollBars(HWND profile);
int  ProfileHScroll(HWND profile, WPARAM wParam);
int  ProfileVScroll(HWND profile, WPARAM wParam);
int  ProfileZoomToolMouse(HWND profile, UINT message, LPARAM lParam);
int  TrackProfileZoomBox(HWND profile);
int  ProfilePanToolMouse(HWND profile, UINT message, LPARAM lParam);
int  TrackProfilePan(HWND profile);
int  ApplyProfilePan(HWND profile, int x, int y);
