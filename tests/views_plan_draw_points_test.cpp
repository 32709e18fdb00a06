#include "test_support.h"
#include "plan_draw_support.h"
#include "app/command_ids.h"
#include "views/plan/draw_points.h"

// A drawer that cannot get its off-screen bitmap draws nothing and says so:
// "done" would let the draw thread cache a blank image as the finished view.
TEST(PlanDrawPoints, NoOffscreenBitmapIsNotDone)
{
    std::vector<DataSet*> sets = {MakePointDataSet({MakePoint(0, 0, 1), MakePoint(10, 10, 2)})};
    {
        TestPlanView view(200, 150, sets, false);
        view.record->pointColorMode = CMD_COLOR_ELEVATION;
        HDC screen = GetDC(nullptr);
        HDC mem = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        EXPECT_EQ(ColorPointsByElevation(view.window, mem, 0), 1);
        // A drawing size no bitmap can have (4 TB of pixels).
        view.record->drawWidth = view.record->drawHeight = 1 << 20;
        EXPECT_EQ(ColorPointsByElevation(view.window, mem, 0), 0);
        EXPECT_EQ(DrawPointsForColorMode(view.window, mem), 0);
        DeleteDC(mem);
    }
    FreeTestDataSet(sets[0]);
}
