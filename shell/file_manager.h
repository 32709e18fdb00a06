// The "Lidar File Manager" of a plan view: a working copy of the view's file
// list that the user edits (remove one, remove all, add files), after which
// the view drops the sets whose files left the list and loads those that
// joined it. A view left without files is closed.
#pragma once
#include <windows.h>

struct FileList;
struct ViewRecord;

extern const char kPointViewMixText[];
extern const char kGridViewMixText[];

// Runs the dialog over the view and applies its changes; 0 when the view was
// left without data (it is then asked to close), else 1.
int  ShowLidarFileManager(HWND view);
INT_PTR CALLBACK LidarFileManagerDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Removes and loads data sets so that the view matches its working list;
// 1 when the view's set list changed. An unsaved set leaving the view is asked
// about first; Cancel or a failed save changes nothing.
int  AddFilesToView(HWND view);

void InitFileManagerColumns(HWND dialog);
void FillFileManagerList(HWND dialog, const FileList* list);
int  RemoveManagerEntry(HWND view, int index);
int  ClearManagerList(HWND view);
// Runs the "Open Data Files" dialog, owned by `owner` (the manager dialog), and
// appends the chosen files the working list lacks; 1 when the dialog returned
// files (even all known ones).
int  AddManagerFiles(HWND view, HWND owner);
int  IsPathInManagerList(const FileList* list, const char* path);
int  IsPathMissingFromManagerList(const FileList* list, const char* path);
// Frees one data set of the view and everything of the view that points into
// it (TIN, undo records, profile selection).
int  RemoveViewDataSet(HWND view, int index);
