// The export dialog driven as a user would from the frame's Export command:
// files added, format, fields, filters, preview, Start, Pause and Stop.
#include "tests/convert_test_support.h"
#include "tests/window_fixtures.h"
#include "gis/convert/convert_dialog.h"
#include "gis/convert/export_dialog.h"
#include "gis/convert/export_writers.h"
#include "app/command_ids.h"
#include "app/job_control.h"
#include "data/ascii_format_dialog.h"
#include "resource.h"
#include <commctrl.h>

namespace {

class ExportDialogTest : public FolderFrameFixture {
protected:
    void TearDown() override
    {
        StopFrame();
        FrameFixture::TearDown();
    }
    void Copy(const char* sample, const char* name)
    {
        ASSERT_TRUE(CopyFileA(SamplePath(sample).c_str(), (folder + name).c_str(), FALSE));
        SetFileAttributesA((folder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        names.push_back(name);
    }
    // Runs the Export command with `drive` driving dialog 318 (and `other` the rest).
    void RunExport(std::function<void(HWND)> drive, std::function<void(HWND, int)> other = nullptr)
    {
        DialogDriver driver([&](HWND dialog, int id) {
            if (id != IDD_EXPORT_LAS) {
                if (other) other(dialog, id);
                return;
            }
            std::string answer = folder.substr(0, folder.size() - 1);
            for (const std::string& n : names) answer += "|" + n;
            {
                FileDialogAnswers files({ answer });
                SendMessageA(dialog, WM_COMMAND, IDC_CONVERT_ADD_FILES, 0);
            }
            drive(dialog);
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        SendMessageA(FrameWindow, WM_COMMAND, CMD_EXPORT, 0);
    }
    static bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != 0; }
    static void Check(HWND dialog, int id)
    {
        CheckDlgButton(dialog, id, BST_CHECKED);
        SendMessageA(dialog, WM_COMMAND, id, 0);
    }
    static bool Completed(const BoxAnswers& boxes, const char* outcome = kExportCompleteText)
    {
        for (const ShownBox& b : boxes.shown())
            if (b.text.rfind(outcome, 0) == 0 && b.caption == kExportCompleteCaption) return true;
        return false;
    }
    std::vector<std::string> names;
};

}  // namespace

// A whole run: the format radios switch the text-only controls, Start with
// no field refuses, Bare Earth keeps classes 2 and 8, the files leave the
// list as they are written and the end is announced.
TEST_F(ExportDialogTest, ShapefileRunWithBareEarthFilter)
{
    REQUIRE_SAMPLES();
    Copy("point-time.las", "a.las");
    Copy("point10.las", "b.las");
    BoxAnswers boxes;
    std::vector<std::string> rowsAtEnd;
    RunExport(
        [&](HWND dialog) {
            EXPECT_EQ(ListBoxRows(GetDlgItem(dialog, IDC_CONVERT_FILES)).size(), 2u);
            EXPECT_TRUE(Enabled(dialog, IDC_CONVERT_START));
            Check(dialog, IDC_EXPORT_SHAPEZ);
            for (int id : { IDC_DELIMITER_SPACE, IDC_DELIMITER_TAB, IDC_EXPORT_HEADER, IDC_CONVERT_PREVIEW })
                EXPECT_FALSE(Enabled(dialog, id)) << id;
            HWND fields = GetDlgItem(dialog, IDC_EXPORT_FIELDS);
            for (int i = 0; i < 16; i++) ListView_SetCheckState(fields, i, FALSE);
            SendMessageA(dialog, WM_COMMAND, IDC_CONVERT_START, 0);
            ASSERT_TRUE(ShowedOneBox(boxes, kExportNoFieldsText));
            // Classification (row 8) moved up to the top, checked with Z.
            ListView_SetCheckState(fields, 2, TRUE);
            ListView_SetCheckState(fields, 8, TRUE);
            ListView_SetSelectionMark(fields, 8);
            for (int k = 0; k < 8; k++) SendMessageA(dialog, WM_COMMAND, IDC_FIELD_UP, 0);
            SendMessageA(dialog, WM_COMMAND, IDC_EXPORT_FILTER_CONFIG, 0);
            SendMessageA(dialog, WM_COMMAND, IDC_CONVERT_START, 0);
            EXPECT_TRUE(PumpUntil([&] { return Completed(boxes); }, 30000)) << "the export did not end";
            rowsAtEnd = ListBoxRows(GetDlgItem(dialog, IDC_CONVERT_FILES));
            EXPECT_FALSE(Enabled(dialog, IDC_CONVERT_STOP));
            EXPECT_FALSE(Enabled(dialog, IDC_CONVERT_START));
        },
        [](HWND dialog, int id) {
            ASSERT_EQ(id, IDD_EXPORT_FILTERS);
            SendMessageA(dialog, WM_COMMAND, IDC_FILTER_BARE_EARTH, 0);
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
    EXPECT_TRUE(rowsAtEnd.empty());
    for (const char* name : { "a.shp", "b.shp" }) {
        ShapeReader shape(folder + name);
        ASSERT_TRUE(shape.opened) << name;
        EXPECT_EQ(shape.type, SHAPE_POINTZ);
        ASSERT_EQ(shape.Field("CLASS"), 1);
        ASSERT_EQ(shape.Field("Z"), 2);
        EXPECT_GT(shape.count, 0);
        for (int i = 0; i < shape.count; i++) {
            int cls = shape.Integer(i, 1);
            EXPECT_TRUE(cls == 2 || cls == 8) << cls;
            double x, y, z;
            shape.Point(i, &x, &y, &z);
            EXPECT_NEAR(z, shape.Real(i, 2), 0.0006);
        }
    }
}

// The preview shows the header and the first 10 points as the text file
// will hold them (Tab previews with blanks), whatever the filters say.
TEST_F(ExportDialogTest, PreviewShowsTheFirstTenLines)
{
    REQUIRE_SAMPLES();
    Copy("point-color-time.las", "c.las");
    std::vector<std::string> preview;
    std::string caption;
    RunExport(
        [&](HWND dialog) {
            Check(dialog, IDC_DELIMITER_TAB);
            Check(dialog, IDC_EXPORT_HEADER);
            HWND fields = GetDlgItem(dialog, IDC_EXPORT_FIELDS);
            ListView_SetCheckState(fields, 8, TRUE);
            ListView_SetCheckState(fields, 12, TRUE);
            SendMessageA(dialog, WM_COMMAND, IDC_EXPORT_FILTER_CONFIG, 0);
            SendDlgItemMessageA(dialog, IDC_CONVERT_FILES, LB_SETCURSEL, 0, 0);
            SaveWindowShot(dialog, "export_dialog");
            SendMessageA(dialog, WM_COMMAND, IDC_CONVERT_PREVIEW, 0);
        },
        [&](HWND dialog, int id) {
            if (id == IDD_EXPORT_FILTERS) {
                SendMessageA(dialog, WM_COMMAND, IDC_FILTER_ALL_OFF, 0);
                BoxAnswers yes({ IDYES, IDYES });
                SendMessageA(dialog, WM_COMMAND, IDOK, 0);
                EXPECT_EQ(yes.shown().size(), 1u);
                return;
            }
            ASSERT_EQ(id, IDD_EXPORT_PREVIEW);
            char text[300];
            GetWindowTextA(dialog, text, sizeof text);
            caption = text;
            preview = ListBoxRows(GetDlgItem(dialog, IDC_EXPORT_PREVIEW_LIST));
            SaveWindowShot(dialog, "export_preview");
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
    EXPECT_EQ(caption, "Export Preview c.las");
    ASSERT_EQ(preview.size(), 11u);
    EXPECT_EQ(preview[0], "X Y Z CLASS GPS_TIME");
    // The same points through the writer, Space-separated, unfiltered.
    ExportSettings* s = SettingsWith({ 0, 1, 2, 8, 12 });
    s->includeHeader = 1;
    JobControl* job = CreateJobControl();
    FileList files = {};
    AddFileListEntry(&files, (folder + "c.las").c_str(), "c.las");
    ASSERT_EQ(ExportLASFile(files.entries[0], s, kExportASCII, job, nullptr), 1);
    std::vector<std::string> lines = ReadLines(folder + "c.xyz");
    ASSERT_GE(lines.size(), 11u);
    for (size_t i = 0; i < 11; i++) EXPECT_EQ(preview[i], lines[i]);
    ClearFileList(&files);
    FreeJobControl(job);
    FreeExportSettings(s);
}

// Pause holds the writer; Stop answered No leaves it paused, Yes ends the
// run: the end notice says it stopped, the unfinished files stay listed and
// none of them has an output.
TEST_F(ExportDialogTest, StopLeavesUnfinishedFilesListedWithoutOutput)
{
    REQUIRE_SAMPLES();
    for (const char* name : { "t1.las", "t2.las", "t3.las" }) Copy("autzen_trim.las", name);
    BoxAnswers boxes({ IDNO, IDYES });
    std::vector<std::string> rows;
    RunExport([&](HWND dialog) {
        SendMessageA(dialog, WM_COMMAND, IDC_CONVERT_START, 0);
        SendMessageA(dialog, WM_COMMAND, IDC_CONVERT_PAUSE, 0);
        EXPECT_TRUE(Enabled(dialog, IDC_CONVERT_START));
        EXPECT_FALSE(Enabled(dialog, IDC_CONVERT_PAUSE));
        SendMessageA(dialog, WM_COMMAND, IDC_CONVERT_STOP, 0);   // No: stays paused
        EXPECT_TRUE(Enabled(dialog, IDC_CONVERT_START));
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);               // Dismiss is ignored while it runs
        SendMessageA(dialog, WM_COMMAND, IDC_CONVERT_STOP, 0);   // Yes
        EXPECT_TRUE(PumpUntil([&] { return Completed(boxes, "Export Process Stopped"); }, 30000));
        rows = ListBoxRows(GetDlgItem(dialog, IDC_CONVERT_FILES));
    });
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_EQ(boxes.shown()[0].text, kExportStopQuestion);
    EXPECT_EQ(boxes.shown()[0].caption, kExportStopCaption);
    EXPECT_EQ(boxes.shown()[2].text, "Export Process Stopped\n\nFiles converted:  0\nFiles failed:  0\nFiles stopped:  3");
    ASSERT_FALSE(rows.empty());
    for (const std::string& row : rows) EXPECT_FALSE(FileThere(row.substr(0, row.size() - 4) + ".xyz")) << row;
}
