// Stand-ins for the services of the profile and 3D views, contours,
// classification, GIS layers and conversion that the shell calls.
// They keep the shell whole: each answers as "nothing to do" (or "refused")
// and holds no logic of the service it stands for. A service leaves this file
// when its own code arrives.
#pragma once
#include <windows.h>

struct ViewRecord;
struct ContourList;
struct DataSet;

// What a view record owns of the other subsystems.
void FreeReferenceList(ViewRecord* record);
void CreateAOISet(ViewRecord* record);
void FreeAOISet(ViewRecord* record);
int  SaveAOIFile(HWND view);

// View commands.
int  ShowReferenceFileManager(HWND view);
int  LoadAOIFile(HWND view);
int  SaveAOIFileAs(HWND view);
int  ResetAOISet(HWND view);
int  ShowAOIPolygonSettings(HWND view);

// The AOI layer's side of the AOI polygon tool.
struct Polyline;
int  AddAOIPolygon(HWND view, struct Polyline* polygon);
int  EditAOIAtCursor(HWND view);
