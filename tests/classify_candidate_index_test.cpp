// The candidate index answers a tile's box with the points, and the order,
// of the plain class selection: the key-point results depend on both.
#include "point_sets.h"
#include "classify/candidate_index.h"
#include "data/selection.h"
#include "gtest_winelib.h"
#include <random>
#include <vector>

TEST(CandidateIndex, BoxesGiveThePlainSelectionInItsOrder)
{
    // Over two tile cells' worth of points on a half-unit lattice, in a
    // shuffled order, so that box edges fall on points and cells hold points
    // in no spatial order.
    std::mt19937 random(7);
    std::vector<PointRecord> points;
    for (int i = 0; i < 800; i++)
        for (int j = 0; j < 800; j++)
            points.push_back(MakePoint(1000 + 0.5 * i, 5000 + 0.5 * j, 1.0f, random() % 3 ? 2 : 5));
    std::shuffle(points.begin(), points.end(), random);
    DataSet* set = MakePointSet(points);
    set->tiles = BuildPointTiles(set);
    ASSERT_NE(set->tiles, nullptr);
    ASSERT_GT(set->tiles->rows * set->tiles->columns, 1);
    CandidateIndex* index = BuildCandidateIndex(set, 2, 7.5);
    ASSERT_NE(index, nullptr);
    // Some candidates leave the class after the index is made, as thinned points do.
    for (int32_t i = 0; i < set->pointCount; i += 5)
        if (set->points[i].classification == 2) set->points[i].classification = 16;

    std::uniform_int_distribution<int> corner(-40, 840), side(0, 300);
    for (int round = 0; round < 120; round++) {
        double left = 1000 + 0.5 * corner(random), bottom = 5000 + 0.5 * corner(random);
        double right = left + 0.5 * side(random), top = bottom + 0.5 * side(random);
        if (round == 0) {   // the whole set and more
            left = 900, bottom = 4900, right = 1500, top = 5500;
        }
        PointSelection* plain = SelectClassPointsInBox(set, left, top, right, bottom, 2);
        PointSelection* indexed = SelectIndexedCandidates(index, set, left, top, right, bottom);
        ASSERT_EQ(plain == nullptr, indexed == nullptr) << left << " " << bottom << " " << right << " " << top;
        if (plain) {
            ASSERT_EQ(plain->count, indexed->count) << left << " " << bottom << " " << right << " " << top;
            for (int32_t k = 0; k < plain->count; k++) ASSERT_EQ(plain->items[k], indexed->items[k]) << k;
        }
        FreePointSelection(plain);
        FreePointSelection(indexed);
    }
    FreeCandidateIndex(index);
    FreeDataSet(set);
}
