// What the export and import dialogs share: the file list box, the output
// folder controls, Pause/Resume/Stop of the conversion thread, starting it
// and the thread's own start, per-file and end steps.
#pragma once
#include <windows.h>
#include <cstdint>

#include "base/file_list.h"
#include "classify/batch.h"

struct JobControl;
struct ConvertJobArgs;

extern const char kConvertNoFolderText[];

// The working state of one open conversion dialog.
struct ConvertDialogState {
    FileList    files;
    JobControl* job;
    int32_t     paused;
    int32_t     folderChosen;
    char        folder[260];
};

// Fills list box 1046 with the files' full paths; Start enabled while files remain.
void FillConvertFileRows(HWND dialog, const ConvertDialogState* state);
void SetConvertRunButtons(HWND dialog, bool start, bool pause, bool stop);
// Pause (1032), Start as resume (1033) and Stop (1034) while the job runs.
void ConvertRunningCommand(HWND dialog, ConvertDialogState* state, int id, const char* stopQuestion,
                           const char* stopCaption);
// Check box 1055 switches Set Directory (1063) and the folder text (1056).
void ShowConvertFolderControls(HWND dialog);
void ChooseConvertFolder(HWND dialog, ConvertDialogState* state, const char* title);
// The folder a run writes to (260 chars): empty without 1055, else the chosen
// folder. False after telling the user that none was chosen.
bool TakeConvertFolder(HWND dialog, const ConvertDialogState* state, char* folder);
// The delimiter radio checked (1049 when none is).
int32_t CheckedDelimiter(HWND dialog);

// Starts `proc` on a new ConvertJobArgs under the job's mutex; the job counts
// as busy from here. 0 when nothing started.
int StartConvertThread(FileList* files, void* settings, JobControl* job, LPTHREAD_START_ROUTINE proc);
// The thread's first step: waits for the starter, takes the arguments and frees them.
ConvertJobArgs TakeConvertJobArgs(void* parameter);
// What one run did with its files; WM_BATCH_DONE carries it as lParam.
struct ConvertTally {
    int32_t  converted;
    int32_t  failed;         // left at the front of the list, marked
    int32_t  stopped;        // the file a stop ended and those after it
    uint64_t skippedLines;   // input lines with a field that is no number, left out
    uint64_t controlLines;   // input lines holding a control byte, left out
    int32_t  coarseAxes;     // axes stored with steps coarser than an import's usual step
    char     coarseNotes[600];   // a line for each of them, as many as fit
    int32_t  lossyFiles;     // files that lost more than a few lines (ManyLinesLeftOut)
    char     lossNotes[600];     // a line for each of them, as many as fit
};

// A file's line for lossNotes: its title, the lines left out and its lines.
extern const char kConvertLinesLostNote[];
// Counts a converted file that lost more than a few lines and notes it for the end notice.
void NoteLinesLeftOut(ConvertTally* tally, const char* title, uint64_t leftOut, uint64_t lines);

// The end of a converted file `index`: it leaves the list and list box 1046.
void FinishConvertFile(HWND dialog, FileList* files, int index);
// The thread's last step: bars reset, job ended, the dialog told (with the tally).
void FinishConvertThread(HWND dialog, JobControl* job, const ConvertTally* tally);
// The thread's body: `convert` (1 done, 0 failed, -1 stopped) on each listed
// file until the end of the list or a stop; a failed file stays listed.
// 1 at the end of the list, 0 when stopped.
typedef int (*ConvertFileProc)(const FileListEntry* entry, const void* settings, JobControl* job, HWND dialog,
                               int extra, ConvertTally* tally);
DWORD RunConvertList(void* parameter, HWND (*dialogOf)(const void* settings), ConvertFileProc convert, int extra);
// The end of a run in the dialog: list box 1046 refilled with the failed
// files marked, Pause and Stop disabled, and the end notice saying what
// became of the files ("complete" only when every file was converted).
void EndConvertRun(HWND dialog, ConvertDialogState* state, const ConvertTally* tally, const char* process,
                   const char* caption);
extern const char kConvertFailedMark[];

// "title\nwhat\nsystem text" through ErrorMessage.
void ReportConvertFailure(const char* title, const char* what, const char* systemText);
