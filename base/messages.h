// Message boxes, the status line and the error/warning helpers. Every box of
// the program goes through ShowMessageBox so that tests can answer it.
#pragma once
#include <windows.h>

// A test installs a hook; it then answers every box instead of the user.
typedef int (*MessageBoxHookProc)(HWND owner, const char* text, const char* caption, UINT type);
void SetMessageBoxHook(MessageBoxHookProc hook);

// A worker that must not stop on a box (a batch) captures them: while a buffer
// is set on a thread, that thread's boxes are not shown; the last text is kept
// and the box answers No, Cancel or OK. Null ends the capture.
void SetThreadBoxCapture(char* buffer, int size);
int  ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);

// Unattended runs (the tests) set a handler: a box, dialog or file dialog that
// nothing answers is then reported to it and cancelled at once instead of
// waiting for a user who is not there. `kind` says what it was ("message box",
// "dialog", "file dialog", "folder dialog"), `text` its text or id.
typedef void (*UnansweredModalProc)(const char* kind, const char* text);
void SetUnansweredModalHandler(UnansweredModalProc handler);
// True (after reporting) when a modal of that kind must not be shown.
int  RefuseUnansweredModal(const char* kind, const char* text);
int  LogMessage(const char* text);
const char* GetLastLogLine();
// How many lines were logged so far: tells whether a step logged anything.
unsigned LoggedLineCount();
// A test may watch every logged line (the log itself goes on as usual).
typedef void (*LogHookProc)(const char* text);
void SetLogHook(LogHookProc hook);
// The error and warning boxes, owned by `owner` (a dialog they are asked
// from that does not disable the frame, the Display Settings sheet), else by
// the frame or the modal dialog over it; each line of the text is logged.
void ErrorMessage(const char* text, HWND owner = nullptr);
// The system's words for an error code, without a line break, or "System
// error N" when it has none. The buffer is this thread's, kept until its next call.
const char* SystemErrorText(DWORD code);
void WarningMessage(const char* text, HWND owner = nullptr);

// Modal dialogs: the same idea. A driver, when set, is called once the dialog
// is up (on the dialog's own thread) and may set controls and end it.
typedef void (*DialogDriverProc)(HWND dialog, int templateId);
void SetDialogDriver(DialogDriverProc driver);
INT_PTR ShowDialog(int templateId, HWND owner, DLGPROC proc, LPARAM param);
// Any other modal call (common dialogs): `open` runs it; the driver, when set,
// gets `dialogId` as its template id.
INT_PTR RunModal(int dialogId, INT_PTR (*open)(void* context), void* context);
