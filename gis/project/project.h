// A project of tiled LAS files: the project record with its tiles, the tile
// state check against the files and their lock markers, the lookup of a tile
// by map point and the buffer points a tile borrows from its neighbours.
#pragma once
#include <cstdint>

#include "base/polygon.h"

struct DataSet;

// ACTIVE_STATUS of a tile.
enum TileState : int32_t {
    TILE_AVAILABLE = 0,
    TILE_LOCKED = 1,
    TILE_OPEN = 2,
    TILE_NOT_FOUND = 3,
};

struct ProjectTile {
    char     path[260];        // full path of the tile's LAS file
    char     name[260];        // file name with extension (FILENAME of the tile index)
    char     lockOwner[256];   // computer and user of the lock marker that holds it, else empty
    int32_t  boundsKnown;      // 1 when the bounds come from the LAS header
    double   minX, maxX, minY, maxY;
    RingPolygon* boundary;     // one ring, no closing repeat; owned
    int32_t  pointCount;
    int32_t  editStatus;       // EDIT_STATUS, kept as read; 1 and 2 are painted specially
    int32_t  activeStatus;     // TileState
    int32_t  openCount;        // raised by each LoadBufferPoints and by each lock the project window takes
    int32_t  batchMark;        // 1 when the tile takes part in a batch run
};

struct Project {
    char     path[260];        // the project file; empty while never saved
    char     title[260];       // its file name
    char     folder[260];      // its folder, set when it is written
    int32_t  saved;            // 1 when the record matches the files
    int32_t  spare;
    char     description[256]; // DESCRIP
    char     dataFolder[260];  // DATADIR: the tiles' folder; empty = the project file's folder
    int32_t  bufferSize;       // BUFSIZE: tile overlap in project units
    int32_t  units;            // UNITS: 1 metres, 3 feet
    int32_t  tileCount;
    ProjectTile** tiles;       // owned; a tile may lack an outline (its index shape held none)
    double   minX, maxX, minY, maxY;
};

// Texts of this part.
extern const char kCheckingTilesText[];
extern const char kLoadingBufferPointsText[];
extern const char kBufferTilesFailedText[];
extern const char kUnableToOpenLASText[];
extern const char kTileBoundsUnusableText[];
extern const char kTileOutOfMemoryText[];

// Largest coordinate a tile's outline may hold; beyond it (or not finite) the
// bounds are taken for damaged ones.
constexpr double kTileCoordinateLimit = 1e10;

Project*     NewProject();
ProjectTile* NewProjectTile(int32_t vertexCount);
void         FreeProjectTile(ProjectTile* tile);
int          FreeProject(Project* project);
// Appends a tile (the project takes it over); 0 when the array cannot grow.
int          AddProjectTile(Project* project, ProjectTile* tile);
// The tile keeps its record but no outline: not drawn, no buffer, empty bounds.
void         DropTileOutline(ProjectTile* tile);
// Widens the tile's bounds by its ring's vertices.
void         SetTileBoundsFromRing(ProjectTile* tile);
// The project's bounds become the union of its tiles' bounds.
void         SetProjectBoundsFromTiles(Project* project);
// True for finite bounds, min not above max, within kTileCoordinateLimit.
bool         UsableTileBounds(double minX, double maxX, double minY, double maxY);
// A tile from the file's LAS (or LAZ) header; null, after telling the user
// with the file's name why, when the header cannot be read or its bounds are
// not usable.
ProjectTile* TileFromLASHeader(const char* path);
// The first tile in array order whose boundary holds the point, or null.
ProjectTile* TileAtPoint(const Project* project, double x, double y);
// The state of one tile from its file and its lock marker (Open is kept by the caller).
void         CheckTileState(ProjectTile* tile);
void         CheckProjectTiles(Project* project);
int          LoadBufferPoints(Project* project, ProjectTile* tile, DataSet* set);
