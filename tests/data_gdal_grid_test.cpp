// GDAL elevation grids: grids written here through GDAL load, or are refused,
// with the void value, the georeference checks and Imagine magnitude images.
#include "test_support.h"
#include "base/dialogs.h"
#include "base/messages.h"
#include "base/file_system.h"
#include "base/paths.h"
#include "data/data_set.h"
#include "data/gdal_grid.h"
#include "resource.h"
#include "data/magnitude.h"
#include "data/statistics.h"
#include <gdal.h>
#include <ogr_srs_api.h>
#include <cmath>
#include <vector>

namespace {

struct GridSpec {
    const char* driver = "GTiff";
    int width = 6, height = 4, bands = 1;
    GDALDataType type = GDT_Float32;
    double transform[6] = {500000, 2, 0, 4000000, 0, -2};
    bool georeferenced = true;
    int epsg = 0;   // written as GeoTIFF keys when set
};

// Writes the grid with GDAL; values fill band 1 row by row (all bands alike).
std::string WriteGrid(const char* name, const GridSpec& spec, const std::vector<float>& values)
{
    std::string path = TempPath(name);
    GDALAllRegister();
    GDALDatasetH ds = GDALCreate(GDALGetDriverByName(spec.driver), ToNativePath(path.c_str()).c_str(), spec.width,
                                 spec.height, spec.bands, spec.type, nullptr);
    if (!ds) return path;
    if (spec.georeferenced) GDALSetGeoTransform(ds, const_cast<double*>(spec.transform));
    if (spec.epsg) {
        OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
        if (OSRImportFromEPSG(srs, spec.epsg) == OGRERR_NONE) GDALSetSpatialRef(ds, srs);
        OSRDestroySpatialReference(srs);
    }
    if (!values.empty())
        for (int b = 1; b <= spec.bands; b++) {
            CPLErr e = GDALRasterIO(GDALGetRasterBand(ds, b), GF_Write, 0, 0, spec.width, spec.height,
                                    const_cast<float*>(values.data()), spec.width, spec.height, GDT_Float32, 0, 0);
            (void)e;
        }
    GDALClose(ds);
    return path;
}

std::vector<float> Ramp(int n, float start)
{
    std::vector<float> v(n);
    for (int i = 0; i < n; i++) v[i] = start + i;
    return v;
}

// Every GDAL and PROJ message while alive (PROJ reports through GDAL).
std::vector<std::string> gdalMessages;
void CPL_STDCALL KeepGDALMessage(CPLErr, CPLErrorNum, const char* text)
{
    gdalMessages.push_back(text ? text : "");
}
struct GDALMessages {
    GDALMessages() { gdalMessages.clear(); CPLPushErrorHandler(KeepGDALMessage); }
    ~GDALMessages() { CPLPopErrorHandler(); }
};

struct VoidValueScope {
    float saved = VoidCellValue;
    ~VoidValueScope() { VoidCellValue = saved; }
};

}  // namespace

TEST(GDALGrids, GeoTIFFLoadsPlacedNorthUpWithVoidCellsOutOfTheRange)
{
    std::vector<float> values = Ramp(24, 100);
    values[0] = values[23] = -10000.0f;
    std::string path = WriteGrid("heights.tif", GridSpec(), values);
    BoxAnswers boxes;
    FileDialogAnswers dialogs({});
    EXPECT_EQ(GetDataFileKind(path.c_str()), DATA_GDAL);
    DataSet* set = Load32BitTIFF(path.c_str(), "heights.tif");
    ASSERT_NE(set, nullptr);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(dialogs.calls(), 0);   // a GeoTIFF is never offered a magnitude image
    EXPECT_EQ(set->kind, DATA_GDAL);
    EXPECT_EQ(set->source, SOURCE_GDAL);
    EXPECT_EQ(set->rows, 4);
    EXPECT_EQ(set->columns, 6);
    EXPECT_EQ(set->cellSize, 2);
    // Values belong to the centres of the cells the transform's corners bound.
    EXPECT_EQ(set->originX, 500001);
    EXPECT_EQ(set->originY, 3999999);
    EXPECT_EQ(set->maxX, 500011);
    EXPECT_EQ(set->minY, 3999993);
    EXPECT_EQ(set->pointCount, 22);
    EXPECT_EQ(set->filePointCount, 22);
    EXPECT_EQ(set->minZ, 101);
    EXPECT_EQ(set->maxZ, 122);
    EXPECT_EQ(set->heights[1][2], 108);
    EXPECT_EQ(set->heights[3][5], -10000.0f);
    EXPECT_EQ(set->magnitudes, nullptr);
    ASSERT_NE(set->mask, nullptr);
    ASSERT_NE(set->extent, nullptr);
    EXPECT_EQ(set->extent->contour[0].vertex[0].y, 3999999);
    EXPECT_EQ(set->extent->contour[0].vertex[2].x, 500011);
    FreeDataSet(set);
}

// The coordinate system database must be found where the program runs: in
// the Windows package it lies beside the program's folder.
TEST(GDALGrids, GeoTIFFWithEPSGKeysLoadsWithNoGDALOrPROJMessage)
{
    GridSpec spec;
    spec.epsg = 2992;   // Oregon Lambert, international feet
    GDALMessages messages;
    std::string path = WriteGrid("epsg.tif", spec, Ramp(24, 100));
    BoxAnswers boxes;
    DataSet* set = Load32BitTIFF(path.c_str(), "epsg.tif");
    ASSERT_NE(set, nullptr);
    EXPECT_TRUE(boxes.shown().empty());
    FreeDataSet(set);
    GDALDatasetH ds = GDALOpen(ToNativePath(path.c_str()).c_str(), GA_ReadOnly);
    ASSERT_NE(ds, nullptr);
    OGRSpatialReferenceH srs = GDALGetSpatialRef(ds);
    ASSERT_NE(srs, nullptr);
    EXPECT_STREQ(OSRGetAuthorityCode(srs, nullptr), "2992");
    GDALClose(ds);
    EXPECT_TRUE(gdalMessages.empty()) << gdalMessages.front();
}

TEST(GDALGrids, TheVoidValueDecidesWhichCellsCount)
{
    VoidValueScope keep;
    // Every cell void: no heights to show, so no grid.
    std::string allVoid = WriteGrid("void.tif", GridSpec(), std::vector<float>(24, -10000.0f));
    BoxAnswers boxes;
    DataSet* set = Load32BitTIFF(allVoid.c_str(), "void.tif");
    EXPECT_EQ(set, nullptr);
    FreeDataSet(set);
    ASSERT_TRUE(ShowedOneBox(boxes, "This grid has no valid cell: every cell is void or holds no data:\n    void.tif\n"));

    std::vector<float> values = Ramp(24, -5);   // -5 .. 18: one zero cell
    std::string zeros = WriteGrid("zeros.tif", GridSpec(), values);
    VoidCellValue = 0.0f;
    set = Load32BitTIFF(zeros.c_str(), "zeros.tif");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->pointCount, 23);
    FreeDataSet(set);
}

TEST(GDALGrids, FilesThatAreNoUsableGridAreReportedOnceAndGetNoLoader)
{
    GridSpec two, ints, bare, rotated, oblong, southUp;
    two.bands = 2;
    ints.type = GDT_Int16;
    bare.georeferenced = false;
    rotated.transform[2] = 0.5;
    oblong.transform[5] = -3;
    southUp.transform[5] = 2;
    struct Case {
        std::string path;
        const char* message;
    } cases[] = {
        {WriteGrid("two.tif", two, {}), kGridMoreThanOneBand},   {WriteGrid("ints.tif", ints, {}), kGridNot32Bit},
        {WriteGrid("bare.tif", bare, {}), kGridNoGeoreference},  {WriteGrid("rotated.tif", rotated, {}), kGridNotNorthUp},
        {WriteGrid("oblong.tif", oblong, {}), kGridNotNorthUp}, {WriteGrid("southup.tif", southUp, {}), kGridNotNorthUp},
    };
    for (const Case& c : cases) {
        BoxAnswers boxes;
        EXPECT_EQ(GetDataFileKind(c.path.c_str()), DATA_NONE) << c.path;
        ASSERT_TRUE(ShowedOneBox(boxes, Formatted(c.message, c.path.c_str()))) << c.path;
        EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
    }
    // Text that GDAL reads with another driver is still text.
    BoxAnswers boxes;
    EXPECT_EQ(GetDataFileKind(WriteTempFile("points.xyz", "1 2 3\n2 2 3\n1 3 3\n2 3 3\n").c_str()), DATA_ASCII);
    EXPECT_TRUE(boxes.shown().empty());
}

namespace {

std::string WriteImagine(const char* name, const std::vector<float>& values, double originX = 500000)
{
    GridSpec spec;
    spec.driver = "HFA";
    spec.transform[0] = originX;
    return WriteGrid(name, spec, values);
}

}  // namespace

TEST(GDALGrids, ImagineGridTakesItsMagnitudeImageStretchedAndFitted)
{
    std::string heights = WriteImagine("dem.img", Ramp(24, 50));
    // Magnitudes 1 .. 10^5 over the cells, with a zero and a negative one.
    std::vector<float> mags(24);
    for (int i = 0; i < 24; i++) mags[i] = (float)pow(10.0, 5.0 * i / 23);
    mags[5] = 0;
    mags[6] = -3;
    std::string magPath = WriteImagine("mag.img", mags);
    BoxAnswers boxes;
    FileDialogAnswers dialogs({magPath});
    DataSet* set = Load32BitTIFF(heights.c_str(), "dem.img");
    ASSERT_NE(set, nullptr);
    EXPECT_TRUE(boxes.shown().empty());
    ASSERT_EQ(dialogs.captions().size(), 1u);
    EXPECT_EQ(dialogs.captions()[0], "Load Radar MAG File");
    ASSERT_NE(set->magnitudes, nullptr);
    EXPECT_EQ(set->magnitudes[0][0], 2);       // the smallest positive value
    EXPECT_EQ(set->magnitudes[3][5], 65534);   // the largest
    EXPECT_EQ(set->magnitudes[0][5], 0);
    EXPECT_EQ(set->magnitudes[1][0], 0);
    for (int i = 1; i < 23; i++)
        if (i != 5 && i != 6) { EXPECT_NEAR(set->magnitudes[i / 6][i % 6], 65534.0 * i / 23, 2.0) << i; }
    EXPECT_EQ(set->magnitudeRangeLow, 4.0);
    EXPECT_EQ(set->magnitudeFitState, kMagnitudeFitSet);
    EXPECT_GE(set->magnitudeFitLow, 0);
    EXPECT_GT(set->magnitudeFitHigh, set->magnitudeFitLow);
    FreeDataSet(set);
}

TEST(GDALGrids, AnUnfittingMagnitudeImageLeavesTheHeightsUsable)
{
    std::string heights = WriteImagine("dem2.img", Ramp(24, 50));
    // One unit in the last place of the origin is another coordinate space.
    std::string shifted = WriteImagine("shifted.img", Ramp(24, 1), nextafter(500000.0, 1e9));
    GridSpec thin;
    thin.driver = "HFA";
    thin.width = 5;
    std::string narrow = WriteGrid("narrow.img", thin, Ramp(20, 1));
    std::string tiff = WriteGrid("mag.tif", GridSpec(), Ramp(24, 1));
    struct Case {
        std::string path;
        const char* message;
    } cases[] = {{shifted, kMagOtherCoordinates}, {narrow, kMagOtherDimensions}, {tiff, kMagUnableToOpen}};
    for (const Case& c : cases) {
        BoxAnswers boxes;
        FileDialogAnswers dialogs({c.path});
        DataSet* set = Load32BitTIFF(heights.c_str(), "dem2.img");
        ASSERT_NE(set, nullptr);
        EXPECT_EQ(set->magnitudes, nullptr);
        EXPECT_EQ(set->pointCount, 24);
        ASSERT_TRUE(ShowedOneBox(boxes, Formatted(c.message, GetPathFileName(c.path.c_str())))) << c.path;
        FreeDataSet(set);
    }
    FileDialogAnswers cancel({""});
    DataSet* set = Load32BitTIFF(heights.c_str(), "dem2.img");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->magnitudes, nullptr);
    FreeDataSet(set);
}

namespace {

std::string voidText;
bool voidThenCancel;
std::string voidShown;

void DriveVoidDialog(HWND dialog, int templateId)
{
    if (templateId != IDD_VOID_DEM) return;
    char text[64];
    GetDlgItemTextA(dialog, IDC_VOID_DEM_VALUE, text, sizeof text);
    voidShown = text;
    SetDlgItemTextA(dialog, IDC_VOID_DEM_VALUE, voidText.c_str());
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    if (voidThenCancel) SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

}  // namespace

TEST(GDALGrids, VoidValueDialogShowsTheValueAndRefusesAnEmptyOne)
{
    VoidValueScope keep;
    SetDialogDriver(DriveVoidDialog);
    BoxAnswers boxes;
    voidText = "";
    voidThenCancel = true;
    EXPECT_EQ(ShowDialog(IDD_VOID_DEM, nullptr, VoidDEMValueDlgProc, 0), 0);
    EXPECT_EQ(voidShown, "-10000.0");
    ASSERT_TRUE(ShowedOneBox(boxes, kVoidValueMissing));
    EXPECT_EQ(boxes.shown()[0].caption, "Error");
    EXPECT_EQ(VoidCellValue, -10000.0f);

    voidText = "-9999.5";
    voidThenCancel = false;
    EXPECT_EQ(ShowDialog(IDD_VOID_DEM, nullptr, VoidDEMValueDlgProc, 0), 1);
    EXPECT_EQ(VoidCellValue, -9999.5f);
    SetDialogDriver(nullptr);
}
