// What the benchmark programs share: a wall clock and a yes to every box.
#pragma once
#include <windows.h>

inline double BenchSeconds()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return (double)c.QuadPart / (double)f.QuadPart;
}

inline int BenchAnswerYes(HWND, const char*, const char*, UINT) { return IDYES; }
