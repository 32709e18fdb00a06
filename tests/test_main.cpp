// Test entry point: a crash anywhere fails the run loudly.
#include "test_support.h"
#include "base/crash.h"
#include <commctrl.h>

int main(int argc, char** argv)
{
    InstallCrashFilter();
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_COOL_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    testing::InitGoogleTest(&argc, argv);
    InstallTestGuards();
    return RUN_ALL_TESTS();
}
