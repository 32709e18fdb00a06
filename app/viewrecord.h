// The state of one plan view and its linked profile and 3D windows.
#pragma once
#include <windows.h>
#include <cstdint>
#include "app/display_settings.h"
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

// The settings part (return filters, classes, colour modes, display mode)
// comes from ViewSettings.
struct ViewRecord : ViewSettings {
    HWND window;
    char title[256];
    int dataKind;
    DataSet* currentDataSet;
    int dataSetCount;
    DataSet** dataSets;
    int totalPoints;
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
    float rampMinZ, rampMaxZ;
    float rampFactor;
    int rampCount;
    uint8_t rampColors[768][3];
    ViewImageCache imageCache;
    int imageCacheValid;
    int redrawOverlays;
    ViewImageCache tinCache;
    int tinCacheValid;
    int tinCacheMode;
    int autoDecimateTIN;
    int overlayContours, overlayReferences;   // commands 9032, 9037 (9039 is in the settings)
    int statMin, statMax;
    double statScale;

    HWND profileWindow;
    HWND glWindow;
    int glRebuildFlags[5];
};
