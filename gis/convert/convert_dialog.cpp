// Shared parts of the export and import dialogs and their threads.
#include "gis/convert/convert_dialog.h"
#include "gis/convert/export_fields.h"
#include "app/app_windows.h"
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
        // The thread holds at its next checkpoint while the user answers.
        bool pausedHere = !s->paused && PauseJob(s->job);
        if (ShowMessageBox(dialog, question, caption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
            // A run that ended while the question was open has set the buttons itself.
            if (CancelJob(s->job)) SetConvertRunButtons(dialog, false, false, false);
            ContinueJob(s->job);
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
    GetDialogText(dialog, IDC_CONVERT_FOLDER_TEXT, folder, sizeof folder);
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

void FinishConvertFile(HWND dialog, FileList* files, int index)
{
    RemoveFileListEntry(files, index);
    SendDlgItemMessageA(dialog, IDC_CONVERT_FILES, LB_DELETESTRING, index, 0);
}

void FinishConvertThread(HWND dialog, JobControl* job, const ConvertTally* tally)
{
    ResetBatchProgress(GetDlgItem(dialog, IDC_CONVERT_FILES_BAR));
    ResetBatchProgress(GetDlgItem(dialog, IDC_CONVERT_ITEMS_BAR));
    JobCancelled(job);   // a request that came after the last poll is not meant for the next run
    ContinueJob(job);
    EndJob(job);
    SendMessageA(dialog, WM_BATCH_DONE, 0, (LPARAM)tally);
}

DWORD RunConvertList(void* parameter, HWND (*dialogOf)(const void*), ConvertFileProc convert, int extra)
{
    ConvertJobArgs args = TakeConvertJobArgs(parameter);
    HWND dialog = dialogOf(args.settings);
    HWND filesBar = GetDlgItem(dialog, IDC_CONVERT_FILES_BAR);
    InitBatchProgress(filesBar, (unsigned)args.files->count);
    ConvertTally tally = {};
    DWORD result = 1;
    int at = 0;
    while (at < args.files->count) {
        // Held here too: a file shorter than one step has no checkpoint of its own.
        if (JobCheckpoint(args.job)) {
            tally.stopped = args.files->count - at;
            result = 0;
            break;
        }
        StepBatchProgress(filesBar);
        int done = convert(args.files->entries[at], args.settings, args.job, dialog, extra, &tally);
        if (done < 0) {
            tally.stopped = args.files->count - at;
            result = 0;
            break;
        }
        if (done > 0) {
            tally.converted++;
            FinishConvertFile(dialog, args.files, at);
        } else {
            tally.failed++;
            at++;
        }
    }
    FinishConvertThread(dialog, args.job, &tally);
    return result;
}

const char kConvertFailedMark[] = "  (failed)";
const char kConvertLinesLostNote[] = "%s:  %llu of its %llu lines left out\n";

void NoteLinesLeftOut(ConvertTally* tally, const char* title, uint64_t leftOut, uint64_t lines)
{
    tally->lossyFiles++;
    char line[400];
    snprintf(line, sizeof line, kConvertLinesLostNote, title, (unsigned long long)leftOut, (unsigned long long)lines);
    // As many as the notice has room for; the log holds them all.
    size_t used = strlen(tally->lossNotes);
    if (used + strlen(line) < sizeof tally->lossNotes) memcpy(tally->lossNotes + used, line, strlen(line) + 1);
}

void EndConvertRun(HWND dialog, ConvertDialogState* state, const ConvertTally* tally, const char* process,
                   const char* caption)
{
    FillConvertFileRows(dialog, state);
    EnableWindow(GetDlgItem(dialog, IDC_CONVERT_PAUSE), FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_CONVERT_STOP), FALSE);
    state->paused = 0;
    if (!tally) return;
    // The failed files lead the list: the run left them where they were.
    HWND list = GetDlgItem(dialog, IDC_CONVERT_FILES);
    for (int i = 0; i < tally->failed && i < state->files.count; i++) {
        char row[300];
        snprintf(row, sizeof row, "%s%s", state->files.entries[i]->path, kConvertFailedMark);
        SendMessageA(list, LB_DELETESTRING, i, 0);
        SendMessageA(list, LB_INSERTSTRING, i, (LPARAM)row);
    }
    const char* outcome = tally->stopped ? "Stopped" : tally->failed ? "Ended With Failures" : "Complete";
    char text[1200];
    int n = snprintf(text, sizeof text, "%s Process %s\n\nFiles converted:  %d\nFiles failed:  %d\nFiles stopped:  %d",
                     process, outcome, (int)tally->converted, (int)tally->failed, (int)tally->stopped);
    if (tally->skippedLines && n > 0 && (size_t)n < sizeof text)
        n += snprintf(text + n, sizeof text - n, "\nLines with a field that is not a number left out:  %llu",
                      (unsigned long long)tally->skippedLines);
    if (tally->controlLines && n > 0 && (size_t)n < sizeof text)
        n += snprintf(text + n, sizeof text - n, "\nLines holding a control byte left out:  %llu",
                      (unsigned long long)tally->controlLines);
    // Points lost from a file beyond a header or a stray line: the surveyor must know which.
    if (tally->lossyFiles && n > 0 && (size_t)n < sizeof text)
        n += snprintf(text + n, sizeof text - n, "\n\nFiles that lost more than a few lines:\n%.*s",
                      (int)strlen(tally->lossNotes) - 1, tally->lossNotes);   // without the last line end
    // Points kept, but stored with less resolution than usual: the surveyor must know.
    if (tally->coarseAxes && n > 0 && (size_t)n < sizeof text)
        snprintf(text + n, sizeof text - n, "\n\nStored with coarser steps:\n%.*s",
                 (int)strlen(tally->coarseNotes) - 1, tally->coarseNotes);   // without the last line end
    UINT icon = tally->stopped || tally->failed || tally->lossyFiles ? MB_ICONWARNING : MB_ICONINFORMATION;
    ShowMessageBox(FrameWindow, text, caption, MB_OK | icon);
}

void ReportConvertFailure(const char* title, const char* what, const char* systemText)
{
    char text[1200];
    snprintf(text, sizeof text, "%s\n%s\n%s", title, what, systemText ? systemText : "");
    ErrorMessage(text);
}
