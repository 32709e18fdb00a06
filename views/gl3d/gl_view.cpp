// The 3D window: creation, context, camera, navigation and commands.
#include "views/gl3d/gl_view.h"
#include "views/gl3d/gl_context.h"
#include "views/gl3d/gl_render.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "app/frame_bars.h"
#include "app/job_control.h"
#include "app/status_bars.h"
#include "app/view_arrange.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/messages.h"
#include "resource.h"
#include <GL/gl.h>
#include <GL/glu.h>
#include <commctrl.h>
#include <cstdio>

const char kGLWindowFailed[] = "Failed in Creating 3D Window";

constexpr float kMinDistance = 0.001f, kMaxDistance = 100.0f;
constexpr float kStartDistance = 4.0f, kStartElevation = -60.0f;
constexpr float kMaxExaggeration = 10.0f, kExaggerationStep = 0.5f;

static float ClampDistance(float d) { return d < kMinDistance ? kMinDistance : (d > kMaxDistance ? kMaxDistance : d); }

// The client area less the status bar.
static RECT DrawArea(HWND w)
{
    RECT r;
    GetClientRect(w, &r);
    r.bottom -= (int)GetWindowSlot(w, CHILD_STATUSHEIGHT);
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

// --- opening and closing -------------------------------------------------------------------

static void GLViewTitle(const ViewRecord* r, char* title, size_t size)
{
    snprintf(title, size, "%s - 3D", r->title);
}

HWND CreateGLViewWindow(ViewRecord* r)
{
    char title[300];
    GLViewTitle(r, title, sizeof title);
    return CreateMDIChild("ChildOpenGL", title, kGLChildStyle, r, kGLWindowFailed);
}

void RetitleGLViewWindow(const ViewRecord* r)
{
    if (!r || !r->glWindow) return;
    char title[300];
    GLViewTitle(r, title, sizeof title);
    SetWindowTextA(r->glWindow, title);
}

int CreateGLViewContext(HWND w)
{
    ViewRecord* r = ViewRecordOf(w);
    ChooseGLPixelFormat(w);
    HDC dc;
    HGLRC context;
    if (!CreateGLContext(w, &dc, &context)) {
        SendMessageA(w, WM_CLOSE, 0, 0);
        return 0;
    }
    r->glDC = dc;
    r->glContext = context;
    r->glListBase = (int)glGenLists(GL_LIST_COUNT);
    for (int i = 0; i < GL_LIST_COUNT; i++) r->glRebuildFlags[i] = 0;
    return 1;
}

int ResizeGLView(HWND w)
{
    ViewRecord* r = ViewRecordOf(w);
    if (!r || !r->glContext) return 0;
    RECT c;
    GetClientRect(w, &c);
    int width = c.right - c.left, height = c.bottom - c.top;
    wglMakeCurrent(r->glDC, r->glContext);
    SizeGLFrameSurface(r, width, height);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, (double)width / (double)(height ? height : 1), (double)0.001f, 100.0);
    return 1;
}

void InitGLState()
{
    glShadeModel(GL_FLAT);
    glClearColor(GetRValue(ViewBackgroundColor) / 256.0f, GetGValue(ViewBackgroundColor) / 256.0f,
                 GetBValue(ViewBackgroundColor) / 256.0f, 0.0f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_FASTEST);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_CULL_FACE);
}

int Open3DView(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || r->glWindow) return 0;
    r->glAzimuth = 0;
    r->glTool = TOOL_PAN;
    r->glElevation = kStartElevation;
    r->glDistance = kStartDistance;
    r->glExaggeration = 1;
    HWND w = CreateGLViewWindow(r);
    if (!w) return 0;
    if (!CreateGLViewContext(w)) return 0;
    InitGLState();
    UpdateGLStatusBar(w);
    // Arranged once it is shown (a window still being created is left out
    // of a tiling): beside its plan view, both in front, whatever else is open.
    ArrangeViewPanels(view);
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)w, 0);
    ResizeGLView(w);
    InvalidateRect(w, nullptr, TRUE);
    return 1;
}

int DestroyGLView(HWND w)
{
    ViewRecord* r = ViewRecordOf(w);
    if (!r) return 0;
    if (r->glContext) wglMakeCurrent(r->glDC, r->glContext);
    if (r->glListBase) glDeleteLists((GLuint)r->glListBase, GL_LIST_COUNT);
    r->glListBase = 0;
    for (int i = 0; i < GL_LIST_COUNT; i++) r->glRebuildFlags[i] = 0;
    FreeGLFrameSurface(r);
    if (r->glContext) DeleteGLContext(w, r->glDC, r->glContext);
    r->glContext = nullptr;
    r->glDC = nullptr;
    return 1;
}

int CloseGLView(HWND w)
{
    ViewRecord* r = ViewRecordOf(w);
    if (!r || !r->glWindow) return 0;
    DestroyGLView(w);
    FreeJobControl((JobControl*)GetWindowSlot(w, CHILD_JOB));
    SetWindowSlot(w, CHILD_JOB, 0);
    r->glWindow = nullptr;
    return 1;
}

// --- camera ---------------------------------------------------------------------------------

void SetGLCamera(HWND w)
{
    ViewRecord* r = ViewRecordOf(w);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 0, r->glDistance, 0, 0, 0, 0, 1, 0);
    glTranslatef(r->glPanX, r->glPanY, 0);
    glRotatef(r->glElevation, 1, 0, 0);
    glRotatef(r->glAzimuth, 0, 0, 1);
}

int UpdateGLStatusBar(HWND w)
{
    ViewRecord* r = ViewRecordOf(w);
    HWND status = (HWND)GetWindowSlot(w, CHILD_STATUSBAR);
    if (!r || !status) return 0;
    char text[5][64];
    snprintf(text[0], sizeof text[0], " NAV");
    snprintf(text[1], sizeof text[1], " %.2f", r->glAzimuth);
    snprintf(text[2], sizeof text[2], " %.2lf", (double)r->glElevation + 90.0);
    snprintf(text[3], sizeof text[3], " %.2f", r->glHalfExtent * r->glDistance);
    snprintf(text[4], sizeof text[4], " %.1f", r->glExaggeration);
    for (int i = 0; i < 5; i++) SendMessageA(status, SB_SETTEXTA, i, (LPARAM)text[i]);
    return 1;
}

// --- commands --------------------------------------------------------------------------------

int SyncGLViewMenus(HWND w)
{
    ViewRecord* r = ViewRecordOf(w);
    return r && r->window ? UpdateToolbarState(r->window) : 0;
}

static void SetExaggeration(HWND w, ViewRecord* r, float value)
{
    if (value > kMaxExaggeration || value < 1.0f || value == r->glExaggeration) return;
    r->glExaggeration = value;
    for (int i = 0; i < GL_LIST_COUNT; i++) r->glRebuildFlags[i] = 0;
    UpdateGLStatusBar(w);
    InvalidateRect(w, nullptr, TRUE);
}

int GLViewCommand(HWND w, WPARAM wParam, LPARAM lParam)
{
    ViewRecord* r = ViewRecordOf(w);
    if (!r) return 0;
    switch (LOWORD(wParam)) {
    case CMD_ZOOM_FULL:
        r->glPanX = r->glPanY = 0;
        r->glDistance = kStartDistance;
        r->glElevation = kStartElevation;
        ResizeGLView(w);
        InvalidateRect(w, nullptr, TRUE);
        return 1;
    case CMD_NORTH_UP:
        r->glAzimuth = 0;
        ResizeGLView(w);
        InvalidateRect(w, nullptr, TRUE);
        return 1;
    case CMD_PANELIZE_ACTIVE:
        ArrangeViewPanels(r->window);
        return 1;
    case CMD_EXAGGERATE_MORE:
        SetExaggeration(w, r, r->glExaggeration + kExaggerationStep);
        return 1;
    case CMD_EXAGGERATE_LESS:
        SetExaggeration(w, r, r->glExaggeration - kExaggerationStep);
        return 1;
    }
    return 0;
}

HWND CreateGLToolbar(HWND w)
{
    static HBITMAP images;
    if (!images)
        images = (HBITMAP)LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_GL_TOOLBAR), IMAGE_BITMAP, 0, 0,
                                     LR_LOADMAP3DCOLORS | LR_LOADTRANSPARENT);
    TBBUTTON buttons[8] = {};
    const int layout[8][2] = {{-1, 0},
                              {1, CMD_NORTH_UP},
                              {0, CMD_ZOOM_FULL},
                              {-1, 0},
                              {4, CMD_EXAGGERATE_LESS},
                              {3, CMD_EXAGGERATE_MORE},
                              {-1, 0},
                              {2, CMD_PANELIZE_ACTIVE}};
    for (int i = 0; i < 8; i++) {
        buttons[i].iBitmap = layout[i][0] < 0 ? 0 : layout[i][0];
        buttons[i].idCommand = layout[i][1];
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = layout[i][0] < 0 ? BTNS_SEP : BTNS_BUTTON;
    }
    HWND toolbar = CreateToolbarEx(w, 0x40000340, ID_GL_TOOLBAR, 5, nullptr, (UINT_PTR)images, buttons, 8, 20, 20,
                                   32, 32, sizeof(TBBUTTON));
    if (toolbar) ShowWindow(toolbar, SW_SHOW);
    return toolbar;
}

// --- navigation -----------------------------------------------------------------------------

static void ApplyDrag(HWND w, ViewRecord* r)
{
    int dx = r->glMouseX - r->glPrevMouseX, dy = r->glMouseY - r->glPrevMouseY;
    RECT area = DrawArea(w);
    int width = area.right - area.left, height = area.bottom - area.top;
    switch (r->glDragButton) {
    case WM_LBUTTONDOWN:
        r->glAzimuth += (float)dx;
        if (r->glAzimuth < 0) r->glAzimuth = 359;
        else if (r->glAzimuth > 360) r->glAzimuth = 0;
        r->glElevation += (float)dy;
        break;
    case WM_RBUTTONDOWN:
        r->glPanX += dx * r->glDistance / (float)(width ? width : 1);
        r->glPanY -= dy * r->glDistance / (float)(height ? height : 1);
        break;
    case WM_MBUTTONDOWN:
        r->glDistance = ClampDistance(r->glDistance + dy / 10.0f);
        break;
    default:
        return;
    }
    InvalidateRect(w, nullptr, FALSE);
}

static void MouseButton(HWND w, ViewRecord* r, UINT message, LPARAM lParam)
{
    if (r->glTool != TOOL_PAN) return;
    bool down = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
    if (down) {
        r->glDragButton = (int)message;
        SetCapture(w);
        r->glPrevMouseX = r->glMouseX;
        r->glPrevMouseY = r->glMouseY;
        r->glMouseX = (short)LOWORD(lParam);
        r->glMouseY = (short)HIWORD(lParam);
    } else {
        r->glDragButton = 0;
        ReleaseCapture();
    }
    RenderGLView(w);
}

static void MouseMove(HWND w, ViewRecord* r, LPARAM lParam)
{
    if (IsWorkerBusy()) return;
    r->glPrevMouseX = r->glMouseX;
    r->glPrevMouseY = r->glMouseY;
    r->glMouseX = (short)LOWORD(lParam);
    r->glMouseY = (short)HIWORD(lParam);
    if (r->glTool == TOOL_PAN) ApplyDrag(w, r);
    UpdateGLStatusBar(w);
}

static void MouseWheel(HWND w, ViewRecord* r, WPARAM wParam, LPARAM lParam)
{
    if (IsWorkerBusy()) return;
    POINT p = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    ScreenToClient(w, &p);
    RECT area = DrawArea(w);
    if (!PtInRect(&area, p)) return;
    short delta = (short)HIWORD(wParam);
    r->glDistance = ClampDistance(r->glDistance + (delta < 0 ? 0.2f : -0.2f));
    InvalidateRect(w, nullptr, FALSE);
}

// --- the window procedure -------------------------------------------------------------------

// The toolbar paints only its buttons: the rest of its strip is filled here,
// or it would keep whatever a window over it left on the screen.
static LRESULT PaintToolbarBackground(HWND w, NMCUSTOMDRAW* draw)
{
    if (draw->hdr.hwndFrom != (HWND)GetWindowSlot(w, CHILD_GLTOOLBAR) || draw->dwDrawStage != CDDS_PREPAINT)
        return CDRF_DODEFAULT;
    RECT strip;
    GetClientRect(draw->hdr.hwndFrom, &strip);
    FillRect(draw->hdc, &strip, GetSysColorBrush(COLOR_BTNFACE));
    return CDRF_DODEFAULT;
}

static void OnCreate(HWND w, LPARAM lParam)
{
    MDICREATESTRUCTA* mdi = (MDICREATESTRUCTA*)((CREATESTRUCTA*)lParam)->lpCreateParams;
    ViewRecord* r = (ViewRecord*)mdi->lParam;
    SetWindowSlot(w, CHILD_RECORD, (LONG_PTR)r);
    r->glWindow = w;
    SetWindowSlot(w, CHILD_JOB, (LONG_PTR)CreateJobControl());
    SetWindowSlot(w, CHILD_GLTOOLBAR, (LONG_PTR)CreateGLToolbar(w));
    HWND status = CreateViewStatusBar(w);
    SetWindowSlot(w, CHILD_STATUSBAR, (LONG_PTR)status);
    RECT s = {0, 0, 0, 0};
    if (status) GetWindowRect(status, &s);
    SetWindowSlot(w, CHILD_STATUSHEIGHT, s.bottom - s.top);
}

LRESULT CALLBACK ChildOpenGLWndProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam)
{
    ViewRecord* r = message == WM_CREATE ? nullptr : ViewRecordOf(w);
    switch (message) {
    case WM_CREATE:
        OnCreate(w, lParam);
        break;
    case WM_SIZE:
        if (r && r->glWindow && wParam != SIZE_MINIMIZED) {
            HWND toolbar = (HWND)GetWindowSlot(w, CHILD_GLTOOLBAR);
            HWND status = (HWND)GetWindowSlot(w, CHILD_STATUSBAR);
            if (toolbar) SendMessageA(toolbar, WM_SIZE, wParam, lParam);
            if (status) SendMessageA(status, WM_SIZE, wParam, lParam);
            if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED) ResizeGLView(w);
        }
        break;
    case WM_PAINT:
        if (SizeMoveActive || !r || !r->glWindow) break;
        {
            PAINTSTRUCT ps;
            BeginPaint(w, &ps);
            RenderGLView(w);
            EndPaint(w, &ps);
        }
        return 0;
    case WM_END_TOOL:
        // No tool of its own: the plan view's ends, on the plan view.
        if (r && r->window) SendMessageA(r->window, WM_END_TOOL, 0, 0);
        return 0;
    case WM_ERASEBKGND:
        // The frame covers the whole client area.
        if (r && r->glContext) return 1;
        break;
    case WM_DESTROY:
        // Destroyed without a close (the frame going): the context and lists go with it.
        if (r && r->glWindow == w) CloseGLView(w);
        break;
    case WM_CLOSE:
        if (!CloseGLView(w)) return 0;
        SendMessageA(MDIClientWindow, WM_MDISETMENU, (WPARAM)FrameMenu, (LPARAM)FrameWindowMenu);
        DrawMenuBar(FrameWindow);
        if (r) ArrangeViewWindows(r->window);
        break;
    case WM_SETCURSOR:
        if (r && r->glTool == TOOL_PAN && LOWORD(lParam) == HTCLIENT) {
            POINT p;
            GetCursorPos(&p);
            ScreenToClient(w, &p);
            RECT area = DrawArea(w);
            if (PtInRect(&area, p)) {
                SetCursor(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_GL_NAVIGATE)));
                return TRUE;
            }
        }
        break;
    case WM_NOTIFY:
        if (((NMHDR*)lParam)->code == TTN_GETDISPINFOA) return GetToolTipText((NMTTDISPINFOA*)lParam);
        if (((NMHDR*)lParam)->code == NM_CUSTOMDRAW) return PaintToolbarBackground(w, (NMCUSTOMDRAW*)lParam);
        break;
    case WM_COMMAND:
        if (GLViewCommand(w, wParam, lParam)) return 0;
        // The rest are the plan view's: the shell dispatches them there.
        if (r && r->window) {
            SendMessageA(r->window, WM_COMMAND, wParam, lParam);
            SyncGLViewMenus(w);
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (r) MouseMove(w, r, lParam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
        if (r) MouseButton(w, r, message, lParam);
        return 0;
    case WM_MOUSEWHEEL:
        if (r) MouseWheel(w, r, wParam, lParam);
        return 0;
    case WM_MDIACTIVATE:
        if (SwitchViewMenus(w, (HWND)lParam)) SyncGLViewMenus(w);
        return 0;
    }
    return DefMDIChildProcA(w, message, wParam, lParam);
}
