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

ContourWork* CopyTINForContours(const TINModel* tin)
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
    std::vector<float> z((size_t)std::max(points, 1));
    for (int32_t i = 0; i < points; i++) {
        const PointRecord* p = tin->points->items[i];
        w->xy[i] = {p->x, p->y};
        z[(size_t)i] = p->z;
    }
    const int32_t* neighbors = tin->neighbors;
    for (int32_t t = 0; t < n; t++) {
        ContourTriangle& r = w->tris[t];
        memset(&r, 0, sizeof r);
        for (int e = 0; e < 3; e++) {
            r.corner[e] = tin->triangles[3 * t + e];
            r.z[e] = z[(size_t)r.corner[e]];
            // As TriangleAcrossEdge finds them.
            int32_t across = neighbors[3 * t + kNeighborSlot[e]];
            r.across[e] = across < 0 ? -1 : across;
            if (across < 0) continue;
            for (int k = 0; k < 3; k++)
                if (neighbors[3 * across + k] == t) r.acrossSide[e] = (uint8_t)kNextCorner[k];
        }
    }
    return w;
}

void FreeContourTIN(ContourWork* w)
{
    if (!w) return;
    NBLFree(w->tris);
    NBLFree(w->xy);
    NBLFree(w->levelRanges);
    NBLFree(w->levelStarts);
    NBLFree(w->levelTriangles);
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

// Blocks every side of t and the sides facing them, as lines and the hull
// blocking see it.
static void BlockTriangle(ContourWork* w, int32_t t)
{
    ContourTriangle& r = w->tris[t];
    r.mark = 0;
    for (int s = 0; s < 3; s++) {
        if (r.state[s] == 0) r.state[s] = 1;
        int32_t n = r.across[s];
        if (n >= 0) {
            uint8_t& facing = w->tris[n].state[r.acrossSide[s]];
            if (facing == 0) facing = 1;
        }
    }
}

static void BlockHullTriangle(ContourWork* w, int32_t t)
{
    ContourTriangle& r = w->tris[t];
    for (int s = 0; s < 3; s++) r.state[s] = 1;
    for (int s = 0; s < 3; s++)
        if (r.across[s] >= 0) BlockTriangle(w, r.across[s]);
}

void BlockHullTriangles(ContourWork* w)
{
    for (int32_t t = 0; t < w->triangleCount; t++) memset(w->tris[t].state, 0, 3);
    for (int32_t t = 0; t < w->triangleCount; t++) {
        const int32_t* v = w->triangles + 3 * t;
        if (w->markers && (w->markers[v[0]] || w->markers[v[1]] || w->markers[v[2]])) BlockHullTriangle(w, t);
    }
    for (int32_t t = 0; t < w->triangleCount; t++) memcpy(w->tris[t].saved, w->tris[t].state, 3);
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

int SetContourLevels(ContourWork* w, float interval, int first, int end, int64_t listEntries)
{
    w->interval = interval;
    w->firstLevel = first;
    w->endLevel = end;
    int levels = end > first ? end - first : 0;
    NBLFree(w->levelStarts);
    w->levelStarts = (int32_t*)NBLCalloc((uint64_t)levels + 2, sizeof(int32_t));
    if (!w->levelStarts) return 0;
    // Counts per level through a difference array.
    std::vector<int64_t> counts((size_t)levels + 1, 0);
    for (int32_t t = 0; t < w->triangleCount; t++) {
        int32_t* r = w->levelRanges + 2 * t;
        TriangleLevels(w->zRanges[2 * t], w->zRanges[2 * t + 1], interval, first, end, &r[0], &r[1]);
        if (r[0] > r[1]) continue;
        counts[(size_t)(r[0] - first)]++;
        counts[(size_t)(r[1] - first + 1)]--;
    }
    int64_t running = 0, largest = 0;
    for (int k = 0; k < levels; k++) {
        running += counts[(size_t)k];
        counts[(size_t)k] = running;
        largest = std::max(largest, running);
    }
    w->levelCounts.swap(counts);
    // The lists of a run of levels share one array: about four entries a
    // triangle unless told, more only for a single level that needs more.
    if (listEntries <= 0) listEntries = std::max<int64_t>(1 << 20, 4 * (int64_t)w->triangleCount);
    int64_t capacity = std::max<int64_t>(largest, listEntries);
    NBLFree(w->levelTriangles);
    w->levelTriangles = (int32_t*)NBLMalloc((uint64_t)capacity * sizeof(int32_t));
    w->levelCapacity = capacity;
    w->listFirst = w->listEnd = first;
    return w->levelTriangles ? 1 : 0;
}

// Fills the lists of the levels from k on, as many as the array holds.
static void FillLevelLists(ContourWork* w, int k)
{
    int first = w->firstLevel;
    int end = k;
    int64_t used = 0;
    while (end < w->endLevel && (end == k || used + w->levelCounts[(size_t)(end - first)] <= w->levelCapacity))
        used += w->levelCounts[(size_t)(end++ - first)];
    int32_t* starts = w->levelStarts;
    starts[0] = 0;
    for (int j = k; j < end; j++) starts[j - k + 1] = starts[j - k] + (int32_t)w->levelCounts[(size_t)(j - first)];
    std::vector<int32_t> cursor(starts, starts + (end - k));
    for (int32_t t = 0; t < w->triangleCount; t++) {
        int32_t a = std::max(w->levelRanges[2 * t], k), b = std::min(w->levelRanges[2 * t + 1], end - 1);
        for (int32_t j = a; j <= b; j++) w->levelTriangles[cursor[(size_t)(j - k)]++] = t;
    }
    w->listFirst = k;
    w->listEnd = end;
}

void BeginContourLevel(ContourWork* w, int k)
{
    if (k < w->listFirst || k >= w->listEnd) FillLevelLists(w, k);
    w->current = w->levelTriangles + w->levelStarts[k - w->listFirst];
    w->currentCount = w->levelStarts[k - w->listFirst + 1] - w->levelStarts[k - w->listFirst];
    for (int32_t j = 0; j < w->currentCount; j++) w->tris[w->current[j]].mark = 1;
    w->scanFrom = 0;
}

// Lines only write the states of the level's triangles (a side the level
// crosses has a triangle of the level on either side).
void EndContourLevel(ContourWork* w)
{
    for (int32_t j = 0; j < w->currentCount; j++) {
        ContourTriangle& r = w->tris[w->current[j]];
        r.mark = 0;
        memcpy(r.state, r.saved, 3);
    }
    w->currentCount = 0;
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
// them as BlockTriangle would, without touching the neighbours.
static inline bool SideOpen(const ContourWork* w, const ContourTriangle& r, int e, float h)
{
    return r.state[e] == 0 && r.mark && SideBrackets(r, e, h) && (r.across[e] < 0 || w->tris[r.across[e]].mark);
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
static int FindStartEdge(ContourWork* w, float h, int32_t* t, int* e)
{
    for (int32_t j = w->scanFrom; j < w->currentCount; j++) {
        int32_t i = w->current[j];
        ContourTriangle& r = w->tris[i];
        if (!r.mark) continue;
        for (int s = 0; s < 3; s++) {
            if (!SideOpen(w, r, s, h)) continue;
            w->scanFrom = j;
            r.state[s] = 2;
            *t = i;
            *e = s;
            if (r.across[s] < 0) return -1;
            w->tris[r.across[s]].state[r.acrossSide[s]] = 2;
            return 0;
        }
    }
    w->scanFrom = w->currentCount;
    return -3;
}

// From triangle t entered by side e: 0 with the next triangle and its entry
// side, -1 at the hull (t and e then name the exit side), -2 back at the
// line's start, -4 at a dead end.
static int NextContourEdge(ContourWork* w, float h, int32_t* t, int* e)
{
    static const int candidates[3][2] = {{1, 2}, {0, 2}, {0, 1}};
    int32_t cur = *t;
    ContourTriangle& r = w->tris[cur];
    int chosen = -1;
    for (int c : candidates[*e]) {
        if (SideOpen(w, r, c, h)) {
            chosen = c;
            break;
        }
    }
    if (chosen < 0) return r.state[0] == 2 || r.state[1] == 2 || r.state[2] == 2 ? -2 : -4;
    r.state[chosen] = 1;
    r.mark = 0;
    int32_t n = r.across[chosen];
    if (n < 0) {
        *e = chosen;
        return -1;
    }
    *t = n;
    *e = r.acrossSide[chosen];
    w->tris[n].state[*e] = 1;
    return 0;
}

static void CloseTriangleEdges(ContourWork* w, int32_t t)
{
    for (uint8_t& s : w->tris[t].state)
        if (s == 2) s = 1;
}

int TraceContourLine(ContourWork* w, float h, ContourList* list, struct Polyline** line)
{
    *line = nullptr;
    int32_t t0;
    int e0;
    int start = FindStartEdge(w, h, &t0, &e0);
    if (start == -3) return 0;
    int open = start == -1 ? 1 : 0;
    std::vector<Vec3>& nodes = w->nodes;
    nodes.clear();
    nodes.push_back(ContourEdgePoint(w, h, t0, e0));
    int32_t t = t0;
    int e = e0;
    for (;;) {
        int step = NextContourEdge(w, h, &t, &e);
        if (step == 0) {
            nodes.push_back(ContourEdgePoint(w, h, t, e));
            continue;
        }
        if (step == -2) {
            if (open == 0) nodes.push_back(nodes.front());
            CloseTriangleEdges(w, t0);
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

int TraceTINContours(const TINModel* tin, float interval, ContourList** list, JobControl* job, int64_t listEntries)
{
    ContourWork* w = CopyTINForContours(tin);
    if (!w) return -1;
    BlockHullTriangles(w);
    int first, end;
    ContourLevelRange(w->lowZ, w->highZ, interval, &first, &end);
    if (!SetContourLevels(w, interval, first, end, listEntries)) {
        FreeContourTIN(w);
        return -1;
    }
    StartProgress((unsigned)(end - first + 1), "Create Contours");
    int result = 1;
    for (int k = first; k < end && result == 1; k++) {
        if (job && JobCancelled(job)) {
            result = 0;
            break;
        }
        StepProgress();
        float h = LevelHeight(k, interval);
        int type = ContourLineType(h, interval);
        BeginContourLevel(w, k);
        for (;;) {
            struct Polyline* line;
            int traced = TraceContourLine(w, h, *list, &line);
            if (traced == 0) break;
            if (traced < 0) {
                result = -1;
                break;
            }
            line->type = type;
            if (!AppendContourLine(*list, line)) {
                result = -1;
                break;
            }
            if (job && JobCancelled(job)) {
                result = 0;
                break;
            }
        }
        EndContourLevel(w);
    }
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
    ViewRecord* r = (ViewRecord*)GetWindowSlot(view, CHILD_RECORD);
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
