// The Display Settings sheet, the class editor and Point Display Settings,
// driven as a user would through their own controls.
#include "window_fixtures.h"
#include "las_test_files.h"
#include "app/class_list_view.h"
#include "app/class_table.h"
#include "app/display_settings.h"
#include "shell/display_settings_dialog.h"
#include "shell/point_display.h"
#include "shell/tin_display.h"
#include "shell/view_command.h"
#include "shell/view_window.h"
#include "base/dialogs.h"
#include "resource.h"
#include <cstring>
#include <functional>

namespace {

// Each driven dialog gets the step set for its template.
std::function<void(HWND)> onSheet, onEditor, onPointDisplay;

void Drive(HWND dialog, int templateId)
{
    if (templateId == IDD_DISPLAY_SETTINGS && onSheet) onSheet(dialog);
    else if (templateId == IDD_CLASS_EDIT && onEditor) onEditor(dialog);
    else if (templateId == IDD_POINT_DISPLAY && onPointDisplay) onPointDisplay(dialog);
    else PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

void Click(HWND dialog, int id)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

HWND Page(HWND sheet, int index)
{
    SendMessageA(sheet, PSM_SETCURSEL, index, 0);
    return (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
}

class DisplaySettingsDialogs : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        SetDialogDriver(Drive);
    }
    void TearDown() override
    {
        SetDialogDriver(nullptr);
        onSheet = onEditor = onPointDisplay = nullptr;
        ViewFixture::TearDown();
    }
    static int Send(HWND view, int id) { return ViewCommand(view, MAKEWPARAM(id, 0), 0); }
};

bool SameTable(const ClassTable& a, const ClassTable& b) { return memcmp(&a, &b, sizeof a) == 0; }

// The colour the list paints at the middle of a cell (painted off the screen:
// other tests' windows may cover it).
COLORREF CellColor(HWND list, int row, int column)
{
    RECT cell = {LVIR_BOUNDS, column, 0, 0}, client;
    SendMessageA(list, LVM_GETSUBITEMRECT, row, (LPARAM)&cell);
    GetClientRect(list, &client);
    std::vector<uint32_t> pixels;
    DrawOffscreen(client.right, client.bottom, [list](HDC dc) {
        return (int)SendMessageA(list, WM_PRINTCLIENT, (WPARAM)dc, PRF_CLIENT | PRF_ERASEBKGND);
    }, &pixels, RGB(255, 0, 255));
    return PixelAt(pixels, client.right, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
}

}  // namespace

// OK applies to the view and, when asked, to the global template, and
// redraws; the ground class stays in the TIN.
TEST_F(DisplaySettingsDialogs, SheetOkAppliesToTheViewAndTheGlobalTemplate)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    BoxAnswers boxes;   // the TIN rebuild reports that the view has no points
    r->classTable.entries[2].tinDisplay = 0;
    r->imageCacheValid = 1;
    std::string title;
    onSheet = [&](HWND sheet) {
        HWND page = Page(sheet, 0);
        SaveWindowShot(sheet, "display_settings_classes");
        SaveWindowShot(Page(sheet, 1), "display_settings_tin_page");
        SaveWindowShot(sheet, "display_settings_tin");
        page = Page(sheet, 0);
        // A list saved and loaded again: the target class goes back to 0.
        Click(page, IDC_CLASS_SAVE);
        Click(page, IDC_CLASS_LOAD);
        char text[300] = "";
        GetDlgItemTextA(page, IDC_CLASS_TITLE, text, sizeof text);
        title = text;
        Click(page, IDC_ALL_OFF);
        Click(page, IDC_APPLY_GLOBAL);
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    };
    // The TIN page's apply has a grid view shade its mesh again.
    r->meshBuilt = 1;
    r->classSelection.targetClass = 6;
    std::string list = TempDir() + "classes.csv";
    FileDialogAnswers files({list, list});
    EXPECT_EQ(Send(view, CMD_DISPLAY_SETTINGS), 1);
    EXPECT_EQ(files.calls(), 2);
    EXPECT_EQ(r->classSelection.targetClass, 0);
    EXPECT_EQ(r->meshBuilt, 0);
    EXPECT_EQ(title, r->classTable.title);
    for (int i = 0; i < r->classTable.count; i++) ASSERT_EQ(r->classTable.entries[i].display, 0) << i;
    EXPECT_EQ(r->classTable.entries[2].tinDisplay, 1);
    EXPECT_TRUE(SameTable(GlobalDisplaySettings.classTable, r->classTable));
    EXPECT_EQ(r->imageCacheValid, 0);
}

// Names longer than a class-list file holds (ASCII and Cyrillic, up to the
// 63 bytes the program takes) are written cut to 32 bytes, never inside a
// letter, and the save names each; the table keeps them whole, and the file
// loads back without a refusal. The file dialogs and the box belong to the
// sheet: owned by the frame (which the sheet, owned by the view, leaves
// enabled), they would give the input back to the frame and leave the sheet
// behind it when they close.
TEST_F(DisplaySettingsDialogs, LongNamesAreSavedCutToWhatTheListLoadsBack)
{
    HWND view = OpenEmptyView();
    ClassTable& t = Record(view)->classTable;
    const std::string names[] = {
        "Vegetation under the power line 1",                                  // 33
        "Low vegetation under the 110 kV line A12",                           // 40
        "Wire conductor (phase) of the 110 kV line north of the river A1",    // 63
        "Опоры ЛЭП 110 кВ на берегу Вятки 7",                                 // 34 letters, 57 bytes
        "Ground at the foot of the bridge",                                   // 32: whole
    };
    const std::string written[] = {
        "Vegetation under the power line ", "Low vegetation under the 110 kV ", "Wire conductor (phase) of the 11",
        "Опоры ЛЭП 110 кВ на ", "Ground at the foot of the bridge",
    };
    for (int i = 0; i < 5; i++) strcpy(t.entries[i].name, names[i].c_str());
    std::string list = TempDir() + "long names.csv";
    BoxAnswers boxes;
    ClassTable saved, loaded;
    std::vector<HWND> owners;
    HWND shownSheet = nullptr;
    onSheet = [&](HWND sheet) {
        shownSheet = sheet;
        HWND page = Page(sheet, 0);
        FileDialogAnswers files({list, list});
        Click(page, IDC_CLASS_SAVE);
        saved = t;
        Click(page, IDC_CLASS_LOAD);
        loaded = t;
        owners = files.owners();
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    };
    Send(view, CMD_DISPLAY_SETTINGS);
    ASSERT_EQ(owners.size(), 2u);
    for (HWND owner : owners) EXPECT_EQ(owner, shownSheet);
    std::string warning = Formatted(kClassNamesCutFormat, "long names.csv", 32, 32);
    for (int i = 0; i < 4; i++) warning += Formatted(kClassNameCutFormat, i, names[i].c_str(), written[i].c_str());
    warning += Formatted(kClassNamesCutCountFormat, 4, "s", 32);
    ASSERT_TRUE(ShowedOneBox(boxes, warning));
    EXPECT_EQ(boxes.shown()[0].caption, "Warning");
    EXPECT_EQ(boxes.shown()[0].owner, shownSheet);
    EXPECT_EQ(GetLastLogLine(), "[WARN] " + Formatted(kClassNamesCutCountFormat, 4, "s", 32).substr(1));
    for (int i = 0; i < 5; i++) EXPECT_EQ(saved.entries[i].name, names[i]) << i;   // the table keeps them
    Bytes file = ReadBytes(list);
    std::string text(file.begin(), file.end());
    for (int i = 0; i < 5; i++) {
        const ClassEntry& e = saved.entries[i];
        std::string line = Formatted("%d,%s,%d,%d,%d\r\n", i, written[i].c_str(), (int)GetRValue(e.mainColor),
                                   (int)GetGValue(e.mainColor), (int)GetBValue(e.mainColor));
        EXPECT_NE(text.find(line), std::string::npos) << line;
        EXPECT_EQ(loaded.entries[i].name, written[i]) << i;
    }
    EXPECT_EQ(loaded.count, 256);
}

// A refused list leaves the fault, with its line, on the status line, not the
// format help the box ends with; the box is as it was.
TEST_F(DisplaySettingsDialogs, ARefusedListShowsItsFaultOnTheStatusLine)
{
    HWND view = OpenEmptyView();
    const std::string name33 = "Vegetation under the power line 1", cyrillic34 = "Опоры ЛЭП 110 кВ на берегу Вятки 7";
    const struct {
        std::string text;
        int line;
        std::string error;
    } cases[] = {
        {"0,a,1,1,1\n1," + name33 + ",1,1,1\n", 2, "Name exceeds 32 characters (" + name33 + ")"},
        {"0,a,1,1,1\n1," + cyrillic34 + ",1,1,1\n", 2, "Name exceeds 32 characters (" + cyrillic34 + ")"},
        {"256,a,1,1,1\n1,b,1,1,1\n", 1, "Code out of range (256)"},
        {"0,a,1,1,1\n1,b,300,1,1\n", 2, "Red out of range (300)"},
    };
    for (const auto& c : cases) {
        const std::string fault = Formatted(kClassLineFaultFormat, c.line, c.error.c_str());
        std::string list = WriteTempFile("refused.csv", c.text);
        BoxAnswers boxes;
        HWND shownSheet = nullptr;
        onSheet = [&](HWND sheet) {
            shownSheet = sheet;
            FileDialogAnswers files({list});
            Click(Page(sheet, 0), IDC_CLASS_LOAD);
            SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        };
        Send(view, CMD_DISPLAY_SETTINGS);
        ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kClassListReadErrorFormat, "refused.csv", fault.c_str()))) << fault;
        EXPECT_EQ(boxes.shown()[0].owner, shownSheet);
        EXPECT_EQ(StatusText(view, 5), "[ERROR] " + fault);
    }
}

// Cancel after adding, deleting and moving the TIN light puts back exactly
// what was in force, in the view and in the global template.
TEST_F(DisplaySettingsDialogs, SheetCancelRestoresExactly)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    ClassTable before = r->classTable;
    DisplaySettings global = GlobalDisplaySettings;
    int azimuth = r->lightAzimuth;
    onEditor = [](HWND editor) {
        SetDlgItemTextA(editor, IDC_EDIT_NAME, "Added");
        Click(editor, IDOK);
    };
    onSheet = [&](HWND sheet) {
        HWND page = Page(sheet, 0);
        SelectClassRow(page, 5);
        Click(page, IDC_CLASS_DELETE);
        Click(page, IDC_CLASS_ADD);
        Click(page, IDC_APPLY_GLOBAL);
        HWND tin = Page(sheet, 1);
        SendMessageA(tin, WM_HSCROLL, SB_PAGERIGHT, (LPARAM)GetDlgItem(tin, IDC_TIN_AZIMUTH));
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    };
    Send(view, CMD_DISPLAY_SETTINGS);
    EXPECT_TRUE(SameTable(r->classTable, before));
    EXPECT_EQ(r->lightAzimuth, azimuth);
    EXPECT_EQ(memcmp(&GlobalDisplaySettings, &global, sizeof global), 0);
}

// The page's Delete lowers the count to one past the highest used code; the
// editor adds a class at the first free code, refuses an empty name and cuts
// a long one to the field.
TEST_F(DisplaySettingsDialogs, ClassEditorNewAndEditPaths)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    ClassTable& t = r->classTable;
    BoxAnswers boxes;
    int tries = 0, edits = 0;
    onEditor = [&](HWND editor) {
        char caption[64] = "";
        GetWindowTextA(editor, caption, sizeof caption);
        SaveWindowShot(editor, tries == 0 ? "class_new" : "class_edit");
        if (strcmp(caption, "Create New Class") == 0 && tries++ == 0) {
            Click(editor, IDOK);   // empty name: refused, the dialog stays
            EXPECT_TRUE(IsWindow(editor));
            SetDlgItemTextA(editor, IDC_EDIT_NAME, std::string(300, 'n').c_str());
            Click(editor, IDOK);
        } else if (strcmp(caption, "Edit Class") == 0 && edits++ == 0) {
            char name[100] = "";
            GetDlgItemTextA(editor, IDC_EDIT_NAME, name, sizeof name);
            EXPECT_STREQ(name, "Ground");
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(editor, IDC_EDIT_CODE)));
            SetDlgItemTextA(editor, IDC_EDIT_NAME, "Bare ground");
            Click(editor, IDOK);
        } else {
            Click(editor, IDCANCEL);
        }
    };
    for (int c = 10; c < 256; c++) strcpy(t.entries[c].name, "<EMPTY>");
    t.count = 10;
    // The view's first draw ends before the sheet opens, not inside its loops.
    ASSERT_TRUE(WaitUntil([&] { return !IsViewJobBusy(view); }, 10000)) << "the view's first draw did not end";
    onSheet = [&](HWND sheet) {
        HWND page = Page(sheet, 0);
        SelectClassRow(page, 9);
        Click(page, IDC_CLASS_DELETE);
        EXPECT_EQ(t.count, 9);
        SelectClassRow(page, 7);
        Click(page, IDC_CLASS_DELETE);
        EXPECT_EQ(t.count, 9);   // code 8 is still used
        Click(page, IDC_CLASS_ADD);
        SelectClassRow(page, 2);
        Click(page, IDC_CLASS_EDIT);
        // Editing and cancelling still shows a class the user had switched
        // off, in its box too (OK takes the boxes into the table).
        ListView_SetCheckState(GetDlgItem(page, IDC_CLASS_LIST), 3, FALSE);
        SelectClassRow(page, 3);
        Click(page, IDC_CLASS_EDIT);
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    };
    Send(view, CMD_DISPLAY_SETTINGS);
    ASSERT_TRUE(ShowedOneBox(boxes, kClassNameEmptyText));
    EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
    // Owned by the class editor: a box of the frame would hand the frame the
    // focus when it closes, and the sheet would fall behind it.
    EXPECT_NE(boxes.shown()[0].owner, FrameWindow);
    EXPECT_NE(boxes.shown()[0].owner, nullptr);
    EXPECT_EQ(t.entries[7].name, std::string(sizeof t.entries[7].name - 1, 'n'));   // cut and terminated
    EXPECT_EQ(t.entries[7].display, 1);
    EXPECT_STREQ(t.entries[2].name, "Bare ground");
    EXPECT_EQ(t.entries[3].display, 1);
    EXPECT_EQ(t.count, 9);
}

// The class editor takes no more than a class holds, 63 bytes, where the
// edit's own limit counts characters: 40 Cyrillic letters pasted keep the 31
// that fit, a letter typed into the full field does not appear, of two typed
// in the middle the digit that fits stays, the caret after it; OK keeps what
// the field shows, nothing cut unseen.
TEST_F(DisplaySettingsDialogs, TheClassEditorTakesNoMoreThanAClassHolds)
{
    HWND view = OpenEmptyView();
    std::string letters40, shown;
    for (int i = 0; i < 40; i++) letters40 += std::string(kRussianUTF8 + 2 * (i % 6), 2);
    onEditor = [&](HWND editor) {
        HWND edit = GetDlgItem(editor, IDC_EDIT_NAME);
        auto text = [edit] {
            char name[300] = "";
            GetWindowTextA(edit, name, sizeof name);
            return std::string(name);
        };
        SetWindowTextA(edit, letters40.c_str());
        EXPECT_EQ(text(), letters40.substr(0, 62));
        SendMessageA(edit, EM_SETSEL, 10, 10);
        SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM)"Ж");
        EXPECT_EQ(text(), letters40.substr(0, 62));
        SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM)"7Ж");
        EXPECT_EQ(text(), letters40.substr(0, 20) + "7" + letters40.substr(20, 42));
        DWORD caret = 0;
        SendMessageA(edit, EM_GETSEL, (WPARAM)&caret, 0);
        EXPECT_EQ(caret, 11u);
        shown = text();
        Click(editor, IDOK);
    };
    onSheet = [&](HWND sheet) {
        HWND page = Page(sheet, 0);
        SelectClassRow(page, 2);
        Click(page, IDC_CLASS_EDIT);
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    };
    Send(view, CMD_DISPLAY_SETTINGS);
    EXPECT_EQ(Record(view)->classTable.entries[2].name, shown);
    EXPECT_EQ(shown.size(), 63u);
}

// The list's check boxes are the display switches and its colour cells are
// painted in the class colours.
TEST_F(DisplaySettingsDialogs, ListChecksAndSwatchesFollowTheClassTable)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    r->classTable.count = 12;
    r->classTable.entries[4].display = 0;
    r->classTable.entries[6].mainColor = RGB(1, 2, 3);
    r->classTable.entries[6].profileColor = RGB(4, 5, 6);
    r->pointColorMode = CMD_COLOR_RGB;
    onPointDisplay = [&](HWND dialog) {
        SaveWindowShot(dialog, "point_display");
        HWND list = GetDlgItem(dialog, IDC_CLASS_LIST);
        EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 12);
        for (int i = 0; i < 12; i++) EXPECT_EQ(ListView_GetCheckState(list, i) != 0, i != 4) << i;
        char text[64] = "";
        ListView_GetItemText(list, 6, 3, text, sizeof text);
        EXPECT_STREQ(text, (std::string("   6 - ") + r->classTable.entries[6].name).c_str());
        NMLVCUSTOMDRAW draw = {};
        draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
        draw.nmcd.dwItemSpec = 6;
        draw.iSubItem = 1;
        EXPECT_EQ(DrawClassListColors(&draw, &r->classTable), (LRESULT)CDRF_NEWFONT);
        EXPECT_EQ(draw.clrTextBk, RGB(1, 2, 3));
        draw.iSubItem = 2;
        DrawClassListColors(&draw, &r->classTable);
        EXPECT_EQ(draw.clrTextBk, RGB(4, 5, 6));
        draw.iSubItem = 3;
        DrawClassListColors(&draw, &r->classTable);
        EXPECT_EQ(draw.clrTextBk, RGB(255, 255, 255));
        // As painted: row 0, and the selected row.
        EXPECT_EQ(CellColor(list, 0, 1), r->classTable.entries[0].mainColor);
        SetFocus(list);
        SelectClassRow(dialog, 6);
        EXPECT_EQ(CellColor(list, 6, 1), RGB(1, 2, 3));
        EXPECT_EQ(CellColor(list, 6, 2), RGB(4, 5, 6));
        // Bare Earth, a new colour mode, Apply, then Cancel.
        Click(dialog, IDC_BARE_EARTH);
        for (int i = 0; i < 12; i++) EXPECT_EQ(ListView_GetCheckState(list, i) != 0, i == 2 || i == 8) << i;
        SendDlgItemMessageA(dialog, IDC_COLOR_COMBO, CB_SETCURSEL, 2, 0);
        Click(dialog, IDC_APPLY);
        EXPECT_EQ(r->pointColorMode, CMD_COLOR_CLASS);
        Click(dialog, IDCANCEL);
    };
    Send(view, CMD_POINT_SETTINGS);
    EXPECT_EQ(r->pointColorMode, CMD_COLOR_RGB);
    EXPECT_EQ(r->classTable.entries[4].display, 0);
    EXPECT_EQ(r->classTable.entries[9].display, 1);
}

// The popup shows the view's return switches and its choice changes them.
TEST_F(DisplaySettingsDialogs, ReturnsPopupChangesTheReturnFilter)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    r->showFirstReturns = 0;
    // The popup shows the switches as they are; "First of Many Returns" is chosen.
    struct Choose {
        static int First(HMENU shown)
        {
            EXPECT_FALSE(GetMenuState(shown, CMD_SHOW_FIRST_RETURNS, MF_BYCOMMAND) & MF_CHECKED);
            EXPECT_TRUE(GetMenuState(shown, CMD_SHOW_LAST_RETURNS, MF_BYCOMMAND) & MF_CHECKED);
            return CMD_SHOW_FIRST_RETURNS;
        }
    };
    SetPopupMenuHook(Choose::First);
    Send(view, CMD_RETURNS_POPUP);
    SetPopupMenuHook(nullptr);
    EXPECT_EQ(r->showFirstReturns, 1);
    EXPECT_EQ(r->showSingleReturns, 1);
    EXPECT_TRUE(GetMenuState(ViewMenu, CMD_SHOW_FIRST_RETURNS, MF_BYCOMMAND) & MF_CHECKED);
}
