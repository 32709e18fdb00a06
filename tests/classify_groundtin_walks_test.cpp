// The height order of the walks: ascending Z, ties in point order, the same
// whichever way the sort goes.
#include "tests/point_sets.h"
#include "classify/groundtin_walks.h"
#include <algorithm>
#include <random>

namespace {

// The order the walks rely on, written out plainly.
std::vector<PointRecord*> ReferenceOrder(std::vector<PointRecord*> items)
{
    std::stable_sort(items.begin(), items.end(), [](const PointRecord* a, const PointRecord* b) {
        return a->z != b->z ? a->z < b->z : a < b;
    });
    return items;
}

}  // namespace

TEST(GroundWalks, HeightOrderKeepsTiesInPointOrder)
{
    // Enough points for the large-set sort, few distinct heights (ties
    // everywhere), negative heights and both zeros, which are one height.
    std::mt19937 random(7);
    const float heights[] = { -12.5f, -0.25f, -0.0f, 0.0f, 0.25f, 3.0f, 1e6f, -1e6f, 1e-30f };
    std::vector<PointRecord> points(20000);
    for (PointRecord& p : points) p = MakePoint(0, 0, heights[random() % 9]);
    std::vector<PointRecord*> inPointOrder;
    for (PointRecord& p : points) inPointOrder.push_back(&p);
    std::vector<PointRecord*> expected = ReferenceOrder(inPointOrder);

    std::vector<PointRecord*> sorted = inPointOrder;
    SortPointsByZ(sorted.data(), (int32_t)sorted.size());
    EXPECT_EQ(sorted, expected);

    // A selection not in point order (a tile's) comes out the same.
    std::vector<PointRecord*> shuffled = inPointOrder;
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    SortPointsByZ(shuffled.data(), (int32_t)shuffled.size());
    EXPECT_EQ(shuffled, expected);

    // A small set takes the other road to the same order.
    std::vector<PointRecord*> few(inPointOrder.begin(), inPointOrder.begin() + 100);
    std::vector<PointRecord*> fewExpected = ReferenceOrder(few);
    SortPointsByZ(few.data(), (int32_t)few.size());
    EXPECT_EQ(few, fewExpected);
}
