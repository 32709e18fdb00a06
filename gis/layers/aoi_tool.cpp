// The AOI polygon tool: the polygon band of the reclass tools, closed into the AOI set.
#include "gis/layers/aoi_tool.h"
#include "gis/layers/aoi_edit.h"
#include "gis/layers/aoi_set.h"
#include "classify/plan_polygon_tools.h"
#include "views/plan/rubber_bands.h"
#include "app/view_record.h"

static void AddClosedAOI(HWND view, struct Polyline* polygon)
{
    ViewRecord* r = ViewRecordOf(view);
    AddAOIPolygon(view, polygon);
    // Shown at once over the band; the next paint need only draw the overlays.
    int type = r->currentAOIType >= 0 && r->currentAOIType < 256 ? r->currentAOIType : 0;
    DrawViewPolygonXor(view, polygon, 0xFFFF00);
    DrawViewPolyline(view, polygon, r->aoiClassTable.entries[type].mainColor, 1);
    r->redrawOverlays = 1;
}

int AOIToolMouse(HWND view, UINT message, LPARAM position)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 1;
    if (message == WM_LBUTTONDOWN) return PolygonBandPress(view, position);
    if (message != WM_RBUTTONDOWN) return 1;
    if (r->toolActive) return ClosePolygonBand(view, AddClosedAOI);
    return EditAOIAtCursor(view);
}
