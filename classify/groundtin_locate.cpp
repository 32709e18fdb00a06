// The ground triangulation engine: point location and the walks ahead that
// prepare it.
#include "classify/groundtin.h"
#include "classify/groundtin_locate.h"
#include "classify/groundtin_screen.h"
#include "base/triangulate/predicates.h"
#include "base/heap.h"
#include "base/progress.h"
#include "data/selection.h"
#include "data/data_set.h"
#include <cstdlib>
#include <cstring>
#include <cmath>

// ---- point location -------------------------------------------------------------------------------

static inline bool SamePoint(const double* a, const double* b) { return a[0] == b[0] && a[1] == b[1]; }

// Starts loading a triangle the code will read soon. Inputs in height order
// are spatially random, so nearly every triangle a walk reaches is out of the
// cache; loading both candidates of the next step while the apex is still on
// its way overlaps two waits that would otherwise follow each other.
static inline void PrefetchTri(const GroundMesh* m, uint32_t link)
{
    // A record of 24 bytes can straddle two cache lines: load both ends.
    const GroundTriangle* tri = &m->triangles.records[link >> 2];
    __builtin_prefetch(tri);
    __builtin_prefetch(&tri->corner[2]);
}

int GroundTinPreciseLocate(GroundMesh* m, GroundTinSwitches* b, const double* point, GroundHandle* handle)
{
    Vertex origin = Org(m, *handle), destination = Dest(m, *handle), apex = Apex(m, *handle);
    for (;;) {
        const GroundTriangle& here = TriangleOf(m, *handle);
        PrefetchTri(m, here.link[plus1mod3[handle->orient]]);
        PrefetchTri(m, here.link[minus1mod3[handle->orient]]);
        if (SamePoint(apex, point)) {
            *handle = Lprev(*handle);
            return GROUND_ON_VERTEX;
        }
        double alpha = GroundTinOrient(m, b, origin, apex, (Vertex)point);
        double beta = GroundTinOrient(m, b, apex, destination, (Vertex)point);
        bool moveLeft;
        if (alpha > 0.0) {
            if (beta > 0.0)
                moveLeft = (apex[0] - point[0]) * (destination[0] - origin[0]) +
                           (apex[1] - point[1]) * (destination[1] - origin[1]) > 0.0;
            else
                moveLeft = true;
        } else if (beta > 0.0) {
            moveLeft = false;
        } else {
            if (alpha == 0.0) {
                *handle = Lprev(*handle);
                return GROUND_ON_EDGE;
            }
            if (beta == 0.0) {
                *handle = Lnext(*handle);
                return GROUND_ON_EDGE;
            }
            return GROUND_IN_TRIANGLE;
        }
        GroundHandle back;
        if (moveLeft) {
            back = Lprev(*handle);
            destination = apex;
        } else {
            back = Lnext(*handle);
            origin = apex;
        }
        *handle = Sym(m, back);
        if (IsOuterSpace(*handle)) {
            *handle = back;
            return GROUND_OUTSIDE;
        }
        apex = Apex(m, *handle);
    }
}

static inline double SquaredDistance(const double* a, const double* b)
{
    double dx = a[0] - b[0], dy = a[1] - b[1];
    return dx * dx + dy * dy;
}

static int FinishLocate(GroundMesh* m, GroundTinSwitches* b, const double* point, GroundHandle* handle);

static inline uint32_t* HintSlot(const GroundMesh* m, const double* point)
{
    if (!m->hints) return nullptr;
    int64_t column = (int64_t)((point[0] - m->xmin) * m->hintCellsPerUnit);
    int64_t row = (int64_t)((point[1] - m->ymin) * m->hintCellsPerUnit);
    if (column < 0 || row < 0 || column >= m->hintColumns || row >= m->hintRows) return nullptr;
    return &m->hints[row * m->hintColumns + column];
}

// The hint of the point's cell, else of a neighbouring cell; null when none is live.
static uint32_t* LiveHint(const GroundMesh* m, const double* point)
{
    if (!m->hints) return nullptr;
    int64_t column = (int64_t)((point[0] - m->xmin) * m->hintCellsPerUnit);
    int64_t row = (int64_t)((point[1] - m->ymin) * m->hintCellsPerUnit);
    if (column < 0 || row < 0 || column >= m->hintColumns || row >= m->hintRows) return nullptr;
    for (int ring = 0; ring <= 1; ring++) {
        for (int64_t r = row - ring; r <= row + ring; r++) {
            if (r < 0 || r >= m->hintRows) continue;
            for (int64_t c = column - ring; c <= column + ring; c++) {
                if (c < 0 || c >= m->hintColumns) continue;
                uint32_t* slot = &m->hints[r * m->hintColumns + c];
                if (*slot && !IsDeadTri(m, *slot >> 2)) return slot;
            }
        }
    }
    return nullptr;
}

// ---- walks ahead ------------------------------------------------------------------------------------
//
// Inputs in height order are spatially random, so nearly every triangle and
// vertex a location and its flips read is out of the cache, and a walk waits
// for each load before it knows the next. So the location of each coming
// vertex is walked ahead of time, one step per location of the vertices
// before it, and every step reads only what the step before asked to have
// loaded. A step on a triangle asks for its new corner and for the records
// of both triangles the walk may enter next, so the walk crosses one
// triangle per step. Where it ends, the records around the triangle that
// holds the point are already loaded: the step asks for their far corners
// and for the records behind them (the triangles the insertion's first flips
// test), and a last step asks for those records' far corners. Testing which
// of them the flips will reach costs more than loading them all. The steps
// write nothing but their own record; a walk that meets a changed mesh (a
// dead triangle, a missing corner) just stops. When the vertex's turn comes,
// its location starts from the triangle its walk ahead found.
enum { SCOUT_IDLE, SCOUT_HINT, SCOUT_NEAR_HINT, SCOUT_START, SCOUT_FIRST_SIDE, SCOUT_STEP, SCOUT_SECOND_RING };

static inline double PlainOrient(const double* a, const double* b, const double* c)
{
    return (a[0] - c[0]) * (b[1] - c[1]) - (a[1] - c[1]) * (b[0] - c[0]);
}

// Adds the triangle across a side to the walk's frontier and asks for its record.
static inline void AddToFrontier(const GroundMesh* m, GroundLocateScout* s, uint32_t link)
{
    GroundHandle t = DecodeGround(link);
    if (link == kGroundDeadLink || IsOuterSpace(t) || s->frontierCount >= kGroundScoutFrontier) return;
    PrefetchTri(m, link);
    s->frontier[s->frontierCount++] = t;
}

// The first hint among the point's cell and the eight around it, in the
// order LiveHint reads them (LiveHint also passes over dead ones).
static uint32_t* FirstNearHint(const GroundMesh* m, const uint32_t* own)
{
    int64_t at = own - m->hints, row = at / m->hintColumns, column = at % m->hintColumns;
    for (int64_t r = row - 1; r <= row + 1; r++) {
        if (r < 0 || r >= m->hintRows) continue;
        for (int64_t c = column - 1; c <= column + 1; c++) {
            if (c < 0 || c >= m->hintColumns) continue;
            uint32_t* slot = &m->hints[r * m->hintColumns + c];
            if (*slot) return slot;
        }
    }
    return nullptr;
}

// The three rows of hint cells FirstNearHint reads.
static void PrefetchNearHints(const GroundMesh* m, const uint32_t* own)
{
    int64_t at = own - m->hints, row = at / m->hintColumns, column = at % m->hintColumns;
    int64_t first = column > 0 ? column - 1 : 0;
    for (int64_t r = row - 1; r <= row + 1; r++)
        if (r >= 0 && r < m->hintRows) __builtin_prefetch(&m->hints[r * m->hintColumns + first]);
}

// A triangle a walk ahead may read: the mesh may have changed since the step
// that found it (an undo frees triangles), so nothing is taken for granted.
static inline bool LiveTri(const GroundMesh* m, uint32_t t)
{
    return t != kGroundOuterSpace && t <= m->triangles.handedOut && !IsDeadTri(m, t);
}

// Origin, destination and apex of the walk's triangle, when it is still whole.
static inline bool WalkCorners(const GroundMesh* m, const GroundLocateScout* s, Vertex corner[3])
{
    if (!LiveTri(m, s->at.tri)) return false;
    const GroundTriangle& t = TriangleOf(m, s->at);
    if (t.corner[0] == kGroundNoVertex || t.corner[1] == kGroundNoVertex || t.corner[2] == kGroundNoVertex)
        return false;
    corner[0] = Org(m, s->at);
    corner[1] = Dest(m, s->at);
    corner[2] = Apex(m, s->at);
    return true;
}

// The walk has entered s->at, whose record is loaded: ask for its new corner
// and for the records across its two other sides.
static inline bool EnterTriangle(const GroundMesh* m, GroundLocateScout* s)
{
    if (!LiveTri(m, s->at.tri) || ++s->moves > 64) return false;
    const GroundTriangle& t = TriangleOf(m, s->at);
    uint32_t apex = t.corner[s->at.orient];
    if (apex != kGroundNoVertex) __builtin_prefetch(GroundVertexAt(m, apex));
    PrefetchTri(m, t.link[plus1mod3[s->at.orient]]);
    PrefetchTri(m, t.link[minus1mod3[s->at.orient]]);
    s->phase = SCOUT_STEP;
    return true;
}

// One step of the walk from s->at, whose corners and neighbours are loaded.
// False when the walk stops.
static bool WalkStep(GroundMesh* m, GroundLocateScout* s, Vertex origin, Vertex destination, Vertex apex)
{
    const double* point = s->point;
    double alpha = PlainOrient(origin, apex, point), beta = PlainOrient(apex, destination, point);
    bool moveLeft;
    if (alpha > 0.0) {
        moveLeft = beta <= 0.0 || (apex[0] - point[0]) * (destination[0] - origin[0]) +
                                          (apex[1] - point[1]) * (destination[1] - origin[1]) > 0.0;
    } else if (beta > 0.0) {
        moveLeft = false;
    } else {
        // There. The records around it are loaded: ask for their far
        // corners and for the two records behind each.
        s->found = s->at;
        s->hasFound = true;
        s->frontierCount = 0;
        for (int k = 0; k < 3; k++) {
            GroundHandle t = DecodeGround(TriangleOf(m, s->at).link[k]);
            if (!LiveTri(m, t.tri)) continue;
            const GroundTriangle& across = TriangleOf(m, t);
            if (across.corner[t.orient] != kGroundNoVertex) __builtin_prefetch(Apex(m, t));
            AddToFrontier(m, s, across.link[plus1mod3[t.orient]]);
            AddToFrontier(m, s, across.link[minus1mod3[t.orient]]);
        }
        if (!s->frontierCount) return false;
        s->phase = SCOUT_SECOND_RING;
        return true;
    }
    uint32_t link = TriangleOf(m, s->at).link[moveLeft ? minus1mod3[s->at.orient] : plus1mod3[s->at.orient]];
    if (link == kGroundDeadLink) return false;
    s->at = DecodeGround(link);
    if (IsOuterSpace(s->at)) return false;
    return EnterTriangle(m, s);
}

static void StepScout(GroundMesh* m, GroundLocateScout* s)
{
    switch (s->phase) {
    case SCOUT_HINT:
        if (m->scoutSkips && m->scoutSkips(m, (Vertex)s->point)) break;
        // fall through
    case SCOUT_NEAR_HINT: {
        uint32_t* slot = s->phase == SCOUT_HINT ? s->slot : FirstNearHint(m, s->slot);
        if (slot && *slot) {
            s->at = DecodeGround(*slot);
            PrefetchTri(m, *slot);
            s->phase = SCOUT_START;
            return;
        }
        if (s->phase == SCOUT_HINT) {
            PrefetchNearHints(m, s->slot);
            s->phase = SCOUT_NEAR_HINT;
            return;
        }
        break;
    }
    case SCOUT_START: {
        // The start's corners and all three records around it: the location
        // may cross any of its sides first.
        if (!LiveTri(m, s->at.tri)) break;
        const GroundTriangle& t = TriangleOf(m, s->at);
        for (int k = 0; k < 3; k++) {
            if (t.corner[k] != kGroundNoVertex) __builtin_prefetch(GroundVertexAt(m, t.corner[k]));
            PrefetchTri(m, t.link[k]);
        }
        s->phase = SCOUT_FIRST_SIDE;
        return;
    }
    case SCOUT_FIRST_SIDE:
    case SCOUT_STEP: {
        Vertex corner[3];
        if (!WalkCorners(m, s, corner)) break;
        if (s->phase == SCOUT_FIRST_SIDE && PlainOrient(corner[0], corner[1], s->point) < 0.0) {
            // The start's far side, as the location's first test takes it.
            uint32_t link = TriangleOf(m, s->at).link[s->at.orient];
            if (link == kGroundDeadLink) break;
            s->at = DecodeGround(link);
            if (!IsOuterSpace(s->at) && EnterTriangle(m, s)) return;
            break;
        }
        if (WalkStep(m, s, corner[0], corner[1], corner[2])) return;
        break;
    }
    case SCOUT_SECOND_RING: {
        for (int32_t k = 0; k < s->frontierCount; k++) {
            GroundHandle t = s->frontier[k];
            if (LiveTri(m, t.tri) && ApexIndex(m, t) != kGroundNoVertex) __builtin_prefetch(Apex(m, t));
        }
        break;
    }
    default:
        break;
    }
    s->phase = SCOUT_IDLE;
}

// One step of every walk ahead: called once per location.
static void StepLocateScouts(GroundMesh* m)
{
    if (!m->hints) return;
    for (GroundLocateScout& s : m->scouts)
        if (s.phase != SCOUT_IDLE) StepScout(m, &s);
}

// Starts the walk for the vertex kGroundLocateScouts - 1 places after the one
// the vertex traversal returns next. Its record is the one whose vertex has
// just had its turn.
void LaunchLocateScout(GroundMesh* m)
{
    if (!m->hints) return;
    const int64_t lead = kGroundLocateScouts - 1;
    MeshPool* pool = &m->vertices;
    int64_t ahead = pool->handedOut - pool->traversalSeen;
    if (pool->traversalLeft < ahead) ahead = pool->traversalLeft;
    GroundLocateScout& s = m->scouts[m->nextScout];
    m->nextScout = (m->nextScout + 1) % kGroundLocateScouts;
    s.phase = SCOUT_IDLE;
    s.hasFound = false;
    if (ahead <= lead) return;
    const double* point = (const double*)(pool->traversalSlot + lead * (int64_t)pool->itemBytes);
    uint32_t* slot = HintSlot(m, point);
    if (!slot) return;
    __builtin_prefetch(slot);
    // The point's record, for the skip test of the first step, one location
    // from now: too soon for a record at a random place, so the records of
    // the walks launched some locations later are asked for too. Its index
    // is the slot's place in the traversal: the walk's first vertex is not
    // known yet when the walk launches its first walks ahead. A class table
    // in walk order needs none of this.
    int64_t index = pool->traversalSeen + lead;
    const int64_t recordLead = 8;
    if (m->scoutSkips && !GroundClassTable && index < GroundPointCount) {
        __builtin_prefetch(GroundPointTable[index]);
        if (index + recordLead < GroundPointCount) __builtin_prefetch(GroundPointTable[index + recordLead]);
    }
    s.point = point;
    s.slot = slot;
    s.moves = 0;
    s.phase = SCOUT_HINT;
}

// The walks ahead start from hint cells: they end with them.
void FreeLocateHints(GroundMesh* m)
{
    NBLFree(m->hints);
    m->hints = nullptr;
    for (GroundLocateScout& s : m->scouts) s.phase = SCOUT_IDLE;
}

void RememberHint(GroundMesh* m, const GroundHandle& t)
{
    uint32_t* slot = HintSlot(m, Org(m, t));
    if (slot) *slot = EncodeGround(t);
}

static void StepLocateScouts(GroundMesh* m);

int GroundTinLocate(GroundMesh* m, GroundTinSwitches* b, const double* point, GroundHandle* handle)
{
    StepLocateScouts(m);
    // The walk ahead for this point found its triangle: start there. A mesh
    // changed since then only makes the walk from it longer.
    if (m->hints) {
        const GroundLocateScout& own = m->scouts[m->nextScout];
        if (own.point == point && own.hasFound && !IsDeadTri(m, own.found.tri)) {
            *handle = own.found;
            return FinishLocate(m, b, point, handle);
        }
    }
    double best = SquaredDistance(point, Org(m, *handle));
    if (m->hasRecent && !IsDeadTri(m, m->recent.tri)) {
        Vertex origin = Org(m, m->recent);
        if (SamePoint(origin, point)) {
            *handle = m->recent;
            return GROUND_ON_VERTEX;
        }
        double d = SquaredDistance(point, origin);
        if (d < best) {
            *handle = m->recent;
            best = d;
        }
    }
    // A live hint from the point's cell makes a start good enough; the random
    // samples are for cells no insertion has reached yet.
    uint32_t* hint = LiveHint(m, point);
    if (hint) {
        GroundHandle start = DecodeGround(*hint);
        double d = SquaredDistance(point, Org(m, start));
        if (d < best) {
            *handle = start;
            best = d;
        }
        return FinishLocate(m, b, point, handle);
    }
    // Random samples over the records handed out, drawn as they were from
    // the block pools the records lay in: the first block, then blocks of
    // itemsPerBlock.
    const GroundTrianglePool* pool = &m->triangles;
    while ((int64_t)11 * m->samples * m->samples * m->samples < pool->liveItems) m->samples++;
    int64_t maxItems = pool->handedOut;
    int64_t perBlock = ((int64_t)m->samples * pool->itemsPerBlock - 1) / maxItems + 1;
    int64_t left = ((int64_t)m->samples * pool->itemsFirstBlock - 1) / maxItems + 1;
    int64_t totalLeft = m->samples;
    int64_t population = pool->itemsFirstBlock;
    int64_t totalPopulation = maxItems;
    int64_t blockStart = 1;   // record 0 is the outer space
    while (totalLeft > 0) {
        if (population > totalPopulation) population = totalPopulation;
        do {
            uint32_t tri = (uint32_t)(blockStart + GroundTinRandom((int32_t)population));
            if (!IsDeadTri(m, tri)) {
                GroundHandle sample{ tri, 0 };
                double d = SquaredDistance(point, Org(m, sample));
                if (d < best) {
                    *handle = sample;
                    best = d;
                }
            }
            left--;
            totalLeft--;
        } while (left > 0 && totalLeft > 0);
        if (totalLeft > 0) {
            blockStart += population;
            left = perBlock;
            totalPopulation -= population;
            population = pool->itemsPerBlock;
        }
    }
    return FinishLocate(m, b, point, handle);
}

// From the chosen start: the start's own corners, its side, then the walk.
static int FinishLocate(GroundMesh* m, GroundTinSwitches* b, const double* point, GroundHandle* handle)
{
    Vertex origin = Org(m, *handle), destination = Dest(m, *handle);
    if (SamePoint(origin, point)) return GROUND_ON_VERTEX;
    if (SamePoint(destination, point)) {
        *handle = Lnext(*handle);
        return GROUND_ON_VERTEX;
    }
    double ahead = GroundTinOrient(m, b, origin, destination, (Vertex)point);
    if (ahead < 0.0) {
        *handle = Sym(m, *handle);
    } else if (ahead == 0.0) {
        if (((origin[0] < point[0]) == (point[0] < destination[0])) &&
            ((origin[1] < point[1]) == (point[1] < destination[1])))
            return GROUND_ON_EDGE;
    }
    return GroundTinPreciseLocate(m, b, point, handle);
}

int GroundTinLocateVertex(GroundMesh* m, GroundTinSwitches* b, Vertex v, GroundHandle* handle)
{
    *handle = Sym(m, GroundHandle{ kGroundOuterSpace, 0 });
    return GroundTinLocate(m, b, v, handle);
}
