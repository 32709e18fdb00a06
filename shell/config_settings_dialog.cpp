// The "Configuration File Settings" dialog: the automatic load and save
// switches of the registry record and the configuration file they use.
#include "shell/config_settings_dialog.h"
#include "shell/registry.h"
#include "app/app_windows.h"
#include "base/dialogs.h"
#include "base/file_dialog.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "resource.h"
#include <cstring>

int ChooseConfigFile(HWND owner, char* path, char* title)
{
    char file[256] = "";
    char name[256] = "";
    if (!ChooseOneFile(owner, "VelkaViewer Config Files (*.cfg) |*.cfg|All files (*.*)|*.*|",
                       "Select VelkaViewer Config", 0, OFN_HIDEREADONLY, file, name))
        return 0;
    CopyBounded(path, kRegistryTextChars, file);
    CopyBounded(title, kRegistryTextChars, name[0] ? name : GetPathFileName(file));
    return 1;
}

static void ShowConfigName(HWND dialog, const char* path)
{
    SetDlgItemTextA(dialog, IDC_CONFIG_FILENAME, GetPathFileName(path));
    SetDlgItemTextA(dialog, IDC_CONFIG_PATH, GetPathDirectory(path));
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
