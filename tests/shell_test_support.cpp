#include "shell_test_support.h"
#include "app/startup.h"
#include "app/display_settings.h"
#include "app/frame.h"
#include "app/registry.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/file_dialog.h"
#include <cstring>

const char kTestRegistryKey[] = "Software\\VelkaDunmarroInc\\VelkaViewerTest";

static std::vector<std::string> dialogAnswers;
static std::vector<std::string> dialogCaptions;
static int dialogCalls;

static int AnswerFileDialog(OPENFILENAMEA* ofn, int)
{
    dialogCalls++;
    dialogCaptions.push_back(ofn->lpstrTitle ? ofn->lpstrTitle : "");
    if (dialogAnswers.empty()) return 0;
    std::string answer = dialogAnswers.front();
    dialogAnswers.erase(dialogAnswers.begin());
    if (answer.empty()) return 0;
    memset(ofn->lpstrFile, 0, ofn->nMaxFile);
    if (answer.find('|') != std::string::npos) {
        // Folder and names: '|' becomes the terminator between them.
        for (char& c : answer)
            if (c == '|') c = 0;
        memcpy(ofn->lpstrFile, answer.data(), answer.size());
        if (ofn->lpstrFileTitle) ofn->lpstrFileTitle[0] = 0;
    } else {
        snprintf(ofn->lpstrFile, ofn->nMaxFile, "%s", answer.c_str());
        const char* name = strrchr(answer.c_str(), '\\');
        if (ofn->lpstrFileTitle)
            snprintf(ofn->lpstrFileTitle, ofn->nMaxFileTitle, "%s", name ? name + 1 : answer.c_str());
    }
    return 1;
}

FileDialogAnswers::FileDialogAnswers(std::vector<std::string> answers)
{
    dialogAnswers = answers;
    dialogCaptions.clear();
    dialogCalls = 0;
    SetFileDialogHook(AnswerFileDialog);
}

FileDialogAnswers::~FileDialogAnswers() { SetFileDialogHook(nullptr); }
int FileDialogAnswers::calls() const { return dialogCalls; }
const std::vector<std::string>& FileDialogAnswers::captions() const { return dialogCaptions; }

void ShellTest::ClearTestKey() { RegDeleteTreeA(HKEY_CURRENT_USER, kTestRegistryKey); }

void ShellTest::SetUp()
{
    SetRegistryKeyPath(kTestRegistryKey);
    ClearTestKey();
    SetDefaultDisplaySettings();
}

void ShellTest::StartFrame(const char* commandLine)
{
    ASSERT_NE(InitInstance(commandLine), nullptr);
    PumpMessages(20);
}

static int CollectView(HWND child, void* context)
{
    ViewRecord* record = (ViewRecord*)GetWindowSlot(child, CHILD_RECORD);
    if (record && record->window == child) ((std::vector<HWND>*)context)->push_back(child);
    return 1;
}

std::vector<HWND> ShellTest::PlanViews() const
{
    std::vector<HWND> views;
    VisitMDIChildren(CollectView, &views);
    return views;
}

void ShellTest::StopFrame()
{
    if (FrameWindow && IsWindow(FrameWindow)) {
        for (HWND view : PlanViews()) SendMessageA(MDIClientWindow, WM_MDIDESTROY, (WPARAM)view, 0);
        DestroyWindow(FrameWindow);
        PumpMessages(10);
    }
    FrameWindow = nullptr;
    MDIClientWindow = nullptr;
}

void ShellTest::TearDown()
{
    StopFrame();
    ClearTestKey();
    SetRegistryKeyPath(nullptr);
    SetDefaultDisplaySettings();
}
