// The general Delaunay triangulator: callers fill a TriangulateIO with points
// (and optionally segments, holes and regions), choose the outputs with a short
// switch string and read triangles, neighbours, edges and markers back from a
// second record. Each thread's run keeps its own state, so threads may run
// it at once (see the lock below).
#pragma once
#include <cstdint>

struct TriangulateIO {
    double*  points;                 // x, y of each point
    double*  pointAttributes;        // pointAttributeCount values a point
    int32_t* pointMarkers;           // boundary marker of each point
    int32_t  pointCount;
    int32_t  pointAttributeCount;

    int32_t* triangles;              // cornerCount point numbers a triangle, counterclockwise
    double*  triangleAttributes;
    double*  triangleAreas;          // never read by this triangulator
    int32_t* neighbors;              // 3 a triangle, neighbour k opposite corner k, -1 for none
    int32_t  triangleCount;
    int32_t  cornerCount;            // 3, or 6 with o2
    int32_t  triangleAttributeCount;

    int32_t* segments;               // 2 endpoint numbers a segment
    int32_t* segmentMarkers;
    int32_t  segmentCount;

    double*  holes;                  // x, y of a seed point in each hole
    int32_t  holeCount;

    double*  regions;                // x, y, attribute, area bound of each region seed
    int32_t  regionCount;

    int32_t* edges;                  // 2 endpoint numbers an edge
    int32_t* edgeMarkers;
    double*  normals;                // Voronoi record: ray direction, (0, 0) for a finite edge
    int32_t  edgeCount;
};

// Values of the thread's running triangulation. All of the general
// triangulator's run state is per thread, so threads may run it at once.
extern thread_local int TriShowProgress;
extern thread_local int TriPointCount;
extern thread_local int TriProgressCounter;

// One ground-engine run at a time in the whole process: its drivers and steps
// hold this lock for their whole run. RunTriangulation takes it only for a run
// that shows progress, since the progress bar is the one process-wide thing it
// touches. The thread that holds it may take it again.
void LockTriangulation();
void UnlockTriangulation();

// Runs one triangulation. switches: e.g. "nQz", "eQz", "pczAen"; voronoiOut may
// be null unless the switches contain v. Output arrays that are already set are
// filled in place; null ones are allocated with NBLMalloc and belong to the
// caller. On exhausted memory or invalid input the result is empty (all
// counts 0). A large run spreads over the processors when no other run has
// them (the environment variable VELKA_TRI_THREADS sets the number of threads,
// 1 = the calling thread only); the output is the same on any number.
void RunTriangulation(const char* switches, TriangulateIO* in, TriangulateIO* out,
                      TriangulateIO* voronoiOut, int showProgress);
void Triangulate(const char* switches, TriangulateIO* in, TriangulateIO* out, TriangulateIO* voronoiOut);
