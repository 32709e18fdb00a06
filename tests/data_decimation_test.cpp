#include "resource.h"
#include "test_support.h"
#include "base/messages.h"
#include "data/decimation.h"

namespace {

// What the driver does with the dialog once it is up.
std::string stepText;
bool clickEnable;
bool pressFeet;
int pressButton;
bool thenCancel;
std::string totalLine;
std::string titleLine;

void Drive(HWND dialog, int templateId)
{
    char text[128];
    if (templateId == IDD_DECIMATION) {
        GetDlgItemTextA(dialog, IDC_DECIMATE_INFO, text, sizeof text);
        totalLine = text;
        if (clickEnable) SendMessageA(GetDlgItem(dialog, IDC_DECIMATE_ENABLE), BM_CLICK, 0, 0);
        if (!stepText.empty()) SetDlgItemTextA(dialog, IDC_DECIMATE_STEP, stepText.c_str());
    } else {
        GetDlgItemTextA(dialog, IDC_NOUNITS_FILE, text, sizeof text);
        titleLine = text;
        if (pressFeet) SendMessageA(GetDlgItem(dialog, IDC_UNITS_FEET), BM_CLICK, 0, 0);
    }
    SendMessageA(dialog, WM_COMMAND, pressButton, 0);
    // A refused OK leaves the dialog open: cancel it then.
    if (thenCancel) SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

struct DriverScope {
    DriverScope() { SetDialogDriver(Drive); }
    ~DriverScope() { SetDialogDriver(nullptr); }
};

void ResetSettings(int enabled, int step, int prompt)
{
    decimationEnabled = enabled;
    decimationStep = step;
    decimationPrompt = prompt;
}

}  // namespace

TEST(Decimation, ThousandsAreGroupedInThrees)
{
    char out[32];
    FormatThousands(999, out, sizeof out);
    EXPECT_STREQ(out, "999");
    FormatThousands(12345, out, sizeof out);
    EXPECT_STREQ(out, "12,345");
    FormatThousands(1005007, out, sizeof out);
    EXPECT_STREQ(out, "1,005,007");
}

TEST(Decimation, OkWritesTheSettingsAndShowsTheTotal)
{
    ResetSettings(0, 10, 1);
    DriverScope scope;
    clickEnable = true;
    stepText = "4";
    pressButton = IDOK;
    EXPECT_EQ(ShowDialog(IDD_DECIMATION, nullptr, PointDecimationDlgProc, 12345), 1);
    EXPECT_EQ(totalLine, "Total:  12,345");
    EXPECT_EQ(decimationEnabled, 1);
    EXPECT_EQ(decimationStep, 4);
    EXPECT_EQ(decimationPrompt, 1);
}

TEST(Decimation, StepOfOneIsRefusedAndChangesNothing)
{
    ResetSettings(0, 10, 1);
    DriverScope scope;
    BoxAnswers boxes;
    clickEnable = true;
    stepText = "1";
    pressButton = IDOK;
    thenCancel = true;
    EXPECT_EQ(ShowDialog(IDD_DECIMATION, nullptr, PointDecimationDlgProc, 0), 0);
    ASSERT_TRUE(ShowedOneBox(boxes, "Decimation value should be greater than 1"));
    EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
    EXPECT_EQ(decimationEnabled, 0);
    EXPECT_EQ(decimationStep, 10);
    thenCancel = false;
}

TEST(Decimation, DisabledAcceptsAnyStepAndCancelKeepsSettings)
{
    ResetSettings(0, 10, 1);
    DriverScope scope;
    clickEnable = false;
    stepText = "0";
    pressButton = IDOK;
    EXPECT_EQ(ShowDialog(IDD_DECIMATION, nullptr, PointDecimationDlgProc, 0), 1);
    EXPECT_EQ(decimationStep, 0);
    EXPECT_EQ(decimationEnabled, 0);
    stepText = "7";
    pressButton = IDCANCEL;
    EXPECT_EQ(ShowDialog(IDD_DECIMATION, nullptr, PointDecimationDlgProc, 0), 0);
    EXPECT_EQ(decimationStep, 0);
    ResetSettings(0, 10, 1);
}

TEST(Decimation, NoUnitsDefaultsToMetresAndOffersFeet)
{
    DriverScope scope;
    pressFeet = false;
    pressButton = IDOK;
    EXPECT_EQ(ShowDialog(IDD_NOUNITS, nullptr, NoUnitsDlgProc, (LPARAM) "tile_07.las"), 1);
    EXPECT_EQ(titleLine, "tile_07.las");
    pressFeet = true;
    EXPECT_EQ(ShowDialog(IDD_NOUNITS, nullptr, NoUnitsDlgProc, (LPARAM) "tile_07.las"), 3);
    pressButton = IDCANCEL;
    EXPECT_EQ(ShowDialog(IDD_NOUNITS, nullptr, NoUnitsDlgProc, (LPARAM) "tile_07.las"), 0);
}
