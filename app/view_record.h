// The state of one plan view and of the profile and 3D windows linked to it.
// The plan view owns the record (window long CHILD_RECORD); the linked windows
// read the same record. A new record is zero-filled: every field not set by
// CreateViewRecord starts at 0. The record is never written to a file.
#pragma once
#include <windows.h>
#include <cstdint>
#include "app/display_settings.h"
#include "data/data_set.h"
#include "gis/layers/layer_sets.h"

struct TINModel;
struct PointSelection;
struct FileListEntry;
struct Polyline;
struct ContourList;

// A copy of a view's pixels (24-bit rows, bottom-up) as GetDIBits fills it.
struct ViewImageCache {
    uint8_t* pixels;
    int32_t  height;
    int32_t  width;           // drawable width rounded up to a multiple of 8
    int32_t  allocatedHeight;
    int32_t  allocatedWidth;
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
    void*     references;
    int       referencesShown;
    POISet*   poiSet;
    AOISet*   aoiSet;
    ClassTable aoiClassTable;
    int       aoiLineWidth;
    int       currentAOIType;

    // Surface model.
    TINModel* tin;
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
    int       editPending;
    int       undoTotal, undoCount, undoTop;
    void*     undoStack;
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
    double    profileState[16];
    int       profileStateInts[16];
    int       profileExtra[2];
    HWND      glWindow;
    int       surfaceMagicState[16];
    float     glCamera[5];
    int       glLists[2];
    HGLRC     glContext;
    HDC       glDC;
    int       glRebuildFlags[5];
    int       glDrag[5];
    int       profileBoxPixels[4];
    double    profileBoxWorld[4];
    struct Polyline* profilePolyline;
    struct Polyline* densityPolyline;
    float     densityValue;        // last value of the density tool; negative when none
    int       profileWork[3];
    PointSelection* profilePoints;
};

ViewRecord* CreateViewRecord();
void        FreeViewRecord(ViewRecord* record);
