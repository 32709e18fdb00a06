// The unhandled-exception filter that ends the process with a non-zero status.
#include "base/crash.h"
#include <windows.h>
#include <cstdio>

static LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info)
{
    fprintf(stderr, "FATAL: unhandled exception 0x%08x at %p\n",
            (unsigned)info->ExceptionRecord->ExceptionCode, info->ExceptionRecord->ExceptionAddress);
    fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 0xC5);
    return EXCEPTION_EXECUTE_HANDLER;
}

void InstallCrashFilter() { SetUnhandledExceptionFilter(ReportCrash); }
