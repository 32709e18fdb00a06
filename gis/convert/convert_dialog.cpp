// Shared parts of the export and import dialogs and their threads.
#include "gis/convert/convert_dialog.h"
#include "gis/convert/export_fields.h"
#include "app/job_control.h"
#include "base/dialogs.h"
#include "base/file_system.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/progress.h"
#include "data/import_fields.h"
#include "resource.h"
#include <cstdio>
#include <cstring>

const char kConvertNoFolderText[] = "Output directory is active but no location has been selected!";

void FillConvertFileRows(HWND dialog, const ConvertDialogState* s)
{
    HWND list = GetDlgItem(dialog, IDC_CONVERT_FILES);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < s->files.count; i++) SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)s->files.entries[i]->path);
    SetListBoxExtent(list, &s->files);
    EnableWindow(GetDlgItem(dialog, IDC_CONVERT_START), s->files.count > 0);
}

void SetConvertRunButtons(HWND dialog, bool start, bool pause, bool stop)
{
    EnableWindow(GetDlgItem(dialog, IDC_CONVERT_START), start);
    EnableWindow(GetDlgItem(dialog, IDC_CONVERT_PAUSE), pause);
    EnableWindow(GetDlgItem(dialog, IDC_CONVERT_STOP), stop);
}

// Pause holds the thread at its next checkpoint (every 4,096 points or lines)
// rather than suspending it where it stands: a thread suspended inside the
// heap or a file call would hold locks the dialog needs.
void ConvertRunningCommand(HWND dialog, ConvertDialogState* s, int id, const char* question, const char* caption)
{
    switch (id) {
    case IDC_CONVERT_PAUSE:
        if (PauseJob(s->job)) {
            SetConvertRunButtons(dialog, true, false, true);
            s->paused = 1;
        }
        break;
    case IDC_CONVERT_START:
        if (s->paused && ContinueJob(s->job)) {
            SetConvertRunButtons(dialog, false, true, true);
            s->paused = 0;
        }
        break;
    case IDC_CONVERT_STOP: {
        bool pausedHere = !s->paused && PauseJob(s->job);
        if (ShowMessageBox(dialog, question, caption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
            CancelJob(s->job);
            ContinueJob(s->job);
            SetConvertRunButtons(dialog, false, false, false);
            s->paused = 0;
        } else if (pausedHere) {
            ContinueJob(s->job);
        }
        break;
    }
    }
}

void ShowConvertFolderControls(HWND dialog)
{
    BOOL on = IsDlgButtonChecked(dialog, IDC_CONVERT_FOLDER_CHECK) == BST_CHECKED;
    EnableWindow(GetDlgItem(dialog, IDC_CONVERT_SET_FOLDER), on);
    EnableWindow(GetDlgItem(dialog, IDC_CONVERT_FOLDER_TEXT), on);
}

void ChooseConvertFolder(HWND dialog, ConvertDialogState* s, const char* title)
{
    char folder[MAX_PATH] = "";
    GetDlgItemTextA(dialog, IDC_CONVERT_FOLDER_TEXT, folder, sizeof folder);
    if (!folder[0]) GetCurrentDirectoryA(sizeof folder, folder);
    if (!BrowseForFolder(dialog, folder, title) || !folder[0]) return;
    if (IsDlgButtonChecked(dialog, IDC_CONVERT_FOLDER_CHECK) != BST_CHECKED) return;
    snprintf(s->folder, sizeof s->folder, "%s", folder);
    s->folderChosen = 1;
    SetDlgItemTextA(dialog, IDC_CONVERT_FOLDER_TEXT, s->folder);
}

bool TakeConvertFolder(HWND dialog, const ConvertDialogState* s, char* folder)
{
    folder[0] = 0;
    if (IsDlgButtonChecked(dialog, IDC_CONVERT_FOLDER_CHECK) != BST_CHECKED) return true;
    if (!s->folderChosen || !s->folder[0]) {
        ErrorMessage(kConvertNoFolderText);
        return false;
    }
    snprintf(folder, 260, "%s", s->folder);
    size_t n = strlen(folder);
    if (n > 0 && folder[n - 1] != '\\' && n + 1 < 260) strcat(folder, "\\");
    return true;
}

int32_t CheckedDelimiter(HWND dialog)
{
    if (IsDlgButtonChecked(dialog, kDelimiterComma) == BST_CHECKED) return kDelimiterComma;
    if (IsDlgButtonChecked(dialog, kDelimiterTab) == BST_CHECKED) return kDelimiterTab;
    return kDelimiterSpace;
}

int StartConvertThread(FileList* files, void* settings, JobControl* job, LPTHREAD_START_ROUTINE proc)
{
    ConvertJobArgs* args = (ConvertJobArgs*)NBLMalloc(sizeof(ConvertJobArgs));
    if (!args) return 0;
    args->files = files;
    args->settings = settings;
    args->job = job;
    // Busy from here, so that no second Start can slip in before the thread runs.
    if (!BeginJob(job)) {
        NBLFree(args);
        return 0;
    }
    JobCancelled(job);   // a request left over from an earlier run is not meant for this one
    ContinueJob(job);
    WaitForSingleObject(job->mutex, INFINITE);
    job->thread = CreateThread(nullptr, 0, proc, args, 0, nullptr);
    HANDLE thread = job->thread;
    ReleaseMutex(job->mutex);
    if (!thread) {
        NBLFree(args);
        EndJob(job);
        return 0;
    }
    return 1;
}

ConvertJobArgs TakeConvertJobArgs(void* parameter)
{
    ConvertJobArgs args = *(ConvertJobArgs*)parameter;
    WaitForSingleObject(args.job->mutex, INFINITE);
    NBLFree(parameter);
    ReleaseMutex(args.job->mutex);
    return args;
}

void FinishConvertFile(HWND dialog, FileList* files)
{
    RemoveFileListEntry(files, 0);
    SendDlgItemMessageA(dialog, IDC_CONVERT_FILES, LB_DELETESTRING, 0, 0);
}

void FinishConvertThread(HWND dialog, JobControl* job)
{
    ResetBatchProgress(GetDlgItem(dialog, IDC_CONVERT_FILES_BAR));
    ResetBatchProgress(GetDlgItem(dialog, IDC_CONVERT_ITEMS_BAR));
    JobCancelled(job);   // a request that came after the last poll is not meant for the next run
    ContinueJob(job);
    EndJob(job);
    SendMessageA(dialog, WM_BATCH_DONE, 0, 0);
}

DWORD RunConvertList(void* parameter, HWND (*dialogOf)(const void*), ConvertFileProc convert, int extra)
{
    ConvertJobArgs args = TakeConvertJobArgs(parameter);
    HWND dialog = dialogOf(args.settings);
    HWND filesBar = GetDlgItem(dialog, IDC_CONVERT_FILES_BAR);
    InitBatchProgress(filesBar, (unsigned)args.files->count);
    DWORD result = 1;
    while (args.files->count > 0) {
        StepBatchProgress(filesBar);
        if (convert(args.files->entries[0], args.settings, args.job, dialog, extra) < 0) {
            result = 0;
            break;
        }
        FinishConvertFile(dialog, args.files);
    }
    FinishConvertThread(dialog, args.job);
    return result;
}

void ReportConvertFailure(const char* title, const char* what, const char* systemText)
{
    char text[1200];
    snprintf(text, sizeof text, "%s\n%s\n%s", title, what, systemText ? systemText : "");
    ErrorMessage(text);
}

void RemoveConvertOutputs(const char* const* paths, int count)
{
    for (int i = 0; i < count; i++)
        if (paths[i] && paths[i][0]) DeleteFileA(paths[i]);
}
