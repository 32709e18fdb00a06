// The main and second progress bars and the windows they draw into.
#include "base/progress.h"
#include <commctrl.h>
#include <cstdint>

struct ProgressSet {
    HWND bar;
    HWND text;
    int running;
    int64_t position;   // steps since the start
    int64_t maximum;
    int64_t shown;       // the part of the bar last shown, in 1 / width
    int64_t width;       // parts the bar shows: its pixels, at most kProgressUpdates
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
    set.position = 0;
    set.maximum = maximum > 0x7FFFFFFFu ? 0x7FFFFFFF : (int64_t)maximum;
    set.shown = 0;
    set.width = 1;
    if (set.bar) {
        RECT r;
        if (GetClientRect(set.bar, &r) && r.right > r.left) set.width = r.right - r.left;
    }
    if (set.width > kProgressUpdates) set.width = kProgressUpdates;
    if (set.text) SendMessageA(set.text, WM_SETTEXT, 0, (LPARAM)text);
    ResetBar(set.bar, maximum, RGB(0, 0, 255));
}

// The bar is told of a step only when the step fills another part of it: a
// bar repaints at once on every position it is given (a round trip to the
// display), and a job of a hundred million points takes thousands of steps.
static void Step(ProgressSet& set)
{
    if (!set.running || !set.bar) return;
    set.position++;
    int64_t position = set.position < set.maximum ? set.position : set.maximum;
    int64_t part = set.maximum > 0 ? position * set.width / set.maximum : 0;
    if (part == set.shown) return;
    set.shown = part;
    SendMessageA(set.bar, PBM_SETPOS, (WPARAM)position, 0);
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
