// The contour list a view owns; its lines are freed with it.
#include "views/contours/contour_list.h"
#include "base/heap.h"
#include "base/polygon.h"

void FreeContourList(ContourList* list)
{
    if (!list) return;
    if (list->lines)
        for (int32_t i = 0; i < list->count; i++) FreePolyline(list->lines[i]);
    NBLFree(list->lines);
    NBLFree(list);
}
