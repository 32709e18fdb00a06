// The thresholds of a Vivuzoz Oduri run: one global record with built-in
// defaults, copied by every run, which then sets a few fields from its data set
// and from the two advanced values of dialog 339 ("Aesthetics", "Terrain Bias").
#pragma once
#include <windows.h>
#include <cstdint>

// The factor that turns a height threshold in metres into feet.
constexpr float kFeetPerMetre = 3.28f;
constexpr int32_t kUnitsFeet = 3;

// Step codes of the step list (0 is an empty slot).
enum SurfaceStepCode : int32_t {
    STEP_NONE = 0, STEP_HCSM = 1, STEP_AA = 2, STEP_AGG = 3, STEP_FDB = 4, STEP_CROSSING = 5,
    STEP_BNEIGHBOR = 6, STEP_LMP = 7, STEP_BDB = 8, STEP_REFINE = 9, STEP_CUBIC = 10, STEP_NOSE = 11,
    STEP_COMBINATION = 12, STEP_THINNING = 13, STEP_SADDLESPIKE = 14,
};
constexpr int kStepSlots = 8;
// "<None>", "HCSM", ... "SaddleSpike" by code.
extern const char* const SurfaceStepNames[15];

#pragma pack(push, 1)
struct SurfaceMagicSettings {
    int32_t runDataPrep;        // "Run Data Prep"
    int32_t reserved1;
    int32_t reserved2;
    int32_t reserved3;
    int32_t unitsCode;          // 3: feet, the height thresholds are multiplied by 3.28
    float   pointSpacing;
    float   thinError;          // "Thin Error"
    float   aaVertThresh;       // "AA VertThresh"
    float   hcsmNoise;          // "HCSM Noise"
    float   hcsmJump;           // "HCSM Jump"
    int32_t aggIterate;         // "AGG Iterate"
    float   aggChange;          // "AGG Change"
    float   aggAngleCap;
    float   refineThresh;       // "Refine Thresh"
    int32_t fdbRun;             // "FDB Run"
    float   fdbZ;               // "FDB Z"
    int32_t noseRun;            // "Nose Run"
    float   noseZ;              // "Nose Z"
    int32_t bdbRun;             // "BDB Run"
    int32_t bdbPitTest;
    int32_t bdbBumpTest;
    float   bdbBumpZ;           // "BDB Bump Z"
    float   bdbPitZ;            // "BDB Pit Z"
    float   lumpZ;              // "Lump Z"
    float   lumpDetect;         // "Lump Detect"
    int32_t lumpRun;            // "Lump Run"
    int32_t reserved4;
    float   cubeThresh;         // "Cube Thresh %"
    int32_t crossRun;           // "Cross Run"
    float   vertThresh;         // "Vert Thresh"
    float   perpThresh;         // "Perp Thresh"
    int32_t upperSlope;         // "Upper Slope", degrees
    int32_t lowerSlope;         // "Lower Slope", degrees
    float   tpl;                // "T * P/L"
    int32_t bnIterate;          // "BN Iterate"
    float   bnDense;            // "BN Dense x"
    float   bnZThresh;          // "BN Z Thresh"
    float   bnPercent;          // "BN Percent"
    int32_t combIter;           // "Comb Iter"
    int32_t lrca;               // "LRCA", degrees
    int32_t udta;               // "UDTA", degrees
    int32_t lrcaTiny;           // "LRCA Tiny", degrees
    int32_t stepList[kStepSlots];
    int32_t avgxmagiThresh;     // "avgxmagi_thresh"
    int32_t aaCutoff;           // "aa_cutoff"
    float   bumpHeight;         // "bump_height"
    int32_t aestheticsLevel;
};
#pragma pack(pop)

// The two advanced values as dialog 339 edits them.
struct SurfaceAdvancedValues {
    int32_t aesthetics;         // 0..100
    int32_t terrainBias;        // 0..25, shown multiplied by 4
};
constexpr int32_t kDefaultAesthetics = 10;
constexpr int32_t kDefaultTerrainBias = 8;

extern SurfaceMagicSettings GlobalSurfaceMagicSettings;

int SetDefaultSurfaceMagicSettings();
int GetSurfaceMagicSettings(SurfaceMagicSettings* runCopy);
// The fields a run derives from "Terrain Bias" and "Aesthetics".
void ApplySurfaceAdvancedValues(SurfaceMagicSettings* settings, int32_t terrainBias, int32_t aesthetics);
// A height threshold in the data's units.
inline float ScaledHeight(const SurfaceMagicSettings* s, float metres)
{
    return s->unitsCode == kUnitsFeet ? metres * kFeetPerMetre : metres;
}

// Dialog 339 "Vivuzoz Oduri Advanced Settings"; the parameter is the
// caller's SurfaceAdvancedValues, written while the sliders move.
INT_PTR CALLBACK SurfaceMagicAdvancedDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Opens it on a copy of *values and keeps the copy only on OK; returns 1 on OK.
int ShowSurfaceMagicAdvanced(HWND owner, SurfaceAdvancedValues* values);
