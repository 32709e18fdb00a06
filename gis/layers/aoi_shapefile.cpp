// Reading and writing AOI shapefiles with shapelib. A save writes side files
// first and moves them over the old ones only once all of it is written and
// reads back whole, so a failed save never leaves a half-written file.
#include "gis/layers/aoi_shapefile.h"
#include "gis/layers/aoi_set.h"
#include "app/layer_sets.h"
#include "gis/layers/ref_files.h"
#include "gis/layers/ref_shapefile.h"
#include "base/file_replace.h"
#include "gis/layers/shape_io.h"
#include "base/file_system.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/polygon.h"
#include "base/progress.h"
#include <shapefil.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include <windows.h>

const char kAOINotPolygons[] = "Shape file does not contain polygons:\n    %s\n";
const char kAOIIndexMissing[] = "Unable to find AOI_INDEX in DBF file:\n    %s\n";
const char kAOITableShort[] = "The DBF file does not hold a record for every shape:\n    %s\n";
const char kAOIShapeCreateFailed[] = "Unable to open shape file for writing:\n    %s\n";
const char kAOITableCreateFailed[] = "Unable to open DBF file for writing:\n    %s\n";
const char kAOIWriteFailed[] = "Unable to write the AOI file:\n    %s\n\nThe AOI polygons were not saved.";
const char kAOISavedFormat[] = "AOI Save Polygons:  %d";
const char kAOILoadedFormat[] = "AOI Load Polygons:  %d";

// ---- reading -------------------------------------------------------------------------

// Integer fields: shapelib reports numeric fields of 10 digits and more as
// double even without decimals, and such is the width of the AOI fields.
static bool IsIntegerField(DBFFieldType type, int decimals)
{
    return type == FTInteger || (type == FTDouble && decimals == 0);
}

struct AOIFields {
    int index = -1, comment = -1, colour = -1;
};

static AOIFields FindAOIFields(DBFHandle dbf)
{
    AOIFields fields;
    int count = DBFGetFieldCount(dbf);
    for (int i = 0; i < count; i++) {
        char name[12] = "";
        int width = 0, decimals = 0;
        DBFFieldType type = DBFGetFieldInfo(dbf, i, name, &width, &decimals);
        if (strcmp(name, "AOI_INDEX") == 0 && IsIntegerField(type, decimals)) fields.index = i;
        else if (strcmp(name, "COMMENT") == 0 && type == FTString) fields.comment = i;
        else if (strcmp(name, "COLOR") == 0 && IsIntegerField(type, decimals)) fields.colour = i;
    }
    return fields;
}

// A polygon of all the shape's vertices, all parts in order; false without memory.
static bool ReadPolygon(const SHPObject* shape, struct Polyline* polygon)
{
    if (shape->nVertices <= 0) return true;
    polygon->vertices = (Vec3*)NBLCalloc((uint64_t)shape->nVertices, sizeof(Vec3));
    if (!polygon->vertices) return false;
    polygon->vertexCount = shape->nVertices;
    for (int k = 0; k < shape->nVertices; k++) polygon->vertices[k] = {shape->padfX[k], shape->padfY[k], 0.0f};
    polygon->closed = 1;
    polygon->ring = PolylineToGpcPolygon(polygon);
    return polygon->ring != nullptr;
}

AOISet* LoadAOIShapefile(const char* path, const char* title)
{
    FinishInterruptedSaves(GetPathDirectory(path));   // a save cut short is completed first
    std::string native = ToNativePath(path);
    SHPHandle shp = native.empty() ? nullptr : SHPOpen(native.c_str(), "rb");
    if (!shp) {
        ReportLayerError(kShapefileOpenFailed, title);
        return nullptr;
    }
    int count = 0, type = 0;
    SHPGetInfo(shp, &count, &type, nullptr, nullptr);
    const char* failure = nullptr;
    if (count <= 0) failure = kShapefileEmpty;
    else if (type != SHPT_POLYGON && type != SHPT_POLYGONZ) failure = kAOINotPolygons;
    int misplaced = failure ? -1 : FirstMisplacedRecord(shp);
    if (failure || misplaced >= 0) {
        SHPClose(shp);
        if (failure) ReportLayerError(failure, title);
        else ReportDamagedShapefile(misplaced, count, title);
        return nullptr;
    }
    char tableTitle[256], tablePath[256];
    snprintf(tableTitle, sizeof tableTitle, "%s", ChangeFileExtension(title, ".dbf"));
    snprintf(tablePath, sizeof tablePath, "%s", ChangeFileExtension(path, ".dbf"));
    std::string nativeTable = tablePath[0] ? ToNativePath(tablePath) : std::string();
    DBFHandle dbf = nativeTable.empty() ? nullptr : DBFOpen(nativeTable.c_str(), "rb");
    if (!dbf) {
        SHPClose(shp);
        ReportLayerError(kDBFOpenFailed, tableTitle);
        return nullptr;
    }
    AOIFields fields = FindAOIFields(dbf);
    if (fields.index < 0) failure = kAOIIndexMissing;
    else if (DBFGetRecordCount(dbf) < count) failure = kAOITableShort;
    else if (!TableUsable(dbf, tablePath)) failure = kDBFDamaged;
    if (failure) {
        DBFClose(dbf);
        SHPClose(shp);
        ReportLayerError(failure, tableTitle);
        return nullptr;
    }

    AOISet* set = NewAOISet();
    if (set) {
        snprintf(set->path, sizeof set->path, "%s", path);
        snprintf(set->title, sizeof set->title, "%s", title);
        set->lines->items = (struct Polyline**)NBLCalloc((uint64_t)count, sizeof(struct Polyline*));
    }
    if (!set || !set->lines->items) {
        FreeReferenceFile(set);
        DBFClose(dbf);
        SHPClose(shp);
        ReportLayerError(kReferenceNoMemory, title);
        return nullptr;
    }
    int damaged = -1;
    StartProgress((unsigned)(count / 4096 + 1), "Loading SHP File");
    for (int j = 0; j < count && !failure; j++) {
        if (j % 4096 == 0) StepProgress();
        struct Polyline* polygon = CreatePolyline(0);
        char* comment = (char*)NBLCalloc(256, 1);
        if (!polygon || !comment) {
            FreePolyline(polygon);
            NBLFree(comment);
            failure = kReferenceNoMemory;
            break;
        }
        polygon->comment = comment;
        set->lines->items[set->lines->count++] = polygon;
        SHPObject* shape = SHPReadObject(shp, j);
        if (!shape) {
            damaged = j;
            failure = kShapefileDamaged;
            break;
        }
        if (!ShapeValuesUsable(shape, false)) {
            damaged = j;
            failure = kShapefileBadValue;
        } else if (!NumberCellUsable(dbf, j, fields.index) ||
                   (fields.colour >= 0 && !NumberCellUsable(dbf, j, fields.colour))) {
            failure = kDBFDamaged;
        } else if (!ReadPolygon(shape, polygon)) {
            failure = kReferenceNoMemory;
        }
        SHPDestroyObject(shape);
        polygon->type = DBFReadIntegerAttribute(dbf, j, fields.index);
        if (fields.comment >= 0) {
            const char* text = DBFReadStringAttribute(dbf, j, fields.comment);
            if (text && text[0]) snprintf(comment, 256, "%s", text);
        }
        polygon->color = fields.colour >= 0 ? (uint32_t)DBFReadIntegerAttribute(dbf, j, fields.colour) : 0;
        polygon->typePosition = 0;
    }
    DBFClose(dbf);
    SHPClose(shp);
    EndProgress();
    if (failure) {
        FreeReferenceFile(set);
        if (failure == kShapefileBadValue) {
            ReportShapefileValueFault(damaged, count, title);
        } else if (failure == kDBFDamaged) {
            ReportLayerError(failure, tableTitle);
        } else if (damaged >= 0) {
            ReportDamagedShapefile(damaged, count, title);
        } else {
            ReportLayerError(failure, title);
        }
        return nullptr;
    }
    char line[64];
    snprintf(line, sizeof line, kAOILoadedFormat, count);
    LogMessage(line);
    return set;
}

// ---- writing -------------------------------------------------------------------------

static const char* const kShapefileParts[3] = {".shp", ".shx", ".dbf"};

// The files of one save are written under a temporary base name beside the
// file (TempBaseBeside) with each part's extension.
static void RemoveSideFiles(const std::string& base)
{
    if (base.empty()) return;
    for (const char* ext : kShapefileParts) DeleteFileA((base + ext).c_str());
}

// The written files read back with the record count the writer counted.
static bool ReadsBackWhole(const std::string& shpPath, const std::string& dbfPath, int records)
{
    SHPHandle shp = SHPOpen(ToNativePath(shpPath.c_str()).c_str(), "rb");
    DBFHandle dbf = DBFOpen(ToNativePath(dbfPath.c_str()).c_str(), "rb");
    int count = -1, type = 0;
    if (shp) SHPGetInfo(shp, &count, &type, nullptr, nullptr);
    bool whole = shp && dbf && count == records && type == SHPT_POLYGON && DBFGetRecordCount(dbf) == records &&
                 DBFGetFieldCount(dbf) == 3;
    if (shp) SHPClose(shp);
    if (dbf) DBFClose(dbf);
    return whole;
}

// The side files in place of the file's parts, all of them or none.
static bool ReplaceParts(const std::string& base, const char* path)
{
    std::string side[3], target[3];
    for (int k = 0; k < 3; k++) {
        side[k] = base + kShapefileParts[k];
        target[k] = ChangeFileExtension(path, kShapefileParts[k]);
    }
    return ReplaceFileGroup(side, target, 3) != 0;
}

// Writes one polygon as shape and record number `record`.
static bool WritePolygon(SHPHandle shp, DBFHandle dbf, int record, const struct Polyline* polygon,
                         std::vector<double>& xs, std::vector<double>& ys)
{
    int n = polygon->vertices ? polygon->vertexCount : 0;
    xs.resize(n);
    ys.resize(n);
    for (int k = 0; k < n; k++) {
        xs[k] = polygon->vertices[k].x;
        ys[k] = polygon->vertices[k].y;
    }
    // A polygon without vertices is kept as a null shape, read back empty.
    SHPObject* shape = SHPCreateObject(n > 0 ? SHPT_POLYGON : SHPT_NULL, -1, 0, nullptr, nullptr, n, xs.data(),
                                       ys.data(), nullptr, nullptr);
    bool ok = shape && SHPWriteObject(shp, -1, shape) == record;
    if (shape) SHPDestroyObject(shape);
    return ok && DBFWriteIntegerAttribute(dbf, record, 0, polygon->type) &&
           DBFWriteStringAttribute(dbf, record, 1, polygon->comment ? polygon->comment : "") &&
           DBFWriteIntegerAttribute(dbf, record, 2, (int)polygon->color);
}

int SaveAOIShapefile(AOISet* set)
{
    if (!set) return 0;
    std::string base = set->path[0] ? TempBaseBeside(set->path) : std::string();
    std::string shpSide = base.empty() ? base : base + ".shp", dbfSide = base.empty() ? base : base + ".dbf";
    std::string nativeShp = shpSide.empty() ? std::string() : ToNativePath(shpSide.c_str());
    SAHooks io = WritingShapeHooks();
    SHPHandle shp = nativeShp.empty() ? nullptr : SHPCreateLL(nativeShp.c_str(), SHPT_POLYGON, &io);
    if (!shp) {
        RemoveSideFiles(base);
        ReportLayerError(kAOIShapeCreateFailed, set->title);
        return 0;
    }
    std::string nativeDbf = dbfSide.empty() ? std::string() : ToNativePath(dbfSide.c_str());
    DBFHandle dbf = nativeDbf.empty() ? nullptr : DBFCreateLL(nativeDbf.c_str(), "LDID/87", &io);
    if (!dbf) {
        SHPClose(shp);
        RemoveSideFiles(base);
        ReportLayerError(kAOITableCreateFailed, ChangeFileExtension(set->path, ".dbf"));
        return 0;
    }
    bool ok = DBFAddField(dbf, "AOI_INDEX", FTInteger, 10, 0) == 0 && DBFAddField(dbf, "COMMENT", FTString, 255, 0) == 1 &&
              DBFAddField(dbf, "COLOR", FTInteger, 10, 0) == 2;
    int n = set->lines ? set->lines->count : 0, record = 0;
    std::vector<double> xs, ys;
    StartProgress((unsigned)(n / 4096 + 1), "Saving SHP File");
    for (int i = 0; i < n && ok; i++) {
        if (i % 4096 == 0) StepProgress();
        const struct Polyline* polygon = set->lines->items[i];
        if (!polygon || polygon->deleted) continue;
        ok = WritePolygon(shp, dbf, record, polygon, xs, ys);
        record++;
    }
    EndProgress();
    SHPClose(shp);
    DBFClose(dbf);
    ok = ok && !ShapeWritesFailed() && ReadsBackWhole(shpSide, dbfSide, record) && ReplaceParts(base, set->path);
    if (!ok) {
        RemoveSideFiles(base);
        ReportLayerError(kAOIWriteFailed, set->title);
        return 0;
    }
    set->saved = 1;
    char line[64];
    snprintf(line, sizeof line, kAOISavedFormat, record);
    LogMessage(line);
    return 1;
}
