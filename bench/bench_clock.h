// What every benchmark program needs: a wall clock, the calling thread's CPU
// time, the process's memory and a Yes to every box.
#pragma once
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

inline double Seconds()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return (double)c.QuadPart / (double)f.QuadPart;
}

// CPU seconds the calling thread has used: on a busy machine the wall clock
// also counts the time other processes held the core; this hardly moves.
inline double ThreadSeconds()
{
    FILETIME created, ended, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user)) return 0;
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return (double)(k.QuadPart + u.QuadPart) * 1e-7;
}

inline int AnswerYes(HWND, const char*, const char*, UINT) { return IDYES; }

// A line of this process's status in MB ("VmHWM:" the peak resident memory,
// "VmRSS:" the resident memory now); 0 where /proc is not there.
inline double ProcessMemoryMB(const char* field = "VmHWM:")
{
    FILE* f = fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    double kb = 0;
    size_t n = strlen(field);
    while (fgets(line, sizeof(line), f))
        if (strncmp(line, field, n) == 0) kb = atof(line + n);
    fclose(f);
    return kb / 1024.0;
}

// Peak resident memory of this process in MB (0 where /proc is not there).
inline double PeakMemoryMB() { return ProcessMemoryMB("VmHWM:"); }
