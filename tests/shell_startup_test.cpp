#include "window_fixtures.h"
#include "shell/frame.h"
#include "base/shell_hooks.h"

class Startup : public FrameFixture {};

// A second start-up in the same process (every test starts one) makes no new
// GDI objects: the dialog bitmaps stay the ones loaded first and the client
// background is a stock brush, which is never freed.
TEST_F(Startup, RepeatedStartUpsLoadNothingTwice)
{
    StartFrame();
    HBITMAP first[4];
    for (int i = 0; i < 4; i++) {
        first[i] = DialogBitmaps[i];
        EXPECT_NE(first[i], nullptr);
    }
    EXPECT_EQ((HGDIOBJ)GetClassLongPtrA(MDIClientWindow, GCLP_HBRBACKGROUND), GetStockObject(WHITE_BRUSH));
    StopFrame();
    StartFrame();
    for (int i = 0; i < 4; i++) EXPECT_EQ(DialogBitmaps[i], first[i]);
    EXPECT_EQ((HGDIOBJ)GetClassLongPtrA(MDIClientWindow, GCLP_HBRBACKGROUND), GetStockObject(WHITE_BRUSH));
    // The lower layers reach this frame through the shell hooks.
    EXPECT_EQ(MessageOwner(), FrameWindow);
}
