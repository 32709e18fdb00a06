// The plan and profile views' tools: the handlers of each tool live in the room that owns
// the tool (zoom and pan in the shell, reclassing in classify/, POI in gis/),
// so the table that joins them lives here, on top.
#include "shell/tool_tables.h"
#include "shell/view_tools.h"
#include "views/plan/view_zoom.h"
#include "app/command_ids.h"
#include "classify/plan_polygon_tools.h"
#include "classify/profile_reclass.h"
#include "gis/layers/aoi_tool.h"
#include "gis/layers/poi_tool.h"
#include "views/plan/density_tool.h"
#include "views/plan/measure_query.h"
#include "views/plan/tool_cursor.h"
#include "views/plan/profile_box.h"
#include "views/profile/profile_mapping.h"
#include "views/profile/profile_query.h"
#include "views/profile/profile_window.h"

static const PlanToolRow PlanTools[] = {
    {TOOL_BY_CLASS, TrackRubberBand, PolygonToolMouse, IDC_CROSS, true, EndReclassPolygonTool},
    {TOOL_ZOOM, TrackZoomBox, ZoomToolMouse, IDC_CROSS, false},
    {TOOL_POINT, nullptr, PointReclassToolMouse, IDC_HAND, true, EndPointReclassTool},
    {TOOL_POLYGON, TrackRubberBand, PolygonToolMouse, IDC_CROSS, true, EndReclassPolygonTool},
    {TOOL_MEASURE, MeasureToolMove, MeasureToolMouse, IDC_CROSS, true},
    {TOOL_FILTER_POLYGON, TrackRubberBand, PolygonToolMouse, IDC_CROSS, true, EndPolygonBandTool},
    {TOOL_QUERY, nullptr, QueryToolMouse, IDC_HELP, true, EndQueryTool},
    {TOOL_PROFILE, TrackProfileBox, ProfileToolMouse, IDC_CROSS, true, EndProfileTool},
    {TOOL_PAN, PanScrollWindow, PanToolMouse, IDC_SIZEALL, true},
    {TOOL_SELECT, nullptr, nullptr, IDC_ARROW, false},
    {TOOL_DENSITY, TrackDensityBox, DensityToolMouse, IDC_CROSS, true, EndDensityTool},
    {TOOL_POI, nullptr, POIToolMouse, IDC_UPARROW, true},
    {TOOL_AOI, TrackRubberBand, AOIToolMouse, IDC_CROSS, true, EndPolygonBandTool},
};

static const ProfileToolRow ProfileTools[] = {
    {TOOL_BY_CLASS, TrackProfilePolygonBand, ProfilePolygonToolMouse, true, ProfilePolygonReclassByClass},
    {TOOL_ZOOM, TrackProfileZoomBox, ProfileZoomToolMouse, false, nullptr},
    {TOOL_POINT, nullptr, ProfilePointReclassMouse, true, nullptr},
    {TOOL_POLYGON, TrackProfilePolygonBand, ProfilePolygonToolMouse, true, ProfilePolygonReclass},
    {TOOL_MEASURE, ProfileMeasureMove, ProfileMeasureToolMouse, false, nullptr},
    {TOOL_QUERY, nullptr, ProfileQueryToolMouse, false, nullptr},
    {TOOL_PAN, TrackProfilePan, ProfilePanToolMouse, false, nullptr},
    {TOOL_ABOVE_LINE, TrackProfilePolygonBand, ProfilePolygonToolMouse, true, ProfilePolygonReclassByClass},
    {TOOL_BELOW_LINE, TrackProfilePolygonBand, ProfilePolygonToolMouse, true, ProfilePolygonReclassByClass},
};

void InstallToolTables()
{
    SetPlanTools(PlanTools, (int)(sizeof PlanTools / sizeof PlanTools[0]));
    SetProfileTools(ProfileTools, (int)(sizeof ProfileTools / sizeof ProfileTools[0]));
}
