// The two batch dialogs (332 "Vivuzoz Oduri Batch", 341 "Verudevevur
// Idudorav Batch"): a file list with an output folder or the tiles of a
// project, Start, Pause, Stop and a worker thread that loads, classifies and
// saves one file or tile after another.
#pragma once
#include <windows.h>
#include <cstdint>

#include "base/file_list.h"

struct DataSet;
struct Project;

// Sent (not posted) by a batch thread to its dialog when the run ends.
constexpr UINT WM_BATCH_DONE = WM_APP + 4;

enum BatchKind { BATCH_SURFACE_MAGIC = 1, BATCH_THINNING = 2 };

// What one run of a batch thread does to each file.
struct BatchRunParameters {
    HWND    dialog;
    char    outputFolder[260];   // empty: save in place
    int32_t kind;                // BatchKind
    int32_t units;               // 1 metres, 3 feet: for files without a units key
    // Vivuzoz Oduri
    int32_t groundClass;
    int32_t featureClass;
    int32_t terrainBias;
    int32_t aesthetics;
    // Verudevevur Idudorav
    float    surfaceAccuracy;
    const int32_t* fromClasses;
    int32_t  keypointClass;
};

// A file the run could not do, with the reason; it stays in the list.
struct BatchFailure {
    char path[256];
    char reason[300];
};

// The outcome of the last run of a dialog.
struct BatchOutcome {
    int32_t succeeded;
    int32_t failed;
    int32_t stopped;     // files left when the run was stopped
    int32_t complete;    // 1 after a normal end of the list
};

// Texts of the dialogs and the thread.
extern const char kBatchNoOutputFolderText[];
extern const char kBatchLAZText[];
extern const char kBatchClassRangeFormat[];
extern const char kBatchNoReturnsText[];
extern const char kBatchEndFormat[];
extern const char kSMBatchStopQuestion[];
extern const char kBatchPausingText[];
extern const char kThinningBatchStopQuestion[];
extern const char kBatchTileLockedFormat[];
extern const char kBatchTileLockFailedText[];

INT_PTR CALLBACK SMBatchDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ThinningBatchDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Starts the worker over the list, or over the marked tiles of the project
// when one is given; 1 when it runs.
int StartBatchThread(FileList* files, BatchRunParameters* parameters, Project* project = nullptr);
// The reason a file cannot be run with these parameters, checked before it is
// loaded; empty when it can.
void CheckBatchFile(const char* path, const BatchRunParameters* parameters, char* reason, int size);
// True when every file that opens has a GeoTIFF linear unit code.
bool CheckFilesHaveUnits(const FileList* files);
// Fills a class combo with the global class table, row = class code.
void FillBatchClassCombo(HWND combo, int selection);

// Project mode: the tiles of a project marked for the run, handed in by
// gis/project at start-up. Without it the dialog opens no project.
struct BatchDialog;
struct BatchProjectMode {
    void (*command)(HWND dialog, BatchDialog* d, int id);   // open project, remove tiles, reset
    void (*fillRows)(HWND list, const BatchDialog* d, const Project* project);   // the marked tiles
    int  (*tileCount)(const Project* project);
    void (*prepareRun)(Project* project);   // before the run starts
    int  (*freeProject)(Project* project);
    LPTHREAD_START_ROUTINE thread;          // runs the marked tiles; its parameter as for TakeBatchThreadStart
};
void SetBatchProjectMode(const BatchProjectMode* mode);

// What project mode uses of the dialog and the run.
struct BatchThreadStart {
    FileList* files;
    Project* project;
    BatchDialog* state;
};
// The thread's copy of its start block, once the starter has stored the handle.
BatchThreadStart TakeBatchThreadStart(void* parameter);
const BatchRunParameters* BatchRunOf(const BatchDialog* state);
// 1 saved, 0 failed (reason says why; the file is unchanged), -1 stopped.
// With addBuffer (a project tile) the file takes its neighbours' buffer
// points from addBuffer and is saved in place.
int  RunBatchFile(const char* path, const char* title, int (*addBuffer)(DataSet* set, void* context), void* context,
                  const BatchRunParameters* run, char* reason, int size);
void RecordBatchFailure(BatchDialog* state, const char* path, const char* title, BatchFailure* failure);
void CountBatchSuccess(BatchDialog* state);
// The end of a run: the job is given back and the dialog told.
DWORD EndBatchRun(BatchDialog* state, HWND bar, bool stopped, int left);
Project** BatchProjectOf(BatchDialog* d);
void ClearBatchFailures(BatchDialog* d);
// The list by mode: the files' paths, or the names of the marked tiles.
void FillBatchRows(HWND dialog, BatchDialog* d);
// A row of the list; a file that failed shows its reason after the text.
void AddBatchRow(HWND list, const BatchDialog* d, const char* text, const char* path);

// The last run's outcome and failures of the open batch dialog (for its notice).
const BatchOutcome* LastBatchOutcome();
int LastBatchFailureCount();
const BatchFailure* LastBatchFailure(int index);
