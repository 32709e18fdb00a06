// Contours from TINs: each level's lines are walked from triangle to
// triangle across the sides whose ends bracket the level.
#include "views/contours/tin_contours.h"
#include "views/contours/contour_job.h"
#include "views/contours/contour_list.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/parallel.h"
#include "base/polygon.h"
#include "base/progress.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

const char kContourOutOfMemoryText[] =
    "Ran out of memory!\nUnable to create all contours.\nTry reducing the number of point classes included.";

// Side e joins corners e and e + 1; the triangle across it is neighbour e + 2.
static const int kNextCorner[3] = {1, 2, 0};
static const int kNeighborSlot[3] = {2, 0, 1};

ContourWork* NewContourWork(const TINModel* tin)
{
    ContourWork* w = new (std::nothrow) ContourWork();
    if (!w) return nullptr;
    int32_t n = tin->triangleCount, points = tin->points->count;
    w->tris = (ContourTriangle*)NBLMalloc((uint64_t)(n > 0 ? n : 1) * sizeof(ContourTriangle));
    w->xy = (ContourXY*)NBLMalloc((uint64_t)(points > 0 ? points : 1) * sizeof(ContourXY));
    w->levelRanges = (int32_t*)NBLMalloc((n > 0 ? 2 * (uint64_t)n : 1) * sizeof(int32_t));
    if (!w->tris || !w->xy || !w->levelRanges) {
        FreeContourTIN(w);
        return nullptr;
    }
    w->triangleCount = n;
    w->triangles = tin->triangles;
    w->markers = tin->pointMarkers;
    w->lowZ = (float)tin->minZ;
    w->highZ = (float)tin->maxZ;
    w->zRanges = tin->zRanges;
    w->points = tin->points;
    w->neighbors = tin->neighbors;
    return w;
}

void CopyContourSlice(ContourWork* w, int slice, int slices)
{
    int32_t points = w->points->count, n = w->triangleCount;
    PointRecord* const* items = w->points->items;
    for (int32_t i = (int32_t)((int64_t)points * slice / slices); i < (int32_t)((int64_t)points * (slice + 1) / slices);
         i++)
        w->xy[i] = {items[i]->x, items[i]->y};
    const int32_t* neighbors = w->neighbors;
    for (int32_t t = (int32_t)((int64_t)n * slice / slices); t < (int32_t)((int64_t)n * (slice + 1) / slices); t++) {
        ContourTriangle& r = w->tris[t];
        memset(&r, 0, sizeof r);   // the padding too, so that runs compare equal
        for (int e = 0; e < 3; e++) {
            r.corner[e] = w->triangles[3 * t + e];
            r.z[e] = items[r.corner[e]]->z;
            // As TriangleAcrossEdge finds them.
            int32_t across = neighbors[3 * t + kNeighborSlot[e]];
            r.across[e] = across < 0 ? -1 : across;
            if (across < 0) continue;
            for (int k = 0; k < 3; k++)
                if (neighbors[3 * across + k] == t) r.acrossSide[e] = (uint8_t)kNextCorner[k];
        }
    }
}

void FreeContourTIN(ContourWork* w)
{
    if (!w) return;
    NBLFree(w->tris);
    NBLFree(w->xy);
    NBLFree(w->levelRanges);
    delete w;
}

int TriangleAcrossEdge(int32_t t, int e, const int32_t* neighbors, int32_t* neighbor, int* neighborEdge)
{
    int32_t n = neighbors[3 * t + (e + 2) % 3];
    if (n < 0) return -1;
    *neighbor = n;
    *neighborEdge = 0;
    for (int k = 0; k < 3; k++)
        if (neighbors[3 * n + k] == t) *neighborEdge = (k + 1) % 3;
    return 0;
}

// A hull triangle (one with a hull corner) blocks its sides, the sides of
// its neighbours and the sides facing those: a side is blocked when its
// triangle or the one across it is a hull triangle or a hull triangle's
// neighbour.
void BlockHullTriangles(ContourWork* w)
{
    int32_t n = w->triangleCount;
    std::vector<uint8_t> hull((size_t)std::max(n, 1), 0), blocked((size_t)std::max(n, 1), 0);
    for (int32_t t = 0; t < n && w->markers; t++) {
        const int32_t* v = w->triangles + 3 * t;
        hull[(size_t)t] = w->markers[v[0]] || w->markers[v[1]] || w->markers[v[2]];
    }
    for (int32_t t = 0; t < n; t++) {
        const ContourTriangle& r = w->tris[t];
        bool b = hull[(size_t)t] != 0;
        for (int s = 0; s < 3 && !b; s++) b = r.across[s] >= 0 && hull[(size_t)r.across[s]];
        blocked[(size_t)t] = b;
    }
    for (int32_t t = 0; t < n; t++) {
        ContourTriangle& r = w->tris[t];
        for (int s = 0; s < 3; s++)
            r.saved[s] = blocked[(size_t)t] || (r.across[s] >= 0 && blocked[(size_t)r.across[s]]) ? 1 : 0;
    }
}

// The height of level k, rounded as every caller rounds it.
static float LevelHeight(int k, float interval) { return (float)(k * interval); }

// Level k of a run reaches the triangles whose range holds its height. The
// heights grow with k, so a triangle's levels are one run of k: found from a
// first guess and stepped to the exact bounds, clipped to first .. end - 1
// (empty when the high bound falls below the low one).
static void TriangleLevels(float low, float high, float interval, int first, int end, int32_t* from, int32_t* to)
{
    int a = (int)std::max((double)first, std::min((double)end, std::floor((double)low / interval)));
    while (a < end && LevelHeight(a, interval) < low) a++;
    while (a > first && LevelHeight(a - 1, interval) >= low) a--;
    int b = (int)std::max((double)first - 1, std::min((double)end - 1, std::floor((double)high / interval)));
    while (b >= first && LevelHeight(b, interval) > high) b--;
    while (b < end - 1 && LevelHeight(b + 1, interval) <= high) b++;
    *from = a;
    *to = b;
}

void SetContourLevels(ContourWork* w, float interval, int first, int end)
{
    w->interval = interval;
    w->firstLevel = first;
    w->endLevel = end;
    int levels = end > first ? end - first : 0;
    // Counts per level through a difference array.
    std::vector<int64_t> counts((size_t)levels + 1, 0);
    for (int32_t t = 0; t < w->triangleCount; t++) {
        int32_t* r = w->levelRanges + 2 * t;
        TriangleLevels(w->zRanges[2 * t], w->zRanges[2 * t + 1], interval, first, end, &r[0], &r[1]);
        if (r[0] > r[1]) continue;
        counts[(size_t)(r[0] - first)]++;
        counts[(size_t)(r[1] - first + 1)]--;
    }
    int64_t running = 0;
    for (int k = 0; k < levels; k++) {
        running += counts[(size_t)k];
        counts[(size_t)k] = running;
    }
    counts.resize((size_t)levels);
    w->levelCounts.swap(counts);
}

ContourTracer* NewContourTracer(const ContourWork* w)
{
    ContourTracer* c = new (std::nothrow) ContourTracer();
    if (!c) return nullptr;
    c->work = w;
    c->marks = (ContourMarks*)NBLMalloc((uint64_t)std::max(w->triangleCount, 1) * sizeof(ContourMarks));
    if (!c->marks) {
        delete c;
        return nullptr;
    }
    for (int32_t t = 0; t < w->triangleCount; t++) {
        const uint8_t* saved = w->tris[t].saved;
        c->marks[t] = {{saved[0], saved[1], saved[2]}, 0};
    }
    return c;
}

void FreeContourTracer(ContourTracer* c)
{
    if (!c) return;
    NBLFree(c->marks);
    NBLFree(c->levelTriangles);
    delete c;
}

int FillLevelLists(ContourTracer* c, int first, int end)
{
    const ContourWork* w = c->work;
    int64_t used = 0;
    for (int j = first; j < end; j++) used += w->levelCounts[(size_t)(j - w->firstLevel)];
    if (used > c->levelCapacity) {
        NBLFree(c->levelTriangles);
        c->levelTriangles = (int32_t*)NBLMalloc((uint64_t)used * sizeof(int32_t));
        c->levelCapacity = c->levelTriangles ? used : 0;
        if (!c->levelTriangles) return 0;
    }
    std::vector<int32_t>& starts = c->levelStarts;
    starts.assign((size_t)(end - first) + 1, 0);
    for (int j = first; j < end; j++)
        starts[(size_t)(j - first + 1)] = starts[(size_t)(j - first)] + (int32_t)w->levelCounts[(size_t)(j - w->firstLevel)];
    std::vector<int32_t> cursor(starts.begin(), starts.end() - 1);
    for (int32_t t = 0; t < w->triangleCount; t++) {
        int32_t a = std::max(w->levelRanges[2 * t], first), b = std::min(w->levelRanges[2 * t + 1], end - 1);
        for (int32_t j = a; j <= b; j++) c->levelTriangles[cursor[(size_t)(j - first)]++] = t;
    }
    c->listFirst = first;
    c->listEnd = end;
    return 1;
}

void BeginContourLevel(ContourTracer* c, int k)
{
    c->current = c->levelTriangles + c->levelStarts[(size_t)(k - c->listFirst)];
    c->currentCount = c->levelStarts[(size_t)(k - c->listFirst + 1)] - c->levelStarts[(size_t)(k - c->listFirst)];
    for (int32_t j = 0; j < c->currentCount; j++) c->marks[c->current[j]].mark = 1;
    c->scanFrom = 0;
}

// Lines only write the states of the level's triangles (a side the level
// crosses has a triangle of the level on either side).
void EndContourLevel(ContourTracer* c)
{
    for (int32_t j = 0; j < c->currentCount; j++) {
        int32_t t = c->current[j];
        const uint8_t* saved = c->work->tris[t].saved;
        c->marks[t] = {{saved[0], saved[1], saved[2]}, 0};
    }
    c->currentCount = 0;
}

// Without branches: equal ends take only their own height, NaN ends none.
static inline bool Brackets(float z1, float z2, float h)
{
    float low = z1 < z2 ? z1 : z2, high = z1 < z2 ? z2 : z1;
    return (low <= h) & (h <= high);
}

bool LevelBetween(float z1, float z2, float h) { return Brackets(z1, z2, h); }

static inline bool SideBrackets(const ContourTriangle& r, int e, float h)
{
    return Brackets(r.z[e], r.z[kNextCorner[e]], h);
}

// A side a line may cross: its state is open, the level crosses it, and no
// line has passed through the triangle or the one across it. Passing through
// a triangle only clears its mark; that blocks its sides and the sides facing
// them as hull blocking would, without touching the neighbours.
static inline bool SideOpen(const ContourTracer* c, int32_t t, const ContourTriangle& r, int e, float h)
{
    // The heights first: they are in the record already read.
    const ContourMarks& m = c->marks[t];
    return SideBrackets(r, e, h) && m.state[e] == 0 && m.mark && (r.across[e] < 0 || c->marks[r.across[e]].mark);
}

// Where the level crosses side e of t: from the lower end towards the upper
// end in proportion to the heights; half-way on a level side.
static Vec3 ContourEdgePoint(const ContourWork* w, float h, int32_t t, int e)
{
    const ContourTriangle& r = w->tris[t];
    int a = e, b = kNextCorner[e];
    int lower = r.z[b] < r.z[a] ? b : a;
    int upper = lower == a ? b : a;
    const ContourXY& p = w->xy[r.corner[lower]];
    const ContourXY& q = w->xy[r.corner[upper]];
    double zl = r.z[lower], zu = r.z[upper];
    double f = zu == zl ? 0.5 : ((double)h - zl) / (zu - zl);
    return {p.x + (q.x - p.x) * f, p.y + (q.y - p.y) * f, h};
}

// 0 and the start side, -1 when it lies on the hull, -3 when the level has
// no more start.
static int FindStartEdge(ContourTracer* c, float h, int32_t* t, int* e)
{
    const ContourTriangle* tris = c->work->tris;
    for (int32_t j = c->scanFrom; j < c->currentCount; j++) {
        int32_t i = c->current[j];
        if (!c->marks[i].mark) continue;
        const ContourTriangle& r = tris[i];
        for (int s = 0; s < 3; s++) {
            if (!SideOpen(c, i, r, s, h)) continue;
            c->scanFrom = j;
            c->marks[i].state[s] = 2;
            *t = i;
            *e = s;
            if (r.across[s] < 0) return -1;
            c->marks[r.across[s]].state[r.acrossSide[s]] = 2;
            return 0;
        }
    }
    c->scanFrom = c->currentCount;
    return -3;
}

// From triangle t entered by side e: 0 with the next triangle and its entry
// side, -1 at the hull (t and e then name the exit side), -2 back at the
// line's start, -4 at a dead end.
static int NextContourEdge(ContourTracer* c, float h, int32_t* t, int* e)
{
    static const int candidates[3][2] = {{1, 2}, {0, 2}, {0, 1}};
    int32_t cur = *t;
    const ContourTriangle& r = c->work->tris[cur];
    ContourMarks& m = c->marks[cur];
    int chosen = -1;
    for (int s : candidates[*e]) {
        if (SideOpen(c, cur, r, s, h)) {
            chosen = s;
            break;
        }
    }
    if (chosen < 0) return m.state[0] == 2 || m.state[1] == 2 || m.state[2] == 2 ? -2 : -4;
    m.state[chosen] = 1;
    m.mark = 0;
    int32_t n = r.across[chosen];
    if (n < 0) {
        *e = chosen;
        return -1;
    }
    *t = n;
    *e = r.acrossSide[chosen];
    c->marks[n].state[*e] = 1;
    return 0;
}

static void CloseTriangleEdges(ContourTracer* c, int32_t t)
{
    for (uint8_t& s : c->marks[t].state)
        if (s == 2) s = 1;
}

// The line from start side e0 of t0 into the tracer's nodes; `open` when
// the start side lies on the hull.
static void WalkContourLine(ContourTracer* c, float h, int32_t t0, int e0, int open)
{
    const ContourWork* w = c->work;
    std::vector<Vec3>& nodes = c->nodes;
    nodes.clear();
    nodes.push_back(ContourEdgePoint(w, h, t0, e0));
    int32_t t = t0;
    int e = e0;
    for (;;) {
        int step = NextContourEdge(c, h, &t, &e);
        if (step == 0) {
            nodes.push_back(ContourEdgePoint(w, h, t, e));
            continue;
        }
        if (step == -2) {
            if (open == 0) nodes.push_back(nodes.front());
            CloseTriangleEdges(c, t0);
            break;
        }
        if (step == -1) nodes.push_back(ContourEdgePoint(w, h, t, e));
        if (open >= 1) break;
        // Walk on from the start the other way, so the line grows at its other end.
        open = 1;
        if (nodes.size() >= 2) std::reverse(nodes.begin(), nodes.end());
        t = w->tris[t0].across[e0];
        if (t < 0) break;
        e = w->tris[t0].acrossSide[e0];
    }
}

int TraceContourLine(ContourTracer* c, float h, ContourList* list, struct Polyline** line)
{
    *line = nullptr;
    std::vector<Vec3>& nodes = c->nodes;
    // A level through a peak or a pit that lies exactly on it meets that
    // vertex alone: the line has no length and the next one is traced.
    do {
        int32_t t0;
        int e0;
        int start = FindStartEdge(c, h, &t0, &e0);
        if (start == -3) return 0;
        WalkContourLine(c, h, t0, e0, start == -1 ? 1 : 0);
        nodes.resize((size_t)DropRepeatedVertices(nodes.data(), (int32_t)nodes.size()));
    } while (nodes.size() < 2);
    *line = NewBlockContourLine(list, (int32_t)nodes.size());
    if (!*line) return -1;
    memcpy((*line)->vertices, nodes.data(), nodes.size() * sizeof(Vec3));
    (*line)->type = 0;
    return 1;
}

void ContourLevelRange(float low, float high, float interval, int* first, int* end)
{
    *first = (int)(low / interval) - 1;
    *end = (int)(high / interval) + 1;
}

int ContourLineType(float h, float interval)
{
    float g = (float)(interval * 5.0);
    return (double)h == (double)g * trunc((double)h / g) ? CONTOUR_INDEX : CONTOUR_INTERMEDIATE;
}

int ContourThreadCount()
{
    return ParallelParts(kMaxParallelParts, 1);
}

// ---- several tracers ---------------------------------------------------------------

// Levels first .. end - 1, traced by one worker into its own list.
struct ContourRun {
    int32_t first, end;
    ContourList* lines;
    std::vector<int32_t> levelLines;   // the lines of each level
    volatile LONG levelsDone;
    volatile LONG result;              // 0 waiting or running, 1 done, -1 out of memory
};

struct ContourPool {
    ContourWork* work;
    int slices;                        // of the records, copied by the workers first
    volatile LONG nextSlice;
    volatile LONG copying;             // workers still copying
    HANDLE copied;                     // manual-reset: every slice is copied
    HANDLE go;                         // manual-reset: the runs may start (or stop is set)
    std::vector<ContourRun> runs;
    volatile LONG nextRun;
    volatile LONG stop;                // set by the owner: cancelled or failed
    HANDLE progress;                   // auto-reset: a level or run ended
};

static LONG ReadShared(volatile LONG* value) { return InterlockedCompareExchange(value, 0, 0); }

// 1 when the run is traced, 0 when stopped, -1 when out of memory.
static int TraceContourRun(ContourTracer* c, ContourRun* run, ContourPool* pool)
{
    run->lines = NewContourList();
    if (!run->lines || !FillLevelLists(c, run->first, run->end)) return -1;
    float interval = c->work->interval;
    for (int k = run->first; k < run->end; k++) {
        if (ReadShared(&pool->stop)) return 0;
        float h = LevelHeight(k, interval);
        int type = ContourLineType(h, interval);
        BeginContourLevel(c, k);
        int32_t count = 0;
        int result = 1;
        while (result == 1) {
            struct Polyline* line;
            int traced = TraceContourLine(c, h, run->lines, &line);
            if (traced == 0) break;
            if (traced < 0 || (line->type = type, !AppendContourLine(run->lines, line))) result = -1;
            else if (++count, ReadShared(&pool->stop)) result = 0;
        }
        EndContourLevel(c);
        if (result != 1) return result;
        run->levelLines[(size_t)(k - run->first)] = count;
        InterlockedExchange(&run->levelsDone, k - run->first + 1);
        SetEvent(pool->progress);
    }
    return 1;
}

static DWORD WINAPI ContourWorker(LPVOID parameter)
{
    ContourPool* pool = (ContourPool*)parameter;
    for (LONG i; (i = InterlockedIncrement(&pool->nextSlice) - 1) < pool->slices;)
        CopyContourSlice(pool->work, (int)i, pool->slices);
    if (InterlockedDecrement(&pool->copying) == 0) SetEvent(pool->copied);
    WaitForSingleObject(pool->go, INFINITE);
    ContourTracer* c = ReadShared(&pool->stop) ? nullptr : NewContourTracer(pool->work);
    for (;;) {
        LONG i = InterlockedIncrement(&pool->nextRun) - 1;
        if (i >= (LONG)pool->runs.size() || ReadShared(&pool->stop)) break;
        ContourRun& run = pool->runs[(size_t)i];
        int result = c ? TraceContourRun(c, &run, pool) : -1;
        if (result != 0) InterlockedExchange(&run.result, result);
        SetEvent(pool->progress);
        if (result != 1) break;
    }
    FreeContourTracer(c);
    return 0;
}

// Runs of whole levels of about `target` list entries each.
static void SplitContourLevels(ContourPool* pool, int64_t target)
{
    const ContourWork* w = pool->work;
    int64_t used = 0;
    for (int k = w->firstLevel; k < w->endLevel; k++) {
        int64_t n = w->levelCounts[(size_t)(k - w->firstLevel)];
        if (pool->runs.empty() || used + n > target) {
            pool->runs.emplace_back();
            ContourRun& run = pool->runs.back();
            run.first = k;
            run.lines = nullptr;
            run.levelsDone = run.result = 0;
            used = 0;
        }
        pool->runs.back().end = k + 1;
        used += n;
    }
    for (ContourRun& run : pool->runs) run.levelLines.assign((size_t)(run.end - run.first), 0);
}

// Moves the first `levels` levels of the run onto the list; 0 when it cannot grow.
static int MoveRunLines(ContourList* list, ContourRun* run, int levels)
{
    int32_t lines = 0;
    for (int j = 0; j < levels; j++) lines += run->levelLines[(size_t)j];
    for (int32_t i = 0; i < lines; i++)
        if (!AppendContourLine(list, run->lines->lines[i])) return 0;
    TakeContourBlocks(list, run->lines);
    FreeContourList(run->lines);
    run->lines = nullptr;
    return 1;
}

int TraceTINContours(const TINModel* tin, float interval, ContourList** list, JobControl* job, int64_t listEntries,
                     int threads)
{
    ContourWork* w = NewContourWork(tin);
    if (!w) return -1;
    // Counted before any work: an int level number would overflow.
    if (CountContourLevels(w->lowZ, w->highZ, interval) > kMaxContourLevels) {
        FreeContourTIN(w);
        return 0;
    }
    if (threads <= 0) threads = ContourThreadCount();
    ContourPool pool;
    pool.work = w;
    pool.slices = 4 * threads;
    pool.nextSlice = pool.nextRun = pool.stop = 0;
    pool.copying = threads;
    int first, end;
    ContourLevelRange(w->lowZ, w->highZ, interval, &first, &end);
    // Progress goes to the frame by sent messages; the workers start after
    // the first, so that a cancel made meanwhile stops them early.
    StartProgress((unsigned)(end - first + 1), "Create Contours");
    pool.progress = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    pool.copied = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    pool.go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::vector<HANDLE> workers;
    for (int i = 0; i < threads; i++) {
        DWORD id;
        HANDLE h = pool.progress && pool.copied && pool.go ? CreateThread(nullptr, 0, ContourWorker, &pool, 0, &id)
                                                           : nullptr;
        if (h) workers.push_back(h);
        else if (InterlockedDecrement(&pool.copying) == 0 && pool.copied) SetEvent(pool.copied);
    }
    // While the workers copy the records: each triangle's levels, and runs of
    // levels, a few a thread, so that threads that drew light levels take more.
    SetContourLevels(w, interval, first, end);
    int64_t total = 0;
    for (int64_t n : w->levelCounts) total += n;
    int64_t target = total / (4 * threads) + 1;
    if (listEntries > 0) target = std::min(target, listEntries);
    SplitContourLevels(&pool, target);
    if (!workers.empty()) {
        WaitForSingleObject(pool.copied, INFINITE);
        BlockHullTriangles(w);
        SetEvent(pool.go);
    }
    int result = workers.empty() && !pool.runs.empty() ? -1 : 1;
    // The lines go onto the list in level order as runs end; a cancel stops
    // the workers and keeps the levels that ended before the first that did not.
    size_t moved = 0;
    LONG stepped = 0;
    while (result == 1 && moved < pool.runs.size()) {
        if (job && JobCancelled(job)) {
            result = 0;
            break;
        }
        for (; moved < pool.runs.size() && ReadShared(&pool.runs[moved].result) == 1; moved++) {
            ContourRun& run = pool.runs[moved];
            if (!MoveRunLines(*list, &run, run.end - run.first)) {
                result = -1;
                break;
            }
        }
        LONG done = 0;
        for (ContourRun& run : pool.runs) {
            done += ReadShared(&run.levelsDone);
            if (ReadShared(&run.result) == -1) result = -1;
        }
        for (; stepped < done && result == 1; stepped++) {
            StepProgress();
            if (job && JobCancelled(job)) result = 0;
        }
        if (result == 1 && moved < pool.runs.size()) WaitForSingleObject(pool.progress, 20);
    }
    InterlockedExchange(&pool.stop, 1);
    if (pool.go) SetEvent(pool.go);
    if (!workers.empty()) WaitForMultipleObjects((DWORD)workers.size(), workers.data(), TRUE, INFINITE);
    for (HANDLE h : workers) CloseHandle(h);
    if (result == 0)
        for (; moved < pool.runs.size(); moved++) {
            ContourRun& run = pool.runs[moved];
            int levels = (int)run.levelsDone;
            if (levels > 0 && run.lines && !MoveRunLines(*list, &run, levels)) result = -1;
            if (levels < run.end - run.first) break;
        }
    for (ContourRun& run : pool.runs) FreeContourList(run.lines);
    for (HANDLE h : {pool.progress, pool.copied, pool.go})
        if (h) CloseHandle(h);
    FreeContourTIN(w);
    EndProgress();
    if (result == -1) {
        FreeContourList(*list);
        *list = nullptr;
    }
    return result;
}

DWORD WINAPI TINContourThread(LPVOID parameter)
{
    HWND view = (HWND)parameter;
    JobControl* app = AppJobControl();
    WaitForSingleObject(app->mutex, INFINITE);
    ViewRecord* r = ViewRecordOf(view);
    const TINModel* tin = r ? r->tin : nullptr;
    if (!tin || !tin->points || tin->points->count < 4) {
        EndContourJob(view, 0);
        return 0;
    }
    ContourList* list = NewContourList();
    r->contours = list;
    if (!list || TraceTINContours(tin, r->contourInterval, &r->contours, app) == -1) {
        r->contours = nullptr;
        ShowMessageBox(nullptr, kContourOutOfMemoryText, "Error", MB_OK | MB_ICONERROR);
        HeapCompact(GetProcessHeap(), 0);
    }
    EndContourJob(view, 1);
    return 1;
}
