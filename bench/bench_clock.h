// What every benchmark program needs: a wall clock and a Yes to every box.
#pragma once
#include <windows.h>

inline double Seconds()
{
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return (double)c.QuadPart / (double)f.QuadPart;
}

inline int AnswerYes(HWND, const char*, const char*, UINT) { return IDYES; }
