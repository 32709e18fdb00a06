// Creation and release of a view's record and everything it owns.
#include "app/view_record.h"
#include "base/heap.h"
#include "base/polygon.h"
#include "data/data_set.h"
#include "data/tin_model.h"
#include "data/selection.h"
#include <cstring>

static ViewRecordParts Parts;

void SetViewRecordParts(const ViewRecordParts* parts) { Parts = parts ? *parts : ViewRecordParts{}; }

ViewRecord* CreateViewRecord()
{
    ViewRecord* record = (ViewRecord*)NBLCalloc(1, sizeof(ViewRecord));
    if (!record) return nullptr;
    record->dataSets = (DataSet**)NBLCalloc(1, sizeof(DataSet*));
    if (!record->dataSets) {
        NBLFree(record);
        return nullptr;
    }
    record->dataSetCount = 1;
    record->referencesShown = 1;
    record->profileQueryIndex = -1;
    InitViewSettings(record);
    if (Parts.create) Parts.create(record);
    return record;
}

void FreeViewRecord(ViewRecord* record)
{
    if (!record) return;
    if (Parts.free) Parts.free(record);
    if (record->dataSets)
        for (int i = 0; i < record->dataSetCount; i++) FreeDataSet(record->dataSets[i]);
    FreeTINModel(record->tin, 1);
    FreePolyline(record->editPolyline);
    FreePolyline(record->profilePolyline);
    // The density tool's outline is owned by the record as well.
    FreePolyline(record->densityPolyline);
    FreePolyline(record->profileEditPolygon);
    NBLFree(record->profileCopy);
    FreePointSelection(record->profilePoints);
    FreeViewImageCache(&record->imageCache);
    FreeViewImageCache(&record->tinCache);
    NBLFree(record->dataSets);
    NBLFree(record);
}

void FreeViewImageCache(ViewImageCache* cache)
{
    if (cache->pixels) NBLFree(cache->pixels);
    cache->pixels = nullptr;
    cache->width = cache->height = cache->allocatedWidth = cache->allocatedHeight = 0;
}

int IsPathInView(const ViewRecord* record, const char* path)
{
    for (int i = 0; record->dataSets && i < record->dataSetCount; i++)
        if (record->dataSets[i] && strcmp(record->dataSets[i]->path, path) == 0) return 1;
    return 0;
}
