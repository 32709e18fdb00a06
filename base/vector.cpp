// Vector helpers on Vec3 (X, Y in double precision, Z in single precision).
#include "base/vector.h"

#include <cmath>
#include <utility>

namespace {

const double kDegToRad = std::acos(-1.0) / 180.0;

// Foot of the last PerpendicularFoot call; callers copy it before calling again.
double footResult[2];

}  // namespace

float Dot3(const Vec3* a, const Vec3* b)
{
    return (float)(a->x * b->x + a->y * b->y + (double)a->z * (double)b->z);
}

float Dot2(const Vec3* a, const Vec3* b)
{
    return (float)(a->x * b->x + a->y * b->y);
}

void Cross3(const Vec3* a, const Vec3* b, Vec3* out)
{
    // Work on copies: out may be a or b.
    Vec3 p = *a, q = *b;
    out->x = p.y * q.z - (double)p.z * q.y;
    out->y = (double)p.z * q.x - p.x * q.z;
    out->z = (float)(p.x * q.y - p.y * q.x);
}

void Sub3(const Vec3* a, const Vec3* b, Vec3* out)
{
    out->x = a->x - b->x;
    out->y = a->y - b->y;
    out->z = a->z - b->z;
}

// A zero vector has no direction; it is left as it is rather than filled
// with the NaNs of a division by zero.
void Normalize3(Vec3* v)
{
    float len = (float)std::sqrt((double)Dot3(v, v));
    if (len == 0.0f || !std::isfinite(len)) return;
    v->x /= len;
    v->y /= len;
    v->z /= len;
}

double Length3(const Vec3* v)
{
    return std::sqrt(v->x * v->x + v->y * v->y + (double)v->z * (double)v->z);
}

double Length2(const Vec3* v)
{
    return std::sqrt(v->x * v->x + v->y * v->y);
}

void TriangleNormalRaw(const Vec3* a, const Vec3* b, const Vec3* c, Vec3* out)
{
    Vec3 ab, bc;
    Sub3(a, b, &ab);
    Sub3(b, c, &bc);
    Cross3(&ab, &bc, out);
}

void TriangleNormal(const Vec3* a, const Vec3* b, const Vec3* c, Vec3* out)
{
    TriangleNormalRaw(a, b, c, out);
    Normalize3(out);
}

// Unit vector of horizontal direction theta (degrees counter-clockwise from
// +X) and elevation e (degrees above the plane).
void DirectionFromAngles(double theta, double elevation, Vec3* out)
{
    if (elevation == 90.0) {
        out->x = 0.0;
        out->y = 0.0;
        out->z = 1.0f;
        return;
    }
    double t = theta * kDegToRad, e = elevation * kDegToRad;
    double x = std::cos(t), y = std::sin(t), z = std::tan(e);
    double len = std::sqrt(x * x + y * y + z * z);
    out->x = x / len;
    out->y = y / len;
    out->z = (float)(z / len);
}

// Azimuth clockwise from north, as the shading dialogs give it.
void LightDirection(double azimuth, double elevation, Vec3* out)
{
    DirectionFromAngles(180.0 - (azimuth + 90.0), elevation, out);
}

void SwapRows3(double rows[][3], int i, int j)
{
    for (int k = 0; k < 3; k++) std::swap(rows[i][k], rows[j][k]);
}

// Solves a0 x + b0 y = c0, a1 x + b1 y = c1 by elimination; the rows are
// changed in place. 0 when there is no unique solution.
int SolveSmallLinearSystem(double out[2], double rows[2][3])
{
    if (rows[0][0] == 0.0) {
        if (rows[1][0] == 0.0) return 0;
        SwapRows3(rows, 0, 1);
    }
    double f = rows[1][0] / rows[0][0];
    for (int k = 0; k < 3; k++) rows[1][k] -= f * rows[0][k];
    if (rows[1][1] == 0.0) return 0;
    double y = rows[1][2] / rows[1][1];
    double x = (rows[0][2] - rows[0][1] * y) / rows[0][0];
    out[0] = x;
    out[1] = y;
    return 1;
}

// Foot of the perpendicular from P to the line through A and B, in a
// process-wide pair that the next call overwrites. The lines are solved
// relative to A: at survey coordinates (northings of millions) the line
// constants would otherwise swamp the offsets that matter.
double* PerpendicularFoot(double px, double py, const Vec3* a, const Vec3* b)
{
    if (a->y == b->y) {
        footResult[0] = px;
        footResult[1] = a->y;
        return footResult;
    }
    if (a->x == b->x) {
        footResult[0] = a->x;
        footResult[1] = py;
        return footResult;
    }
    double m = (b->y - a->y) / (b->x - a->x);
    double qx = px - a->x, qy = py - a->y;
    double rows[2][3] = {
        { -m, 1.0, 0.0 },               // the segment's line through A (the origin)
        { 1.0 / m, 1.0, qy + qx / m },  // the perpendicular through P
    };
    double sol[2];
    if (!SolveSmallLinearSystem(sol, rows)) return nullptr;
    footResult[0] = a->x + sol[0];
    footResult[1] = a->y + sol[1];
    return footResult;
}

double* PointSegmentDistance(double px, double py, const Vec3* a, const Vec3* b)
{
    return PerpendicularFoot(px, py, a, b);
}

static bool StrictlyBetween(double v, double e0, double e1)
{
    return (e0 < v && v < e1) || (e1 < v && v < e0);
}

// Distance from P to the segment AB when the foot of the perpendicular lies
// strictly inside the segment, else kNoDistance.
double PointLineDistance(double px, double py, const Vec3* a, const Vec3* b)
{
    if (a->x == b->x) {
        if (StrictlyBetween(py, a->y, b->y)) return std::fabs(a->x - px);
        return kNoDistance;
    }
    if (a->y == b->y) {
        if (StrictlyBetween(px, a->x, b->x)) return std::fabs(a->y - py);
        return kNoDistance;
    }
    double* foot = PerpendicularFoot(px, py, a, b);
    if (!foot) return kNoDistance;
    double fx = foot[0], fy = foot[1];
    double len = std::hypot(b->x - a->x, b->y - a->y);
    double fa = std::hypot(fx - a->x, fy - a->y);
    double fb = std::hypot(fx - b->x, fy - b->y);
    if (fa < len && fb < len) return std::hypot(fx - px, fy - py);
    return kNoDistance;
}

void WidenPlaneBounds(const double* xy, int64_t count, double* xmin, double* xmax, double* ymin, double* ymax)
{
    for (int64_t i = 0; i < count; i++) {
        double x = xy[2 * i], y = xy[2 * i + 1];
        if (x < *xmin) *xmin = x;
        if (x > *xmax) *xmax = x;
        if (y < *ymin) *ymin = y;
        if (y > *ymax) *ymax = y;
    }
}

void PlaneBounds(const double* xy, int64_t count, double* xmin, double* xmax, double* ymin, double* ymax)
{
    if (count <= 0) return;
    *xmin = *xmax = xy[0];
    *ymin = *ymax = xy[1];
    WidenPlaneBounds(xy + 2, count - 1, xmin, xmax, ymin, ymax);
}
