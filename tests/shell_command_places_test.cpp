// Every command a dispatcher handles has a place a user reaches (a menu item,
// a toolbar button or a key), and the classify, fix and save loop runs
// through those places alone.
#include "window_fixtures.h"
#include "shell/frame_command.h"
#include "shell/view_command.h"
#include "gis/project/project_window.h"
#include "views/gl3d/gl_view.h"
#include "views/profile/profile_window.h"
#include "resource.h"
#include <algorithm>
#include <set>

namespace {

using CommandPlaces = ViewFixture;

void AddMenuIds(HMENU menu, std::set<int>* ids)
{
    for (int i = 0, n = GetMenuItemCount(menu); i < n; i++) {
        if (HMENU popup = GetSubMenu(menu, i)) AddMenuIds(popup, ids);
        else ids->insert((int)GetMenuItemID(menu, i));
    }
}

void AddToolbarIds(HWND toolbar, std::set<int>* ids)
{
    for (int i = 0, n = (int)SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0); i < n; i++) {
        TBBUTTON button = {};
        SendMessageA(toolbar, TB_GETBUTTON, i, (LPARAM)&button);
        if (!(button.fsStyle & BTNS_SEP)) ids->insert(button.idCommand);
    }
}

// Ids that nothing a user touches sends, on purpose.
const int Internal[] = {
    CMD_NOOP_9014, CMD_NOOP_9015, CMD_NOOP_9019,   // numbers kept free of meaning; their handlers do nothing
};

// A window with a record linked to no plan view: a 3D window's own commands
// answer 1 there, every other id 0.
HWND DetachedWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = AppInstance;
    wc.cbWndExtra = CHILD_EXTRA_BYTES;
    wc.lpszClassName = "CommandProbe";
    RegisterClassA(&wc);
    return CreateWindowExA(0, "CommandProbe", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, AppInstance, nullptr);
}

bool MenuItemByLabel(HMENU menu, const char* label, int* id)
{
    char text[128];
    for (int i = 0, n = GetMenuItemCount(menu); i < n; i++) {
        if (HMENU popup = GetSubMenu(menu, i)) {
            if (MenuItemByLabel(popup, label, id)) return true;
        } else if (GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION) && !strcmp(text, label)) {
            *id = (int)GetMenuItemID(menu, i);
            return true;
        }
    }
    return false;
}

// What a click on the menu item with this label sends to the frame.
void ChooseMenuItem(HMENU menu, const char* label)
{
    int id = 0;
    ASSERT_TRUE(MenuItemByLabel(menu, label, &id)) << label;
    SendMessageA(FrameWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void ClickButton(HWND toolbar, int id)
{
    int index = (int)SendMessageA(toolbar, TB_COMMANDTOINDEX, id, 0);
    ASSERT_GE(index, 0) << id;
    RECT r;
    SendMessageA(toolbar, TB_GETITEMRECT, index, (LPARAM)&r);
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageA(toolbar, WM_MOUSEMOVE, 0, at);
    SendMessageA(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(toolbar, WM_LBUTTONUP, 0, at);
}

std::vector<uint8_t> FileBytes(const std::string& path)
{
    std::vector<uint8_t> bytes;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(f, nullptr));
    DWORD read = 0;
    ReadFile(f, bytes.data(), (DWORD)bytes.size(), &read, nullptr);
    CloseHandle(f);
    return bytes;
}

std::vector<uint8_t> Classes(const DataSet* set)
{
    std::vector<uint8_t> classes;
    for (int i = 0; i < set->pointCount; i++) classes.push_back(set->points[i].classification);
    return classes;
}

}  // namespace

TEST_F(CommandPlaces, EveryDispatchedIdHasAMenuItemAButtonOrAKey)
{
    std::set<int> places;
    for (HMENU menu : {FrameMenu, ViewMenu, ReturnsMenu}) AddMenuIds(menu, &places);
    AddToolbarIds(Toolbar(), &places);
    AddToolbarIds((HWND)GetWindowSlot(FrameWindow, FRAME_EDIT_TOOLBAR), &places);
    HWND view = OpenEmptyView();
    HWND gl = AddLinked(view, "ChildOpenGL");
    AddToolbarIds((HWND)GetWindowSlot(gl, CHILD_GLTOOLBAR), &places);
    HWND projectWindow = AddProjectWindow();
    AddToolbarIds((HWND)GetWindowSlot(projectWindow, PROJECTWIN_TOOLBAR), &places);
    HACCEL table = LoadAcceleratorsA(AppInstance, MAKEINTRESOURCEA(IDA_FRAME));
    ACCEL keys[64];
    for (int i = 0, n = CopyAcceleratorTableA(table, keys, 64); i < n; i++) places.insert(keys[i].cmd);
    DestroyAcceleratorTable(table);
    for (int id : Internal) places.insert(id);

    // The 3D and project windows dispatch with switches: probe them.
    HWND probe = DetachedWindow();
    ViewRecord* detached = CreateViewRecord();
    SetWindowSlot(probe, CHILD_RECORD, (LONG_PTR)detached);
    int dispatched = 0;
    for (int id = 1; id < 0x8000; id++) {
        bool handled = FrameHandlesCommand(id) || ViewHandlesCommand(id) || ProfileHandlesCommand(id) ||
                       GLViewCommand(probe, MAKEWPARAM(id, 0), 0) ||
                       ProjectWinToolCommand(projectWindow, MAKEWPARAM(id, 0), 0);
        if (!handled) continue;
        dispatched++;
        EXPECT_TRUE(places.count(id)) << "no menu item, button or key sends " << id;
    }
    EXPECT_GT(dispatched, 120);
    SetWindowSlot(probe, CHILD_RECORD, 0);
    DestroyWindow(probe);
    FreeViewRecord(detached);
}

// Alt and a letter must reach one item: no two items of a menu level share a mnemonic.
void ExpectOneItemPerMnemonic(HMENU menu, const std::string& where)
{
    std::set<char> letters;
    char text[128];
    for (int i = 0, n = GetMenuItemCount(menu); i < n; i++) {
        if (!GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION)) continue;
        const char* amp = strchr(text, '&');
        if (amp && amp[1] && amp[1] != '&') {
            EXPECT_TRUE(letters.insert((char)toupper((unsigned char)amp[1])).second) << where << ": " << text;
        }
        if (HMENU popup = GetSubMenu(menu, i)) ExpectOneItemPerMnemonic(popup, where + " > " + text);
    }
}

TEST_F(CommandPlaces, EveryMenuLevelHasOneItemPerMnemonic)
{
    ExpectOneItemPerMnemonic(FrameMenu, "frame");
    ExpectOneItemPerMnemonic(ViewMenu, "view");
    ExpectOneItemPerMnemonic(ReturnsMenu, "returns");
}

// Open a copy of a sample, name the ground classes, reclassify inside a
// polygon, undo and redo, save, close and open again: all by menu, button and key.
TEST_F(CommandPlaces, TheClassifyFixAndSaveLoopRunsFromMenusButtonsAndKeys)
{
    REQUIRE_SAMPLES();
    std::string path = TempPath("loop.las");
    ASSERT_TRUE(CopyFileA(SamplePath("simple.las").c_str(), path.c_str(), FALSE));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    const std::vector<uint8_t> source = FileBytes(path);
    std::vector<int> shown;
    DialogDriver driver([&](HWND dialog, int templateId) {
        shown.push_back(templateId);
        PumpMessages(10);
        if (templateId == IDD_CLASSIFY_BY_CLASS) SendDlgItemMessageA(dialog, IDC_TARGET_CLASS, CB_SETCURSEL, 6, 0);
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    BoxAnswers boxes({}, IDNO);
    FileDialogAnswers files({path, path});

    ChooseMenuItem(FrameMenu, "&Open LiDAR File(s)");
    ASSERT_EQ(PlanViews().size(), 1u);
    HWND view = PlanViews()[0];
    ViewRecord* r = Record(view);
    ASSERT_TRUE(WaitForViewDraw(view, 5000));
    ChooseMenuItem(ViewMenu, "&Vivuzoz Oduri...");
    ChooseMenuItem(ViewMenu, "Classify &By Class...");
    EXPECT_EQ(shown, (std::vector<int>{IDD_SURFACE_MAGIC, IDD_CLASSIFY_BY_CLASS}));
    EXPECT_EQ(r->classSelection.targetClass, 6);

    HWND editing = (HWND)GetWindowSlot(FrameWindow, FRAME_EDIT_TOOLBAR);
    ClickButton(editing, TOOL_POLYGON);
    EXPECT_EQ(r->currentTool, TOOL_POLYGON);
    EXPECT_TRUE(SendMessageA(editing, TB_ISBUTTONCHECKED, TOOL_POLYGON, 0));
    DataSet* set = r->dataSets[0];
    const std::vector<uint8_t> before = Classes(set);
    RECT area;
    GetViewClientRect(view, &area);
    int w = area.right, h = area.bottom;
    const POINT corners[] = {{w / 5, h / 5}, {4 * w / 5, h / 4}, {3 * w / 4, 4 * h / 5}, {w / 4, 3 * h / 4}};
    for (POINT p : corners) {
        SendMessageA(view, WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
        SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    }
    SendMessageA(view, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(corners[0].x, corners[0].y));
    const std::vector<uint8_t> edited = Classes(set);
    int changed = 0;
    for (size_t i = 0; i < edited.size(); i++) changed += edited[i] != before[i];
    ASSERT_GT(changed, 0);
    EXPECT_EQ(std::count(edited.begin(), edited.end(), 6), changed + std::count(before.begin(), before.end(), 6));

    PressCtrl('Z');
    EXPECT_EQ(Classes(set), before);
    PressCtrl('Y');
    EXPECT_EQ(Classes(set), edited);
    PressCtrl('S');
    EXPECT_TRUE(boxes.shown().empty());
    ChooseMenuItem(ViewMenu, "&Close File");
    PumpMessages(20);
    EXPECT_TRUE(PlanViews().empty());

    ChooseMenuItem(FrameMenu, "&Open LiDAR File(s)");
    ASSERT_EQ(PlanViews().size(), 1u);
    EXPECT_EQ(Classes(Record(PlanViews()[0])->dataSets[0]), edited);
    // On disk only the class bits of the points changed.
    std::vector<uint8_t> saved = FileBytes(path);
    ASSERT_EQ(saved.size(), source.size());
    uint32_t first;
    uint16_t length;
    memcpy(&first, &source[96], 4);
    memcpy(&length, &source[105], 2);
    ASSERT_LT(source[104] & 0x3F, 6);   // class in the low five bits of byte 15
    for (size_t i = 0; i < source.size(); i++) {
        size_t point = (i - first) / length;
        if (i >= first && (i - first) % length == 15 && point < edited.size()) {
            EXPECT_EQ(saved[i] & 0x1F, edited[point]) << "point " << point;
            EXPECT_EQ(saved[i] & 0xE0, source[i] & 0xE0) << "point " << point;
        } else {
            ASSERT_EQ(saved[i], source[i]) << "byte " << i;
        }
    }
}

// A pick from the window list while a profile window is active is not taken
// by the view: DefFrameProc activates the chosen window.
TEST_F(CommandPlaces, TheWindowListActivatesItsPickWhileAProfileIsActive)
{
    HWND first = OpenEmptyView("first");
    HWND second = OpenEmptyView("second");
    HWND profile = AddLinked(second, "ChildProfile");
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)profile, 0);
    ASSERT_EQ(GetActiveView(), profile);
    EXPECT_EQ(FrameCommand(MAKEWPARAM(GetWindowLongPtrA(first, GWLP_ID), 0), 0), 0);
    SendMessageA(FrameWindow, WM_COMMAND, MAKEWPARAM(GetWindowLongPtrA(first, GWLP_ID), 0), 0);
    EXPECT_EQ(GetActiveView(), first);
    // The profile's own and its plan view's commands still count as handled.
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)profile, 0);
    EXPECT_EQ(FrameCommand(MAKEWPARAM(TOOL_ABOVE_LINE, 0), 0), 1);
    EXPECT_EQ(FrameCommand(MAKEWPARAM(CMD_COLOR_CLASS, 0), 0), 1);
    EXPECT_EQ(Record(second)->profileTool, TOOL_ABOVE_LINE);
}
