// Driver of the triangulator: switch parsing, loading the input points and
// running the phases in order; the output writers are in output.cpp.
#include "base/triangulate/triangulate.h"
#include "base/triangulate/mesh.h"
#include "base/triangulate/output.h"
#include "base/parallel.h"
#include "base/progress.h"
#include "base/vector.h"
#include <cstdlib>
#include <atomic>
#include <cstring>
#include <mutex>

thread_local int TriShowProgress = 0;
thread_local int TriPointCount = 0;
thread_local int TriProgressCounter = 0;

void ParseTriSwitches(int count, const char* const* texts, TriSwitches* s)
{
    memset(s, 0, sizeof(*s));
    s->firstNumber = 1;
    s->order = 1;
    s->alternatingCuts = 1;
    for (int i = 0; i < count; i++) {
        const char* t = texts[i];
        if (!t) continue;
        for (int j = 0; t[j] != '\0'; j++) {
            switch (t[j]) {
            case 'p': s->pslg = 1; break;
            case 'c': s->keepConvexHull = 1; break;
            case 'A': s->regionAttributes = 1; break;
            case 'w': s->weighted = 1; break;
            case 'W': s->weighted = 2; break;
            case 'j': s->jettison = 1; break;
            case 'z': s->firstNumber = 0; break;
            case 'e': s->writeEdges = 1; break;
            case 'v': s->writeVoronoi = 1; break;
            case 'n': s->writeNeighbors = 1; break;
            case 'B': s->noBoundaryMarkers = 1; break;
            case 'P': s->noSegmentsOut = 1; break;
            case 'N': s->noPointsOut = 1; break;
            case 'E': s->noTrianglesOut = 1; break;
            case 'O': s->ignoreHoles = 1; break;
            case 'X': s->noExactArithmetic = 1; break;
            case 'l': s->alternatingCuts = 0; break;
            case 'V': s->verbose++; break;
            case 'o':
                if (t[j + 1] == '2') { s->order = 2; j++; }
                break;
            default: break;   // g, Q and anything else: no effect
            }
        }
    }
    s->useSegments = s->pslg || s->keepConvexHull;
    if (!s->pslg) s->regionAttributes = 0;
    if (s->pslg) s->weighted = 0;
}

// Below this many points every run takes the calling thread only.
static const int64_t kParallelMinItems = 1024;
// Automatic thread counts give each thread at least this many points.
static const int64_t kParallelItemsPerThread = 32768;

// One run at a time spreads over the processors by itself: runs that start
// while it goes (callers that triangulate on threads of their own, one tile
// each, keep the processors busy already) stay on their own thread.
static std::atomic<bool> processorsTaken{ false };
static thread_local bool runMayTakeProcessors = false;

int TriangulationParts(int64_t items)
{
    if (items < kParallelMinItems) return 1;
    const char* text = std::getenv("VELKA_TRI_THREADS");
    if (text && text[0]) {
        int v = atoi(text);
        if (v >= 1) return v > kMaxParallelParts ? kMaxParallelParts : v;
    }
    return runMayTakeProcessors ? ParallelParts(items, kParallelItemsPerThread) : 1;
}

static void LoadInputPoints(TriMesh* m, TriSwitches* b, const double* points, const double* attributes,
                            const int32_t* markers, int count, int attributeCount)
{
    m->inputPoints = count;
    m->pointAttributeCount = attributeCount;
    if (attributeCount == 0) b->weighted = 0;
    InitializeVertexPool(m, b);
    int parts = TriangulationParts(count);
    if (parts > 1) {
        // every record in the first block, by its number
        char* first = PoolFirstSlot(&m->vertices);
        int bytes = m->vertices.itemBytes;
        double corners[kMaxParallelParts][4];   // each part's (xmin, ymin), (xmax, ymax)
        auto load = [&](int part, int parts) {
            int64_t from, end;
            ParallelRange(count, part, parts, &from, &end);
            double* c = corners[part];   // from the first point of all, as the serial load starts
            c[0] = c[2] = points[0];
            c[1] = c[3] = points[1];
            WidenPlaneBounds(points + 2 * from, end - from, &c[0], &c[2], &c[1], &c[3]);
            for (int64_t i = from; i < end; i++) {
                Vertex v = (Vertex)(first + i * bytes);
                double x = points[2 * i], y = points[2 * i + 1];
                v[0] = x;
                v[1] = y;
                for (int k = 0; k < attributeCount; k++) v[2 + k] = attributes[i * attributeCount + k];
                VertexMarker(m, v) = markers ? markers[i] : 0;
                VertexType(m, v) = INPUTVERTEX;
                if (b->pslg) VertexTri(m, v) = 0;
            }
        };
        ForParts(parts, load);
        ClaimFirstSlots(&m->vertices, count);
        PlaneBounds(&corners[0][0], 2 * (int64_t)parts, &m->xmin, &m->xmax, &m->ymin, &m->ymax);
        return;
    }
    for (int i = 0; i < count; i++) {
        Vertex v = (Vertex)PoolAlloc(&m->vertices);
        if (!v) TriAbort(m);
        double x = points[2 * i], y = points[2 * i + 1];
        v[0] = x;
        v[1] = y;
        for (int k = 0; k < attributeCount; k++) v[2 + k] = attributes[(int64_t)i * attributeCount + k];
        VertexMarker(m, v) = markers ? markers[i] : 0;
        VertexType(m, v) = INPUTVERTEX;
        if (b->pslg) VertexTri(m, v) = 0;
    }
    PlaneBounds(points, count, &m->xmin, &m->xmax, &m->ymin, &m->ymax);
}

static void ClearCounts(TriangulateIO* out)
{
    out->pointCount = 0;
    out->triangleCount = 0;
    out->cornerCount = 3;
    out->triangleAttributeCount = 0;
    out->segmentCount = 0;
    out->holeCount = 0;
    out->regionCount = 0;
    out->edgeCount = 0;
}

// Mesh and switches of the thread's running triangulation. Not on the stack,
// so that the abandon path (longjmp) sees their current values.
static thread_local TriMesh runMesh;
static thread_local TriSwitches runSwitches;

void Triangulate(const char* switches, TriangulateIO* in, TriangulateIO* out, TriangulateIO* voronoiOut)
{
    if (!in || !out) return;
    TriMesh* m = &runMesh;
    TriSwitches* b = &runSwitches;
    MeshInit(m);
    const char* texts[1] = { switches ? switches : "" };
    ParseTriSwitches(1, texts, b);
    if (b->writeVoronoi && !voronoiOut) b->writeVoronoi = 0;
    OutputBegin();

    if (setjmp(triAbortJump)) {
        // Exhausted memory or an inconsistent mesh: free everything this run
        // made and hand back an empty result.
        OutputRollback();
        TriangleDeinit(m, b);
        if (TriShowProgress) EndProgress();
        ClearCounts(out);
        if (voronoiOut) ClearCounts(voronoiOut);
        return;
    }

    int count = in->pointCount;
    int attributes = in->pointAttributeCount;
    bool valid = count >= 0 && attributes >= 0 && attributes <= 65536 && (count == 0 || in->points) &&
                 (attributes == 0 || count == 0 || in->pointAttributes) && count <= 0x3fffffff;
    if (!valid) {
        ClearCounts(out);
        if (voronoiOut) ClearCounts(voronoiOut);
        return;
    }
    LoadInputPoints(m, b, in->points, in->pointAttributes, in->pointMarkers, count, attributes);
    m->hullSize = BuildDelaunay(m, b);
    if (m->triangles.liveItems == 0) m->hullSize = 0;

    if (b->useSegments) {
        m->segmentsPresent = 1;
        InsertInputSegments(m, b, in->segments, in->segmentMarkers, in->segmentCount);
    }
    if (b->pslg && m->triangles.liveItems > 0) {
        int holes = b->ignoreHoles ? 0 : in->holeCount;
        ProcessHolesAndRegions(m, b, in->holes, holes, in->regions, in->regionCount);
        m->holes = in->holeCount > 0 ? in->holeCount : 0;
        m->regions = in->regionCount > 0 ? in->regionCount : 0;
    } else {
        m->holes = m->regions = 0;
    }
    m->edges = (3 * m->triangles.liveItems + m->hullSize) / 2;
    if (b->order == 2) AddEdgeMidpointNodes(m, b);

    out->pointCount = (int)(m->vertices.liveItems - (b->jettison ? m->undeads : 0));
    out->pointAttributeCount = m->pointAttributeCount;
    out->triangleCount = (int)m->triangles.liveItems;
    out->cornerCount = (b->order + 1) * (b->order + 2) / 2;
    out->triangleAttributeCount = m->triangleAttributeCount;
    out->edgeCount = (int)m->edges;
    out->segmentCount = (int)(b->useSegments ? m->subsegs.liveItems : m->hullSize);
    if (voronoiOut) {
        voronoiOut->pointCount = out->triangleCount;
        voronoiOut->pointAttributeCount = m->pointAttributeCount;
        voronoiOut->edgeCount = out->edgeCount;
    }

    if (b->noPointsOut) NumberOutputPoints(m, b);
    else WriteOutputPoints(m, b, out);
    if (!b->noTrianglesOut) WriteOutputTriangles(m, b, out);
    if (b->useSegments && !b->noSegmentsOut) {
        WriteOutputSegments(m, b, out);
        out->holeCount = m->holes;
        out->regionCount = m->regions;
        out->holes = b->pslg ? in->holes : nullptr;
        out->regions = b->pslg ? in->regions : nullptr;
    }
    if (b->writeEdges) WriteOutputEdges(m, b, out);
    if (b->writeVoronoi) WriteVoronoiDiagram(m, b, voronoiOut);
    if (b->writeNeighbors) WriteOutputNeighbors(m, b, out);

    TriangleDeinit(m, b);
}

// A plain C++ lock: callers may be any thread, Win32 or not.
static std::recursive_mutex triangulationLock;

void LockTriangulation() { triangulationLock.lock(); }
void UnlockTriangulation() { triangulationLock.unlock(); }

void RunTriangulation(const char* switches, TriangulateIO* in, TriangulateIO* out,
                      TriangulateIO* voronoiOut, int showProgress)
{
    if (showProgress) LockTriangulation();
    TriShowProgress = showProgress;
    TriPointCount = in ? in->pointCount : 0;
    runMayTakeProcessors = !processorsTaken.exchange(true);
    Triangulate(switches, in, out, voronoiOut);
    if (runMayTakeProcessors) processorsTaken = false;
    runMayTakeProcessors = false;
    if (showProgress) UnlockTriangulation();
}
