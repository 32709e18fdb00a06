// The candidate toolkit: hull rings, neighbours sorted around a point, the
// contour point on an edge.
#include "tests/classify_filter_cases.h"
#include "tests/point_selections.h"
#include "classify/candidate_tin.h"
#include "classify/surface_analysis.h"
#include "data/tin_model.h"
#include <algorithm>
#include <cmath>

namespace {
const int kN = 15;
const int kCentre = 7 * kN + 7;
const int kEast = kCentre + kN;
}  // namespace

TEST(CandidateTin, RingsFromTheHullAndSortedNeighbours)
{
    std::vector<PointRecord> pts = CandidateGrid(kN, [](int, int) { return 10.0; });
    DataSet* set = MakePointSet(pts);
    PointSelection* all = SelectAllPoints(set);
    CandidatePass pass;
    ASSERT_EQ(BeginCandidatePass(all, PASS_SORTED_RINGS, &pass), 1);
    // A point k steps in from the border has mark k + 1 up to 4, then 0.
    for (int i = 0; i < kN; i++)
        for (int j = 0; j < kN; j++) {
            int depth = std::min(std::min(i, j), std::min(kN - 1 - i, kN - 1 - j));
            EXPECT_EQ(pass.marks[i * kN + j], depth < 4 ? depth + 1 : 0) << i << "," << j;
        }
    // The ring of the centre runs counterclockwise from just past east: the
    // east neighbour comes first or last.
    std::vector<int32_t> ring;
    for (AdjacencyNode* e = pass.lists[kCentre].head; e; e = e->next) ring.push_back(e->point);
    ASSERT_GE(ring.size(), 4u);
    EXPECT_TRUE(ring.front() == kEast || ring.back() == kEast);
    auto at = [&](int32_t k) {
        return std::atan2(set->points[k].y - set->points[kCentre].y, set->points[k].x - set->points[kCentre].x);
    };
    for (size_t k = 1; k + 1 < ring.size(); k++) {
        double turn = at(ring[k + 1]) - at(ring[k]);
        if (turn < 0) turn += 2 * std::acos(-1.0);
        EXPECT_GT(turn, 0.0);
        EXPECT_LT(turn, std::acos(-1.0));
    }
    EndCandidatePass(&pass);
    FreePointSelection(all);

    // The contour point on an edge, from its lower end; the middle on a flat edge.
    PointRecord a = MakePoint(0, 0, 4.0f), b = MakePoint(10, 20, 0.0f);
    double at3[2];
    EdgePointAtZ(3.0f, &a, &b, at3);
    EXPECT_DOUBLE_EQ(at3[0], 2.5);
    EXPECT_DOUBLE_EQ(at3[1], 5.0);
    b.z = 4.0f;
    EdgePointAtZ(4.0f, &a, &b, at3);
    EXPECT_DOUBLE_EQ(at3[0], 5.0);
    FreeDataSet(set);
}

namespace {

struct PassCounter {
    int passes = 0;
    int rejectEach = 1;
    int failOnPass = -1;
};

// Rejects the first `rejectEach` candidates of every pass.
int RejectFirst(CandidatePass* pass, void* context)
{
    PassCounter* c = (PassCounter*)context;
    if (++c->passes == c->failOnPass) return kStepFailed;
    int n = std::min(c->rejectEach, (int)pass->candidates->count);
    for (int k = 0; k < n; k++) pass->candidates->items[k]->classification = 7;
    return n;
}

int Passes(const PassRule& rule, PassCounter* counter, int* result)
{
    DataSet* set = MakePointSet(CandidateGrid(6, [](int i, int j) { return (double)(i * j % 3); }));
    PointSelection* all = SelectAllPoints(set);
    *result = RunCandidatePasses(all, rule, RejectFirst, counter);
    FreePointSelection(all);
    FreeDataSet(set);
    return counter->passes;
}

}  // namespace

TEST(CandidateTin, PassesStopByTheirRule)
{
    int result;
    PassCounter three;
    EXPECT_EQ(Passes({ 3, 1, 0, PASS_RINGS }, &three, &result), 3);
    EXPECT_EQ(result, 3);
    PassCounter few;
    few.rejectEach = 5;
    EXPECT_EQ(Passes({ 0, 10, 0, PASS_RINGS }, &few, &result), 1);   // fewer than 10 rejects
    EXPECT_EQ(result, 5);
    // No bound on the count: the passes still end, at the latest when no TIN
    // can be made (36 points in 6 columns, one rejected a pass: the last
    // column is left on one line after 30).
    PassCounter unbounded;
    EXPECT_EQ(Passes({ 0, 1, 0, PASS_SORTED_RINGS }, &unbounded, &result), 30);
    EXPECT_EQ(result, 30);
    PassCounter zero;
    Passes({ 0, 1, 1, PASS_SORTED_RINGS }, &zero, &result);
    EXPECT_EQ(result, 0);
    // A failing pass is the step's result.
    PassCounter failing;
    failing.failOnPass = 2;
    EXPECT_EQ(Passes({ 5, 1, 0, PASS_HULL_ONLY }, &failing, &result), 2);
    EXPECT_EQ(result, kStepFailed);
}
