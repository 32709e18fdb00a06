// The raster adapter: what it tells of a file opened by its Win32 path, the
// bands it numbers from 1, rows read into interleaved pixels, and a record
// that keeps nothing of a raster it no longer holds.
#include "layer_test_files.h"
#include "base/raster_io.h"
#include <gdal.h>

TEST(RasterIO, TellsAPlacedColourImageAndReadsItsBandsByNumber)
{
    std::string path = TempPath("colours.tif");
    ASSERT_TRUE(WriteTestImage(path, 3, 4, 3, GDT_Byte, {GCI_BlueBand, GCI_GreenBand, GCI_RedBand}, true, 1000, 2000));
    RasterInput in;
    ASSERT_TRUE(OpenRasterToRead(&in, path.c_str()));
    EXPECT_EQ(in.format, "GTiff");
    EXPECT_EQ(in.columns, 4);
    EXPECT_EQ(in.rows, 3);
    EXPECT_EQ(in.bands, 3);
    ASSERT_TRUE(in.placed);
    const double placement[6] = {1000, 2, 0, 2000, 0, -2};
    for (int k = 0; k < 6; k++) EXPECT_EQ(in.placement[k], placement[k]) << k;

    RasterBand band;
    EXPECT_FALSE(RasterBandAt(&in, 0, &band));
    EXPECT_FALSE(RasterBandAt(&in, 4, &band));
    const int colours[3] = {BAND_BLUE, BAND_GREEN, BAND_RED};
    for (int b = 1; b <= 3; b++) {
        ASSERT_TRUE(RasterBandAt(&in, b, &band));
        EXPECT_EQ(band.colour, colours[b - 1]);
        EXPECT_EQ(band.valueType, RASTER_BYTE);
        EXPECT_EQ(band.columns, 4);
        EXPECT_FALSE(band.hasNoData);
    }

    // Row 2 of bands 3 and 1 into every third byte, as a bitmap's pixels lie.
    uint8_t pixels[12] = {};
    ASSERT_TRUE(ReadByteRow(&in, 3, 2, 4, pixels, 3));
    ASSERT_TRUE(ReadByteRow(&in, 1, 2, 4, pixels + 2, 3));
    for (int c = 0; c < 4; c++) {
        EXPECT_EQ(pixels[3 * c], 150 + 8 + c) << c;
        EXPECT_EQ(pixels[3 * c + 1], 0) << c;
        EXPECT_EQ(pixels[3 * c + 2], 50 + 8 + c) << c;
    }
    float rows[8];
    ASSERT_TRUE(ReadFloatRows(&in, 2, 1, 2, 4, rows));
    for (int i = 0; i < 8; i++) EXPECT_EQ(rows[i], 100 + 4 + i) << i;
    EXPECT_FALSE(ReadFloatRows(&in, 4, 0, 1, 4, rows));
    EXPECT_FALSE(ReadByteRow(&in, 0, 0, 4, pixels, 1));
}

TEST(RasterIO, AFileItCannotReadLeavesTheRecordEmpty)
{
    std::string image = TempPath("grey.tif");
    ASSERT_TRUE(WriteTestImage(image, 2, 2, 1, GDT_Byte, {}, false));
    std::string text = WriteTempFile("notes.tif", "no raster here\r\n");
    RasterInput in;
    ASSERT_TRUE(OpenRasterToRead(&in, image.c_str()));
    EXPECT_FALSE(in.placed);
    EXPECT_EQ(in.bands, 1);
    for (const std::string& path : {text, TempPath("missing.tif"), std::string()}) {
        ASSERT_TRUE(OpenRasterToRead(&in, image.c_str()));
        EXPECT_FALSE(OpenRasterToRead(&in, path.c_str())) << path;
        EXPECT_EQ(in.file, nullptr);
        EXPECT_EQ(in.format, "");
        EXPECT_EQ(in.bands, 0);
        EXPECT_EQ(in.columns, 0);
        RasterBand band;
        EXPECT_FALSE(RasterBandAt(&in, 1, &band));
    }
}
