// The state of one plan view and its linked profile and 3D windows.
#pragma once
#include <windows.h>
#include <cstdint>
#include "app/classtable.h"
#include "data/dataset.h"
#include "gis/layers/layersets.h"

// A copy of the view's pixels (24-bit rows, bottom-up) as GetDIBits fills it.
struct ViewImageCache {
    uint8_t* pixels;
    int32_t  height;
    int32_t  width;           // drawable width rounded up to a multiple of 8
    int32_t  allocatedHeight;
    int32_t  allocatedWidth;
};

struct ViewRecord {
    HWND window;
    char title[256];
    int dataKind;
    DataSet* currentDataSet;
    int dataSetCount;
    DataSet** dataSets;
    int totalPoints;
    ClassTable classTable;
    int referenceCount;
    POISet* poiSet;
    AOISet* aoiSet;

    // World window and zoom: screen x = (X - viewLeft) / scale, y = (viewTop - Y) / scale.
    double dataMinX, dataMinY, dataMaxX, dataMaxY;
    double centerX, centerY;
    double scale;
    double fullScale;
    int imageHeight, imageWidth;
    int drawHeight, drawWidth;
    int scrollX, scrollY;
    int clientWidth, clientHeight;
    double viewLeft, viewBottom, viewRight, viewTop;
    int zoomLevel;
    int panActive;

    // Display settings of the view.
    int showSingleReturns, showFirstReturns, showIntermediateReturns, showLastReturns;
    float rampMinZ, rampMaxZ;
    float rampFactor;
    int rampCount;
    uint8_t rampColors[768][3];
    int tinColorMode;
    int pointColorMode;
    int pointSizeStep;
    ViewImageCache imageCache;
    int imageCacheValid;
    int redrawOverlays;
    ViewImageCache tinCache;
    int tinCacheValid;
    int tinCacheMode;
    int autoDecimateTIN;
    int displayMode;
    int overlayPointsOverBackground, overlayContours, overlayReferences;
    int statMin, statMax;
    double statScale;
    COLORREF returnColors[8];

    HWND profileWindow;
    HWND glWindow;
    int glRebuildFlags[5];
};
