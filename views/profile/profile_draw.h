// Drawing of the profile window on a thread of its own: background, the
// profile points by the view's colour mode, the edit polygon and the query mark.
#pragma once
#include <windows.h>
#include <cstdint>

struct Polyline;

struct ProfileDrawRequest {
    HWND profile;
    int32_t left, top, right, bottom;
    HDC hdc;
    int32_t erase;
    int32_t constant;   // always 1
};

int  ProfilePaint(HWND profile);
int  StartProfileDraw(HWND profile, HDC hdc, const RECT* rect, int erase, int constant);
DWORD WINAPI ProfileDrawThread(LPVOID request);
int  FillProfileBackground(HWND profile, HDC hdc);
// 1 when finished, 0 when cancelled or the colour mode is none of 1200-1209.
int  DrawProfilePoints(HWND profile, HDC hdc);
int  DrawProfilePolygon(HWND profile, HDC hdc, const struct Polyline* polygon, COLORREF colour);
// The colour of profile point i in the colour mode; `file` is the running
// file index of the file colouring.
COLORREF ProfilePointColor(HWND profile, int mode, int i, int* file);
