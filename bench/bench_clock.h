// What every benchmark program needs: a wall clock, the calling thread's CPU
// time and a Yes to every box.
#pragma once
#include <windows.h>

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
