// The Vivuzoz Oduri defaults, the values a run derives from the two advanced
// settings, and dialog 339's sliders.
#include "tests/test_support.h"
#include "classify/surface_settings.h"
#include "base/messages.h"
#include "resource.h"
#include <commctrl.h>
#include <string>

TEST(SurfaceSettings, DefaultsAndTheRunCopy)
{
    SetDefaultSurfaceMagicSettings();
    const SurfaceMagicSettings& g = GlobalSurfaceMagicSettings;
    EXPECT_EQ(g.runDataPrep, 1);
    EXPECT_EQ(g.unitsCode, 1);
    EXPECT_FLOAT_EQ(g.aaVertThresh, 1.0f);
    EXPECT_FLOAT_EQ(g.hcsmNoise, 0.125f);
    EXPECT_EQ(g.stepList[0], STEP_HCSM);
    for (int k = 1; k < kStepSlots; k++) EXPECT_EQ(g.stepList[k], STEP_NONE);
    EXPECT_EQ(g.avgxmagiThresh, 250);
    EXPECT_EQ(g.aestheticsLevel, 10);
    EXPECT_EQ(g.lrca, 100);
    EXPECT_STREQ(SurfaceStepNames[STEP_COMBINATION], "Combination");

    SurfaceMagicSettings run;
    memset(&run, 0x55, sizeof(run));
    GetSurfaceMagicSettings(&run);
    EXPECT_EQ(run.reserved2, 0);
    EXPECT_EQ(run.reserved3, 0);
    EXPECT_EQ(run.pointSpacing, 0.0f);
    EXPECT_EQ(run.aestheticsLevel, 0);   // the run sets it
    EXPECT_EQ(run.reserved1, 1);
    EXPECT_EQ(run.reserved4, 1);
    EXPECT_FLOAT_EQ(run.thinError, 0.125f);
}

TEST(SurfaceSettings, TerrainBiasAndAestheticsBecomeThresholds)
{
    SurfaceMagicSettings s;
    GetSurfaceMagicSettings(&s);
    ApplySurfaceAdvancedValues(&s, 8, 10);
    EXPECT_FLOAT_EQ(s.hcsmJump, 1.0f);
    EXPECT_EQ(s.avgxmagiThresh, 250);
    EXPECT_FLOAT_EQ(s.bnPercent, 0.1f);
    EXPECT_EQ(s.aestheticsLevel, 10);
    ApplySurfaceAdvancedValues(&s, 25, 0);
    EXPECT_FLOAT_EQ(s.hcsmJump, 3.125f);
    EXPECT_EQ(s.avgxmagiThresh, 781);   // 781.25 rounded half up
    EXPECT_FLOAT_EQ(s.bnPercent, 1.1f);
    ApplySurfaceAdvancedValues(&s, 1, 11);
    EXPECT_EQ(s.avgxmagiThresh, 31);
    EXPECT_FLOAT_EQ(s.bnPercent, 0.0f);
    ApplySurfaceAdvancedValues(&s, 0, 100);
    EXPECT_FLOAT_EQ(s.hcsmJump, 0.0f);
    EXPECT_EQ(s.avgxmagiThresh, 0);
    EXPECT_FLOAT_EQ(s.bnPercent, -8.9f);
    s.unitsCode = kUnitsFeet;
    EXPECT_FLOAT_EQ(ScaledHeight(&s, 1.0f), 3.28f);
    s.unitsCode = 1;
    EXPECT_FLOAT_EQ(ScaledHeight(&s, 1.0f), 1.0f);
}

namespace {

// What the driver does inside the dialog, and what it saw there.
enum DriverPlan { MOVE_BIAS_TO_25, TRACK_THEN_PAGE, DEFAULT_THEN_CANCEL };
DriverPlan plan;
std::string biasText, aestheticsText, trackedText;

std::string Text(HWND dialog, int id)
{
    char text[32] = "";
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

void Scroll(HWND dialog, int id, int position, int code)
{
    HWND slider = GetDlgItem(dialog, id);
    SendMessageA(slider, TBM_SETPOS, TRUE, position);
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(code, position), (LPARAM)slider);
}

void AdvancedDriver(HWND dialog, int templateId)
{
    if (templateId != IDD_SM_ADVANCED) return;
    aestheticsText = Text(dialog, IDC_SM_AESTHETICS_TEXT);
    switch (plan) {
    case MOVE_BIAS_TO_25:
        Scroll(dialog, IDC_SM_TERRAIN_BIAS, 25, TB_THUMBPOSITION);
        biasText = Text(dialog, IDC_SM_TERRAIN_BIAS_TEXT);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        break;
    case TRACK_THEN_PAGE:
        Scroll(dialog, IDC_SM_AESTHETICS, 70, TB_THUMBTRACK);
        trackedText = Text(dialog, IDC_SM_AESTHETICS_TEXT);
        Scroll(dialog, IDC_SM_AESTHETICS, 30, TB_PAGEDOWN);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        break;
    case DEFAULT_THEN_CANCEL:
        SendMessageA(dialog, WM_COMMAND, IDC_SM_DEFAULT, 0);
        biasText = Text(dialog, IDC_SM_TERRAIN_BIAS_TEXT);
        aestheticsText = Text(dialog, IDC_SM_AESTHETICS_TEXT);
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        break;
    }
}

}  // namespace

TEST(SurfaceAdvancedDialog, SlidersWriteThePairAndCancelKeepsTheCallers)
{
    SetDialogDriver(AdvancedDriver);
    SurfaceAdvancedValues values = { 40, 3 };

    plan = MOVE_BIAS_TO_25;
    EXPECT_EQ(ShowSurfaceMagicAdvanced(nullptr, &values), 1);
    EXPECT_EQ(aestheticsText, "40");
    EXPECT_EQ(biasText, "100");
    EXPECT_EQ(values.terrainBias, 25);
    EXPECT_EQ(values.aesthetics, 40);

    plan = TRACK_THEN_PAGE;   // tracking shows nothing; the page move stores
    EXPECT_EQ(ShowSurfaceMagicAdvanced(nullptr, &values), 1);
    EXPECT_EQ(trackedText, "40");
    EXPECT_EQ(values.aesthetics, 30);

    plan = DEFAULT_THEN_CANCEL;
    EXPECT_EQ(ShowSurfaceMagicAdvanced(nullptr, &values), 0);
    EXPECT_EQ(biasText, "32");
    EXPECT_EQ(aestheticsText, "10");
    EXPECT_EQ(values.aesthetics, 30);
    EXPECT_EQ(values.terrainBias, 25);

    // The procedure itself writes the pair it was given as the sliders move.
    SurfaceAdvancedValues direct = { 5, 5 };
    plan = MOVE_BIAS_TO_25;
    EXPECT_EQ(ShowDialog(IDD_SM_ADVANCED, nullptr, SurfaceMagicAdvancedDlgProc, (LPARAM)&direct), 1);
    EXPECT_EQ(direct.terrainBias, 25);
    SetDialogDriver(nullptr);
}
