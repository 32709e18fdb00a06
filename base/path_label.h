// A path in a one-line label of a dialog: a static control wraps a long path
// into lines it is too low to show, so the path is cut in the middle to what
// fits, and the label's tip holds it whole.
#pragma once
#include <windows.h>
#include <string>

// `path` (program text) as it fits in `width` pixels in the font selected
// into `dc`: whole when it fits, else its start and its end around "...",
// as much of each as fits, whole letters only.
std::string FitPathToWidth(HDC dc, const char* path, int width);

// `path` in lines of at most `width` pixels in the font selected into `dc`,
// joined by CR LF: each line ends after a separator or a blank where it can,
// else between letters.
std::string WrapPathToWidth(HDC dc, const char* path, int width);

// Shows `path` in label `id` of `dialog`, fitted to the label's width in its
// font, and makes the whole path the label's tip (the label needs SS_NOTIFY
// to see the mouse), in lines within the screen's width.
void ShowPathInLabel(HWND dialog, int id, const char* path);
// The tip ShowPathInLabel gave `label`; null before.
HWND PathLabelTip(HWND label);
