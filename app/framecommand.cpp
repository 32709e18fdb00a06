// The frame's WM_COMMAND dispatcher: commands of the program as a whole are
// handled here, everything else goes to the project window or the active view.
#include "app/configfile.h"
#include "app/framecommand.h"
#include "app/openfiles.h"
#include "app/frame.h"
#include "app/jobcontrol.h"
#include "app/planview.h"
#include "app/registry.h"
#include "app/services.h"
#include "data/gdalgrid.h"
#include "views/plan/planview.h"
#include "app/winlongs.h"
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

static int About(WPARAM, LPARAM) { return ModalDialog(300, AboutDlgProc, true); }
static int SystemInformation(WPARAM, LPARAM) { return ModalDialog(182, SystemInfoDlgProc, true); }
static int HotkeyList(WPARAM, LPARAM) { return ModalDialog(342, HotkeyListDlgProc, true); }
static int ExportLAS(WPARAM, LPARAM) { return ModalDialog(318, ExportLASDlgProc, false); }
static int VivuzozBatch(WPARAM, LPARAM) { return ModalDialog(332, SMBatchDlgProc, false); }
static int ThinningBatch(WPARAM, LPARAM) { return ModalDialog(341, ThinningBatchDlgProc, false); }
static int DecimationValue(WPARAM, LPARAM) { return ModalDialog(221, PointDecimationDlgProc, false); }
static int VoidDEMValue(WPARAM, LPARAM) { return ModalDialog(223, VoidDEMValueDlgProc, false); }

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
    if (!IsWorkerBusy()) OpenFilesInNewView(nullptr, 0);
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
    if (!IsWorkerBusy() && child) SendMessageA(child, WM_COMMAND, wParam, lParam);
    return 1;
}

static int NewTIN(WPARAM, LPARAM)
{
    if (HWND view = ViewForCommand()) RebuildViewTIN(view);
    return 1;
}

static int HelpContents(WPARAM, LPARAM)
{
    ShowHelpContents(1);
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
    if (!IsWorkerBusy()) ArrangeViewWindows(ActiveChild());
    return 1;
}

static int PanelizeActive(WPARAM, LPARAM)
{
    if (!IsWorkerBusy()) ArrangeViewPanels(ActiveChild());
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
};

static const FrameCommandEntry frameCommands[] = {
    {9001, 9001, About},
    {9003, 9003, CancelProcess},
    {9004, 9004, Cascade},
    {9006, 9006, Exit},
    {9007, 9007, OpenFiles},
    {9008, 9008, RefreshDisplay},
    {9009, 9010, SaveToView},
    {9011, 9011, TileHorizontal},
    {9012, 9012, TileVertical},
    {9021, 9021, NewTIN},
    {9040, 9040, HelpContents},
    {9042, 9042, ExportLAS},
    {9043, 9043, Import},
    {9044, 9044, VivuzozBatch},
    {9045, 9045, LoadConfig},
    {9046, 9046, SaveConfigAs},
    {9047, 9050, RecentFile},
    {9051, 9058, Project},
    {9061, 9061, SystemInformation},
    {9067, 9067, PanelizeAll},
    {9068, 9068, PanelizeActive},
    {9072, 9072, ThinningBatch},
    {9074, 9074, HotkeyList},
    {9098, 9098, ConfigSettings},
    {9119, 9119, DecimationValue},
    {9120, 9120, VoidDEMValue},
    {9126, 9126, BackgroundColor},
};

int FrameCommand(WPARAM wParam, LPARAM lParam)
{
    int id = LOWORD(wParam);
    for (const FrameCommandEntry& e : frameCommands)
        if (id >= e.first && id <= e.last) return e.handler(wParam, lParam);
    return ForwardCommand(wParam, lParam);
}
