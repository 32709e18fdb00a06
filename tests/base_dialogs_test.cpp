#include "test_support.h"
#include "shell/frame.h"
#include "base/dialogs.h"
#include "base/file_list.h"
#include "base/messages.h"
#include <string>

namespace {

int drivenId;
void CancelDialog(HWND dialog, int id)
{
    drivenId = id;
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

TEST(DialogHelpers, CancelledColourPickLeavesTheColourAlone)
{
    SetDialogDriver(CancelDialog);
    COLORREF colour = RGB(1, 2, 3);
    EXPECT_EQ(PickColor(nullptr, RGB(10, 20, 30), &colour), 0);
    EXPECT_EQ(colour, RGB(1, 2, 3));
    EXPECT_EQ(drivenId, DIALOG_CHOOSECOLOR);
    SetDialogDriver(nullptr);
}

TEST(DialogHelpers, ListBoxExtentFollowsTheWidestPath)
{
    HWND box = CreateWindowExA(0, "LISTBOX", "", WS_POPUP | WS_HSCROLL, 0, 0, 300, 200, nullptr, nullptr, nullptr,
                               nullptr);
    FileList list = {};
    SetListBoxExtent(box, &list);
    RECT client;
    GetClientRect(box, &client);
    EXPECT_EQ(SendMessageA(box, LB_GETHORIZONTALEXTENT, 0, 0), client.right - 1);
    std::string longPath = "C:\\survey\\" + std::string(120, 'w') + ".las";
    AddFileListEntry(&list, "C:\\a.las", "a.las");
    AddFileListEntry(&list, longPath.c_str(), "long.las");
    HDC dc = GetDC(box);
    int widest = GetTextWidth(dc, longPath.c_str());
    ReleaseDC(box, dc);
    ASSERT_GT(widest, client.right);
    SetListBoxExtent(box, &list);
    EXPECT_EQ(SendMessageA(box, LB_GETHORIZONTALEXTENT, 0, 0), widest + 16);
    ClearFileList(&list);
    DestroyWindow(box);
}

TEST(DialogHelpers, ScreenToClientRectConvertsBothCorners)
{
    HWND w = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 100, 50, 200, 100, nullptr, nullptr, nullptr,
                             nullptr);
    POINT origin = {0, 0};
    ClientToScreen(w, &origin);
    RECT r = {origin.x + 5, origin.y + 6, origin.x + 20, origin.y + 30};
    EXPECT_NE(ScreenToClientRect(w, &r), 0);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 6);
    EXPECT_EQ(r.right, 20);
    EXPECT_EQ(r.bottom, 30);
    DestroyWindow(w);
}
