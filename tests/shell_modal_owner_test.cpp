// Boxes, dialogs and file dialogs asked for from inside a modal dialog belong
// to that dialog, whatever owner the caller named: closing one must not
// enable the frame under the dialog's running loop.
#include "window_fixtures.h"
#include "app/class_table.h"
#include "shell/open_files.h"
#include "shell/save_las.h"
#include "base/dialogs.h"
#include "base/file_list.h"
#include "base/file_list_dialogs.h"
#include "data/gdal_grid.h"
#include "gis/project/project_commands.h"
#include "gis/project/tscan_project.h"
#include "views/contours/contour_shapefile.h"
#include "resource.h"
#include <commctrl.h>

namespace {

INT_PTR CALLBACK PlainDialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
HWND outerDialog;
HWND fromWorker;

DWORD WINAPI AskOwnerFromWorker(void*)
{
    fromWorker = ModalOwner(FrameWindow);
    return 0;
}

class ModalOwnerTest : public FrameFixture {};

}  // namespace

TEST_F(ModalOwnerTest, EveryBoxAndFileDialogFromADialogIsOwnedByIt)
{
    StartFrame();
    DialogDriver driver([](HWND dialog, int templateId) {
        if (templateId != IDD_NOUNITS) {   // the nested dialog
            EXPECT_EQ(GetWindow(dialog, GW_OWNER), outerDialog);
            EndDialog(dialog, 7);
            return;
        }
        outerDialog = dialog;
        EXPECT_FALSE(IsWindowEnabled(FrameWindow));
        {
            BoxAnswers boxes;
            ErrorMessage("No file is selected.");
            WarningMessage("careful");
            ShowMessageBox(FrameWindow, "framed", "Box", MB_OK);
            EXPECT_EQ(boxes.shown().size(), 3u);
            for (const ShownBox& b : boxes.shown()) EXPECT_EQ(b.owner, dialog) << b.text;
        }
        // Every chooser of the program, each naming the frame or nothing as its owner.
        FileDialogAnswers files({});
        char path[256] = "", title[256] = "";
        FileList list = {};
        ChooseClassListToSave(FrameWindow, path, title);
        ChooseClassListToLoad(FrameWindow, path, title);
        ChooseContourFile(path, title);
        ChooseMagnitudeFile(path, title);
        ChooseTScanProject(path, title);
        ChooseProjectToOpen(path, title);
        ChooseProjectToSave(path, title, "");
        ChooseSaveLASFile(path, title);
        OpenDataFilesDialog(FrameWindow);
        OpenLASFilesDialog(FrameWindow, &list, "Add");
        EXPECT_EQ(files.calls(), 10);
        for (size_t i = 0; i < files.owners().size(); i++)
            EXPECT_EQ(files.owners()[i], dialog) << files.captions()[i];
        // A worker asking finds the dialog too, not a tooltip of the frame's
        // that is shown above it.
        HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, "", WS_POPUP, 0, 0, 40, 20, FrameWindow, nullptr,
                                   nullptr, nullptr);
        SetWindowPos(tip, HWND_TOPMOST, 0, 0, 40, 20, SWP_NOACTIVATE | SWP_SHOWWINDOW);
        HANDLE worker = CreateThread(nullptr, 0, AskOwnerFromWorker, nullptr, 0, nullptr);
        WaitForSingleObject(worker, 5000);
        CloseHandle(worker);
        DestroyWindow(tip);
        EXPECT_EQ(fromWorker, dialog);
        // A dialog opened over it is its own, and gives the input back to it.
        EXPECT_EQ(ShowDialog(IDD_DECIMATION, FrameWindow, PlainDialog, 0), 7);
        EXPECT_FALSE(IsWindowEnabled(FrameWindow));
        EXPECT_TRUE(IsWindowEnabled(dialog));
        ClearFileList(&list);
        EndDialog(dialog, 1);
    });
    EXPECT_EQ(ShowDialog(IDD_NOUNITS, FrameWindow, PlainDialog, 0), 1);
    EXPECT_TRUE(IsWindowEnabled(FrameWindow));
    // Without a modal dialog the owner stays as named.
    BoxAnswers boxes;
    ShowMessageBox(FrameWindow, "plain", "Box", MB_OK);
    EXPECT_EQ(boxes.shown().at(0).owner, FrameWindow);
}
