// Robust planar predicates: orientation and in-circle tests that always give
// the correct sign, with a floating-point filter in front of adaptive exact
// expansion arithmetic. The error bounds are process-wide and shared by both
// triangulators of the program (the general one and the ground engine), which
// is why they live here rather than inside either mesh.
//
// All arithmetic must be IEEE binary64 with round-to-nearest and no wider
// intermediates or fused multiply-adds: the error-free transformations below
// depend on it (x86-64 SSE2 code without -ffast-math or FMA contraction).
#pragma once
#include <cmath>

// Constants computed by ExactInit; the names follow the error bounds of the
// published adaptive predicates.
struct ExactArithmetic {
    double epsilon;          // 2^-53: half an ulp of 1.0
    double splitter;         // 2^27 + 1: Dekker's splitting constant
    double resultBound;
    double orientBoundA, orientBoundB, orientBoundC;
    double inCircleBoundA, inCircleBoundB, inCircleBoundC;
    double orient3BoundA, orient3BoundB, orient3BoundC;   // kept for the 3-D test, unused in 2-D
};
extern ExactArithmetic exactArithmetic;

void   ExactInit();

// Expansion arithmetic. Expansions are arrays of nonoverlapping components in
// increasing magnitude; the functions return the length of the result.
int    FastExpansionSumZeroElim(int elen, const double* e, int flen, const double* f, double* h);
int    ScaleExpansionZeroElim(int elen, const double* e, double b, double* h);
double Estimate(int elen, const double* e);

// The exact stages, called only when the filter cannot decide.
double CounterClockwiseAdapt(const double* a, const double* b, const double* c, double detsum);
double InCircleAdaptive(const double* a, const double* b, const double* c, const double* d,
                        double permanent);

// Points are pointers to (x, y). noExact (switch X) returns the plain
// floating-point determinant.
// Positive when a, b, c turn counterclockwise, negative clockwise, 0 collinear.
inline double OrientationTest(int noExact, const double* a, const double* b, const double* c)
{
    double left = (a[0] - c[0]) * (b[1] - c[1]);
    double right = (a[1] - c[1]) * (b[0] - c[0]);
    double det = left - right;
    if (noExact) return det;
    double sum;
    if (left > 0.0) {
        if (right <= 0.0) return det;
        sum = left + right;
    } else if (left < 0.0) {
        if (right >= 0.0) return det;
        sum = -left - right;
    } else {
        return det;
    }
    double bound = exactArithmetic.orientBoundA * sum;
    if (det >= bound || -det >= bound) return det;
    return CounterClockwiseAdapt(a, b, c, sum);
}

// With a, b, c counterclockwise: positive when d lies inside their
// circumcircle, negative outside, 0 on it.
inline double InCircleTest(int noExact, const double* a, const double* b, const double* c,
                           const double* d)
{
    double adx = a[0] - d[0], bdx = b[0] - d[0], cdx = c[0] - d[0];
    double ady = a[1] - d[1], bdy = b[1] - d[1], cdy = c[1] - d[1];
    double bdxcdy = bdx * cdy, cdxbdy = cdx * bdy;
    double alift = adx * adx + ady * ady;
    double cdxady = cdx * ady, adxcdy = adx * cdy;
    double blift = bdx * bdx + bdy * bdy;
    double adxbdy = adx * bdy, bdxady = bdx * ady;
    double clift = cdx * cdx + cdy * cdy;
    double det = alift * (bdxcdy - cdxbdy) + blift * (cdxady - adxcdy) + clift * (adxbdy - bdxady);
    if (noExact) return det;
    double permanent = (std::fabs(bdxcdy) + std::fabs(cdxbdy)) * alift
                     + (std::fabs(cdxady) + std::fabs(adxcdy)) * blift
                     + (std::fabs(adxbdy) + std::fabs(bdxady)) * clift;
    double bound = exactArithmetic.inCircleBoundA * permanent;
    if (det > bound || -det > bound) return det;
    return InCircleAdaptive(a, b, c, d, permanent);
}

// Circumcentre of the triangle origin, destination, apex, and its coordinates
// xi, eta in the frame of the two edges leaving the origin (for interpolation).
void Circumcenter(int noExact, const double* origin, const double* destination, const double* apex,
                  double* centre, double* xi, double* eta);
