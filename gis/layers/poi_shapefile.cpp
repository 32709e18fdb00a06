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
#include "base/text.h"
#include "base/file_replace.h"
#include "base/file_system.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/progress.h"
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>

const char kPOIShapeOpenReadFailed[] = "Unable to open shape file for reading:\n    %s\n";
const char kPOIShapeEmpty[] = "Shape file appears to be empty:\n    %s\n";
const char kPOIShapeNot3DPoints[] = "Shape file does not contain 3D points:\n    %s\n";
const char kPOIShapeDamaged[] = "Shape file is damaged (a shape cannot be read):\n    %s\n";
const char kPOIDBFOpenReadFailed[] = "Unable to open DBF file for reading:\n    %s\n";
const char kPOIDBFTooShort[] = "DBF file has fewer records than the shape file has shapes:\n    %s\n";
const char kPOIMissingName[] = "Unable to find \"NAME\" in DBF file:\n    %s\n";
const char kPOIMissingColor[] = "Unable to find \"COLOR\" in DBF file:\n    %s\n";
const char kPOIMissingComment[] = "Unable to find \"COMMENT\" in DBF file:\n    %s\n";
const char kPOIShapeOpenWriteFailed[] = "Unable to open shape file for writing:\n    %s\n";
const char kPOIDBFOpenWriteFailed[] = "Unable to open DBF file for writing:\n    %s\n";
const char kPOIWriteFailed[] = "Unable to write shape file:\n    %s\n\nThe POI markers were not saved.";
const char kPOISavedLine[] = "POI Save Polygons:  %d";
const char kPOILoadedLine[] = "POI Load Markers:  %d";

static void Report(const char* format, const char* name)
{
    char text[700];
    snprintf(text, sizeof text, format, name);
    ErrorMessage(text);
}

// ---- reading ------------------------------------------------------------------------------

// The last field of that exact name whose type matches. shapelib reports a
// numeric field of 10 or more digits as FTDouble even without decimals, so an
// integer field is any numeric one without decimals.
static int FindField(DBFHandle dbf, const char* name, DBFFieldType type)
{
    int found = -1;
    for (int i = 0; i < DBFGetFieldCount(dbf); i++) {
        char fieldName[XBASE_FLDNAME_LEN_READ + 1] = "";
        int width = 0, decimals = 0;
        DBFFieldType fieldType = DBFGetFieldInfo(dbf, i, fieldName, &width, &decimals);
        if (strcmp(fieldName, name) != 0) continue;
        bool integral = (fieldType == FTInteger || fieldType == FTDouble) && decimals == 0;
        if (fieldType == type || (type == FTInteger && integral)) found = i;
    }
    return found;
}

static const int kPointZType[] = {SHPT_POINTZ, 0};

POISet* LoadPOIShapefile(const char* path, const char* title)
{
    FinishInterruptedSaves(GetPathDirectory(path));   // a save cut short is completed first
    std::string dbfTitle = ChangeFileExtension(title, ".dbf");
    ShapeInput in;
    ShapeReadFault opened = OpenShapesToRead(&in, path, kPointZType);
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
    SHPHandle shp = in.shp;
    DBFHandle dbf = in.dbf;
    int shapes = in.count;
    int nameField = FindField(dbf, "NAME", FTString), colorField = FindField(dbf, "COLOR", FTInteger);
    int commentField = FindField(dbf, "COMMENT", FTString);
    ShapeReadFault rows = nameField < 0 || colorField < 0 || commentField < 0 ? SHAPES_READABLE : CheckTableRows(&in);
    const char* fault = nameField < 0 ? kPOIMissingName
                      : colorField < 0 ? kPOIMissingColor
                      : commentField < 0 ? kPOIMissingComment
                      : rows == TABLE_SHORT ? kPOIDBFTooShort
                      : rows == TABLE_DAMAGED ? kDBFDamaged : nullptr;
    POISet* set = fault ? nullptr : NewPOISet(shapes);
    if (!set) {
        CloseShapeInput(&in);
        if (fault) Report(fault, dbfTitle.c_str());
        return nullptr;
    }
    CopyBounded(set->path, sizeof set->path, path);
    CopyBounded(set->title, sizeof set->title, title);
    StartProgress((unsigned)shapes, "Loading SHP File");
    // A marker is refused whole with its file: a coordinate that is no number
    // or a colour cell that holds none would place or paint it wrongly.
    int badValue = -1;
    bool badTable = false;
    for (int i = 0; i < shapes && set; i++) {
        StepProgress();
        SHPObject* shape = SHPReadObject(shp, i);
        if (!shape || !ShapeValuesUsable(shape, true) || !NumberCellUsable(dbf, i, colorField)) {
            if (shape) {
                badTable = ShapeValuesUsable(shape, true);
                badValue = badTable ? -1 : i;
            }
            SHPDestroyObject(shape);
            DeletePOISet(set);
            set = nullptr;
            break;
        }
        POIRecord& poi = set->records[i];
        if (shape->nVertices < 1 || !shape->padfX || !shape->padfY) {
            // A null shape has no place to show: kept as a deleted marker so
            // that the numbering of the others stays as in the file.
            poi.deleted = 1;
        } else {
            poi.x = shape->padfX[0];
            poi.y = shape->padfY[0];
            poi.z = shape->padfZ ? (float)shape->padfZ[0] : 0.0f;
        }
        SHPDestroyObject(shape);
        int color = DBFReadIntegerAttribute(dbf, i, colorField);
        poi.color = color ? (COLORREF)color : kPOIDefaultColor;
        // A cell without a value leaves the default text as it was. Each
        // read reuses shapelib's one buffer: copy before the next.
        const char* comment = DBFReadStringAttribute(dbf, i, commentField);
        if (comment && comment[0]) CopyBounded(poi.comment, sizeof poi.comment, comment);
        const char* name = DBFReadStringAttribute(dbf, i, nameField);
        if (name && name[0]) CopyBounded(poi.name, sizeof poi.name, name);
    }
    CloseShapeInput(&in);
    EndProgress();
    if (!set) {
        if (badValue >= 0) ReportShapefileValueFault(badValue, shapes, title);
        else if (badTable) Report(kDBFDamaged, dbfTitle.c_str());
        else Report(kPOIShapeDamaged, title);
        return nullptr;
    }
    char line[80];
    snprintf(line, sizeof line, kPOILoadedLine, shapes);
    LogMessage(line);
    return set;
}

// ---- writing ------------------------------------------------------------------------------

// The calls under a save's noting hooks (shape_io) when tests replace them.
static SAHooks baseIO;
static bool baseIOSet;

void SetPOIShapefileIO(const SAHooks* io)
{
    baseIOSet = io != nullptr;
    if (io) baseIO = *io;
}

// Writes the header fields and one shape and row per live marker.
static bool WriteMarkers(const POISet* set, SHPHandle shp, DBFHandle dbf, int* written)
{
    bool ok = DBFAddField(dbf, "POI_INDEX", FTInteger, 10, 0) == 0 && DBFAddField(dbf, "NAME", FTString, 32, 0) == 1 &&
              DBFAddField(dbf, "COMMENT", FTString, 255, 0) == 2 && DBFAddField(dbf, "COLOR", FTInteger, 10, 0) == 3;
    int n = 0;
    StartProgress((unsigned)set->count + 1, "Saving SHP File");
    for (int i = 0; ok && i < set->count; i++) {
        StepProgress();
        const POIRecord& poi = set->records[i];
        if (poi.deleted) continue;
        double x = poi.x, y = poi.y, z = poi.z;
        ok = AppendShape(shp, SHPT_POINTZ, 1, &x, &y, &z, n) && DBFWriteIntegerAttribute(dbf, n, 0, n) && DBFWriteStringAttribute(dbf, n, 1, poi.name) &&
             DBFWriteStringAttribute(dbf, n, 2, poi.comment) && DBFWriteIntegerAttribute(dbf, n, 3, (int)poi.color);
        n++;
    }
    EndProgress();
    *written = n;
    return ok;
}

int SavePOIShapefile(POISet* set)
{
    if (!set) return 0;
    std::string shpTarget = ChangeFileExtension(set->path, ".shp"), dbfTarget = ChangeFileExtension(set->path, ".dbf");
    ShapeGroupWriter w;
    bool begun = !shpTarget.empty() && BeginShapeGroup(&w, shpTarget.c_str(), baseIOSet ? &baseIO : nullptr);
    SHPHandle shp = begun ? CreateGroupShapes(&w, shpTarget.c_str(), SHPT_POINTZ) : nullptr;
    if (!shp) {
        AbortShapeGroup(&w);
        Report(kPOIShapeOpenWriteFailed, set->title);
        return 0;
    }
    DBFHandle dbf = dbfTarget.empty() ? nullptr : CreateGroupTable(&w, dbfTarget.c_str());
    if (!dbf) {
        AbortShapeGroup(&w);
        Report(kPOIDBFOpenWriteFailed, dbfTarget.empty() ? set->path : dbfTarget.c_str());
        return 0;
    }
    int written = 0;
    bool ok = WriteMarkers(set, shp, dbf, &written);
    if (!CommitShapeGroup(&w, ok)) {
        Report(kPOIWriteFailed, set->title);
        return 0;
    }
    set->saved = 1;
    char line[80];
    snprintf(line, sizeof line, kPOISavedLine, written);
    LogMessage(line);
    return 1;
}
