#include "layer_test_files.h"
#include "las_test_files.h"
#include "base/file_system.h"
#include <gdal.h>
#include <ogr_api.h>
#include "base/shape_io.h"
#include <algorithm>
#include <cstring>

bool WriteTestShapefile(const std::string& path, int shapeType, const std::vector<TestShape>& shapes, bool table)
{
    ShapeGroupWriter w;
    int shp = BeginShapeGroup(&w, path.c_str()) ? CreateGroupShapes(&w, path.c_str(), shapeType) : -1;
    if (shp < 0) return false;
    int dbf = -1;
    if (table) {
        dbf = CreateGroupTable(&w, (path.substr(0, path.size() - 4) + ".dbf").c_str());
        if (dbf < 0 || AddTableColumn(&w, dbf, "NAME", COLUMN_TEXT, 20, 0) != 0) return false;
    }
    bool ok = true;
    for (size_t i = 0; i < shapes.size(); i++) {
        std::vector<int> starts;
        std::vector<double> xs, ys, zs;
        for (const auto& part : shapes[i].parts) {
            starts.push_back((int)xs.size());
            for (const auto& v : part) {
                xs.push_back(v[0]);
                ys.push_back(v[1]);
                zs.push_back(v.size() > 2 ? v[2] : 0.0);
            }
        }
        ok = ok && AppendShape(&w, shp, starts.empty() ? SHAPE_NULL : shapeType, (int)xs.size(), xs.data(), ys.data(),
                               zs.data(), (int)i, (int)starts.size(), starts.data());
        if (dbf >= 0) ok = ok && WriteTextCell(&w, dbf, (int)i, 0, "shape");
    }
    return CommitShapeGroup(&w, true) && ok;
}

bool WriteTestAOITable(const std::string& shpPath, const std::vector<int>& indices, bool comment, bool colour,
                       const std::vector<std::string>& comments, const std::vector<int>& colours)
{
    std::string dbfPath = shpPath.substr(0, shpPath.size() - 4) + ".dbf";
    ShapeGroupWriter w;
    int dbf = BeginShapeGroup(&w, dbfPath.c_str()) ? CreateGroupTable(&w, dbfPath.c_str()) : -1;
    if (dbf < 0) return false;
    int fIndex = AddTableColumn(&w, dbf, "AOI_INDEX", COLUMN_INTEGER, 10, 0);
    int fComment = comment ? AddTableColumn(&w, dbf, "COMMENT", COLUMN_TEXT, 255, 0) : -1;
    // Without a string COMMENT the table still has a field of that name, of another type.
    if (!comment) AddTableColumn(&w, dbf, "COMMENT", COLUMN_INTEGER, 5, 0);
    int fColour = colour ? AddTableColumn(&w, dbf, "COLOR", COLUMN_INTEGER, 10, 0) : -1;
    bool ok = fIndex >= 0;
    for (size_t i = 0; i < indices.size(); i++) {
        ok = ok && WriteIntegerCell(&w, dbf, (int)i, fIndex, indices[i]);
        if (fComment >= 0) ok = ok && WriteTextCell(&w, dbf, (int)i, fComment, i < comments.size() ? comments[i].c_str() : "");
        if (fColour >= 0) ok = ok && WriteIntegerCell(&w, dbf, (int)i, fColour, i < colours.size() ? colours[i] : 0);
    }
    return CommitShapeGroup(&w, true) && ok;
}

bool CutShapefileParts(const std::string& shpPath, int shpRecords, int shxRecords, int dbfRecords)
{
    std::string base = shpPath.substr(0, shpPath.size() - 4);
    Bytes shp = ReadBytes(shpPath), shx = ReadBytes(base + ".shx"), dbf = ReadBytes(base + ".dbf");
    if (shp.size() < 100 || shx.size() < 100 || dbf.size() < 32) return false;
    if (shpRecords >= 0) {
        // Walked by the records' own headers (the index may be cut already); lengths count 16-bit words.
        size_t end = 100;
        for (int i = 0; i < shpRecords && end + 8 <= shp.size(); i++) end += 8 + 2 * (size_t)BigEndian32At(shp, end + 4);
        shp.resize(std::min(end, shp.size()));
        PutBigEndian32(shp, 24, (uint32_t)(shp.size() / 2));
    }
    if (shxRecords >= 0) {
        shx.resize(100 + 8 * (size_t)shxRecords);
        PutBigEndian32(shx, 24, (uint32_t)(shx.size() / 2));
    }
    if (dbfRecords >= 0) {
        dbf.resize(FieldAt<uint16_t>(dbf, 8) + FieldAt<uint16_t>(dbf, 10) * (size_t)dbfRecords);
        dbf.push_back(0x1A);
        SetFieldAt<uint32_t>(dbf, 4, (uint32_t)dbfRecords);
    }
    return WriteBytes(shpPath, shp) && WriteBytes(base + ".shx", shx) && WriteBytes(base + ".dbf", dbf);
}

bool DeclareTable(const std::string& dbfPath, uint8_t languageByte, const char* codePageFile)
{
    Bytes dbf = ReadBytes(dbfPath);
    if (dbf.size() < 32) return false;
    dbf[29] = languageByte;
    std::string cpg = dbfPath.substr(0, dbfPath.size() - 4) + ".cpg";
    DeleteFileA(cpg.c_str());
    return WriteBytes(dbfPath, dbf) &&
           (!codePageFile || WriteBytes(cpg, Bytes(codePageFile, codePageFile + strlen(codePageFile))));
}

bool WriteTestImage(const std::string& path, int rows, int columns, int bands, int gdalType,
                    const std::vector<int>& interpretations, bool georeferenced, double x0, double y0, const char* driver)
{
    GDALAllRegister();
    GDALDriverH d = GDALGetDriverByName(driver);
    if (!d) return false;
    GDALDatasetH ds = GDALCreate(d, ToNativePath(path.c_str()).c_str(), columns, rows, bands, (GDALDataType)gdalType, nullptr);
    if (!ds) return false;
    if (georeferenced) {
        double transform[6] = {x0, 2.0, 0.0, y0, 0.0, -2.0};
        GDALSetGeoTransform(ds, transform);
    }
    bool ok = true;
    for (int b = 1; b <= bands; b++) {
        GDALRasterBandH band = GDALGetRasterBand(ds, b);
        if (b - 1 < (int)interpretations.size()) GDALSetRasterColorInterpretation(band, (GDALColorInterp)interpretations[b - 1]);
        std::vector<double> values((size_t)rows * columns);
        for (int r = 0; r < rows; r++)
            for (int c = 0; c < columns; c++) values[(size_t)r * columns + c] = (b * 50 + r * columns + c) % 256;
        ok = ok && GDALRasterIO(band, GF_Write, 0, 0, columns, rows, values.data(), columns, rows, GDT_Float64, 0, 0) == CE_None;
    }
    GDALClose(ds);
    return ok;
}

ReadAOIFile ReadAOIWithOGR(const std::string& path)
{
    ReadAOIFile file;
    GDALAllRegister();
    GDALDatasetH ds = GDALOpenEx(ToNativePath(path.c_str()).c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
    if (!ds) return file;
    file.opened = true;
    OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
    OGRFeatureDefnH defn = OGR_L_GetLayerDefn(layer);
    for (int i = 0; i < OGR_FD_GetFieldCount(defn); i++) {
        OGRFieldDefnH field = OGR_FD_GetFieldDefn(defn, i);
        file.fieldNames.push_back(OGR_Fld_GetNameRef(field));
        file.fieldWidths.push_back(OGR_Fld_GetWidth(field));
    }
    file.geometryType = OGRGeometryTypeToName(OGR_L_GetGeomType(layer));
    OGR_L_ResetReading(layer);
    while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
        ReadAOIFeature feature;
        feature.index = OGR_F_GetFieldAsInteger(f, OGR_F_GetFieldIndex(f, "AOI_INDEX"));
        feature.comment = OGR_F_GetFieldAsString(f, OGR_F_GetFieldIndex(f, "COMMENT"));
        feature.colour = OGR_F_GetFieldAsInteger64(f, OGR_F_GetFieldIndex(f, "COLOR"));
        OGRGeometryH g = OGR_F_GetGeometryRef(f);
        OGRGeometryH ring = g && OGR_G_GetGeometryCount(g) > 0 ? OGR_G_GetGeometryRef(g, 0) : nullptr;
        for (int k = 0; ring && k < OGR_G_GetPointCount(ring); k++)
            feature.ring.push_back({OGR_G_GetX(ring, k), OGR_G_GetY(ring, k)});
        file.features.push_back(feature);
        OGR_F_Destroy(f);
    }
    GDALClose(ds);
    return file;
}

std::vector<std::string> OGRTextCells(const std::string& path, const char* column)
{
    GDALAllRegister();
    GDALDatasetH ds = GDALOpenEx(ToNativePath(path.c_str()).c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
    if (!ds) return {"unopened"};
    std::vector<std::string> cells;
    OGRLayerH layer = GDALDatasetGetLayer(ds, 0);
    OGR_L_ResetReading(layer);
    while (OGRFeatureH f = OGR_L_GetNextFeature(layer)) {
        cells.push_back(OGR_F_GetFieldAsString(f, OGR_F_GetFieldIndex(f, column)));
        OGR_F_Destroy(f);
    }
    GDALClose(ds);
    return cells;
}
