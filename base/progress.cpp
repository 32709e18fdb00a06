// The main and second progress bars and the windows they draw into.
#include "base/progress.h"
#include "base/text.h"
#include <commctrl.h>
#include <cstdint>
#include <cstring>
#include <mutex>

// What a set's windows are to show.
struct ProgressState {
    int asked;          // a job of another thread asked for it
    char text[128];
    int64_t maximum;
    int64_t position;
};

struct ProgressSet {
    HWND bar;
    HWND text;
    int running;
    int64_t position;   // steps since the start
    int64_t maximum;
    int64_t shown;       // the part of the bar last shown, in 1 / width
    int64_t width;       // parts the bar shows: its pixels, at most kProgressUpdates
    ProgressState asked;    // by a job of another thread, under postLock
    ProgressState showing;  // by the windows, seen by their own thread only
};

static ProgressSet mainSet, secondSet;

static std::mutex postLock;
static HWND notifyWindow;
static UINT notifyMessage;
static volatile LONG notifyPending;   // posted and not yet shown

static void SetWindows(ProgressSet& set, HWND bar, HWND text)
{
    set.bar = bar;
    set.text = text;
}

void SetProgressNotify(HWND window, UINT message)
{
    std::lock_guard<std::mutex> held(postLock);
    notifyWindow = window;
    notifyMessage = message;
    notifyPending = 0;
    mainSet.asked = mainSet.showing = secondSet.asked = secondSet.showing = {};
}

// A call from another thread than the windows' own would wait for that
// thread to answer: with a notify window it posts instead.
static bool Posting(const ProgressSet& set)
{
    HWND window = set.bar ? set.bar : set.text;
    return notifyWindow && window && GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId();
}

// Null text or a negative maximum: unchanged.
static void Post(ProgressSet& set, const char* text, int64_t maximum, int64_t position)
{
    {
        std::lock_guard<std::mutex> held(postLock);
        set.asked.asked = 1;
        if (text) CopyBounded(set.asked.text, sizeof set.asked.text, text);
        if (maximum >= 0) set.asked.maximum = maximum;
        set.asked.position = position;
    }
    // One message stands for every change until it is shown.
    if (InterlockedExchange(&notifyPending, 1) == 0) PostMessageA(notifyWindow, notifyMessage, 0, 0);
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
    if (Posting(set)) {
        Post(set, text, set.maximum, 0);
        return;
    }
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
    if (Posting(set)) Post(set, nullptr, -1, position);
    else SendMessageA(set.bar, PBM_SETPOS, (WPARAM)position, 0);
}

static void End(ProgressSet& set)
{
    set.running = 0;
    if (Posting(set)) {
        Post(set, "", -1, 0);
        return;
    }
    if (set.text) SendMessageA(set.text, WM_SETTEXT, 0, (LPARAM)"");
    if (set.bar) SendMessageA(set.bar, PBM_SETPOS, 0, 0);
}

static void ShowPosted(ProgressSet& set)
{
    ProgressState asked;
    {
        std::lock_guard<std::mutex> held(postLock);
        asked = set.asked;
    }
    if (!asked.asked) return;
    if (set.text && strcmp(asked.text, set.showing.text)) SendMessageA(set.text, WM_SETTEXT, 0, (LPARAM)asked.text);
    bool reset = asked.maximum != set.showing.maximum;
    if (set.bar && reset) ResetBar(set.bar, (unsigned)asked.maximum, RGB(0, 0, 255));
    if (set.bar && (reset || asked.position != set.showing.position))
        SendMessageA(set.bar, PBM_SETPOS, (WPARAM)asked.position, 0);
    set.showing = asked;
}

void ShowPostedProgress()
{
    InterlockedExchange(&notifyPending, 0);
    ShowPosted(mainSet);
    ShowPosted(secondSet);
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
