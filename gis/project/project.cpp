// The project record and its tiles, the tile state check and the buffer
// points of neighbouring tiles.
#include "gis/project/project.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/progress.h"
#include "data/data_set.h"
#include "data/las_loader.h"
#include "data/las_lock.h"
#include "data/laz_loader.h"
#include "data/lasfile/las_file.h"
#include "data/lasfile/las_points.h"
#include <cstdio>
#include <cstring>

const char kCheckingTilesText[] = "Checking Tiles";
const char kLoadingBufferPointsText[] = "Loading Buffer Points";
const char kBufferTilesFailedText[] = "Some buffer tiles were not loaded!";
const char kUnableToOpenLASText[] = "\nUnable to open LAS file!\n";
const char kTileBoundsUnusableText[] = "\nThe tile's bounds are not usable; it is left out of the project!\n";
const char kTileOutOfMemoryText[] = "\nOut of memory; the tile is left out of the project!\n";

static const double kEmptyMin = 3.37e38;
static const double kEmptyMax = -3.37e38;

Project* NewProject()
{
    Project* p = (Project*)NBLCalloc(1, sizeof(Project));
    if (!p) return nullptr;
    p->minX = p->minY = kEmptyMin;
    p->maxX = p->maxY = kEmptyMax;
    p->bufferSize = 500;
    p->units = 1;
    return p;
}

ProjectTile* NewProjectTile(int32_t vertexCount)
{
    ProjectTile* t = (ProjectTile*)NBLCalloc(1, sizeof(ProjectTile));
    if (!t) return nullptr;
    if (vertexCount > 0) {
        t->boundary = NewPolygon(vertexCount);
        if (!t->boundary) {
            NBLFree(t);
            return nullptr;
        }
    }
    t->minX = t->minY = kEmptyMin;
    t->maxX = t->maxY = kEmptyMax;
    return t;
}

void FreeProjectTile(ProjectTile* tile)
{
    if (!tile) return;
    if (tile->boundary) FreePolygon(tile->boundary);
    NBLFree(tile);
}

int FreeProject(Project* project)
{
    if (!project) return 0;
    for (int i = 0; i < project->tileCount; i++) FreeProjectTile(project->tiles[i]);
    NBLFree(project->tiles);
    NBLFree(project);
    return 1;
}

int AddProjectTile(Project* project, ProjectTile* tile)
{
    uint64_t bytes = (uint64_t)(project->tileCount + 1) * sizeof(ProjectTile*);
    ProjectTile** grown = (ProjectTile**)(project->tiles ? NBLReMalloc(project->tiles, bytes) : NBLMalloc(bytes));
    if (!grown) return 0;
    project->tiles = grown;
    project->tiles[project->tileCount++] = tile;
    return 1;
}

static const PolygonRing* RingOf(const ProjectTile* tile)
{
    if (!tile || !tile->boundary || tile->boundary->num_contours <= 0 || !tile->boundary->contour) return nullptr;
    const PolygonRing* ring = &tile->boundary->contour[0];
    return ring->vertex && ring->num_vertices > 0 ? ring : nullptr;
}

void SetTileBoundsFromRing(ProjectTile* tile)
{
    const PolygonRing* ring = RingOf(tile);
    if (!ring) return;
    for (int i = 0; i < ring->num_vertices; i++) {
        const RingVertex& v = ring->vertex[i];
        if (v.x < tile->minX) tile->minX = v.x;
        if (v.x > tile->maxX) tile->maxX = v.x;
        if (v.y < tile->minY) tile->minY = v.y;
        if (v.y > tile->maxY) tile->maxY = v.y;
    }
}

void DropTileOutline(ProjectTile* tile)
{
    if (tile->boundary) FreePolygon(tile->boundary);
    tile->boundary = nullptr;
    tile->boundsKnown = 0;
    tile->minX = tile->minY = kEmptyMin;
    tile->maxX = tile->maxY = kEmptyMax;
}

static void WidenProjectBounds(Project* project, const ProjectTile* tile)
{
    // Tiles whose bounds stayed empty (an unreadable header) add nothing.
    if (tile->minX > tile->maxX || tile->minY > tile->maxY) return;
    if (tile->minX < project->minX) project->minX = tile->minX;
    if (tile->maxX > project->maxX) project->maxX = tile->maxX;
    if (tile->minY < project->minY) project->minY = tile->minY;
    if (tile->maxY > project->maxY) project->maxY = tile->maxY;
}

void SetProjectBoundsFromTiles(Project* project)
{
    project->minX = project->minY = kEmptyMin;
    project->maxX = project->maxY = kEmptyMax;
    for (int i = 0; i < project->tileCount; i++)
        if (project->tiles[i]) WidenProjectBounds(project, project->tiles[i]);
}

bool UsableTileBounds(double minX, double maxX, double minY, double maxY)
{
    const double limit = kTileCoordinateLimit;
    return minX <= maxX && minY <= maxY && minX >= -limit && maxX <= limit && minY >= -limit && maxY <= limit;
}

ProjectTile* TileFromLASHeader(const char* path)
{
    const char* name = GetPathFileName(path);
    char text[800];
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    uint64_t count = 0;
    LASFile* las = OpenLASFile(path, LAS_MODE_READ);
    if (las) {
        count = GetLASHeldPointCount(las);   // a damaged count says no more than the file holds
        minX = las->header.minX;
        maxX = las->header.maxX;
        minY = las->header.minY;
        maxY = las->header.maxY;
        CloseLASFile(las);
    } else {
        // The LAS library refuses compressed records: a LAZ tile's bounds come
        // from the LAZ header.
        const char* system = GetLastLASSystemError();
        char reason[400];
        snprintf(reason, sizeof reason, "%s", system ? system : "");
        size_t n = strlen(path);
        bool lazName = n >= 4 && lstrcmpiA(path + n - 4, ".laz") == 0;
        bool laz = lazName && ReadLAZExtent(path, &minX, &maxX, &minY, &maxY, &count, reason, sizeof reason);
        if (!laz) {
            snprintf(text, sizeof text, "%s%s%s", name, kUnableToOpenLASText, reason);
            ErrorMessage(text);
            return nullptr;
        }
    }
    // A tile without a place would span the plane: it would take every click
    // and meet every buffer.
    if (!UsableTileBounds(minX, maxX, minY, maxY)) {
        snprintf(text, sizeof text, "%s%s", name, kTileBoundsUnusableText);
        ErrorMessage(text);
        return nullptr;
    }
    ProjectTile* tile = NewProjectTile(4);
    if (!tile) {
        snprintf(text, sizeof text, "%s%s", name, kTileOutOfMemoryText);
        ErrorMessage(text);
        return nullptr;
    }
    tile->boundsKnown = 1;
    tile->pointCount = count > INT32_MAX ? INT32_MAX : (int32_t)count;
    tile->minX = minX;
    tile->maxX = maxX;
    tile->minY = minY;
    tile->maxY = maxY;
    snprintf(tile->path, sizeof tile->path, "%s", path);
    snprintf(tile->name, sizeof tile->name, "%s", name);
    RingVertex* v = tile->boundary->contour[0].vertex;
    v[0] = {tile->minX, tile->minY};
    v[1] = {tile->minX, tile->maxY};
    v[2] = {tile->maxX, tile->maxY};
    v[3] = {tile->maxX, tile->minY};
    return tile;
}

ProjectTile* TileAtPoint(const Project* project, double x, double y)
{
    if (!project) return nullptr;
    for (int i = 0; i < project->tileCount; i++) {
        const PolygonRing* ring = RingOf(project->tiles[i]);
        if (ring && PointInPolygon(ring, x, y)) return project->tiles[i];
    }
    return nullptr;
}

void CheckTileState(ProjectTile* tile)
{
    if (!TileFileExists(tile->path)) {
        tile->activeStatus = TILE_NOT_FOUND;
        return;
    }
    const char* owner = ReadTileLockOwner(tile->path);
    if (owner) {
        snprintf(tile->lockOwner, sizeof tile->lockOwner, "%s", owner);
        // The marker's line end is no part of the owner's name.
        size_t n = strlen(tile->lockOwner);
        while (n > 0 && (tile->lockOwner[n - 1] == '\n' || tile->lockOwner[n - 1] == '\r')) tile->lockOwner[--n] = 0;
        tile->activeStatus = TILE_LOCKED;
    } else {
        tile->lockOwner[0] = 0;
        tile->activeStatus = TILE_AVAILABLE;
    }
}

void CheckProjectTiles(Project* project)
{
    if (!project) return;
    StartProgress((unsigned)project->tileCount, kCheckingTilesText);
    for (int i = 0; i < project->tileCount; i++) {
        StepProgress();
        ProjectTile* tile = project->tiles[i];
        if (!tile || tile->activeStatus == TILE_OPEN) continue;
        CheckTileState(tile);
    }
    EndProgress();
}

int LoadBufferPoints(Project* project, ProjectTile* tile, DataSet* set)
{
    set->units = project->units;
    set->projectTile = 1;
    tile->openCount++;
    if (project->bufferSize <= 0 || !RingOf(tile)) return tile->openCount;
    if (set->extent) FreePolygon(set->extent);
    set->extent = CopyGpcPolygon(tile->boundary);
    RingPolygon* buffer = GrowPolygon(tile->boundary, project->bufferSize);
    if (!buffer) return tile->openCount;
    int count = 0;
    for (int i = 0; i < project->tileCount; i++) {
        ProjectTile* other = project->tiles[i];
        if (other && other != tile && RingOf(other) && PolygonsOverlap(other->boundary, buffer)) count++;
    }
    if (count > 0) {
        StartProgress((unsigned)count, kLoadingBufferPointsText);
        int failed = 0;
        for (int i = 0; i < project->tileCount; i++) {
            ProjectTile* other = project->tiles[i];
            if (!other || other == tile || !RingOf(other) || !PolygonsOverlap(other->boundary, buffer)) continue;
            if (!LoadLASPointsInPolygon(other->path, other->name, buffer, set)) failed = 1;
            StepProgress();
        }
        EndProgress();
        if (failed) ErrorMessage(kBufferTilesFailedText);
    }
    FreePolygon(buffer);
    return tile->openCount;
}
