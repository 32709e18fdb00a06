// Writing and reading the project file and its tile index through shapelib.
// shapelib stores a table under the extension ".dbf" whatever name it is
// given, so the ".lep" table is written and read as a ".dbf" copy beside it
// (writing) or in the temporary folder (reading).
#include "gis/project/project_file.h"
#include "gis/project/project.h"
#include "gis/layers/ref_shapefile.h"
#include "app/app_windows.h"
#include "base/file_replace.h"
#include "base/shape_io.h"
#include "base/file_system.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/progress.h"
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

const char kProjectFileType[] = "NBLVelkaViewer";
const char kProjectOpenReadFailed[] = "Unable to open %s for reading!";
const char kProjectMayBeCorrupt[] = "%s may be corrupt!";
const char kProjectNotPolygonFile[] = "%s does not appear to be a Polygon SHP file!";
const char kProjectAppearsCorrupt[] = "%s appears to be corrupt!";
const char kProjectCorruptReasonFormat[] = "%s\n\n%s";
const char kProjectOpenWriteFailed[] = "Unable to open %s for writing!";
const char kProjectWriteFailed[] = "Unable to write %s!\n\nThe project files were left as they were.";
const char kTilesWithoutOutlineFormat[] =
    "The tile index holds no usable outline for %d tile(s). They stay in the project, are not drawn, and are "
    "saved without one:\n";
const char kTileRecordLineFormat[] = "    %s (record %d)\n";
const char kTilePathTooLongFormat[] =
    "The path of tile %s (record %d) is %d characters long; a path holds at most %d.\nMove the tiles to a shorter "
    "folder and open the project again.";
const char kDataFolderQuestion[] =
    "The data folder is unavailable or does not exist:\n\n%s\n\nWould you like to select another location?";
const char kTilesLocationTitle[] = "Project Tiles Location";

// More tiles than this in one index is taken for a damaged file.
static const int kMaxTiles = 1000000;
// A tile overlap wider than this (in metres or feet) would load every tile as a neighbour.
static const int kMaxBufferSize = 1000000;

static std::string Formatted(const char* format, ...)
{
    char text[800];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

static void Report(const char* format, const char* name, const char* reason = nullptr)
{
    char first[600];
    snprintf(first, sizeof first, format, name);
    if (!reason) {
        ErrorMessage(first);
        return;
    }
    char text[1200];
    snprintf(text, sizeof text, kProjectCorruptReasonFormat, first, reason);
    ErrorMessage(text);
}

// ---- writing -------------------------------------------------------------------------------

static bool WriteProjectTable(const Project* p, DBFHandle dbf)
{
    return DBFAddField(dbf, "FILETYPE", FTString, 16, 0) == 0 && DBFAddField(dbf, "FILEVER", FTInteger, 8, 0) == 1 &&
           DBFAddField(dbf, "DESCRIP", FTString, 255, 0) == 2 && DBFAddField(dbf, "DATADIR", FTString, 255, 0) == 3 &&
           DBFAddField(dbf, "BUFSIZE", FTInteger, 8, 0) == 4 && DBFAddField(dbf, "UNITS", FTInteger, 8, 0) == 5 &&
           DBFWriteStringAttribute(dbf, 0, 0, kProjectFileType) && DBFWriteIntegerAttribute(dbf, 0, 1, 1) &&
           DBFWriteStringAttribute(dbf, 0, 2, p->description) && DBFWriteStringAttribute(dbf, 0, 3, p->dataFolder) &&
           DBFWriteIntegerAttribute(dbf, 0, 4, p->bufferSize) && DBFWriteIntegerAttribute(dbf, 0, 5, p->units);
}

static const PolygonRing* TileRing(const ProjectTile* t)
{
    if (!t || !t->boundary || t->boundary->num_contours <= 0 || !t->boundary->contour) return nullptr;
    const PolygonRing* ring = &t->boundary->contour[0];
    return ring->vertex && ring->num_vertices > 0 ? ring : nullptr;
}

// Which part of the tile index a write failed in.
enum IndexPart { INDEX_WRITTEN = 0, INDEX_SHAPES, INDEX_TABLE };

// One closed polygon, or a null shape for a tile without an outline, and one
// record per tile: a save never holds fewer tiles than the project.
static IndexPart WriteTileIndex(const Project* p, SHPHandle shp, DBFHandle dbf)
{
    if (DBFAddField(dbf, "FILENAME", FTString, 255, 0) != 0 || DBFAddField(dbf, "EDIT_STATUS", FTInteger, 8, 0) != 1 ||
        DBFAddField(dbf, "ACTIVE_STATUS", FTInteger, 8, 0) != 2)
        return INDEX_TABLE;
    int largest = 0;
    for (int i = 0; i < p->tileCount; i++)
        if (const PolygonRing* ring = TileRing(p->tiles[i]))
            if (ring->num_vertices > largest) largest = ring->num_vertices;
    std::vector<double> xs((size_t)largest + 1), ys((size_t)largest + 1);
    for (int i = 0; i < p->tileCount; i++) {
        const ProjectTile* t = p->tiles[i];
        if (!t) return INDEX_SHAPES;
        const PolygonRing* ring = TileRing(t);
        int n = ring ? ring->num_vertices : 0;
        for (int k = 0; k < n; k++) {
            xs[(size_t)k] = ring->vertex[k].x;
            ys[(size_t)k] = ring->vertex[k].y;
        }
        if (ring) {
            xs[(size_t)n] = ring->vertex[0].x;
            ys[(size_t)n] = ring->vertex[0].y;
        }
        if (!AppendShape(shp, ring ? SHPT_POLYGON : SHPT_NULL, ring ? n + 1 : 0, xs.data(), ys.data(), nullptr, i))
            return INDEX_SHAPES;
        if (!DBFWriteStringAttribute(dbf, i, 0, t->name) || !DBFWriteIntegerAttribute(dbf, i, 1, t->editStatus) ||
            !DBFWriteIntegerAttribute(dbf, i, 2, t->activeStatus))
            return INDEX_TABLE;
    }
    return INDEX_WRITTEN;
}

// A project file names its tiles without a folder: they are read beside it
// unless the data folder says otherwise. Tiles that lie elsewhere get their
// folder written, or reopening would find none of them.
static void KeepTilesFolder(Project* project)
{
    if (project->dataFolder[0]) return;
    for (int i = 0; i < project->tileCount; i++) {
        const ProjectTile* t = project->tiles[i];
        if (!t || !t->path[0]) continue;
        const char* tiles = GetPathDirectory(t->path);
        if (tiles[0] && lstrcmpiA(tiles, project->folder) != 0)
            snprintf(project->dataFolder, sizeof project->dataFolder, "%s", tiles);
        return;
    }
}

int WriteProjectFile(Project* project)
{
    if (!project || !project->path[0]) return 0;
    snprintf(project->folder, sizeof project->folder, "%s", GetPathDirectory(project->path));
    KeepTilesFolder(project);
    const char* title = project->title[0] ? project->title : GetPathFileName(project->path);
    std::string shpName = ChangeFileExtension(title, "_tiles.shp");
    std::string dbfName = ChangeFileExtension(title, "_tiles.dbf");

    std::string shpTo = ChangeFileExtension(project->path, "_tiles.shp");
    std::string dbfTo = ChangeFileExtension(project->path, "_tiles.dbf");
    // The table first: a folder that cannot be written is named by the project's path.
    ShapeGroupWriter w;
    DBFHandle table = BeginShapeGroup(&w, project->path) ? CreateGroupTable(&w, project->path) : nullptr;
    if (!table || shpTo.empty() || dbfTo.empty()) {
        AbortShapeGroup(&w);
        Report(kProjectOpenWriteFailed, project->path);
        return 0;
    }
    if (!WriteProjectTable(project, table)) {
        AbortShapeGroup(&w);
        Report(kProjectOpenWriteFailed, project->path);
        return 0;
    }
    SHPHandle shp = CreateGroupShapes(&w, shpTo.c_str(), SHPT_POLYGON);
    DBFHandle dbf = shp ? CreateGroupTable(&w, dbfTo.c_str()) : nullptr;
    IndexPart failed = !shp ? INDEX_SHAPES : !dbf ? INDEX_TABLE : WriteTileIndex(project, shp, dbf);
    if (failed != INDEX_WRITTEN) {
        AbortShapeGroup(&w);
        Report(kProjectOpenWriteFailed, failed == INDEX_TABLE ? dbfName.c_str() : shpName.c_str());
        return 0;
    }
    // Only files that read back whole take the old ones' places.
    if (!CommitShapeGroup(&w, true)) {
        Report(kProjectWriteFailed, project->title[0] ? project->title : project->path);
        return 0;
    }
    project->saved = 1;
    char line[400];
    snprintf(line, sizeof line, "[SAVE] %s", project->title);
    LogMessage(line);
    return 1;
}

// ---- reading -------------------------------------------------------------------------------

// A ".dbf" copy of the project table in the temporary folder; empty on failure.
static std::string TableCopy(const char* path)
{
    char folder[MAX_PATH], unique[MAX_PATH];
    if (!GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, "vvr", 0, unique)) return "";
    std::string copy = std::string(ChangeFileExtension(unique, "")) + ".dbf";
    DeleteFileA(unique);
    if (!CopyFileA(path, copy.c_str(), FALSE)) return "";
    return copy;
}

static bool FieldIs(DBFHandle dbf, int index, const char* name, DBFFieldType type)
{
    char found[12] = "";
    int width = 0, decimals = 0;
    return DBFGetFieldInfo(dbf, index, found, &width, &decimals) == type && !strcmp(found, name);
}

static bool ProjectTableValid(DBFHandle dbf)
{
    if (DBFGetRecordCount(dbf) < 1 || DBFGetFieldCount(dbf) < 6) return false;
    if (!FieldIs(dbf, 0, "FILETYPE", FTString)) return false;
    const char* type = DBFReadStringAttribute(dbf, 0, 0);
    if (!type || strcmp(type, kProjectFileType)) return false;
    return FieldIs(dbf, 1, "FILEVER", FTInteger) && FieldIs(dbf, 2, "DESCRIP", FTString) &&
           FieldIs(dbf, 3, "DATADIR", FTString) && FieldIs(dbf, 4, "BUFSIZE", FTInteger) &&
           FieldIs(dbf, 5, "UNITS", FTInteger);
}

// Reads the settings record; a text for the reason when it is unusable.
static const char* ReadSettings(DBFHandle dbf, Project* p)
{
    if (DBFReadIntegerAttribute(dbf, 0, 1) != 1) return nullptr;
    // shapelib answers text in one buffer that the next read overwrites: copy at once.
    const char* description = DBFReadStringAttribute(dbf, 0, 2);
    if (!description) return "The settings record cannot be read.";
    snprintf(p->description, sizeof p->description, "%s", description);
    const char* dataFolder = DBFReadStringAttribute(dbf, 0, 3);
    if (!dataFolder) return "The settings record cannot be read.";
    if (strlen(dataFolder) >= kPathChars - 1) return "DATADIR is longer than a path may be.";
    snprintf(p->dataFolder, sizeof p->dataFolder, "%s", dataFolder);
    if (!NumberCellUsable(dbf, 0, 4) || !NumberCellUsable(dbf, 0, 5)) return "BUFSIZE or UNITS holds no number.";
    p->bufferSize = DBFReadIntegerAttribute(dbf, 0, 4);
    if (p->bufferSize < 0 || p->bufferSize > kMaxBufferSize) return "BUFSIZE is out of range.";
    p->units = DBFReadIntegerAttribute(dbf, 0, 5);
    if (p->units != 1 && p->units != 3) return "UNITS is neither 1 (metres) nor 3 (feet).";
    return nullptr;
}

// A FILENAME names a file in the data folder: no folder part, nothing empty.
static bool SafeTileName(const char* name)
{
    if (!name || !name[0] || !strcmp(name, ".") || !strcmp(name, "..")) return false;
    return !strpbrk(name, "\\/:*?\"<>|");
}

// Reads the tile index into the project; null when all is well, else the reason.
static const char* ReadTileIndex(const ShapeInput* in, Project* p, char* reason, size_t size, int* inTable,
                                 std::vector<int>* withoutOutline)
{
    SHPHandle shp = in->shp;
    DBFHandle dbf = in->dbf;
    *inTable = 0;
    int shapes = in->count;
    if (shapes < 0 || shapes > kMaxTiles) return "The shape count is out of range.";
    *inTable = 1;
    ShapeReadFault rows = CheckTableRows(in, true);
    if (rows == TABLE_SHORT) return "The shapes and the table records differ in number.";
    if (rows == TABLE_DAMAGED) return "The table is cut short or its records do not match its fields.";
    // dBASE keeps 10 characters of a field name ("EDIT_STATU"): the fields are read by position.
    if (DBFGetFieldCount(dbf) < 3) return "The table lacks FILENAME, EDIT_STATUS or ACTIVE_STATUS.";
    *inTable = 0;
    if (in->misplaced >= 0) {
        snprintf(reason, size, "Shape %d cannot be read.", in->misplaced + 1);
        return reason;
    }
    if (shapes > 0) {
        p->tiles = (ProjectTile**)NBLCalloc((uint64_t)shapes, sizeof(ProjectTile*));
        if (!p->tiles) return "Out of memory.";
    }
    for (int i = 0; i < shapes; i++) {
        SHPObject* shape = SHPReadObject(shp, i);
        if (!shape) {
            snprintf(reason, size, "Shape %d cannot be read.", i + 1);
            return reason;
        }
        // A corner that is no number means a damaged file.
        if (!ShapeValuesFinite(shape)) {
            SHPDestroyObject(shape);
            snprintf(reason, size, "Shape %d holds a coordinate that is not a finite number.", i + 1);
            return reason;
        }
        const char* name = NumberCellUsable(dbf, i, 1) && NumberCellUsable(dbf, i, 2) ? DBFReadStringAttribute(dbf, i, 0)
                                                                                      : nullptr;
        if (!SafeTileName(name) || strlen(name) >= kPathChars) {
            SHPDestroyObject(shape);
            *inTable = 1;
            snprintf(reason, size,
                     name ? "Record %d has no usable FILENAME (a plain file name is required)."
                          : "Record %d holds a status that is no number.",
                     i + 1);
            return reason;
        }
        // Rings of fewer than 4 points (3 corners and the closing one) hold no tile.
        int n = shape->padfX && shape->padfY ? shape->nVertices : 0;
        ProjectTile* t = NewProjectTile(n >= 4 ? n - 1 : 0);
        if (!t) {
            SHPDestroyObject(shape);
            return "Out of memory.";
        }
        snprintf(t->name, sizeof t->name, "%s", name);
        t->editStatus = DBFReadIntegerAttribute(dbf, i, 1);
        t->activeStatus = DBFReadIntegerAttribute(dbf, i, 2);
        if (t->boundary) {
            RingVertex* v = t->boundary->contour[0].vertex;
            for (int k = 0; k < n - 1; k++) v[k] = {shape->padfX[k], shape->padfY[k]};
            SetTileBoundsFromRing(t);
        }
        SHPDestroyObject(shape);
        // An outline spanning the plane (written from a header without bounds)
        // would take every click and meet every buffer. The tile stays, without
        // an outline, so that the next save keeps its record.
        if (!t->boundary || !UsableTileBounds(t->minX, t->maxX, t->minY, t->maxY)) {
            DropTileOutline(t);
            withoutOutline->push_back(i);
        }
        p->tiles[p->tileCount++] = t;
    }
    return nullptr;
}

// One message for every tile kept without an outline, naming the first few.
static void ReportTilesWithoutOutline(const Project* p, const std::vector<int>& records)
{
    if (records.empty()) return;
    std::string text = Formatted(kTilesWithoutOutlineFormat, (int)records.size());
    for (size_t k = 0; k < records.size() && k < 10; k++)
        text += Formatted(kTileRecordLineFormat, p->tiles[records[k]]->name, records[k] + 1);
    if (records.size() > 10) text += "    ...\n";
    ErrorMessage(text.c_str());
}

int AskForMissingDataFolder(HWND owner, Project* p)
{
    char question[800];
    snprintf(question, sizeof question, kDataFolderQuestion, p->dataFolder);
    int answer = ShowMessageBox(owner, question, "Warning", MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return DATA_FOLDER_CANCELLED;
    if (answer != IDYES) return DATA_FOLDER_SETTLED;
    char chosen[MAX_PATH];
    snprintf(chosen, sizeof chosen, "%s", p->dataFolder);
    if (!BrowseForFolder(owner, chosen, kTilesLocationTitle) || strlen(chosen) >= sizeof p->dataFolder)
        return DATA_FOLDER_NOT_CHOSEN;
    snprintf(p->dataFolder, sizeof p->dataFolder, "%s", chosen);
    return DATA_FOLDER_SETTLED;
}

// Settles the data folder; 0 when the user gave up.
static int SettleDataFolder(Project* p, char* tilesFolder)
{
    if (!p->dataFolder[0]) return 1;
    size_t n = strlen(p->dataFolder);
    if (p->dataFolder[n - 1] != '\\' && n + 1 < kPathChars) {
        p->dataFolder[n] = '\\';
        p->dataFolder[n + 1] = 0;
    }
    if (!FileExists(p->dataFolder) && AskForMissingDataFolder(FrameWindow, p) != DATA_FOLDER_SETTLED) return 0;
    snprintf(tilesFolder, kPathChars, "%s", p->dataFolder);
    return 1;
}

Project* ReadProjectFile(const char* path, const char* title)
{
    FinishInterruptedSaves(GetPathDirectory(path));   // a save cut short is completed first
    char tilesFolder[kPathChars];
    snprintf(tilesFolder, sizeof tilesFolder, "%s", GetPathDirectory(path));
    std::string copy = TableCopy(path);
    Project* p = nullptr;
    const char* problem = nullptr;
    {
        ShapeInput table;
        if (copy.empty() || OpenTableToRead(&table, copy.c_str()) != SHAPES_READABLE) {
            if (!copy.empty()) DeleteFileA(copy.c_str());
            Report(kProjectOpenReadFailed, title);
            return nullptr;
        }
        p = ProjectTableValid(table.dbf) && TableUsable(table.dbf, copy.c_str()) ? NewProject() : nullptr;
        if (p) {
            snprintf(p->folder, sizeof p->folder, "%s", GetPathDirectory(path));
            problem = ReadSettings(table.dbf, p);
        }
    }
    DeleteFileA(copy.c_str());
    if (!p || problem) {
        FreeProject(p);
        Report(kProjectMayBeCorrupt, title, problem);
        return nullptr;
    }
    snprintf(p->path, sizeof p->path, "%s", path);
    snprintf(p->title, sizeof p->title, "%s", title);

    std::string shpName = ChangeFileExtension(title, "_tiles.shp");
    std::string dbfName = ChangeFileExtension(title, "_tiles.dbf");
    std::string shpPath = ChangeFileExtension(path, "_tiles.shp");
    std::string dbfPath = ChangeFileExtension(path, "_tiles.dbf");
    static const int kPolygonType[] = {SHPT_POLYGON, 0};
    ShapeInput in;
    ShapeReadFault fault = shpPath.empty() ? SHAPES_NOT_OPENED : OpenShapesToRead(&in, shpPath.c_str(), kPolygonType, true);
    if (fault == SHAPES_READABLE || fault == SHAPES_MISPLACED)
        fault = OpenTableToRead(&in, dbfPath.empty() ? "" : dbfPath.c_str()) != SHAPES_READABLE ? TABLE_NOT_OPENED : fault;
    if (fault == SHAPES_NOT_OPENED || fault == SHAPES_OTHER_TYPE || fault == TABLE_NOT_OPENED) {
        CloseShapeInput(&in);
        FreeProject(p);
        Report(fault == SHAPES_OTHER_TYPE ? kProjectNotPolygonFile : kProjectOpenReadFailed,
               fault == TABLE_NOT_OPENED ? dbfName.c_str() : shpName.c_str());
        return nullptr;
    }
    char reason[200];
    int inTable = 0;
    std::vector<int> withoutOutline;
    problem = ReadTileIndex(&in, p, reason, sizeof reason, &inTable, &withoutOutline);
    CloseShapeInput(&in);
    if (problem) {
        FreeProject(p);
        Report(kProjectAppearsCorrupt, inTable ? dbfName.c_str() : shpName.c_str(), problem);
        return nullptr;
    }
    if (!SettleDataFolder(p, tilesFolder)) {
        FreeProject(p);
        return nullptr;
    }
    // A tile whose path does not fit could be neither checked nor opened: it
    // is named, not taken for a missing file.
    for (int i = 0; i < p->tileCount; i++) {
        size_t length = strlen(tilesFolder) + strlen(p->tiles[i]->name);
        if (length < kPathChars) continue;
        std::string tooLong = Formatted(kTilePathTooLongFormat, p->tiles[i]->name, i + 1, (int)length, (int)kPathChars - 1);
        FreeProject(p);
        Report(kProjectOpenReadFailed, title, tooLong.c_str());
        return nullptr;
    }
    StartProgress((unsigned)p->tileCount, kCheckingTilesText);
    for (int i = 0; i < p->tileCount; i++) {
        StepProgress();
        ProjectTile* t = p->tiles[i];
        snprintf(t->path, sizeof t->path, "%s%s", tilesFolder, t->name);
        CheckTileState(t);
    }
    SetProjectBoundsFromTiles(p);
    EndProgress();
    ReportTilesWithoutOutline(p, withoutOutline);
    char line[400];
    snprintf(line, sizeof line, "[LOAD] %s", title);
    LogMessage(line);
    p->saved = 1;
    return p;
}
