// Reference shapefiles are read whole into memory and never written.
#include "gis/layers/ref_shapefile.h"
#include "gis/layers/ref_files.h"
#include "app/layer_sets.h"
#include "app/app_windows.h"
#include "base/file_system.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/polygon.h"
#include "base/progress.h"
#include "data/gdal_grid.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

const char kShapefileOpenFailed[] = "Unable to open shape file for reading:\n    %s\n";
const char kShapefileEmpty[] = "Shape file appears to be empty:\n    %s\n";
const char kShapefileNothingToShow[] = "Shape file holds no shape with a point to show:\n    %s\n";
const char kShapefileDamaged[] = "Shape file is damaged: shape %d of %d cannot be read:\n    %s\n";
const char kShapefileUnknownType[] = "Unknown shape file type:\n    %s\n";
const char kDBFOpenFailed[] = "Unable to open DBF file for reading:\n    %s\n";
const char kReferenceNoMemory[] = "Not enough memory to load:\n    %s\n";
const char kShapefileBadValue[] =
    "Shape file holds a coordinate that is not a finite number or is out of range: shape %d of %d:\n    %s\n";
const char kReferencePointsLeftOutFormat[] = "[LOAD]  %s:  shapes without a point left out:  %d";
const char kDBFDamaged[] =
    "DBF file is damaged: it is cut short, its records do not match its fields, or a number field holds no "
    "number:\n    %s\n";

bool ShapeValuesUsable(const ShapeRecord& shape, bool withZ)
{
    for (int k = 0; k < shape.VertexCount(); k++) {
        if (!MapCoordinateUsable(shape.x[k]) || !MapCoordinateUsable(shape.y[k])) return false;
        if (withZ && !MapCoordinateUsable(shape.z[k])) return false;
    }
    return true;
}

bool ShapeValuesFinite(const ShapeRecord& shape)
{
    for (int k = 0; k < shape.VertexCount(); k++)
        if (!std::isfinite(shape.x[k]) || !std::isfinite(shape.y[k])) return false;
    return true;
}

void ReportShapefileValueFault(int shape, int count, const char* title)
{
    char text[700];
    snprintf(text, sizeof text, kShapefileBadValue, shape + 1, count, title);   // counted from 1, as the user counts
    ReportLayerError("%s", text);
}

void ReportLayerError(const char* format, const char* name)
{
    char text[700];
    snprintf(text, sizeof text, format, name);
    ShowMessageBox(FrameWindow, text, "ERROR", MB_OK | MB_ICONERROR);
}

void ReportDamagedShapefile(int shape, int count, const char* title)
{
    char text[700];
    snprintf(text, sizeof text, kShapefileDamaged, shape + 1, count, title);   // counted from 1, as the user counts
    ShowMessageBox(FrameWindow, text, "ERROR", MB_OK | MB_ICONERROR);
}

int HasShapefileExtension(const char* path)
{
    PathParts parts;
    return SplitPath(path, &parts) && lstrcmpiA(parts.ext, ".SHP") == 0;
}

int IsReferenceShapefile(const char* path)
{
    if (!HasShapefileExtension(path)) return 0;
    ShapeInput in;
    return OpenShapesToRead(&in, path, nullptr, true) != SHAPES_NOT_OPENED && OpenTableToRead(&in) == SHAPES_READABLE;
}

void ReportUnreadableShapefile(const char* path, const char* title)
{
    ShapeInput in;
    if (OpenShapesToRead(&in, path, nullptr, true) == SHAPES_NOT_OPENED) ReportLayerError(kShapefileOpenFailed, title);
    else ReportLayerError(kDBFOpenFailed, ChangeFileExtension(title, ".dbf"));
}

int GetShapeType(const char* path)
{
    ShapeInput in;
    return OpenShapesToRead(&in, path, nullptr, true) == SHAPES_NOT_OPENED ? 0 : in.type;
}

ReferenceFile* LoadReferenceShapefile(const char* path, const char* title)
{
    switch (GetShapeType(path)) {
    case SHAPE_POINT:
    case SHAPE_POINTZ: return LoadReferencePoints(path, title);
    case SHAPE_ARC:
    case SHAPE_POLYGON:
    case SHAPE_ARCZ:
    case SHAPE_POLYGONZ: return LoadReferenceLines(path, title);
    }
    ReportLayerError(kShapefileUnknownType, title);
    return nullptr;
}

// Opens the file and counts its shapes; false after the message.
static bool OpenForLoading(ShapeInput* in, const char* path, const char* title)
{
    ShapeReadFault fault = OpenShapesToRead(in, path);
    if (fault == SHAPES_READABLE) return true;
    std::string counts = RecordCountsMessage(in, title);
    if (!counts.empty()) ReportLayerError("%s", counts.c_str());
    else if (fault == SHAPES_NONE) ReportLayerError(kShapefileEmpty, title);
    else if (fault == SHAPES_MISPLACED) ReportDamagedShapefile(in->misplaced, in->count, title);
    else ReportLayerError(kShapefileOpenFailed, title);
    CloseShapeInput(in);
    return false;
}

// One polyline per part of the shape; false without memory.
static bool AddShapeParts(ReferenceFile* reference, const ShapeRecord& shape, bool withZ, bool closed,
                          std::vector<struct Polyline*>* lines)
{
    int nParts = (int)shape.partStart.size(), n = shape.VertexCount();
    int parts = nParts > 0 ? nParts : 1;
    for (int p = 0; p < parts; p++) {
        int start = nParts > 0 ? shape.partStart[p] : 0;
        int end = nParts > 0 && p + 1 < nParts ? shape.partStart[p + 1] : n;
        if (start < 0) start = 0;
        if (end > n) end = n;
        if (end <= start) continue;
        struct Polyline* line = CreatePolyline(end - start);
        if (!line) return false;
        line->closed = closed ? 1 : 0;
        for (int k = start; k < end; k++) {
            Vec3& v = line->vertices[k - start];
            v.x = shape.x[k];
            v.y = shape.y[k];
            v.z = withZ ? (float)shape.z[k] : 0.0f;
            WidenReferenceBounds(reference, v.x, v.y);
        }
        lines->push_back(line);
    }
    return true;
}

static void FreeLines(std::vector<struct Polyline*>& lines)
{
    for (struct Polyline* line : lines) FreePolyline(line);
    lines.clear();
}

ReferenceFile* LoadReferenceLines(const char* path, const char* title)
{
    ShapeInput in;
    if (!OpenForLoading(&in, path, title)) return nullptr;
    int count = in.count, type = in.type;
    ReferenceFile* reference = NewReferenceFile(path, title, REFERENCE_SHAPEFILE);
    if (reference) reference->lines = (PolylineList*)NBLCalloc(1, sizeof(PolylineList));
    if (!reference || !reference->lines) {
        FreeReferenceFile(reference);
        ReportLayerError(kReferenceNoMemory, title);
        return nullptr;
    }
    bool polygons = type == SHAPE_POLYGON || type == SHAPE_POLYGONZ;
    bool withZ = type == SHAPE_ARCZ || type == SHAPE_POLYGONZ;
    reference->width = 1;
    reference->shapeKind = polygons ? SHAPES_POLYGONS : SHAPES_LINES;
    reference->color = polygons ? 0xFF0000 : 0x00FFFF;

    std::vector<struct Polyline*> lines;
    const char* failure = nullptr;
    int failedShape = -1;
    ShapeRecord shape;
    StartProgress((unsigned)(count / 4096 + 1), "Loading SHP File");
    for (int j = 0; j < count && !failure; j++) {
        if (j % 4096 == 0) StepProgress();
        if (!ReadShape(&in, j, &shape)) {
            failure = kShapefileDamaged;
            failedShape = j;
            break;
        }
        if (!ShapeValuesUsable(shape, withZ)) {
            failure = kShapefileBadValue;
            failedShape = j;
        } else if (shape.VertexCount() > 0 && !AddShapeParts(reference, shape, withZ, polygons, &lines)) {
            failure = kReferenceNoMemory;
        }
    }
    CloseShapeInput(&in);
    EndProgress();
    // Nothing to draw would leave a layer without bounds: the file is refused.
    if (!failure && lines.empty()) failure = kShapefileNothingToShow;
    if (!failure) {
        reference->lines->items = (struct Polyline**)NBLMalloc(lines.size() * sizeof(struct Polyline*));
        if (reference->lines->items) {
            memcpy(reference->lines->items, lines.data(), lines.size() * sizeof(struct Polyline*));
            reference->lines->count = (int32_t)lines.size();
            lines.clear();
        } else {
            failure = kReferenceNoMemory;
        }
    }
    if (failure) {
        FreeLines(lines);
        FreeReferenceFile(reference);
        if (failure == kShapefileDamaged) ReportDamagedShapefile(failedShape, count, title);
        else if (failure == kShapefileBadValue) ReportShapefileValueFault(failedShape, count, title);
        else ReportLayerError(failure, title);
        return nullptr;
    }
    return reference;
}

ReferenceFile* LoadReferencePoints(const char* path, const char* title)
{
    ShapeInput in;
    if (!OpenForLoading(&in, path, title)) return nullptr;
    int count = in.count, type = in.type;
    ReferenceFile* reference = NewReferenceFile(path, title, REFERENCE_SHAPEFILE);
    if (reference) reference->points = (Vec3*)NBLCalloc((uint64_t)count, sizeof(Vec3));
    if (!reference || !reference->points) {
        FreeReferenceFile(reference);
        ReportLayerError(kReferenceNoMemory, title);
        return nullptr;
    }
    reference->shapeKind = SHAPES_POINTS;
    reference->color = 0xFFFF00;
    reference->width = 1;
    reference->pointCount = count;
    bool withZ = type == SHAPE_POINTZ;
    SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    int failedShape = -1, kept = 0;
    bool badValue = false;
    ShapeRecord shape;
    StartProgress((unsigned)(count / 4096 + 1), "Loading SHP File");
    for (int j = 0; j < count; j++) {
        if (j % 4096 == 0) StepProgress();
        bool read = ReadShape(&in, j, &shape);
        if (!read || !ShapeValuesUsable(shape, withZ)) {
            failedShape = j;
            badValue = read;
            break;
        }
        // A shape without a point (a null shape) is left out, not put at 0, 0.
        if (shape.VertexCount() > 0) {
            Vec3& v = reference->points[kept++];
            v.x = shape.x[0];
            v.y = shape.y[0];
            v.z = withZ ? (float)shape.z[0] : 0.0f;
            WidenReferenceBounds(reference, v.x, v.y);
        }
    }
    CloseShapeInput(&in);
    EndProgress();
    if (failedShape >= 0) {
        FreeReferenceFile(reference);
        if (badValue) ReportShapefileValueFault(failedShape, count, title);
        else ReportDamagedShapefile(failedShape, count, title);
        return nullptr;
    }
    if (kept == 0) {
        FreeReferenceFile(reference);
        ReportLayerError(kShapefileNothingToShow, title);
        return nullptr;
    }
    reference->pointCount = kept;
    if (kept < count) {
        char line[400];
        snprintf(line, sizeof line, kReferencePointsLeftOutFormat, title, count - kept);
        LogMessage(line);
    }
    return reference;
}
