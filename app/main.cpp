// Entry point: start-up, accelerators and the message loop.
#include "app/frame.h"
#include "app/startup.h"
#include "base/crash.h"
#include "base/messages.h"
#include "resource.h"
#include <commctrl.h>
#include <cstring>
#include <string>

// The command line names one file; quotes around a path with blanks are dropped.
static std::string CommandLineFile(const char* commandLine)
{
    std::string s = commandLine ? commandLine : "";
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    size_t start = s.find_first_not_of(" \t");
    s = start == std::string::npos ? "" : s.substr(start);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    return s;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    InstallCrashFilter();
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    AppInstance = GetModuleHandleA(nullptr);
    if (!InitInstance(CommandLineFile(commandLine).c_str())) {
        ShowMessageBox(nullptr, "Application initialization failure!", "Error", MB_ICONERROR);
        return 0;
    }
    HACCEL accelerators = LoadAcceleratorsA(AppInstance, MAKEINTRESOURCEA(IDA_FRAME));
    if (!accelerators) ShowMessageBox(nullptr, "Load Accel failure!", "Error", MB_OK);
    RunMessageLoop(accelerators);
    return 0;
}
