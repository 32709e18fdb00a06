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

// The last run's outcome and failures of the open batch dialog (for its notice).
const BatchOutcome* LastBatchOutcome();
int LastBatchFailureCount();
const BatchFailure* LastBatchFailure(int index);
