// How the foundation and data code reach the shell without knowing it: the
// shell installs its hooks once at start-up. Without hooks message boxes have
// no owner, status lines go nowhere and nothing is repainted.
#pragma once
#include <windows.h>

struct ShellHooks {
    HWND (*ownerWindow)();                 // owner of message boxes and common dialogs
    // A line on the view's status bar; on the active view's when the view is 0.
    void (*statusLine)(HWND view, const char* text);
    void (*repaintFrame)();                // repaint the frame's background at once
    int  (*helpTopic)(const char* topic);  // show a topic of the help file
};
void SetShellHooks(const ShellHooks* hooks);

HWND MessageOwner();
// Writes on the status line of this thread's view (below), else the active view's.
void WriteStatusLine(const char* text);
// The view a load or job on this thread works for: its lines go to that
// view's status line, whichever view is active. 0 for lines of no view.
// Returns the view set before.
HWND SetThreadStatusView(HWND view);
// Sets the thread's status view for a scope.
struct ThreadStatusView {
    explicit ThreadStatusView(HWND view) : before(SetThreadStatusView(view)) {}
    ~ThreadStatusView() { SetThreadStatusView(before); }
    ThreadStatusView(const ThreadStatusView&) = delete;
    ThreadStatusView& operator=(const ThreadStatusView&) = delete;
    HWND before;
};
// A worker whose window's thread may be busy (a batch) hands its lines over
// instead: while a window is set on a thread, the thread's lines are queued
// and `message` is posted to the window, whose thread writes them with
// WriteQueuedStatusLines. A null window ends it.
void QueueThreadStatusLines(HWND window, UINT message);
void WriteQueuedStatusLines();
void RepaintFrame();
int  ShowHelp(const char* topic);
