// Import of point files into new LAS files: the format choice (dialog 190)
// and the ASCII import (dialog 187) with its two-pass conversion thread.
#pragma once
#include <windows.h>
#include <cstdint>

struct FileList;
struct FileListEntry;
struct ImportFieldList;
struct JobControl;
struct ConvertTally;

extern const char kImportReadFailed[];
extern const char kImportStopQuestion[];
extern const char kImportStopCaption[];
extern const char kImportCompleteCaption[];
extern const char kImportLongLineFormat[];
extern const char kImportSkippedFormat[];
extern const char kImportLeftOutFormat[];     // the lines left out, as the reason a file gave no point
extern const char kImportControlLeftOutFormat[];   // the lines with a control byte left out, and the first
extern const char kImportReadError[];         // a read failed part way
extern const char kImportBeyondMapFormat[];   // the line of a coordinate no map holds
extern const char kImportASCIIAddTitle[];

int ImportToLAS();
INT_PTR CALLBACK ImportFormatDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ImportASCIIDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
int StartImportASCIIThread(FileList* files, ImportFieldList* settings, JobControl* job);
DWORD WINAPI ImportASCIIThread(void* parameter);

// One text file into a LAS file: 1 written, 0 failed (the user was told;
// nothing is left), -1 stopped (the new file removed). Lines with a mapped
// field that is no number are left out, logged and counted in the tally,
// which also hears of an axis stored with coarser steps.
int ImportASCIIFile(const FileListEntry* entry, const ImportFieldList* settings, JobControl* job, HWND dialog,
                    ConvertTally* tally = nullptr);
