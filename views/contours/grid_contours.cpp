// Contour lines of grid views: smoothing, cell marks, outline walks and thinning.
#include "views/contours/grid_contours.h"
#include "views/contours/contour_job.h"
#include "views/contours/contour_list.h"
#include "views/contours/tin_contours.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/messages.h"
#include "base/heap.h"
#include "base/polygon.h"
#include "base/progress.h"
#include "data/data_set.h"
#include "data/gdal_grid.h"
#include <algorithm>
#include <cmath>
#include <cstring>

const char kBackupCaption[] = "DTE Backup";
const char kRestoreCaption[] = "DTE Restore";
const char kGridPrepCaption[] = "Grid Prep";
const char kFindingContoursCaption[] = "Finding Contours";

static bool Cancelled(JobControl* job) { return job && JobCancelled(job); }

// Smooths the n values of `line` (h replicated values at either end) into `out`.
static void SmoothLine(const float* line, int n, int h, float* out)
{
    for (int i = 0; i < n; i++) {
        if (line[h + i] == VoidCellValue) continue;
        double sum = 0, weights = 0;
        for (int k = -h; k <= h; k++) {
            float v = line[h + i + k];
            if (v == VoidCellValue) continue;
            int w = h + 1 - std::abs(k);
            sum += w * (double)v;
            weights += w;
        }
        // The plain mean: an added half unit would lift the surface at every pass.
        out[i] = (float)(sum / weights);
    }
}

int WeightedAverage(float** grid, int rows, int columns, int width, JobControl* job)
{
    StartProgress((unsigned)((rows + columns) / 256 + 1), kGridPrepCaption);
    int h = std::max(width / 2, 1);
    int longest = std::max(rows, columns);
    float* line = (float*)Malloc((uint64_t)(longest + 2 * h) * sizeof(float), "WeightedAverage");
    float* column = (float*)Malloc((uint64_t)rows * sizeof(float), "WeightedAverage");
    if (!line || !column) {
        Free(line);
        Free(column);
        EndProgress();
        return 1;
    }
    int result = 1;
    for (int r = 0; r < rows && result; r++) {
        if (r % 256 == 0) {
            if (Cancelled(job)) { result = 0; break; }
            StepProgress();
        }
        std::fill(line, line + h, grid[r][0]);
        std::memcpy(line + h, grid[r], (size_t)columns * sizeof(float));
        std::fill(line + h + columns, line + 2 * h + columns, grid[r][columns - 1]);
        SmoothLine(line, columns, h, grid[r]);
    }
    for (int c = 0; c < columns && result; c++) {
        if (c % 256 == 0) {
            if (Cancelled(job)) { result = 0; break; }
            StepProgress();
        }
        std::fill(line, line + h, grid[0][c]);
        for (int r = 0; r < rows; r++) line[h + r] = column[r] = grid[r][c];
        std::fill(line + h + rows, line + 2 * h + rows, grid[rows - 1][c]);
        SmoothLine(line, rows, h, column);
        for (int r = 0; r < rows; r++) grid[r][c] = column[r];
    }
    Free(line);
    Free(column);
    EndProgress();
    return result;
}

static uint8_t* Marks(const DataSet* set) { return (uint8_t*)set->contourMarks; }

void MarkContourCells(DataSet* set, float t)
{
    uint8_t* marks = Marks(set);
    int rows = set->rows, columns = set->columns;
    std::memset(marks, 0, (size_t)rows * columns);
    float** z = set->heights;
    auto below = [&](int r, int c) { return z[r][c] < t && z[r][c] != VoidCellValue; };
    for (int r = 1; r < rows - 1; r++)
        for (int c = 1; c < columns - 1; c++) {
            // A void cell is never a vertex, whatever the void value is.
            if (z[r][c] < t || z[r][c] == VoidCellValue) continue;
            if (below(r, c - 1) || below(r, c + 1) || below(r - 1, c) || below(r + 1, c))
                marks[(size_t)r * columns + c] = 1;
        }
}

int TestWalkCell(const WalkProbe* p)
{
    const DataSet* set = p->set;
    if (p->row < 0 || p->column < 0 || p->row >= set->rows || p->column >= set->columns) return 2;
    return Marks(set)[(size_t)p->row * set->columns + p->column] > 0 ? 1 : 0;
}

void ProbeOutsideStep(WalkProbe* p)
{
    static const int dr[4] = {0, -1, 1, 0}, dc[4] = {1, 0, 0, -1}, next[4] = {2, 0, 3, 1};
    int d = p->direction;
    p->row += dr[d];
    p->column += dc[d];
    p->direction = next[d];
}

void ProbeInsideStep(WalkProbe* p)
{
    static const int dr[4] = {1, 1, -1, -1}, dc[4] = {-1, 1, -1, 1}, next[4] = {1, 3, 0, 2};
    int d = p->direction;
    p->row += dr[d];
    p->column += dc[d];
    p->direction = next[d];
}

static OutlineNode* NewNode(int row, int column, const char* who)
{
    OutlineNode* node = (OutlineNode*)Malloc(sizeof(OutlineNode), who);
    if (node) *node = OutlineNode{row, column, 0, nullptr};
    return node;
}

int AddPoint(const WalkProbe* p, OutlineNode** outline)
{
    OutlineNode** tail = outline;
    for (OutlineNode* n = *outline; n; n = n->next) {
        if (n->row == p->row && n->column == p->column) return 0;
        tail = &n->next;
    }
    *tail = NewNode(p->row, p->column, "AddPoint");
    return *tail ? 1 : 0;
}

OutlineNode* ReverseLine(OutlineNode* outline)
{
    OutlineNode* reversed = nullptr;
    while (outline) {
        OutlineNode* next = outline->next;
        outline->next = reversed;
        reversed = outline;
        outline = next;
    }
    return reversed;
}

int CountLineNodes(const OutlineNode* outline)
{
    int n = 0;
    for (; outline; outline = outline->next) n++;
    return n;
}

void FreeNodeList(OutlineNode* outline)
{
    while (outline) {
        OutlineNode* next = outline->next;
        Free(outline);
        outline = next;
    }
}

OutlineNode* CopyPoints(const OutlineNode* outline)
{
    OutlineNode* copy = nullptr;
    OutlineNode** tail = &copy;
    for (; outline; outline = outline->next) {
        *tail = NewNode(outline->row, outline->column, "CopyPoints");
        if (!*tail) break;
        tail = &(*tail)->next;
    }
    return copy;
}

OutlineNode* CleanupPoints(OutlineNode* outline)
{
    if (CountLineNodes(outline) < 3) return nullptr;
    OutlineNode* copy = CopyPoints(outline);
    OutlineNode* a = outline;
    while (a && a->next) {
        OutlineNode* b = a->next;
        bool sameRow = a->row == b->row;
        if (!sameRow && a->column != b->column) {
            a = b;
            continue;
        }
        OutlineNode* end = b;
        while (end->next && (sameRow ? end->next->row == a->row : end->next->column == a->column)) end = end->next;
        for (OutlineNode* x = a->next; x != end;) {
            OutlineNode* next = x->next;
            Free(x);
            x = next;
        }
        a->next = end;
        a = end->next;
    }
    return copy;
}

void ClearNodeMask(const OutlineNode* outline, DataSet* set)
{
    uint8_t* marks = Marks(set);
    for (; outline; outline = outline->next)
        for (int r = outline->row - 1; r <= outline->row + 1; r++)
            for (int c = outline->column - 1; c <= outline->column + 1; c++)
                if (r >= 0 && c >= 0 && r < set->rows && c < set->columns) marks[(size_t)r * set->columns + c] = 0;
}

OutlineNode* WalkThePoly(int column, int row, DataSet* set, float)
{
    OutlineNode* outline = nullptr;
    WalkProbe p = {row, column, 2, set};
    if (!AddPoint(&p, &outline)) return nullptr;
    ProbeInsideStep(&p);
    int returns = 0, reversals = 0, idle = 0;
    bool closed = true;
    auto onFirst = [&] { return p.row == outline->row && p.column == outline->column; };
    while (reversals < 2 && idle < 8 && returns < 2) {
        int cell = TestWalkCell(&p);
        if (cell == 1) {
            idle = AddPoint(&p, &outline) ? 0 : idle + 1;
            ProbeInsideStep(&p);
        } else if (cell == 0) {
            ProbeOutsideStep(&p);
            idle++;
        } else {
            reversals++;
            outline = ReverseLine(outline);
            p.row = outline->row;
            p.column = outline->column;
            ProbeInsideStep(&p);
            idle = 0;
            closed = false;
        }
        if (onFirst()) returns++;
        if (idle >= 8) {
            if (++reversals == 2) break;
            p.row = outline->row;
            p.column = outline->column;
            p.direction = 1;
            outline = ReverseLine(outline);
            ProbeInsideStep(&p);
            idle = 0;
            closed = false;
        }
    }
    if (returns == 2 && closed) {
        OutlineNode* last = outline;
        while (last->next) last = last->next;
        last->next = NewNode(outline->row, outline->column, "WalkThePoly");
    }
    return outline;
}

// The slope across a cell along one axis from its two neighbours, or from
// the one that has a height.
static double CellSlope(float before, float here, float after, double cellSize)
{
    bool hasBefore = before != VoidCellValue, hasAfter = after != VoidCellValue;
    if (hasBefore && hasAfter) return (after - (double)before) / (2 * cellSize);
    if (hasBefore) return (here - (double)before) / cellSize;
    if (hasAfter) return (after - (double)here) / cellSize;
    return 0;
}

// A marked cell lies up to a cell above the level: its node moves from the
// cell's post down the local slope to where the surface meets the level, no
// further than one cell.
static void NodePosition(const OutlineNode* node, const DataSet* set, float t, double* x, double* y)
{
    const double cs = set->cellSize;
    int r = node->row, c = node->column;
    *x = c * cs + set->originX;
    *y = set->originY - r * cs;
    if (r < 1 || c < 1 || r >= set->rows - 1 || c >= set->columns - 1) return;
    float** z = set->heights;
    float here = z[r][c];
    if (here == VoidCellValue) return;
    double gx = CellSlope(z[r][c - 1], here, z[r][c + 1], cs);
    double gy = -CellSlope(z[r - 1][c], here, z[r + 1][c], cs);   // rows run south
    double g2 = gx * gx + gy * gy;
    if (!(g2 > 0)) return;
    double k = (here - (double)t) / g2;
    double dx = -k * gx, dy = -k * gy, length = std::sqrt(dx * dx + dy * dy);
    if (length > cs) {
        dx *= cs / length;
        dy *= cs / length;
    }
    *x += dx;
    *y += dy;
}

struct Polyline* CreateLineFromPoints(const OutlineNode* outline, const DataSet* set, float t)
{
    struct Polyline* line = CreatePolyline(CountLineNodes(outline));
    if (!line) return nullptr;
    int i = 0;
    for (; outline; outline = outline->next, i++) {
        NodePosition(outline, set, t, &line->vertices[i].x, &line->vertices[i].y);
        line->vertices[i].z = t;
    }
    // Nodes move down the slope by up to a cell: two can meet.
    line->vertexCount = DropRepeatedVertices(line->vertices, line->vertexCount);
    return line;
}

float FirstGridLevel(float low, float interval)
{
    // floor, not truncation: below zero truncation would skip the lowest level.
    return (float)((std::floor(low / interval) + 1) * interval);
}

// Copies every row of `from` into `to`, with the progress bar of `caption`.
static void CopyGrid(float** from, float** to, int rows, int columns, const char* caption)
{
    StartProgress((unsigned)(rows / 256 + 2), caption);
    StepProgress();
    for (int r = 0; r < rows; r++) {
        if (r % 256 == 0) StepProgress();
        std::memcpy(to[r], from[r], (size_t)columns * sizeof(float));
    }
    EndProgress();
}

// The lines of one level; 0 when the list could not grow.
static int TraceGridLevel(DataSet* set, float t, int type, ContourList* list)
{
    MarkContourCells(set, t);
    const uint8_t* marks = Marks(set);
    for (int r = 1; r < set->rows - 1; r++)
        for (int c = 1; c < set->columns - 1; c++) {
            if (!marks[(size_t)r * set->columns + c]) continue;
            OutlineNode* outline = WalkThePoly(c, r, set, t);
            if (CountLineNodes(outline) > 9) {
                OutlineNode* copy = CleanupPoints(outline);
                ClearNodeMask(copy, set);
                struct Polyline* line = CreateLineFromPoints(outline, set, t);
                FreeNodeList(copy);
                if (line && line->vertexCount < 2) {   // no length
                    FreePolyline(line);
                    FreeNodeList(outline);
                    continue;
                }
                if (line) line->type = type;
                if (!line || !AppendContourLine(list, line)) {
                    FreePolyline(line);
                    FreeNodeList(outline);
                    return 0;
                }
            }
            FreeNodeList(outline);
        }
    return 1;
}

int TraceGridContours(DataSet* set, float interval, int passes, ContourList* list, JobControl* job)
{
    int rows = set->rows, columns = set->columns;
    if (rows < 3 || columns < 3 || !set->heights || !(interval > 0)) return 1;
    float low = set->minZ, high = set->maxZ, first = FirstGridLevel(low, interval);
    // Counted before any work: a level too fine for a float to advance by
    // must not loop for ever.
    int64_t levels = CountContourLevels(first, high, interval);
    if (levels > kMaxContourLevels) return 0;
    set->contourMarks = Calloc((uint64_t)rows * columns, 1, "CreateContours");
    if (!set->contourMarks) return -1;
    float** backup = nullptr;
    if (passes > 0) {
        // Without a backup the grid is contoured as it is: it is never changed
        // without a way back.
        backup = (float**)Malloc2D((uint64_t)rows, (uint64_t)columns, sizeof(float), "CreateContours");
        if (backup) CopyGrid(set->heights, backup, rows, columns, kBackupCaption);
    }
    int result = 1;
    for (int pass = 0; backup && pass < passes; pass++)
        if (!WeightedAverage(set->heights, rows, columns, 0, job) || Cancelled(job)) {
            result = 0;
            break;
        }
    if (result == 1) {
        StartProgress((unsigned)levels, kFindingContoursCaption);
        float g = (float)(interval * 5.0);
        // Each level from its index, not by adding the interval up.
        float previous = -HUGE_VALF;
        for (int64_t i = 0; i <= levels; i++) {
            float t = (float)(first + (double)i * interval);
            if (!(t < high)) break;
            if (t == previous) continue;
            previous = t;
            if (Cancelled(job)) {
                result = 0;
                break;
            }
            StepProgress();
            int type = (double)t == (double)g * std::trunc((double)t / g) ? CONTOUR_INDEX : CONTOUR_INTERMEDIATE;
            if (!TraceGridLevel(set, t, type, list)) {
                result = -1;
                break;
            }
        }
        EndProgress();
    }
    if (backup) {
        CopyGrid(backup, set->heights, rows, columns, kRestoreCaption);
        Free2D(backup);
    }
    Free(set->contourMarks);
    set->contourMarks = nullptr;
    return result;
}

DWORD WINAPI CreateContours(LPVOID parameter)
{
    HWND view = (HWND)parameter;
    JobControl* app = AppJobControl();
    WaitForSingleObject(app->mutex, INFINITE);
    ViewRecord* r = ViewRecordOf(view);
    if (!r) {
        EndContourJob(view, 0);
        return 0;
    }
    r->contourWork[0] = 0;   // smoothing width
    r->contourWork[1] = 3;   // passes
    r->contourWork[2] = 1;   // smoothing on
    ContourList* list = NewContourList();
    r->contours = list;
    int result = list ? 1 : -1;
    int passes = r->contourWork[2] ? r->contourWork[1] : 0;
    for (int i = 0; i < r->dataSetCount && result == 1; i++)
        if (r->dataSets[i]) result = TraceGridContours(r->dataSets[i], r->contourInterval, passes, list, app);
    if (result == -1) {
        r->contours = nullptr;
        FreeContourList(list);
        ShowMessageBox(nullptr, kContourOutOfMemoryText, "Error", MB_OK | MB_ICONERROR);
    }
    EndContourJob(view, 1);
    return result == 1;
}

int StartGridContourThread(HWND view) { return StartContourJob(view, CreateContours); }
