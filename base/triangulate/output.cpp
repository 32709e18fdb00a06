// Output writers. Vertices are numbered in pool order from firstNumber; the
// point writer stores each vertex's number in its marker slot (after copying
// the marker out), and the later writers read the numbers from there.
#include "base/triangulate/output.h"
#include "base/triangulate/triangulate.h"
#include "base/triangulate/predicates.h"
#include "base/heap.h"
#include "base/parallel.h"

namespace {
struct Allocated {
    void** field;
};
thread_local Allocated allocated[16];
thread_local int allocatedCount = 0;

// Allocates *field when it is null; the size is a checked product.
template <typename T>
T* OutputArray(TriMesh* m, T** field, int64_t count, int64_t perItem)
{
    if (*field) return *field;
    uint64_t items, bytes;
    if (count <= 0 || perItem <= 0) return nullptr;
    if (!CheckedBytes((uint64_t)count, (uint64_t)perItem, &items) ||
        !CheckedBytes(items, sizeof(T), &bytes)) {
        TriAbort(m);
    }
    T* p;
    if (m->spare && m->spareBytes >= bytes && bytes >= m->spareBytes / 2) {   // not a small array in a large block
        p = (T*)m->spare;
        m->spare = nullptr;
    } else {
        p = (T*)TriLargeAlloc(bytes);
    }
    if (!p) TriAbort(m);
    *field = p;
    if (allocatedCount < 16) allocated[allocatedCount++].field = (void**)field;
    return p;
}

inline int Number(const TriMesh* m, Vertex v) { return VertexMarker(m, v); }
inline int& TriNumber(const TriMesh* m, Word* tri) { return *(int*)&tri[m->triNumberIndex]; }
}

void OutputBegin()
{
    allocatedCount = 0;
}

void OutputRollback()
{
    for (int i = 0; i < allocatedCount; i++) {
        NBLFree(*allocated[i].field);
        *allocated[i].field = nullptr;
    }
    allocatedCount = 0;
}

void WriteOutputPoints(TriMesh* m, const TriSwitches* b, TriangulateIO* out)
{
    int64_t count = m->vertices.liveItems - (b->jettison ? m->undeads : 0);
    int attribs = m->pointAttributeCount;
    double* points = OutputArray(m, &out->points, count, 2);
    double* attributes = attribs > 0 ? OutputArray(m, &out->pointAttributes, count, attribs) : nullptr;
    int32_t* markers = b->noBoundaryMarkers ? nullptr : OutputArray(m, &out->pointMarkers, count, 1);
    const MemoryPool& pool = m->vertices;
    int parts = TriangulationParts(count);
    if (parts > 1 && !b->jettison && pool.handedOut == count && count <= pool.itemsFirstBlock) {
        // every vertex live and in the first block: vertex k is the k-th record
        const char* first = PoolFirstSlot(&pool);
        auto write = [&](int part, int parts) {
            int64_t from, end;
            ParallelRange(count, part, parts, &from, &end);
            for (int64_t k = from; k < end; k++) {
                Vertex v = (Vertex)(first + k * pool.itemBytes);
                points[2 * k] = v[0];
                points[2 * k + 1] = v[1];
                for (int i = 0; i < attribs; i++) attributes[k * attribs + i] = v[2 + i];
                if (markers) markers[k] = VertexMarker(m, v);
                VertexMarker(m, v) = (int)(k + b->firstNumber);
            }
        };
        ForParts(parts, write);
        return;
    }
    TraversalInit(&m->vertices);
    int64_t k = 0;
    Vertex v;
    while ((v = VertexTraverse(m)) != nullptr) {
        if (b->jettison && VertexType(m, v) == UNDEADVERTEX) continue;
        if (k >= count) break;
        points[2 * k] = v[0];
        points[2 * k + 1] = v[1];
        for (int i = 0; i < attribs; i++) attributes[k * attribs + i] = v[2 + i];
        if (markers) markers[k] = VertexMarker(m, v);
        VertexMarker(m, v) = (int)(k + b->firstNumber);
        k++;
    }
}

void NumberOutputPoints(TriMesh* m, const TriSwitches* b)
{
    TraversalInit(&m->vertices);
    int number = b->firstNumber;
    Vertex v;
    while ((v = VertexTraverse(m)) != nullptr) {
        VertexMarker(m, v) = number;
        if (!(b->jettison && VertexType(m, v) == UNDEADVERTEX)) number++;
    }
}

// When every vertex of the pool is numbered in pool order (one block, none
// freed, none left out), a vertex's number follows from its address: the
// triangle writer then reads no vertex record, which matters because the
// records lie in input order and the triangles in mesh order.
struct NumbersByAddress {
    const char* first;
    double perByte;   // 1 / record size: the offset is an exact multiple, so rounding gives the index
    int firstNumber;
    int Of(Vertex v) const { return firstNumber + (int)((double)((const char*)v - first) * perByte + 0.5); }
};

static bool VertexNumbersByAddress(TriMesh* m, const TriSwitches* b, NumbersByAddress* n)
{
    const MemoryPool& pool = m->vertices;
    if (b->jettison || pool.handedOut == 0 || pool.handedOut != pool.liveItems || pool.handedOut > pool.itemsFirstBlock)
        return false;
    n->first = (const char*)GetVertex(m, b, b->firstNumber);
    n->perByte = 1.0 / pool.itemBytes;
    n->firstNumber = b->firstNumber;
    return n->first != nullptr;
}

// The live triangles of the pool's first block before each part's stretch of
// slots (liveBefore[part]) when every triangle is there; false otherwise.
static bool LiveBeforeParts(TriMesh* m, int parts, int64_t liveBefore[kMaxParallelParts + 1])
{
    const MemoryPool& pool = m->triangles;
    if (pool.handedOut > pool.itemsFirstBlock) return false;
    const char* first = PoolFirstSlot(&pool);
    auto count = [&](int part, int parts) {
        int64_t from, end;
        ParallelRange(pool.handedOut, part, parts, &from, &end);
        int64_t live = 0;
        for (int64_t s = from; s < end; s++) live += !IsDeadTri((const Word*)(first + s * pool.itemBytes));
        liveBefore[part + 1] = live;
    };
    ForParts(parts, count);
    liveBefore[0] = 0;
    for (int p = 0; p < parts; p++) liveBefore[p + 1] += liveBefore[p];
    return true;
}

void WriteOutputTriangles(TriMesh* m, const TriSwitches* b, TriangulateIO* out)
{
    int64_t count = m->triangles.liveItems;
    int corners = (b->order + 1) * (b->order + 2) / 2;
    int attribs = m->triangleAttributeCount;
    int32_t* tris = OutputArray(m, &out->triangles, count, corners);
    double* tattr = attribs > 0 ? OutputArray(m, &out->triangleAttributes, count, attribs) : nullptr;
    NumbersByAddress byAddress;
    bool fromAddress = VertexNumbersByAddress(m, b, &byAddress);
    int parts = TriangulationParts(count);
    int64_t liveBefore[kMaxParallelParts + 1];
    if (parts > 1 && fromAddress && b->order == 1 && attribs == 0 && LiveBeforeParts(m, parts, liveBefore)) {
        const MemoryPool& pool = m->triangles;
        const char* first = PoolFirstSlot(&pool);
        auto write = [&](int part, int parts) {
            int64_t from, end;
            ParallelRange(pool.handedOut, part, parts, &from, &end);
            int32_t* t = tris + liveBefore[part] * corners;
            for (int64_t s = from; s < end; s++) {
                const Word* tri = (const Word*)(first + s * pool.itemBytes);
                if (IsDeadTri(tri)) continue;
                t[0] = byAddress.Of((Vertex)tri[4]);
                t[1] = byAddress.Of((Vertex)tri[5]);
                t[2] = byAddress.Of((Vertex)tri[3]);
                t += corners;
            }
        };
        ForParts(parts, write);
        return;
    }
    TraversalInit(&m->triangles);
    Word* tri;
    int64_t k = 0;
    while ((tri = TriangleTraverse(m)) != nullptr) {
        int32_t* t = tris + k * corners;
        if (fromAddress) {
            t[0] = byAddress.Of((Vertex)tri[4]);
            t[1] = byAddress.Of((Vertex)tri[5]);
            t[2] = byAddress.Of((Vertex)tri[3]);
        } else {
            t[0] = Number(m, (Vertex)tri[4]);
            t[1] = Number(m, (Vertex)tri[5]);
            t[2] = Number(m, (Vertex)tri[3]);
        }
        if (b->order == 2) {
            int h = m->highOrderIndex;
            t[3] = Number(m, (Vertex)tri[h + 1]);
            t[4] = Number(m, (Vertex)tri[h + 2]);
            t[5] = Number(m, (Vertex)tri[h]);
        }
        const double* a = TriAttributes(m, tri);
        for (int i = 0; i < attribs; i++) tattr[k * attribs + i] = a[i];
        k++;
    }
}

void WriteOutputSegments(TriMesh* m, const TriSwitches* b, TriangulateIO* out)
{
    int64_t count = m->subsegs.liveItems;
    int32_t* segs = OutputArray(m, &out->segments, count, 2);
    int32_t* marks = b->noBoundaryMarkers ? nullptr : OutputArray(m, &out->segmentMarkers, count, 1);
    TraversalInit(&m->subsegs);
    Word* ss;
    int64_t k = 0;
    while ((ss = SubsegTraverse(m)) != nullptr) {
        segs[2 * k] = Number(m, (Vertex)ss[2]);
        segs[2 * k + 1] = Number(m, (Vertex)ss[3]);
        if (marks) marks[k] = *(int*)&ss[6];
        k++;
    }
}

// Calls f(triangle handle, across handle) once for every edge of the mesh: an
// edge is taken from the triangle whose record comes first in memory, or from
// its only triangle on the hull.
template <typename F>
static void ForEachEdge(TriMesh* m, F f)
{
    TraversalInit(&m->triangles);
    Word* tri;
    while ((tri = TriangleTraverse(m)) != nullptr) {
        for (int o = 0; o < 3; o++) {
            OrientedTriangle t{ tri, o };
            OrientedTriangle across = Sym(t);
            if (IsDummy(m, across) || tri < across.tri) f(t, across);
        }
    }
}

void WriteOutputEdges(TriMesh* m, const TriSwitches* b, TriangulateIO* out)
{
    int32_t* edges = OutputArray(m, &out->edges, m->edges, 2);
    int32_t* marks = b->noBoundaryMarkers ? nullptr : OutputArray(m, &out->edgeMarkers, m->edges, 1);
    int64_t k = 0;
    ForEachEdge(m, [&](const OrientedTriangle& t, const OrientedTriangle& across) {
        if (k >= m->edges) return;
        edges[2 * k] = Number(m, Org(t));
        edges[2 * k + 1] = Number(m, Dest(t));
        if (marks) {
            if (b->useSegments) {
                OrientedSubsegment s = TSPivot(m, t);
                marks[k] = s.ss == m->dummySub ? 0 : SMark(s);
            } else {
                marks[k] = IsDummy(m, across) ? 1 : 0;
            }
        }
        k++;
    });
}

void WriteVoronoiDiagram(TriMesh* m, const TriSwitches* b, TriangulateIO* vor)
{
    int64_t count = m->triangles.liveItems;
    int attribs = m->pointAttributeCount;
    double* points = OutputArray(m, &vor->points, count, 2);
    double* pattr = attribs > 0 ? OutputArray(m, &vor->pointAttributes, count, attribs) : nullptr;
    vor->pointMarkers = nullptr;
    TraversalInit(&m->triangles);
    Word* tri;
    int64_t k = 0;
    while ((tri = TriangleTraverse(m)) != nullptr) {
        Vertex org = (Vertex)tri[4], dest = (Vertex)tri[5], apex = (Vertex)tri[3];
        double centre[2], xi, eta;
        Circumcenter(b->noExactArithmetic, org, dest, apex, centre, &xi, &eta);
        points[2 * k] = centre[0];
        points[2 * k + 1] = centre[1];
        for (int i = 0; i < attribs; i++) {
            pattr[k * attribs + i] = org[2 + i] + xi * (dest[2 + i] - org[2 + i]) + eta * (apex[2 + i] - org[2 + i]);
        }
        TriNumber(m, tri) = (int)(k + b->firstNumber);
        k++;
    }
    int32_t* edges = OutputArray(m, &vor->edges, m->edges, 2);
    double* normals = OutputArray(m, &vor->normals, m->edges, 2);
    vor->edgeMarkers = nullptr;
    int64_t e = 0;
    ForEachEdge(m, [&](const OrientedTriangle& t, const OrientedTriangle& across) {
        if (e >= m->edges) return;
        edges[2 * e] = TriNumber(m, t.tri);
        if (IsDummy(m, across)) {
            Vertex o = Org(t), d = Dest(t);
            edges[2 * e + 1] = -1;
            normals[2 * e] = d[1] - o[1];
            normals[2 * e + 1] = o[0] - d[0];
        } else {
            edges[2 * e + 1] = TriNumber(m, across.tri);
            normals[2 * e] = 0.0;
            normals[2 * e + 1] = 0.0;
        }
        e++;
    });
}

// Output numbers by pool slot: with every triangle in the pool's first block,
// the live triangles are numbered in slot order around the freed slots (the
// ghost records dropped at the end), so one int per slot holds them and the
// neighbour pass reads that array instead of a number word in every record.
// Null when the triangles span several blocks or there is no room.
static int32_t* NumbersBySlot(TriMesh* m, const TriSwitches* b)
{
    MemoryPool& pool = m->triangles;
    int64_t slots = pool.handedOut;
    if (slots <= 0 || slots > pool.itemsFirstBlock) return nullptr;
    int parts = TriangulationParts(slots);
    int64_t liveBefore[kMaxParallelParts + 1];
    if (parts > 1 && LiveBeforeParts(m, parts, liveBefore)) {
        // a freed record is marked dead (see TriangleDealloc)
        int32_t* numbers = (int32_t*)TriLargeAlloc((uint64_t)slots * sizeof(int32_t));
        if (!numbers) return nullptr;
        const char* first = PoolFirstSlot(&pool);
        auto number = [&](int part, int parts) {
            int64_t from, end;
            ParallelRange(slots, part, parts, &from, &end);
            int32_t next = (int32_t)(liveBefore[part] + b->firstNumber);
            for (int64_t s = from; s < end; s++)
                numbers[s] = IsDeadTri((const Word*)(first + s * pool.itemBytes)) ? -1 : next++;
        };
        ForParts(parts, number);
        return numbers;
    }
    int32_t* numbers = (int32_t*)NBLCalloc((uint64_t)slots, sizeof(int32_t));
    if (!numbers) return nullptr;
    const char* first = PoolFirstSlot(&pool);
    for (Word* dead = pool.deadStack; dead; dead = (Word*)*dead) numbers[((const char*)dead - first) / pool.itemBytes] = 1;
    int32_t next = b->firstNumber;
    for (int64_t s = 0; s < slots; s++) numbers[s] = numbers[s] ? -1 : next++;
    return numbers;
}

void WriteOutputNeighbors(TriMesh* m, const TriSwitches* b, TriangulateIO* out)
{
    int64_t count = m->triangles.liveItems;
    int32_t* nb = OutputArray(m, &out->neighbors, count, 3);
    TraversalInit(&m->triangles);
    Word* tri;
    int64_t k = 0;
    if (int32_t* numbers = NumbersBySlot(m, b)) {
        const char* first = PoolFirstSlot(&m->triangles);
        const double perByte = 1.0 / m->triangles.itemBytes;   // offsets are exact multiples: rounding gives the slot
        const Word* dummy = m->dummyTri;
        auto numberOf = [&](Word link) {
            const Word* t = DecodeTri(link).tri;
            return t == dummy ? -1 : numbers[(int64_t)((double)((const char*)t - first) * perByte + 0.5)];
        };
        int64_t slots = m->triangles.handedOut;
        int parts = TriangulationParts(slots);
        if (parts > 1) {
            // each live slot's output place is its number
            auto write = [&](int part, int parts) {
                int64_t from, end;
                ParallelRange(slots, part, parts, &from, &end);
                for (int64_t s = from; s < end; s++) {
                    if (numbers[s] < 0) continue;
                    const Word* t = (const Word*)(first + s * m->triangles.itemBytes);
                    int32_t* row = nb + 3 * (int64_t)(numbers[s] - b->firstNumber);
                    row[0] = numberOf(t[1]);
                    row[1] = numberOf(t[2]);
                    row[2] = numberOf(t[0]);
                }
            };
            ForParts(parts, write);
            NBLFree(numbers);
            return;
        }
        while ((tri = TriangleTraverse(m)) != nullptr) {
            // neighbours opposite corner 1, 2, 3 = across orientations 1, 2, 0
            nb[3 * k] = numberOf(tri[1]);
            nb[3 * k + 1] = numberOf(tri[2]);
            nb[3 * k + 2] = numberOf(tri[0]);
            k++;
        }
        NBLFree(numbers);
        return;
    }
    while ((tri = TriangleTraverse(m)) != nullptr) TriNumber(m, tri) = (int)(k++ + b->firstNumber);
    TriNumber(m, m->dummyTri) = -1;
    TraversalInit(&m->triangles);
    k = 0;
    while ((tri = TriangleTraverse(m)) != nullptr) {
        // neighbours opposite corner 1, 2, 3 = across orientations 1, 2, 0
        nb[3 * k] = TriNumber(m, DecodeTri(tri[1]).tri);
        nb[3 * k + 1] = TriNumber(m, DecodeTri(tri[2]).tri);
        nb[3 * k + 2] = TriNumber(m, DecodeTri(tri[0]).tri);
        k++;
    }
}
