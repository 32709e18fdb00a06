#include "window_fixtures.h"
#include "app/command_ids.h"
#include "shell/frame_command.h"
#include "shell/frame.h"
#include "shell/view_window.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/dialogs.h"
#include "base/messages.h"

namespace {

WNDPROC childProc;
std::vector<UINT> commandsSeen;

LRESULT CALLBACK WatchCommands(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) commandsSeen.push_back(LOWORD(wParam));
    return CallWindowProcA(childProc, hwnd, message, wParam, lParam);
}

std::vector<int> driven;

void CancelAnyDialog(HWND dialog, int templateId)
{
    driven.push_back(templateId);
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

class FrameCommandTest : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        StartFrame();
        commandsSeen.clear();
        driven.clear();
    }
    void TearDown() override
    {
        if (IsWorkerBusy()) ReleaseWorker();
        FrameFixture::TearDown();
    }
    // A plan view whose WM_COMMAND messages are recorded.
    HWND WatchedView()
    {
        ViewRecord* record = CreateViewRecord();
        strcpy(record->title, "watched");
        HWND view = CreateViewWindow(record);
        childProc = (WNDPROC)SetWindowLongPtrA(view, GWLP_WNDPROC, (LONG_PTR)WatchCommands);
        return view;
    }
};

}  // namespace

TEST_F(FrameCommandTest, ABusyWorkerRefusesOpeningSavingAndViewCommands)
{
    HWND view = WatchedView();
    ASSERT_TRUE(AcquireWorker());
    {
        FileDialogAnswers answers({});
        EXPECT_EQ(FrameCommand(CMD_OPEN_FILES, 0), 1);
        EXPECT_EQ(FrameCommand(CMD_SAVE_LAS_AS, 0), 1);
        EXPECT_EQ(FrameCommand(CMD_PANELIZE_ALL, 0), 1);
        EXPECT_EQ(FrameCommand(CMD_PANELIZE_ACTIVE, 0), 1);
        // A colour mode goes nowhere, so DefFrameProc gets it.
        EXPECT_EQ(FrameCommand(CMD_COLOR_ELEVATION, 0), 0);
        EXPECT_EQ(answers.calls(), 0);
        EXPECT_TRUE(commandsSeen.empty());
        // Window arrangement stays available.
        EXPECT_EQ(FrameCommand(CMD_CASCADE, 0), 1);
        EXPECT_EQ(FrameCommand(CMD_TILE_HORIZONTAL, 0), 1);
    }
    ReleaseWorker();
    FileDialogAnswers answers({""});
    EXPECT_EQ(FrameCommand(CMD_OPEN_FILES, 0), 1);
    EXPECT_EQ(answers.calls(), 1);
    EXPECT_EQ(FrameCommand(MAKEWPARAM(CMD_SAVE_LAS_AS, 0), 5), 1);
    ASSERT_EQ(commandsSeen.size(), 1u);
    EXPECT_EQ(commandsSeen[0], 9010u);
    (void)view;
}

TEST_F(FrameCommandTest, CommandsThatNeedAViewDoNothingWithoutOne)
{
    BoxAnswers boxes;
    EXPECT_EQ(FrameCommand(CMD_CANCEL, 0), 1);
    EXPECT_EQ(FrameCommand(CMD_REFRESH, 0), 1);
    EXPECT_EQ(FrameCommand(CMD_SAVE_LAS, 0), 1);
    EXPECT_EQ(FrameCommand(CMD_NEW_TIN, 0), 1);
    EXPECT_EQ(FrameCommand(CMD_RECENT_1, 0), 1);   // an empty recent entry
    // Window-list ids and unknown ids go on to DefFrameProc.
    EXPECT_EQ(FrameCommand(1, 0), 0);
    EXPECT_EQ(FrameCommand(9002, 0), 0);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(FrameCommandTest, CancelledColourChoiceKeepsTheBackground)
{
    ViewBackgroundColor = RGB(1, 2, 3);
    SetDialogDriver(CancelAnyDialog);
    EXPECT_EQ(FrameCommand(CMD_BACKGROUND_COLOR, 0), 1);
    SetDialogDriver(nullptr);
    ASSERT_EQ(driven.size(), 1u);
    EXPECT_EQ(driven[0], DIALOG_CHOOSECOLOR);
    EXPECT_EQ(ViewBackgroundColor, RGB(1, 2, 3));
}

TEST_F(FrameCommandTest, SettingsAndConfigurationCommandsReachTheirDialogs)
{
    SetDialogDriver(CancelAnyDialog);
    EXPECT_EQ(FrameCommand(CMD_CONFIG_SETTINGS, 0), 1);
    EXPECT_EQ(FrameCommand(CMD_DECIMATION_VALUE, 0), 1);
    SetDialogDriver(nullptr);
    ASSERT_EQ(driven.size(), 2u);
    EXPECT_EQ(driven[0], 331);
    EXPECT_EQ(driven[1], 221);

    FileDialogAnswers answers({"", ""});
    EXPECT_EQ(FrameCommand(CMD_LOAD_CONFIG, 0), 1);
    EXPECT_EQ(FrameCommand(CMD_SAVE_CONFIG_AS, 0), 1);
    ASSERT_EQ(answers.calls(), 2);
    EXPECT_EQ(answers.captions()[0], "Load VelkaViewer Config");
    EXPECT_EQ(answers.captions()[1], "Save VelkaViewer Config");
}
