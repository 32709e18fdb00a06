// The multi-select open dialogs that append the chosen files to a FileList.
#pragma once
#include <windows.h>

struct FileList;

int OpenLASFilesDialog(HWND owner, FileList* list, const char* title);
int OpenProjectLASFilesDialog(HWND owner, FileList* list, const char* title);
int OpenASCIIFilesDialog(HWND owner, FileList* list, const char* title);
int OpenShapeFilesDialog(HWND owner, FileList* list, const char* title);
