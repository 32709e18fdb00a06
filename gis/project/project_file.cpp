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
#include "base/stored_text.h"
#include "base/file_system.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/progress.h"
#include "base/text.h"
#include <cmath>
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
const char kTileNameUnsavableFormat[] =
    "The tile \"%s\" cannot be saved: a project names its tiles by plain file names, with no folder and no "
    "blank at either end.\n\nThe project files were left as they were.";
const char kTilesWithoutOutlineFormat[] =
    "The tile index holds no usable outline for %d tile(s). They stay in the project, are not drawn, and are "
    "saved without one:\n";
const char kTileRecordLineFormat[] = "    %s (record %d)\n";
const char kTilePathTooLongFormat[] =
    "The path of tile %s (record %d) is %d characters long (%d bytes); a path holds at most %d bytes.\nMove the "
    "tiles to a shorter folder and open the project again.";
const char kProjectWithoutTilesText[] =
    "A project without tiles cannot be saved.\n\nAdd tiles to it with Edit Project first.";
const char kDataFolderQuestion[] =
    "The data folder is unavailable or does not exist:\n\n%s\n\nWould you like to select another location?";
const char kTilesLocationTitle[] = "Project Tiles Location";

// More tiles than this in one index is taken for a damaged file.
static const int kMaxTiles = 1000000;
// A tile overlap wider than this (in metres or feet) would load every tile as a neighbour.
static const int kMaxBufferSize = 1000000;

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

static bool WriteProjectTable(const Project* p, ShapeGroupWriter* w, int dbf)
{
    return AddTableColumn(w, dbf, "FILETYPE", COLUMN_TEXT, 16, 0) == 0 &&
           AddTableColumn(w, dbf, "FILEVER", COLUMN_INTEGER, 8, 0) == 1 &&
           AddTableColumn(w, dbf, "DESCRIP", COLUMN_TEXT, 255, 0) == 2 &&
           AddTableColumn(w, dbf, "DATADIR", COLUMN_TEXT, 255, 0) == 3 &&
           AddTableColumn(w, dbf, "BUFSIZE", COLUMN_INTEGER, 8, 0) == 4 &&
           AddTableColumn(w, dbf, "UNITS", COLUMN_INTEGER, 8, 0) == 5 && WriteTextCell(w, dbf, 0, 0, kProjectFileType) &&
           WriteIntegerCell(w, dbf, 0, 1, 1) && WriteTextCell(w, dbf, 0, 2, p->description, sizeof p->description) &&
           WriteTextCell(w, dbf, 0, 3, p->dataFolder, sizeof p->dataFolder) && WriteIntegerCell(w, dbf, 0, 4, p->bufferSize) &&
           WriteIntegerCell(w, dbf, 0, 5, p->units);
}

// The outline to write; none for a corner that is no number, which would
// make the reader refuse the whole index (it keeps a tile without an outline).
static const PolygonRing* TileRing(const ProjectTile* t)
{
    if (!t || !t->boundary || t->boundary->num_contours <= 0 || !t->boundary->contour) return nullptr;
    const PolygonRing* ring = &t->boundary->contour[0];
    if (!ring->vertex || ring->num_vertices <= 0) return nullptr;
    for (int k = 0; k < ring->num_vertices; k++)
        if (!std::isfinite(ring->vertex[k].x) || !std::isfinite(ring->vertex[k].y)) return nullptr;
    return ring;
}

// Which part of the tile index a write failed in.
enum IndexPart { INDEX_WRITTEN = 0, INDEX_SHAPES, INDEX_TABLE };

// A FILENAME names a file in the data folder: no folder part, nothing empty.
static bool SafeTileName(const char* name)
{
    if (!name || !name[0] || !strcmp(name, ".") || !strcmp(name, "..")) return false;
    return !strpbrk(name, "\\/:*?\"<>|");
}

// The name a save would write that its read would not give back: one the
// reader refuses, or one whose end blanks the table trims away. A name read
// with letters the program shows as "?" is judged by those letters.
static const char* UnsavableTileName(const Project* p)
{
    for (int i = 0; i < p->tileCount; i++) {
        const char* name = p->tiles[i] ? p->tiles[i]->name : nullptr;
        std::string letters = name ? FieldTextIn(name, sizeof p->tiles[i]->name, CP_UTF8) : "";
        size_t n = letters.size();
        if (!SafeTileName(letters.c_str()) || letters[0] == ' ' || letters[n - 1] == ' ') return name ? name : "";
    }
    return nullptr;
}

static bool TilesKeepLetters(const Project* p)
{
    for (int i = 0; i < p->tileCount; i++)
        if (p->tiles[i] && FieldKeepsLetters(p->tiles[i]->name, sizeof p->tiles[i]->name)) return true;
    return false;
}

// One closed polygon, or a null shape for a tile without an outline, and one
// record per tile: a save never holds fewer tiles than the project.
static IndexPart WriteTileIndex(const Project* p, ShapeGroupWriter* w, int shp, int dbf)
{
    if (AddTableColumn(w, dbf, "FILENAME", COLUMN_TEXT, 255, 0) != 0 ||
        AddTableColumn(w, dbf, "EDIT_STATUS", COLUMN_INTEGER, 8, 0) != 1 ||
        AddTableColumn(w, dbf, "ACTIVE_STATUS", COLUMN_INTEGER, 8, 0) != 2)
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
        if (!AppendShape(w, shp, ring ? SHAPE_POLYGON : SHAPE_NULL, ring ? n + 1 : 0, xs.data(), ys.data(), nullptr, i))
            return INDEX_SHAPES;
        if (!WriteTextCell(w, dbf, i, 0, t->name, sizeof t->name) || !WriteIntegerCell(w, dbf, i, 1, t->editStatus) ||
            !WriteIntegerCell(w, dbf, i, 2, t->activeStatus))
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

bool RefuseProjectWithoutTiles(const Project* project)
{
    for (int i = 0; project && i < project->tileCount; i++)
        if (project->tiles[i]) return false;
    ErrorMessage(kProjectWithoutTilesText);
    return true;
}

int WriteProjectFile(Project* project)
{
    if (!project || !project->path[0] || RefuseProjectWithoutTiles(project)) return 0;
    snprintf(project->folder, sizeof project->folder, "%s", GetPathDirectory(project->path));
    KeepTilesFolder(project);
    if (const char* name = UnsavableTileName(project)) {
        Report(kTileNameUnsavableFormat, name);
        return 0;
    }
    const char* title = project->title[0] ? project->title : GetPathFileName(project->path);
    std::string shpName = ChangeFileExtension(title, "_tiles.shp");
    std::string dbfName = ChangeFileExtension(title, "_tiles.dbf");

    std::string shpTo = ChangeFileExtension(project->path, "_tiles.shp");
    std::string dbfTo = ChangeFileExtension(project->path, "_tiles.dbf");
    // The table first: a folder that cannot be written is named by the project's path.
    ShapeGroupWriter w;
    w.keepsLetters = FieldKeepsLetters(project->description, sizeof project->description) ||
                     FieldKeepsLetters(project->dataFolder, sizeof project->dataFolder);
    int table = BeginShapeGroup(&w, project->path) ? CreateGroupTable(&w, project->path) : -1;
    if (table < 0 || shpTo.empty() || dbfTo.empty()) {
        AbortShapeGroup(&w);
        std::string folder = ShapeGroupRefusal(project->path);
        if (!folder.empty()) Report("%s", folder.c_str());
        else Report(kProjectOpenWriteFailed, project->path);
        return 0;
    }
    if (!WriteProjectTable(project, &w, table)) {
        AbortShapeGroup(&w);
        Report(kProjectWriteFailed, project->title[0] ? project->title : project->path);
        return 0;
    }
    int shp = CreateGroupShapes(&w, shpTo.c_str(), SHAPE_POLYGON);
    w.keepsLetters = TilesKeepLetters(project);
    int dbf = shp >= 0 ? CreateGroupTable(&w, dbfTo.c_str()) : -1;
    IndexPart failed = shp < 0 ? INDEX_SHAPES : dbf < 0 ? INDEX_TABLE : WriteTileIndex(project, &w, shp, dbf);
    if (failed != INDEX_WRITTEN) {
        // A part that opened but could not be written is not called unopenable.
        bool written = (shp >= 0 && dbf >= 0) || GroupWritesFailed(&w);
        AbortShapeGroup(&w);
        Report(written ? kProjectWriteFailed : kProjectOpenWriteFailed,
               failed == INDEX_TABLE ? dbfName.c_str() : shpName.c_str());
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

static bool FieldIs(const ShapeInput* in, int index, const char* name, int type)
{
    TableColumn c = TableColumnAt(in, index);
    return c.type == type && !strcmp(c.name, name);
}

static bool ProjectTableValid(const ShapeInput* in)
{
    if (TableRecordCount(in) < 1 || TableColumnCount(in) < 6) return false;
    if (!FieldIs(in, 0, "FILETYPE", COLUMN_TEXT)) return false;
    std::string type;
    if (!ReadTextCell(in, 0, 0, &type) || type != kProjectFileType) return false;
    return FieldIs(in, 1, "FILEVER", COLUMN_INTEGER) && FieldIs(in, 2, "DESCRIP", COLUMN_TEXT) &&
           FieldIs(in, 3, "DATADIR", COLUMN_TEXT) && FieldIs(in, 4, "BUFSIZE", COLUMN_INTEGER) &&
           FieldIs(in, 5, "UNITS", COLUMN_INTEGER);
}

// Reads the settings record; a text for the reason when it is unusable.
static const char* ReadSettings(const ShapeInput* in, Project* p)
{
    if (ReadIntegerCell(in, 0, 1) != 1) return nullptr;
    StoredText description, dataFolder;
    if (!ReadStoredTextCell(in, 0, 2, &description)) return "The settings record cannot be read.";
    CopyStoredText(p->description, sizeof p->description, description);
    if (!ReadStoredTextCell(in, 0, 3, &dataFolder)) return "The settings record cannot be read.";
    if (dataFolder.shown.size() >= kPathChars - 1) return "DATADIR is longer than a path may be.";
    CopyStoredText(p->dataFolder, sizeof p->dataFolder, dataFolder);
    if (!NumberCellUsable(in, 0, 4) || !NumberCellUsable(in, 0, 5)) return "BUFSIZE or UNITS holds no number.";
    p->bufferSize = ReadIntegerCell(in, 0, 4);
    if (p->bufferSize < 0 || p->bufferSize > kMaxBufferSize) return "BUFSIZE is out of range.";
    p->units = ReadIntegerCell(in, 0, 5);
    if (p->units != 1 && p->units != 3) return "UNITS is neither 1 (metres) nor 3 (feet).";
    return nullptr;
}

// Reads the tile index, whose parts agree on their count, into the project;
// null when all is well, else the reason.
static const char* ReadTileIndex(const ShapeInput* in, Project* p, char* reason, size_t size, int* inTable,
                                 std::vector<int>* withoutOutline)
{
    *inTable = 0;
    int shapes = in->count;
    if (shapes < 0 || shapes > kMaxTiles) return "The shape count is out of range.";
    *inTable = 1;
    if (CheckTableRows(in) == TABLE_DAMAGED) return "The table is cut short or its records do not match its fields.";
    // dBASE keeps 10 characters of a field name ("EDIT_STATU"): the fields are read by position.
    if (TableColumnCount(in) < 3) return "The table lacks FILENAME, EDIT_STATUS or ACTIVE_STATUS.";
    *inTable = 0;
    if (in->misplaced >= 0) {
        snprintf(reason, size, "Shape %d cannot be read.", in->misplaced + 1);
        return reason;
    }
    if (shapes > 0) {
        p->tiles = (ProjectTile**)NBLCalloc((uint64_t)shapes, sizeof(ProjectTile*));
        if (!p->tiles) return "Out of memory.";
    }
    ShapeRecord shape;
    StoredText name;
    for (int i = 0; i < shapes; i++) {
        if (!ReadShape(in, i, &shape)) {
            snprintf(reason, size, "Shape %d cannot be read.", i + 1);
            return reason;
        }
        // A corner that is no number means a damaged file.
        if (!ShapeValuesFinite(shape)) {
            snprintf(reason, size, "Shape %d holds a coordinate that is not a finite number.", i + 1);
            return reason;
        }
        bool statuses = NumberCellUsable(in, i, 1) && NumberCellUsable(in, i, 2);
        bool named = statuses && ReadStoredTextCell(in, i, 0, &name);
        // Judged by its letters: one this Windows shows as "?" is no wildcard.
        const std::string& letters = name.letters.empty() ? name.shown : name.letters;
        if (!named || !SafeTileName(letters.c_str()) || name.shown.size() >= kPathChars) {
            *inTable = 1;
            snprintf(reason, size,
                     statuses ? "Record %d has no usable FILENAME (a plain file name is required)."
                              : "Record %d holds a status that is no number.",
                     i + 1);
            return reason;
        }
        // Rings of fewer than 4 points (3 corners and the closing one) hold no tile.
        int n = shape.VertexCount();
        ProjectTile* t = NewProjectTile(n >= 4 ? n - 1 : 0);
        if (!t) return "Out of memory.";
        CopyStoredText(t->name, sizeof t->name, name);
        t->editStatus = ReadIntegerCell(in, i, 1);
        t->activeStatus = ReadIntegerCell(in, i, 2);
        if (t->boundary) {
            RingVertex* v = t->boundary->contour[0].vertex;
            for (int k = 0; k < n - 1; k++) v[k] = {shape.x[k], shape.y[k]};
            SetTileBoundsFromRing(t);
        }
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
    if (p->dataFolder[n - 1] != '\\' && n + 1 < kPathChars) AppendToField(p->dataFolder, sizeof p->dataFolder, "\\");
    if (!FileExists(p->dataFolder) && AskForMissingDataFolder(FrameWindow, p) != DATA_FOLDER_SETTLED) return 0;
    snprintf(tilesFolder, kPathChars, "%s", p->dataFolder);
    return 1;
}

Project* ReadProjectFile(const char* path, const char* title)
{
    FinishInterruptedSaves(GetPathDirectory(path));   // a save cut short is completed first
    unsigned unshown = UnshownTextCount();
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
        p = ProjectTableValid(&table) && TableUsable(&table) ? NewProject() : nullptr;
        if (p) {
            snprintf(p->folder, sizeof p->folder, "%s", GetPathDirectory(path));
            problem = ReadSettings(&table, p);
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
    static const int kPolygonType[] = {SHAPE_POLYGON, 0};
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
    // Parts that disagree on their number of records are named as every
    // shapefile reader names them: no part is taken for the damaged one.
    std::string text = RecordCountsMessage(&in, shpName.c_str());
    if (!text.empty()) {
        CloseShapeInput(&in);
        FreeProject(p);
        ErrorMessage(text.c_str());
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
    // is named, not taken for a missing file. The limit is in the bytes of
    // the path's buffer, told beside the letters the user counts.
    for (int i = 0; i < p->tileCount; i++) {
        std::string tilePath = std::string(tilesFolder) + p->tiles[i]->name;
        if (tilePath.size() < kPathChars) continue;
        std::string tooLong = Formatted(kTilePathTooLongFormat, p->tiles[i]->name, i + 1,
                                        (int)LetterCount(tilePath.c_str()), (int)tilePath.size(), (int)kPathChars - 1);
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
    NoteUnshownLetters(UnshownTextCount() - unshown);
    char line[400];
    snprintf(line, sizeof line, "[LOAD] %s", title);
    LogMessage(line);
    p->saved = 1;
    return p;
}
