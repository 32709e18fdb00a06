// The state of one plan view and its linked profile and 3D windows.
#pragma once
#include <windows.h>
#include "data/dataset.h"
#include "gis/layers/layersets.h"

struct Polyline;

struct ViewRecord {
    HWND window;
    char title[256];
    int dataKind;
    DataSet* currentDataSet;
    int dataSetCount;
    DataSet** dataSets;
    POISet* poiSet;
    AOISet* aoiSet;

    // World window and zoom: screen x = (X - viewLeft) / scale, y = (viewTop - Y) / scale.
    double dataMinX, dataMinY, dataMaxX, dataMaxY;
    double centerX, centerY;
    double scale;       // world units per pixel
    double fullScale;   // scale at zoom level 0; scale = fullScale / 2^zoomLevel
    int imageHeight, imageWidth;
    int drawHeight, drawWidth;
    int scrollX, scrollY;
    int clientWidth, clientHeight;
    double viewLeft, viewBottom, viewRight, viewTop;
    int zoomLevel;
    int zoomDragButton;   // WM_LBUTTONDOWN or WM_RBUTTONDOWN while a zoom box is dragged
    int toolRect[4];      // x0, y0, x1, y1 in pixels
    int previousValid;
    int previousLevel;
    double previousCenterX, previousCenterY, previousScale;
    int panActive;
    int panStartY, panStartX;

    // Display settings of the view.
    int showSingleReturns, showFirstReturns, showIntermediateReturns, showLastReturns;
    int tinColorMode;     // 0-4
    int pointColorMode;   // the command id 1200-1209
    int pointSizeStep;    // 1-6
    int imageCacheValid;
    int tinCacheValid;
    int showPOIMarkers, showPOINames, showAOIPolygons;

    // Mouse and editing.
    int mouseX, mouseY;
    int lastMouseX, lastMouseY;
    int classSelection[257];   // target class, then one from-class flag per code
    int classSelectionSaved;
    int editPending;
    int toolActive;
    int toolState;
    struct Polyline* editPolyline;
    int currentTool;
    int previousTool;
    int displayMode;      // 8006 points, 8007/8008 shaded TIN, 9038 background only
    int overlayPointsOverBackground, overlayContours, overlayReferences;

    // Linked windows.
    HWND profileWindow;
    int classSelectionCopy[257];
    HWND glWindow;
    int glRebuildFlags[5];
    int profileTool, profilePreviousTool, profileDisplayMode;
    float profileBoxWidth;
    struct Polyline* profilePolyline;
    struct Polyline* densityPolyline;
    float densityValue;

    int projectShown;   // the project window's record: shown maximised while no view is open
};
