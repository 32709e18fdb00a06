// The AOI shapefile: one polygon and one table record (AOI_INDEX, COMMENT,
// COLOR) for each polygon of a set that is not deleted.
#pragma once

struct AOISet;

extern const char kAOINotPolygons[];       // "Shape file does not contain polygons:\n    %s\n"
extern const char kAOIIndexMissing[];      // "Unable to find AOI_INDEX in DBF file:\n    %s\n"
extern const char kAOIShapeCreateFailed[]; // "Unable to open shape file for writing:\n    %s\n"
extern const char kAOITableCreateFailed[]; // "Unable to open DBF file for writing:\n    %s\n"
extern const char kAOIWriteFailed[];       // a write that did not complete, with the title
extern const char kAOIPolygonOffMapFormat[];  // a polygon (from 1) the reader would refuse, then the title
extern const char kAOISavedFormat[];       // "AOI Save Polygons:  %d"
extern const char kAOILoadedFormat[];      // "AOI Load Polygons:  %d"

// A new set read from the file, or null after the error was shown.
AOISet* LoadAOIShapefile(const char* path, const char* title);
// Writes the set under its path; 1 and the set saved, or 0 after the error
// was shown, the set still unsaved and any earlier file under the path kept.
int SaveAOIShapefile(AOISet* set);
