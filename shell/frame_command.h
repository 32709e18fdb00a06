// The frame's command dispatcher: nonzero when the command was consumed,
// 0 when it must go on to DefFrameProc.
#pragma once
#include <windows.h>

int FrameCommand(WPARAM wParam, LPARAM lParam);
// 1 when the frame dispatches the id itself rather than forwarding it.
int FrameHandlesCommand(int id);
