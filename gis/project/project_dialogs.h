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
// list was filled from) are kept as they are, without an outline too.
int  ProjectFromDialog(HWND dialog, Project* project, const FileList* files, const char* dataFolder,
                       const Project* listed = nullptr);
INT_PTR CALLBACK CreateProjectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EditProjectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ImportTScanProjectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
