// The help file calls (no help file ships, so the missing-file message is
// what is seen here) and the hotkey list dialog.
#include "window_fixtures.h"
#include "shell/help.h"
#include "resource.h"
#include "base/paths.h"

using HelpTest = FrameFixture;

TEST_F(HelpTest, ContentsAndTopicsLookForTheProgramsNameWithChm)
{
    StartFrame();
    char module[256] = "";
    GetModuleFileNameA(nullptr, module, sizeof module - 1);
    std::string path = HelpFilePath();
    ASSERT_GT(path.size(), 4u);
    EXPECT_EQ(path.substr(path.size() - 4), ".chm");
    // Everything before the extension is the program's own path.
    std::string stem = path.substr(0, path.size() - 4);
    EXPECT_EQ(std::string(module).rfind(stem, 0), 0u) << module;
    EXPECT_EQ(std::string(module).find('\\', stem.size()), std::string::npos);

    {
        BoxAnswers boxes;
        SendMessageA(FrameWindow, WM_COMMAND, CMD_HELP_CONTENTS, 0);
        ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kHelpMissingText, path.c_str())));
        EXPECT_EQ(boxes.shown()[0].caption, "Error");
        EXPECT_EQ(boxes.shown()[0].type, (unsigned)(MB_OK | MB_ICONERROR));
    }
    {
        BoxAnswers boxes;
        EXPECT_EQ(ShowHelpTopic("BatchImport.html"), 1);
        ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kHelpMissingText, path.c_str())));
    }
}

TEST_F(HelpTest, HotkeyListShowsItsTwentyFourRowsAndFreesItsFont)
{
    StartFrame();
    for (int closeWith : {IDOK, IDCANCEL}) {
        std::vector<std::pair<std::string, std::string>> rows;
        HFONT font = nullptr;
        char caption[64] = "";
        DialogDriver driver([&](HWND dialog, int templateId) {
            ASSERT_EQ(templateId, IDD_HOTKEYS);
            GetWindowTextA(dialog, caption, sizeof caption);
            HWND list = GetDlgItem(dialog, IDC_INFO_LIST);
            rows = ListRows(list);
            font = (HFONT)SendMessageA(list, WM_GETFONT, 0, 0);
            SaveWindowShot(dialog, closeWith == IDOK ? "hotkeys" : "hotkeys_2");
            SendMessageA(dialog, WM_COMMAND, closeWith, 0);
        });
        SendMessageA(FrameWindow, WM_COMMAND, CMD_HOTKEY_LIST, 0);
        EXPECT_STREQ(caption, "VelkaViewer Hotkey List");
        ASSERT_EQ(rows.size(), 24u);
        ASSERT_EQ(kHotkeyRowCount, 24);
        for (int i = 0; i < 24; i++) {
            EXPECT_EQ(rows[i].first, kHotkeyRows[i].key ? kHotkeyRows[i].key : "") << i;
            EXPECT_EQ(rows[i].second, kHotkeyRows[i].action ? kHotkeyRows[i].action : "") << i;
        }
        EXPECT_EQ(rows[21].first, " F1 ");
        EXPECT_EQ(rows[21].second, "Help Contents and Index");
        EXPECT_EQ(rows[2], std::make_pair(std::string(), std::string()));
        ASSERT_NE(font, nullptr);
        EXPECT_EQ(GetObjectType(font), 0u) << "the list font outlives the dialog";
    }
}
