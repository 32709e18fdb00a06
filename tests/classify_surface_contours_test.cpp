// LMP, Final Cleanup and SaddleSpike on crafted tiles, and the fan triangles
// Final Cleanup reads its plane heights from.
#include "tests/classify_filter_cases.h"
#include "classify/candidate_tin.h"
#include "classify/groundtin_screen.h"
#include "classify/surface_contours.h"

namespace {

const int kN = 15;
const int kCentre = 7 * kN + 7;

std::vector<PointRecord> Grid(std::function<double(int, int)> z) { return CandidateGrid(kN, z); }

// A saddle at the centre (10.5): its east (11.0) and west (10.8) neighbours
// are peaks, its north and south neighbours lie on the ground at 10.
std::vector<PointRecord> SaddleBetweenPeaks()
{
    return Grid([](int i, int j) {
        if (j != 7) return 10.0;
        return i == 7 ? 10.5 : i == 8 ? 11.0 : i == 6 ? 10.8 : 10.0;
    });
}

void NoBNeighbor(SurfaceMagicSettings* s) { s->bnIterate = 0; }

void ExpectHeightsKept(const FilterRun& run, const std::vector<PointRecord>& pts)
{
    for (size_t k = 0; k < pts.size(); k++) ASSERT_NEAR(run.z[k], pts[k].z, 1e-4) << "point " << k;
}

}  // namespace

TEST(SurfaceContours, SaddleSpikeRejectsPeaksBesideASaddle)
{
    FilterRun run = RunFilterChecked(StepSaddleSpike, SaddleBetweenPeaks());
    EXPECT_EQ(run.classes[kCentre + kN], WORK_SADDLESPIKE);
    EXPECT_EQ(run.classes[kCentre - kN], WORK_SADDLESPIKE);
    EXPECT_EQ(run.classes[kCentre], WORK_GROUND);   // the saddle stays
    EXPECT_EQ(run.Count(WORK_SADDLESPIKE), 2);
    EXPECT_EQ(run.result, 2);
    // A lone peak is no reject, and nothing keeps a passing class.
    FilterRun lone = RunFilterChecked(StepSaddleSpike, Grid([](int i, int j) { return i == 7 && j == 7 ? 11.0 : 10.0; }));
    EXPECT_EQ(lone.Count(WORK_GROUND), kN * kN);
    EXPECT_EQ(RunFilter(StepSaddleSpike, SaddleBetweenPeaks(), 1.0, [](SurfaceMagicSettings* s) { s->lumpRun = 0; })
                  .result,
              0);
}

TEST(SurfaceContours, LmpRejectsALonePitAndSparesAGroup)
{
    FilterRun lone = RunFilterChecked(StepLMP, Grid([](int i, int j) { return i == 7 && j == 7 ? 8.0 : 10.0; }));
    EXPECT_EQ(lone.classes[kCentre], WORK_LMP);
    EXPECT_EQ(lone.Count(WORK_LMP), 1);
    // Four pits side by side raise each other's neighbours off their planes.
    FilterRun group = RunFilterChecked(StepLMP, Grid([](int i, int j) {
        return (i == 7 || i == 8) && (j == 7 || j == 8) ? 9.0 : 10.0;
    }));
    EXPECT_EQ(group.Count(WORK_LMP), 0);
    EXPECT_EQ(RunFilter(StepLMP, Grid([](int i, int j) { return i == 7 && j == 7 ? 8.0 : 10.0; }), 1.0,
                        [](SurfaceMagicSettings* s) { s->lumpRun = 0; })
                  .result,
              0);
}

TEST(SurfaceContours, FinalCleanupPitsSpikesAndSaddles)
{
    // A pit 0.5 deep: a peak of the negated surface.
    std::vector<PointRecord> pit = Grid([](int i, int j) { return i == 7 && j == 7 ? 9.5 : 10.0; });
    FilterRun run = RunFilterChecked(StepFinalCleanup, pit, NoBNeighbor);
    EXPECT_EQ(run.classes[kCentre], WORK_BUMP);
    EXPECT_EQ(run.Count(WORK_GROUND), kN * kN - 1);
    ExpectHeightsKept(run, pit);
    // A notch: the centre's east neighbour is 0.05 lower, every other one 2
    // higher. The contour at the centre's height crosses its ring twice, a
    // few degrees apart.
    std::vector<PointRecord> notch = Grid([](int i, int j) { return i == 7 && j == 7 ? 10.0 : i == 8 && j == 7 ? 9.95 : 12.0; });
    run = RunFilterChecked(StepFinalCleanup, notch, NoBNeighbor);
    EXPECT_EQ(run.classes[kCentre], WORK_SPIKE);
    ExpectHeightsKept(run, notch);
    // Steeper: the crossings lie farther apart and the tilt test takes it.
    notch = Grid([](int i, int j) { return i == 7 && j == 7 ? 10.0 : i == 8 && j == 7 ? 9.5 : 12.0; });
    EXPECT_EQ(RunFilterChecked(StepFinalCleanup, notch, NoBNeighbor).classes[kCentre], WORK_SPIKE);
    // A point a little below the ground whose first ring neighbour, just
    // inside the hull's rings, stands 10 above: its plane tips and its mean
    // offset exceeds its neighbours' by more than a metre (in feet too).
    std::vector<PointRecord> tipped = Grid([](int i, int j) { return i == 10 && j == 7 ? 9.9 : i == 11 && j == 7 ? 20.0 : 10.0; });
    EXPECT_EQ(RunFilterChecked(StepFinalCleanup, tipped, NoBNeighbor).classes[10 * kN + 7], WORK_LMP);
    // A saddle's contour crosses its ring four times: left alone.
    run = RunFilterChecked(StepFinalCleanup, SaddleBetweenPeaks(), NoBNeighbor);
    EXPECT_EQ(run.Count(WORK_GROUND), kN * kN);
    // BNeighbor runs on the negated heights: a pit on them is a small spike of the data.
    std::vector<PointRecord> bump = Grid([](int i, int j) { return i == 7 && j == 7 ? 10.1 : 10.0; });
    run = RunFilterChecked(StepFinalCleanup, bump);
    EXPECT_EQ(run.classes[kCentre], WORK_BNEIGHBOR);
    ExpectHeightsKept(run, bump);
    EXPECT_EQ(RunFilter(StepFinalCleanup, pit, 1.0, [](SurfaceMagicSettings* s) { s->combIter = 0; }).result, 0);
}

TEST(SurfaceContours, FewCandidatesKeepTheirHeights)
{
    std::vector<PointRecord> two = { MakePoint(0, 0, 1.5f, 2), MakePoint(1, 0, 5, 2) };
    for (TileStepRoutine step : { StepLMP, StepFinalCleanup, StepSaddleSpike }) {
        FilterRun run = RunFilter(step, two, 1.0);
        EXPECT_EQ(run.result, 0);
        EXPECT_EQ(run.Count(WORK_GROUND), 2);
        ExpectHeightsKept(run, two);
    }
    // Duplicates and a flat tile: no division by zero, the same classes each time.
    std::vector<PointRecord> pts = Grid([](int, int) { return 10.0; });
    for (int k = 0; k < 20; k++) pts.push_back(pts[(size_t)(16 + 10 * k)]);
    for (TileStepRoutine step : { StepLMP, StepFinalCleanup, StepSaddleSpike }) {
        FilterRun run = RunFilterChecked(step, pts);
        ExpectHeightsKept(run, pts);
    }
}

TEST(SurfaceContours, FanTrianglesAndTheirPlanes)
{
    PointRecord u = MakePoint(0, 0, 0), a = MakePoint(2, 0, 2), b = MakePoint(0, 2, 4), c = MakePoint(-2, -2, 0);
    const PointRecord* tri[3] = { &u, &a, &b };
    EXPECT_EQ(PointInFanTriangle(tri, 0.5, 0.5), 1);
    EXPECT_EQ(PointInFanTriangle(tri, 1.0, 1.0), 1);   // on the far edge
    EXPECT_EQ(PointInFanTriangle(tri, 2.0, 0.0), 1);   // a corner
    EXPECT_EQ(PointInFanTriangle(tri, 1.1, 1.0), 0);
    const PointRecord* flat[3] = { &u, &a, &a };
    EXPECT_EQ(PointInFanTriangle(flat, 1.0, 0.0), 0);   // no area
    // The ring u -> a, b, c: (0.5, 0.5) lies in (u, a, b), whose plane is z = x + 2y.
    const PointRecord* ring[3] = { &a, &b, &c };
    float z = 0;
    ASSERT_EQ(FanPlaneZ(&u, ring, 3, 0.5, 0.5, &z), 1);
    EXPECT_FLOAT_EQ(z, 1.5f);
    EXPECT_EQ(FanPlaneZ(&u, ring, 3, 5.0, 5.0, &z), 0);
}
