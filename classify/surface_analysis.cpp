// Steps 1 (HCSM), 2 (AA) and 9 (Refine Surface).
#include "classify/surface_analysis.h"
#include "classify/tile_loop.h"
#include "classify/surface_settings.h"
#include "classify/groundtin_screen.h"
#include "classify/groundtin_walks.h"
#include "base/heap.h"
#include "base/polygon.h"
#include "base/progress.h"
#include "data/data_set.h"
#include "data/selection.h"
#include "data/tin_model.h"
#include <cmath>
#include <cstring>

// The walks want the classes only: no point or triangle lists out.
static const char kSwitches[] = "iQzNE";

// Builds the two records of a walk over `selection` (one shared X, Y list in
// its order), runs the driver and frees everything. 1, or 0 when memory ran out.
typedef int (*WalkDriver)(const char*, TriangulateIO*, TriangulateIO*, void*, PointSelection*);

// A pass over a selection in height order reads records at random places in
// the data set: each record is asked for some way ahead.
static inline void AskAhead(const PointSelection* s, int32_t k)
{
    if (k + 32 < s->count) __builtin_prefetch(s->items[k + 32]);
}

// points, when given, is the selection's X, Y list already made (and kept by
// the caller); else the walk makes and frees its own.
static int RunWalk(PointSelection* selection, WalkDriver driver, int32_t refineCount, double* points = nullptr)
{
    TriangulateIO* in = (TriangulateIO*)NBLCalloc(1, sizeof(TriangulateIO));
    TriangulateIO* out = (TriangulateIO*)NBLCalloc(1, sizeof(TriangulateIO));
    bool own = !points;
    if (own) {
        points = (double*)NBLCalloc(2 * (uint64_t)selection->count, sizeof(double));
        if (points)
            for (int32_t k = 0; k < selection->count; k++) {
                AskAhead(selection, k);
                points[2 * k] = selection->items[k]->x;
                points[2 * k + 1] = selection->items[k]->y;
            }
    }
    int ok = 0;
    if (in && out && points) {
        in->points = out->points = points;
        in->pointCount = selection->count;
        ok = driver ? driver(kSwitches, in, out, nullptr, selection)
                    : GroundTinTriangulateRefine(kSwitches, in, out, nullptr, selection, refineCount);
        out->points = nullptr;   // the list belongs to the input record
        out->pointCount = 0;
        if (!own) in->points = nullptr;   // and this one to the caller
    } else if (own) {
        NBLFree(points);
    }
    FreeTriangulateIO(in);
    FreeTriangulateIO(out);
    return ok;
}

static int32_t CountRejected(const PointSelection* s)
{
    int32_t n = 0;
    for (int32_t k = 0; k < s->count; k++) {
        AskAhead(s, k);
        if (s->items[k]->classification != WORK_GROUND) n++;
    }
    return n;
}

// ---- AA ------------------------------------------------------------------------------

int32_t GroundTinSortAndRun(PointSelection* candidates, SurfaceMagicSettings* settings)
{
    if (!candidates || candidates->count < 4) return 0;
    LockTriangulation();
    StepHeight = ScaledHeight(settings, settings->aaVertThresh);
    SortPointsByZ(candidates->items, candidates->count);
    int ok = RunWalk(candidates, GroundTinTriangulateAA, 0);
    UnlockTriangulation();
    return ok ? CountRejected(candidates) : kStepFailed;
}

// ---- HCSM --------------------------------------------------------------------------------

// What the two walks over one selection share, in its order: the X, Y list,
// every Z as the walks found it (the HCSM insertion moves rejected points
// onto the surface while it works; they are put back after it) and the
// working classes the walks screen with. One pass over the records, which lie
// at random places in the data set, fills them all.
struct WalkTables {
    double* points;
    float* z;
    uint8_t* classes;
};

static bool MakeWalkTables(const PointSelection* s, WalkTables* t)
{
    t->points = (double*)NBLMalloc(2 * (uint64_t)s->count * sizeof(double) + 8);
    t->z = (float*)NBLMalloc((uint64_t)s->count * sizeof(float) + 4);
    t->classes = (uint8_t*)NBLMalloc((uint64_t)s->count + 1);
    if (!t->points || !t->z || !t->classes) return false;
    for (int32_t k = 0; k < s->count; k++) {
        AskAhead(s, k);
        const PointRecord* p = s->items[k];
        t->points[2 * k] = p->x;
        t->points[2 * k + 1] = p->y;
        t->z[k] = p->z;
        t->classes[k] = p->classification;
    }
    return true;
}

static void FreeWalkTables(WalkTables* t)
{
    NBLFree(t->points);
    NBLFree(t->z);
    NBLFree(t->classes);
    *t = WalkTables{};
}

// The walk's classes into the records, and their heights back when it moved them.
static void WriteBack(PointSelection* s, const WalkTables* t, bool movesZ)
{
    for (int32_t k = 0; k < s->count; k++) {
        AskAhead(s, k);
        PointRecord* p = s->items[k];
        p->classification = t->classes[k];
        if (movesZ) p->z = t->z[k];
    }
}

// alone: the walk's classes go into the records and its result counts the
// rejected; else the HCSM walk follows over the same tables and does both (a
// walk that went through gives 0).
static int ScreenedWalk(PointSelection* s, WalkDriver driver, WalkTables* t, bool movesZ, bool alone)
{
    PointSlopeTable = (float*)NBLCalloc((uint64_t)s->count + 1, sizeof(float));
    int ok = 0;
    if (PointSlopeTable) {
        GroundWalkCancelled = 0;
        GroundHeightTable = t->z;
        GroundClassTable = t->classes;
        ok = RunWalk(s, driver, 0, t->points);
        GroundHeightTable = nullptr;
        GroundClassTable = nullptr;
        if (alone) WriteBack(s, t, movesZ);
    }
    NBLFree(PointSlopeTable);
    PointSlopeTable = nullptr;
    if (!ok) return kStepFailed;
    if (GroundWalkCancelled) return -1;
    int32_t rejected = 0;
    if (alone)
        for (int32_t k = 0; k < s->count; k++) rejected += t->classes[k] != WORK_GROUND;
    return rejected;
}

static int AnalyzeWith(PointSelection* candidates, SurfaceMagicSettings* settings, WalkTables* t, bool alone)
{
    if (!candidates || candidates->count < 4) return 0;
    LockTriangulation();
    SpacingLimit = settings->pointSpacing;
    AestheticLimit = settings->aestheticsLevel / 2;
    SlopeRatioLimit = settings->avgxmagiThresh;
    float gap = ScaledHeight(settings, 1.0f);
    PointRecord** items = candidates->items;
    SortPointsByZ(items, candidates->count);
    // Low outliers: the points below the highest gap wider than `gap` under the median.
    int32_t cut = 0;
    for (int32_t i = candidates->count / 2; i >= 1; i--) {
        if (std::fabs(items[i]->z - items[i - 1]->z) > gap) break;
        cut = i;
    }
    for (int32_t i = 0; i < cut; i++) items[i]->classification = WORK_LOW_OUTLIER;
    GroundSkipCount = cut;
    // The tables follow the sort. The aesthetic walk moves no point.
    int r = MakeWalkTables(candidates, t) ? ScreenedWalk(candidates, GroundTinTriangulateAesthetic, t, false, alone)
                                          : kStepFailed;
    UnlockTriangulation();
    return r;
}

static int ClassifyWith(PointSelection* candidates, SurfaceMagicSettings* settings, WalkTables* t)
{
    if (!candidates || candidates->count < 4) return 0;
    LockTriangulation();
    SpacingLimit = settings->pointSpacing;
    StepHeight = ScaledHeight(settings, settings->hcsmNoise);
    HighStepHeight = ScaledHeight(settings, settings->hcsmJump);
    SpikeHeight = ScaledHeight(settings, (float)(settings->aestheticsLevel * 0.01 * 0.5));
    GroundSkipCount = 0;
    bool tables = t->points || MakeWalkTables(candidates, t);
    int r = tables ? ScreenedWalk(candidates, GroundTinTriangulateHCSM, t, true, true) : kStepFailed;
    UnlockTriangulation();
    return r;
}

int AnalyzeSurface(PointSelection* candidates, SurfaceMagicSettings* settings)
{
    WalkTables t = {};
    int r = AnalyzeWith(candidates, settings, &t, true);
    FreeWalkTables(&t);
    return r;
}

int ClassifySurface(PointSelection* candidates, SurfaceMagicSettings* settings)
{
    WalkTables t = {};
    int r = ClassifyWith(candidates, settings, &t);
    FreeWalkTables(&t);
    return r;
}

int WholeStepRows(const DataSet* set, int size, int overlap)
{
    int step = size - overlap;
    if (step < 1) step = 1;
    return (int)((set->maxY + overlap - (set->minY - overlap)) / step + 1.0);
}

PointSelection* SelectCandidates(DataSet* set)
{
    PointSelection* s = CreatePointSelection(set->pointCount);
    if (!s) return nullptr;
    s->count = 0;
    for (int32_t i = 0; i < set->pointCount; i++)
        if (set->points[i].classification == WORK_GROUND) s->items[s->count++] = &set->points[i];
    return s;
}

int StepHCSM(HWND, DataSet* set, SurfaceMagicSettings* settings, int size, int overlap, const char*)
{
    int rows = WholeStepRows(set, size, overlap);
    PointSelection* candidates = SelectCandidates(set);
    if (!candidates) return kStepFailed;
    StartProgress((unsigned)rows, "Surface Analysis");
    // Both walks go over the candidates in the order the first one sorts
    // them: they share the tables and the engine's blocks, and the second
    // one puts the classes of both into the records and counts the result.
    WalkTables t = {};
    GroundTinKeepBlocks(true);
    int r = AnalyzeWith(candidates, settings, &t, false);
    if (r >= 0) {
        StartProgress((unsigned)rows, "Surface Classification");
        r = ClassifyWith(candidates, settings, &t);
    } else if (t.points && t.z && t.classes) {
        WriteBack(candidates, &t, false);   // what the stopped walk got to
    }
    GroundTinKeepBlocks(false);
    FreeWalkTables(&t);
    FreePointSelection(candidates);
    EndProgress();
    return r;
}

int StepAA(HWND, DataSet* set, SurfaceMagicSettings* settings, int size, int overlap, const char* text)
{
    StartProgress((unsigned)WholeStepRows(set, size, overlap), text);
    PointSelection* candidates = SelectCandidates(set);
    int r = candidates ? GroundTinSortAndRun(candidates, settings) : kStepFailed;
    FreePointSelection(candidates);
    EndProgress();
    return r;
}

// ---- Refine -----------------------------------------------------------------------------------

static bool InBox(const PointRecord* p, const double box[4])
{
    return p->x >= box[0] && p->x <= box[2] && p->y >= box[3] && p->y <= box[1];
}

static PointSelection* EmptyIsNull(PointSelection* s)
{
    if (s && s->count == 0) {
        FreePointSelection(s);
        return nullptr;
    }
    return s;
}

PointSelection* SelectGroundCandidates(PointSelection* selection)
{
    if (!selection) return nullptr;
    PointSelection* s = CreatePointSelection(selection->count);
    if (!s) return nullptr;
    s->count = 0;
    for (int32_t k = 0; k < selection->count; k++)
        if (selection->items[k]->classification == WORK_GROUND) s->items[s->count++] = selection->items[k];
    return EmptyIsNull(s);
}

PointSelection* SelectNonCandidatesInBox(PointSelection* selection, const double box[4])
{
    if (!selection) return nullptr;
    PointSelection* s = CreatePointSelection(selection->count);
    if (!s) return nullptr;
    s->count = 0;
    for (int32_t k = 0; k < selection->count; k++) {
        PointRecord* p = selection->items[k];
        if (p->classification != WORK_GROUND && InBox(p, box)) s->items[s->count++] = p;
    }
    return EmptyIsNull(s);
}

PointSelection* SelectTilePointsByClass(DataSet* set, const double box[4], const int32_t classTable[256])
{
    return SelectClassesInBox(set, box[0], box[1], box[2], box[3], classTable);
}

int RefineCandidates(PointSelection* candidates, PointSelection* others, SurfaceMagicSettings* settings)
{
    if (!candidates || !others) return 0;
    int32_t total = candidates->count + others->count;
    if (total < 4) return 0;
    LockTriangulation();
    StepHeight = ScaledHeight(settings, 0.5f);
    SortPointsByZ(others->items, others->count);
    PointSelection* all = CreatePointSelection(total);
    int ok = 0;
    if (all) {
        memcpy(all->items, candidates->items, (size_t)candidates->count * sizeof(PointRecord*));
        memcpy(all->items + candidates->count, others->items, (size_t)others->count * sizeof(PointRecord*));
        ok = RunWalk(all, nullptr, candidates->count);
        FreePointSelection(all);
    }
    UnlockTriangulation();
    return ok ? 1 : kStepFailed;
}

int RefineTile(PointSelection* tile, const double box[4], SurfaceMagicSettings* settings)
{
    double margin = 1 + (int32_t)((box[2] - box[0]) / 6);
    double inner[4] = { box[0] + margin, box[1] - margin, box[2] - margin, box[3] + margin };
    PointSelection* others = SelectNonCandidatesInBox(tile, inner);
    if (!others) return 0;
    PointSelection* candidates = SelectGroundCandidates(tile);
    if (!candidates) {
        FreePointSelection(others);
        return 0;
    }
    int r = RefineCandidates(candidates, others, settings);
    int promoted = 0;
    if (r == 1)
        for (int32_t k = 0; k < others->count; k++)
            if (others->items[k]->classification == WORK_GROUND) promoted++;
    FreePointSelection(candidates);
    FreePointSelection(others);
    return r < 0 ? r : promoted;
}

static int32_t refineClasses[256];

static PointSelection* SelectRefinePoints(DataSet* set, const double box[4])
{
    return SelectTilePointsByClass(set, box, refineClasses);
}

int StepRefineSurface(HWND view, DataSet* set, SurfaceMagicSettings* settings, int size, int overlap,
                      const char* text)
{
    memset(refineClasses, 0, sizeof(refineClasses));
    refineClasses[0] = refineClasses[1] = refineClasses[2] = refineClasses[16] = 1;
    return RunTileLoop(view, set, settings, size, overlap, text, SelectRefinePoints, RefineTile);
}
