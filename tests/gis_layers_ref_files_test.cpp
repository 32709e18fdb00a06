// Reference files read whole: shapefiles of lines, polygons and points with
// their bounds, images of one, two and three bands, and the files refused
// with the reason told.
#include "layer_test_files.h"
#include "app/layer_sets.h"
#include "gis/layers/ref_files.h"
#include "gis/layers/ref_image.h"
#include "gis/layers/ref_shapefile.h"
#include "base/messages.h"
#include "base/polygon.h"
#include "data/lasfile/las_file.h"
#include <gdal.h>
#include "base/shape_io.h"

namespace {

struct Loaded {
    ReferenceFile* file;
    explicit Loaded(const std::string& path, const char* title) : file(LoadReferenceFile(path.c_str(), title)) {}
    ~Loaded() { FreeReferenceFile(file); }
};

std::vector<double> V(double x, double y, double z = 0) { return {x, y, z}; }

}  // namespace

TEST(ReferenceShapefiles, PolygonPartsBecomeClosedLinesAndBoundsCoverEveryVertex)
{
    std::string path = TempPath("parcels.shp");
    TestShape twoParts{{{V(0, 0, 5), V(10, 0, 5), V(10, 10, 5), V(0, 0, 5)}, {V(20, 20, 6), V(30, 20, 6), V(20, 30, 6), V(20, 20, 6)}}};
    TestShape nothing;
    TestShape triangle{{{V(-5, 40, 7), V(0, 35, 7), V(5, 40, 7), V(-5, 40, 7)}}};
    ASSERT_TRUE(WriteTestShapefile(path, SHAPE_POLYGONZ, {twoParts, nothing, triangle}));
    EXPECT_EQ(GetReferenceFileKind(path.c_str()), REFERENCE_SHAPEFILE);
    Loaded ref(path, "parcels.shp");
    ASSERT_NE(ref.file, nullptr);
    ReferenceFile* f = ref.file;
    EXPECT_EQ(f->kind, REFERENCE_SHAPEFILE);
    EXPECT_EQ(f->shapeKind, SHAPES_POLYGONS);
    EXPECT_EQ(f->color, 0xFF0000u);
    EXPECT_EQ(f->width, 1);
    EXPECT_EQ(f->visible, 1);
    EXPECT_STREQ(f->title, "parcels.shp");
    ASSERT_NE(f->lines, nullptr);
    ASSERT_EQ(f->lines->count, 3);   // two parts and the triangle; the null shape adds nothing
    EXPECT_EQ(f->lines->items[0]->vertexCount, 4);
    EXPECT_EQ(f->lines->items[1]->vertices[1].x, 30.0);
    EXPECT_EQ(f->lines->items[1]->vertices[0].z, 6.0f);
    EXPECT_EQ(f->lines->items[2]->vertices[0].z, 7.0f);
    for (int i = 0; i < 3; i++) EXPECT_EQ(f->lines->items[i]->closed, 1);
    EXPECT_EQ(f->minX, -5.0);
    EXPECT_EQ(f->maxX, 30.0);
    EXPECT_EQ(f->minY, 0.0);
    EXPECT_EQ(f->maxY, 40.0);
}

TEST(ReferenceShapefiles, ArcsAreOpenYellowLinesAndPointsKeepASlotPerShape)
{
    std::string arcs = TempPath("roads.shp");
    ASSERT_TRUE(WriteTestShapefile(arcs, SHAPE_ARC, {TestShape{{{V(1, 2), V(3, 4), V(5, 2)}}}}));
    Loaded lines(arcs, "roads.shp");
    ASSERT_NE(lines.file, nullptr);
    EXPECT_EQ(lines.file->shapeKind, SHAPES_LINES);
    EXPECT_EQ(lines.file->color, 0x00FFFFu);
    ASSERT_EQ(lines.file->lines->count, 1);
    EXPECT_EQ(lines.file->lines->items[0]->closed, 0);
    EXPECT_EQ(lines.file->lines->items[0]->vertices[1].z, 0.0f);

    std::string points = TempPath("wells.shp");
    ASSERT_TRUE(WriteTestShapefile(points, SHAPE_POINTZ, {TestShape{{{V(7, 8, 9)}}}, TestShape{}, TestShape{{{V(-1, 12, 3)}}}}));
    Loaded wells(points, "wells.shp");
    ASSERT_NE(wells.file, nullptr);
    ReferenceFile* f = wells.file;
    EXPECT_EQ(f->shapeKind, SHAPES_POINTS);
    EXPECT_EQ(f->color, 0xFFFF00u);
    // The null shape is left out and counted, not drawn at 0, 0.
    ASSERT_EQ(f->pointCount, 2);
    EXPECT_EQ(f->points[0].z, 9.0f);
    EXPECT_EQ(f->points[1].x, -1.0);
    EXPECT_EQ(f->points[1].z, 3.0f);
    EXPECT_STREQ(GetLastLogLine(), "[LOAD]  wells.shp:  shapes without a point left out:  1");
    EXPECT_EQ(f->minX, -1.0);
    EXPECT_EQ(f->maxY, 12.0);
}

TEST(ReferenceShapefiles, OtherTypesEmptyAndDamagedFilesAreRefusedNamingTheFile)
{
    BoxAnswers boxes;
    std::string multi = TempPath("multi.shp");
    ASSERT_TRUE(WriteTestShapefile(multi, SHAPE_MULTIPOINT, {TestShape{{{V(1, 1), V(2, 2)}}}}));
    std::string empty = TempPath("empty.shp");
    ASSERT_TRUE(WriteTestShapefile(empty, SHAPE_ARC, {}));
    std::string damaged = TempPath("cut.shp");
    ASSERT_TRUE(WriteTestShapefile(damaged, SHAPE_ARC,
                                   {TestShape{{{V(0, 0), V(1, 1)}}}, TestShape{{{V(2, 2), V(3, 3), V(4, 4)}}}}));
    // The last record loses its tail, as a file copied only in part.
    HANDLE h = CreateFileA(damaged.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFilePointer(h, -16, nullptr, FILE_END);
    SetEndOfFile(h);
    CloseHandle(h);

    // Shapes that are all null leave nothing to draw and no bounds to zoom to.
    std::string nullPoints = TempPath("nullpoints.shp"), nullLines = TempPath("nulllines.shp");
    ASSERT_TRUE(WriteTestShapefile(nullPoints, SHAPE_POINTZ, {TestShape{}, TestShape{}}));
    ASSERT_TRUE(WriteTestShapefile(nullLines, SHAPE_ARC, {TestShape{}}));

    EXPECT_EQ(LoadReferenceFile(multi.c_str(), "multi.shp"), nullptr);
    EXPECT_EQ(LoadReferenceFile(empty.c_str(), "empty.shp"), nullptr);
    EXPECT_EQ(LoadReferenceFile(damaged.c_str(), "cut.shp"), nullptr);
    EXPECT_EQ(LoadReferenceFile(nullPoints.c_str(), "nullpoints.shp"), nullptr);
    EXPECT_EQ(LoadReferenceFile(nullLines.c_str(), "nulllines.shp"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 5u);
    EXPECT_EQ(boxes.shown()[0].text, Formatted(kShapefileUnknownType, "multi.shp"));
    EXPECT_EQ(boxes.shown()[1].text, Formatted(kShapefileEmpty, "empty.shp"));
    // The second of two records, counted from 1 as the user counts.
    char text[300];
    snprintf(text, sizeof text, kShapefileDamaged, 2, 2, "cut.shp");
    EXPECT_EQ(boxes.shown()[2].text, text);
    EXPECT_EQ(boxes.shown()[3].text, Formatted(kShapefileNothingToShow, "nullpoints.shp"));
    EXPECT_EQ(boxes.shown()[4].text, Formatted(kShapefileNothingToShow, "nulllines.shp"));
    std::vector<TestShape> eight(8, TestShape{{{V(1, 2, 3)}}});
    eight[6] = TestShape{{{V(1, 2e11, 3)}}};
    std::string offMap = TempPath("far.shp");
    ASSERT_TRUE(WriteTestShapefile(offMap, SHAPE_POINTZ, eight));
    EXPECT_EQ(LoadReferenceFile(offMap.c_str(), "far.shp"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 6u);
    snprintf(text, sizeof text, kShapefileBadValue, 7, 8, "far.shp");
    EXPECT_EQ(boxes.shown()[5].text, text);
    for (const ShownBox& box : boxes.shown()) {
        EXPECT_EQ(box.caption, "ERROR");
        EXPECT_EQ(box.type, (unsigned)(MB_OK | MB_ICONERROR));
    }
}

TEST(ReferenceImages, GreyColourAndTwoBandImagesLoadWithTheirBounds)
{
    std::string grey = TempPath("grey.tif");
    ASSERT_TRUE(WriteTestImage(grey, 4, 6, 1, GDT_Byte, {}, true));
    EXPECT_EQ(GetReferenceFileKind(grey.c_str()), REFERENCE_IMAGE);
    Loaded g(grey, "grey.tif");
    ASSERT_NE(g.file, nullptr);
    const ReferenceImage* image = g.file->image;
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(g.file->kind, REFERENCE_IMAGE);
    EXPECT_EQ(image->rows, 4);
    EXPECT_EQ(image->columns, 6);
    EXPECT_EQ(image->bytesPerPixel, 1);
    EXPECT_EQ(image->pixelWidth, 2.0);
    EXPECT_EQ(image->pixelHeight, 2.0);
    EXPECT_EQ(image->minX, 1000.0);
    EXPECT_EQ(image->maxX, 1010.0);   // origin + (columns - 1) x pixel width
    EXPECT_EQ(image->maxY, 2000.0);
    EXPECT_EQ(image->minY, 1994.0);
    EXPECT_EQ(g.file->minX, image->minX);
    EXPECT_EQ(g.file->minY, image->minY);
    EXPECT_EQ(image->pixels[2][3], 50 + 2 * 6 + 3);

    std::string colour = TempPath("colour.tif");
    ASSERT_TRUE(WriteTestImage(colour, 3, 5, 3, GDT_Byte, {GCI_RedBand, GCI_GreenBand, GCI_BlueBand}, true));
    Loaded c(colour, "colour.tif");
    ASSERT_NE(c.file, nullptr);
    ASSERT_EQ(c.file->image->bytesPerPixel, 3);
    const uint8_t* pixel = c.file->image->pixels[1] + 2 * 3;
    int at = 1 * 5 + 2;
    EXPECT_EQ(pixel[0], 150 + at);   // blue
    EXPECT_EQ(pixel[1], 100 + at);   // green
    EXPECT_EQ(pixel[2], 50 + at);    // red

    std::string two = TempPath("two.tif");
    ASSERT_TRUE(WriteTestImage(two, 3, 3, 2, GDT_Byte, {}, true));
    Loaded t(two, "two.tif");
    ASSERT_NE(t.file, nullptr);
    EXPECT_EQ(t.file->image->bytesPerPixel, 1);
    EXPECT_EQ(t.file->image->pixels[0][1], 100 + 1);   // the second band
}

TEST(ReferenceImages, WrongBandsNoGeoreferenceOtherDriversAndLASFilesAreNoImages)
{
    BoxAnswers boxes;
    std::string deep = TempPath("deep.tif");
    ASSERT_TRUE(WriteTestImage(deep, 3, 3, 1, GDT_UInt16, {}, true));
    std::string deepColour = TempPath("deep3.tif");
    ASSERT_TRUE(WriteTestImage(deepColour, 3, 3, 3, GDT_UInt16, {}, true));
    std::string loose = TempPath("loose.tif");
    ASSERT_TRUE(WriteTestImage(loose, 3, 3, 1, GDT_Byte, {}, false));
    std::string other = TempPath("other.img");
    ASSERT_TRUE(WriteTestImage(other, 3, 3, 1, GDT_Byte, {}, true, 0, 0, "HFA"));
    std::string las = TempPath("points.las");
    ASSERT_EQ(CreateLASFile(las.c_str(), 10), 1);

    EXPECT_EQ(GetReferenceFileKind(deep.c_str()), 0);
    EXPECT_EQ(GetReferenceFileKind(deepColour.c_str()), 0);
    EXPECT_EQ(GetReferenceFileKind(loose.c_str()), 0);
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_EQ(boxes.shown()[0].text, Formatted(kImageNotGrey, deep.c_str()));
    EXPECT_EQ(boxes.shown()[1].text, Formatted(kImageNot8Bit, deepColour.c_str()));
    EXPECT_EQ(boxes.shown()[2].text, Formatted(kImageNoGeoref, loose.c_str()));

    // Recognised, but nothing to load and nothing said.
    EXPECT_EQ(GetReferenceFileKind(other.c_str()), 0);
    EXPECT_EQ(GetReferenceFileKind(las.c_str()), REFERENCE_LAS);
    EXPECT_EQ(LoadReferenceFile(las.c_str(), "points.las"), nullptr);
    EXPECT_EQ(boxes.shown().size(), 3u);
}
