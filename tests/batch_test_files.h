// The batch dialogs driven as a user would: a scenario of files in one folder,
// the driver that adds them, starts the run and waits for its end, and the
// comparison of a classified file with its source.
#pragma once
#include "test_support.h"
#include "resource.h"
#include <functional>
#include <string>
#include <vector>

// How many records' classes differ; -1 when any other byte differs.
int ClassOnlyDifferences(const std::string& source, const std::string& saved);

struct BatchScenario {
    std::string folder;                   // Win32, ends in a backslash
    std::vector<std::string> names;
    std::string outputFolder;             // when set, chosen as the folder the files are sent to
    std::function<void(HWND)> whileRunning;
    int unitsAnswer = IDC_UNITS_METERS;
    int noUnitsShown = 0;
    std::vector<std::string> rows;        // the list when the run ended
    std::string notice;
    std::string outputShown;              // the output folder as the dialog showed it
    std::string outputTip;                // and as its tip held it
    bool startEnabled = false;            // Start when the run ended
};
// The scenario DriveBatch plays, and the dialog it runs.
extern BatchScenario* scenario;
extern HWND runningDialog;

// A dialog driver (SetDialogDriver) for the batch dialogs in "Batch Files"
// mode: adds the scenario's files, chooses its output folder, starts, waits
// for the run's end and closes the dialog, keeping what it showed.
void DriveBatch(HWND dialog, int templateId);
// True when a kept log line (KeptLog) starts with `start`.
bool Logged(const char* start);
std::string WindowText(HWND dialog, int id);
// The text of the tip of control `id` (read whole by the W message).
std::string ControlTipText(HWND dialog, int id);
// The batch dialog's closing notice, in the product's own words.
std::string Notice(const char* name, const char* how, int ok, int failed, int stopped);
