// OpenGL contexts of the 3D view and the surface its frames render into.
// A GL drawable inside an MDI child does not show on every platform (under
// Wine it stays off screen), so each frame renders offscreen (a framebuffer
// object, else the back buffer of a hidden top-level window), is read back
// and drawn into the window with GDI. One path on every platform.
#pragma once
#include <windows.h>
#include <cstdint>

struct ViewRecord;

// Texts of the context messages.
extern const char kNoPixelFormat[];
extern const char kNoHardwareAcceleration[];
extern const char kNoRenderingContext[];

int ChooseGLPixelFormat(HWND window);
// A context is current on one thread only: a 3D window renders on its own thread.
int OnGLWindowThread(HWND window);
// Makes the context on a hidden helper window of `window`; 1 with it current.
int CreateGLContext(HWND window, HDC* dc, HGLRC* context);
int DeleteGLContext(HWND window, HDC dc, HGLRC context);
int GetGLInfo(HWND window, char* vendor, char* renderer, char* version);

// The offscreen frame of one 3D window.
struct GLFrameSurface {
    unsigned framebuffer, colour, depth;  // 0 when the driver has no framebuffer objects
    int      width, height;
    uint8_t* pixels;                      // the last frame, BGRA rows bottom-up
};

// Sizes the surface to width x height with the record's context current.
int  SizeGLFrameSurface(ViewRecord* record, int width, int height);
// Directs drawing at the surface before a frame.
void BindGLFrameSurface(ViewRecord* record);
// Reads the finished frame back and draws it into the window with GDI.
int  PresentGLFrame(ViewRecord* record, HWND window);
void FreeGLFrameSurface(ViewRecord* record);
// A pixel of the last frame (x from the left, y from the top of the client area).
COLORREF GetGLFramePixel(const ViewRecord* record, int x, int y);
