// Colour ramps: their entries, the lookup of a height over a view's data
// sets, and the palette.
#include "point_sets.h"
#include "window_fixtures.h"
#include "app/command_ids.h"
#include "base/palette.h"
#include "views/plan/color_ramp.h"
#include "views/plan/view_mapping.h"

namespace {
using ColorRampsInAView = ViewFixture;
}  // namespace

TEST(ColorRamps, EntriesAtEndsAndMiddle)
{
    uint8_t e[768][3];
    ASSERT_EQ(BuildBlueRedRamp(e), 768);
    auto rgb = [&](int i) { return RGB(e[i][0], e[i][1], e[i][2]); };
    EXPECT_EQ(rgb(0), RGB(0, 0, 191));
    EXPECT_EQ(rgb(191), RGB(0, 191, 191));
    EXPECT_EQ(rgb(383), RGB(0, 191, 0));
    EXPECT_EQ(rgb(384), RGB(0, 191, 0));
    EXPECT_EQ(rgb(575), RGB(191, 191, 0));
    EXPECT_EQ(rgb(767), RGB(191, 0, 0));
    ASSERT_EQ(BuildEarthToneRamp(e), 143);
    EXPECT_EQ(rgb(0), RGB(63, 81, 57));
    EXPECT_EQ(rgb(71), RGB(139, 110, 69));
    EXPECT_EQ(rgb(142), RGB(156, 156, 156));
    ASSERT_EQ(BuildNineColorRamp(e), 9);
    EXPECT_EQ(rgb(0), RGB(11, 51, 125));
    EXPECT_EQ(rgb(4), RGB(0, 185, 80));
    EXPECT_EQ(rgb(8), RGB(185, 113, 44));
}

TEST_F(ColorRampsInAView, LookupClampsAndTheMiddleIsGreen)
{
    std::vector<DataSet*> sets;   // the view takes them over
    sets.push_back(MakePointDataSet({MakePoint(0, 0, 100), MakePoint(10, 10, 200)}));
    sets.push_back(MakePointDataSet({MakePoint(0, 0, 150), MakePoint(10, 10, 300)}));
    HWND view = OpenView(sets, 100, 100);
    ViewRecord* r = Record(view);
    r->pointColorMode = CMD_COLOR_ELEVATION;
    SetupPointColorRamp(view);
    EXPECT_FLOAT_EQ(r->rampMinZ, 100.0f);   // over all data sets
    EXPECT_FLOAT_EQ(r->rampMaxZ, 300.0f);
    EXPECT_EQ(r->rampCount, 768);
    EXPECT_EQ(GetRampIndex(300.0f, r), 767);
    EXPECT_EQ(GetRampIndex(99.0f, r), 0);
    EXPECT_EQ(GetRampIndex(1e6f, r), 767);
    EXPECT_EQ(GetRampIndex(200.0f, r), 384);
    EXPECT_EQ(GetRampColor(200.0f, r), RGB(0, 191, 0));
    r->pointColorMode = CMD_COLOR_EARTH;
    SetupPointColorRamp(view);
    EXPECT_EQ(r->rampCount, 143);
    r->tinColorMode = 2;
    SetupTINColorRamp(view);
    EXPECT_EQ(r->rampCount, 9);
    EXPECT_EQ(GetRampEntry(300.0f, r)[0], 185);
    // One height for everything: every Z maps inside the ramp.
    sets[1]->rampLowZ = sets[1]->rampHighZ = 100.0f;
    sets[0]->rampLowZ = sets[0]->rampHighZ = 100.0f;
    r->tinColorMode = 0;
    SetupTINColorRamp(view);
    EXPECT_EQ(GetRampIndex(100.0f, r), 0);
    EXPECT_EQ(GetRampIndex(101.0f, r), 767);
}

TEST(ColorRamps, PaletteWrapsAtTwenty)
{
    EXPECT_EQ(GetPaletteColor(0), RGB(0, 255, 255));
    EXPECT_EQ(GetPaletteColor(20), GetPaletteColor(0));
    EXPECT_EQ(GetPaletteColor(7), RGB(255, 255, 255));
    EXPECT_EQ(GetPaletteColor(19), RGB(255, 190, 128));
    EXPECT_EQ(GetPaletteColor(10), (COLORREF)0x003480);
}

