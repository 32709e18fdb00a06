// How the foundation and data code reach the shell without knowing it: the
// shell installs its hooks once at start-up. Without hooks message boxes have
// no owner, status lines go nowhere and nothing is repainted.
#pragma once
#include <windows.h>

struct ShellHooks {
    HWND (*ownerWindow)();                 // owner of message boxes and common dialogs
    void (*statusLine)(const char* text);  // a line on the active view's status bar
    void (*repaintFrame)();                // repaint the frame's background at once
    int  (*helpTopic)(const char* topic);  // show a topic of the help file
};
void SetShellHooks(const ShellHooks* hooks);

HWND MessageOwner();
void WriteStatusLine(const char* text);
void RepaintFrame();
int  ShowHelp(const char* topic);
