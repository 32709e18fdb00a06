// The "Configuration File Settings" dialog.
#pragma once
#include <windows.h>

// 1 when the user confirmed with OK; anything else leaves the settings as they were.
int  ShowConfigSettings();
INT_PTR CALLBACK ConfigSettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The file dialog of its Select button: path and title, kRegistryTextChars each.
int  ChooseConfigFile(HWND owner, char* path, char* title);
