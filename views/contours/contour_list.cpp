// The contour list a view owns; its lines are freed with it.
#include "views/contours/contour_list.h"
#include "base/heap.h"
#include "base/polygon.h"
#include <algorithm>
#include <cstring>

struct ContourBlock {
    ContourBlock* next;
    uint64_t used, size;   // bytes of the data that follows
};

static const uint64_t kBlockBytes = 1 << 20;

struct Polyline* NewBlockContourLine(ContourList* list, int32_t vertices)
{
    if (vertices < 0) return nullptr;
    // Records first, then the vertices; 8-byte steps keep the records aligned.
    uint64_t bytes = (sizeof(struct Polyline) + (uint64_t)vertices * sizeof(Vec3) + 7) & ~(uint64_t)7;
    ContourBlock* b = list->blocks;
    if (!b || b->size - b->used < bytes) {
        uint64_t size = std::max(kBlockBytes, bytes);
        ContourBlock* grown = (ContourBlock*)NBLMalloc(sizeof(ContourBlock) + size);
        if (!grown) return nullptr;
        grown->next = b;
        grown->used = 0;
        grown->size = size;
        list->blocks = b = grown;
    }
    struct Polyline* line = (struct Polyline*)((char*)(b + 1) + b->used);
    b->used += bytes;
    memset(line, 0, sizeof *line);
    line->type = 1;
    line->vertexCount = vertices;
    line->vertices = vertices > 0 ? (Vec3*)(line + 1) : nullptr;
    return line;
}

void TakeContourBlocks(ContourList* into, ContourList* from)
{
    if (from->blocks) {
        ContourBlock* last = from->blocks;
        while (last->next) last = last->next;
        last->next = into->blocks;
        into->blocks = from->blocks;
        from->blocks = nullptr;
    }
    from->count = 0;
}

int32_t DropRepeatedVertices(Vec3* vertices, int32_t count)
{
    if (count <= 0) return 0;
    int32_t kept = 1;
    for (int32_t i = 1; i < count; i++)
        if (vertices[i].x != vertices[kept - 1].x || vertices[i].y != vertices[kept - 1].y) vertices[kept++] = vertices[i];
    return kept;
}

void FreeContourList(ContourList* list)
{
    if (!list) return;
    if (list->blocks) {
        for (ContourBlock* b = list->blocks; b;) {
            ContourBlock* next = b->next;
            NBLFree(b);
            b = next;
        }
    } else if (list->lines) {
        for (int32_t i = 0; i < list->count; i++) FreePolyline(list->lines[i]);
    }
    NBLFree(list->lines);
    NBLFree(list);
}
