// The shell hooks installed at start-up, and what each call does without them.
#include "base/shell_hooks.h"

static ShellHooks shellHooks;

void SetShellHooks(const ShellHooks* hooks) { shellHooks = hooks ? *hooks : ShellHooks{}; }

HWND MessageOwner() { return shellHooks.ownerWindow ? shellHooks.ownerWindow() : nullptr; }

static thread_local HWND threadStatusView = nullptr;

HWND SetThreadStatusView(HWND view)
{
    HWND before = threadStatusView;
    threadStatusView = view;
    return before;
}

void WriteStatusLine(const char* text)
{
    if (shellHooks.statusLine) shellHooks.statusLine(threadStatusView, text);
}

void RepaintFrame()
{
    if (shellHooks.repaintFrame) shellHooks.repaintFrame();
}

int ShowHelp(const char* topic) { return shellHooks.helpTopic ? shellHooks.helpTopic(topic) : 0; }
