// The state of one plan view and of the profile and 3D windows linked to it.
// The plan view owns the record (window long CHILD_RECORD); the linked windows
// read the same record. A new record is zero-filled: every field not set by
// CreateViewRecord starts at 0. The record is never written to a file.
#pragma once
#include <windows.h>
#include <cstdint>
#include "app/display_settings.h"
#include "app/layer_sets.h"
#include "app/window_slots.h"
#include "data/data_set.h"
#include "base/vector.h"

struct TINModel;
struct PointSelection;
struct FileListEntry;
struct Polyline;
struct ContourList;

// The 3D display lists of a view, numbered from its list base (glListBase);
// the fourth is reserved.
enum { GL_LIST_TIN = 0, GL_LIST_POINTS = 1, GL_LIST_CONTOURS = 2, GL_LIST_COUNT = 4 };

// A copy of a view's pixels (24-bit rows, bottom-up) as GetDIBits fills it.
struct ViewImageCache {
    uint8_t* pixels;
    int32_t  height;
    int32_t  width;           // drawable width rounded up to a multiple of 8
    int32_t  allocatedHeight;
    int32_t  allocatedWidth;
};

// A world-to-window mapping. The plan view keeps its own inline in the
// record (dataMinX ... zoomLevel in the same order); the profile keeps one of
// these, with X the distance along the box and Y the elevation.
struct ViewMapping {
    double  minX, minY, maxX, maxY;   // world extent
    double  centerX, centerY;         // centre of the last centring
    double  scale, fullScale;         // world units a pixel; at zoom level 0
    int32_t imageHeight, imageWidth;  // the extent in pixels at the scale
    int32_t drawHeight, drawWidth;    // client size + 1
    int32_t scrollX, scrollY;
    int32_t clientWidth, clientHeight;
    double  left, bottom, right, top; // the visible world window
    int32_t zoomLevel;
};

// The settings part (return filters, shading, classes, contour colours, tools
// and the starting state of a new view) comes from ViewSettings.
struct ViewRecord : ViewSettings {
    // Identity and data.
    HWND      window;              // the plan view (the project window in its own record)
    char      title[256];
    int       dataKind;            // as DataSet kind: 1 LAS/LAZ, 2 ASCII, 3 GDAL grid, 4 radar grid
    DataSet*  currentDataSet;      // names the view in file-level commands and questions
    int       dataSetCount;
    DataSet** dataSets;            // owned, as is every data set it points at
    int       totalPoints;
    int       fileListFirst;       // file manager's working list: entry count
    FileListEntry** fileListSecond;//   and entries
    int       titleNumber;
    int       projectShown;        // project window's record only

    // References and vector layers.
    int       referenceCount;
    ReferenceFile** references;
    int       referencesShown;
    POISet*   poiSet;
    AOISet*   aoiSet;
    ClassTable aoiClassTable;
    int       aoiLineWidth;
    int       currentAOIType;

    // Surface model.
    TINModel* tin;
    int       tinFoundNoPoints;    // the last build found no TIN points: paints do not look again
    int       meshBuilt;           // grid views: shade grids and TIN ramp range are computed
    double    sceneBounds[6];

    // World window and zoom.
    double    dataMinX, dataMinY, dataMaxX, dataMaxY;
    double    centerX, centerY;
    double    scale;
    double    fullScale;
    int       imageHeight, imageWidth;
    int       drawHeight, drawWidth;
    int       scrollX, scrollY;
    int       clientWidth, clientHeight;
    double    viewLeft, viewBottom, viewRight, viewTop;
    int       zoomLevel;
    int       zoomDragButton;
    int       toolRect[4];
    int       previousValid;
    int       previousLevel;
    double    previousCenterX, previousCenterY, previousScale;
    int       panActive;
    int       panStartY, panStartX;
    int       extentComputed;

    // Display settings of the view.
    float     rampMinZ, rampMaxZ;
    float     rampFactor;
    int       rampCount;
    uint8_t   rampColors[768][3];  // red, green, blue of each entry
    int       tinOption;
    ViewImageCache imageCache;       // the finished view, owned
    int       imageCacheValid;
    volatile LONG drawGeneration;      // bumped by every invalidation; a draw of an older one is not cached
    int       redrawOverlays;
    ViewImageCache tinCache;         // the shaded TIN base layer alone, owned
    int       tinCacheValid;
    int       tinCacheState;           // display mode (CMD_COLOR_TIN or CMD_GRAY_TIN) that drew the TIN cache
    int       autoDecimateTIN;
    int       drawState;

    // Mouse and editing.
    int       mouseX, mouseY;
    int       lastMouseX, lastMouseY;
    int       classSelectionSaved;
    int       editPending;             // a single point edit can be taken back with the right button
    int64_t   undoTotal;               // cost of the records on the undo stack
    int       undoCount;               // records on the undo stack
    struct UndoRecord* undoTop;        // most recent edit, or null
    struct UndoRecord* undoRedo;       // the edit undone last, or null
    int       toolActive;
    int       toolState;
    struct Polyline* editPolyline;
    int       toolValues[21];          // tool and display work values kept in the configuration file
    int       overlayContours, overlayReferences;   // commands CMD_CONTOURS, CMD_OVERLAY_REFERENCE (CMD_POINTS_OVER_BACK is in the settings)
    int       statMin, statMax;
    double    statScale;
    int       contourSettings[3];      // first: contour classes chosen
    ContourList* contours;
    int       contourWork[3];

    // Linked windows.
    HWND      profileWindow;
    ViewMapping profile;           // the profile window's mapping
    int       profileZoomDrag;     // 0, or the button message that began a zoom drag (513, 516)
    int       profileRect[4];      // zoom box, measure line and polygon band of the profile
    int       profilePreviousValid, profilePreviousLevel;
    double    profilePreviousCenterX, profilePreviousCenterY, profilePreviousScale;
    int       profilePanActive, profilePanStartY, profilePanStartX;
    int       profileMouseX, profileMouseY, profileLastMouseX, profileLastMouseY;
    int       profileQueryIndex;   // picked profile point, -1 when none
    int       profileBandActive;   // the profile's measure line or polygon band is drawn
    struct Polyline* profileEditPolygon;
    HWND      glWindow;
    int       surfaceMagicState[16];
    float     glElevation;         // degrees about the model's X axis
    float     glAzimuth;           // degrees about the model's Z axis
    float     glDistance;          // eye distance in model units, 0.001..100
    float     glPanX, glPanY;      // model units
    float     glExaggeration;      // vertical exaggeration, 1..10
    float     glHalfExtent;        // world units per model unit
    HGLRC     glContext;
    HDC       glDC;
    int       glDragButton;        // message of the button that started a drag, or 0
    int       glRebuildFlags[5];   // list-valid flags of the display lists, by GL_LIST_*
    int       glListBase;          // first of the four display list names, 0 when none
    int       glMouseX, glMouseY, glPrevMouseX, glPrevMouseY;
    int       glTool;
    struct GLFrameSurface* glSurface;  // where frames render and are read back
    Vec3      profileA, profileB;  // the profile line; A and B are also the density rectangle's corners
    int       profileWidthSet;     // the width dialog has been opened once
    int       staticProfileWidth;  // "Use Static Box Width"
    struct Polyline* profilePolyline;  // the profile box
    struct Polyline* densityPolyline;
    float     densityValue;        // last value of the density tool; negative when none
    PointSelection* profilePoints; // the points inside the profile box
    PointRecord* profileCopy;      // one a selected point: X the distance along the box, Y the Z
};

// The record of a plan, profile, 3D or project window (its CHILD_RECORD);
// null for no window.
inline ViewRecord* ViewRecordOf(HWND window)
{
    return window ? (ViewRecord*)GetWindowSlot(window, CHILD_RECORD) : nullptr;
}

// The parts of a record that belong to the rooms above (layers, undo stack,
// contour list): the shell fills this once at start-up. Without it a new
// record has no POI or AOI set and freeing leaves those parts alone.
struct ViewRecordParts {
    void (*create)(ViewRecord* record);  // after the settings are in place
    void (*free)(ViewRecord* record);    // before the data sets go: the edits point into them
};
void SetViewRecordParts(const ViewRecordParts* parts);

ViewRecord* CreateViewRecord();
void        FreeViewRecord(ViewRecord* record);
// Frees the pixels of an image cache and leaves it empty.
void        FreeViewImageCache(ViewImageCache* cache);
// 1 when one of the record's data sets was read from `path`.
int         IsPathInView(const ViewRecord* record, const char* path);
