// A finer index of one class's points over a set's tile grid.
#include "classify/candidate_index.h"
#include "base/polygon.h"
#include "data/data_set.h"
#include "data/selection.h"
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

namespace {

struct Entry {
    int32_t rank;        // position in the tile cell: the order a selection keeps
    PointRecord* point;
};

// One cell of the tile grid: its points bucketed row by row.
struct CellBuckets {
    int32_t row, column;
    double minX, minY, side;
    int32_t columns, rows;
    std::vector<int32_t> starts;   // columns * rows + 1
    std::vector<Entry> entries;

    int32_t Column(double x) const
    {
        return (int32_t)std::min<double>(columns - 1, std::max(0.0, std::floor((x - minX) / side)));
    }
    int32_t Row(double y) const
    {
        return (int32_t)std::min<double>(rows - 1, std::max(0.0, std::floor((y - minY) / side)));
    }
};

}  // namespace

struct CandidateIndex {
    int32_t classCode;
    std::vector<CellBuckets> cells;   // row-major, as the tile grid is walked
};

CandidateIndex* BuildCandidateIndex(DataSet* set, int32_t classCode, double bucketSide)
{
    if (!set || !set->tiles || !(bucketSide > 0)) return nullptr;
    CandidateIndex* index = new (std::nothrow) CandidateIndex();
    if (!index) return nullptr;
    index->classCode = classCode;
    const PointTiles* tiles = set->tiles;
    try {
        for (int32_t i = 0; i < tiles->rows; i++)
            for (int32_t j = 0; j < tiles->columns; j++) {
                const PointSelection* cell = tiles->cells[i][j];
                if (!cell) continue;
                CellBuckets b;
                b.row = i;
                b.column = j;
                double minX = 0, maxX = 0, minY = 0, maxY = 0;
                bool any = false;
                for (int32_t k = 0; k < cell->count; k++) {
                    const PointRecord* p = cell->items[k];
                    if (p->classification != classCode) continue;
                    if (!any || p->x < minX) minX = p->x;
                    if (!any || p->x > maxX) maxX = p->x;
                    if (!any || p->y < minY) minY = p->y;
                    if (!any || p->y > maxY) maxY = p->y;
                    any = true;
                }
                if (!any) continue;
                b.minX = minX;
                b.minY = minY;
                b.side = bucketSide;
                b.columns = (int32_t)std::min(4096.0, std::floor((maxX - minX) / bucketSide) + 1);
                b.rows = (int32_t)std::min(4096.0, std::floor((maxY - minY) / bucketSide) + 1);
                b.starts.assign((size_t)b.columns * b.rows + 1, 0);
                for (int32_t k = 0; k < cell->count; k++) {
                    const PointRecord* p = cell->items[k];
                    if (p->classification == classCode) b.starts[(size_t)b.Row(p->y) * b.columns + b.Column(p->x) + 1]++;
                }
                for (size_t k = 1; k < b.starts.size(); k++) b.starts[k] += b.starts[k - 1];
                b.entries.resize((size_t)b.starts.back());
                std::vector<int32_t> fill(b.starts.begin(), b.starts.end() - 1);
                for (int32_t k = 0; k < cell->count; k++) {
                    PointRecord* p = cell->items[k];
                    if (p->classification != classCode) continue;
                    b.entries[(size_t)fill[(size_t)b.Row(p->y) * b.columns + b.Column(p->x)]++] = {k, p};
                }
                index->cells.push_back(std::move(b));
            }
    } catch (const std::bad_alloc&) {
        delete index;
        return nullptr;
    }
    return index;
}

void FreeCandidateIndex(CandidateIndex* index) { delete index; }

PointSelection* SelectIndexedCandidates(const CandidateIndex* index, DataSet* set, double left, double top,
                                        double right, double bottom)
{
    if (!index || !set || !set->tiles) return nullptr;
    RingPolygon* box = NewBoxPolygon(left, top, right, bottom);
    if (!box) return nullptr;
    std::vector<PointRecord*> found;
    std::vector<Entry> cellFound;
    for (const CellBuckets& b : index->cells) {
        // The tile grid's own overlap test, as the plain selection makes it.
        if (!PolygonsOverlap(set->tiles->cells[b.row][b.column]->polygon, box)) continue;
        cellFound.clear();
        int32_t c0 = b.Column(left), c1 = b.Column(right), r0 = b.Row(bottom), r1 = b.Row(top);
        for (int32_t r = r0; r <= r1; r++)
            for (int32_t c = c0; c <= c1; c++) {
                size_t bucket = (size_t)r * b.columns + c;
                for (int32_t k = b.starts[bucket]; k < b.starts[bucket + 1]; k++) {
                    const Entry& e = b.entries[(size_t)k];
                    const PointRecord* p = e.point;
                    // The box first: threads working on other boxes may be
                    // changing the classes of points outside it.
                    if (p->x >= left && p->x <= right && p->y >= bottom && p->y <= top &&
                        p->classification == index->classCode)
                        cellFound.push_back(e);
                }
            }
        std::sort(cellFound.begin(), cellFound.end(), [](const Entry& a, const Entry& e) { return a.rank < e.rank; });
        for (const Entry& e : cellFound) found.push_back(e.point);
    }
    FreePolygon(box);
    if (found.empty()) return nullptr;
    PointSelection* s = CreatePointSelection((int32_t)found.size());
    if (!s) return nullptr;
    std::copy(found.begin(), found.end(), s->items);
    return s;
}
