// One-time start-up: window classes, menus, the frame and its bars.
#include "shell/startup.h"
#include "app/command_ids.h"
#include "shell/frame.h"
#include "shell/about_dialogs.h"
#include "app/display_settings.h"
#include "gis/project/project_window.h"
#include "views/gl3d/gl_view.h"
#include "views/profile/profile_window.h"
#include "shell/view_window.h"
#include "app/window_slots.h"
#include "app/frame_bars.h"
#include "shell/open_files.h"
#include "shell/registry.h"
#include "shell/recent_files.h"
#include "shell/record_parts.h"
#include "shell/tool_tables.h"
#include "shell/view_command.h"
#include "classify/surface_settings.h"
#include "base/messages.h"
#include "resource.h"
#include "base/raster_io.h"
#include <shellapi.h>
#include <cmath>

static int RegisterOne(HINSTANCE instance, const char* name, WNDPROC proc, UINT style, int extra, int icon,
                       HBRUSH background, const char* menu)
{
    WNDCLASSA wc = {};
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = extra;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(icon));
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszMenuName = menu;
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0;
}

int RegisterWindowClasses(HINSTANCE instance)
{
    static bool done;
    if (done) return 1;   // tests start the frame several times in one process
    const UINT style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    if (!RegisterOne(instance, "MDIFrame", MDIFrameWndProc, style, FRAME_EXTRA_BYTES, IDI_FRAME, white,
                     MAKEINTRESOURCEA(IDM_FRAMECLASS)))
        return 0;
    if (!RegisterOne(instance, "MDIChild", MDIChildWndProc, style, CHILD_EXTRA_BYTES, IDI_VIEW, black, nullptr))
        return 0;
    if (!RegisterOne(instance, "ProjectWin", ProjectWinWndProc, style, CHILD_EXTRA_BYTES, IDI_PROJECT, black,
                     nullptr))
        return 0;
    if (!RegisterOne(instance, "ChildProfile", ChildProfileWndProc, style, PROFILE_EXTRA_BYTES, IDI_PROFILE, black,
                     nullptr))
        return 0;
    if (!RegisterOne(instance, "ChildOpenGL", ChildOpenGLWndProc,
                     style | CS_BYTEALIGNCLIENT | CS_BYTEALIGNWINDOW, CHILD_EXTRA_BYTES, IDI_GL3D, black, nullptr))
        return 0;
    done = true;
    return 1;
}

// The bar's popup that holds the command itself (not in a submenu of its own).
static HMENU PopupHolding(HMENU bar, UINT command)
{
    for (int i = 0; i < GetMenuItemCount(bar); i++) {
        HMENU popup = GetSubMenu(bar, i);
        for (int j = 0; popup && j < GetMenuItemCount(popup); j++)
            if (GetMenuItemID(popup, j) == command) return popup;
    }
    return nullptr;
}

HWND InitInstance(const char* commandLine)
{
    if (!AppInstance) AppInstance = GetModuleHandleA(nullptr);
    InstallShellHooks();
    InstallToolTables();
    SetViewCommandRoute(ViewCommand);
    InstallViewRecordParts();
    SetDefaultDisplaySettings();
    RegisterRasterFormats();
    if (!RegisterWindowClasses(AppInstance)) return 0;

    FrameMenu = LoadMenuA(AppInstance, MAKEINTRESOURCEA(IDM_FRAME));
    ViewMenu = LoadMenuA(AppInstance, MAKEINTRESOURCEA(IDM_VIEW));
    ReturnsMenu = LoadMenuA(AppInstance, MAKEINTRESOURCEA(IDM_RETURNS));
    // Found by what they hold: the MDI client lists the open windows at the
    // end of these. The frame's menu has no Window popup; its list goes
    // under Settings.
    FrameWindowMenu = PopupHolding(FrameMenu, CMD_DECIMATION_VALUE);
    ViewWindowMenu = PopupHolding(ViewMenu, CMD_CASCADE);

    FrameWindow = CreateWindowExA(0, "MDIFrame", APP_TITLE, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, FrameMenu, AppInstance,
                                  nullptr);
    if (!FrameWindow) return 0;
    MDIClientWindow = (HWND)GetWindowSlot(FrameWindow, FRAME_CLIENT);
    DragAcceptFiles(FrameWindow, TRUE);
    SetWindowSlot(FrameWindow, FRAME_VIEWCOUNT, 0);
    SetClassLongPtrA(MDIClientWindow, GCLP_HBRBACKGROUND, (LONG_PTR)GetStockObject(WHITE_BRUSH));
    InitFrameBars(FrameWindow);

    LogMessage("LiDAR viewing, checking and classification");
    LogMessage("Version  " APP_VERSION);
    LogMessage("Velka Dunmarro, Inc. - 3D Geospatial Data Viewer");
    ShowWindow(FrameWindow, SW_SHOW);
    ShowWindow(FrameWindow, SW_SHOWMAXIMIZED);
    Pi = acos(-1.0);

    const int bitmaps[4] = {IDB_EXPORT1, IDB_EXPORT2, IDB_IMPORT1, IDB_IMPORT2};
    // Loaded once for the process: every later start-up finds them in place.
    for (int i = 0; i < 4; i++)
        if (!DialogBitmaps[i])
            DialogBitmaps[i] = (HBITMAP)LoadImageA(AppInstance, MAKEINTRESOURCEA(bitmaps[i]), IMAGE_BITMAP, 0, 0,
                                                   LR_LOADMAP3DCOLORS | LR_LOADTRANSPARENT);
    SetDefaultSurfaceMagicSettings();
    SetWindowSlot(FrameWindow, FRAME_REGISTRY, (LONG_PTR)LoadRegistrySettings());
    UpdateRecentFileMenu();
    OpenCommandLineFile(commandLine);
    return FrameWindow;
}

void RunMessageLoop(HACCEL accelerators)
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (accelerators && TranslateAcceleratorA(FrameWindow, accelerators, &msg)) continue;
        if (MDIClientWindow && TranslateMDISysAccel(MDIClientWindow, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
