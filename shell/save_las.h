// Save and Save As of a plan view's current LAS data set (toolbar commands
// 9009 and 9010): the questions and messages around the class-saving copy.
#pragma once
#include <windows.h>

struct DataSet;
struct LASClassSave;

extern const char kSaveLockedText[];         // the lock question, with the owner line
extern const char kSaveFailedLog[];          // "[ERROR]  Save File"

// Save of the view's current set; a set that cannot be saved gets the refusal box.
int SaveCurrentLASFile(HWND view);
int SaveLASFile(HWND view);
// Save of one set to its own file, with the refusals and the lock question;
// 1 when the file holds the set's classes and the set counts as saved.
int SaveLASDataSet(DataSet* set);
int SaveLASFileAs(HWND view);
// SaveLASClasses that asks ("Warning", Yes/No) before replacing a source
// written since it was loaded, and afterwards remembers the saved file's state
// when it is the set's own; the outcome as SaveLASClasses gives it.
int SaveLASClassesAsking(DataSet* set, const char* target, const char* targetTitle, LASClassSave* outcome);
// The system save dialog for a LAS file: `path` and `title` (256 characters
// each) hold the starting choice and receive the chosen one; the dialog
// starts in the starting path's folder.
int ChooseSaveLASFile(char* path, char* title);
