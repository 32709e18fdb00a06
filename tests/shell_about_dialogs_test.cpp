// About (texts, the link's cursor and click) and System Information (rows,
// formats and the clipboard text).
#include "window_fixtures.h"
#include "shell/about_dialogs.h"
#include "resource.h"
#include "base/file_system.h"
#include <regex>

namespace {

std::vector<std::string> opened;
std::string folderWhenOpened;
int RecordOpen(const char* target)
{
    opened.push_back(target);
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof folder, folder);
    folderWhenOpened = folder;
    return 1;
}

// A point of the dialog's client area inside (or beside) the link.
LPARAM LinkPoint(HWND dialog, bool inside)
{
    RECT r;
    GetWindowRect(GetDlgItem(dialog, IDC_ABOUT_LINK), &r);
    POINT p = {inside ? (r.left + r.right) / 2 : r.left - 5, (r.top + r.bottom) / 2};
    ScreenToClient(dialog, &p);
    return MAKELPARAM(p.x, p.y);
}

std::string TextOf(HWND dialog, int id)
{
    char text[256] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

using AboutDialogs = FrameFixture;

}  // namespace

TEST_F(AboutDialogs, AboutShowsTitleVersionAndAWorkingLink)
{
    StartFrame();
    opened.clear();
    SetShellOpenHook(RecordOpen);
    char before[MAX_PATH] = "", windows[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof before, before);
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string title, version, company, link;
    HCURSOR overLink = nullptr, besideLink = nullptr;
    DialogDriver driver([&](HWND dialog, int templateId) {
        ASSERT_EQ(templateId, IDD_ABOUT);
        char text[256] = "";
        GetWindowTextA(dialog, text, sizeof text);
        title = text;
        version = TextOf(dialog, IDC_ABOUT_VERSION);
        company = TextOf(dialog, IDC_ABOUT_COMPANY);
        link = TextOf(dialog, IDC_ABOUT_LINK);
        SaveWindowShot(dialog, "about");
        SendMessageA(dialog, WM_MOUSEMOVE, 0, LinkPoint(dialog, true));
        overLink = GetCursor();
        SendMessageA(dialog, WM_MOUSEMOVE, 0, LinkPoint(dialog, false));
        besideLink = GetCursor();
        SendMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON, LinkPoint(dialog, false));   // beside: nothing
        SendMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON, LinkPoint(dialog, true));
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    SendMessageA(FrameWindow, WM_COMMAND, CMD_ABOUT, 0);
    SetShellOpenHook(nullptr);
    EXPECT_EQ(title, std::string("About ") + APP_TITLE);
    EXPECT_EQ(version, std::string("Version  ") + APP_VERSION);
    EXPECT_EQ(company, std::string(kMakerName) + " - 3D Geospatial Data Viewer");
    EXPECT_EQ(link, kMakerWebAddress);
    EXPECT_EQ(overLink, LoadCursorA(nullptr, (LPCSTR)IDC_HAND));
    EXPECT_EQ(besideLink, LoadCursorA(nullptr, (LPCSTR)IDC_ARROW));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], kMakerWebAddress);
    EXPECT_EQ(lstrcmpiA(folderWhenOpened.c_str(), windows), 0) << folderWhenOpened;
    char after[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof after, after);
    EXPECT_STREQ(after, before);
}

TEST_F(AboutDialogs, SystemInformationRowsAndTheirClipboardText)
{
    StartFrame();
    std::vector<std::string> logged;
    SetLogHook(nullptr);
    std::vector<std::pair<std::string, std::string>> rows;
    std::string copied;
    bool cyrillic = false;
    DialogDriver driver([&](HWND dialog, int templateId) {
        ASSERT_EQ(templateId, IDD_SYSTEM_INFO);
        rows = ListRows(GetDlgItem(dialog, IDC_INFO_LIST));
        // The computer's and the user's names may be in any alphabet.
        cyrillic = FontHoldsLetters((HFONT)SendDlgItemMessageA(dialog, IDC_INFO_LIST, WM_GETFONT, 0, 0), "Пётр");
        SaveWindowShot(dialog, "system_info");
        OpenClipboard(nullptr);
        EmptyClipboard();
        CloseClipboard();
        SendMessageA(dialog, WM_COMMAND, IDC_INFO_CLIPBOARD, 0);
        copied = ClipboardText();
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    SendMessageA(FrameWindow, WM_COMMAND, CMD_SYSTEM_INFO, 0);
    const char* labels[] = {" Computer:          ", " User:              ", " Version:           ",
                            " Build Date:        ", "", " OS Version:        ", " Memory Total:      ",
                            " Memory Available:  ", "", " Graphics Vendor:   ", " Graphics Model:    ",
                            " Graphics Version:  ", " Resolution:        ", " Max BPP:           "};
    EXPECT_TRUE(cyrillic);
    ASSERT_EQ(rows.size(), 14u);
    for (int i = 0; i < 14; i++) EXPECT_EQ(rows[i].first, labels[i]) << i;
    EXPECT_EQ(rows[2].second, APP_VERSION);
    EXPECT_EQ(rows[3].second, kBuildDate);
    EXPECT_EQ(rows[4].second, "");
    EXPECT_TRUE(std::regex_match(rows[5].second, std::regex("[0-9]+\\.[0-9]+\\.[0-9]+"))) << rows[5].second;
    EXPECT_TRUE(std::regex_match(rows[6].second, std::regex("[0-9]+ MB"))) << rows[6].second;
    EXPECT_TRUE(std::regex_match(rows[7].second, std::regex("[0-9]+ MB"))) << rows[7].second;
    // The graphics rows are the graphics system's own texts.
    for (int i = 9; i <= 11; i++) EXPECT_FALSE(rows[i].second.empty()) << i;
    EXPECT_TRUE(std::regex_match(rows[12].second, std::regex("[0-9]+ x [0-9]+"))) << rows[12].second;
    EXPECT_TRUE(std::regex_match(rows[13].second, std::regex("[0-9]+"))) << rows[13].second;

    // An empty line, one line per row (label directly followed by value), an
    // empty line at the end.
    std::string expected = "\n";
    for (auto& row : rows) expected += row.first + row.second + "\n";
    expected += "\n";
    EXPECT_EQ(copied, expected);
}

TEST(SystemFacts, MemoryIsWholeMegabytesRoundedHalfUp)
{
    EXPECT_EQ(MegabytesOf(8589934592ull), 8192);
    EXPECT_EQ(MegabytesOf(1572864), 2);   // 1.5 MiB
    EXPECT_EQ(MegabytesOf(1572863), 1);
    EXPECT_EQ(MegabytesOf(0), 0);
    // Any other argument hands back the buffer as the last call left it.
    std::string total = GetMemoryText(0);
    EXPECT_EQ(std::string(GetMemoryText(7)), total);
}
