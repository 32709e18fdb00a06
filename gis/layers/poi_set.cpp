// POI set records: one contiguous array grown one record at a time, deleted
// records kept in place so that marker numbers stay stable.
#include "gis/layers/poi_set.h"
#include "app/layer_sets.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/heap.h"

const char kPOIMarkerName[] = "Marker %d";

POISet* NewPOISet(int count)
{
    if (count < 0) return nullptr;
    POISet* set = (POISet*)NBLCalloc(1, sizeof(POISet));
    if (!set) return nullptr;
    if (count > 0) {
        set->records = (POIRecord*)NBLCalloc((uint64_t)count, sizeof(POIRecord));
        if (!set->records) {
            NBLFree(set);
            return nullptr;
        }
    }
    set->count = count;
    set->saved = 1;
    return set;
}

void DeletePOISet(POISet* set)
{
    if (!set) return;
    if (set->records) NBLFree(set->records);
    NBLFree(set);
}

void CreatePOISet(ViewRecord* record)
{
    if (record) record->poiSet = NewPOISet(0);
}

void FreePOISet(ViewRecord* record)
{
    if (!record) return;
    DeletePOISet(record->poiSet);
    record->poiSet = nullptr;
}

POIRecord* AppendPOIRecord(POISet* set)
{
    if (!set) return nullptr;
    uint64_t bytes = ((uint64_t)set->count + 1) * sizeof(POIRecord);
    POIRecord* grown = set->records ? (POIRecord*)NBLReCalloc(set->records, bytes)
                                    : (POIRecord*)NBLCalloc(1, sizeof(POIRecord));
    if (!grown) return nullptr;
    set->records = grown;
    POIRecord* added = &grown[set->count++];
    ZeroMemory(added, sizeof *added);
    set->saved = 0;
    return added;
}

int CountLivePOIRecords(const POISet* set)
{
    int live = 0;
    for (int i = 0; set && set->records && i < set->count; i++)
        if (!set->records[i].deleted) live++;
    return live;
}

int FindPOIAtCursor(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    const POISet* set = r ? r->poiSet : nullptr;
    if (!set || !set->records || set->count < 1) return -1;
    double cx = r->viewLeft + r->mouseX * r->scale, cy = r->viewTop - r->mouseY * r->scale;
    int best = -1;
    double bestDistance = 0;
    for (int i = 0; i < set->count; i++) {
        const POIRecord& poi = set->records[i];
        if (poi.deleted || poi.x < r->viewLeft || poi.x > r->viewRight || poi.y < r->viewBottom || poi.y > r->viewTop)
            continue;
        double dx = poi.x - cx, dy = poi.y - cy, distance = dx * dx + dy * dy;
        if (best < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}
