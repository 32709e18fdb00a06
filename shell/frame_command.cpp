// The frame's WM_COMMAND dispatcher: commands of the program as a whole are
// handled here, everything else goes to the project window or the active view.
#include "shell/config_file.h"
#include "shell/about_dialogs.h"
#include "shell/help.h"
#include "resource.h"
#include "app/command_ids.h"
#include "app/frame_bars.h"
#include "gis/project/batch_dialogs.h"
#include "gis/convert/export_dialog.h"
#include "gis/convert/import_ascii.h"
#include "gis/project/project_commands.h"
#include "gis/project/project_window.h"
#include "app/view_arrange.h"
#include "shell/view_command.h"
#include "shell/view_tools.h"
#include "views/plan/view_mapping.h"
#include "shell/frame_command.h"
#include "shell/open_files.h"
#include "app/app_windows.h"
#include "app/job_control.h"
#include "app/view_jobs.h"
#include "shell/config_settings_dialog.h"
#include "shell/recent_files.h"
#include "app/window_slots.h"
#include "data/gdal_grid.h"
#include "base/dialogs.h"
#include "base/messages.h"
#include "data/decimation.h"

static HWND ActiveChild() { return GetActiveView(); }
static int ViewIsOpen() { return GetWindowSlot(FrameWindow, FRAME_VIEWCOUNT) != 0; }
// The active child when a view is open, else none.
static HWND ViewForCommand() { return ViewIsOpen() ? ActiveChild() : nullptr; }

static int ForwardCommand(WPARAM wParam, LPARAM lParam)
{
    if (IsProjectWinActive())
        return ProjectWinToolCommand((HWND)GetWindowSlot(FrameWindow, FRAME_PROJECTWIN), wParam, lParam);
    HWND child = ActiveChild();
    if (ViewIsOpen() && !IsWorkerBusy() && child) return ViewCommand(child, wParam, lParam);
    // Not ours: DefFrameProc gets it (it activates a child picked from the window list).
    UpdateToolbarState(nullptr);
    return 0;
}

static int ModalDialog(int templateId, DLGPROC proc, bool parentIsClient)
{
    ShowDialog(templateId, parentIsClient ? MDIClientWindow : FrameWindow, proc, 0);
    return 1;
}

static int About(WPARAM, LPARAM) { return ModalDialog(IDD_ABOUT, AboutDlgProc, true); }
static int SystemInformation(WPARAM, LPARAM) { return ModalDialog(IDD_SYSTEM_INFO, SystemInfoDlgProc, true); }
static int HotkeyList(WPARAM, LPARAM) { return ModalDialog(IDD_HOTKEYS, HotkeyListDlgProc, true); }
static int ExportLAS(WPARAM, LPARAM) { return ModalDialog(IDD_EXPORT_LAS, ExportLASDlgProc, false); }
static int VivuzozBatch(WPARAM, LPARAM) { return ModalDialog(IDD_SM_BATCH, SMBatchDlgProc, false); }
static int ThinningBatch(WPARAM, LPARAM) { return ModalDialog(IDD_THINNING_BATCH, ThinningBatchDlgProc, false); }
static int DecimationValue(WPARAM, LPARAM) { return ModalDialog(IDD_DECIMATION, PointDecimationDlgProc, false); }
static int VoidDEMValue(WPARAM, LPARAM) { return ModalDialog(IDD_VOID_DEM, VoidDEMValueDlgProc, false); }

static int CancelProcess(WPARAM, LPARAM)
{
    EndActiveViewTool();
    return 1;
}

static int Cascade(WPARAM, LPARAM)
{
    SendMessageA(MDIClientWindow, WM_MDICASCADE, 0, 0);
    return 1;
}

static int TileHorizontal(WPARAM, LPARAM)
{
    SendMessageA(MDIClientWindow, WM_MDITILE, MDITILE_HORIZONTAL, 0);
    return 1;
}

static int TileVertical(WPARAM, LPARAM)
{
    SendMessageA(MDIClientWindow, WM_MDITILE, MDITILE_VERTICAL, 0);
    return 1;
}

static int Exit(WPARAM, LPARAM)
{
    SendMessageA(FrameWindow, WM_CLOSE, 0, 0);
    return 1;
}

static int OpenFiles(WPARAM, LPARAM)
{
    OpenFilesInNewView(nullptr, 0);
    return 1;
}

static int RefreshDisplay(WPARAM, LPARAM)
{
    if (IsProjectWinActive()) {
        SendMessageA((HWND)GetWindowSlot(FrameWindow, FRAME_PROJECTWIN), WM_CHECK_TILES, 0, 0);
        return 1;
    }
    if (HWND view = ViewForCommand()) {
        RebuildViewTIN(view);
        InvalidateView(view, 1);
    }
    return 1;
}

static int SaveToView(WPARAM wParam, LPARAM lParam)
{
    HWND child = ActiveChild();
    if (child) SendMessageA(child, WM_COMMAND, wParam, lParam);
    return 1;
}

static int NewTIN(WPARAM, LPARAM)
{
    if (HWND view = ViewForCommand()) RebuildViewTIN(view);
    return 1;
}

static int HelpContents(WPARAM, LPARAM)
{
    ShowHelpContents();
    return 1;
}

static int Import(WPARAM, LPARAM) { return ImportToLAS(); }

static int LoadConfig(WPARAM, LPARAM)
{
    LoadConfigCommand(ViewForCommand());
    return 1;
}

static int SaveConfigAs(WPARAM, LPARAM)
{
    SaveConfigAsCommand(ViewForCommand());
    return 1;
}

static int RecentFile(WPARAM wParam, LPARAM)
{
    OpenRecentFile(LOWORD(wParam));
    return 1;
}

static int Project(WPARAM wParam, LPARAM lParam) { return ProjectCommand(wParam, lParam); }

static int PanelizeAll(WPARAM, LPARAM)
{
    ArrangeViewWindows(ActiveChild());
    return 1;
}

static int PanelizeActive(WPARAM, LPARAM)
{
    ArrangeViewPanels(ActiveChild());
    return 1;
}

static int ConfigSettings(WPARAM, LPARAM)
{
    ShowConfigSettings();
    return 1;
}

static int BackgroundColor(WPARAM, LPARAM)
{
    if (PickColor(FrameWindow, ViewBackgroundColor, &ViewBackgroundColor)) {
        if (HWND child = ActiveChild()) InvalidateView(child, 1);
    }
    return 1;
}

typedef int (*CommandHandler)(WPARAM wParam, LPARAM lParam);

struct FrameCommandEntry {
    int first, last;   // a range of ids with one handler
    CommandHandler handler;
    bool waitsForWorker;   // refused (and counted handled) while a worker runs
};

enum { WAITS_FOR_WORKER = true };

static const FrameCommandEntry frameCommands[] = {
    {CMD_ABOUT, CMD_ABOUT, About},
    {CMD_CANCEL, CMD_CANCEL, CancelProcess},
    {CMD_CASCADE, CMD_CASCADE, Cascade},
    {CMD_EXIT, CMD_EXIT, Exit},
    {CMD_OPEN_FILES, CMD_OPEN_FILES, OpenFiles, WAITS_FOR_WORKER},
    {CMD_REFRESH, CMD_REFRESH, RefreshDisplay},
    {CMD_SAVE_LAS, CMD_SAVE_LAS_AS, SaveToView, WAITS_FOR_WORKER},
    {CMD_TILE_HORIZONTAL, CMD_TILE_HORIZONTAL, TileHorizontal},
    {CMD_TILE_VERTICAL, CMD_TILE_VERTICAL, TileVertical},
    {CMD_NEW_TIN, CMD_NEW_TIN, NewTIN},
    {CMD_HELP_CONTENTS, CMD_HELP_CONTENTS, HelpContents},
    {CMD_EXPORT, CMD_EXPORT, ExportLAS},
    {CMD_IMPORT, CMD_IMPORT, Import},
    {CMD_SM_BATCH, CMD_SM_BATCH, VivuzozBatch},
    {CMD_LOAD_CONFIG, CMD_LOAD_CONFIG, LoadConfig},
    {CMD_SAVE_CONFIG_AS, CMD_SAVE_CONFIG_AS, SaveConfigAs},
    {CMD_RECENT_FIRST, CMD_RECENT_LAST, RecentFile},
    {CMD_PROJECT_FIRST, CMD_PROJECT_LAST, Project},
    {CMD_SYSTEM_INFO, CMD_SYSTEM_INFO, SystemInformation},
    {CMD_PANELIZE_ALL, CMD_PANELIZE_ALL, PanelizeAll, WAITS_FOR_WORKER},
    {CMD_PANELIZE_ACTIVE, CMD_PANELIZE_ACTIVE, PanelizeActive, WAITS_FOR_WORKER},
    {CMD_THINNING_BATCH, CMD_THINNING_BATCH, ThinningBatch},
    {CMD_HOTKEY_LIST, CMD_HOTKEY_LIST, HotkeyList},
    {CMD_CONFIG_SETTINGS, CMD_CONFIG_SETTINGS, ConfigSettings},
    {CMD_DECIMATION_VALUE, CMD_DECIMATION_VALUE, DecimationValue},
    {CMD_VOID_DEM_VALUE, CMD_VOID_DEM_VALUE, VoidDEMValue},
    {CMD_BACKGROUND_COLOR, CMD_BACKGROUND_COLOR, BackgroundColor},
};

int FrameHandlesCommand(int id)
{
    for (const FrameCommandEntry& e : frameCommands)
        if (id >= e.first && id <= e.last) return 1;
    return 0;
}

int FrameCommand(WPARAM wParam, LPARAM lParam)
{
    int id = LOWORD(wParam);
    for (const FrameCommandEntry& e : frameCommands)
        if (id >= e.first && id <= e.last) return e.waitsForWorker && IsWorkerBusy() ? 1 : e.handler(wParam, lParam);
    return ForwardCommand(wParam, lParam);
}
