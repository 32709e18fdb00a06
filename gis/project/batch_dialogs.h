// The two batch dialogs (332 "Vivuzoz Oduri Batch", 341 "Verudevevur
// Idudorav Batch"): a file list with an output folder or the marked tiles of
// a project, Start, Pause and Stop over the batch runner (classify/batch.h).
#pragma once
#include <windows.h>

#include "classify/batch.h"

// Texts of the dialogs and of the project mode.
extern const char kBatchNoOutputFolderText[];
extern const char kBatchEndFormat[];
extern const char kSMBatchStopQuestion[];
extern const char kBatchPausingText[];
extern const char kThinningBatchStopQuestion[];
extern const char kBatchTileLockedFormat[];
extern const char kBatchTileLockFailedText[];
extern const char kBatchStartFailedFormat[];
extern const char kBatchStartText[];
extern const char kBatchResumeText[];

INT_PTR CALLBACK SMBatchDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ThinningBatchDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The last run's failures of the open batch dialog (for its notice).
int LastBatchFailureCount();
const BatchFailure* LastBatchFailure(int index);
