// Shapefiles (through base/shape_io) and images (GDAL) the layer tests write, and the
// AOI shapefile read back with OGR.
#pragma once
#include "test_support.h"
#include <cstdint>
#include <string>
#include <vector>

// One shape: its parts, each a list of (x, y, z) vertices; no parts is a
// null shape.
struct TestShape {
    std::vector<std::vector<std::vector<double>>> parts;
};

// Writes `path` (a Windows path, .shp) of the shape type with one table
// record per shape holding NAME; without `table` no .dbf is written.
bool WriteTestShapefile(const std::string& path, int shapeType, const std::vector<TestShape>& shapes,
                        bool table = true);
// A table of AOI fields for an existing .shp: one record per entry of `indices`;
// the COMMENT and COLOR fields only when asked for.
bool WriteTestAOITable(const std::string& shpPath, const std::vector<int>& indices, bool comment, bool colour,
                       const std::vector<std::string>& comments = {}, const std::vector<int>& colours = {});

// Cuts a written shapefile's parts apart: the .shp after its first
// `shpRecords` records, the .shx to list the first `shxRecords`, the .dbf to
// hold the first `dbfRecords` rows, each header's length or count rewritten
// to match (a negative number leaves that part as it is).
bool CutShapefileParts(const std::string& shpPath, int shpRecords, int shxRecords, int dbfRecords);

// Makes a table this program wrote look as another writer, or an earlier
// version, left it: `languageByte` in its header, and a .cpg holding
// `codePageFile` beside it, or none when that is null.
bool DeclareTable(const std::string& dbfPath, uint8_t languageByte, const char* codePageFile);

// A GeoTIFF of rows x columns with `bands` bands of the GDAL type, band b's
// pixel (row, column) = b * 50 + row * columns + column (cut to the type), the
// colour interpretations given (none: GDAL's default), and a geotransform
// with origin (x0, y0) and pixel size 2 unless `georeferenced` is false.
bool WriteTestImage(const std::string& path, int rows, int columns, int bands, int gdalType,
                    const std::vector<int>& interpretations, bool georeferenced, double x0 = 1000, double y0 = 2000,
                    const char* driver = "GTiff");

// An AOI shapefile as OGR reads it.
struct ReadAOIFeature {
    int index;
    std::string comment;
    long long colour;
    std::vector<std::pair<double, double>> ring;
};
struct ReadAOIFile {
    bool opened = false;
    std::vector<std::string> fieldNames;
    std::vector<int> fieldWidths;
    std::string geometryType;
    std::vector<ReadAOIFeature> features;
};
ReadAOIFile ReadAOIWithOGR(const std::string& path);
// The text cells of `column` in a table (.shp or .dbf) as OGR reads them, in
// the code page its .cpg or language byte names; {"unopened"} when it cannot.
std::vector<std::string> OGRTextCells(const std::string& path, const char* column);
