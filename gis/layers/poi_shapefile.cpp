// Reading and writing POI shapefiles through shapelib (base/shape_io). A save
// writes beside the target under temporary names and moves the three files
// into place only when every write went through and they read back whole, so
// a failed save never replaces a good file and never leaves a half-written
// one under the chosen name.
#include "gis/layers/poi_shapefile.h"
#include "gis/layers/poi_set.h"
#include "app/layer_sets.h"
#include "gis/layers/ref_shapefile.h"
#include "base/shape_io.h"
#include "base/stored_text.h"
#include "base/text.h"
#include "base/file_replace.h"
#include "base/file_system.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/progress.h"
#include "data/gdal_grid.h"
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>

const char kPOIShapeOpenReadFailed[] = "Unable to open shape file for reading:\n    %s\n";
const char kPOIShapeEmpty[] = "Shape file appears to be empty:\n    %s\n";
const char kPOIShapeNot3DPoints[] = "Shape file does not contain 3D points:\n    %s\n";
const char kPOIShapeDamaged[] = "Shape file is damaged (a shape cannot be read):\n    %s\n";
const char kPOIDBFOpenReadFailed[] = "Unable to open DBF file for reading:\n    %s\n";
const char kPOIMissingName[] = "Unable to find \"NAME\" in DBF file:\n    %s\n";
const char kPOIMissingColor[] = "Unable to find \"COLOR\" in DBF file:\n    %s\n";
const char kPOIMissingComment[] = "Unable to find \"COMMENT\" in DBF file:\n    %s\n";
const char kPOIShapeOpenWriteFailed[] = "Unable to open shape file for writing:\n    %s\n";
const char kPOIDBFOpenWriteFailed[] = "Unable to open DBF file for writing:\n    %s\n";
const char kPOIWriteFailed[] = "Unable to write shape file:\n    %s\n\nThe POI markers were not saved.";
const char kPOIMarkerOffMapFormat[] =
    "Marker %d (%s) lies off the map: its X, Y or Z is not a number or lies farther than 1e10 from 0, so it cannot "
    "be stored in a file that reads back.\n\nNothing was written: the POI markers were not saved and the file on "
    "disk is unchanged:\n    %s\n";
const char kPOISavedLine[] = "[SAVE]  %s:  POI markers:  %d";
const char kPOILoadedLine[] = "POI Load Markers:  %d";

static void Report(const char* format, const char* name)
{
    char text[700];
    snprintf(text, sizeof text, format, name);
    ErrorMessage(text);
}

// ---- reading ------------------------------------------------------------------------------

// The last field of that exact name whose type matches. A numeric field of
// 10 or more digits reads as real even without decimals, so an integer field
// is any numeric one without decimals.
static int FindField(const ShapeInput* in, const char* name, int type)
{
    int found = -1;
    for (int i = 0; i < TableColumnCount(in); i++) {
        TableColumn c = TableColumnAt(in, i);
        if (strcmp(c.name, name) != 0) continue;
        bool integral = (c.type == COLUMN_INTEGER || c.type == COLUMN_REAL) && c.decimals == 0;
        if (c.type == type || (type == COLUMN_INTEGER && integral)) found = i;
    }
    return found;
}

static const int kPointZType[] = {SHAPE_POINTZ, 0};

POISet* LoadPOIShapefile(const char* path, const char* title)
{
    FinishInterruptedSaves(GetPathDirectory(path));   // a save cut short is completed first
    std::string dbfTitle = ChangeFileExtension(title, ".dbf");
    ShapeInput in;
    ShapeReadFault opened = OpenShapesToRead(&in, path, kPointZType);
    std::string counts = RecordCountsMessage(&in, title);
    if (!counts.empty()) {
        Report("%s", counts.c_str());
        CloseShapeInput(&in);
        return nullptr;
    }
    if (opened != SHAPES_READABLE) {
        CloseShapeInput(&in);
        Report(opened == SHAPES_NONE         ? kPOIShapeEmpty
               : opened == SHAPES_OTHER_TYPE ? kPOIShapeNot3DPoints
               : opened == SHAPES_MISPLACED  ? kPOIShapeDamaged
                                             : kPOIShapeOpenReadFailed,
               title);
        return nullptr;
    }
    if (OpenTableToRead(&in) != SHAPES_READABLE) {
        CloseShapeInput(&in);
        Report(kPOIDBFOpenReadFailed, dbfTitle.c_str());
        return nullptr;
    }
    int shapes = in.count;
    int nameField = FindField(&in, "NAME", COLUMN_TEXT), colorField = FindField(&in, "COLOR", COLUMN_INTEGER);
    int commentField = FindField(&in, "COMMENT", COLUMN_TEXT);
    const char* fault = nameField < 0 ? kPOIMissingName
                      : colorField < 0 ? kPOIMissingColor
                      : commentField < 0 ? kPOIMissingComment
                                         : nullptr;
    if (!fault) counts = RecordCountsMessage(&in, title);
    if (!fault && counts.empty() && CheckTableRows(&in) != SHAPES_READABLE) fault = kDBFDamaged;
    POISet* set = fault || !counts.empty() ? nullptr : NewPOISet(shapes);
    if (!set) {
        if (!counts.empty()) Report("%s", counts.c_str());
        else if (fault) Report(fault, dbfTitle.c_str());
        CloseShapeInput(&in);
        return nullptr;
    }
    CopyBounded(set->path, sizeof set->path, path);
    CopyBounded(set->title, sizeof set->title, title);
    StartProgress((unsigned)shapes, "Loading SHP File");
    // A marker is refused whole with its file: a coordinate that is no number
    // or a colour cell that holds none would place or paint it wrongly.
    int badValue = -1;
    bool badTable = false;
    ShapeRecord shape;
    StoredText text;
    unsigned unshown = UnshownTextCount();
    for (int i = 0; i < shapes && set; i++) {
        StepProgress();
        bool read = ReadShape(&in, i, &shape);
        if (!read || !ShapeValuesUsable(shape, true) || !NumberCellUsable(&in, i, colorField)) {
            if (read) {
                badTable = ShapeValuesUsable(shape, true);
                badValue = badTable ? -1 : i;
            }
            DeletePOISet(set);
            set = nullptr;
            break;
        }
        POIRecord& poi = set->records[i];
        if (shape.VertexCount() < 1) {
            // A null shape has no place to show: kept as a deleted marker so
            // that the numbering of the others stays as in the file.
            poi.deleted = 1;
        } else {
            poi.x = shape.x[0];
            poi.y = shape.y[0];
            poi.z = (float)shape.z[0];
        }
        int color = ReadIntegerCell(&in, i, colorField);
        poi.color = color ? (COLORREF)color : kPOIDefaultColor;
        // A cell without a value leaves the default text as it was.
        if (ReadStoredTextCell(&in, i, commentField, &text) && !text.shown.empty())
            CopyStoredText(poi.comment, sizeof poi.comment, text);
        if (ReadStoredTextCell(&in, i, nameField, &text) && !text.shown.empty())
            CopyStoredText(poi.name, sizeof poi.name, text);
    }
    CloseShapeInput(&in);
    EndProgress();
    if (!set) {
        if (badValue >= 0) ReportShapefileValueFault(badValue, shapes, title);
        else if (badTable) Report(kDBFDamaged, dbfTitle.c_str());
        else Report(kPOIShapeDamaged, title);
        return nullptr;
    }
    NoteUnshownLetters(UnshownTextCount() - unshown);
    char line[80];
    snprintf(line, sizeof line, kPOILoadedLine, shapes);
    LogMessage(line);
    return set;
}

// ---- writing ------------------------------------------------------------------------------

// Writes the header fields and one shape and row per live marker.
static bool WriteMarkers(const POISet* set, ShapeGroupWriter* w, int shp, int dbf, int* written)
{
    bool ok = AddTableColumn(w, dbf, "POI_INDEX", COLUMN_INTEGER, 10, 0) == 0 &&
              AddTableColumn(w, dbf, "NAME", COLUMN_TEXT, 32, 0) == 1 &&
              AddTableColumn(w, dbf, "COMMENT", COLUMN_TEXT, 255, 0) == 2 &&
              AddTableColumn(w, dbf, "COLOR", COLUMN_INTEGER, 10, 0) == 3;
    int n = 0;
    StartProgress((unsigned)set->count + 1, "Saving SHP File");
    for (int i = 0; ok && i < set->count; i++) {
        StepProgress();
        const POIRecord& poi = set->records[i];
        if (poi.deleted) continue;
        double x = poi.x, y = poi.y, z = poi.z;
        ok = AppendShape(w, shp, SHAPE_POINTZ, 1, &x, &y, &z, n) && WriteIntegerCell(w, dbf, n, 0, n) &&
             WriteTextCell(w, dbf, n, 1, poi.name, sizeof poi.name) &&
             WriteTextCell(w, dbf, n, 2, poi.comment, sizeof poi.comment) &&
             WriteIntegerCell(w, dbf, n, 3, (int)poi.color);
        n++;
    }
    EndProgress();
    *written = n;
    return ok;
}

// The first live marker (from 0) the reader would refuse, -1 when none.
static int FirstMarkerOffMap(const POISet* set)
{
    for (int i = 0; i < set->count; i++) {
        const POIRecord& poi = set->records[i];
        if (!poi.deleted && !(MapCoordinateUsable(poi.x) && MapCoordinateUsable(poi.y) && MapCoordinateUsable(poi.z)))
            return i;
    }
    return -1;
}

int SavePOIShapefile(POISet* set)
{
    if (!set) return 0;
    // A file the loader refuses would lose every marker: the save is refused instead.
    int offMap = FirstMarkerOffMap(set);
    if (offMap >= 0) {
        char text[800];
        snprintf(text, sizeof text, kPOIMarkerOffMapFormat, offMap + 1, set->records[offMap].name, set->title);
        ErrorMessage(text);
        return 0;
    }
    std::string shpTarget = ChangeFileExtension(set->path, ".shp"), dbfTarget = ChangeFileExtension(set->path, ".dbf");
    if (shpTarget.empty()) {
        // A name that takes ".shp" past the limit: said so, not "unable to open".
        std::string wanted = PathWithExtension(set->path, ".shp");
        ErrorMessage(PathTooLongMessage(wanted.c_str(), wanted.size(), kPathChars - 1).c_str());
        return 0;
    }
    ShapeGroupWriter w;
    bool begun = !shpTarget.empty() && BeginShapeGroup(&w, shpTarget.c_str());
    int shp = begun ? CreateGroupShapes(&w, shpTarget.c_str(), SHAPE_POINTZ) : -1;
    if (shp < 0) {
        AbortShapeGroup(&w);
        std::string folder = ShapeGroupRefusal(shpTarget.c_str());
        if (!folder.empty()) Report("%s", folder.c_str());
        else Report(kPOIShapeOpenWriteFailed, set->title);
        return 0;
    }
    for (int i = 0; i < set->count; i++) {
        const POIRecord& poi = set->records[i];
        if (!poi.deleted && (FieldKeepsLetters(poi.name, sizeof poi.name) ||
                             FieldKeepsLetters(poi.comment, sizeof poi.comment)))
            w.keepsLetters = true;
    }
    int dbf = dbfTarget.empty() ? -1 : CreateGroupTable(&w, dbfTarget.c_str());
    if (dbf < 0) {
        AbortShapeGroup(&w);
        Report(kPOIDBFOpenWriteFailed, dbfTarget.empty() ? set->path : dbfTarget.c_str());
        return 0;
    }
    int written = 0;
    bool ok = WriteMarkers(set, &w, shp, dbf, &written);
    if (!CommitShapeGroup(&w, ok)) {
        Report(kPOIWriteFailed, set->title);
        return 0;
    }
    set->saved = 1;
    char line[320];
    snprintf(line, sizeof line, kPOISavedLine, set->title, written);
    LogMessage(line);
    return 1;
}
