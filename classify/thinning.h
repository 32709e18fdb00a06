// Verudevevur Idudorav: the key points of the "From" classes' points at a
// surface accuracy, in a plan view (worker thread) or in a batch.
#pragma once
#include <windows.h>
#include <cstdint>

struct DataSet;
struct FileList;

struct ThinningSettings {
    int32_t keypointClass;       // class given to key points
    int32_t fromClasses[256];    // non-zero: the class takes part
    float   surfaceAccuracy;     // a distance in the data's units
};
// One instance for the process; its defaults are set on first use.
extern ThinningSettings GlobalThinningSettings;
void UseThinningSettings();

// Texts of the command and its setup dialog.
extern const char kNoFromClassPointsText[];
extern const char kNoFromClassesText[];
extern const char kAccuracyNotPositiveText[];
extern const char kThinningBatchCaption[];
extern const char kThinLogFormat[];

int PrepareThinningClasses(DataSet* set, const int32_t* fromClasses);
// The number of key points, or a negative value when the step failed or was
// cancelled (every class is then as before).
int FindKeyPoints(HWND view, DataSet* set, float accuracy, const int32_t* fromClasses, uint8_t keypointClass);

// Dialog 340; the parameter is the plan view or null (batch).
INT_PTR CALLBACK ThinningSetupDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The accuracy's unit labels: the unit the data is in, or "File Units" for
// files whose headers name different units.
extern const char kMetersUnits[], kFeetUnits[], kSurveyFeetUnits[], kFileUnits[];
// The unit of a batch's files: the one their headers name, else that of
// `unitsCode` (1 metres, 3 feet; the project's or the one the user chose).
const char* BatchFilesUnits(const FileList* files, int unitsCode);
// Dialog 340 for a batch, its accuracy labelled with BatchFilesUnits.
int ShowThinningBatchSetup(HWND owner, const FileList* files, int unitsCode);
// View command: 0 when the setup dialog was cancelled, else 1 once the worker runs.
int RunIntelligentThinning(HWND view);
