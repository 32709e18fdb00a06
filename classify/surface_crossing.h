// The Crossing filter: scores every edge of the TIN of a tile's candidates by
// its slope and by how far it stands above the surface across it (seen along
// the perpendicular through its middle), and rejects points whose edges score
// high on average (class 13).
#pragma once
#include <cstdint>

struct PointSelection;
struct SurfaceMagicSettings;
struct TINModel;

// One edge of a crossing set. Slot k of a triangle is the edge opposite its
// corner k: slot 0 joins corners 1 and 2, slot 1 corners 0 and 2, slot 2
// corners 0 and 1 (first, second in that order).
struct CrossingEdge {
    int32_t first, second;
    int32_t triangle;
    int32_t neighbour;        // the triangle across, -1 on the hull
    int32_t slot;             // in triangle
    int32_t neighbourSlot;    // in neighbour, -1 when none
    float   length;           // horizontal
    // The edge's line as a·x + b·y = c about the set's origin: a vertical
    // edge is as exact as any other.
    double  a, b, c;
};

struct CrossingEdgeSet {
    TINModel* tin;            // "nQz": triangles, neighbours, marks (rings to 4), edges, edge lists
    int32_t*  triangleEdges;  // 3 a triangle: the edge of each slot
    CrossingEdge* edges;
    int32_t   edgeCount;
    double    originX, originY;   // the first candidate: lines are solved about it
};

// One point where a perpendicular leaves a triangle.
struct CrossingPoint {
    double x, y;
    float  z;
};

int StepCrossing(PointSelection* tile, SurfaceMagicSettings* settings);

// 1 made; 0 for fewer than 3 points or no triangle; kStepFailed when the
// memory ran out.
int  BuildCrossingEdgeSet(PointSelection* selection, CrossingEdgeSet* set);
void FreeCrossingEdgeSet(CrossingEdgeSet* set);
// The triangle across slot `slot` of `triangle` and the slot of the shared
// edge in it, or -2 when there is none.
int32_t FindNeighbourEdgeSlot(const int32_t* neighbours, int32_t triangle, int32_t slot, int32_t* neighbourSlot);
// The points where the line a·x + b·y = c (about the set's origin) leaves the
// edge's two triangles through their other edges; 0 when it does not leave
// both (a line parallel to an edge does not cross it).
int FindPerpendicularCrossings(const CrossingEdgeSet* set, const CrossingEdge* edge, double a, double b, double c,
                               CrossingPoint out[2]);
