// The export writers on real and made-up LAS files: what they write is read
// back (text, or shapefiles through shapelib) and compared with the points as
// the LAS library's typed readers see them.
#include "tests/convert_test_support.h"
#include "base/shape_io.h"
#include "tests/las_test_files.h"
#include "gis/convert/convert_dialog.h"
#include "gis/convert/export_writers.h"
#include "app/job_control.h"
#include "base/file_io.h"
#include "base/file_replace.h"
#include "base/paths.h"
#include "data/data_set.h"
#include "data/import_fields.h"
#include <cmath>

namespace {

// One export job with its settings (the three coordinates unless given).
struct ExportRun {
    JobControl* job = CreateJobControl();
    ExportSettings* s;
    explicit ExportRun(std::vector<int> codes = { 0, 1, 2 }, int format = kExportASCII) : s(SettingsWith(codes, format)) {}
    ~ExportRun()
    {
        FreeExportSettings(s);
        FreeJobControl(job);
    }
    int Export(const std::string& path, int format)
    {
        FileList files = {};
        AddFileListEntry(&files, path.c_str(), GetPathFileName(path.c_str()));
        int r = ExportLASFile(files.entries[0], s, format, job, nullptr);
        ClearFileList(&files);
        return r;
    }
};

std::string CopyToTemp(const char* sample) { return ::CopyToTemp(SamplePath(sample), sample); }

std::string Base(const std::string& path) { return path.substr(0, path.size() - 4); }

}  // namespace

// Every field of format 3 points (autzen_trim-like data) written as text, with
// a header line and Tab separators, equals the library's typed reading.
TEST(ExportWriters, ASCIIOfFormat3MatchesTheTypedPoints)
{
    REQUIRE_SAMPLES();
    std::string las = CopyToTemp("point-color-time.las");
    ExportRun run({ 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15 });
    ExportSettings* s = run.s;
    s->delimiter = kDelimiterTab;
    s->includeHeader = 1;
    ASSERT_EQ(run.Export(las, kExportASCII), 1);
    bool crlf = false;
    std::vector<std::string> lines = ReadLines(Base(las) + ".xyz", &crlf);
    EXPECT_TRUE(crlf);
    ASSERT_EQ(lines.size(), 1066u);
    EXPECT_EQ(lines[0], "X\tY\tZ\tINTENSITY\tRETURN_NUM\tRETURN_CNT\tSCAN_DIR\tFLT_EDGE\tCLASS\tSCAN_ANGLE\t"
                        "USER_DATA\tSOURCE_ID\tGPS_TIME\tRED\tGREEN\tBLUE");
    LASFile* f = OpenLASFile(las.c_str(), LAS_MODE_READ);
    ASSERT_TRUE(f);
    const LASHeader& h = f->header;
    for (size_t i = 1; i < lines.size(); i++) {
        LASLegacyPoint p;
        ASSERT_TRUE(ReadLASLegacyPoint(f, &p));
        free(p.extra);
        std::vector<std::string> v = SplitAt(lines[i], '\t');
        ASSERT_EQ(v.size(), 16u) << lines[i];
        EXPECT_NEAR(std::stod(v[0]), p.x * h.xScale + h.xOffset, 0.0006);
        EXPECT_NEAR(std::stod(v[1]), p.y * h.yScale + h.yOffset, 0.0006);
        EXPECT_NEAR(std::stod(v[2]), p.z * h.zScale + h.zOffset, 0.0006);
        EXPECT_EQ(std::stoi(v[3]), p.intensity);
        EXPECT_EQ(std::stoi(v[4]), p.returnByte & 7);
        EXPECT_EQ(std::stoi(v[5]), (p.returnByte >> 3) & 7);
        EXPECT_EQ(std::stoi(v[8]), p.classification & 31);
        EXPECT_EQ(std::stoi(v[9]), p.scanAngleRank);
        EXPECT_EQ(std::stoi(v[11]), p.pointSourceId);
        EXPECT_NEAR(std::stod(v[12]), p.gpsTime, 0.00006);
        EXPECT_EQ(std::stoi(v[13]), p.red);
        EXPECT_EQ(std::stoi(v[15]), p.blue);
        if (HasFailure()) break;
    }
    CloseLASFile(f);
}

// Class and return filters: classes 2 and 8 and first returns only, in a
// made-up file whose class is i % 8 and whose return is 1 + i % 3 of 3.
// Records with extra bytes export exactly as records without them.
TEST(ExportWriters, FiltersAndExtraBytes)
{
    std::string plain = TempPath("plain.las"), extra = TempPath("extra.las");
    ASSERT_TRUE(MakeLASFile(plain, 12, 34, 240, 3));
    ASSERT_TRUE(MakeLASFile(extra, 12, 40, 240, 3));
    ExportRun run({ 0, 1, 2, 8, 4, 12 });
    ExportSettings* s = run.s;
    s->delimiter = kDelimiterComma;
    memset(s->classFlags, 0, sizeof s->classFlags);
    s->classFlags[2] = s->classFlags[8] = 1;
    s->returnFlags[RETURN_SINGLE] = s->returnFlags[RETURN_INTERMEDIATE] = s->returnFlags[RETURN_LAST] = 0;
    ASSERT_EQ(run.Export(plain, kExportASCII), 1);
    ASSERT_EQ(run.Export(extra, kExportASCII), 1);
    std::vector<std::string> lines = ReadLines(Base(plain) + ".xyz");
    int expected = 0;
    for (int i = 0; i < 240; i++) expected += i % 8 == 2 && i % 3 == 0;
    ASSERT_EQ((int)lines.size(), expected);
    for (const std::string& l : lines) {
        std::vector<std::string> v = SplitAt(l, ',');
        ASSERT_EQ(v.size(), 6u) << l;
        EXPECT_EQ(v[3], "2");
        EXPECT_EQ(v[4], "1");
    }
    EXPECT_EQ(ReadLines(Base(extra) + ".xyz"), lines);
}

TEST(ExportWriters, ReturnCategories)
{
    ExportPoint p = {};
    p.returnNumber = 1, p.returnCount = 0;
    EXPECT_EQ(ExportReturnCategory(&p), RETURN_FIRST);
    p.returnCount = 1;
    EXPECT_EQ(ExportReturnCategory(&p), RETURN_SINGLE);
    p.returnNumber = 3, p.returnCount = 3;
    EXPECT_EQ(ExportReturnCategory(&p), RETURN_LAST);
    p.returnNumber = 2;
    EXPECT_EQ(ExportReturnCategory(&p), RETURN_INTERMEDIATE);
}

// Point and PointZ shapefiles: one shape per point at the point's place,
// POINT_NUM counting the written points, the attribute columns after it.
TEST(ExportWriters, PointAndPointZShapefilesReadBack)
{
    REQUIRE_SAMPLES();
    std::string las = CopyToTemp("point-time.las");
    ExportRun run({ 2, 8, 12, 9, 13 }, kExportShapeZ);
    ExportSettings* s = run.s;
    memset(s->classFlags, 0, sizeof s->classFlags);
    s->classFlags[1] = s->classFlags[2] = 1;
    for (int format : { kExportShape, kExportShapeZ }) {
        ASSERT_EQ(run.Export(las, format), 1);
        ShapeReader shape(Base(las) + ".shp");
        ASSERT_TRUE(shape.opened);
        EXPECT_EQ(shape.type, format == kExportShapeZ ? SHAPE_POINTZ : SHAPE_POINT);
        int fields[] = { shape.Field("POINT_NUM"), shape.Field("Z"), shape.Field("CLASS"), shape.Field("GPS_TIME"),
                         shape.Field("SCAN_ANGLE"), shape.Field("RED") };
        for (int k = 0; k < 6; k++) EXPECT_EQ(fields[k], k);
        EXPECT_EQ(shape.Columns(), 6);
        LASFile* f = OpenLASFile(las.c_str(), LAS_MODE_READ);
        ASSERT_TRUE(f);
        const LASHeader& h = f->header;
        int record = 0;
        LASLegacyPoint p;
        while (ReadLASLegacyPoint(f, &p)) {
            free(p.extra);
            int cls = p.classification & 31;
            if (cls != 1 && cls != 2) continue;
            ASSERT_LT(record, shape.count);
            double x, y, z;
            ASSERT_TRUE(shape.Point(record, &x, &y, &z));
            EXPECT_NEAR(x, p.x * h.xScale + h.xOffset, 1e-6);
            EXPECT_NEAR(y, p.y * h.yScale + h.yOffset, 1e-6);
            EXPECT_NEAR(z, format == kExportShapeZ ? p.z * h.zScale + h.zOffset : 0.0, 1e-6);
            EXPECT_EQ(shape.Integer(record, 0), record);
            EXPECT_NEAR(shape.Real(record, 1), p.z * h.zScale + h.zOffset, 0.0006);
            EXPECT_EQ(shape.Integer(record, 2), cls);
            EXPECT_NEAR(shape.Real(record, 3), p.gpsTime, 0.00006);
            EXPECT_EQ(shape.Integer(record, 4), p.scanAngleRank);
            EXPECT_EQ(shape.Integer(record, 5), 0);   // format 1 has no colour
            record++;
            if (HasFailure()) break;
        }
        CloseLASFile(f);
        EXPECT_EQ(record, shape.count);
        EXPECT_GT(record, 0);
    }
}

// LAS 1.4 format 6: four-bit returns, a 16-bit scan angle and no colour.
TEST(ExportWriters, Format6ReadsTheExtendedLayout)
{
    REQUIRE_SAMPLES();
    std::string las = CopyToTemp("1_4_w_evlr.las");
    ExportRun run({ 4, 5, 8, 9, 12, 13 }, kExportShape);
    ASSERT_EQ(run.Export(las, kExportShape), 1);
    ShapeReader shape(Base(las) + ".shp");
    LASFile* f = OpenLASFile(las.c_str(), LAS_MODE_READ);
    ASSERT_TRUE(f && shape.opened);
    EXPECT_EQ(shape.count, (int)f->pointCount);
    LASExtendedPoint p;
    for (int i = 0; i < shape.count && ReadLASExtendedPoint(f, &p); i++) {
        free(p.extra);
        EXPECT_EQ(shape.Integer(i, 1), p.returnByte & 15);
        EXPECT_EQ(shape.Integer(i, 2), p.returnByte >> 4);
        EXPECT_EQ(shape.Integer(i, 3), p.classification);
        EXPECT_EQ(shape.Integer(i, 4), p.scanAngle);
        EXPECT_NEAR(shape.Real(i, 5), p.gpsTime, 0.00006);
        EXPECT_EQ(shape.Integer(i, 6), 0);
        if (HasFailure()) break;
    }
    CloseLASFile(f);
}

// Files the writers cannot read and files that end early fail alone, with
// the reason, and leave no output behind.
TEST(ExportWriters, RefusedAndTruncatedFilesLeaveNoOutput)
{
    REQUIRE_SAMPLES();
    BoxAnswers boxes;
    ExportRun run;
    std::string wave = CopyToTemp("simple1_3.las");
    EXPECT_EQ(run.Export(wave, kExportASCII), 0);
    EXPECT_FALSE(FileThere(Base(wave) + ".xyz"));
    Bytes bytes = ReadBytes(SamplePath("point10.las"));
    bytes.resize(bytes.size() - 20 * 500);
    std::string cut = TempPath("cut.las");
    ASSERT_TRUE(WriteBytes(cut, bytes));
    EXPECT_EQ(run.Export(cut, kExportShapeZ), 0);
    for (const char* ext : { ".shp", ".shx", ".dbf" }) EXPECT_FALSE(FileThere(Base(cut) + ext)) << ext;
    // A count one above the 1,000 points in front of an extended VLR: its
    // bytes are no point to export.
    Bytes counted = ReadBytes(SamplePath("1_4_w_evlr.las"));
    SetFieldAt<uint64_t>(counted, 247, 1001);
    std::string evlr = TempPath("evlr.las");
    ASSERT_TRUE(WriteBytes(evlr, counted));
    EXPECT_EQ(run.Export(evlr, kExportASCII), 0);
    EXPECT_FALSE(FileThere(Base(evlr) + ".xyz"));
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_EQ(boxes.shown()[0].text, kExportPointTypeText);
    EXPECT_EQ(boxes.shown()[1].text, std::string("cut.las\n") + kExportShortFileText + "\n");
    EXPECT_EQ(boxes.shown()[2].text, std::string("evlr.las\n") + kExportShortFileText + "\n");
}

// A text export that fails (the file ends early, a full disk) or is stopped
// leaves the text an earlier export wrote as it was, with nothing beside it.
TEST(ExportWriters, AFailedOrStoppedTextExportKeepsTheEarlierText)
{
    REQUIRE_SAMPLES();
    ExportRun run;
    Bytes bytes = ReadBytes(SamplePath("point10.las"));
    std::string whole = TempPath("whole_text.las"), cut = TempPath("cut_text.las");
    ASSERT_TRUE(WriteBytes(whole, bytes));
    bytes.resize(bytes.size() - 20 * 500);
    ASSERT_TRUE(WriteBytes(cut, bytes));
    const Bytes earlier = { 'k', 'e', 'p', 't', '\r', '\n' };
    for (const std::string& las : { whole, cut }) ASSERT_TRUE(WriteBytes(Base(las) + ".xyz", earlier));
    {
        BoxAnswers boxes;
        EXPECT_EQ(run.Export(cut, kExportASCII), 0);
        SetWriteFaultAt(1);
        EXPECT_EQ(run.Export(whole, kExportASCII), 0);
        SetWriteFaultAt(0);
        EXPECT_EQ(boxes.shown().size(), 2u);
    }
    ASSERT_EQ(BeginJob(run.job), 1);
    CancelJob(run.job);
    EXPECT_EQ(run.Export(whole, kExportASCII), -1);
    EndJob(run.job);
    for (const std::string& las : { whole, cut }) EXPECT_TRUE(ReadBytes(Base(las) + ".xyz") == earlier) << las;
    EXPECT_EQ(TempFilesLeft(), std::vector<std::string>{});
}

// Closing a shapefile writes its final headers; a close that fails there (a
// full disk shows at the close) fails the file: no output stays, the user is told.
TEST(ExportWriters, AFailedShapefileCloseFailsTheFile)
{
    REQUIRE_SAMPLES();
    ShapeDiskFaults failing;
    failing.closeFails = true;
    BoxAnswers boxes;
    ExportRun run;
    std::string las = CopyToTemp("point10.las");
    SetShapeDiskFaults(&failing);
    EXPECT_EQ(run.Export(las, kExportShape), 0);
    SetShapeDiskFaults(nullptr);
    for (const char* ext : { ".shp", ".shx", ".dbf" }) EXPECT_FALSE(FileThere(Base(las) + ext)) << ext;
    ASSERT_TRUE(ShowedOneBox(boxes, std::string("point10.las\n") + kExportWriteFailed + "\n"));
    EXPECT_EQ(run.Export(las, kExportShape), 1);
    // A failed export again keeps the shapefile the first one wrote.
    const Bytes shapes = ReadBytes(Base(las) + ".shp"), table = ReadBytes(Base(las) + ".dbf");
    SetShapeDiskFaults(&failing);
    EXPECT_EQ(run.Export(las, kExportShape), 0);
    SetShapeDiskFaults(nullptr);
    EXPECT_TRUE(ReadBytes(Base(las) + ".shp") == shapes && ReadBytes(Base(las) + ".dbf") == table);
}

// A full disk anywhere in a shapefile export fails the file and leaves no output.
TEST(ExportWriters, AFullDiskFailsAShapefileExport)
{
    REQUIRE_SAMPLES();
    ExportRun run;
    std::string las = CopyToTemp("point10.las");
    for (int nth : { 1, 30, 400 }) {
        BoxAnswers boxes;
        SetWriteFaultAt(nth);
        EXPECT_EQ(run.Export(las, kExportShape), 0) << nth;
        SetWriteFaultAt(0);
        for (const char* ext : { ".shp", ".shx", ".dbf" }) EXPECT_FALSE(FileThere(Base(las) + ext)) << nth << ext;
        EXPECT_EQ(boxes.shown().size(), 1u) << nth;
    }
}

// A text export whose output's path reaches 255 bytes is written, at the
// limit and one under, in letters of one, two and three bytes; one over fails
// the file, naming the path and the limit. A shapefile takes its place as a
// group, whose journal needs more room beside it than a single file: in a
// folder of one-byte letters at that limit or one under it the export is
// written; one over fails the file, naming the folder's length as Windows
// shows it and the limit.
TEST(ExportWriters, AnOutputUpToItsLimitsIsWrittenAndOneOverIsRefused)
{
    REQUIRE_SAMPLES();
    ExportRun run;
    ExportSettings* s = run.s;
    std::string las = CopyToTemp("point10.las");
    auto exportTo = [&](const std::string& target, int format, bool fits, const std::string& reason) {
        snprintf(s->outputFolder, sizeof s->outputFolder, "%s", target.substr(0, target.rfind('\\') + 1).c_str());
        BoxAnswers boxes;
        EXPECT_EQ(run.Export(las, format), fits ? 1 : 0) << target;
        EXPECT_EQ(FileThere(target), fits) << target;
        std::string refusal = std::string("point10.las\n") + kExportOpenOutputFailed + "\n" + reason;
        EXPECT_TRUE(fits ? boxes.shown().empty() : ShowedOneBox(boxes, refusal)) << target;
    };
    ForOutputsAroundThePathLimit("point10.xyz", [&](const char*, const std::string& target, bool fits) {
        exportTo(target, kExportASCII, fits, PathTooLongMessage(target.c_str(), target.size(), kPathChars - 1));
    });
    const int limit = (int)LongestTempFolder(kLongestGroupSuffix);
    for (int folderUnits : { limit - 1, limit, limit + 1 }) {
        std::string target = MakeFolderOfUnits((size_t)folderUnits, "d") + "point10.shp";
        exportTo(target, kExportShape, folderUnits <= limit, Formatted(kTempFolderTooLongText, limit + 1, limit, target.c_str()));
        EXPECT_EQ(FileThere(Base(target) + ".dbf"), folderUnits <= limit) << folderUnits;
    }
}

// A shapefile its import would refuse (a coordinate beyond 1e10) is not
// written: the export names the first such point and keeps the earlier file.
// Points at +-1e9 export and import again.
TEST(ExportWriters, APointTheImportWouldRefuseFailsTheShapefileByNumber)
{
    REQUIRE_SAMPLES();
    BoxAnswers boxes;
    ExportRun run;
    std::string las = CopyToTemp("point10.las");
    Bytes header = ReadBytes(las);
    SetFieldAt<double>(header, 155, 1e9 - 600000.0);   // X offset: the points lie about 1e9 east
    ASSERT_TRUE(WriteBytes(las, header));
    ASSERT_EQ(run.Export(las, kExportShapeZ), 1);
    ShapeReader shape(Base(las) + ".shp");
    ASSERT_TRUE(shape.opened);
    double x = 0, y = 0, z = 0;
    ASSERT_TRUE(shape.Point(0, &x, &y, &z));
    EXPECT_GT(x, 0.99e9);
    EXPECT_LT(x, 1.01e9);
    const Bytes shapes = ReadBytes(Base(las) + ".shp");

    SetFieldAt<double>(header, 155, 2e10);
    ASSERT_TRUE(WriteBytes(las, header));
    EXPECT_EQ(run.Export(las, kExportShapeZ), 0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    char text[200];
    snprintf(text, sizeof text, kExportPointOffMapFormat, 1ull);
    EXPECT_EQ(boxes.shown()[0].text, std::string("point10.las\n") + text + "\n");
    EXPECT_TRUE(ReadBytes(Base(las) + ".shp") == shapes);
}
