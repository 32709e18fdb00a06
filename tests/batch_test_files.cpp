#include "batch_test_files.h"
#include "base/code_pages.h"
#include "base/file_system.h"
#include "base/path_label.h"
#include "gis/project/batch_dialogs.h"
#include <commctrl.h>
#include <cstring>

BatchScenario* scenario = nullptr;
HWND runningDialog = nullptr;

int ClassOnlyDifferences(const std::string& source, const std::string& saved)
{
    if (source.size() != saved.size() || source.size() < 227) return -1;
    uint32_t offset;
    uint16_t length;
    memcpy(&offset, &source[96], 4);
    memcpy(&length, &source[94 + 11], 2);
    int changed = 0;
    for (size_t i = 0; i < source.size(); i++) {
        if (source[i] == saved[i]) continue;
        bool classByte = i >= offset && (i - offset) % length == 15;
        if (!classByte || ((source[i] ^ saved[i]) & 0xE0)) return -1;
        changed++;
    }
    return changed;
}

bool Logged(const char* start)
{
    for (const std::string& l : KeptLog())
        if (l.rfind(start, 0) == 0) return true;
    return false;
}

std::string WindowText(HWND dialog, int id)
{
    char text[700];
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

std::string ControlTipText(HWND dialog, int id)
{
    HWND label = GetDlgItem(dialog, id);
    return ToolTipText(PathLabelTip(label), dialog, (UINT_PTR)label);
}

static int AnswerOutputFolder(char* path, const char*)
{
    snprintf(path, MAX_PATH, "%s", scenario->outputFolder.c_str());
    return 1;
}

void DriveBatch(HWND dialog, int templateId)
{
    if (templateId == IDD_NOUNITS) {
        scenario->noUnitsShown++;
        SendMessageA(dialog, WM_COMMAND, scenario->unitsAnswer, 0);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        return;
    }
    if (templateId == IDD_THINNING_SETUP) {
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        return;
    }
    std::string answer = scenario->folder;
    answer.pop_back();
    for (const std::string& n : scenario->names) answer += "|" + n;
    {
        FileDialogAnswers files({ answer });
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_MODE_FILES, 0);   // the dialog opens in project mode
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_ADD, 0);
    }
    if (!scenario->outputFolder.empty()) {
        CheckDlgButton(dialog, IDC_BATCH_OUTPUT_CHECK, BST_CHECKED);
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_OUTPUT_CHECK, 0);
        SetFolderDialogHook(AnswerOutputFolder);
        SendMessageA(dialog, WM_COMMAND, IDC_BATCH_SET_DIRECTORY, 0);
        SetFolderDialogHook(nullptr);
        scenario->outputShown = WindowText(dialog, IDC_BATCH_OUTPUT_TEXT);
        scenario->outputTip = ControlTipText(dialog, IDC_BATCH_OUTPUT_TEXT);
    }
    KeptLog().clear();
    runningDialog = dialog;
    SendMessageA(dialog, WM_COMMAND, IDC_BATCH_START, 0);
    if (scenario->whileRunning) scenario->whileRunning(dialog);
    EXPECT_TRUE(PumpUntil([] { return Logged("[BATCH]"); }, 120000)) << "the batch did not end";
    HWND list = GetDlgItem(dialog, IDC_BATCH_LIST);
    int rows = (int)SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (int r = 0; r < rows; r++) {
        char text[1024];
        SendMessageA(list, LB_GETTEXT, r, (LPARAM)text);
        scenario->rows.push_back(text);
    }
    scenario->notice = WindowText(dialog, IDC_BATCH_CURRENT);
    scenario->startEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_BATCH_START)) != 0;
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_BATCH_STOP)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_BATCH_PAUSE)));
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
}

std::string Notice(const char* name, const char* how, int ok, int failed, int stopped)
{
    char text[200];
    snprintf(text, sizeof text, kBatchEndFormat, name, how, ok, failed, stopped);
    return text;
}
