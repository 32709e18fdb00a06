// The Lidar File Manager over a view of sample files: adding and removing
// files, the selection after a removal, refusals, "Remove All" closing the
// view, and what a removed set takes with it.
#include "window_fixtures.h"
#include "classify/undo.h"
#include "point_sets.h"
#include "las_test_files.h"
#include "layer_test_files.h"
#include "base/file_list.h"
#include "base/paths.h"
#include "shell/file_manager.h"
#include "shell/open_files.h"
#include "shell/view_window.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include "resource.h"
#include <gdal.h>

namespace {

class FileManagerTest : public ViewFixture {
protected:
    HWND SampleView(std::vector<const char*> names, const char* title = "survey")
    {
        std::vector<DataSet*> sets;
        for (const char* name : names) {
            DataSet* set = LoadDataFile(SamplePath(name).c_str(), name);
            EXPECT_NE(set, nullptr) << name;
            if (set) sets.push_back(set);
        }
        return OpenView(sets, 0, 0, title);
    }

    // Runs the manager with `drive` acting in the dialog before "Done"; the
    // list's rows as the dialog showed them last.
    int Manage(HWND view, std::function<void(HWND dialog, HWND list)> drive)
    {
        DialogDriver driver([&](HWND dialog, int templateId) {
            EXPECT_EQ(templateId, IDD_FILE_MANAGER);
            HWND list = GetDlgItem(dialog, IDC_MANAGER_LIST);
            drive(dialog, list);
            rows = ListRows(list);
            SaveWindowShot(dialog, "file_manager");
            SendMessageA(dialog, WM_COMMAND, IDC_MANAGER_DONE, 0);
        });
        return ShowLidarFileManager(view);
    }
    static void Press(HWND dialog, int id) { SendMessageA(dialog, WM_COMMAND, id, 0); }
    static int Mark(HWND list) { return (int)SendMessageA(list, LVM_GETSELECTIONMARK, 0, 0); }
    static void SetMark(HWND list, int row) { SendMessageA(list, LVM_SETSELECTIONMARK, 0, row); }
    static std::vector<std::string> Titles(HWND view)
    {
        std::vector<std::string> titles;
        ViewRecord* r = Record(view);
        for (int i = 0; i < r->dataSetCount; i++) titles.push_back(r->dataSets[i]->title);
        return titles;
    }

    std::vector<std::pair<std::string, std::string>> rows;
};

typedef std::vector<std::string> Names;

}  // namespace

TEST_F(FileManagerTest, AddingAFileLoadsItAndRemovingOneDropsIt)
{
    REQUIRE_SAMPLES();
    HWND view = SampleView({"simple.las"});
    ViewRecord* r = Record(view);
    FileDialogAnswers files({SamplePath("point10.las")});
    HWND manager = nullptr;
    EXPECT_EQ(Manage(view, [&](HWND dialog, HWND) {
        manager = dialog;
        Press(dialog, IDC_MANAGER_ADD);
    }), 1);
    EXPECT_EQ(files.owners().at(0), manager);   // the dialog asked from owns it, not the view behind
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], std::make_pair(std::string("LAS"), std::string("simple.las")));
    EXPECT_EQ(rows[1], std::make_pair(std::string("LAS"), std::string("point10.las")));
    EXPECT_EQ(files.captions().at(0), "Open Data Files");
    EXPECT_EQ(Titles(view), Names({"simple.las", "point10.las"}));
    EXPECT_EQ(r->totalPoints, r->dataSets[0]->pointCount + r->dataSets[1]->pointCount);
    EXPECT_EQ(r->currentDataSet, r->dataSets[0]);
    EXPECT_EQ(r->fileListFirst, 0);   // the working list is gone
    EXPECT_EQ(r->fileListSecond, nullptr);

    // Remove the first: the selection mark stays on row 0, the view keeps the other file.
    int markAfter = -2;
    EXPECT_EQ(Manage(view, [&](HWND dialog, HWND list) {
                  SetMark(list, 0);
                  Press(dialog, IDC_MANAGER_REMOVE);
                  markAfter = Mark(list);
              }),
              1);
    EXPECT_EQ(markAfter, 0);
    EXPECT_EQ(Titles(view), Names({"point10.las"}));
    EXPECT_EQ(r->currentDataSet, r->dataSets[0]);
    EXPECT_EQ(r->totalPoints, r->dataSets[0]->pointCount);
    EXPECT_EQ(r->imageCacheValid, 0);
}

// A load into the view that is not active shows on that view's status line;
// the active view keeps its own line, and a line of no view still goes to it.
TEST_F(FileManagerTest, ALoadIntoAViewBehindShowsOnItsOwnStatusLine)
{
    REQUIRE_SAMPLES();
    HWND behind = SampleView({"simple.las"}, "behind");
    HWND front = SampleView({"point10.las"}, "front");
    ASSERT_EQ(GetActiveView(), front);
    LogMessage("[QUERY] No Point Found");
    FileList list = {};
    for (const char* name : {"simple.las", "1815.las"}) AddFileListEntry(&list, SamplePath(name).c_str(), name);
    ViewRecord* r = Record(behind);
    r->fileListFirst = list.count;
    r->fileListSecond = list.entries;
    EXPECT_EQ(AddFilesToView(behind), 1);
    ClearManagerList(behind);
    EXPECT_EQ(Titles(behind), Names({"simple.las", "1815.las"}));
    EXPECT_EQ(StatusText(behind, 5), "[LOAD]  1815.las");
    EXPECT_EQ(StatusText(front, 5), "[QUERY] No Point Found");
    LogMessage("[BATCH]  done");
    EXPECT_EQ(StatusText(front, 5), "[BATCH]  done");
    EXPECT_EQ(StatusText(behind, 5), "[LOAD]  1815.las");
}

TEST_F(FileManagerTest, RemovalMovesTheMarkUpAndNoChangeRedrawsNothing)
{
    REQUIRE_SAMPLES();
    HWND view = SampleView({"simple.las", "point10.las", "simple1_1.las", "1815.las"});
    ViewRecord* r = Record(view);
    r->imageCacheValid = 1;
    // "Remove" without a selection, and "Add Files" with a listed file: no
    // set changes, so the view is not reloaded or redrawn.
    FileDialogAnswers files({SamplePath("simple.las")});
    int markAfter = 0;
    EXPECT_EQ(Manage(view, [&](HWND dialog, HWND list) {
                  SetMark(list, -1);
                  Press(dialog, IDC_MANAGER_REMOVE);
                  Press(dialog, IDC_MANAGER_ADD);
                  markAfter = Mark(list);
              }),
              1);
    EXPECT_EQ(rows.size(), 4u);
    EXPECT_EQ(files.calls(), 1);
    EXPECT_EQ(r->dataSetCount, 4);
    EXPECT_EQ(r->imageCacheValid, 1);

    // Removing row 3 marks row 2.
    EXPECT_EQ(Manage(view, [&](HWND dialog, HWND list) {
                  SetMark(list, 3);
                  Press(dialog, IDC_MANAGER_REMOVE);
                  markAfter = Mark(list);
              }),
              1);
    EXPECT_EQ(markAfter, 2);
    EXPECT_EQ(Titles(view), Names({"simple.las", "point10.las", "simple1_1.las"}));
}

TEST_F(FileManagerTest, AGridJoinsNoPointViewAndAnotherCaseIsAnotherFile)
{
    REQUIRE_SAMPLES();
    // A single-band GeoTIFF grid.
    std::string tif = TempPath("grid.tif");
    ASSERT_TRUE(WriteTestImage(tif, 6, 8, 1, GDT_Float32, {}, true, 500000, 4000000));

    HWND view = SampleView({"simple.las"});
    {
        BoxAnswers boxes;
        FileDialogAnswers files({tif});
        Manage(view, [&](HWND dialog, HWND) { Press(dialog, IDC_MANAGER_ADD); });
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[1].first, "GRID");
        ASSERT_TRUE(ShowedOneBox(boxes, kPointViewMixText));
        EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
        EXPECT_EQ(Titles(view), Names({"simple.las"}));
    }
    {
        // The same file under another letter case is taken for another file
        // and loaded beside it (the file system here ignores case).
        std::string other = SamplePath("simple.las");
        other.replace(other.size() - 10, 10, "SIMPLE.las");
        FileDialogAnswers files({other});
        Manage(view, [&](HWND dialog, HWND) { Press(dialog, IDC_MANAGER_ADD); });
        EXPECT_EQ(rows.size(), 2u);
        EXPECT_EQ(Titles(view), Names({"simple.las", "SIMPLE.las"}));
    }
}

TEST_F(FileManagerTest, RemoveAllClosesTheViewWhichThenNamesItself)
{
    REQUIRE_SAMPLES();
    HWND view = SampleView({"simple.las", "point10.las"}, "survey view");
    ViewRecord* r = Record(view);
    POISet* poi = (POISet*)calloc(1, sizeof(POISet));   // an unsaved POI set
    r->poiSet = poi;
    BoxAnswers boxes({IDNO});
    EXPECT_EQ(Manage(view, [&](HWND dialog, HWND) { Press(dialog, IDC_MANAGER_REMOVE_ALL); }), 0);
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(r->dataSetCount, 0);
    EXPECT_EQ(r->currentDataSet, nullptr);
    ASSERT_TRUE(WaitUntil(
        [&] {
            PumpMessages(5);
            return !IsWindow(view);
        },
        5000))
        << "the empty view stayed open";
    ASSERT_TRUE(ShowedOneBox(boxes, Formatted(kUnsavedSetQuestion, "POI", "survey view")));
    free(poi);
}

TEST_F(FileManagerTest, ARemovedSetTakesTheTINAndSelectionsIntoItAlong)
{
    DataSet* a = MakePointDataSet({MakePoint(0, 0, 1, 2), MakePoint(10, 0, 2, 2), MakePoint(0, 10, 3, 2),
                                   MakePoint(10, 10, 4, 2)});
    DataSet* b = MakePointDataSet({MakePoint(100, 100, 1)});
    HWND view = OpenView({a, b});
    ViewRecord* r = Record(view);
    r->tin = BuildTINFromPoints(SelectClassPointsInBox(a, -1, 11, 11, -1, 2));
    ASSERT_NE(r->tin, nullptr);
    r->profilePoints = SelectClassPointsInBox(a, -1, 11, 11, -1, 2);
    ASSERT_NE(r->profilePoints, nullptr);
    // One edit into each set, and an undone one into the set that goes.
    UndoRecord* intoA = NewUndoRecord(1);
    intoA->points.items[0] = &a->points[1];
    PushUndoRecord(view, intoA);
    UndoRecord* intoB = NewUndoRecord(1);
    intoB->points.items[0] = &b->points[0];
    PushUndoRecord(view, intoB);
    r->undoRedo = NewUndoRecord(1);
    r->undoRedo->points.items[0] = &a->points[2];
    r->currentDataSet = a;
    EXPECT_EQ(RemoveViewDataSet(view, 0), 1);
    EXPECT_EQ(r->tin, nullptr);
    EXPECT_EQ(r->profilePoints, nullptr);
    EXPECT_EQ(r->undoCount, 1);
    EXPECT_EQ(r->undoTop, intoB);
    EXPECT_EQ(r->undoTop->next, nullptr);
    EXPECT_EQ(r->undoTotal, intoB->cost);
    EXPECT_EQ(r->undoRedo, nullptr);
    EXPECT_EQ(r->currentDataSet, nullptr);
    ASSERT_EQ(r->dataSetCount, 1);
    EXPECT_EQ(r->dataSets[0], b);
    EXPECT_EQ(RemoveViewDataSet(view, 5), 0);
    EXPECT_EQ(RemoveViewDataSet(view, 0), 1);
    EXPECT_EQ(r->dataSetCount, 0);
    EXPECT_EQ(r->dataSets, nullptr);
}

// The ASCII format dialog frees the files it removes (and all of them on
// Cancel): the view's working list must hold what the dialog left, never the
// freed entries, which the manager would free a second time.
TEST_F(FileManagerTest, TheASCIIFormatDialogsRemovalsReachTheWorkingList)
{
    REQUIRE_SAMPLES();
    std::string xyz = TempPath("manager_points.xyz");
    const char text[] = "1 2 3\n4 5 6\n7 8 9\n";
    ASSERT_TRUE(WriteBytes(xyz, Bytes(text, text + sizeof text - 1)));
    HWND view = SampleView({"simple.las"});
    ViewRecord* r = Record(view);
    auto Working = [&](std::vector<std::string> paths) {
        FileList list = {};
        for (const std::string& p : paths) AddFileListEntry(&list, p.c_str(), GetPathFileName(p.c_str()));
        r->fileListFirst = list.count;
        r->fileListSecond = list.entries;
    };

    // Remove the ASCII file in the dialog, then OK: only the LAS file is left.
    Working({SamplePath("simple.las"), xyz});
    {
        DialogDriver driver([&](HWND dialog, int templateId) {
            ASSERT_EQ(templateId, IDD_ASCII_FORMAT);
            SendDlgItemMessageA(dialog, IDC_ASCII_FILES, LB_SETCURSEL, 0, 0);
            SendMessageA(dialog, WM_COMMAND, IDC_ASCII_REMOVE_FILE, 0);
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        AddFilesToView(view);
    }
    ASSERT_EQ(r->fileListFirst, 1);
    EXPECT_STREQ(r->fileListSecond[0]->path, SamplePath("simple.las").c_str());
    EXPECT_EQ(Titles(view), Names({"simple.las"}));
    ClearManagerList(view);

    // Cancel: the dialog emptied the list, and so is the view's.
    Working({SamplePath("simple.las"), xyz});
    {
        DialogDriver driver([&](HWND dialog, int) { SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
        AddFilesToView(view);
    }
    EXPECT_EQ(r->fileListFirst, 0);
    EXPECT_EQ(r->fileListSecond, nullptr);
    EXPECT_EQ(Titles(view), Names({"simple.las"}));
    ClearManagerList(view);
}

TEST_F(FileManagerTest, RemovingAnEditedSetAsksFirstAndCancelKeepsIt)
{
    REQUIRE_SAMPLES();
    HWND view = SampleView({"simple.las", "point10.las"});
    ViewRecord* r = Record(view);
    r->dataSets[0]->saved = 0;   // its classes were edited
    auto removeFirst = [&](HWND dialog, HWND list) {
        SetMark(list, 0);
        Press(dialog, IDC_MANAGER_REMOVE);
    };
    {
        BoxAnswers boxes({IDCANCEL});
        Manage(view, removeFirst);
        EXPECT_EQ(Titles(view), Names({"simple.las", "point10.las"}));
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text,
                  Formatted(kUnsavedSetQuestion, kUnsavedLASKind, SamplePath("simple.las").c_str()));
    }
    {
        BoxAnswers boxes({IDNO});
        Manage(view, removeFirst);
        EXPECT_EQ(Titles(view), Names({"point10.las"}));
        EXPECT_EQ(boxes.shown().size(), 1u);
    }
    {
        // A saved set goes without a word.
        BoxAnswers boxes({IDCANCEL});
        Manage(view, [&](HWND dialog, HWND) { Press(dialog, IDC_MANAGER_REMOVE_ALL); });
        EXPECT_TRUE(boxes.shown().empty());
    }
}
