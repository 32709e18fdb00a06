// Steps 1 (HCSM), 2 (AA) and 9 (Refine Surface).
#include "classify/surface_analysis.h"
#include "classify/surface_run.h"
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

static int RunWalk(PointSelection* selection, WalkDriver driver, int32_t refineCount)
{
    TriangulateIO* in = (TriangulateIO*)NBLCalloc(1, sizeof(TriangulateIO));
    TriangulateIO* out = (TriangulateIO*)NBLCalloc(1, sizeof(TriangulateIO));
    double* points = (double*)NBLCalloc(2 * (uint64_t)selection->count, sizeof(double));
    int ok = 0;
    if (in && out && points) {
        for (int32_t k = 0; k < selection->count; k++) {
            AskAhead(selection, k);
            points[2 * k] = selection->items[k]->x;
            points[2 * k + 1] = selection->items[k]->y;
        }
        in->points = out->points = points;
        in->pointCount = selection->count;
        ok = driver ? driver(kSwitches, in, out, nullptr, selection)
                    : GroundTinTriangulateRefine(kSwitches, in, out, nullptr, selection, refineCount);
        out->points = nullptr;   // the list belongs to the input record
        out->pointCount = 0;
    } else {
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

// The per-walk tables: a figure per candidate and a copy of every Z (the HCSM
// insertion moves rejected points onto the surface while it works).
static float* SaveZ(const PointSelection* s)
{
    float* z = (float*)NBLMalloc((uint64_t)s->count * sizeof(float) + 4);
    if (z)
        for (int32_t k = 0; k < s->count; k++) {
            AskAhead(s, k);
            z[k] = s->items[k]->z;
        }
    return z;
}

static void RestoreZ(PointSelection* s, const float* z)
{
    for (int32_t k = 0; k < s->count; k++) {
        AskAhead(s, k);
        s->items[k]->z = z[k];
    }
}

static int ScreenedWalk(PointSelection* s, WalkDriver driver)
{
    PointSlopeTable = (float*)NBLCalloc((uint64_t)s->count + 1, sizeof(float));
    float* z = SaveZ(s);
    int ok = 0;
    if (PointSlopeTable && z) {
        GroundWalkCancelled = 0;
        ok = RunWalk(s, driver, 0);
        RestoreZ(s, z);
    }
    NBLFree(PointSlopeTable);
    PointSlopeTable = nullptr;
    NBLFree(z);
    if (!ok) return kStepFailed;
    return GroundWalkCancelled ? -1 : CountRejected(s);
}

int AnalyzeSurface(PointSelection* candidates, SurfaceMagicSettings* settings)
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
    int r = ScreenedWalk(candidates, GroundTinTriangulateAesthetic);
    UnlockTriangulation();
    return r;
}

int ClassifySurface(PointSelection* candidates, SurfaceMagicSettings* settings)
{
    if (!candidates || candidates->count < 4) return 0;
    LockTriangulation();
    SpacingLimit = settings->pointSpacing;
    StepHeight = ScaledHeight(settings, settings->hcsmNoise);
    HighStepHeight = ScaledHeight(settings, settings->hcsmJump);
    SpikeHeight = ScaledHeight(settings, (float)(settings->aestheticsLevel * 0.01 * 0.5));
    GroundSkipCount = 0;
    int r = ScreenedWalk(candidates, GroundTinTriangulateHCSM);
    UnlockTriangulation();
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
    int r = AnalyzeSurface(candidates, settings);
    if (r >= 0) {
        StartProgress((unsigned)rows, "Surface Classification");
        r = ClassifySurface(candidates, settings);
    }
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
