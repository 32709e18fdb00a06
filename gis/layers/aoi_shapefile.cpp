// Reading and writing AOI shapefiles with shapelib. A save writes side files
// first and moves them over the old ones only once all of it is written and
// reads back whole, so a failed save never leaves a half-written file.
#include "gis/layers/aoi_shapefile.h"
#include "gis/layers/aoi_set.h"
#include "app/layer_sets.h"
#include "gis/layers/ref_files.h"
#include "gis/layers/ref_shapefile.h"
#include "base/file_replace.h"
#include "base/shape_io.h"
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

static const int kPolygonTypes[] = {SHPT_POLYGON, SHPT_POLYGONZ, 0};

AOISet* LoadAOIShapefile(const char* path, const char* title)
{
    FinishInterruptedSaves(GetPathDirectory(path));   // a save cut short is completed first
    ShapeInput in;
    ShapeReadFault fault = OpenShapesToRead(&in, path, kPolygonTypes);
    int count = in.count;
    if (fault != SHAPES_READABLE) {
        CloseShapeInput(&in);
        if (fault == SHAPES_MISPLACED) ReportDamagedShapefile(in.misplaced, count, title);
        else ReportLayerError(fault == SHAPES_NONE ? kShapefileEmpty : fault == SHAPES_OTHER_TYPE ? kAOINotPolygons
                                                                                                 : kShapefileOpenFailed,
                              title);
        return nullptr;
    }
    char tableTitle[256];
    snprintf(tableTitle, sizeof tableTitle, "%s", ChangeFileExtension(title, ".dbf"));
    if (OpenTableToRead(&in) != SHAPES_READABLE) {
        CloseShapeInput(&in);
        ReportLayerError(kDBFOpenFailed, tableTitle);
        return nullptr;
    }
    SHPHandle shp = in.shp;
    DBFHandle dbf = in.dbf;
    AOIFields fields = FindAOIFields(dbf);
    const char* failure = nullptr;
    if (fields.index < 0) failure = kAOIIndexMissing;
    else if ((fault = CheckTableRows(&in)) != SHAPES_READABLE) failure = fault == TABLE_SHORT ? kAOITableShort : kDBFDamaged;
    if (failure) {
        CloseShapeInput(&in);
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
        CloseShapeInput(&in);
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
    CloseShapeInput(&in);
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
    return AppendShape(shp, n > 0 ? SHPT_POLYGON : SHPT_NULL, n, xs.data(), ys.data(), nullptr, record) &&
           DBFWriteIntegerAttribute(dbf, record, 0, polygon->type) &&
           DBFWriteStringAttribute(dbf, record, 1, polygon->comment ? polygon->comment : "") &&
           DBFWriteIntegerAttribute(dbf, record, 2, (int)polygon->color);
}

int SaveAOIShapefile(AOISet* set)
{
    if (!set) return 0;
    ShapeGroupWriter w;
    bool begun = set->path[0] && BeginShapeGroup(&w, set->path);
    SHPHandle shp = begun ? CreateGroupShapes(&w, set->path, SHPT_POLYGON) : nullptr;
    if (!shp) {
        AbortShapeGroup(&w);
        ReportLayerError(kAOIShapeCreateFailed, set->title);
        return 0;
    }
    char tablePath[256];
    snprintf(tablePath, sizeof tablePath, "%s", ChangeFileExtension(set->path, ".dbf"));
    DBFHandle dbf = CreateGroupTable(&w, tablePath);
    if (!dbf) {
        AbortShapeGroup(&w);
        ReportLayerError(kAOITableCreateFailed, tablePath);
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
    if (!CommitShapeGroup(&w, ok)) {
        ReportLayerError(kAOIWriteFailed, set->title);
        return 0;
    }
    set->saved = 1;
    char line[64];
    snprintf(line, sizeof line, kAOISavedFormat, record);
    LogMessage(line);
    return 1;
}
