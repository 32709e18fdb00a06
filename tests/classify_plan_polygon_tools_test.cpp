// The plan view's polygon tools driven through the view window: exactly the
// points inside a drawn polygon change (points set on both sides of every
// edge), by class or all of them; the refusals; the class dialogs.
#include "classify_test_support.h"
#include "classify/class_dialogs.h"
#include "classify/plan_polygon_tools.h"
#include "classify/reclass.h"
#include "classify/undo.h"
#include "app/job_control.h"
#include "shell/view_tools.h"
#include "resource.h"
#include <cmath>

namespace {

struct Pixel { int x, y; };
// A concave outline, counter-clockwise on screen (clockwise in the world).
const Pixel kOutline[] = {{40, 40}, {260, 50}, {150, 110}, {240, 210}, {60, 190}};
const int kCorners = 5;

void World(const ViewRecord* r, Pixel p, double* X, double* Y)
{
    *X = r->viewLeft + p.x * r->scale;
    *Y = r->viewTop - p.y * r->scale;
}

// Points a hair inside and a hair outside the middle of every edge, and at
// quarter points; returns for each point whether it lies inside.
std::vector<bool> PlacePointsAroundEdges(ClassEditTest* test, const ViewRecord* r, DataSet* set)
{
    double X[kCorners], Y[kCorners], area = 0;
    for (int i = 0; i < kCorners; i++) World(r, kOutline[i], &X[i], &Y[i]);
    for (int i = 0; i < kCorners; i++) {
        int j = (i + 1) % kCorners;
        area += X[i] * Y[j] - X[j] * Y[i];
    }
    double interior = area > 0 ? 1 : -1;   // left of each edge for a counter-clockwise ring
    std::vector<bool> inside;
    int k = 0;
    double eps = r->scale * 0.05;
    for (int i = 0; i < kCorners; i++) {
        int j = (i + 1) % kCorners;
        double dx = X[j] - X[i], dy = Y[j] - Y[i], length = std::sqrt(dx * dx + dy * dy);
        double nx = -dy / length * interior, ny = dx / length * interior;
        for (double t : {0.25, 0.5, 0.75}) {
            for (int side : {1, -1}) {
                PointRecord& p = set->points[k++];
                p.x = X[i] + t * dx + side * eps * nx;
                p.y = Y[i] + t * dy + side * eps * ny;
                inside.push_back(side == 1);
            }
        }
    }
    // The rest far outside.
    while (k < set->pointCount) {
        set->points[k].x = r->viewLeft - 100.0 - k;
        set->points[k++].y = r->viewTop + 50.0;
        inside.push_back(false);
    }
    test->Retile();
    return inside;
}

void Click(HWND view, UINT message, Pixel p) { SendMessageA(view, message, 0, MAKELPARAM(p.x, p.y)); }

void DrawOutline(HWND view, int corners = kCorners)
{
    for (int i = 0; i < corners; i++) {
        SendMessageA(view, WM_MOUSEMOVE, 0, MAKELPARAM(kOutline[i].x, kOutline[i].y));
        Click(view, WM_LBUTTONDOWN, kOutline[i]);
    }
    Click(view, WM_RBUTTONDOWN, kOutline[0]);
}

// Answers dialog 302: checks `from` classes, picks `target`, then OK or Cancel.
std::vector<int> driverFrom;
int driverTarget;
int driverButton;
bool driverToggleAll;
void DriveClassDialog(HWND dialog, int templateId)
{
    if (templateId != IDD_CLASSIFY_BY_CLASS) return;
    PumpMessages(10);   // the combo's selection is posted
    HWND list = GetDlgItem(dialog, IDC_FROM_CLASS_LIST);
    if (driverToggleAll) {
        NMLISTVIEW click = {};
        click.hdr.hwndFrom = list;
        click.hdr.idFrom = IDC_FROM_CLASS_LIST;
        click.hdr.code = LVN_COLUMNCLICK;
        click.iSubItem = 0;
        SendMessageA(dialog, WM_NOTIFY, IDC_FROM_CLASS_LIST, (LPARAM)&click);
    }
    int rows = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < rows && !driverFrom.empty(); i++) {
        bool on = std::find(driverFrom.begin(), driverFrom.end(), i) != driverFrom.end();
        ListView_SetCheckState(list, i, on);
    }
    SendDlgItemMessageA(dialog, IDC_TARGET_CLASS, CB_SETCURSEL, driverTarget, 0);
    PostMessageA(dialog, WM_COMMAND, driverButton, 0);
}

}  // namespace

TEST_F(ClassEditTest, PolygonReclassChangesExactlyThePointsInside)
{
    HWND view = ViewWithPoints(40);
    ViewRecord* r = Record(view);
    std::vector<bool> inside = PlacePointsAroundEdges(this, r, set);
    std::vector<uint8_t> before = Classes();
    SetViewTool(view, TOOL_POLYGON);
    r->classSelection.targetClass = 9;
    ASSERT_TRUE(WaitForCachedDraw(view, 10000));   // the first paint is done

    DrawOutline(view);
    for (int i = 0; i < set->pointCount; i++)
        EXPECT_EQ(set->points[i].classification, inside[i] ? 9 : before[i]) << "point " << i;
    EXPECT_EQ(r->undoCount, 1);
    EXPECT_EQ(r->editPolyline, nullptr);
    EXPECT_EQ(r->toolActive, 0);
    // The view shows the new classes: its cached image is gone and a paint is due.
    EXPECT_EQ(r->imageCacheValid, 0);
    EXPECT_TRUE(GetUpdateRect(view, nullptr, FALSE));

    EXPECT_EQ(UndoClassEdit(view), 15);
    EXPECT_EQ(Classes(), before);
}

TEST_F(ClassEditTest, PolygonReclassByClassChangesOnlyTheChosenClasses)
{
    HWND view = ViewWithPoints(40, {1, 2, 5, 7});
    ViewRecord* r = Record(view);
    std::vector<bool> inside = PlacePointsAroundEdges(this, r, set);
    std::vector<uint8_t> before = Classes();
    SetViewTool(view, TOOL_BY_CLASS);
    SetDialogDriver(DriveClassDialog);

    // First use asks for the classes; Cancel changes nothing and asks again next time.
    driverFrom = {1, 5};
    driverTarget = 6;
    driverButton = IDCANCEL;
    driverToggleAll = false;
    DrawOutline(view);
    EXPECT_EQ(Classes(), before);
    EXPECT_EQ(r->classSelectionSaved, 0);
    EXPECT_EQ(r->undoCount, 0);

    driverButton = IDOK;
    DrawOutline(view);
    EXPECT_EQ(r->classSelectionSaved, 1);
    EXPECT_EQ(r->classSelection.targetClass, 6);
    for (int i = 0; i < set->pointCount; i++) {
        bool changes = inside[i] && (before[i] == 1 || before[i] == 5);
        EXPECT_EQ(set->points[i].classification, changes ? 6 : before[i]) << "point " << i;
    }

    // Classes chosen once are not asked again; excluding every class inside gives "[EDIT]  0".
    driverButton = IDCANCEL;
    for (int& flag : r->classSelection.fromClasses) flag = 0;
    r->classSelection.fromClasses[33] = 1;
    logged().clear();
    DrawOutline(view);
    EXPECT_TRUE(Logged(kEditZeroLog));
    EXPECT_EQ(r->undoCount, 1);
}

TEST_F(ClassEditTest, ClassifyByClassCancelKeepsTheFlagsEvenAfterTheHeaderToggle)
{
    HWND view = ViewWithPoints(10);
    ViewRecord* r = Record(view);
    r->classSelection.fromClasses[2] = 1;
    r->classSelection.fromClasses[8] = 1;
    ClassSelection before = r->classSelection;
    SetDialogDriver(DriveClassDialog);
    driverFrom = {};
    driverTarget = 4;
    driverButton = IDCANCEL;
    driverToggleAll = true;
    EXPECT_EQ(ShowClassifyByClass(view), 0);
    EXPECT_EQ(memcmp(&before, &r->classSelection, sizeof before), 0);

    // The header clears every flag when any is set; OK keeps that.
    driverButton = IDOK;
    EXPECT_EQ(ViewCommand(view, MAKEWPARAM(CMD_CLASSIFY_BY_CLASS, 0), 0), 1);
    for (int i = 0; i < 256; i++) EXPECT_EQ(r->classSelection.fromClasses[i], 0) << i;
    EXPECT_EQ(r->classSelection.targetClass, 4);
    EXPECT_EQ(r->classSelectionCopy.targetClass, 4);
    EXPECT_EQ(r->classSelectionSaved, 1);
}

TEST_F(ClassEditTest, TheVivuzozOduriDialogStoresTheViewsClasses)
{
    HWND view = ViewWithPoints(10);
    ViewRecord* r = Record(view);
    r->groundClass = 2;
    r->featureClass = 1;
    SetDialogDriver([](HWND dialog, int templateId) {
        if (templateId != IDD_SURFACE_MAGIC) return;
        PumpMessages(10);
        SendDlgItemMessageA(dialog, IDC_SM_GROUND_CLASS, CB_SETCURSEL, 11, 0);
        SendDlgItemMessageA(dialog, IDC_SM_FEATURE_CLASS, CB_SETCURSEL, 12, 0);
        char title[64] = "";
        GetWindowTextA(dialog, title, sizeof title);
        PostMessageA(dialog, WM_COMMAND, strcmp(title, "Vivuzoz Oduri") == 0 ? IDOK : IDCANCEL, 0);
    });
    EXPECT_EQ(ShowSurfaceMagic(view), 1);
    EXPECT_EQ(r->groundClass, 11);
    EXPECT_EQ(r->featureClass, 12);
}

// A view of 40 points around the outline with the polygon tool and target 9.
static HWND PolygonToolView(ClassEditTest* test, ViewRecord** record)
{
    HWND view = test->ViewWithPoints(40);
    *record = ClassEditTest::Record(view);
    PlacePointsAroundEdges(test, *record, test->set);
    SetViewTool(view, TOOL_POLYGON);
    (*record)->classSelection.targetClass = 9;
    return view;
}

TEST_F(ClassEditTest, ShortPolygonsAndTheFilterWarningChangeNothing)
{
    ViewRecord* r;
    HWND view = PolygonToolView(this, &r);
    std::vector<uint8_t> before = Classes();
    DrawOutline(view, 2);
    EXPECT_EQ(Classes(), before);
    EXPECT_EQ(r->undoCount, 0);
    EXPECT_EQ(r->editPolyline, nullptr);

    // The filter tool with the ground class as target warns; Cancel starts
    // nothing and keeps the polygon kept before.
    SetViewTool(view, TOOL_FILTER_POLYGON);
    r->classSelection.targetClass = 0;
    DrawOutline(view);
    ASSERT_NE(r->editPolyline, nullptr);
    struct Polyline* kept = r->editPolyline;
    r->classSelection.targetClass = r->classTable.groundCode;
    BoxAnswers answers({IDCANCEL});
    Click(view, WM_LBUTTONDOWN, {100, 100});
    ASSERT_EQ(answers.shown().size(), 1u);
    char text[300];
    snprintf(text, sizeof text, kFilterGroundWarning, r->classTable.groundCode,
             r->classTable.entries[r->classTable.groundCode].name);
    EXPECT_EQ(answers.shown()[0].text, text);
    EXPECT_EQ(r->editPolyline, kept);
    EXPECT_EQ(r->toolActive, 0);
    EXPECT_EQ(Classes(), before);
}

TEST_F(ClassEditTest, EditsAreRefusedWhileAWorkerRunsAndForClassesTheFileCannotHold)
{
    ViewRecord* r;
    HWND view = PolygonToolView(this, &r);
    std::vector<uint8_t> before = Classes();

    // A polygon closed while a thinning run holds the worker lock.
    Click(view, WM_LBUTTONDOWN, kOutline[0]);
    Click(view, WM_LBUTTONDOWN, kOutline[1]);
    Click(view, WM_LBUTTONDOWN, kOutline[2]);
    AcquireWorker();
    PolygonToolMouse(view, WM_RBUTTONDOWN, MAKELPARAM(kOutline[0].x, kOutline[0].y));
    ReleaseWorker();
    EXPECT_TRUE(Logged(kEditWorkerBusyLog));
    EXPECT_EQ(Classes(), before);
    EXPECT_EQ(r->undoCount, 0);

    // Format 0-5 points cannot hold class 40: refused with the reason.
    set->fileClassLimit = 31;
    r->classSelection.targetClass = 40;
    BoxAnswers answers;
    DrawOutline(view);
    ASSERT_EQ(answers.shown().size(), 1u);
    char text[500];
    snprintf(text, sizeof text, kClassTooLargeText, 40, "edit.las", 31);
    EXPECT_EQ(answers.shown()[0].text, text);
    EXPECT_EQ(Classes(), before);
    EXPECT_EQ(r->undoCount, 0);
    set->fileClassLimit = 255;
    DrawOutline(view);
    EXPECT_EQ(r->undoCount, 1);
}
