// The AA, HCSM, aesthetic and Refine walks with their drivers.
#include "classify/groundtin_walks.h"
#include "classify/groundtin_screen.h"
#include "app/job_control.h"
#include "base/progress.h"
#include "data/data_set.h"
#include "data/selection.h"
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

int32_t GroundSkipCount = 0;
int32_t GroundWalkCancelled = 0;

int GroundTinCompareZ(const PointRecord* a, const PointRecord* b)
{
    if (a->z > b->z) return 1;
    if (a->z < b->z) return -1;
    return 0;
}

// A float's bits as an unsigned key in the float's order; -0 and +0 compare
// equal, so they get one key.
static inline uint32_t HeightKey(float z)
{
    if (z == 0.0f) z = 0.0f;
    uint32_t u;
    memcpy(&u, &z, 4);
    return (u & 0x80000000u) ? ~u : u | 0x80000000u;
}

void SortPointsByZ(PointRecord** items, int32_t count)
{
    bool byAddress = true;
    for (int32_t k = 1; k < count && byAddress; k++) byAddress = items[k - 1] < items[k];
    if (byAddress && count >= 4096) {
        // Points in address order, as every whole-set selection gives them: a
        // stable radix sort of the height keys leaves ties in that order.
        // The buffers are written whole before they are read: no zeroing, and
        // the three digits are counted in the one pass that makes the keys.
        const int digit = 11, passes = 3, buckets = 1 << digit;
        std::unique_ptr<uint64_t[]> keys(new uint64_t[(size_t)count]), spare(new uint64_t[(size_t)count]);
        std::vector<int64_t> start((size_t)passes * (buckets + 1), 0);
        for (int32_t k = 0; k < count; k++) {
            uint32_t key = HeightKey(items[k]->z);
            keys[k] = (uint64_t)key << 32 | (uint32_t)k;
            for (int p = 0; p < passes; p++)
                start[(size_t)p * (buckets + 1) + ((key >> (p * digit)) & (buckets - 1)) + 1]++;
        }
        for (int p = 0; p < passes; p++) {
            int64_t* at = &start[(size_t)p * (buckets + 1)];
            for (int d = 0; d < buckets; d++) at[d + 1] += at[d];
            int shift = 32 + p * digit;
            for (int32_t k = 0; k < count; k++) spare[at[(keys[k] >> shift) & (buckets - 1)]++] = keys[k];
            keys.swap(spare);
        }
        PointRecord** original = (PointRecord**)spare.get();
        memcpy(original, items, (size_t)count * sizeof(PointRecord*));
        for (int32_t k = 0; k < count; k++) items[k] = original[(uint32_t)keys[k]];
        return;
    }
    // Sorting keys beside the pointers keeps the sort in one small array.
    struct Key {
        float z;
        PointRecord* p;
    };
    std::vector<Key> keys((size_t)count);
    for (int32_t k = 0; k < count; k++) keys[k] = { items[k]->z, items[k] };
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return a.z != b.z ? a.z < b.z : a.p < b.p;
    });
    for (int32_t k = 0; k < count; k++) items[k] = keys[k].p;
}

// ---- drivers and run routines -------------------------------------------------------

int GroundTinTriangulateAA(const char* switches, TriangulateIO* in, TriangulateIO* out, void*,
                           PointSelection* selection)
{
    return GroundTinDrive(switches, in, out, selection, GroundTinRunAA, 0);
}

int GroundTinTriangulateHCSM(const char* switches, TriangulateIO* in, TriangulateIO* out, void*,
                             PointSelection* selection)
{
    return GroundTinDrive(switches, in, out, selection, GroundTinRunHCSM, 0);
}

int GroundTinTriangulateAesthetic(const char* switches, TriangulateIO* in, TriangulateIO* out, void*,
                                  PointSelection* selection)
{
    return GroundTinDrive(switches, in, out, selection, GroundTinRunAesthetic, 0);
}

int GroundTinTriangulateRefine(const char* switches, TriangulateIO* in, TriangulateIO* out, void*,
                               PointSelection* selection, int32_t n)
{
    return GroundTinDrive(switches, in, out, selection, GroundTinRunRefine, n);
}

static int32_t HullWhenMeshed(GroundMesh* m, int32_t hull)
{
    return m->triangles.liveItems > 0 ? hull : 0;
}

int32_t GroundTinRunAA(GroundMesh* m, GroundTinSwitches* b, int32_t)
{
    m->triangleAttributes = 0;
    GroundTinInitTriPools(m, b);
    return HullWhenMeshed(m, GroundTinAnalyzeAA(m, b));
}

int32_t GroundTinRunHCSM(GroundMesh* m, GroundTinSwitches* b, int32_t)
{
    m->triangleAttributes = 0;
    GroundTinInitTriPools(m, b);
    return HullWhenMeshed(m, GroundTinAnalyzeHCSM(m, b));
}

int32_t GroundTinRunAesthetic(GroundMesh* m, GroundTinSwitches* b, int32_t)
{
    m->triangleAttributes = 0;
    GroundTinInitTriPools(m, b);
    return HullWhenMeshed(m, GroundTinAnalyzeAesthetic(m, b));
}

int32_t GroundTinRunRefine(GroundMesh* m, GroundTinSwitches* b, int32_t n)
{
    m->triangleAttributes = 0;
    GroundTinInitTriPools(m, b);
    return HullWhenMeshed(m, GroundTinAnalyzeRefine(m, b, n));
}

// ---- walks ---------------------------------------------------------------------------------

static void LeaveOut(GroundMesh* m, Vertex v)
{
    GroundVertexType(m, v) = GROUND_VERTEX_LEFT_OUT;
    m->leftOutCount++;
}

// Bounding triangle, traversal start and flip pool: the opening of every walk.
static Vertex StartWalk(GroundMesh* m, GroundTinSwitches* b, const char* text)
{
    StartSecondProgress((unsigned)(m->inputCount / 4096 + 1), text);
    GroundTinBoundingBox(m, b);
    GroundTinTraversalInit(&m->vertices);
    Vertex first = GroundTinVertexTraverse(m);
    GroundFirstVertex = first;
    GroundTinInitFlipPool(m);
    return first;
}

static int32_t EndWalk(GroundMesh* m, GroundTinSwitches* b)
{
    GroundTinFreeFlipPool(m);
    EndSecondProgress();
    return GroundTinRemoveBox(m, b);
}

int32_t GroundTinAnalyzeAA(GroundMesh* m, GroundTinSwitches* b)
{
    Vertex v = StartWalk(m, b, "Surface Analysis (AA)");
    for (int32_t i = 0; v; v = GroundTinVertexTraverse(m), i++) {
        GroundHandle out;
        switch (GroundTinInsertAA(m, b, v, &out)) {
        case SCREEN_DUPLICATE:
            LeaveOut(m, v);
            break;
        case SCREEN_TOO_STEEP:
            GroundTinUndoVertex(m, b);
            LeaveOut(m, v);
            GroundVertexPoint(m, v)->classification = WORK_TOO_STEEP;
            break;
        case SCREEN_STEP:
            GroundTinUndoVertex(m, b);
            LeaveOut(m, v);
            GroundVertexPoint(m, v)->classification = WORK_STEP;
            break;
        default:
            break;
        }
        if (i % 4096 == 0) StepSecondProgress();
    }
    return EndWalk(m, b);
}

typedef int (*ScreenInsertion)(GroundMesh*, GroundTinSwitches*, Vertex, GroundHandle*);

static int32_t ScreenWalk(GroundMesh* m, GroundTinSwitches* b, const char* text, ScreenInsertion insert)
{
    Vertex v = StartWalk(m, b, text);
    int32_t i = 0;
    for (; v && i < GroundSkipCount; i++) v = GroundTinVertexTraverse(m);
    for (; v; v = GroundTinVertexTraverse(m), i++) {
        // The screening reads and writes the point's class: without a class
        // table its record, at a random place in the data set, is loaded a few
        // insertions ahead.
        if (!GroundClassTable && i + 16 < GroundPointCount) __builtin_prefetch(GroundPointTable[i + 16], 1);
        GroundHandle out;
        if (insert(m, b, v, &out) == SCREEN_DUPLICATE) LeaveOut(m, v);
        if (i % 4096 == 0) {
            StepSecondProgress();
            if (AppJobCancelled()) {
                GroundWalkCancelled = 1;
                break;
            }
        }
    }
    return EndWalk(m, b);
}

// The HCSM walk passes over points the walks before it took out of the ground.
static bool LeftOutOfHCSM(const GroundMesh* m, Vertex v)
{
    return GroundVertexClass(m, v) != WORK_GROUND;
}

int32_t GroundTinAnalyzeHCSM(GroundMesh* m, GroundTinSwitches* b)
{
    m->scoutSkips = LeftOutOfHCSM;
    int32_t hull = ScreenWalk(m, b, "Surface Analysis (HCSM)", GroundTinInsertHCSM);
    m->scoutSkips = nullptr;
    return hull;
}

int32_t GroundTinAnalyzeAesthetic(GroundMesh* m, GroundTinSwitches* b)
{
    return ScreenWalk(m, b, "Aesthetic Analysis (Aesthetics)", GroundTinInsertAesthetic);
}

int32_t GroundTinAnalyzeRefine(GroundMesh* m, GroundTinSwitches* b, int32_t n)
{
    Vertex v = StartWalk(m, b, "Refine");
    for (int32_t i = 0; v; v = GroundTinVertexTraverse(m), i++) {
        GroundHandle out;
        if (i < n) {
            if (GroundTinInsertVertex(m, b, v, &out) == 1) LeaveOut(m, v);
        } else {
            switch (GroundTinInsertGround(m, b, v, &out)) {
            case SCREEN_KEEP:
                GroundVertexPoint(m, v)->classification = WORK_GROUND;
                break;
            case SCREEN_DUPLICATE:
                LeaveOut(m, v);
                break;
            default:
                GroundTinUndoVertex(m, b);
                LeaveOut(m, v);
                break;
            }
        }
        if (i % 4096 == 0) StepSecondProgress();
    }
    return EndWalk(m, b);
}
