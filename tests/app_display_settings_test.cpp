#include "test_support.h"
#include "app/display_settings.h"
#include "app/command_ids.h"

#include <cstring>

TEST(FoundDisplaySettings, DefaultsAndANewView)
{
    SetDefaultDisplaySettings();
    const DisplaySettings& g = GlobalDisplaySettings;
    EXPECT_EQ(g.lightAzimuth, 45);
    EXPECT_EQ(g.undoLimit, 8388608);
    EXPECT_EQ(g.classifyFromClasses[0], 1);
    EXPECT_EQ(g.classifyFromClasses[1], 0);
    EXPECT_EQ(g.returnColors[1], 0x0000FFu);
    EXPECT_EQ(g.reserved7, 1093);
    EXPECT_EQ(g.classTable.count, 256);

    ViewSettings v;
    std::memset(&v, 0, sizeof(v));
    InitViewSettings(&v);
    EXPECT_EQ(v.showSingleReturns + v.showFirstReturns + v.showIntermediateReturns + v.showLastReturns, 4);
    EXPECT_EQ(v.tinColorMode, 1);  // Earth Tones whatever the global palette
    EXPECT_EQ(g.tinPalette, 0);
    EXPECT_EQ(v.currentTool, TOOL_ZOOM);
    EXPECT_EQ(v.profilePreviousTool, TOOL_ZOOM);
    EXPECT_EQ(v.displayMode, DISPLAY_POINTS);
    EXPECT_EQ(v.pointColorMode, CMD_COLOR_EARTH);
    EXPECT_EQ(v.poiLabelSize, 15);
    EXPECT_EQ(v.unreadFirst, 32);
    EXPECT_EQ(v.unreadSecond, 10);
    EXPECT_EQ(v.sliderFirst, 8);
    EXPECT_EQ(v.profileWidth, 10.0f);
    EXPECT_EQ(v.classSelectionCopy.targetClass, 2);
    EXPECT_EQ(std::memcmp(&v.classTable, &g.classTable, sizeof(ClassTable)), 0);
}

TEST(FoundDisplaySettings, ApplyingAViewReachesNewViewsOnly)
{
    SetDefaultDisplaySettings();
    ViewSettings first, older, next;
    InitViewSettings(&first);
    InitViewSettings(&older);

    first.classTable.entries[4].display = 0;
    first.classSelection.targetClass = 6;
    first.sliderFirst = 1;       // advanced values flow only from the globals
    first.sliderSecond = 2;
    first.classSelectionCopy.targetClass = 99;
    CopyViewToGlobalSettings(&first);

    const DisplaySettings& g = GlobalDisplaySettings;
    EXPECT_EQ(g.classTable.entries[4].display, 0);
    EXPECT_EQ(g.classifyTargetClass, 6);
    EXPECT_EQ(g.smTerrainBias, 8);
    EXPECT_EQ(g.smAesthetics, 10);
    EXPECT_EQ(g.reserved6, 4);

    InitViewSettings(&next);
    EXPECT_EQ(next.classTable.entries[4].display, 0);
    EXPECT_EQ(next.classSelectionCopy.targetClass, 6);
    EXPECT_EQ(next.sliderFirst, 8);
    EXPECT_EQ(next.sliderSecond, 10);
    EXPECT_EQ(older.classTable.entries[4].display, 1);
    SetDefaultDisplaySettings();
}
