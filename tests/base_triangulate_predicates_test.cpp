// Exact-arithmetic constants and the signs of the robust predicates.
#include "tests/tri_check.h"
#include "base/triangulate/predicates.h"
#include <cmath>
#include <random>

TEST(TriPredicates, ExactInitConstants)
{
    ExactInit();
    const ExactArithmetic& k = exactArithmetic;
    EXPECT_EQ(k.epsilon, std::ldexp(1.0, -53));
    EXPECT_EQ(k.splitter, 134217729.0);
    double e = k.epsilon;
    EXPECT_EQ(k.resultBound, (3.0 + 8.0 * e) * e);
    EXPECT_EQ(k.orientBoundA, (3.0 + 16.0 * e) * e);
    EXPECT_EQ(k.orientBoundC, (9.0 + 64.0 * e) * e * e);
    EXPECT_EQ(k.inCircleBoundA, (10.0 + 96.0 * e) * e);
    EXPECT_EQ(k.inCircleBoundC, (44.0 + 576.0 * e) * e * e);
}

TEST(TriPredicates, CollinearAtSurveyScaleIsExactlyZero)
{
    ExactInit();
    double a[2] = { 500000.125, 4100000.375 };
    double b[2] = { 500000.125 + 0.1, 4100000.375 + 0.3 };   // not exactly representable steps
    // c on the line through a with an exactly representable direction
    double a2[2] = { 500000.125, 4100000.375 };
    double b2[2] = { 500001.375, 4100003.875 };
    double c2[2] = { 500002.625, 4100007.375 };
    EXPECT_EQ(OrientationTest(0, a2, b2, c2), 0.0);
    EXPECT_EQ(OrientationTest(0, c2, a2, b2), 0.0);
    EXPECT_EQ(OrientationTest(0, b2, c2, a2), 0.0);
    // the plain determinant goes wrong near such a line; the exact sign does not
    int wrongPlain = 0;
    for (int i = 1; i < 200; i++) {
        double t = i * 0.5;
        double c[2] = { a2[0] + 1.25 * t, a2[1] + 3.5 * t };
        EXPECT_EQ(OrientationTest(0, a2, b2, c), 0.0);
        double plain = OrientationTest(1, a2, b2, c);
        if (plain != 0.0) wrongPlain++;
        double above[2] = { c[0], std::nextafter(c[1], 1e300) };
        EXPECT_GT(OrientationTest(0, a2, b2, above), 0.0);
        double below[2] = { c[0], std::nextafter(c[1], 0.0) };
        EXPECT_LT(OrientationTest(0, a2, b2, below), 0.0);
    }
    (void)wrongPlain;
    EXPECT_NE(OrientationTest(0, a, b, c2), 0.0);
}

TEST(TriPredicates, CocircularAtSurveyScaleIsExactlyZero)
{
    ExactInit();
    double x = 500000.125, y = 4100000.375;
    double a[2] = { x, y }, b[2] = { x + 1.5, y }, c[2] = { x + 1.5, y + 1.5 }, d[2] = { x, y + 1.5 };
    EXPECT_EQ(InCircleTest(0, a, b, c, d), 0.0);
    EXPECT_EQ(InCircleTest(0, b, c, d, a), 0.0);
    // 3-4-5 points on a circle of radius 5 around (x, y)
    double p[2] = { x + 3, y + 4 }, q[2] = { x - 4, y + 3 }, r[2] = { x - 3, y - 4 }, s[2] = { x + 5, y };
    EXPECT_EQ(InCircleTest(0, s, p, q, r), 0.0);
    double in[2] = { x + 4.999999, y };
    double out[2] = { x + 5.000001, y };
    EXPECT_GT(InCircleTest(0, s, p, q, in), 0.0);
    EXPECT_LT(InCircleTest(0, s, p, q, out), 0.0);
    double tiny[2] = { x + 3, std::nextafter(y + 4, 1e300) };   // one ulp outside
    EXPECT_LT(InCircleTest(0, s, q, r, tiny), 0.0);
}

// Exact reference signs with 128-bit integers on coordinates that are
// multiples of 1/8 near survey offsets.
TEST(TriPredicates, SignsMatchIntegerArithmetic)
{
    ExactInit();
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> small(-6, 6);
    const double x0 = 500000.125, y0 = 4100000.375;
    int checked = 0;
    for (int trial = 0; trial < 20000; trial++) {
        long long ix[4], iy[4];
        for (int k = 0; k < 4; k++) {
            ix[k] = small(rng);
            iy[k] = small(rng);
        }
        double pt[4][2];
        for (int k = 0; k < 4; k++) {
            pt[k][0] = x0 + ix[k] * 0.125;
            pt[k][1] = y0 + iy[k] * 0.125;
        }
        __int128 o = (__int128)(ix[0] - ix[2]) * (iy[1] - iy[2]) - (__int128)(iy[0] - iy[2]) * (ix[1] - ix[2]);
        double got = OrientationTest(0, pt[0], pt[1], pt[2]);
        ASSERT_EQ(got > 0, o > 0);
        ASSERT_EQ(got < 0, o < 0);
        __int128 adx = ix[0] - ix[3], ady = iy[0] - iy[3], bdx = ix[1] - ix[3], bdy = iy[1] - iy[3];
        __int128 cdx = ix[2] - ix[3], cdy = iy[2] - iy[3];
        __int128 det = (adx * adx + ady * ady) * (bdx * cdy - cdx * bdy) +
                       (bdx * bdx + bdy * bdy) * (cdx * ady - adx * cdy) +
                       (cdx * cdx + cdy * cdy) * (adx * bdy - bdx * ady);
        double ic = InCircleTest(0, pt[0], pt[1], pt[2], pt[3]);
        ASSERT_EQ(ic > 0, det > 0);
        ASSERT_EQ(ic < 0, det < 0);
        checked++;
    }
    EXPECT_EQ(checked, 20000);
}

TEST(TriPredicates, NoExactReturnsPlainDeterminant)
{
    ExactInit();
    double a[2] = { 0.5, 0.5 }, b[2] = { 12.0, 12.0 }, c[2] = { 24.0, 24.0 };
    double left = (a[0] - c[0]) * (b[1] - c[1]), right = (a[1] - c[1]) * (b[0] - c[0]);
    EXPECT_EQ(OrientationTest(1, a, b, c), left - right);
    double d[2] = { 3.0, 7.0 };
    double p[2] = { 0, 0 }, q[2] = { 4, 0 }, r[2] = { 0, 4 };
    EXPECT_EQ(InCircleTest(1, p, q, r, d), InCircleTest(0, p, q, r, d));
}

TEST(TriPredicates, CircumcenterOfRightTriangle)
{
    ExactInit();
    double o[2] = { 0, 0 }, d[2] = { 4, 0 }, a[2] = { 0, 2 };
    double c[2], xi, eta;
    Circumcenter(0, o, d, a, c, &xi, &eta);
    EXPECT_DOUBLE_EQ(c[0], 2.0);
    EXPECT_DOUBLE_EQ(c[1], 1.0);
    EXPECT_DOUBLE_EQ(xi, 0.5);
    EXPECT_DOUBLE_EQ(eta, 0.5);
}
