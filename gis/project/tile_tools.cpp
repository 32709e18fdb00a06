// Querying and opening tiles in the project window.
#include "gis/project/tile_tools.h"
#include "gis/project/project.h"
#include "gis/project/project_window.h"
#include "app/app_windows.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/gdi_text.h"
#include "base/messages.h"
#include "data/las_lock.h"
#include "views/plan/point_tip.h"
#include "views/plan/view_mapping.h"
#include <commctrl.h>
#include <cstdio>
#include <cstring>

const char kTileQueryFormat[] = "[QUERY]  %s";
const char kTileAvailableText[] = "Status:  Available";
const char kTileLockedFormat[] = "Locked:  %s";
const char kTileOpenText[] = "Status:  Open";
const char kTileNotFoundText[] = "Status:  Not Found";
const char kUnableToLockQuestion[] = "Unable to lock file:\n\n%s\n\nDo you want to open it anyway?";
const char kTileLockedQuestion[] = "File is currently locked:\n\n%s\n\nAre you sure you want to open it?";
const char kTileLoadedQuestion[] = "File is already loaded:\n\n%s\n\nAre you sure you want to open it again?";

static HWND tip;
static HFONT tipFont;
static char tipText[600];

HWND TileTooltip() { return tip; }

void FlashTileOutline(HWND window, const ProjectTile* tile, COLORREF colour)
{
    ViewRecord* r = ViewRecordOf(window);
    if (!r || !tile || !tile->boundary || tile->boundary->num_contours <= 0) return;
    const PolygonRing& ring = tile->boundary->contour[0];
    if (!ring.vertex || ring.num_vertices <= 0 || !(r->scale > 0)) return;
    HDC hdc = GetDC(window);
    HPEN pen = CreatePen(PS_SOLID, 3, colour);
    HBRUSH brush = CreateSolidBrush(colour);
    HGDIOBJ oldPen = SelectObject(hdc, pen);
    HGDIOBJ oldBrush = SelectObject(hdc, brush);
    int oldRop = SetROP2(hdc, R2_XORPEN);
    auto at = [r](const RingVertex& v) {
        return POINT{(LONG)((v.x - r->viewLeft) / r->scale), (LONG)((r->viewTop - v.y) / r->scale)};
    };
    POINT first = at(ring.vertex[0]);
    MoveToEx(hdc, first.x, first.y, nullptr);
    for (int i = 1; i < ring.num_vertices; i++) {
        POINT p = at(ring.vertex[i]);
        LineTo(hdc, p.x, p.y);
    }
    LineTo(hdc, first.x, first.y);
    SetROP2(hdc, oldRop);
    SelectObject(hdc, oldBrush);
    SelectObject(hdc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
    ReleaseDC(window, hdc);
}

void FlashTile(HWND window, const ProjectTile* tile)
{
    FlashTileOutline(window, tile, 0xFF00FF);
    Sleep(50);
    FlashTileOutline(window, tile, 0xFF00FF);
    Sleep(25);
    FlashTileOutline(window, tile, 0xFFFF00);
    Sleep(50);
    FlashTileOutline(window, tile, 0xFFFF00);
}

static ProjectTile* TileAtClick(HWND window, LPARAM lParam)
{
    double x, y;
    ProjectClientToWorld(window, (short)LOWORD(lParam), (short)HIWORD(lParam), &x, &y);
    return FindTileAtPoint(window, x, y);
}

void TileStateText(const ProjectTile* tile, char* text, int size)
{
    switch (tile->activeStatus) {
    case TILE_AVAILABLE: snprintf(text, (size_t)size, "%s", kTileAvailableText); break;
    case TILE_LOCKED: snprintf(text, (size_t)size, kTileLockedFormat, tile->lockOwner); break;
    case TILE_OPEN: snprintf(text, (size_t)size, "%s", kTileOpenText); break;
    default: snprintf(text, (size_t)size, "%s", kTileNotFoundText); break;
    }
}

void DestroyTileTooltip()
{
    if (tip) DestroyWindow(tip);
    tip = nullptr;
    if (tipFont) DeleteObject(tipFont);
    tipFont = nullptr;
}

HWND ProjectTileTooltip(HWND window, POINT mouse, const ProjectTile* tile)
{
    DestroyTileTooltip();
    char state[300];
    TileStateText(tile, state, sizeof state);
    snprintf(tipText, sizeof tipText, "%s\n%s", tile->name, state);
    // Owned by the frame through the project window, so that the topmost tip
    // hides with the minimised frame; shown whether or not the frame is active.
    tip = CreateTrackingTip(window, &tipFont, tipText, TTS_ALWAYSTIP, window);
    if (!tip) return nullptr;

    HDC hdc = GetDC(window);
    HGDIOBJ old = SelectObject(hdc, tipFont);
    SIZE a = ProgramTextExtent(hdc, tile->name), b = ProgramTextExtent(hdc, state);
    SelectObject(hdc, old);
    ReleaseDC(window, hdc);
    int width = a.cx > b.cx ? a.cx : b.cx;

    SendMessageA(tip, TTM_SETMAXTIPWIDTH, 0, width + 32);
    SendMessageA(tip, TTM_SETTIPBKCOLOR, 0xC0C0C0, 0);
    SendMessageA(tip, TTM_SETTIPTEXTCOLOR, 0, 0);

    RECT area;
    GetViewClientRect(window, &area);
    RECT tipClient = {};
    GetClientRect(tip, &tipClient);
    POINT at = mouse;
    at.x += mouse.x < area.right / 2 ? 32 : -(width + 32);
    at.y += mouse.y < area.bottom / 2 ? 32 : -(6 * tipClient.bottom + 32);
    ClientToScreen(window, &at);
    SendMessageA(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
    return tip;
}

int QueryTileAtCursor(HWND window, UINT message, LPARAM lParam)
{
    if (message == WM_RBUTTONDOWN) {
        DestroyTileTooltip();
        return 1;
    }
    if (message != WM_LBUTTONDOWN) return 0;
    ProjectTile* tile = TileAtClick(window, lParam);
    if (!tile) return 1;
    DestroyTileTooltip();
    FlashTile(window, tile);
    char line[400];
    snprintf(line, sizeof line, kTileQueryFormat, tile->name);
    LogMessage(line);
    ViewRecord* r = ViewRecordOf(window);
    POINT mouse = {r ? r->mouseX : (short)LOWORD(lParam), r ? r->mouseY : (short)HIWORD(lParam)};
    ProjectTileTooltip(window, mouse, tile);
    return 1;
}

static int AskToOpen(const char* format, const ProjectTile* tile)
{
    char question[700];
    snprintf(question, sizeof question, format, tile->name);
    return ShowMessageBox(FrameWindow, question, "Warning", MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
}

// Opening a file into a plan view is the shell's; it hands that in at start-up.
static int (*tileOpener)(const char* path);

void SetTileOpener(int (*open)(const char* path)) { tileOpener = open; }

static int OpenTileFile(const char* path) { return tileOpener ? tileOpener(path) : 0; }

int OpenTileAtCursor(HWND window, UINT message, LPARAM lParam)
{
    if (message != WM_LBUTTONDOWN) return 0;
    ProjectTile* tile = TileAtClick(window, lParam);
    if (!tile) return 1;
    FlashTile(window, tile);
    switch (tile->activeStatus) {
    case TILE_AVAILABLE:
        if (!LockTile(tile->path)) {
            if (AskToOpen(kUnableToLockQuestion, tile)) OpenTileFile(tile->path);
            break;
        }
        // The marker is this project's: closing the project removes it.
        tile->openCount++;
        // fall through: locked for this user, opened as a tile without a marker
    case TILE_NOT_FOUND:
        if (OpenTileFile(tile->path)) tile->activeStatus = TILE_OPEN;
        break;
    case TILE_LOCKED:
        if (AskToOpen(kTileLockedQuestion, tile)) OpenTileFile(tile->path);
        break;
    case TILE_OPEN:
        if (AskToOpen(kTileLoadedQuestion, tile)) OpenTileFile(tile->path);
        break;
    }
    InvalidateRect(window, nullptr, FALSE);
    return 1;
}
