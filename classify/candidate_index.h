// Where the candidates of a tiled step lie: the points of one class in each
// cell of a set's tile grid, bucketed over a finer grid, so that a tile's box
// reads the points near it rather than whole cells of a quarter million.
#pragma once
#include <cstdint>

struct DataSet;
struct PointSelection;
struct CandidateIndex;

// The points now of class `classCode`, in buckets of about `bucketSide`
// units; null when out of memory or when the set has no tile grid. Points
// that take the class later are not in it.
CandidateIndex* BuildCandidateIndex(DataSet* set, int32_t classCode, double bucketSide);
void FreeCandidateIndex(CandidateIndex* index);
// The indexed points still of the class inside the rectangle (edges
// inclusive): the points of SelectClassPointsInBox, in its order. Null when
// there are none.
PointSelection* SelectIndexedCandidates(const CandidateIndex* index, DataSet* set, double left, double top,
                                        double right, double bottom);
