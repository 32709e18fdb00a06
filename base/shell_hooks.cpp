#include "base/shell_hooks.h"

static ShellHooks shellHooks;

void SetShellHooks(const ShellHooks* hooks) { shellHooks = hooks ? *hooks : ShellHooks{}; }

HWND MessageOwner() { return shellHooks.ownerWindow ? shellHooks.ownerWindow() : nullptr; }

void WriteStatusLine(const char* text)
{
    if (shellHooks.statusLine) shellHooks.statusLine(text);
}

void RepaintFrame()
{
    if (shellHooks.repaintFrame) shellHooks.repaintFrame();
}

int ShowHelp(const char* topic) { return shellHooks.helpTopic ? shellHooks.helpTopic(topic) : 0; }
