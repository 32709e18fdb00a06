// A record's layers, undo stack and contour list are made and freed by the
// rooms that own them; the shell joins them to app/view_record.
#include "shell/record_parts.h"
#include "app/view_record.h"
#include "classify/undo.h"
#include "gis/layers/aoi_set.h"
#include "gis/layers/poi_set.h"
#include "gis/layers/ref_files.h"
#include "views/contours/contour_list.h"

static void CreateRecordParts(ViewRecord* record)
{
    CreatePOISet(record);
    CreateAOISet(record);
}

static void FreeRecordParts(ViewRecord* record)
{
    // The edits point into the data sets: they go before them.
    FreeUndoStack(record);
    FreeContourList(record->contours);
    FreeReferenceList(record);
    FreePOISet(record);
    FreeAOISet(record);
}

void InstallViewRecordParts()
{
    static const ViewRecordParts parts = {CreateRecordParts, FreeRecordParts};
    SetViewRecordParts(&parts);
}
