// The neighbourhood filters on crafted tiles: each rejects its feature with
// its class, leaves the nearby case that misses its threshold alone, and
// gives the same classes on a second run and in a feet copy.
#include "tests/classify_filter_cases.h"
#include "classify/candidate_tin.h"
#include "classify/groundtin_screen.h"
#include "classify/surface_filters.h"

namespace {

const int kN = 15;
const int kCentre = 7 * kN + 7;
const int kEast = kCentre + kN;

// Flat ground at 10 with the centre point at `centre` (and its east neighbour at `east`).
std::vector<PointRecord> Feature(double centre, double east = 10.0)
{
    return CandidateGrid(kN, [=](int i, int j) {
        return i == 7 && j == 7 ? centre : i == 8 && j == 7 ? east : 10.0;
    });
}

// Only these points left class 2, with this class.
void ExpectOnly(const FilterRun& run, std::initializer_list<int> points, uint8_t workClass)
{
    for (int k = 0; k < (int)run.classes.size(); k++) {
        bool listed = false;
        for (int p : points) listed |= p == k;
        EXPECT_EQ(run.classes[k], listed ? workClass : WORK_GROUND) << "point " << k;
    }
    EXPECT_EQ(run.result, (int)points.size());
}

}  // namespace

TEST(SurfaceFilters, FdbRejectsAPointAboveAllItsNeighbours)
{
    ExpectOnly(RunFilterChecked(StepFDB, Feature(10.6)), { kCentre }, WORK_FDB);
    ExpectOnly(RunFilterChecked(StepFDB, Feature(10.4)), {}, WORK_FDB);
    // Exactly "FDB Z" above is no reject (metres: the feet product rounds either way).
    ExpectOnly(RunFilter(StepFDB, Feature(10.5), 1.0), {}, WORK_FDB);
}

TEST(SurfaceFilters, BdbBumpsAndPits)
{
    ExpectOnly(RunFilterChecked(StepBDB, Feature(10.2)), { kCentre }, WORK_BUMP);
    ExpectOnly(RunFilterChecked(StepBDB, Feature(9.7)), { kCentre }, WORK_PIT);
    ExpectOnly(RunFilterChecked(StepBDB, Feature(9.8)), {}, WORK_PIT);   // "BDB Pit Z" 0.25
    // Each test can be switched off.
    ExpectOnly(RunFilterChecked(StepBDB, Feature(9.7), [](SurfaceMagicSettings* s) { s->bdbPitTest = 0; }), {},
               WORK_PIT);
    ExpectOnly(RunFilterChecked(StepBDB, Feature(10.2), [](SurfaceMagicSettings* s) { s->bdbBumpTest = 0; }), {},
               WORK_BUMP);
    EXPECT_EQ(RunFilter(StepBDB, Feature(10.2), 1.0, [](SurfaceMagicSettings* s) { s->bdbRun = 0; }).result, 0);
}

TEST(SurfaceFilters, NoseNeedsExactlyOneNeighbourAbove)
{
    // Ground at 8.9, the point at 10 with one neighbour at 11 above it: every
    // other neighbour is 1.1 below, beyond 2 x "Nose Z".
    auto nose = [](double second) {
        return CandidateGrid(kN, [=](int i, int j) {
            return i == 7 && j == 7 ? 10.0 : i == 8 && j == 7 ? 11.0 : i == 6 && j == 7 ? second : 8.9;
        });
    };
    ExpectOnly(RunFilterChecked(StepNose, nose(8.9)), { kCentre }, WORK_NOSE);
    ExpectOnly(RunFilterChecked(StepNose, nose(10.5)), {}, WORK_NOSE);   // two above
    // Neighbours only 0.9 below are not steep.
    ExpectOnly(RunFilterChecked(StepNose, CandidateGrid(kN, [](int i, int j) {
                   return i == 7 && j == 7 ? 10.0 : i == 8 && j == 7 ? 11.0 : 9.1;
               })),
               {}, WORK_NOSE);
}

TEST(SurfaceFilters, CubicRatioOfTheNeighbourBox)
{
    // Neighbours from 10.0 to 11.0: 11.06 gives a ratio of 1.06 > 1.05. The
    // second pass then finds the 11.0 point above flat neighbours only: an
    // unbounded ratio, rejected too.
    ExpectOnly(RunFilterChecked(StepCubic, Feature(11.06, 11.0)), { kCentre, kEast }, WORK_CUBIC);
    ExpectOnly(RunFilterChecked(StepCubic, Feature(11.04, 11.0)), {}, WORK_CUBIC);
    // Points on a flat tile give no ratio at all.
    ExpectOnly(RunFilterChecked(StepCubic, Feature(10.0)), {}, WORK_CUBIC);
}

TEST(SurfaceFilters, AggRejectsAPointItsEdgesRiseTo)
{
    ExpectOnly(RunFilterChecked(StepAGG, Feature(11.0)), { kCentre }, WORK_AGG);
    ExpectOnly(RunFilterChecked(StepAGG, Feature(10.3)), {}, WORK_AGG);
    EXPECT_EQ(RunFilter(StepAGG, Feature(11.0), 1.0, [](SurfaceMagicSettings* s) { s->aggIterate = 0; }).result, 0);
}

TEST(SurfaceFilters, BNeighborRejectsWhatItsNeighboursLeanOn)
{
    EXPECT_EQ(BNeighborHitsNeeded(7, 0.1f), 1);     // trunc(0.7 + 0.5)
    EXPECT_EQ(BNeighborHitsNeeded(6, 0.5f), 3);
    EXPECT_EQ(BNeighborHitsNeeded(45, 0.1f), 5);    // past the table of 0 .. 39 edges
    // "BN Percent" of 0 or below (Aesthetics above 10) asks no hit at all:
    // still at least one, or every interior point would go.
    EXPECT_EQ(BNeighborHitsNeeded(3, 0.1f), 1);
    EXPECT_EQ(BNeighborHitsNeeded(7, -8.9f), 1);

    // A spike is every neighbour's steepest neighbour and lies above them all.
    ExpectOnly(RunFilterChecked(StepBNeighbor, Feature(11.0)), { kCentre }, WORK_BNEIGHBOR);
    // A pit is too; 0.2 deep its neighbours are not much higher, 1.0 deep
    // they are and it stays. Either way the pit's own steepest neighbour
    // (its nearest) has one hit from a lower point: enough at 0.1.
    FilterRun shallow = RunFilterChecked(StepBNeighbor, Feature(9.8));
    EXPECT_EQ(shallow.classes[kCentre], WORK_BNEIGHBOR);
    EXPECT_EQ(shallow.Count(WORK_BNEIGHBOR), 2);
    FilterRun deep = RunFilterChecked(StepBNeighbor, Feature(9.0));
    EXPECT_EQ(deep.classes[kCentre], WORK_GROUND);
    EXPECT_EQ(deep.Count(WORK_BNEIGHBOR), 1);
    ExpectOnly(RunFilterChecked(StepBNeighbor, Feature(9.0), [](SurfaceMagicSettings* s) { s->bnPercent = 0.5f; }),
               {}, WORK_BNEIGHBOR);
    // Flat ground has no steepest neighbours, whatever "BN Percent" asks.
    ExpectOnly(RunFilterChecked(StepBNeighbor, Feature(10.0), [](SurfaceMagicSettings* s) { s->bnPercent = -8.9f; }),
               {}, WORK_BNEIGHBOR);
    // Edges longer than "BN Dense x" spacings are nobody's steepest.
    ExpectOnly(RunFilterChecked(StepBNeighbor, Feature(11.0), [](SurfaceMagicSettings* s) { s->bnDense = 0.5f; }),
               {}, WORK_BNEIGHBOR);
}

TEST(SurfaceFilters, FewCandidatesFlatAndDuplicatePoints)
{
    // Fewer than 3 candidates, or all on one line: no pass, nothing changes.
    std::vector<PointRecord> two = { MakePoint(0, 0, 0, 2), MakePoint(1, 0, 5, 2) };
    std::vector<PointRecord> line;
    for (int k = 0; k < 8; k++) line.push_back(MakePoint(k, 2 * k, k % 2 ? 9.0f : 0.0f, 2));
    for (TileStepRoutine step : { StepAGG, StepFDB, StepBDB, StepNose, StepCubic, StepBNeighbor }) {
        for (const auto& pts : { two, line }) {
            FilterRun run = RunFilter(step, pts, 1.0);
            EXPECT_EQ(run.result, 0);
            EXPECT_EQ(run.Count(WORK_GROUND), (int)pts.size());
        }
    }
    // Duplicates (same X and Y) of a flat tile: no division by a zero length,
    // and the same classes every time.
    std::vector<PointRecord> pts = Feature(10.0);
    for (int k = 0; k < 20; k++) {
        PointRecord d = pts[(size_t)(16 + 10 * k)];
        d.z += 0.01f * k;
        pts.push_back(d);
    }
    for (TileStepRoutine step : { StepAGG, StepFDB, StepBDB, StepNose, StepCubic, StepBNeighbor })
        RunFilterChecked(step, pts);
}
