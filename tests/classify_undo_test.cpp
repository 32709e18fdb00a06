// Undo and redo: exact restoration, the stack's depth and cost after long
// random edit sequences, and dropping edits into a data set that leaves.
#include "classify_test_support.h"
#include "classify/reclass.h"
#include "classify/undo.h"
#include "app/app_windows.h"
#include "data/selection.h"
#include <random>

namespace {

int ChainLength(const ViewRecord* r)
{
    int n = 0;
    for (const UndoRecord* u = r->undoTop; u; u = u->next) n++;
    return n;
}
int64_t ChainCost(const ViewRecord* r)
{
    int64_t c = 0;
    for (const UndoRecord* u = r->undoTop; u; u = u->next) c += u->cost;
    return c;
}

// Reclassifies the points whose index passes `keep` to `target`.
template <typename Keep> int EditPoints(HWND view, DataSet* set, int target, Keep keep)
{
    PointSelection* s = CreatePointSelection(set->pointCount);
    s->count = 0;
    for (int i = 0; i < set->pointCount; i++)
        if (keep(i)) s->items[s->count++] = &set->points[i];
    ClassSelection classes = {};
    classes.targetClass = target;
    int n = ReclassSelection(view, s, &classes, 0, 16);
    FreePointSelection(s);
    return n;
}

// A second data set of `n` points in the view, as loaded (saved).
DataSet* AddSecondSet(ViewRecord* r, int n)
{
    DataSet* other = AllocDataSet();
    other->points = (PointRecord*)NBLCalloc(n, sizeof(PointRecord));
    other->pointCount = other->filePointCount = n;
    other->saved = 1;
    r->dataSets = (DataSet**)NBLReMalloc(r->dataSets, 2 * sizeof(DataSet*));
    r->dataSets[1] = other;
    r->dataSetCount = 2;
    return other;
}

int Command(HWND window, int id) { return ViewCommand(window, MAKEWPARAM(id, 0), 0); }

}  // namespace

TEST_F(ClassEditTest, UndoAndRedoRestoreExactlyOneEditAtATime)
{
    HWND view = ViewWithPoints(300);
    ViewRecord* r = Record(view);
    std::vector<uint8_t> start = Classes();
    EXPECT_EQ(EditPoints(view, set, 6, [](int i) { return i % 2 == 0; }), 150);
    std::vector<uint8_t> afterFirst = Classes();
    EXPECT_EQ(EditPoints(view, set, 9, [](int i) { return i % 3 == 0; }), 100);
    std::vector<uint8_t> afterSecond = Classes();
    EXPECT_EQ(r->undoCount, 2);
    EXPECT_EQ(r->undoTotal, 5 * 250);

    // The most recent edit first; a point changed twice gets its middle class back.
    EXPECT_EQ(Command(view, CMD_UNDO), 100);
    EXPECT_EQ(Classes(), afterFirst);
    EXPECT_EQ(set->points[0].classification, 6);
    EXPECT_TRUE(Logged("[UNDO]  100"));
    EXPECT_EQ(Command(view, CMD_REDO), 100);
    EXPECT_EQ(Classes(), afterSecond);
    EXPECT_TRUE(Logged("[REDO]  100"));
    EXPECT_EQ(Command(view, CMD_UNDO), 100);
    EXPECT_EQ(Command(view, CMD_UNDO), 150);
    EXPECT_EQ(Classes(), start);
    EXPECT_EQ(r->undoCount, 0);
    EXPECT_EQ(r->undoTotal, 0);

    // Only the edit undone last can be redone.
    EXPECT_EQ(Command(view, CMD_REDO), 150);
    EXPECT_EQ(Classes(), afterFirst);
    EXPECT_EQ(Command(view, CMD_REDO), 0);

    // An empty stack: nothing logged, the redo record kept, the point-edit flag cleared.
    EXPECT_EQ(Command(view, CMD_UNDO), 150);
    logged().clear();
    r->editPending = 1;
    EXPECT_EQ(Command(view, CMD_UNDO), 0);
    EXPECT_EQ(r->editPending, 0);
    EXPECT_TRUE(logged().empty());
    EXPECT_NE(r->undoRedo, nullptr);
}

namespace {

// Redo commands that reach the frame, whichever road they took.
int redoCommands;
LRESULT CALLBACK CountRedo(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* m = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && m->hwnd == FrameWindow && m->message == WM_COMMAND && LOWORD(m->wParam) == CMD_REDO)
        redoCommands++;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool RedoButtonEnabled()
{
    HWND edit = (HWND)GetWindowSlot(FrameWindow, FRAME_EDIT_TOOLBAR);
    return SendMessageA(edit, TB_ISBUTTONENABLED, CMD_REDO, 0) != 0;
}
bool RedoItemEnabled() { return !(GetMenuState(ViewMenu, CMD_REDO, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)); }

}  // namespace

// Only one undone edit is kept: Redo (button, menu item, Ctrl+Y) is offered
// while it exists and follows the active view.
TEST_F(ClassEditTest, RedoIsOfferedOnlyWhileAnUndoneEditIsKept)
{
    HWND view = ViewWithPoints(60);
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)view, 0);
    EXPECT_FALSE(RedoButtonEnabled());
    EXPECT_FALSE(RedoItemEnabled());
    EditPoints(view, set, 6, [](int i) { return i % 2 == 0; });
    std::vector<uint8_t> afterFirst = Classes();
    EditPoints(view, set, 9, [](int i) { return i % 3 == 0; });
    EXPECT_FALSE(RedoButtonEnabled());

    PressCtrl('Z');
    EXPECT_TRUE(RedoButtonEnabled());
    EXPECT_TRUE(RedoItemEnabled());
    PressCtrl('Z');
    EXPECT_TRUE(RedoButtonEnabled());

    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CountRedo, nullptr, GetCurrentThreadId());
    redoCommands = 0;
    PressCtrl('Y');
    EXPECT_EQ(redoCommands, 1);
    EXPECT_EQ(Classes(), afterFirst);
    EXPECT_FALSE(RedoButtonEnabled());
    EXPECT_FALSE(RedoItemEnabled());
    PressCtrl('Y');   // the grayed item holds the key back
    EXPECT_EQ(redoCommands, 1);
    EXPECT_EQ(Classes(), afterFirst);
    UnhookWindowsHookEx(hook);

    // Another view has nothing to redo; back in this one, its undone edit is offered again.
    PressCtrl('Z');
    EXPECT_TRUE(RedoItemEnabled());
    HWND other = OpenEmptyView("other");
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)other, 0);
    EXPECT_FALSE(RedoButtonEnabled());
    EXPECT_FALSE(RedoItemEnabled());
    SendMessageA(MDIClientWindow, WM_MDIACTIVATE, (WPARAM)view, 0);
    EXPECT_TRUE(RedoButtonEnabled());
    EXPECT_TRUE(RedoItemEnabled());
}

TEST_F(ClassEditTest, LongRandomEditSequencesKeepTheStackAndClassesTrue)
{
    HWND view = ViewWithPoints(500);
    ViewRecord* r = Record(view);
    struct Edit { std::vector<uint8_t> before, after; int n; };
    std::vector<Edit> model;
    Edit redo;
    bool redoValid = false;
    std::mt19937 random(12345);
    for (int step = 0; step < 600; step++) {
        int op = random() % 4;
        if (op <= 1) {
            int target = random() % 20, modulus = 2 + random() % 7, rest = random() % modulus;
            Edit e;
            e.before = Classes();
            e.n = EditPoints(view, set, target, [&](int i) { return i % modulus == rest; });
            e.after = Classes();
            model.push_back(e);
            redoValid = false;
        } else if (op == 2) {
            int n = UndoClassEdit(view);
            if (model.empty()) {
                ASSERT_EQ(n, 0);
            } else {
                ASSERT_EQ(n, model.back().n);
                ASSERT_EQ(Classes(), model.back().before) << "step " << step;
                redo = model.back();
                model.pop_back();
                redoValid = true;
            }
        } else if (redoValid) {
            ASSERT_EQ(RedoClassEdit(view), redo.n);
            ASSERT_EQ(Classes(), redo.after) << "step " << step;
            model.push_back(redo);
            redoValid = false;
        }
        int64_t cost = 0;
        for (const Edit& e : model) cost += 5 * (int64_t)e.n;
        ASSERT_EQ(r->undoCount, (int)model.size());
        ASSERT_EQ(ChainLength(r), r->undoCount);
        ASSERT_EQ(r->undoTotal, cost);
        ASSERT_EQ(ChainCost(r), r->undoTotal);
    }
}

TEST_F(ClassEditTest, EditsIntoADataSetThatLeavesAreDropped)
{
    HWND view = ViewWithPoints(50);
    ViewRecord* r = Record(view);
    DataSet* other = AddSecondSet(r, 20);

    EditPoints(view, set, 3, [](int i) { return i < 5; });
    UndoRecord* intoOther = NewUndoRecord(2);
    intoOther->points.items[0] = &other->points[4];
    intoOther->points.items[1] = &other->points[7];
    PushUndoRecord(view, intoOther);
    EditPoints(view, set, 4, [](int i) { return i >= 45; });
    UndoRecord* redoIntoOther = NewUndoRecord(1);
    redoIntoOther->points.items[0] = &other->points[0];
    r->undoRedo = redoIntoOther;
    r->profilePoints = CreatePointSelection(1);
    r->profilePoints->items[0] = &other->points[2];

    ForgetClassEditsOf(r, other);
    EXPECT_EQ(r->undoCount, 2);
    EXPECT_EQ(ChainLength(r), 2);
    EXPECT_EQ(r->undoTotal, 5 * 10);
    EXPECT_EQ(r->undoRedo, nullptr);
    EXPECT_EQ(r->profilePoints, nullptr);
    r->dataSetCount = 1;
    FreeDataSet(other);
    EXPECT_EQ(Command(view, CMD_UNDO), 5);
    EXPECT_EQ(Command(view, CMD_UNDO), 5);
}

TEST_F(ClassEditTest, EveryChangeOfClassesLeavesTheSetUnsaved)
{
    HWND view = ViewWithPoints(40);
    ViewRecord* r = Record(view);
    DataSet* other = AddSecondSet(r, 10);

    // Even an edit undone back to the loaded classes counts: the stack cannot
    // tell whether a save came in between.
    EditPoints(view, set, 6, [](int i) { return i < 4; });
    EXPECT_EQ(set->saved, 0);
    EXPECT_EQ(Command(view, CMD_UNDO), 4);
    EXPECT_EQ(set->saved, 0);
    set->saved = 1;   // as a save leaves it
    EXPECT_EQ(Command(view, CMD_REDO), 4);
    EXPECT_EQ(set->saved, 0);
    set->saved = 1;
    EXPECT_EQ(Command(view, CMD_UNDO), 4);
    EXPECT_EQ(set->saved, 0);
    EXPECT_EQ(other->saved, 1);   // no point of it was touched
    r->dataSetCount = 1;
    FreeDataSet(other);
}

// The profile and 3D windows undo and redo their plan view's edits, whether
// the command comes through the frame or straight to the window.
TEST_F(ClassEditTest, TheProfileAndThe3DWindowUndoAndRedoThePlanViewsEdits)
{
    HWND view = ViewWithPoints(60);
    std::vector<uint8_t> start = Classes();
    EditPoints(view, set, 6, [](int i) { return i < 20; });
    std::vector<uint8_t> edited = Classes();
    for (const char* kind : {"ChildProfile", "ChildOpenGL"}) {
        HWND linked = AddLinked(view, kind);
        EXPECT_EQ(Command(linked, CMD_UNDO), kind[5] == 'P' ? 1 : 20) << kind;
        EXPECT_EQ(Classes(), start) << kind;
        SendMessageA(linked, WM_COMMAND, CMD_REDO, 0);
        EXPECT_EQ(Classes(), edited) << kind;
        EXPECT_EQ(Command(linked, CMD_COLOR_CLASS), 1) << kind;   // a plan-only command passes on too
    }
}
