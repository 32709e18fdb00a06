#include "test_support.h"
#include "base/polygon.h"

#include <cmath>

namespace {

RingPolygon* Rect(double x0, double y0, double x1, double y1)
{
    RingPolygon* p = NewPolygon(4);
    RingVertex* v = p->contour[0].vertex;
    v[0] = { x0, y0 };
    v[1] = { x1, y0 };
    v[2] = { x1, y1 };
    v[3] = { x0, y1 };
    return p;
}

// Survey-scale origin: a UTM easting and northing with fractions.
const double E = 500000.123, N = 4100000.456;

}  // namespace

TEST(FoundPolygon, PointInUnitSquareCountsHorizontalEdgesAsInside)
{
    RingPolygon* sq = Rect(0, 0, 1, 1);
    const PolygonRing* ring = &sq->contour[0];
    EXPECT_EQ(PointInPolygon(ring, 0.5, 0.5), 1);
    EXPECT_EQ(PointInPolygon(ring, 1.5, 0.5), 0);
    EXPECT_EQ(PointInPolygon(ring, 0.5, 0.0), 1);
    EXPECT_EQ(PointInPolygon(ring, 0.5, 1.0), 1);
    EXPECT_EQ(PointInPolygon(ring, 1.0, 1.0), 1);   // a corner lies on a horizontal edge
    EXPECT_EQ(PointInPolygon(ring, 0.5, -1e-9), 0);
    FreePolygon(sq);

    PolygonRing empty = { 0, nullptr };
    EXPECT_EQ(PointInPolygon(&empty, 0, 0), 0);
}

TEST(FoundPolygon, PointInConcaveRingAtSurveyCoordinates)
{
    // A U shape: the notch between the arms is outside.
    RingPolygon* u = NewPolygon(8);
    RingVertex* v = u->contour[0].vertex;
    const double pts[8][2] = { {0, 0}, {30, 0}, {30, 30}, {20, 30}, {20, 10}, {10, 10}, {10, 30}, {0, 30} };
    for (int i = 0; i < 8; i++) v[i] = { E + pts[i][0], N + pts[i][1] };
    EXPECT_EQ(PointInPolygon(&u->contour[0], E + 5, N + 20), 1);
    EXPECT_EQ(PointInPolygon(&u->contour[0], E + 15, N + 20), 0);
    EXPECT_EQ(PointInPolygon(&u->contour[0], E + 15, N + 5), 1);
    FreePolygon(u);
}

TEST(FoundPolygon, OverlapIgnoresSharedEdgesAndVertices)
{
    RingPolygon* a = Rect(E, N, E + 100, N + 100);
    RingPolygon* edge = Rect(E + 100, N, E + 200, N + 100);
    RingPolygon* corner = Rect(E + 100, N + 100, E + 200, N + 200);
    RingPolygon* inner = Rect(E + 10, N + 10, E + 20, N + 20);
    RingPolygon* sliver = Rect(E + 99.999, N, E + 200, N + 100);  // 1 mm of shared width
    EXPECT_EQ(PolygonsOverlap(a, edge), 0);
    EXPECT_EQ(PolygonsOverlap(a, corner), 0);
    EXPECT_NE(PolygonsOverlap(a, inner), 0);
    EXPECT_NE(PolygonsOverlap(inner, a), 0);
    EXPECT_NE(PolygonsOverlap(a, sliver), 0);
    RingPolygon* none = NewPolygonRings(0);
    EXPECT_EQ(PolygonsOverlap(a, none), 0);
    for (RingPolygon* p : { a, edge, corner, inner, sliver, none }) FreePolygon(p);
}

TEST(FoundPolygon, ClipKeepsSurveyCoordinatesToSubMillimetre)
{
    RingPolygon* a = Rect(E, N, E + 1000.25, N + 1000.5);
    RingPolygon* b = Rect(E + 500.001, N + 250.0005, E + 1500, N + 1500);
    gpc_polygon result;
    gpc_polygon_clip(GPC_INT, a, b, &result);
    ASSERT_EQ(result.num_contours, 1);
    ASSERT_EQ(result.contour[0].num_vertices, 4);
    ASSERT_NE(result.hole, nullptr);
    EXPECT_EQ(result.hole[0], 0);
    double minX = 1e300, maxX = -1e300, minY = 1e300, maxY = -1e300;
    for (int i = 0; i < 4; i++) {
        minX = std::fmin(minX, result.contour[0].vertex[i].x);
        maxX = std::fmax(maxX, result.contour[0].vertex[i].x);
        minY = std::fmin(minY, result.contour[0].vertex[i].y);
        maxY = std::fmax(maxY, result.contour[0].vertex[i].y);
    }
    EXPECT_NEAR(minX, E + 500.001, 1e-6);
    EXPECT_NEAR(maxX, E + 1000.25, 1e-6);
    EXPECT_NEAR(minY, N + 250.0005, 1e-6);
    EXPECT_NEAR(maxY, N + 1000.5, 1e-6);

    // Kept as the program's own polygon, then released twice over safely.
    RingPolygon* kept = CopyGpcPolygon(&result);
    gpc_free_polygon(&result);
    EXPECT_EQ(result.num_contours, 0);
    EXPECT_EQ(result.contour, nullptr);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->hole, nullptr);
    EXPECT_NEAR(kept->contour[0].vertex[0].x, E + 750, 251);
    FreePolygon(kept);
    FreePolygon(a);
    FreePolygon(b);
}

TEST(FoundPolygon, DifferenceFlagsTheHoleByOrientation)
{
    RingPolygon* outer = Rect(E, N, E + 10, N + 10);
    RingPolygon* inner = Rect(E + 4, N + 4, E + 6, N + 6);
    gpc_polygon result;
    gpc_polygon_clip(GPC_DIFF, outer, inner, &result);
    ASSERT_EQ(result.num_contours, 2);
    EXPECT_EQ(result.hole[0] + result.hole[1], 1);
    gpc_free_polygon(&result);

    gpc_polygon_clip(GPC_UNION, outer, inner, &result);
    EXPECT_EQ(result.num_contours, 1);
    gpc_free_polygon(&result);

    // A coordinate that is not finite cannot be clipped: the result is empty.
    outer->contour[0].vertex[2].x = NAN;
    gpc_polygon_clip(GPC_INT, outer, inner, &result);
    EXPECT_EQ(result.num_contours, 0);
    gpc_free_polygon(&result);
    FreePolygon(outer);
    FreePolygon(inner);
}

TEST(FoundPolygon, CentroidIsIndependentOfOrientationAndPlace)
{
    RingPolygon* sq = Rect(0, 0, 2, 2);
    double cx = -1, cy = -1;
    EXPECT_EQ(PolygonCentroid(sq, &cx, &cy), 1);
    EXPECT_DOUBLE_EQ(cx, 1.0);
    EXPECT_DOUBLE_EQ(cy, 1.0);
    std::swap(sq->contour[0].vertex[1], sq->contour[0].vertex[3]);  // clockwise now
    EXPECT_EQ(PolygonCentroid(sq, &cx, &cy), 1);
    EXPECT_DOUBLE_EQ(cx, 1.0);
    EXPECT_DOUBLE_EQ(cy, 1.0);
    FreePolygon(sq);

    // A 1 m square at survey coordinates: absolute cross products would put
    // the centroid metres away.
    RingPolygon* oneMetre = Rect(E, N, E + 1, N + 1);
    ASSERT_EQ(PolygonCentroid(oneMetre, &cx, &cy), 1);
    EXPECT_NEAR(cx, E + 0.5, 1e-7);
    EXPECT_NEAR(cy, N + 0.5, 1e-7);
    FreePolygon(oneMetre);

    RingPolygon* flat = Rect(0, 0, 5, 0);
    cx = cy = 42;
    EXPECT_EQ(PolygonCentroid(flat, &cx, &cy), 0);
    EXPECT_EQ(cx, 42);
    EXPECT_EQ(cy, 42);
    FreePolygon(flat);
}

TEST(FoundPolygon, GrowPolygonWidensTheBoundingBoxByTheMargin)
{
    RingPolygon* sq = Rect(0, 0, 2, 2);
    RingPolygon* grown = GrowPolygon(sq, 1);
    ASSERT_EQ(grown->num_contours, 1);
    ASSERT_EQ(grown->contour[0].num_vertices, 4);
    const RingVertex* v = grown->contour[0].vertex;
    EXPECT_NEAR(v[0].x, -1, 1e-12); EXPECT_NEAR(v[0].y, -1, 1e-12);
    EXPECT_NEAR(v[2].x, 3, 1e-12);  EXPECT_NEAR(v[2].y, 3, 1e-12);
    FreePolygon(grown);
    FreePolygon(sq);

    RingPolygon* tile = Rect(E, N, E + 1000, N + 500);
    grown = GrowPolygon(tile, 50);
    v = grown->contour[0].vertex;
    EXPECT_NEAR(v[0].x, E - 50, 1e-6); EXPECT_NEAR(v[0].y, N - 50, 1e-6);
    EXPECT_NEAR(v[2].x, E + 1050, 1e-6); EXPECT_NEAR(v[2].y, N + 550, 1e-6);
    FreePolygon(grown);
    FreePolygon(tile);

    // No width: nothing to scale, an unchanged copy comes back.
    RingPolygon* flat = Rect(1, 1, 1, 5);
    grown = GrowPolygon(flat, 3);
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(grown->contour[0].vertex[2].y, 5);
    FreePolygon(grown);
    FreePolygon(flat);
}

TEST(FoundPolygon, PolylineConstructionAndConversion)
{
    struct Polyline* line = CreatePolyline(0);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->type, 1);
    EXPECT_EQ(line->vertices, nullptr);
    Vec3 a = { E, N, 12.5f }, b = { E + 3, N + 4, 13.0f };
    EXPECT_EQ(AddPolylineVertex(line, &a), 1);
    EXPECT_EQ(AddPolylineVertex(line, &b), 2);
    EXPECT_EQ(line->vertices[1].z, 13.0f);
    RingPolygon* ring = PolylineToGpcPolygon(line);
    ASSERT_EQ(ring->contour[0].num_vertices, 2);
    EXPECT_EQ(ring->contour[0].vertex[1].x, E + 3);
    EXPECT_EQ(ring->hole, nullptr);
    FreePolygon(ring);
    FreePolyline(line);
    FreePolyline(nullptr);

    line = CreatePolyline(3);
    EXPECT_EQ(line->vertexCount, 3);
    EXPECT_EQ(line->vertices[2].x, 0.0);
    line->closed = 1;
    EXPECT_EQ(line->valid, 1);  // one word, two names
    FreePolyline(line);
}

TEST(FoundPolygon, CopyAndFreeHandleEmptyPolygons)
{
    EXPECT_EQ(FreePolygon(nullptr), 0);
    EXPECT_EQ(CopyGpcPolygon(nullptr), nullptr);
    RingPolygon* none = NewPolygonRings(0);
    RingPolygon* copy = CopyGpcPolygon(none);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->num_contours, 0);
    EXPECT_EQ(copy->contour, nullptr);
    EXPECT_EQ(FreePolygon(copy), 1);
    EXPECT_EQ(FreePolygon(none), 1);
    RingPolygon* zero = NewPolygon(0);
    EXPECT_EQ(zero->contour[0].num_vertices, 0);
    EXPECT_EQ(FreePolygon(zero), 1);
}

TEST(FoundPolygon, ClipMayWriteOverItsSubject)
{
    RingPolygon* a = Rect(0, 0, 10, 10);
    RingPolygon* b = Rect(5, 5, 15, 15);
    gpc_polygon work = *a;  // the caller's record, handed in as subject and result
    gpc_polygon_clip(GPC_INT, &work, b, &work);
    ASSERT_EQ(work.num_contours, 1);
    double area2 = 0;
    const RingVertex* v = work.contour[0].vertex;
    int n = work.contour[0].num_vertices;
    for (int i = 0; i < n; i++) area2 += v[i].x * v[(i + 1) % n].y - v[(i + 1) % n].x * v[i].y;
    EXPECT_DOUBLE_EQ(area2 / 2, 25.0);
    gpc_free_polygon(&work);
    FreePolygon(a);  // still intact
    FreePolygon(b);
}
