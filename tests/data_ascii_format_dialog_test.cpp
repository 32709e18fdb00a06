// The "Load ASCII Format" dialog and the preview, driven as a user would,
// and ASCII files on the opening roads.
#include "window_fixtures.h"
#include "shell/open_files.h"
#include "shell/frame.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/file_io.h"
#include "base/messages.h"
#include "data/ascii_format_dialog.h"
#include "data/ascii_loader.h"
#include "data/data_set.h"
#include "data/import_field_dialogs.h"
#include "data/import_fields.h"
#include <commctrl.h>
#include <shlobj.h>
#include <cstring>
#include <functional>

namespace {

std::vector<std::string> ListRows(HWND dialog, int id)
{
    std::vector<std::string> rows;
    int n = (int)SendDlgItemMessageA(dialog, id, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; i++) {
        char text[600] = "";
        SendDlgItemMessageA(dialog, id, LB_GETTEXT, i, (LPARAM)text);
        rows.push_back(text);
    }
    return rows;
}

void Press(HWND dialog, int id) { SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id)); }
void Select(HWND dialog, int id, int row) { SendDlgItemMessageA(dialog, id, LB_SETCURSEL, row, 0); }

// What the preview showed: its caption and its cells, row by row.
struct PreviewSeen {
    std::string caption;
    std::vector<std::string> headings;
    std::vector<std::vector<std::string>> rows;
};

PreviewSeen ReadPreview(HWND dialog)
{
    PreviewSeen seen;
    char text[300] = "";
    GetWindowTextA(dialog, text, sizeof text);
    seen.caption = text;
    HWND view = GetDlgItem(dialog, IDC_PREVIEW_LIST);
    HWND header = (HWND)SendMessageA(view, LVM_GETHEADER, 0, 0);
    int columns = (int)SendMessageA(header, HDM_GETITEMCOUNT, 0, 0);
    for (int j = 0; j < columns; j++) {
        char heading[64] = "";
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT;
        column.pszText = heading;
        column.cchTextMax = sizeof heading;
        SendMessageA(view, LVM_GETCOLUMNA, j, (LPARAM)&column);
        seen.headings.push_back(heading);
    }
    int rows = (int)SendMessageA(view, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < rows; i++) {
        std::vector<std::string> cells;
        for (int j = 0; j < columns; j++) {
            char cell[300] = "";
            LVITEMA item = {};
            item.iSubItem = j;
            item.pszText = cell;
            item.cchTextMax = sizeof cell;
            SendMessageA(view, LVM_GETITEMTEXTA, i, (LPARAM)&item);
            cells.push_back(cell);
        }
        seen.rows.push_back(cells);
    }
    return seen;
}

// The test's hand on the dialogs: `onFormat` runs in dialog 344 (and ends
// it); the preview is read and closed.
std::function<void(HWND)> onFormat;
std::vector<PreviewSeen> previews;
int formatShown;

void Drive(HWND dialog, int templateId)
{
    if (templateId == IDD_IMPORT_PREVIEW) {
        previews.push_back(ReadPreview(dialog));
        Press(dialog, IDOK);
        return;
    }
    if (templateId != IDD_ASCII_FORMAT) return;
    formatShown++;
    if (onFormat) onFormat(dialog);
    if (IsWindow(dialog)) Press(dialog, IDOK);
}

class ASCIIFormatDialog : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        onFormat = nullptr;
        previews.clear();
        formatShown = 0;
        FreeFieldLists();
        SetDialogDriver(Drive);
    }
    void TearDown() override
    {
        SetDialogDriver(nullptr);
        StopFrame();
        FreeFieldLists();
        FrameFixture::TearDown();
    }
    static void FreeFieldLists()
    {
        FreeImportFieldList(asciiFieldList);
        FreeImportFieldList(asciiAvailableFields);
        asciiFieldList = asciiAvailableFields = nullptr;
    }
};

}  // namespace

TEST_F(ASCIIFormatDialog, ArrowsMoveFieldsAndTheChosenFormatReadsTheFile)
{
    std::string path = WriteTempFile("cols.xyz", "X,Y,Z,I,C,note\n10,20,5,300,2,a\n11,21,6,400,9,b\n");
    std::vector<std::string> importRows, availableRows, afterLeft;
    int upWidth = 0, upHeight = 0, tipCount = 0;
    onFormat = [&](HWND d) {
        EXPECT_EQ(ListRows(d, IDC_ASCII_FILES), std::vector<std::string>{path});
        RECT r;
        GetWindowRect(GetDlgItem(d, IDC_FIELD_UP), &r);
        upWidth = r.right - r.left;
        upHeight = r.bottom - r.top;
        HWND tips = FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr);
        for (; tips; tips = FindWindowExA(nullptr, tips, TOOLTIPS_CLASSA, nullptr))
            if (GetParent(tips) == d || GetWindow(tips, GW_OWNER) == d) break;
        if (tips) tipCount = (int)SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0);

        Select(d, IDC_FIELDS_AVAILABLE, 1);  // Intensity
        Press(d, IDC_FIELD_RIGHT);
        Select(d, IDC_FIELDS_AVAILABLE, 0);  // a skip, then swapped below the next one
        Press(d, IDC_FIELD_RIGHT);
        Select(d, IDC_FIELDS_AVAILABLE, 1);  // now Return Number: in and back out again
        Press(d, IDC_FIELD_RIGHT);
        Select(d, IDC_FIELDS_IMPORT, 5);
        Press(d, IDC_FIELD_LEFT);
        afterLeft = ListRows(d, IDC_FIELDS_AVAILABLE);
        Select(d, IDC_FIELDS_AVAILABLE, 4);  // Classification
        Press(d, IDC_FIELD_RIGHT);
        Select(d, IDC_FIELDS_IMPORT, 5);
        Press(d, IDC_FIELD_UP);  // Classification above the skip
        EXPECT_EQ(SendDlgItemMessageA(d, IDC_FIELDS_IMPORT, LB_GETCURSEL, 0, 0), 4);
        Select(d, IDC_FIELDS_IMPORT, 0);
        Press(d, IDC_FIELD_LEFT);  // X stays
        Press(d, IDC_FIELD_UP);    // nothing above the first
        Press(d, kDelimiterComma);
        importRows = ListRows(d, IDC_FIELDS_IMPORT);
        availableRows = ListRows(d, IDC_FIELDS_AVAILABLE);
    };
    BoxAnswers boxes;
    StartFrame(("\"" + path + "\"").c_str());
    for (auto& b : boxes.shown()) ADD_FAILURE() << b.text;
    EXPECT_EQ(formatShown, 1);
    EXPECT_EQ(upWidth, 46);
    EXPECT_EQ(upHeight, 38);
    EXPECT_EQ(tipCount, 4);
    EXPECT_EQ(afterLeft.size(), 13u);
    EXPECT_EQ(afterLeft.back(), " Return Number");
    EXPECT_EQ(importRows, (std::vector<std::string>{" 0 - X (Easting)", " 1 - Y (Northing)", " 2 - Z (Elevation)",
                                                     " 3 -  Intensity", " 4 -  Classification",
                                                     " 5 -  <Skip Field>"}));
    EXPECT_EQ(availableRows.front(), " <Skip Field>");
    EXPECT_EQ(asciiFieldList->delimiter, kDelimiterComma);

    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    DataSet* set = ViewRecordOf(views[0])->currentDataSet;
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->kind, DATA_ASCII);
    ASSERT_EQ(set->pointCount, 2);
    EXPECT_EQ(set->points[0].intensity, 300);
    EXPECT_EQ(set->points[1].classification, 9);
}

TEST_F(ASCIIFormatDialog, PreviewShowsTheFirstLinesInTheMappedColumns)
{
    std::string path = WriteTempFile("prev.xyz", "1 2 3 4\n5 6\n7 8 9 10 11\n");
    onFormat = [&](HWND d) {
        Select(d, IDC_FIELDS_AVAILABLE, 1);
        Press(d, IDC_FIELD_RIGHT);
        Press(d, IDC_ASCII_PREVIEW);
    };
    StartFrame(("\"" + path + "\"").c_str());
    ASSERT_EQ(previews.size(), 1u);
    const PreviewSeen& p = previews[0];
    EXPECT_EQ(p.caption, "Import Preview prev.xyz");
    EXPECT_EQ(p.headings, (std::vector<std::string>{"X", "Y", "Z", "INTENSITY"}));
    ASSERT_EQ(p.rows.size(), 3u);
    EXPECT_EQ(p.rows[0], (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(p.rows[1], (std::vector<std::string>{"5", "6", "", ""}));
    EXPECT_EQ(p.rows[2], (std::vector<std::string>{"7", "8", "9", "10"}));
}

TEST_F(ASCIIFormatDialog, RemoveAndPreviewActOnThePickedFileOfAMixedOpening)
{
    std::string las = SamplePath("simple.las");
    std::string a = WriteTempFile("a.xyz", "1 2 3\n2 3 4\n");
    std::string b = WriteTempFile("b.xyz", "5 6 7\n");
    std::string c = WriteTempFile("c.xyz", "8 9 10\n");
    BoxAnswers boxes;
    std::vector<std::string> rowsBefore, rowsAfter;
    onFormat = [&](HWND d) {
        rowsBefore = ListRows(d, IDC_ASCII_FILES);
        Select(d, IDC_ASCII_FILES, 1);  // b.xyz, the third entry of the opening
        Press(d, IDC_ASCII_REMOVE_FILE);
        rowsAfter = ListRows(d, IDC_ASCII_FILES);
        Select(d, IDC_ASCII_FILES, 1);  // now c.xyz
        Press(d, IDC_ASCII_PREVIEW);
    };
    StartFrame();
    DropOnFrame({las, a, b, c});
    EXPECT_EQ(rowsBefore, (std::vector<std::string>{a, b, c}));
    EXPECT_EQ(rowsAfter, (std::vector<std::string>{a, c}));
    ASSERT_EQ(previews.size(), 1u);
    EXPECT_EQ(previews[0].caption, "Import Preview c.xyz");
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    ViewRecord* record = ViewRecordOf(views[0]);
    ASSERT_EQ(record->dataSetCount, 3);
    EXPECT_STREQ(record->dataSets[0]->title, "simple.las");
    EXPECT_STREQ(record->dataSets[1]->title, "a.xyz");
    EXPECT_STREQ(record->dataSets[2]->title, "c.xyz");
}

TEST_F(ASCIIFormatDialog, PreviewWithoutFilesOrSelectionSaysWhy)
{
    std::string path = WriteTempFile("p.xyz", "1 2 3\n");
    BoxAnswers boxes;
    onFormat = [&](HWND d) {
        Select(d, IDC_ASCII_FILES, -1);
        Press(d, IDC_ASCII_PREVIEW);
        Press(d, IDC_ASCII_REMOVE_ALL);
        Press(d, IDC_ASCII_PREVIEW);
    };
    StartFrame(("\"" + path + "\"").c_str());
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text, kNoFileSelected);
    EXPECT_EQ(boxes.shown()[1].text, kNoFilesSelected);
    EXPECT_TRUE(previews.empty());
    // Every file removed: OK opens nothing.
    EXPECT_TRUE(PlanViews().empty());
}

TEST_F(ASCIIFormatDialog, CancelOpensNothing)
{
    std::string path = WriteTempFile("p.xyz", "1 2 3\n");
    onFormat = [&](HWND d) { Press(d, IDCANCEL); };
    StartFrame(("\"" + path + "\"").c_str());
    EXPECT_EQ(formatShown, 1);
    EXPECT_TRUE(PlanViews().empty());
}

TEST_F(ASCIIFormatDialog, AFileWithoutNumericColumnsIsReportedAndNeverReachesTheDialog)
{
    std::string binary = WriteTempFile("blob.xyz", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    std::string empty = WriteTempFile("empty.xyz", "");
    BoxAnswers boxes;
    StartFrame(("\"" + binary + "\"").c_str());
    DropOnFrame({empty});
    DropOnFrame({SamplePath("simple.las"), binary});
    EXPECT_EQ(formatShown, 0);
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_EQ(boxes.shown()[0].text, std::string("blob.xyz") + kASCIIParseFailed);
    EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
    // An empty file is refused before any loader looks at it, for that reason.
    EXPECT_EQ(boxes.shown()[1].text.rfind(empty + "\n", 0), 0u);
    EXPECT_NE(boxes.shown()[1].text.find(kFileIsEmptyText), std::string::npos);
    EXPECT_EQ(boxes.shown()[2].text, std::string("blob.xyz") + kASCIIParseFailed);
    // Only the LAS file of the mixed drop made a view.
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(ViewRecordOf(views[0])->dataSetCount, 1);
}
