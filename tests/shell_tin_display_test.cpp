// The TIN display dialogs: the scroll bars' ranges and steps, the class
// switches and the one-time warning when every class goes into the TIN.
#include "window_fixtures.h"
#include "shell/tin_display.h"
#include "shell/view_command.h"
#include "base/messages.h"
#include "resource.h"
#include <cstring>
#include <functional>

namespace {

std::function<void(HWND)> onTIN;

void Drive(HWND dialog, int templateId)
{
    if ((templateId == IDD_TIN_CLASS_DISPLAY || templateId == IDD_TIN_DISPLAY) && onTIN) onTIN(dialog);
    else PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

void Scroll(HWND dialog, int id, int code, int thumb = 0)
{
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(code, thumb), (LPARAM)GetDlgItem(dialog, id));
}

std::string Text(HWND dialog, int id)
{
    char text[32] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

class TINDisplayDialogs : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        SetDialogDriver(Drive);
        AllClassesWarningShown = false;
    }
    void TearDown() override
    {
        SetDialogDriver(nullptr);
        onTIN = nullptr;
        ViewFixture::TearDown();
        SetMessageBoxHook(nullptr);   // the views drew (and reported) until they closed
    }
    static int Send(HWND view, int id) { return ViewCommand(view, MAKEWPARAM(id, 0), 0); }
};

}  // namespace

TEST_F(TINDisplayDialogs, ScrollBarsClampAndCancelRestores)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    r->lightAzimuth = 355;
    r->lightElevation = 3;
    r->zExaggeration = 2.0f;
    onTIN = [&](HWND dialog) {
        SaveWindowShot(dialog, "tin_class_display");
        EXPECT_EQ(Text(dialog, IDC_TIN_EXAGG_TEXT), "2.0");
        Scroll(dialog, IDC_TIN_EXAGGERATION, SB_THUMBPOSITION, 1);
        EXPECT_FLOAT_EQ(r->zExaggeration, 0.5f);
        Scroll(dialog, IDC_TIN_EXAGGERATION, SB_THUMBTRACK, 20);
        EXPECT_FLOAT_EQ(r->zExaggeration, 10.0f);
        Scroll(dialog, IDC_TIN_EXAGGERATION, SB_LINERIGHT);
        EXPECT_FLOAT_EQ(r->zExaggeration, 10.0f);
        EXPECT_EQ(Text(dialog, IDC_TIN_EXAGG_TEXT), "10.0");
        Scroll(dialog, IDC_TIN_AZIMUTH, SB_PAGERIGHT);
        EXPECT_EQ(r->lightAzimuth, 359);
        Scroll(dialog, IDC_TIN_ELEVATION, SB_PAGELEFT);
        EXPECT_EQ(r->lightElevation, 0);
        Scroll(dialog, IDC_TIN_ELEVATION, SB_ENDSCROLL);
        EXPECT_EQ(r->lightElevation, 0);
        EXPECT_EQ(Text(dialog, IDC_TIN_AZIMUTH_TEXT), "359");
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    Send(view, CMD_TIN_CLASS_DISPLAY);
    EXPECT_EQ(r->lightAzimuth, 355);
    EXPECT_EQ(r->lightElevation, 3);
    EXPECT_FLOAT_EQ(r->zExaggeration, 2.0f);
}

namespace {
// Answers the contour warning No and every other box (the TIN build's
// reports while the view draws) OK; counts the warnings.
int warnings;
int AnswerWarningNo(HWND, const char* text, const char*, UINT type)
{
    if (strcmp(text, kAllClassesContourWarning) != 0) return IDOK;
    warnings++;
    EXPECT_EQ(type, (UINT)(MB_YESNO | MB_ICONWARNING));
    return IDNO;
}
}  // namespace

// Every class into the TIN with contours shown: asked once a run; No keeps
// the switches as they were before OK and the dialog open.
TEST_F(TINDisplayDialogs, AllClassesWithContoursWarnOnce)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    r->classTable.count = 10;
    r->overlayContours = 1;
    warnings = 0;
    SetMessageBoxHook(AnswerWarningNo);
    bool stayed = false;
    onTIN = [&](HWND dialog) {
        SendMessageA(dialog, WM_COMMAND, IDC_ALL_ON, 0);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        stayed = IsWindow(dialog) != 0;
        SendMessageA(dialog, WM_COMMAND, IDC_ALL_OFF, 0);
        SendMessageA(dialog, WM_COMMAND, IDC_BARE_EARTH, 0);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    };
    Send(view, CMD_TIN_CLASS_DISPLAY);
    EXPECT_EQ(warnings, 1);
    EXPECT_TRUE(stayed);
    for (int i = 0; i < 10; i++) EXPECT_EQ(r->classTable.entries[i].tinDisplay, i == 2 || i == 8 ? 1 : 0) << i;

    // The second time no question.
    onTIN = [&](HWND dialog) {
        SendMessageA(dialog, WM_COMMAND, IDC_ALL_ON, 0);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    };
    Send(view, CMD_TIN_CLASS_DISPLAY);
    EXPECT_EQ(warnings, 1);
    for (int i = 0; i < 10; i++) EXPECT_EQ(r->classTable.entries[i].tinDisplay, 1) << i;
}

// The stand-alone "TIN Display": its close box keeps the settings, Escape
// puts them back.
TEST_F(TINDisplayDialogs, StandAloneDialogClosesKeepingAndEscapesRestoring)
{
    HWND view = OpenEmptyView();
    ViewRecord* r = Record(view);
    r->tinColorMode = 0;
    int elevation = r->lightElevation;
    onTIN = [&](HWND dialog) {
        SaveWindowShot(dialog, "tin_display");
        SendDlgItemMessageA(dialog, IDC_COLOR_COMBO, CB_SETCURSEL, 2, 0);
        Scroll(dialog, IDC_TIN_ELEVATION, SB_LINERIGHT);
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    };
    Send(view, CMD_TIN_DISPLAY);
    EXPECT_EQ(r->tinColorMode, 2);
    EXPECT_EQ(r->lightElevation, elevation + 1);
    onTIN = [&](HWND dialog) {
        Scroll(dialog, IDC_TIN_ELEVATION, SB_LINERIGHT);
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    Send(view, CMD_TIN_DISPLAY);
    EXPECT_EQ(r->lightElevation, elevation + 1);
}
