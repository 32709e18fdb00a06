// ShowMessageBox and its test hooks, the status line, the error and warning boxes.
#include "base/messages.h"
#include "base/dialogs.h"
#include "base/shell_hooks.h"
#include "base/text.h"
#include <cstdio>
#include <cstring>

static MessageBoxHookProc messageBoxHook;
static DialogDriverProc dialogDriver;

void SetMessageBoxHook(MessageBoxHookProc hook) { messageBoxHook = hook; }
void SetDialogDriver(DialogDriverProc driver) { dialogDriver = driver; }

static UnansweredModalProc unansweredModal;
void SetUnansweredModalHandler(UnansweredModalProc handler) { unansweredModal = handler; }

int RefuseUnansweredModal(const char* kind, const char* text)
{
    if (!unansweredModal) return 0;
    unansweredModal(kind, text ? text : "");
    return 1;
}

// An unanswered box gets the answer that changes least: Cancel or No where
// the box offers it, else its only button.
static int CautiousAnswer(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
    case MB_RETRYCANCEL: return IDCANCEL;
    case MB_YESNO: return IDNO;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    default: return IDOK;
    }
}

static thread_local char* boxCapture = nullptr;
static thread_local int boxCaptureSize = 0;
void SetThreadBoxCapture(char* buffer, int size)
{
    boxCapture = buffer;
    boxCaptureSize = size;
    if (buffer && size > 0) buffer[0] = 0;
}

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    owner = ModalOwner(owner);
    if (boxCapture) {
        snprintf(boxCapture, (size_t)boxCaptureSize, "%s", text ? text : "");
        return CautiousAnswer(type);
    }
    if (messageBoxHook) return messageBoxHook(owner, text, caption, type);
    if (RefuseUnansweredModal("message box", text)) return CautiousAnswer(type);
    return MessageBoxA(owner, text, caption, type);
}

static LogHookProc logHook;
void SetLogHook(LogHookProc hook) { logHook = hook; }

static char lastLogLine[1024];
static unsigned loggedLines;
const char* GetLastLogLine() { return lastLogLine; }
unsigned LoggedLineCount() { return loggedLines; }

int LogMessage(const char* text)
{
    if (logHook) logHook(text);
    CopyBounded(lastLogLine, sizeof lastLogLine, text);
    loggedLines++;
    WriteStatusLine(text);
    return 1;
}

// Logs each non-empty line of the text with a prefix; long lines are cut.
static void LogLines(const char* text, const char* prefix)
{
    const char* p = text;
    while (*p) {
        const char* end = strchr(p, '\n');
        size_t len = end ? (size_t)(end - p) : strlen(p);
        if (len > 0) {
            char line[1024];
            snprintf(line, sizeof line, "%s%.*s", prefix, (int)len, p);
            LogMessage(line);
        }
        if (!end) break;
        p = end + 1;
    }
}

void ErrorMessage(const char* text, HWND owner)
{
    ShowMessageBox(owner ? owner : MessageOwner(), text, "ERROR", MB_OK | MB_ICONERROR);
    LogLines(text, "[ERROR] ");
}

void WarningMessage(const char* text, HWND owner)
{
    ShowMessageBox(owner ? owner : MessageOwner(), text, "Warning", MB_OK | MB_ICONWARNING);
    LogLines(text, "[WARN] ");
}

// --- modal dialogs driven from tests -------------------------------------------

static HHOOK driverHook;
static HWND drivenDialog;
static int drivenTemplate;

static LRESULT CALLBACK DialogCreateHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && !drivenDialog) {
        CBT_CREATEWNDA* create = (CBT_CREATEWNDA*)lParam;
        char cls[16] = "";
        GetClassNameA((HWND)wParam, cls, sizeof cls);
        if (strcmp(cls, "#32770") == 0 && !(create->lpcs->style & WS_CHILD)) drivenDialog = (HWND)wParam;
    }
    return CallNextHookEx(driverHook, code, wParam, lParam);
}

static void CALLBACK DriveDialogTimer(HWND, UINT, UINT_PTR id, DWORD)
{
    if (!drivenDialog || !IsWindow(drivenDialog)) return;
    KillTimer(nullptr, id);
    HWND dialog = drivenDialog;
    if (dialogDriver) dialogDriver(dialog, drivenTemplate);
}

INT_PTR RunModal(int dialogId, INT_PTR (*open)(void* context), void* context)
{
    if (!dialogDriver) {
        char id[32];
        wsprintfA(id, "template %d", dialogId);
        if (RefuseUnansweredModal("dialog", id)) return 0;
        return open(context);
    }
    // Remember the outer driven dialog so nested dialogs work one at a time.
    HWND outerDialog = drivenDialog;
    HHOOK outerHook = driverHook;
    int outerTemplate = drivenTemplate;
    drivenDialog = nullptr;
    drivenTemplate = dialogId;
    driverHook = SetWindowsHookExA(WH_CBT, DialogCreateHook, nullptr, GetCurrentThreadId());
    UINT_PTR timer = SetTimer(nullptr, 0, 20, DriveDialogTimer);
    INT_PTR result = open(context);
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(driverHook);
    driverHook = outerHook;
    drivenDialog = outerDialog;
    drivenTemplate = outerTemplate;
    return result;
}

struct DialogCall {
    int templateId;
    HWND owner;
    DLGPROC proc;
    LPARAM param;
};

static INT_PTR OpenDialog(void* context)
{
    DialogCall* call = (DialogCall*)context;
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(call->templateId), call->owner, call->proc,
                           call->param);
}

INT_PTR ShowDialog(int templateId, HWND owner, DLGPROC proc, LPARAM param)
{
    DialogCall call = {templateId, ModalOwner(owner), proc, param};
    return RunModal(templateId, OpenDialog, &call);
}

const char* SystemErrorText(DWORD code)
{
    static thread_local char text[512];
    text[0] = 0;
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    for (char* c = text; *c; c++)
        if (*c == '\r' || *c == '\n') *c = ' ';
    size_t end = strlen(text);
    while (end > 0 && text[end - 1] == ' ') text[--end] = 0;
    if (!text[0]) snprintf(text, sizeof text, "System error %u", (unsigned)code);
    return text;
}
