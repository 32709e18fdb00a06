// Small vector library for shading, triangle normals, plane work and the
// distance tests of the editing tools.
//
// Vec3 has the layout of the head of a PointRecord and of a Polyline vertex,
// so points and vertices are passed here directly.
#pragma once
#include <cstdint>

#pragma pack(push, 1)
struct Vec3 {
    double x;
    double y;
    float  z;
};
#pragma pack(pop)
static_assert(sizeof(Vec3) == 20, "Vec3 is 20 bytes");

// The no-distance answer of PointLineDistance.
constexpr double kNoDistance = 3.37e38;

float   Dot3(const Vec3* a, const Vec3* b);
float   Dot2(const Vec3* a, const Vec3* b);
void    Cross3(const Vec3* a, const Vec3* b, Vec3* out);
void    Sub3(const Vec3* a, const Vec3* b, Vec3* out);
void    Normalize3(Vec3* v);
double  Length3(const Vec3* v);
double  Length2(const Vec3* v);
void    TriangleNormal(const Vec3* a, const Vec3* b, const Vec3* c, Vec3* out);
void    TriangleNormalRaw(const Vec3* a, const Vec3* b, const Vec3* c, Vec3* out);
void    DirectionFromAngles(double theta, double elevation, Vec3* out);
void    LightDirection(double azimuth, double elevation, Vec3* out);
void    SwapRows3(double rows[][3], int i, int j);
int     SolveSmallLinearSystem(double out[2], double rows[2][3]);
double* PerpendicularFoot(double px, double py, const Vec3* a, const Vec3* b);
double* PointSegmentDistance(double px, double py, const Vec3* a, const Vec3* b);
double  PointLineDistance(double px, double py, const Vec3* a, const Vec3* b);

// Widens the box xmin..xmax, ymin..ymax to take in count (x, y) pairs laid
// one after another in xy. A coordinate that is no number widens nothing.
void WidenPlaneBounds(const double* xy, int64_t count, double* xmin, double* xmax, double* ymin, double* ymax);
// The box of count such pairs, started at the first; left as it was when
// count is 0 or less.
void PlaneBounds(const double* xy, int64_t count, double* xmin, double* xmax, double* ymin, double* ymax);
