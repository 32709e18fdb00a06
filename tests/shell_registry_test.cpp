#include "window_fixtures.h"
#include "app/command_ids.h"
#include "resource.h"
#include "shell/config_file.h"
#include "app/display_settings.h"
#include "shell/frame.h"
#include "shell/config_settings_dialog.h"
#include "shell/recent_files.h"
#include "shell/registry.h"
#include "base/messages.h"
#include "base/file_io.h"
#include <cstring>

namespace {

class RegistryTest : public FrameFixture {
protected:
    static HKEY OpenTestKey()
    {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, TestRegistryKey(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        return key;
    }
    static std::string MenuText(HMENU menu, int id)
    {
        char text[300] = "";
        GetMenuStringA(GetSubMenu(menu, 0), id, text, sizeof text, MF_BYCOMMAND);
        return text;
    }
    static RegistrySettings* Settings() { return GetRegistrySettings(); }
};

}  // namespace

TEST_F(RegistryTest, FirstRunCreatesTheKeyWithEmptyValues)
{
    StartFrame();
    RegistrySettings* s = Settings();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->AutoConfigLoad, 0);
    EXPECT_EQ(s->AutoConfigSave, 0);
    EXPECT_STREQ(s->ConfigFileName, "");
    EXPECT_STREQ(s->RecentFile[0], "");

    HKEY key = OpenTestKey();
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(key, "ConfigFileName", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    EXPECT_EQ(size, 260u);
    ASSERT_EQ(RegQueryValueExA(key, "AutoConfigSave", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, (DWORD)REG_BINARY);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(RegQueryValueExA(key, "RecentFile3", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    RegCloseKey(key);
    // The menus keep their resource texts.
    EXPECT_EQ(MenuText(FrameMenu, CMD_RECENT_1), "&1 <empty>");
}

TEST_F(RegistryTest, ValuesWrittenAtExitAreReadAtTheNextStart)
{
    StartFrame();
    RegistrySettings* s = Settings();
    s->AutoConfigSave = 1;
    strcpy(s->ConfigFileName, "");   // nothing to save: no file is written
    AddRecentFile("C:\\data\\first.las");
    AddRecentFile("C:\\data\\second.laz");
    SaveRegistrySettings(nullptr);
    StopFrame();
    StartFrame();
    s = Settings();
    EXPECT_EQ(s->AutoConfigSave, 1);
    EXPECT_EQ(s->AutoConfigLoad, 0);
    EXPECT_STREQ(s->RecentFile[0], "C:\\data\\second.laz");
    EXPECT_STREQ(s->RecentFile[1], "C:\\data\\first.las");
    EXPECT_STREQ(s->RecentFile[2], "");
    EXPECT_EQ(MenuText(FrameMenu, CMD_RECENT_1), "&1  second.laz");
    EXPECT_EQ(MenuText(ViewMenu, CMD_RECENT_2), "&2  first.las");
    EXPECT_EQ(MenuText(FrameMenu, CMD_RECENT_3), "&3 <empty>");
}

TEST_F(RegistryTest, DamagedValuesAreIgnored)
{
    HKEY key = OpenTestKey();
    BYTE seven = 7;
    RegSetValueExA(key, "AutoConfigLoad", 0, REG_BINARY, &seven, 1);
    DWORD wide = 1;
    RegSetValueExA(key, "AutoConfigSave", 0, REG_DWORD, (BYTE*)&wide, 4);
    char unterminated[260];
    memset(unterminated, 'x', sizeof unterminated);
    RegSetValueExA(key, "ConfigFileName", 0, REG_BINARY, (BYTE*)unterminated, sizeof unterminated);
    RegSetValueExA(key, "RecentFile0", 0, REG_SZ, (const BYTE*)"C:\\a.las", 9);
    RegSetValueExA(key, "RecentFile1", 0, REG_DWORD, (BYTE*)&wide, 4);
    RegSetValueExA(key, "RecentFile2", 0, REG_SZ, (const BYTE*)"C:\\c.las", 9);
    RegCloseKey(key);

    StartFrame();
    RegistrySettings* s = Settings();
    EXPECT_EQ(s->AutoConfigLoad, 0);
    EXPECT_EQ(s->AutoConfigSave, 0);
    EXPECT_STREQ(s->ConfigFileName, "");
    EXPECT_STREQ(s->RecentFile[0], "C:\\a.las");
    // A hole ends the list: nothing behind it survives.
    EXPECT_STREQ(s->RecentFile[1], "");
    EXPECT_STREQ(s->RecentFile[2], "");
}

TEST_F(RegistryTest, RecentFilesKeepTheFourLatestMostRecentFirst)
{
    StartFrame();
    for (const char* f : {"C:\\d\\F1.las", "C:\\d\\F2.las", "C:\\d\\F3.las", "C:\\d\\F4.las", "C:\\d\\F5.las"})
        AddRecentFile(f);
    RegistrySettings* s = Settings();
    EXPECT_STREQ(s->RecentFile[0], "C:\\d\\F5.las");
    EXPECT_STREQ(s->RecentFile[3], "C:\\d\\F2.las");
    AddRecentFile("C:\\d\\F3.las");
    const char* expected[4] = {"C:\\d\\F3.las", "C:\\d\\F5.las", "C:\\d\\F4.las", "C:\\d\\F2.las"};
    for (int i = 0; i < 4; i++) EXPECT_STREQ(s->RecentFile[i], expected[i]);
    EXPECT_EQ(MenuText(FrameMenu, CMD_RECENT_1), "&1  F3.las");
    EXPECT_EQ(MenuText(ViewMenu, CMD_RECENT_4), "&4  F2.las");

    // Another letter case is another file.
    AddRecentFile("C:\\d\\f3.las");
    EXPECT_STREQ(s->RecentFile[0], "C:\\d\\f3.las");
    EXPECT_STREQ(s->RecentFile[1], "C:\\d\\F3.las");

    // A path that does not fit an entry is not kept, nor cut.
    std::string longPath = "C:\\" + std::string(300, 'n') + ".las";
    AddRecentFile(longPath.c_str());
    EXPECT_STREQ(s->RecentFile[0], "C:\\d\\f3.las");
}

TEST_F(RegistryTest, AutomaticLoadOfADamagedFileWarnsOnceAndSwitchesItselfOff)
{
    std::string path = TempPath("damaged.cfg");
    VFile f = VFileCreate(path.c_str());
    VFileWrite(f, "KSDNBL\x05\0\0\0short", 15);
    VFileClose(f);
    HKEY key = OpenTestKey();
    BYTE one = 1;
    RegSetValueExA(key, "AutoConfigLoad", 0, REG_BINARY, &one, 1);
    char name[260] = {};
    snprintf(name, sizeof name, "%s", path.c_str());
    RegSetValueExA(key, "ConfigFileName", 0, REG_SZ, (BYTE*)name, sizeof name);
    RegCloseKey(key);

    {
        BoxAnswers boxes;
        StartFrame();
        ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kConfigCorruptText, "damaged.cfg")));
        EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
    }
    EXPECT_EQ(Settings()->AutoConfigLoad, 0);
    SaveRegistrySettings(nullptr);
    StopFrame();
    BoxAnswers boxes;
    StartFrame();
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(RegistryTest, AutomaticSaveAndLoadCarryTheSettings)
{
    std::string path = TempPath("auto.cfg");
    DeleteFileA(path.c_str());
    StartFrame();
    RegistrySettings* s = Settings();
    s->AutoConfigSave = 1;
    s->AutoConfigLoad = 1;
    snprintf(s->ConfigFileName, sizeof s->ConfigFileName, "%s", path.c_str());
    GlobalDisplaySettings.lightAzimuth = 123;
    GlobalDisplaySettings.returnColors[3] = 0x123456;
    SaveRegistrySettings(nullptr);
    EXPECT_TRUE(VFileExists(path.c_str()));
    EXPECT_STREQ(currentConfigTitle, "auto.cfg");
    StopFrame();
    BoxAnswers boxes;
    StartFrame();
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(GlobalDisplaySettings.lightAzimuth, 123);
    EXPECT_EQ(GlobalDisplaySettings.returnColors[3], 0x123456u);
    EXPECT_EQ(Settings()->AutoConfigLoad, 1);
}

static HWND settingsDialog;

static void CancelAfterTicking(HWND dialog, int templateId)
{
    if (templateId != IDD_CONFIG_SETTINGS) return;
    settingsDialog = dialog;
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CONFIG_AUTOLOAD, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDC_CONFIG_AUTOLOAD));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CONFIG_AUTOSAVE, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDC_CONFIG_AUTOSAVE));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_CONFIG_SELECT)));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CONFIG_SELECT, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDC_CONFIG_SELECT));
    char shown[100] = "";
    GetDlgItemTextA(dialog, IDC_CONFIG_FILENAME, shown, sizeof shown);
    EXPECT_STREQ(shown, "chosen.cfg");
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

static void OkAfterTicking(HWND dialog, int templateId)
{
    if (templateId != IDD_CONFIG_SETTINGS) return;
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_CONFIG_SELECT)));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CONFIG_AUTOLOAD, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDC_CONFIG_AUTOLOAD));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CONFIG_SELECT, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDC_CONFIG_SELECT));
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

TEST_F(RegistryTest, ConfigurationSettingsDialogKeepsOnlyWhatOKConfirms)
{
    StartFrame();
    RegistrySettings* s = Settings();
    RegistrySettings before = *s;
    {
        FileDialogAnswers answers({"C:\\cfg\\chosen.cfg"});
        SetDialogDriver(CancelAfterTicking);
        EXPECT_EQ(ShowConfigSettings(), 0);
        SetDialogDriver(nullptr);
        EXPECT_EQ(answers.calls(), 1);
        EXPECT_EQ(answers.captions()[0], "Select VelkaViewer Config");
        // Owned by the settings dialog: closing the file dialog gives the
        // input back to it, not to the frame under its modal loop.
        EXPECT_EQ(answers.owners()[0], settingsDialog);
    }
    EXPECT_EQ(memcmp(&before, s, sizeof before), 0);

    FileDialogAnswers answers({"C:\\cfg\\kept.cfg"});
    SetDialogDriver(OkAfterTicking);
    EXPECT_EQ(ShowConfigSettings(), 1);
    SetDialogDriver(nullptr);
    EXPECT_EQ(s->AutoConfigLoad, 1);
    EXPECT_EQ(s->AutoConfigSave, 0);
    EXPECT_STREQ(s->ConfigFileName, "C:\\cfg\\kept.cfg");
}
