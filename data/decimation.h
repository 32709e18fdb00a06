// Point decimation settings shared by the loaders, and the two small dialogs
// that settle loader parameters (decimation, units of a file without any).
#pragma once
#include <cstdint>
#include <windows.h>

extern int decimationEnabled;   // 1: loaders keep every decimationStep-th point
extern int decimationStep;
extern int decimationPrompt;    // 1: the opening road asks before loading

// "12,345" style grouping of a count.
void FormatThousands(long long value, char* out, int size);

INT_PTR CALLBACK PointDecimationDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK NoUnitsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The step the memory estimate asks for to load `count` points: 1 when they
// fit, 0 when the user was told they cannot or declined a decimated load.
uint32_t AskMemoryDecimationStep(uint64_t count, const char* title);
