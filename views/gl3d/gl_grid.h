// Grid views in the 3D window: the cells inside the plan view's map window
// become a temporary set of posts, drawn as points or as a TIN triangulated
// on the spot. Neither outlives the display list it is compiled into.
#pragma once
#include <windows.h>
#include <cstdint>

struct PointSelection;
struct TINModel;

// A set of n zero-filled posts it owns, bounds empty, and a 4-vertex polygon.
PointSelection* NewGridPointSet(int32_t n);
void FreeGridPointSet(PointSelection* set);
// The posts of the visible grids inside the view's map window, every cell or
// (beyond about 2^18 cells) sampled on a raster; null when no cell is covered.
PointSelection* LocateGridData(HWND view);
// Delaunay TIN of the posts (which stay the set's); null for no set or 2 posts or fewer.
TINModel* BuildGridTIN(PointSelection* set);
void SetGridTINNormals(TINModel* tin, PointSelection* set);

// Display list 1 (points) and 0 (TIN) of a grid view's 3D window; 1.
int  BuildGridPointDisplayList(HWND glWindow);
int  BuildGridTINDisplayList(HWND glWindow);
void BuildGridPointListByElevation(HWND glWindow);
void BuildGridPointListByIntensity(HWND glWindow);
void BuildGridPointListByPalette(HWND glWindow);
void BuildGridTINListRamp(HWND glWindow);
void BuildGridTINListGray(HWND glWindow);
void BuildGridTINListIntensity(HWND glWindow);

constexpr int kGridPostLimit = 1 << 18;
extern const char kLocateGridDataCaption[];
