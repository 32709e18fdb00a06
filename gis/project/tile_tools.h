// The two tile tools of the project window: the tile query (9026) with its
// tooltip and the tile opener (9059), and the flash of a picked tile.
#pragma once
#include <windows.h>

struct ProjectTile;

extern const char kTileQueryFormat[];
extern const char kTileAvailableText[];
extern const char kTileLockedFormat[];
extern const char kTileOpenText[];
extern const char kTileNotFoundText[];
extern const char kUnableToLockQuestion[];
extern const char kTileLockedQuestion[];
extern const char kTileLoadedQuestion[];

void FlashTileOutline(HWND window, const ProjectTile* tile, COLORREF colour);
// Both flashes of a picked tile (magenta, then cyan).
void FlashTile(HWND window, const ProjectTile* tile);
int  QueryTileAtCursor(HWND window, UINT message, LPARAM lParam);
int  OpenTileAtCursor(HWND window, UINT message, LPARAM lParam);
// How the tile opener opens a tile's file in a new plan view (1 when a view
// was created); the shell sets it at start-up.
void SetTileOpener(int (*open)(const char* path));
// The second line of a tile's tooltip, by its state.
void TileStateText(const ProjectTile* tile, char* text, int size);
HWND ProjectTileTooltip(HWND window, POINT mouse, const ProjectTile* tile);
void DestroyTileTooltip();
// The tooltip shown now, or null.
HWND TileTooltip();
