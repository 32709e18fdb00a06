// Decimation settings, and the decimation and no-units dialogs of the loaders.
#include "data/decimation.h"
#include "resource.h"
#include "base/shell_hooks.h"
#include "base/dialogs.h"
#include "base/memory_estimate.h"
#include "base/messages.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

int decimationEnabled = 0;
int decimationStep = 10;
int decimationPrompt = 1;

void FormatThousands(long long value, char* out, int size)
{
    char digits[32];
    snprintf(digits, sizeof digits, "%lld", value < 0 ? -value : value);
    char grouped[48];
    int n = 0, len = (int)strlen(digits);
    if (value < 0) grouped[n++] = '-';
    for (int i = 0; i < len; i++) {
        if (i > 0 && (len - i) % 3 == 0) grouped[n++] = ',';
        grouped[n++] = digits[i];
    }
    grouped[n] = 0;
    snprintf(out, size, "%s", grouped);
}

static void EnableStepControls(HWND dialog, int enabled)
{
    EnableWindow(GetDlgItem(dialog, IDC_DECIMATE_STEP), enabled);
    EnableWindow(GetDlgItem(dialog, IDC_DECIMATE_PROMPT), enabled);
}

INT_PTR CALLBACK PointDecimationDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    static int enabledCopy;
    switch (message) {
    case WM_INITDIALOG: {
        enabledCopy = decimationEnabled;
        long long total = (long long)lParam;
        if (total != 0) {
            char number[32], line[64];
            FormatThousands(total, number, sizeof number);
            snprintf(line, sizeof line, "Total:  %s", number);
            SetDlgItemTextA(dialog, IDC_DECIMATE_INFO, line);
        }
        char step[16];
        snprintf(step, sizeof step, "%d", decimationStep);
        SetDlgItemTextA(dialog, IDC_DECIMATE_STEP, step);
        CheckDlgButton(dialog, IDC_DECIMATE_PROMPT, decimationPrompt ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dialog, IDC_DECIMATE_ENABLE, enabledCopy ? BST_CHECKED : BST_UNCHECKED);
        EnableStepControls(dialog, enabledCopy);
        CenterOnFrame(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_DECIMATE_ENABLE:
            enabledCopy = !enabledCopy;
            EnableStepControls(dialog, enabledCopy);
            return TRUE;
        case IDOK: {
            char text[255];
            GetDlgItemTextA(dialog, IDC_DECIMATE_STEP, text, sizeof text);
            int step = atoi(text);
            // Refuse before writing anything, so a refused OK changes no setting.
            if (enabledCopy && step <= 1) {
                ShowMessageBox(MessageOwner(), "Decimation value should be greater than 1", "ERROR",
                               MB_OK | MB_ICONERROR);
                return TRUE;
            }
            decimationEnabled = enabledCopy;
            decimationPrompt = IsDlgButtonChecked(dialog, IDC_DECIMATE_PROMPT) == BST_CHECKED ? 1 : 0;
            decimationStep = step;
            return EndDialogWith(dialog, 1);
        }
        case IDCANCEL:
            return EndDialogWith(dialog, 0);
        }
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK NoUnitsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    static const int unitCodes[] = { 1, 3 };   // metres, feet
    static int choice;
    switch (message) {
    case WM_INITDIALOG:
        choice = 1;
        CheckRadioButton(dialog, IDC_UNITS_METERS, IDC_UNITS_FEET, IDC_UNITS_METERS);
        SetDlgItemTextA(dialog, IDC_NOUNITS_FILE, (const char*)lParam);
        CenterOnFrame(dialog);
        return TRUE;
    case WM_COMMAND:
        if (RadioChoiceCommand(dialog, LOWORD(wParam), IDC_UNITS_METERS, IDC_UNITS_FEET, unitCodes, &choice)) return TRUE;
        break;
    }
    return FALSE;
}

uint32_t AskMemoryDecimationStep(uint64_t count, const char* title)
{
    uint32_t s = MemoryPartsNeeded(count > 0xFFFFFFFFull ? 0xFFFFFFFFu : (uint32_t)count);
    char message[600];
    if (s == 0) {
        snprintf(message, sizeof message, "Not enough memory available to load:\n%s", title);
        ErrorMessage(message);
        return 0;
    }
    if (s >= 2) {
        snprintf(message, sizeof message,
                 "Not enough memory available to load:\n\n%s\n\nWould you like to load a decimated data set?", title);
        if (ShowMessageBox(MessageOwner(), message, "Warning", MB_YESNO | MB_ICONWARNING) != IDYES) return 0;
    }
    return s;
}
