// Opening data files into plan views: the open dialog, the command line, a
// recent file, files dropped on the frame and project tiles all end here.
#pragma once
#include <windows.h>
#include <shellapi.h>

struct DataSet;
struct FileList;

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
FileList* OpenDataFilesDialog(HWND owner);

// The folder the open dialog starts in; the current folder after each choice.
extern char lastOpenDirectory[512];
