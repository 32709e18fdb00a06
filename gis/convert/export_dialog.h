// Dialog 318 "Export LAS Files" with its filters (215) and preview (319).
#pragma once
#include <windows.h>

struct ExportSettings;

extern const char kExportNoFieldsText[];
extern const char kExportStopQuestion[];
extern const char kExportStopCaption[];
extern const char kExportCompleteText[];
extern const char kExportCompleteCaption[];
extern const char kExportNoClassesQuestion[];
extern const char kExportNoReturnsQuestion[];
extern const char kExportAddFilesTitle[];

struct ExportPreviewArgs {
    ExportSettings* settings;
    char path[256];
    char title[256];
};

INT_PTR CALLBACK ExportLASDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ExportFiltersDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ExportPreviewDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
