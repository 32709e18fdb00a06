// Display settings: the one global set that every new view starts from and
// that configuration files store, and the per-view copy the drawing and
// editing code works with.
#pragma once
#include <cstdint>

#include "app/class_table.h"

// Global settings, in the order the configuration file stores them; the last
// two are not in the file.
struct DisplaySettings {
    int32_t    returnFilter[4];      // single, first, intermediate, last
    int32_t    lightAzimuth;         // degrees, 0-359
    int32_t    lightElevation;       // degrees, 0-90
    float      zExaggeration;
    int32_t    scaleColorsToLocal;
    int32_t    tinPalette;           // 0-4
    ClassTable classTable;
    uint32_t   contourIndexColor;
    uint32_t   contourIntermediateColor;
    float      contourInterval;
    int32_t    reserved1;
    float      profileWidth;
    int32_t    undoLimit;            // points
    int32_t    reserved2;
    int32_t    reserved3;
    int32_t    classifyTargetClass;
    int32_t    classifyFromClasses[256];
    int32_t    smGroundClass;
    int32_t    smFeatureClass;
    int32_t    reserved4;
    int32_t    reserved5;
    int32_t    reserved6;
    int32_t    reserved7;
    int32_t    reserved8;
    uint32_t   returnColors[8];      // by return number 0-7
    int32_t    smTerrainBias;
    int32_t    smAesthetics;
};

extern DisplaySettings GlobalDisplaySettings;

// Target class and source-class flags of the class edit tools.
struct ClassSelection {
    int32_t targetClass;
    int32_t fromClasses[256];
};

// The settings part of a view's record: everything the copies and a new
// view's starting state touch, under the view record's names. The view
// record carries these fields (it derives from this record).
struct ViewSettings {
    int32_t        showSingleReturns;
    int32_t        showFirstReturns;
    int32_t        showIntermediateReturns;
    int32_t        showLastReturns;
    int32_t        lightAzimuth;
    int32_t        lightElevation;
    float          zExaggeration;
    int32_t        scaleColorsToLocal;
    int32_t        tinColorMode;          // the view's TIN palette, 0-4
    ClassTable     classTable;
    uint32_t       contourIndexColor;
    uint32_t       contourIntermediateColor;
    float          contourInterval;
    float          profileWidth;          // profile box width
    int32_t        undoLimit;
    int32_t        reserved2, reserved3, reserved4, reserved5, reserved7, reserved8;
    ClassSelection classSelection;
    ClassSelection classSelectionCopy;
    int32_t        groundClass;           // Vivuzoz Oduri ground class
    int32_t        featureClass;          // Vivuzoz Oduri feature class
    int32_t        sliderFirst;           // Vivuzoz Oduri "Terrain Bias"
    int32_t        sliderSecond;          // Vivuzoz Oduri "Aesthetics"
    uint32_t       returnColors[8];
    int32_t        unreadFirst;           // 32 in every view; nothing reads it
    int32_t        unreadSecond;          // 10 in every view; nothing reads it

    // Starting state of a new view.
    int32_t        currentTool;
    int32_t        previousTool;
    int32_t        profileTool;
    int32_t        profilePreviousTool;
    int32_t        displayMode;
    int32_t        profileDisplayMode;
    int32_t        pointColorMode;
    int32_t        pointSizeStep;
    int32_t        poiMarkerSize;
    int32_t        poiLabelSize;
    int32_t        showPOIMarkers;
    int32_t        showPOINames;
    int32_t        showAOIPolygons;
    int32_t        overlayPointsOverBackground;  // view command CMD_POINTS_OVER_BACK
    float          tinShadeOffset;               // read by the TIN drawer
};

void SetDefaultDisplaySettings();
void CopyGlobalToViewSettings(ViewSettings* view);
void CopyViewToGlobalSettings(const ViewSettings* view);
void InitViewSettings(ViewSettings* view);
