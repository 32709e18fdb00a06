// Entry point: start-up, accelerators and the message loop.
#include "shell/frame.h"
#include "shell/startup.h"
#include "base/crash.h"
#include "base/messages.h"
#include "resource.h"
#include <commctrl.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    InstallCrashFilter();
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    AppInstance = GetModuleHandleA(nullptr);
    if (!InitInstance(commandLine)) {
        ShowMessageBox(nullptr, "Application initialization failure!", "Error", MB_ICONERROR);
        return 0;
    }
    HACCEL accelerators = LoadAcceleratorsA(AppInstance, MAKEINTRESOURCEA(IDA_FRAME));
    if (!accelerators) ShowMessageBox(nullptr, "Load Accel failure!", "Error", MB_OK);
    RunMessageLoop(accelerators);
    return 0;
}
