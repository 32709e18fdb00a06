#include "test_support.h"
#include "base/vector.h"

#include <cmath>

TEST(FoundVector, LightDirectionFromAzimuthAndElevation)
{
    Vec3 v;
    LightDirection(0, 45, &v);
    EXPECT_NEAR(v.x, 0.0, 1e-12);
    EXPECT_NEAR(v.y, 0.70710678, 1e-7);
    EXPECT_NEAR(v.z, 0.70710678f, 1e-6);
    LightDirection(90, 0, &v);  // east
    EXPECT_NEAR(v.x, 1.0, 1e-12);
    EXPECT_NEAR(v.y, 0.0, 1e-12);
    LightDirection(123, 90, &v);
    EXPECT_EQ(v.x, 0.0);
    EXPECT_EQ(v.y, 0.0);
    EXPECT_EQ(v.z, 1.0f);
}

TEST(FoundVector, NormalsAndProducts)
{
    Vec3 a = { 0, 0, 0 }, b = { 1, 0, 0 }, c = { 0, 1, 0 }, n;
    TriangleNormal(&a, &b, &c, &n);
    EXPECT_DOUBLE_EQ(n.x, 0.0);
    EXPECT_DOUBLE_EQ(n.y, 0.0);
    EXPECT_FLOAT_EQ(n.z, 1.0f);
    Vec3 big = { 0, 0, 0 }, bx = { 2, 0, 0 }, by = { 0, 3, 0 };
    TriangleNormalRaw(&big, &bx, &by, &n);
    EXPECT_FLOAT_EQ(n.z, 6.0f);  // twice the area

    Vec3 u = { 1, 2, 3 }, w = { 4, 5, 6 };
    EXPECT_FLOAT_EQ(Dot3(&u, &w), 32.0f);
    EXPECT_FLOAT_EQ(Dot2(&u, &w), 14.0f);
    Cross3(&u, &w, &u);  // output aliasing an input
    EXPECT_DOUBLE_EQ(u.x, -3.0);
    EXPECT_DOUBLE_EQ(u.y, 6.0);
    EXPECT_FLOAT_EQ(u.z, -3.0f);
    Vec3 l = { 3, 4, 12 };
    EXPECT_DOUBLE_EQ(Length3(&l), 13.0);
    EXPECT_DOUBLE_EQ(Length2(&l), 5.0);

    Vec3 zero = { 0, 0, 0 };
    Normalize3(&zero);  // no direction: left alone rather than NaN
    EXPECT_EQ(zero.x, 0.0);
    EXPECT_EQ(zero.z, 0.0f);
}

TEST(FoundVector, SmallLinearSystem)
{
    double out[2];
    double r1[2][3] = { { 1, 1, 3 }, { 1, -1, 1 } };
    ASSERT_EQ(SolveSmallLinearSystem(out, r1), 1);
    EXPECT_DOUBLE_EQ(out[0], 2.0);
    EXPECT_DOUBLE_EQ(out[1], 1.0);
    double r2[2][3] = { { 1, 1, 1 }, { 2, 2, 2 } };
    EXPECT_EQ(SolveSmallLinearSystem(out, r2), 0);
    double r3[2][3] = { { 0, 1, 1 }, { 1, 0, 2 } };
    ASSERT_EQ(SolveSmallLinearSystem(out, r3), 1);
    EXPECT_EQ(r3[0][0], 1.0);  // rows swapped in place
    EXPECT_DOUBLE_EQ(out[0], 2.0);
    EXPECT_DOUBLE_EQ(out[1], 1.0);
    double r4[2][3] = { { 0, 1, 1 }, { 0, 2, 2 } };
    EXPECT_EQ(SolveSmallLinearSystem(out, r4), 0);
}

TEST(FoundVector, PointLineDistanceOnlyInsideTheSegment)
{
    Vec3 a = { 0, 0, 0 }, b = { 1, 0, 0 };
    EXPECT_DOUBLE_EQ(PointLineDistance(0.5, 1, &a, &b), 1.0);
    EXPECT_EQ(PointLineDistance(2, 1, &a, &b), kNoDistance);
    EXPECT_EQ(PointLineDistance(1, 1, &a, &b), kNoDistance);  // level with an end
    Vec3 v0 = { 5, 0, 0 }, v1 = { 5, 10, 0 };
    EXPECT_DOUBLE_EQ(PointLineDistance(2, 4, &v0, &v1), 3.0);
    EXPECT_EQ(PointLineDistance(2, 10, &v0, &v1), kNoDistance);
    Vec3 d0 = { 0, 0, 0 }, d1 = { 10, 10, 0 };
    EXPECT_NEAR(PointLineDistance(0, 10, &d0, &d1), std::sqrt(50.0), 1e-12);
    EXPECT_EQ(PointLineDistance(-1, -3, &d0, &d1), kNoDistance);
}

TEST(FoundVector, PerpendicularFootAtSurveyCoordinates)
{
    const double E = 500000.123, N = 4100000.456;
    Vec3 a = { E, N, 0 }, b = { E + 1000, N + 1, 0 };  // nearly level: a steep perpendicular
    double* f = PerpendicularFoot(E + 500, N + 100, &a, &b);
    ASSERT_NE(f, nullptr);
    // The foot lies on the line and the offset to it is perpendicular.
    double t = (f[0] - a.x) / 1000.0;
    EXPECT_NEAR(f[1], N + t * 1.0, 1e-7);
    EXPECT_NEAR((f[0] - (E + 500)) * 1000 + (f[1] - (N + 100)) * 1, 0.0, 1e-4);
    EXPECT_EQ(PointSegmentDistance(E + 3, N + 7, &a, &a), PerpendicularFoot(E + 3, N + 7, &a, &a));
    Vec3 h = { E + 10, N, 0 };
    f = PointSegmentDistance(E + 3, N + 7, &a, &h);
    EXPECT_EQ(f[0], E + 3);
    EXPECT_EQ(f[1], N);
}
