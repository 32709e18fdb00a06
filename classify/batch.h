// The batch runner: a worker thread that loads, classifies and saves one file
// after another, taken from a list of files or any other source of paths
// (the tiles of a project). The batch dialogs that start it live with the
// projects.
#pragma once
#include <windows.h>
#include <cstdint>
#include <mutex>
#include <vector>

#include "base/file_list.h"

struct DataSet;

// The runner's thread never waits for its dialog's thread: it posts these
// and the dialog's thread shows the news. WM_BATCH_PROGRESS: the report, the
// progress bars (base/progress.h) or the status lines (base/shell_hooks.h)
// have news. WM_BATCH_DONE: the thread's last act; the job is idle again.
constexpr UINT WM_BATCH_DONE = WM_APP + 4;
constexpr UINT WM_BATCH_PROGRESS = WM_APP + 7;

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

// What a run did, kept by the dialog that started it until it has seen
// WM_BATCH_DONE. The thread writes it under `lock`; the dialog reads it when told.
struct BatchReport {
    BatchOutcome outcome;
    std::vector<BatchFailure> failures;   // in the order the files failed
    std::vector<int8_t> finished;          // each file done, in run order: 1 saved, 0 failed
    char current[256];                     // name of the file in work; empty between files
    std::mutex lock;
};

// Empties the report for a new run.
void ClearBatchReport(BatchReport* report);

// "Vivuzoz Oduri" or "Verudevevur Idudorav".
const char* BatchKindName(int kind);

// Reasons a file is not run.
extern const char kBatchLAZText[];
extern const char kBatchClassRangeFormat[];
extern const char kBatchNoReturnsText[];

// The reason a file cannot be run with these parameters, checked before it is
// loaded; empty when it can.
void CheckBatchFile(const char* path, const BatchRunParameters* parameters, char* reason, int size);
// True when every file that opens has a GeoTIFF linear unit code.
bool CheckFilesHaveUnits(const FileList* files);
// 1 saved, 0 failed (reason says why; the file is unchanged), -1 stopped.
// With addBuffer (a project tile) the file takes its neighbours' buffer
// points from addBuffer and is saved in place.
int  RunBatchFile(const char* path, const char* title, int (*addBuffer)(DataSet* set, void* context), void* context,
                  const BatchRunParameters* run, char* reason, int size);

// Where a batch thread takes its files from, one after another, until there
// is none left or the run stops.
struct BatchSource {
    // The next file (its name is shown while it runs); false when none is left.
    bool (*next)(BatchSource* source, const char** path, const char** name);
    // Runs it: 1 saved, 0 failed (reason says why), -1 stopped.
    int  (*run)(BatchSource* source, const BatchRunParameters* run, char* reason, int size);
    // The file has been run: 1 saved, 0 failed.
    void (*finished)(BatchSource* source, int result);
    // The thread's last call, when set: the source is not used afterwards.
    void (*release)(BatchSource* source);
    int  left;   // files not run yet; the thread counts them down
};

// The files of a list, each saved in place or into the run's output folder:
// a saved file leaves the list, a failed one stays. Null without memory.
BatchSource* NewFileListBatchSource(FileList* files);
// Starts the worker over the source; the application job is busy from here
// and the report starts empty. The parameters, the report and what the
// source works on must stay until WM_BATCH_DONE. 1 when it runs; when it
// does not (another job runs, no thread), the reason says why and the source
// is released here.
int StartBatchThread(BatchSource* source, const BatchRunParameters* parameters, BatchReport* report, char* reason,
                     int size);
extern const char kBatchJobBusyText[];
