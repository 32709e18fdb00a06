// Test entry point: a crash anywhere fails the run loudly.
#include "test_support.h"
#include "base/crash.h"
#include <commctrl.h>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    // tools/wine-run asks for this file to tell a Wine process that never
    // reached the tests (worth one more start) from tests that failed.
    char started[MAX_PATH];
    if (GetEnvironmentVariableA("VELKA_STARTED_FILE", started, sizeof started) - 1 < sizeof started - 1)
        CloseHandle(CreateFileA(started, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    InstallCrashFilter();
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    testing::InitGoogleTest(&argc, argv);
    InstallTestGuards();
    int result = RUN_ALL_TESTS();
    // Static destructors (GDAL's among them) and DLL detach do nothing the
    // tests need, and under Wine the process sometimes stalled there for a
    // minute or for good after its tests had passed, even through _exit (which
    // still detaches the DLLs): end the process outright.
    fflush(stdout);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), (UINT)result);
    _exit(result);
}
