// The shell hooks installed at start-up, and what each call does without them.
#include "base/shell_hooks.h"
#include <mutex>
#include <string>
#include <vector>

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

struct QueuedStatusLine {
    HWND view;
    std::string text;
};
static thread_local HWND queueWindow = nullptr;
static thread_local UINT queueMessage = 0;
static std::mutex queueLock;
static std::vector<QueuedStatusLine> queuedLines;

void QueueThreadStatusLines(HWND window, UINT message)
{
    queueWindow = window;
    queueMessage = message;
}

void WriteStatusLine(const char* text)
{
    if (!queueWindow) {
        if (shellHooks.statusLine) shellHooks.statusLine(threadStatusView, text);
        return;
    }
    bool first;
    {
        std::lock_guard<std::mutex> held(queueLock);
        queuedLines.push_back({threadStatusView, text});
        first = queuedLines.size() == 1;
    }
    // One message stands for every line until they are written.
    if (first) PostMessageA(queueWindow, queueMessage, 0, 0);
}

void WriteQueuedStatusLines()
{
    std::vector<QueuedStatusLine> lines;
    {
        std::lock_guard<std::mutex> held(queueLock);
        lines.swap(queuedLines);
    }
    for (const QueuedStatusLine& line : lines)
        if (shellHooks.statusLine) shellHooks.statusLine(line.view, line.text.c_str());
}

void RepaintFrame()
{
    if (shellHooks.repaintFrame) shellHooks.repaintFrame();
}

int ShowHelp(const char* topic) { return shellHooks.helpTopic ? shellHooks.helpTopic(topic) : 0; }
