// Point queries of a plan view: its data sets and filters handed to data/selection.
#include "app/view_selection.h"
#include "app/view_record.h"
#include "app/window_slots.h"

int GetViewPointFilter(HWND view, ViewPointFilter* f)
{
    const ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    f->dataSets = r->dataSets;
    f->dataSetCount = r->dataSetCount;
    f->dataKind = r->dataKind;
    f->showSingleReturns = r->showSingleReturns;
    f->showFirstReturns = r->showFirstReturns;
    f->showIntermediateReturns = r->showIntermediateReturns;
    f->showLastReturns = r->showLastReturns;
    for (int c = 0; c < 256; c++) {
        f->classDisplay[c] = r->classTable.entries[c].display != 0;
        f->classTIN[c] = r->classTable.entries[c].tinDisplay != 0;
    }
    f->zoomLevel = r->zoomLevel;
    f->viewLeft = r->viewLeft;
    f->viewBottom = r->viewBottom;
    f->viewRight = r->viewRight;
    f->viewTop = r->viewTop;
    f->autoDecimateTIN = r->autoDecimateTIN;
    return 1;
}

PointSelection* LocateTINData(HWND view)
{
    ViewPointFilter f;
    return GetViewPointFilter(view, &f) ? LocateTINData(&f) : nullptr;
}

PointSelection* CollectTINPoints(HWND view)
{
    ViewPointFilter f;
    return GetViewPointFilter(view, &f) ? CollectTINPoints(&f) : nullptr;
}

PointSelection* LocatePointData(HWND view, RingPolygon* polygon)
{
    ViewPointFilter f;
    return GetViewPointFilter(view, &f) ? LocatePointData(&f, polygon) : nullptr;
}

PointSelection* LocatePointDataByFile(HWND view, RingPolygon* polygon)
{
    ViewPointFilter f;
    return GetViewPointFilter(view, &f) ? LocatePointDataByFile(&f, polygon) : nullptr;
}

PointSelection* SelectPointsInPolygon(HWND view, struct Polyline* line)
{
    ViewPointFilter f;
    return GetViewPointFilter(view, &f) ? SelectPointsInPolygon(&f, line) : nullptr;
}

PointSelection* SelectViewPointsInPolygon(HWND view, struct Polyline* line)
{
    ViewPointFilter f;
    return GetViewPointFilter(view, &f) ? SelectViewPointsInPolygon(&f, line) : nullptr;
}

PointSelection* SelectGridCellsInPolygon(HWND view, struct Polyline* line)
{
    ViewPointFilter f;
    return GetViewPointFilter(view, &f) ? SelectGridCellsInPolygon(&f, line) : nullptr;
}
