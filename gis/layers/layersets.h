// POI and AOI sets as the shell sees them: a file path and a saved flag.
#pragma once
#include <windows.h>

struct POISet {
    char path[256];   // empty until loaded or saved
    int saved;        // nonzero when nothing is unsaved
};

struct AOISet {
    char path[256];
    int saved;
};

struct ViewRecord;
void CreatePOISet(ViewRecord* record);
void CreateAOISet(ViewRecord* record);
void FreePOISet(ViewRecord* record);
void FreeAOISet(ViewRecord* record);
int  SavePOIFile(HWND view);
int  SaveAOIFile(HWND view);
