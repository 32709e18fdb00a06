// The POI shapefile: PointZ shapes with a dBASE table of POI_INDEX, NAME,
// COMMENT and COLOR, one shape and one row per marker that is not deleted.
#pragma once

struct POISet;

// Reader and writer errors, each with a file name ("%s").
extern const char kPOIShapeOpenReadFailed[];    // "Unable to open shape file for reading:\n    %s\n"
extern const char kPOIShapeEmpty[];             // "Shape file appears to be empty:\n    %s\n"
extern const char kPOIShapeNot3DPoints[];       // "Shape file does not contain 3D points:\n    %s\n"
extern const char kPOIShapeDamaged[];           // a shape that cannot be read
extern const char kPOIDBFOpenReadFailed[];      // "Unable to open DBF file for reading:\n    %s\n"
extern const char kPOIMissingName[];            // "Unable to find \"NAME\" in DBF file:\n    %s\n"
extern const char kPOIMissingColor[];           // "Unable to find \"COLOR\" in DBF file:\n    %s\n"
extern const char kPOIMissingComment[];         // "Unable to find \"COMMENT\" in DBF file:\n    %s\n"
extern const char kPOIShapeOpenWriteFailed[];   // "Unable to open shape file for writing:\n    %s\n"
extern const char kPOIDBFOpenWriteFailed[];     // "Unable to open DBF file for writing:\n    %s\n"
extern const char kPOIWriteFailed[];            // a write that did not complete
extern const char kPOIMarkerOffMapFormat[];     // a marker (from 1) and its name the reader would refuse, then the title
// Status lines: the file's title and the number of markers written; the number read.
extern const char kPOISavedLine[];              // "[SAVE]  %s:  POI markers:  %d"
extern const char kPOILoadedLine[];             // "POI Load Markers:  %d"

// Reads the file at `path` (a Win32 path) into a new saved set named `path`
// and `title`; null after reporting the error over the frame.
POISet* LoadPOIShapefile(const char* path, const char* title);
// Writes the set's live markers under its path and marks it saved; 1 when
// written, 0 after reporting the error, with the set still unsaved and any
// file already at the path left as it was.
int SavePOIShapefile(POISet* set);
