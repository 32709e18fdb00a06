// The shapefile import: a Point export read back into LAS, and dialog 191
// driven from the Import command with its coloured table preview.
#include "tests/convert_test_support.h"
#include "tests/las_test_files.h"
#include "gis/convert/convert_dialog.h"
#include "gis/convert/export_writers.h"
#include "gis/convert/import_shape.h"
#include "app/command_ids.h"
#include "app/job_control.h"
#include "base/file_io.h"
#include "base/messages.h"
#include "data/lasfile/las_file.h"
#include "resource.h"
#include <commctrl.h>
#include <cmath>

namespace {


int ImportOne(const std::string& path, JobControl* job)
{
    FileList files = {};
    AddFileListEntry(&files, path.c_str(), path.substr(path.rfind('\\') + 1).c_str());
    ShapeImportSettings settings = {};
    int r = ImportShapeFile(files.entries[0], &settings, job, nullptr);
    ClearFileList(&files);
    return r;
}

std::string CellText(HWND list, int row, int column)
{
    char text[256] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, row, (LPARAM)&item);
    return text;
}

std::string ColumnName(HWND list, int column)
{
    char text[256] = "";
    LVCOLUMNA c = {};
    c.mask = LVCF_TEXT;
    c.pszText = text;
    c.cchTextMax = sizeof text;
    return SendMessageA(list, LVM_GETCOLUMNA, column, (LPARAM)&c) ? text : "";
}

// The background the dialog's custom draw gives a cell of `column`.
COLORREF CellColour(HWND dialog, int column)
{
    NMLVCUSTOMDRAW draw = {};
    draw.nmcd.hdr.hwndFrom = GetDlgItem(dialog, IDC_SHAPE_FIELDS);
    draw.nmcd.hdr.idFrom = IDC_SHAPE_FIELDS;
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;
    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
    draw.iSubItem = column;
    SendMessageA(dialog, WM_NOTIFY, IDC_SHAPE_FIELDS, (LPARAM)&draw);
    return draw.clrTextBk;
}

}  // namespace

// Every attribute an export writes comes back: class, returns, flags, scan
// angle, user data, source ID and GPS time; Z from the "Z" column of a Point file.
TEST(ImportShape, PointExportImportsBackWithItsFields)
{
    REQUIRE_SAMPLES();
    std::string las = TempPath("src.las");
    ASSERT_TRUE(CopyFileA(SamplePath("point-time.las").c_str(), las.c_str(), FALSE));
    ExportSettings* s = SettingsWith({ 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 }, kExportShape);
    JobControl* job = CreateJobControl();
    FileList files = {};
    AddFileListEntry(&files, las.c_str(), "src.las");
    ASSERT_EQ(ExportLASFile(files.entries[0], s, kExportShape, job, nullptr), 1);
    ClearFileList(&files);
    FreeExportSettings(s);
    // The import writes src.las anew where the source stood.
    SetFileAttributesA(las.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(DeleteFileA(las.c_str()));
    ASSERT_EQ(ImportOne(TempPath("src.shp"), job), 1);
    LASFile* source = OpenLASFile(SamplePath("point-time.las").c_str(), LAS_MODE_READ);
    LASFile* copy = OpenLASFile(las.c_str(), LAS_MODE_READ);
    ASSERT_TRUE(source && copy);
    EXPECT_EQ(copy->header.pointDataFormat, 1);
    EXPECT_EQ(copy->pointCount, source->pointCount);
    const LASHeader &a = source->header, &b = copy->header;
    LASLegacyPoint p, q;
    while (ReadLASLegacyPoint(source, &p)) {
        ASSERT_TRUE(ReadLASLegacyPoint(copy, &q));
        free(p.extra);
        free(q.extra);
        EXPECT_NEAR(q.x * b.xScale + b.xOffset, p.x * a.xScale + a.xOffset, b.xScale / 2 + 1e-9);
        EXPECT_NEAR(q.y * b.yScale + b.yOffset, p.y * a.yScale + a.yOffset, b.yScale / 2 + 1e-9);
        EXPECT_NEAR(q.z * b.zScale + b.zOffset, p.z * a.zScale + a.zOffset, b.zScale / 2 + 1e-9);
        EXPECT_EQ(q.returnByte, p.returnByte);
        EXPECT_EQ(q.classification, p.classification & 31);
        EXPECT_EQ(q.scanAngleRank, p.scanAngleRank);
        EXPECT_EQ(q.userData, p.userData);
        EXPECT_EQ(q.pointSourceId, p.pointSourceId);
        EXPECT_EQ(q.intensity, p.intensity);
        EXPECT_NEAR(q.gpsTime, p.gpsTime, 0.00006);
        if (testing::Test::HasFailure()) break;
    }
    CloseLASFile(source);
    CloseLASFile(copy);
    FreeJobControl(job);
}

// The header's box is not trusted: scale and offset come from the records.
// Records that are no numbers are left out; one too far for the range, or a
// .shp cut after its header, fails the file and leaves no LAS behind.
TEST(ImportShape, BoundsComeFromTheRecordsAndMisfitsFailTheFile)
{
    std::string shp = TempPath("bounds.shp"), shx = TempPath("bounds.shx"), las = TempPath("bounds.las");
    JobControl* job = CreateJobControl();
    auto write = [&](std::vector<double> xyz, double box) {
        DeleteFileA(las.c_str());
        ASSERT_TRUE(WriteTestShapefile(shp, SHAPE_POINTZ, xyz, { { "CLASS", COLUMN_INTEGER } }, {}));
        for (const std::string& f : { shp, shx }) {
            Bytes b = ReadBytes(f);
            for (int k = 0; k < 6; k++) SetFieldAt<double>(b, 36 + 8 * k, box);
            ASSERT_TRUE(WriteBytes(f, b));
        }
    };
    const std::vector<double> good = { 700010.25, 5400020.5, 301.0, 700011.5, 5400021.75, 302.5 };
    for (double box : { 0.0, std::nan(""), 1e300 }) {
        std::vector<double> xyz = good;
        xyz.insert(xyz.end(), { INFINITY, 5400020.0, 300.0, 700010.0, 5400020.0, std::nan("") });
        write(xyz, box);
        ASSERT_EQ(ImportOne(shp, job), 1) << box;
        LASFile* f = OpenLASFile(las.c_str(), LAS_MODE_READ);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->pointCount, 2u);
        const LASHeader& h = f->header;
        LASLegacyPoint p;
        for (size_t i = 0; i < 2 && ReadLASLegacyPoint(f, &p); i++) {
            free(p.extra);
            EXPECT_NEAR(p.x * h.xScale + h.xOffset, good[3 * i], 0.001) << box;
            EXPECT_NEAR(p.y * h.yScale + h.yOffset, good[3 * i + 1], 0.001) << box;
            EXPECT_NEAR(p.z * h.zScale + h.zOffset, good[3 * i + 2], 0.001) << box;
        }
        CloseLASFile(f);
    }

    BoxAnswers boxes;
    std::vector<double> distant = good;
    distant.insert(distant.end(), { 1e300, 5400020.0, 300.0 });
    write(distant, 0.0);
    EXPECT_EQ(ImportOne(shp, job), 0);
    EXPECT_FALSE(FileThere(las));
    write(good, 0.0);
    SetWriteFaultAt(1);   // a full disk at the new file's header: no empty .las stays
    EXPECT_EQ(ImportOne(shp, job), 0);
    SetWriteFaultAt(0);
    EXPECT_FALSE(FileThere(las));
    Bytes cut = ReadBytes(shp);
    cut.resize(100);
    ASSERT_TRUE(WriteBytes(shp, cut));
    EXPECT_EQ(ImportOne(shp, job), 0);
    EXPECT_FALSE(FileThere(las));
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_NE(boxes.shown()[0].text.find(kShapeCoordinatesMisfit), std::string::npos);
    EXPECT_NE(boxes.shown()[2].text.find(kShapeRecordUnreadable), std::string::npos);
    FreeJobControl(job);
}

class ImportShapeDialogTest : public LoggedFrameTest {};

// A PointZ file with a "Z" column (shown as "Z (DBF)", red, ignored), a
// lower-case integer "intensity" (used, green), a double "CLASS" (unused) and a
// text column; and a polygon file, refused in the preview and in the run.
TEST_F(ImportShapeDialogTest, TablePreviewColoursAndRun)
{
    std::string folder = TempDir();
    std::vector<double> xyz;
    std::vector<std::vector<double>> values;
    for (int i = 0; i < 12; i++) {
        xyz.insert(xyz.end(), { 700000.5 + i, 5400000.25 + 2 * i, 300.125 + i });
        values.push_back({ 999.0, (double)(i * 3), 5.0, 0.0 });
    }
    ASSERT_TRUE(WriteTestShapefile(folder + "pz.shp", SHAPE_POINTZ, xyz,
                                   { { "Z", COLUMN_REAL }, { "intensity", COLUMN_INTEGER }, { "CLASS", COLUMN_REAL },
                                     { "NAME", COLUMN_TEXT } },
                                   values));
    ASSERT_TRUE(WriteTestShapefile(folder + "poly.shp", SHAPE_POLYGON, { 1, 2, 3 }, { { "A", COLUMN_INTEGER } }, {}));
    std::vector<std::string> headers, firstRow, errorRow, leftRows;
    int rows = 0;
    std::vector<COLORREF> colours;
    DialogDriver driver([&](HWND dialog, int id) {
        if (id == IDD_IMPORT_FORMAT) {
            SendMessageA(dialog, WM_COMMAND, IDC_IMPORT_ESRI_SHAPE, 0);
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
            return;
        }
        ASSERT_EQ(id, IDD_IMPORT_SHAPE);
        {
            FileDialogAnswers files({ folder.substr(0, folder.size() - 1) + "|pz.shp|poly.shp" });
            SendMessageA(dialog, WM_COMMAND, IDC_CONVERT_ADD_FILES, 0);
        }
        HWND table = GetDlgItem(dialog, IDC_SHAPE_FIELDS);
        rows = (int)SendMessageA(table, LVM_GETITEMCOUNT, 0, 0);
        for (int c = 0; c < 7; c++) {
            headers.push_back(ColumnName(table, c));
            firstRow.push_back(CellText(table, 0, c));
            colours.push_back(CellColour(dialog, c));
        }
        SaveWindowShot(dialog, "import_shape");
        SendDlgItemMessageA(dialog, IDC_CONVERT_FILES, LB_SETCURSEL, 1, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_CONVERT_FILES, LBN_SELCHANGE),
                     (LPARAM)GetDlgItem(dialog, IDC_CONVERT_FILES));
        errorRow = { ColumnName(table, 0), CellText(table, 0, 0) };
        SendMessageA(dialog, WM_COMMAND, IDC_CONVERT_START, 0);
        HWND pause = GetDlgItem(dialog, IDC_CONVERT_PAUSE);
        EXPECT_TRUE(PumpUntil([&] { return !IsWindowEnabled(pause); }, 30000)) << "the import did not end";
        leftRows = ListBoxRows(GetDlgItem(dialog, IDC_CONVERT_FILES));
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    BoxAnswers boxes;
    SendMessageA(FrameWindow, WM_COMMAND, CMD_IMPORT, 0);
    // The refused file stays listed, marked, with its reason told; the end
    // notice counts what became of both files.
    EXPECT_EQ(leftRows, (std::vector<std::string>{ folder + "poly.shp" + kConvertFailedMark }));
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text, std::string("poly.shp\n") + kShapeWrongType + "\n");
    EXPECT_EQ(boxes.shown()[1].text,
              "Import Process Ended With Failures\n\nFiles converted:  1\nFiles failed:  1\nFiles stopped:  0");
    EXPECT_EQ(rows, 10);
    EXPECT_EQ(headers, (std::vector<std::string>{ "X (SHP)", "Y (SHP)", "Z (SHP)", "Z (DBF)", "INTENSITY", "CLASS",
                                                   "NAME" }));
    EXPECT_EQ(firstRow, (std::vector<std::string>{ "700000.500", "5400000.250", "300.125", "999.000", "0", "5.000",
                                                    "STR" }));
    const COLORREF g = kShapeUsedColour, r = kShapeUnusedColour;
    EXPECT_EQ(colours, (std::vector<COLORREF>{ g, g, g, r, g, r, r }));
    EXPECT_EQ(errorRow, (std::vector<std::string>{ "Error", kShapeWrongType }));
    EXPECT_FALSE(FileThere(folder + "poly.las"));
    LASFile* f = OpenLASFile((folder + "pz.las").c_str(), LAS_MODE_READ);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->header.pointDataFormat, 0);
    EXPECT_EQ(f->pointCount, 12u);
    EXPECT_NEAR(f->header.minZ, 300.125, 0.0005);
    EXPECT_NEAR(f->header.maxX, 700011.5, 0.0005);
    LASLegacyPoint p;
    for (int i = 0; i < 12 && ReadLASLegacyPoint(f, &p); i++) {
        free(p.extra);
        EXPECT_NEAR(p.z * f->header.zScale + f->header.zOffset, 300.125 + i, 0.0005);
        EXPECT_EQ(p.intensity, i * 3);
        EXPECT_EQ(p.classification, 0);
        EXPECT_EQ(p.returnByte, 9);
    }
    CloseLASFile(f);
}
