// Settings kept between runs in the current user's registry: the automatic
// configuration-file switches and file name, and the recent-file list.
// shell/recent_files keeps the list in order, shell/config_settings_dialog
// edits the switches.
#pragma once
#include <windows.h>
#include <cstdint>

constexpr int kRecentFileCount = 4;
constexpr int kRegistryTextChars = 260;

#pragma pack(push, 1)
struct RegistrySettings {
    uint8_t AutoConfigSave;                  // save the configuration file at exit
    uint8_t AutoConfigLoad;                  // load it at start
    char    ConfigFileName[kRegistryTextChars];
    char*   RecentFile[kRecentFileCount];    // most recent first; an empty text ends the list
};
#pragma pack(pop)

// The key under HKEY_CURRENT_USER. Tests point it at a throw-away key.
void SetRegistryKeyPath(const char* path);   // null restores the program's own key

RegistrySettings* LoadRegistrySettings();
void SaveRegistrySettings(HWND activeView);
int  WriteRegistryValues(HKEY key, const RegistrySettings* settings);
int  ReadRegistryValues(HKEY key, RegistrySettings* settings);
// The record of the running program (frame long FRAME_REGISTRY), or null.
RegistrySettings* GetRegistrySettings();
void FreeRegistrySettings(RegistrySettings* settings);
