// The state of one plan view and its linked profile and 3D windows.
#pragma once
#include <windows.h>
#include "data/dataset.h"
#include "gis/layers/layersets.h"
#include "app/display_settings.h"

// The view's own copy of the display settings comes first (ViewSettings).
struct ViewRecord : ViewSettings {
    HWND window;
    char title[256];
    int dataKind;
    DataSet* currentDataSet;
    int dataSetCount;
    DataSet** dataSets;
    POISet* poiSet;
    AOISet* aoiSet;
    HWND profileWindow;
    HWND glWindow;
    int imageCacheValid;
};
