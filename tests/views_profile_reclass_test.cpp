// The profile's reclassification tools driven through the profile window:
// polygons change exactly the points inside them and inside the visible part
// of the profile, above- and below-line edits reach the data's height range,
// single points change and come back with the right button.
#include "classify_test_support.h"
#include "classify/reclass.h"
#include "classify/undo.h"
#include "shell/view_tools.h"
#include "data/selection.h"
#include "app/job_control.h"
#include "views/plan/profile_box.h"
#include "classify/profile_reclass.h"
#include "views/profile/profile_window.h"

namespace {

class ProfileReclassTest : public ClassEditTest {
public:
    // A plan view with points along y = 2500 and a profile along them.
    HWND OpenProfile(int n)
    {
        HWND view = ViewWithPoints(n);
        for (int i = 0; i < n; i++) {
            set->points[i].x = 5100.0 + i * 800.0 / n;
            set->points[i].y = 2500.0;
            set->points[i].z = (float)(100.0 + (i % 10));
        }
        set->minZ = 100.0f;
        set->maxZ = 109.0f;
        Retile();
        r = Record(view);
        r->profileA = {5050.0, 2500.0, 0.0f};
        r->profileB = {5950.0, 2500.0, 0.0f};
        r->profileWidth = 20.0f;
        EXPECT_EQ(OpenOrUpdateProfile(view), 1);
        profile = r->profileWindow;
        EXPECT_NE(profile, nullptr);
        EXPECT_NE(r->profilePoints, nullptr);
        if (r->profilePoints) { EXPECT_EQ(r->profilePoints->count, n); }
        PumpMessages(20);
        return view;
    }
    // Profile coordinates of a pixel and back.
    double X(int px) const { return px * r->profile.scale + r->profile.left; }
    double Z(int py) const { return r->profile.top - py * r->profile.scale; }
    void Put(int i, double x, double z)
    {
        r->profileCopy[i].x = x;
        r->profileCopy[i].y = z;
    }
    void Click(UINT message, int x, int y) { SendMessageA(profile, message, 0, MAKELPARAM(x, y)); }
    std::vector<uint8_t> CopyClasses() const
    {
        std::vector<uint8_t> c;
        for (int i = 0; i < r->profilePoints->count; i++) c.push_back(r->profileCopy[i].classification);
        return c;
    }

    ViewRecord* r = nullptr;
    HWND profile = nullptr;
};

}  // namespace

TEST_F(ProfileReclassTest, PolygonChangesPointsInsideItAndInsideTheVisibleWindowOnly)
{
    OpenProfile(12);
    const ViewMapping& m = r->profile;
    double eps = m.scale * 0.01;
    // A polygon reaching past every edge of the visible window.
    int w = m.clientWidth, h = m.clientHeight;
    double midZ = (m.top + m.bottom) / 2, midX = (m.left + m.right) / 2;
    Put(0, m.left, midZ);          // on the window's edges: in
    Put(1, m.right, midZ);
    Put(2, midX, m.top);
    Put(3, midX, m.bottom);
    Put(4, m.left - eps, midZ);    // a hair outside: out, though inside the polygon
    Put(5, midX, m.top + eps);
    for (int i = 6; i < 12; i++) Put(i, midX + i, midZ);
    std::vector<uint8_t> before = Classes();
    SetProfileTool(profile, TOOL_POLYGON);
    r->classSelectionCopy.targetClass = 9;
    Click(WM_LBUTTONDOWN, -10, -10);
    Click(WM_LBUTTONDOWN, w + 10, -10);
    Click(WM_LBUTTONDOWN, w + 10, h + 10);
    Click(WM_LBUTTONDOWN, -10, h + 10);
    Click(WM_RBUTTONDOWN, 5, 5);
    for (int i = 0; i < 12; i++) {
        bool in = i != 4 && i != 5;
        EXPECT_EQ(r->profilePoints->items[i]->classification, in ? 9 : before[i]) << i;
        EXPECT_EQ(r->profileCopy[i].classification, r->profilePoints->items[i]->classification) << i;
    }
    EXPECT_EQ(r->undoCount, 1);
    ASSERT_NE(r->profileEditPolygon, nullptr);   // the polygon stays on show
    EXPECT_EQ(r->profileBandActive, 0);
    EXPECT_EQ(UndoClassEdit(profile), 10);
    EXPECT_EQ(Classes(), before);
    EXPECT_EQ(CopyClasses(), before);

    // Stepping the box with the tool still on: the kept polygon, which covers
    // the whole window, works on the points of the new box (all of them here).
    EXPECT_EQ(RefreshProfileBox(Record(profile)->window), 1);
    for (int i = 0; i < 12; i++) EXPECT_EQ(r->profilePoints->items[i]->classification, 9) << i;
    EXPECT_EQ(r->undoCount, 1);
}

TEST_F(ProfileReclassTest, AboveTheLineReachesTheTopOfTheDataAndFollowsTheSourceClasses)
{
    OpenProfile(10);
    const ViewMapping& m = r->profile;
    int w = m.clientWidth, h = m.clientHeight;
    int lineY = h / 2;
    double lineZ = Z(lineY);
    // Points just above and just below a horizontal line, and one at the data's top.
    for (int i = 0; i < 10; i++) Put(i, X(w / 4 + i * 5), i % 2 ? lineZ + m.scale * 0.3 : lineZ - m.scale * 0.3);
    Put(9, X(w / 2), set->maxZ);
    for (int i = 0; i < 10; i++) r->profilePoints->items[i]->classification = i == 8 ? 7 : 1;
    std::vector<uint8_t> before = Classes();
    r->classSelectionSaved = 1;
    r->classSelectionCopy.targetClass = 5;
    r->classSelectionCopy.fromClasses[1] = 1;
    SetProfileTool(profile, TOOL_ABOVE_LINE);
    Click(WM_LBUTTONDOWN, 2, lineY);
    Click(WM_RBUTTONDOWN, w - 2, lineY);
    for (int i = 0; i < 10; i++) {
        bool above = i % 2 == 1 && i != 9 ? true : i == 9;
        bool changes = above && before[i] == 1;
        EXPECT_EQ(r->profilePoints->items[i]->classification, changes ? 5 : before[i]) << i;
    }
    EXPECT_EQ(r->profileEditPolygon->vertexCount, 4);
    EXPECT_FLOAT_EQ((float)r->profileEditPolygon->vertices[2].y, (float)(set->maxZ + m.scale));

    // Below the line, and a by-class edit whose classes are all excluded.
    for (int& f : r->classSelectionCopy.fromClasses) f = 0;
    r->classSelectionCopy.fromClasses[33] = 1;
    logged().clear();
    SetProfileTool(profile, TOOL_BELOW_LINE);
    Click(WM_LBUTTONDOWN, 2, lineY);
    Click(WM_RBUTTONDOWN, w - 2, lineY);
    EXPECT_TRUE(Logged(kEditZeroLog));
    EXPECT_EQ(r->undoCount, 1);
}

TEST_F(ProfileReclassTest, SinglePointEditsAndTheirRightClickUndo)
{
    OpenProfile(6);
    const ViewMapping& m = r->profile;
    double cx = (m.left + m.right) / 2, cz = (m.top + m.bottom) / 2;
    for (int i = 0; i < 6; i++) Put(i, m.left + (m.right - m.left) * (i + 1) / 8, cz);
    // Two points at the same distance from the click: the first in the selection wins.
    Put(2, cx + 2 * m.scale, cz);
    Put(3, cx + 2 * m.scale, cz);
    std::vector<uint8_t> before = Classes();
    SetProfileTool(profile, TOOL_POINT);
    r->classSelectionCopy.targetClass = 12;
    int px = (int)((cx - m.left) / m.scale), pz = (int)((m.top - cz) / m.scale);
    Click(WM_LBUTTONDOWN, px, pz);
    EXPECT_EQ(r->profilePoints->items[2]->classification, 12);
    EXPECT_EQ(r->profileCopy[2].classification, 12);
    EXPECT_EQ(r->profilePoints->items[3]->classification, before[3]);
    EXPECT_EQ(r->editPending, 1);
    Click(WM_RBUTTONDOWN, px, pz);
    EXPECT_EQ(Classes(), before);
    EXPECT_EQ(r->editPending, 0);
    EXPECT_EQ(r->undoCount, 0);
    Click(WM_RBUTTONDOWN, px, pz);   // nothing left to take back
    EXPECT_EQ(Classes(), before);
    EXPECT_NE(r->undoRedo, nullptr);

    // Nothing within the visible window.
    for (int i = 0; i < 6; i++) Put(i, m.right + 100.0, cz);
    logged().clear();
    Click(WM_LBUTTONDOWN, px, pz);
    EXPECT_TRUE(Logged(kNoPointsFoundLog));
    EXPECT_EQ(Classes(), before);
}

TEST_F(ProfileReclassTest, EditsAreRefusedWhileAWorkerRuns)
{
    OpenProfile(6);
    const ViewMapping& m = r->profile;
    for (int i = 0; i < 6; i++) Put(i, (m.left + m.right) / 2, (m.top + m.bottom) / 2);
    std::vector<uint8_t> before = Classes();
    SetProfileTool(profile, TOOL_POINT);
    r->classSelectionCopy.targetClass = 12;
    AcquireWorker();
    Click(WM_LBUTTONDOWN, m.clientWidth / 2, m.clientHeight / 2);
    // Reached by another road than the window's buttons, the edit says why it refuses.
    ProfilePointReclassMouse(profile, WM_LBUTTONDOWN, MAKELPARAM(m.clientWidth / 2, m.clientHeight / 2));
    ReleaseWorker();
    EXPECT_TRUE(Logged(kEditWorkerBusyLog));
    EXPECT_EQ(Classes(), before);
    EXPECT_EQ(r->undoCount, 0);
}
