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
#include "base/stored_text.h"
#include "base/file_system.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/polygon.h"
#include "base/progress.h"
#include "base/text.h"
#include "data/gdal_grid.h"
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include <windows.h>

const char kAOINotPolygons[] = "Shape file does not contain polygons:\n    %s\n";
const char kAOIIndexMissing[] = "Unable to find AOI_INDEX in DBF file:\n    %s\n";
const char kAOIShapeCreateFailed[] = "Unable to open shape file for writing:\n    %s\n";
const char kAOITableCreateFailed[] = "Unable to open DBF file for writing:\n    %s\n";
const char kAOIWriteFailed[] = "Unable to write the AOI file:\n    %s\n\nThe AOI polygons were not saved.";
const char kAOIPolygonOffMapFormat[] =
    "AOI polygon %d lies off the map: a vertex is not a number or lies farther than 1e10 from 0, so it cannot be "
    "stored in a file that reads back.\n\nNothing was written: the AOI polygons were not saved and the file on disk "
    "is unchanged:\n    %s\n";
const char kAOISavedFormat[] = "AOI Save Polygons:  %d";
const char kAOILoadedFormat[] = "AOI Load Polygons:  %d";

// ---- reading -------------------------------------------------------------------------

// Integer fields: numeric fields of 10 digits and more read as real even
// without decimals, and such is the width of the AOI fields.
static bool IsIntegerField(const TableColumn& c)
{
    return c.type == COLUMN_INTEGER || (c.type == COLUMN_REAL && c.decimals == 0);
}

struct AOIFields {
    int index = -1, comment = -1, colour = -1;
};

static AOIFields FindAOIFields(const ShapeInput* in)
{
    AOIFields fields;
    int count = TableColumnCount(in);
    for (int i = 0; i < count; i++) {
        TableColumn c = TableColumnAt(in, i);
        if (strcmp(c.name, "AOI_INDEX") == 0 && IsIntegerField(c)) fields.index = i;
        else if (strcmp(c.name, "COMMENT") == 0 && c.type == COLUMN_TEXT) fields.comment = i;
        else if (strcmp(c.name, "COLOR") == 0 && IsIntegerField(c)) fields.colour = i;
    }
    return fields;
}

// A polygon of all the shape's vertices, all parts in order; false without memory.
static bool ReadPolygon(const ShapeRecord& shape, struct Polyline* polygon)
{
    int n = shape.VertexCount();
    if (n <= 0) return true;
    polygon->vertices = (Vec3*)NBLCalloc((uint64_t)n, sizeof(Vec3));
    if (!polygon->vertices) return false;
    polygon->vertexCount = n;
    for (int k = 0; k < n; k++) polygon->vertices[k] = {shape.x[k], shape.y[k], 0.0f};
    polygon->closed = 1;
    polygon->ring = PolylineToGpcPolygon(polygon);
    return polygon->ring != nullptr;
}

static const int kPolygonTypes[] = {SHAPE_POLYGON, SHAPE_POLYGONZ, 0};

AOISet* LoadAOIShapefile(const char* path, const char* title)
{
    FinishInterruptedSaves(GetPathDirectory(path));   // a save cut short is completed first
    ShapeInput in;
    ShapeReadFault fault = OpenShapesToRead(&in, path, kPolygonTypes);
    int count = in.count;
    if (fault != SHAPES_READABLE) {
        std::string counts = RecordCountsMessage(&in, title);
        CloseShapeInput(&in);
        if (!counts.empty()) ReportLayerError("%s", counts.c_str());
        else if (fault == SHAPES_MISPLACED) ReportDamagedShapefile(in.misplaced, count, title);
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
    AOIFields fields = FindAOIFields(&in);
    const char* failure = nullptr;
    std::string counts = fields.index < 0 ? std::string() : RecordCountsMessage(&in, title);
    if (fields.index < 0) failure = kAOIIndexMissing;
    else if (!counts.empty() || CheckTableRows(&in) != SHAPES_READABLE) failure = kDBFDamaged;
    if (failure) {
        if (!counts.empty()) ReportLayerError("%s", counts.c_str());
        else ReportLayerError(failure, tableTitle);
        CloseShapeInput(&in);
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
    ShapeRecord shape;
    StoredText text;
    unsigned unshown = UnshownTextCount();
    StartProgress((unsigned)(count / 4096 + 1), "Loading SHP File");
    for (int j = 0; j < count && !failure; j++) {
        if (j % 4096 == 0) StepProgress();
        struct Polyline* polygon = CreatePolyline(0);
        char* comment = (char*)NBLCalloc(kAOICommentBytes, 1);
        if (!polygon || !comment) {
            FreePolyline(polygon);
            NBLFree(comment);
            failure = kReferenceNoMemory;
            break;
        }
        polygon->comment = comment;
        set->lines->items[set->lines->count++] = polygon;
        if (!ReadShape(&in, j, &shape)) {
            damaged = j;
            failure = kShapefileDamaged;
            break;
        }
        if (!ShapeValuesUsable(shape, false)) {
            damaged = j;
            failure = kShapefileBadValue;
        } else if (!NumberCellUsable(&in, j, fields.index) ||
                   (fields.colour >= 0 && !NumberCellUsable(&in, j, fields.colour))) {
            failure = kDBFDamaged;
        } else if (!ReadPolygon(shape, polygon)) {
            failure = kReferenceNoMemory;
        }
        polygon->type = ReadIntegerCell(&in, j, fields.index);
        if (fields.comment >= 0 && ReadStoredTextCell(&in, j, fields.comment, &text) && !text.shown.empty())
            CopyStoredText(comment, kAOICommentBytes, text);
        polygon->color = fields.colour >= 0 ? (uint32_t)ReadIntegerCell(&in, j, fields.colour) : 0;
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
    NoteUnshownLetters(UnshownTextCount() - unshown);
    return set;
}

// ---- writing -------------------------------------------------------------------------

// Writes one polygon as shape and record number `record`.
static bool WritePolygon(ShapeGroupWriter* w, int shp, int dbf, int record, const struct Polyline* polygon,
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
    return AppendShape(w, shp, n > 0 ? SHAPE_POLYGON : SHAPE_NULL, n, xs.data(), ys.data(), nullptr, record) &&
           WriteIntegerCell(w, dbf, record, 0, polygon->type) &&
           WriteTextCell(w, dbf, record, 1, polygon->comment ? polygon->comment : "",
                         polygon->comment ? kAOICommentBytes : 0) &&
           WriteIntegerCell(w, dbf, record, 2, (int)polygon->color);
}

// The first live polygon (from 0) with a vertex the reader would refuse, -1 when none.
static int FirstPolygonOffMap(const AOISet* set)
{
    int n = set->lines ? set->lines->count : 0;
    for (int i = 0; i < n; i++) {
        const struct Polyline* polygon = set->lines->items[i];
        if (!polygon || polygon->deleted || !polygon->vertices) continue;
        for (int k = 0; k < polygon->vertexCount; k++)
            if (!MapCoordinateUsable(polygon->vertices[k].x) || !MapCoordinateUsable(polygon->vertices[k].y)) return i;
    }
    return -1;
}

int SaveAOIShapefile(AOISet* set)
{
    if (!set) return 0;
    // A file the loader refuses would lose every polygon: the save is refused instead.
    int offMap = FirstPolygonOffMap(set);
    if (offMap >= 0) {
        char text[700];
        snprintf(text, sizeof text, kAOIPolygonOffMapFormat, offMap + 1, set->title);
        ReportLayerError("%s", text);
        return 0;
    }
    ShapeGroupWriter w;
    bool begun = set->path[0] && BeginShapeGroup(&w, set->path);
    int shp = begun ? CreateGroupShapes(&w, set->path, SHAPE_POLYGON) : -1;
    if (shp < 0) {
        AbortShapeGroup(&w);
        std::string folder = ShapeGroupRefusal(set->path);
        if (!folder.empty()) ReportLayerError("%s", folder.c_str());
        else ReportLayerError(kAOIShapeCreateFailed, set->title);
        return 0;
    }
    char tablePath[256];
    snprintf(tablePath, sizeof tablePath, "%s", ChangeFileExtension(set->path, ".dbf"));
    int n = set->lines ? set->lines->count : 0, record = 0;
    for (int i = 0; i < n; i++) {
        const struct Polyline* polygon = set->lines->items[i];
        if (polygon && !polygon->deleted && FieldKeepsLetters(polygon->comment, kAOICommentBytes))
            w.keepsLetters = true;
    }
    int dbf = CreateGroupTable(&w, tablePath);
    if (dbf < 0) {
        AbortShapeGroup(&w);
        ReportLayerError(kAOITableCreateFailed, tablePath);
        return 0;
    }
    bool ok = AddTableColumn(&w, dbf, "AOI_INDEX", COLUMN_INTEGER, 10, 0) == 0 &&
              AddTableColumn(&w, dbf, "COMMENT", COLUMN_TEXT, 255, 0) == 1 &&
              AddTableColumn(&w, dbf, "COLOR", COLUMN_INTEGER, 10, 0) == 2;
    std::vector<double> xs, ys;
    StartProgress((unsigned)(n / 4096 + 1), "Saving SHP File");
    for (int i = 0; i < n && ok; i++) {
        if (i % 4096 == 0) StepProgress();
        const struct Polyline* polygon = set->lines->items[i];
        if (!polygon || polygon->deleted) continue;
        ok = WritePolygon(&w, shp, dbf, record, polygon, xs, ys);
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
