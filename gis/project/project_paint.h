// Drawing the project's tiles: a hatched polygon per tile coloured by its
// state, labelled with its name when the names fit.
#pragma once
#include <windows.h>

struct ProjectTile;

// The hatch and colour of a tile by its edit and active state; false for
// states that keep the previous tile's brush.
bool TileBrushStyle(const ProjectTile* tile, int* hatch, COLORREF* colour);
int  PaintProjectTiles(HWND window, HDC hdc, const RECT* paintRect, int erase);
int  FitTileLabelFont(LOGFONTA* font, HDC hdc, HWND window);
