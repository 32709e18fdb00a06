// Opening data files into plan views: the open dialog, the command line, a
// recent file, files dropped on the frame and project tiles all end here.
#pragma once
#include <windows.h>
#include <shellapi.h>

struct DataSet;
struct FileList;

// Asked when the points to load would not fit in memory; %d is their number.
extern const char kNotEnoughMemoryQuestion[];
// Asked after a file of several failed to load.
extern const char kContinueOpeningQuestion[];

// A path opens that one file; none or an empty one runs the open dialog.
// 1 when a view was created.
int OpenFilesInNewView(const char* path, int flags);
int OpenFileInNewView(const char* path);
int OpenFilesDialogInNewView();
int OpenDroppedFiles(HWND frame, HDROP drop);

// The sets of the last OpenDataFiles call; the array passes to a view.
struct OpenedDataSets {
    int count;
    DataSet** sets;
};
OpenedDataSets* OpenDataFiles();
DataSet* LoadDataFile(const char* path, const char* title);

// What the user is told about a path that names no file to read (after the
// path and "Unable to open file for reading!").
extern const char kPathIsAFolderText[];
extern const char kFileIsEmptyText[];
extern const char kUnableToOpenFileText[];
// The ASCII format dialog could not be shown for a file that needs it.
extern const char kASCIIDialogFailedText[];
// The command line names more than one file: nothing is opened.
extern const char kSeveralCommandLineFilesText[];
// Opens the one file a command line names (quoted or not); more than one name
// is reported. 1 when a view was created.
int OpenCommandLineFile(const char* commandLine);
FileList* OpenDataFilesDialog(HWND owner);

// The folder the open dialog starts in; the current folder after each choice.
extern char lastOpenDirectory[512];
