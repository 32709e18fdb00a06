#include "base/progress.h"
#include <commctrl.h>

struct ProgressSet {
    HWND bar;
    HWND text;
    int running;
};

static ProgressSet mainSet, secondSet;

static void SetWindows(ProgressSet& set, HWND bar, HWND text)
{
    set.bar = bar;
    set.text = text;
}

// The 32-bit range: a 16-bit one would wrap for ranges above 65,535 steps
// and leave the bar full or empty for the whole job.
static void ResetBar(HWND bar, unsigned maximum, COLORREF colour)
{
    if (!bar) return;
    SendMessageA(bar, PBM_SETBARCOLOR, 0, (LPARAM)colour);
    SendMessageA(bar, PBM_SETRANGE32, 0, (LPARAM)(maximum > 0x7FFFFFFFu ? 0x7FFFFFFF : (int)maximum));
    SendMessageA(bar, PBM_SETSTEP, 1, 0);
    SendMessageA(bar, PBM_SETPOS, 0, 0);
}

static void Start(ProgressSet& set, unsigned maximum, const char* text)
{
    set.running = 1;
    if (set.text) SendMessageA(set.text, WM_SETTEXT, 0, (LPARAM)text);
    ResetBar(set.bar, maximum, RGB(0, 0, 255));
}

static void Step(ProgressSet& set)
{
    if (set.running && set.bar) SendMessageA(set.bar, PBM_STEPIT, 0, 0);
}

static void End(ProgressSet& set)
{
    set.running = 0;
    if (set.text) SendMessageA(set.text, WM_SETTEXT, 0, (LPARAM)"");
    if (set.bar) SendMessageA(set.bar, PBM_SETPOS, 0, 0);
}

void SetProgressWindows(HWND bar, HWND text) { SetWindows(mainSet, bar, text); }
void StartProgress(unsigned maximum, const char* text) { Start(mainSet, maximum, text); }
void StepProgress() { Step(mainSet); }
void EndProgress() { End(mainSet); }

void SetSecondProgressWindows(HWND bar, HWND text) { SetWindows(secondSet, bar, text); }
void StartSecondProgress(unsigned maximum, const char* text) { Start(secondSet, maximum, text); }
void StepSecondProgress() { Step(secondSet); }
void EndSecondProgress() { End(secondSet); }

void InitBatchProgress(HWND bar, unsigned maximum) { ResetBar(bar, maximum, RGB(0, 0, 128)); }
void StepBatchProgress(HWND bar) { SendMessageA(bar, PBM_STEPIT, 0, 0); }
void ResetBatchProgress(HWND bar) { SendMessageA(bar, PBM_SETPOS, 0, 0); }
