// The four screening insertions of the ground classification walks.
#include "classify/groundtin_screen.h"
#include "data/data_set.h"
#include "base/vector.h"
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

float   StepHeight = 0.0f;
float   HighStepHeight = 0.0f;
float   SpikeHeight = 0.0f;
float   SpacingLimit = 0.0f;
int32_t SlopeRatioLimit = 0;
int32_t AestheticLimit = 0;
float*  PointSlopeTable = nullptr;
uint8_t* GroundClassTable = nullptr;

static const double kPi = std::acos(-1.0);

static inline int32_t VertexIndex(const GroundMesh* m, Vertex v)
{
    int64_t offset = (char*)v - (char*)GroundFirstVertex;
    return (int32_t)(m->vertexShift >= 0 ? offset >> m->vertexShift : offset / m->vertexBytes);
}

PointRecord* GroundVertexPoint(const GroundMesh* m, Vertex v)
{
    return GroundPointTable[VertexIndex(m, v)];
}

static inline uint8_t& ClassAt(int32_t i)
{
    return GroundClassTable ? GroundClassTable[i] : GroundPointTable[i]->classification;
}

uint8_t& GroundVertexClass(const GroundMesh* m, Vertex v)
{
    return ClassAt(VertexIndex(m, v));
}

static inline double Horizontal(Vertex a, Vertex b)
{
    double dx = a[0] - b[0], dy = a[1] - b[1];
    return std::sqrt(dx * dx + dy * dy);
}

static float PlaneZ(const Vec3* p0, const Vec3* p1, const Vec3* p2, double x, double y)
{
    Vec3 u, w, nrm;
    Sub3(p0, p1, &u);
    Sub3(p1, p2, &w);
    Cross3(&u, &w, &nrm);
    return (float)((p0->y * nrm.y + nrm.x * p0->x + p0->z * nrm.z - nrm.x * x - nrm.y * y) / nrm.z);
}

float TrianglePlaneZ(const PointRecord* p0, const PointRecord* p1, const PointRecord* p2, double x, double y)
{
    return PlaneZ((const Vec3*)p0, (const Vec3*)p1, (const Vec3*)p2, x, y);
}

// Locates v; on a duplicate the handle is kept as out and as the recent triangle.
static int Locate(GroundMesh* m, GroundTinSwitches* b, Vertex v, GroundHandle* handle, GroundHandle* out)
{
    int located = GroundTinLocateVertex(m, b, v, handle);
    if (located == GROUND_ON_VERTEX) {
        *out = *handle;
        m->recent = *handle;
        m->hasRecent = true;
    }
    return located;
}

static bool TouchesBox(const GroundMesh* m, const GroundHandle& t)
{
    const GroundTriangle& r = TriangleOf(m, t);
    return IsBoundingVertex(m, r.corner[0]) || IsBoundingVertex(m, r.corner[1]) || IsBoundingVertex(m, r.corner[2]);
}

// ---- AA ----------------------------------------------------------------------------

struct AAStar {
    GroundStarWalk walk;
    const GroundMesh* mesh;
    float z;
    int32_t k, lower;
    double slopeSum;
};

static void VisitAA(GroundStarWalk* w, Vertex v, Vertex n)
{
    AAStar* s = (AAStar*)w;
    float dz = s->z - GroundVertexHeight(s->mesh, n);
    s->k++;
    if (dz > StepHeight) s->lower++;
    s->slopeSum += dz / Horizontal(v, n);
}

int GroundTinInsertAA(GroundMesh* m, GroundTinSwitches* b, Vertex v, GroundHandle* out)
{
    GroundHandle handle;
    int located = Locate(m, b, v, &handle, out);
    if (located == GROUND_ON_VERTEX) return SCREEN_DUPLICATE;
    AAStar s = { { 0, VisitAA }, m, GroundVertexHeight(m, v), 0, 0, 0.0 };
    GroundTinInsertLocated(m, b, v, &handle, located, 1, &s.walk, out);
    if (s.walk.boundary) return SCREEN_KEEP;
    double mean = s.slopeSum / s.k;
    if (mean > 0.667) return SCREEN_TOO_STEEP;
    if (s.lower >= s.k - 1) return SCREEN_STEP;
    return SCREEN_KEEP;
}

// ---- Refine --------------------------------------------------------------------------

struct GroundStar {
    GroundStarWalk walk;
    const GroundMesh* mesh;
    Vertex v;
    float z;
    Vertex first, previous;
    int32_t crossings, atOrAbove;
    double crossing[2][2];
};

static void CrossPair(GroundStar* s, Vertex a, Vertex bn)
{
    float za = GroundVertexHeight(s->mesh, a), zb = GroundVertexHeight(s->mesh, bn);
    if (!((za < s->z && s->z < zb) || (za > s->z && s->z > zb))) return;
    if (s->crossings < 2) {
        if (za > zb) {
            std::swap(a, bn);
            std::swap(za, zb);
        }
        double d = Horizontal(a, bn);
        double theta = std::atan2(bn[1] - a[1], bn[0] - a[0]);
        double f = zb != za ? d * (s->z - za) / (zb - za) : d / 2;
        s->crossing[s->crossings][0] = a[0] + f * std::cos(theta);
        s->crossing[s->crossings][1] = a[1] + f * std::sin(theta);
    }
    s->crossings++;
}

static void VisitGround(GroundStarWalk* w, Vertex, Vertex n)
{
    GroundStar* s = (GroundStar*)w;
    if (GroundVertexHeight(s->mesh, n) - s->z >= 0) s->atOrAbove++;
    if (s->previous) CrossPair(s, s->previous, n);
    else s->first = n;
    s->previous = n;
}

int GroundTinInsertGround(GroundMesh* m, GroundTinSwitches* b, Vertex v, GroundHandle* out)
{
    GroundHandle handle;
    int located = Locate(m, b, v, &handle, out);
    if (located == GROUND_ON_VERTEX) return SCREEN_DUPLICATE;
    GroundStar s = {};
    s.walk.visit = VisitGround;
    s.mesh = m;
    s.v = v;
    s.z = GroundVertexHeight(m, v);
    GroundTinInsertLocated(m, b, v, &handle, located, 1, &s.walk, out);
    if (s.walk.boundary) return SCREEN_REJECT;
    if (s.previous && s.first && s.previous != s.first) CrossPair(&s, s.previous, s.first);
    if (s.crossings == 2) {
        Vec3 a = { s.crossing[0][0] - v[0], s.crossing[0][1] - v[1], 0.0f };
        Vec3 c = { s.crossing[1][0] - v[0], s.crossing[1][1] - v[1], 0.0f };
        double angle = std::acos(Dot2(&a, &c) / (Length2(&a) * Length2(&c)));
        if (angle < kPi * 100.0 / 180.0) return SCREEN_REJECT;
    }
    return s.atOrAbove == 0 ? SCREEN_REJECT : SCREEN_KEEP;
}

// ---- Aesthetics and HCSM ----------------------------------------------------------------

// Up to kSlopeBatch neighbours are kept as the star walk meets them; their
// distances and slopes are worked out later, together (see FlushSlopes).
enum { kSlopeBatch = 16 };

struct SlopeStar {
    GroundStarWalk walk;
    const GroundMesh* mesh;
    float z;
    int32_t k, pending;
    double slopeSum, figureSum, distanceSum;
    double steepest, steepestDz, flattest, flattestDz;
    double dx[kSlopeBatch], dy[kSlopeBatch], dz[kSlopeBatch];
    float figure[kSlopeBatch];
};

// The square root and division of one neighbour wait on each other; those of
// several neighbours do not, so they are done together (two at a time where
// the processor has paired doubles; each is rounded exactly as alone), before
// the sums, which take them in the order the walk met them.
static void FlushSlopes(SlopeStar* s)
{
    double d[kSlopeBatch], slope[kSlopeBatch];
    int32_t j = 0;
#if defined(__SSE2__)
    for (; j + 1 < s->pending; j += 2) {
        __m128d dx = _mm_loadu_pd(&s->dx[j]), dy = _mm_loadu_pd(&s->dy[j]);
        __m128d distance = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(dx, dx), _mm_mul_pd(dy, dy)));
        _mm_storeu_pd(&d[j], distance);
        _mm_storeu_pd(&slope[j], _mm_div_pd(_mm_loadu_pd(&s->dz[j]), distance));
    }
#endif
    for (; j < s->pending; j++) {
        d[j] = std::sqrt(s->dx[j] * s->dx[j] + s->dy[j] * s->dy[j]);
        slope[j] = s->dz[j] / d[j];
    }
    for (j = 0; j < s->pending; j++) {
        s->k++;
        s->distanceSum += d[j];
        if (slope[j] > s->steepest) {
            s->steepest = slope[j];
            s->steepestDz = s->dz[j];
        }
        if (slope[j] < s->flattest) {
            s->flattest = slope[j];
            s->flattestDz = s->dz[j];
        }
        s->slopeSum += slope[j];
        s->figureSum += s->figure[j];
    }
    s->pending = 0;
}

static void VisitSlopes(GroundStarWalk* w, Vertex v, Vertex n)
{
    SlopeStar* s = (SlopeStar*)w;
    if (s->pending == kSlopeBatch) FlushSlopes(s);
    int32_t j = s->pending++;
    s->dx[j] = v[0] - n[0];
    s->dy[j] = v[1] - n[1];
    s->dz[j] = (double)s->z - (double)GroundVertexHeight(s->mesh, n);
    s->figure[j] = GroundVertexFigure(s->mesh, n);
}

static void StartSlopes(SlopeStar* s, const GroundMesh* m, Vertex v)
{
    s->walk = GroundStarWalk{};
    s->walk.visit = VisitSlopes;
    s->mesh = m;
    s->z = GroundVertexHeight(m, v);
    s->k = s->pending = 0;
    s->slopeSum = s->figureSum = s->distanceSum = 0.0;
    s->steepest = s->steepestDz = -3.37e38;
    s->flattest = s->flattestDz = 3.37e38;
}

// Mean slope in percent and the neighbours' mean figure, both rounded.
static void MeanFigures(const SlopeStar& s, int32_t* slope, int32_t* figure)
{
    *slope = (int32_t)(100.0 * s.slopeSum / s.k + 0.5);
    *figure = (int32_t)(s.figureSum / s.k + 0.5);
}

// The opening both slope insertions share: locate (a box corner of the located
// triangle sets the boundary flag), mark a duplicate, else insert and walk the
// star into s. corners, when given, receive the located triangle's vertices
// (their points are looked up only for the few that need them).
static int SlopeInsert(GroundMesh* m, GroundTinSwitches* b, Vertex v, GroundHandle* out, SlopeStar* s,
                       Vertex* corners)
{
    GroundHandle handle;
    int located = Locate(m, b, v, &handle, out);
    StartSlopes(s, m, v);
    if (TouchesBox(m, handle)) {
        s->walk.boundary = 1;
    } else if (corners) {
        corners[0] = Org(m, handle);
        corners[1] = Dest(m, handle);
        corners[2] = Apex(m, handle);
    }
    if (located == GROUND_ON_VERTEX) {
        GroundVertexClass(m, v) = WORK_DUPLICATE;
        return SCREEN_DUPLICATE;
    }
    // These walks never take a vertex out again: no flip stack to keep.
    GroundTinInsertLocated(m, b, v, &handle, located, 0, &s->walk, out);
    FlushSlopes(s);
    return SCREEN_KEEP;
}

int GroundTinInsertAesthetic(GroundMesh* m, GroundTinSwitches* b, Vertex v, GroundHandle* out)
{
    SlopeStar s;
    if (SlopeInsert(m, b, v, out, &s, nullptr) == SCREEN_DUPLICATE) return SCREEN_DUPLICATE;
    if (s.walk.boundary) return SCREEN_KEEP;
    int32_t i = VertexIndex(m, v);
    int32_t slope, figure;
    MeanFigures(s, &slope, &figure);
    PointSlopeTable[i] = GroundVertexFigure(m, v) = (float)slope;
    ClassAt(i) = slope - figure > AestheticLimit ? WORK_AESTHETIC : WORK_GROUND;
    return SCREEN_KEEP;
}

int GroundTinInsertHCSM(GroundMesh* m, GroundTinSwitches* b, Vertex v, GroundHandle* out)
{
    int32_t i = VertexIndex(m, v);
    if (ClassAt(i) != WORK_GROUND) return SCREEN_KEEP;
    // The surface the point is judged against: the triangle that held it.
    Vertex corners[3] = {};
    SlopeStar s;
    if (SlopeInsert(m, b, v, out, &s, corners) == SCREEN_DUPLICATE) return SCREEN_DUPLICATE;
    if (s.walk.boundary) return SCREEN_KEEP;
    int32_t slope, figure;
    MeanFigures(s, &slope, &figure);
    int32_t ratio = figure > 0 ? (int32_t)((double)slope * slope / figure + 0.5) : slope;
    int verdict = -1;
    if (ratio > SlopeRatioLimit && s.flattestDz > SpikeHeight) verdict = WORK_TOO_STEEP;
    else if (s.steepestDz > HighStepHeight && s.flattestDz > HighStepHeight) verdict = WORK_STEP;
    else if (s.distanceSum / s.k < SpacingLimit && s.flattestDz > StepHeight) verdict = WORK_DUPLICATE;
    if (verdict >= 0) {
        // Only a rejected point's record is reached. The plane's corners are
        // taken from their vertices, already loaded: the same X, Y and Z as
        // their records (a moved point's vertex moves with it).
        Vec3 plane[3];
        for (int k = 0; k < 3; k++) plane[k] = { corners[k][0], corners[k][1], GroundVertexHeight(m, corners[k]) };
        PointRecord* p = GroundPointTable[i];
        ClassAt(i) = (uint8_t)verdict;
        p->z = PlaneZ(&plane[0], &plane[1], &plane[2], v[0], v[1]);
        GroundVertexHeight(m, v) = p->z;
        PointSlopeTable[i] = GroundVertexFigure(m, v) = (float)figure;
    } else {
        PointSlopeTable[i] = GroundVertexFigure(m, v) = (float)slope;
    }
    return SCREEN_KEEP;
}
