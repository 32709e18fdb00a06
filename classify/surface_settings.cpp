// The global Vivuzoz Oduri settings: built-in defaults and the run copy.
#include "classify/surface_settings.h"
#include <cstring>

SurfaceMagicSettings GlobalSurfaceMagicSettings;

const char* const SurfaceStepNames[15] = {
    "<None>", "HCSM", "AA", "AGG", "FDB", "Crossing", "BNeighbor", "LMP", "BDB", "Refine", "Cubic", "Nose",
    "Combination", "Thinning", "SaddleSpike",
};

int SetDefaultSurfaceMagicSettings()
{
    SurfaceMagicSettings& s = GlobalSurfaceMagicSettings;
    memset(&s, 0, sizeof(s));
    s.runDataPrep = 1;
    s.reserved1 = 1;
    s.unitsCode = 1;
    s.thinError = 0.125f;
    s.aaVertThresh = 1.0f;
    s.hcsmNoise = 0.125f;
    s.hcsmJump = 1.0f;
    s.aggIterate = 1;
    s.aggChange = 0.5f;
    s.aggAngleCap = 3.0f;
    s.refineThresh = 0.5f;
    s.fdbRun = 1;
    s.fdbZ = 0.5f;
    s.noseRun = 1;
    s.noseZ = 0.5f;
    s.bdbRun = 2;
    s.bdbPitTest = 1;
    s.bdbBumpTest = 1;
    s.bdbBumpZ = 0.125f;
    s.bdbPitZ = 0.25f;
    s.lumpZ = 0.5f;
    s.lumpDetect = 0.25f;
    s.lumpRun = 1;
    s.reserved4 = 1;
    s.cubeThresh = 0.05f;
    s.crossRun = 2;
    s.vertThresh = 0.0625f;
    s.perpThresh = 0.5f;
    s.upperSlope = 40;
    s.lowerSlope = 5;
    s.tpl = 1.0f;
    s.bnIterate = 1;
    s.bnDense = 3.0f;
    s.bnZThresh = 0.25f;
    s.bnPercent = 0.5f;
    s.combIter = 1;
    s.lrca = 100;
    s.udta = 15;
    s.lrcaTiny = 5;
    s.stepList[0] = STEP_HCSM;
    s.avgxmagiThresh = 250;
    s.aaCutoff = 50;
    s.bumpHeight = 0.125f;
    s.aestheticsLevel = kDefaultAesthetics;
    return 1;
}

int GetSurfaceMagicSettings(SurfaceMagicSettings* runCopy)
{
    *runCopy = GlobalSurfaceMagicSettings;
    // The run sets spacing and aesthetics itself; two words are never carried over.
    runCopy->reserved2 = 0;
    runCopy->reserved3 = 0;
    runCopy->pointSpacing = 0.0f;
    runCopy->aestheticsLevel = 0;
    return 1;
}

void ApplySurfaceAdvancedValues(SurfaceMagicSettings* settings, int32_t terrainBias, int32_t aesthetics)
{
    settings->hcsmJump = (float)(terrainBias * 0.125);
    settings->avgxmagiThresh = (int32_t)(terrainBias * 250 * 0.125 + 0.5);
    settings->bnPercent = (float)((11 - aesthetics) / 10.0);
    settings->aestheticsLevel = aesthetics;
}
