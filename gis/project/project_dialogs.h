// The dialogs that build a new project: 333 "Edit Project", 334 "Create
// Project" and 335 "Import TScan Project". Each ends with the new Project
// (as its result) or 0.
#pragma once
#include <windows.h>

struct FileList;
struct Project;

extern const char kNoTilesSelectedText[];
extern const char kSelectTilesTitle[];

void FillProjectDialog(HWND dialog, const Project* project, FileList* files);
// The project of the dialog's list; the tiles of `listed` (the project the
// list was filled from) are kept as they are, without an outline too. 1, or
// 0 when out of memory or at the first tile whose header cannot be used (the
// user was told; its entry in `unusable`, else -1 there).
int  ProjectFromDialog(HWND dialog, Project* project, const FileList* files, const char* dataFolder,
                       const Project* listed = nullptr, int* unusable = nullptr);
INT_PTR CALLBACK CreateProjectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EditProjectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ImportTScanProjectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
