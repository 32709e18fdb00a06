// Registry settings, the recent-file list and its menu items, and the
// "Configuration File Settings" dialog.
#include "shell/registry.h"
#include "app/command_ids.h"
#include "shell/config_file.h"
#include "shell/frame.h"
#include "shell/open_files.h"
#include "app/window_slots.h"
#include "base/dialogs.h"
#include "base/file_dialog.h"
#include "base/file_list.h"
#include "base/file_replace.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/paths.h"
#include "resource.h"
#include <cstdio>
#include <cstring>

static const char kProgramKey[] = "Software\\VelkaDunmarroInc\\VelkaViewer";
static char registryKeyPath[256] = "Software\\VelkaDunmarroInc\\VelkaViewer";


void SetRegistryKeyPath(const char* path)
{
    snprintf(registryKeyPath, sizeof registryKeyPath, "%s", path ? path : kProgramKey);
}

const char* FileNameOfPath(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; p++)
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    return name;
}

// Copies a text into a fixed buffer, always terminated; 0 when it was cut.
static int CopyBounded(char* out, size_t outChars, const char* text)
{
    size_t n = strlen(text);
    if (n >= outChars) {
        memcpy(out, text, outChars - 1);
        out[outChars - 1] = 0;
        return 0;
    }
    memcpy(out, text, n + 1);
    return 1;
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
    CopyBounded(currentConfigTitle, sizeof currentConfigTitle, FileNameOfPath(s->ConfigFileName));
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

// --- recent files -------------------------------------------------------------

void AddRecentFile(const char* path)
{
    RegistrySettings* s = GetRegistrySettings();
    if (!s || !path) return;
    // A path that does not fit an entry is not kept: a cut one would name another file.
    if (strlen(path) >= (size_t)kRegistryTextChars) return;
    int found = kRecentFileCount - 1;   // not found: the oldest buffer is reused
    for (int i = 0; i < kRecentFileCount; i++) {
        if (!s->RecentFile[i][0]) break;
        if (strcmp(s->RecentFile[i], path) == 0) {
            found = i;
            break;
        }
    }
    char* buffer = s->RecentFile[found];
    for (int i = found; i > 0; i--) s->RecentFile[i] = s->RecentFile[i - 1];
    s->RecentFile[0] = buffer;
    CopyBounded(buffer, kRegistryTextChars, path);
    UpdateRecentFileMenu();
}

// Found by command through the whole bar: with a maximised view the bar's
// first item is the view's system menu, not File.
static void SetRecentItem(HMENU menu, int id, const char* text)
{
    if (!menu) return;
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = (char*)text;
    SetMenuItemInfoA(menu, id, FALSE, &info);
}

void UpdateRecentFileMenu()
{
    RegistrySettings* s = GetRegistrySettings();
    if (!s) return;
    for (int n = 1; n <= kRecentFileCount; n++) {
        const char* entry = s->RecentFile[n - 1];
        if (!entry[0]) break;
        char text[300];
        snprintf(text, sizeof text, "&%d  %s", n, FileNameOfPath(entry));
        SetRecentItem(FrameMenu, CMD_RECENT_FIRST - 1 + n, text);
        SetRecentItem(ViewMenu, CMD_RECENT_FIRST - 1 + n, text);
    }
}

int OpenRecentFile(int id)
{
    RegistrySettings* s = GetRegistrySettings();
    if (!s || id < CMD_RECENT_FIRST || id > CMD_RECENT_LAST) return 0;
    const char* entry = s->RecentFile[id - CMD_RECENT_FIRST];
    if (!entry[0]) return 0;
    // The open may reorder the list and reuse this buffer: work on a copy.
    char path[kRegistryTextChars];
    CopyBounded(path, sizeof path, entry);
    return OpenFilesInNewView(path, 0);
}

// --- "Configuration File Settings" ----------------------------------------------

int ChooseConfigFile(HWND owner, char* path, char* title)
{
    char file[256] = "";
    char name[256] = "";
    if (!ChooseOneFile(owner, "VelkaViewer Config Files (*.cfg) |*.cfg|All files (*.*)|*.*|",
                       "Select VelkaViewer Config", 0, OFN_HIDEREADONLY, file, name))
        return 0;
    CopyBounded(path, kRegistryTextChars, file);
    CopyBounded(title, kRegistryTextChars, name[0] ? name : FileNameOfPath(file));
    return 1;
}

static void ShowConfigName(HWND dialog, const char* path)
{
    SetDlgItemTextA(dialog, IDC_CONFIG_FILENAME, FileNameOfPath(path));
    char folder[kRegistryTextChars];
    CopyBounded(folder, sizeof folder, path);
    folder[FileNameOfPath(path) - path] = 0;
    SetDlgItemTextA(dialog, IDC_CONFIG_PATH, folder);
}

static void EnableSelect(HWND dialog, const RegistrySettings* s)
{
    EnableWindow(GetDlgItem(dialog, IDC_CONFIG_SELECT), s->AutoConfigLoad || s->AutoConfigSave);
}

INT_PTR CALLBACK ConfigSettingsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    RegistrySettings* s = GetRegistrySettings();
    if (!s) return FALSE;
    switch (message) {
    case WM_INITDIALOG:
        CheckDlgButton(dialog, IDC_CONFIG_AUTOLOAD, s->AutoConfigLoad ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_CONFIG_AUTOSAVE, s->AutoConfigSave ? BST_CHECKED : BST_UNCHECKED);
        EnableSelect(dialog, s);
        if (s->ConfigFileName[0]) ShowConfigName(dialog, s->ConfigFileName);
        CenterOnFrame(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_CONFIG_AUTOLOAD:
            s->AutoConfigLoad = !s->AutoConfigLoad;
            EnableSelect(dialog, s);
            return TRUE;
        case IDC_CONFIG_AUTOSAVE:
            s->AutoConfigSave = !s->AutoConfigSave;
            EnableSelect(dialog, s);
            return TRUE;
        case IDC_CONFIG_SELECT: {
            char path[kRegistryTextChars], title[kRegistryTextChars];
            if (ChooseConfigFile(dialog, path, title)) {
                CopyBounded(s->ConfigFileName, sizeof s->ConfigFileName, path);
                ShowConfigName(dialog, s->ConfigFileName);
            }
            return TRUE;
        }
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

int ShowConfigSettings()
{
    RegistrySettings* s = GetRegistrySettings();
    if (!s) return 0;
    uint8_t save = s->AutoConfigSave, load = s->AutoConfigLoad;
    char name[kRegistryTextChars];
    memcpy(name, s->ConfigFileName, sizeof name);
    INT_PTR result = ShowDialog(IDD_CONFIG_SETTINGS, FrameWindow, ConfigSettingsDlgProc, 0);
    // Anything but OK keeps the settings as they were, also a dialog that failed to open.
    if (result != IDOK) {
        s->AutoConfigSave = save;
        s->AutoConfigLoad = load;
        memcpy(s->ConfigFileName, name, sizeof name);
        return 0;
    }
    return 1;
}
