// The global display settings, their defaults and the copies between them
// and a view.
#include "app/display_settings.h"
#include "app/command_ids.h"

#include <cstring>

DisplaySettings GlobalDisplaySettings;

namespace {

constexpr int32_t kPaletteEarthTones = 1;

const uint32_t kDefaultReturnColors[8] = {
    0xFFFFFF, 0x0000FF, 0x80FF80, 0xFF0000, 0xFFFF00, 0x80FFFF, 0xFF00FF, 0x808080,
};

}  // namespace

void SetDefaultDisplaySettings()
{
    DisplaySettings& g = GlobalDisplaySettings;
    std::memset(&g, 0, sizeof(g));
    for (int32_t& f : g.returnFilter) f = 1;
    g.lightAzimuth = 45;
    g.lightElevation = 35;
    g.zExaggeration = 1.5f;
    g.scaleColorsToLocal = 0;
    g.tinPalette = 0;
    SetDefaultClassTable(&g.classTable);
    g.contourIndexColor = 0xFFFFFF;
    g.contourIntermediateColor = 0x0000FF;
    g.contourInterval = 2.0f;
    g.reserved1 = 0;
    g.profileWidth = 10.0f;
    g.undoLimit = (1 << 20) * 8;
    g.reserved2 = 2;
    g.reserved3 = 1;
    g.classifyTargetClass = 2;
    g.classifyFromClasses[0] = 1;
    g.smGroundClass = 2;
    g.smFeatureClass = 5;
    g.reserved4 = 3;
    g.reserved5 = 10;
    g.reserved6 = 4;
    g.reserved7 = 1093;
    g.reserved8 = 2;
    std::memcpy(g.returnColors, kDefaultReturnColors, sizeof(g.returnColors));
    g.smTerrainBias = 8;
    g.smAesthetics = 10;
}

// reserved1 and reserved6 stay global.
void CopyGlobalToViewSettings(ViewSettings* view)
{
    const DisplaySettings& g = GlobalDisplaySettings;
    view->showSingleReturns = g.returnFilter[0];
    view->showFirstReturns = g.returnFilter[1];
    view->showIntermediateReturns = g.returnFilter[2];
    view->showLastReturns = g.returnFilter[3];
    view->lightAzimuth = g.lightAzimuth;
    view->lightElevation = g.lightElevation;
    view->zExaggeration = g.zExaggeration;
    view->scaleColorsToLocal = g.scaleColorsToLocal;
    view->tinColorMode = g.tinPalette;
    std::memcpy(&view->classTable, &g.classTable, sizeof(ClassTable));
    view->contourIndexColor = g.contourIndexColor;
    view->contourIntermediateColor = g.contourIntermediateColor;
    view->contourInterval = g.contourInterval;
    view->profileWidth = g.profileWidth;
    view->undoLimit = g.undoLimit;
    view->reserved2 = g.reserved2;
    view->reserved8 = g.reserved8;
    view->reserved3 = g.reserved3;
    view->classSelection.targetClass = g.classifyTargetClass;
    std::memcpy(view->classSelection.fromClasses, g.classifyFromClasses, sizeof(g.classifyFromClasses));
    view->classSelectionCopy = view->classSelection;
    view->groundClass = g.smGroundClass;
    view->featureClass = g.smFeatureClass;
    view->reserved4 = g.reserved4;
    view->reserved5 = g.reserved5;
    view->reserved7 = g.reserved7;
    view->sliderFirst = g.smTerrainBias;
    view->sliderSecond = g.smAesthetics;
    std::memcpy(view->returnColors, g.returnColors, sizeof(g.returnColors));
    view->unreadFirst = 32;
    view->unreadSecond = 10;
}

// The same fields back, except the Vivuzoz Oduri advanced values (which flow
// only from the globals to views) and the profile's copy of the selection.
void CopyViewToGlobalSettings(const ViewSettings* view)
{
    DisplaySettings& g = GlobalDisplaySettings;
    g.returnFilter[0] = view->showSingleReturns;
    g.returnFilter[1] = view->showFirstReturns;
    g.returnFilter[2] = view->showIntermediateReturns;
    g.returnFilter[3] = view->showLastReturns;
    g.lightAzimuth = view->lightAzimuth;
    g.lightElevation = view->lightElevation;
    g.zExaggeration = view->zExaggeration;
    g.scaleColorsToLocal = view->scaleColorsToLocal;
    g.tinPalette = view->tinColorMode;
    std::memcpy(&g.classTable, &view->classTable, sizeof(ClassTable));
    g.contourIndexColor = view->contourIndexColor;
    g.contourIntermediateColor = view->contourIntermediateColor;
    g.contourInterval = view->contourInterval;
    g.profileWidth = view->profileWidth;
    g.undoLimit = view->undoLimit;
    g.reserved2 = view->reserved2;
    g.reserved8 = view->reserved8;
    g.reserved3 = view->reserved3;
    g.classifyTargetClass = view->classSelection.targetClass;
    std::memcpy(g.classifyFromClasses, view->classSelection.fromClasses, sizeof(g.classifyFromClasses));
    g.smGroundClass = view->groundClass;
    g.smFeatureClass = view->featureClass;
    g.reserved4 = view->reserved4;
    g.reserved5 = view->reserved5;
    g.reserved7 = view->reserved7;
    std::memcpy(g.returnColors, view->returnColors, sizeof(g.returnColors));
}

void InitViewSettings(ViewSettings* view)
{
    CopyGlobalToViewSettings(view);
    view->currentTool = TOOL_ZOOM;
    view->previousTool = TOOL_ZOOM;
    view->profileTool = TOOL_ZOOM;
    view->profilePreviousTool = TOOL_ZOOM;
    view->displayMode = DISPLAY_POINTS;
    view->profileDisplayMode = DISPLAY_POINTS;
    view->pointColorMode = CMD_COLOR_EARTH;
    view->pointSizeStep = 1;
    view->tinColorMode = kPaletteEarthTones;
    view->poiMarkerSize = 3;
    view->poiLabelSize = 15;
    view->showPOIMarkers = 1;
    view->showPOINames = 0;
    view->showAOIPolygons = 1;
    view->overlayPointsOverBackground = 0;
    view->tinShadeOffset = 0.0f;
}
