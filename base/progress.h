// Progress bars: two process-wide sets that can be pointed at the frame's
// band or at a batch dialog, and a stateless trio for batch dialogs' own bars.
#pragma once
#include <windows.h>

void SetProgressWindows(HWND bar, HWND text);
// A job's bar is shown at most this many times (each showing repaints it).
constexpr int kProgressUpdates = 32;

void StartProgress(unsigned maximum, const char* text);
void StepProgress();
void EndProgress();

// The bars may belong to a thread that does not answer while a job runs (a
// batch dialog over its worker): with a notify window set, a call from any
// thread but the bars' own only keeps the new state and posts `message` to
// the window; that window's thread shows it with ShowPostedProgress. A null
// window ends it.
void SetProgressNotify(HWND window, UINT message);
void ShowPostedProgress();

void SetSecondProgressWindows(HWND bar, HWND text);
void StartSecondProgress(unsigned maximum, const char* text);
void StepSecondProgress();
void EndSecondProgress();

void InitBatchProgress(HWND bar, unsigned maximum);
void StepBatchProgress(HWND bar);
void ResetBatchProgress(HWND bar);
