// The registry record: read at start, written at exit, and the configuration
// file it names loaded and saved with it.
#include "shell/registry.h"
#include "shell/config_file.h"
#include "app/app_windows.h"
#include "app/window_slots.h"
#include "base/file_replace.h"
#include "base/heap.h"
#include "base/paths.h"
#include "base/text.h"
#include <cstdio>
#include <cstring>

static const char kProgramKey[] = "Software\\VelkaDunmarroInc\\VelkaViewer";
static char registryKeyPath[256] = "Software\\VelkaDunmarroInc\\VelkaViewer";


void SetRegistryKeyPath(const char* path)
{
    snprintf(registryKeyPath, sizeof registryKeyPath, "%s", path ? path : kProgramKey);
}

RegistrySettings* GetRegistrySettings()
{
    if (!FrameWindow || !IsWindow(FrameWindow)) return nullptr;
    return (RegistrySettings*)GetWindowSlot(FrameWindow, FRAME_REGISTRY);
}

void FreeRegistrySettings(RegistrySettings* settings)
{
    if (!settings) return;
    for (int i = 0; i < kRecentFileCount; i++) NBLFree(settings->RecentFile[i]);
    NBLFree(settings);
}

static HKEY OpenSettingsKey(DWORD* disposition)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, registryKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, disposition) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

static const char* RecentValueName(int i)
{
    static const char* names[kRecentFileCount] = {"RecentFile0", "RecentFile1", "RecentFile2", "RecentFile3"};
    return names[i];
}

int WriteRegistryValues(HKEY key, const RegistrySettings* s)
{
    int ok = 1;
    ok &= RegSetValueExA(key, "AutoConfigSave", 0, REG_BINARY, &s->AutoConfigSave, 1) == ERROR_SUCCESS;
    ok &= RegSetValueExA(key, "AutoConfigLoad", 0, REG_BINARY, &s->AutoConfigLoad, 1) == ERROR_SUCCESS;
    ok &= RegSetValueExA(key, "ConfigFileName", 0, REG_SZ, (const BYTE*)s->ConfigFileName, kRegistryTextChars) ==
          ERROR_SUCCESS;
    for (int i = 0; i < kRecentFileCount; i++)
        ok &= RegSetValueExA(key, RecentValueName(i), 0, REG_SZ, (const BYTE*)s->RecentFile[i], kRegistryTextChars) ==
              ERROR_SUCCESS;
    return ok;
}

// A flag is taken only when it arrives as one byte holding 0 or 1.
static void ReadFlag(HKEY key, const char* name, uint8_t* flag)
{
    BYTE value = 0;
    DWORD type = 0, size = 1;
    if (RegQueryValueExA(key, name, nullptr, &type, &value, &size) != ERROR_SUCCESS) return;
    if (type != REG_BINARY || size != 1 || value > 1) return;
    *flag = value;
}

// A text is taken only when it is a string that ends inside the buffer;
// anything else leaves the field empty.
static void ReadText(HKEY key, const char* name, char* buffer)
{
    memset(buffer, 0, kRegistryTextChars);
    char value[kRegistryTextChars] = {};
    DWORD type = 0, size = kRegistryTextChars;
    if (RegQueryValueExA(key, name, nullptr, &type, (BYTE*)value, &size) != ERROR_SUCCESS) return;
    if (type != REG_SZ || !memchr(value, 0, size < kRegistryTextChars ? size : kRegistryTextChars)) return;
    memcpy(buffer, value, kRegistryTextChars);
}

int ReadRegistryValues(HKEY key, RegistrySettings* s)
{
    ReadFlag(key, "AutoConfigSave", &s->AutoConfigSave);
    ReadFlag(key, "AutoConfigLoad", &s->AutoConfigLoad);
    ReadText(key, "ConfigFileName", s->ConfigFileName);
    for (int i = 0; i < kRecentFileCount; i++) ReadText(key, RecentValueName(i), s->RecentFile[i]);
    // An empty entry ends the list: later entries behind a hole are dropped
    // so the list and the menu never disagree.
    for (int i = 0; i < kRecentFileCount; i++)
        if (!s->RecentFile[i][0])
            for (int j = i + 1; j < kRecentFileCount; j++) s->RecentFile[j][0] = 0;
    return 1;
}

// Points the run's configuration file at the name the registry keeps.
static void UseConfigFileName(const RegistrySettings* s)
{
    CopyBounded(currentConfigPath, sizeof currentConfigPath, s->ConfigFileName);
    CopyBounded(currentConfigTitle, sizeof currentConfigTitle, GetPathFileName(s->ConfigFileName));
}

RegistrySettings* LoadRegistrySettings()
{
    RegistrySettings* s = (RegistrySettings*)NBLCalloc(1, sizeof(RegistrySettings));
    if (!s) return nullptr;
    for (int i = 0; i < kRecentFileCount; i++) {
        s->RecentFile[i] = (char*)NBLCalloc(1, kRegistryTextChars);
        if (!s->RecentFile[i]) {
            FreeRegistrySettings(s);
            return nullptr;
        }
    }
    DWORD disposition = 0;
    HKEY key = OpenSettingsKey(&disposition);
    if (!key) return s;
    if (disposition == REG_CREATED_NEW_KEY) {
        WriteRegistryValues(key, s);
        RegCloseKey(key);
        return s;
    }
    ReadRegistryValues(key, s);
    // Saves killed in an earlier run left their temporary files (and maybe a
    // replace cut short) beside the files last worked on.
    for (int i = 0; i < kRecentFileCount && s->RecentFile[i] && s->RecentFile[i][0]; i++)
        FinishInterruptedSaves(GetPathDirectory(s->RecentFile[i]));
    if (s->AutoConfigLoad) {
        UseConfigFileName(s);
        // A settings save killed at the last start leaves its temporary file.
        if (currentConfigPath[0]) FinishInterruptedSaves(GetPathDirectory(currentConfigPath));
        if (currentConfigPath[0] && !ReadConfigFile(nullptr)) s->AutoConfigLoad = 0;
    }
    RegCloseKey(key);
    return s;
}

void SaveRegistrySettings(HWND activeView)
{
    RegistrySettings* s = GetRegistrySettings();
    if (!s) return;
    DWORD disposition = 0;
    HKEY key = OpenSettingsKey(&disposition);
    if (key) WriteRegistryValues(key, s);
    if (s->AutoConfigSave) {
        UseConfigFileName(s);
        if (currentConfigPath[0]) WriteConfigFile(activeView);
    }
    if (key) RegCloseKey(key);
}
