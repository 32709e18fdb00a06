// Reference shapefiles: recognising them and reading their lines, polygons
// or points into a reference record.
#pragma once
#include "base/shape_io.h"

struct ReferenceFile;

extern const char kShapefileOpenFailed[];   // "Unable to open shape file for reading:\n    %s\n"
extern const char kShapefileEmpty[];        // "Shape file appears to be empty:\n    %s\n"
extern const char kShapefileNothingToShow[];  // every shape null or without vertices: the title
extern const char kShapefileDamaged[];      // a shape that cannot be read: its number, count and the title
extern const char kShapefileUnknownType[];  // "Unknown shape file type:\n    %s\n"
extern const char kDBFOpenFailed[];         // "Unable to open DBF file for reading:\n    %s\n"
extern const char kReferenceNoMemory[];
extern const char kShapefileBadValue[];     // a coordinate not finite or out of range: shape, count and title
extern const char kReferencePointsLeftOutFormat[];  // status line: the title and the null shapes left out
extern const char kDBFDamaged[];            // a table cut short, not matching its fields or a number cell holding none, with its title

// Extension ".SHP" (any case), and both the shape file and its table open.
int  IsReferenceShapefile(const char* path);
int  HasShapefileExtension(const char* path);
// Tells why a file with a shapefile's extension cannot be read.
void ReportUnreadableShapefile(const char* path, const char* title);
// The file's shape type, 0 when it cannot be opened.
int  GetShapeType(const char* path);
// The reader by shape type: points, or lines and polygons; any other type is
// refused with its message. Null after a reported failure.
ReferenceFile* LoadReferenceShapefile(const char* path, const char* title);
ReferenceFile* LoadReferenceLines(const char* path, const char* title);
ReferenceFile* LoadReferencePoints(const char* path, const char* title);

// Reports a failure of the layer readers with the caption "ERROR": the format
// takes the one name (a title or path).
void ReportLayerError(const char* format, const char* name);
// kShapefileDamaged for shape `shape` (from 0; the message counts from 1) of `count`.
void ReportDamagedShapefile(int shape, int count, const char* title);

// Checks of values read from a shapefile, shared by every shapefile reader.
// True when every X and Y (and Z with `withZ`) of the shape is a finite
// number within kMaxGridCoordinate.
bool ShapeValuesUsable(const ShapeRecord& shape, bool withZ);
// True when every X and Y of the shape is a finite number, however far off.
bool ShapeValuesFinite(const ShapeRecord& shape);
// kShapefileBadValue for shape `shape` (from 0; the message counts from 1) of `count`.
void ReportShapefileValueFault(int shape, int count, const char* title);
