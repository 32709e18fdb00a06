// Frames of the 3D view: the display lists of the TIN and the points, built
// once and replayed until their data change, in one shared model space.
#pragma once
#include <windows.h>

struct ViewRecord;
struct PointSelection;

// World to model: ((X - centreX) * s, (Y - centreY) * s, (Z - centreZ) * t).
struct GLSceneNormalisation {
    double centreX, centreY, centreZ;
    double s, t;
};
extern GLSceneNormalisation glScene;

// Sets the shared normalisation from an extent; returns the half-extent h.
double SetGLSceneFromExtent(double minX, double maxX, double minY, double maxY, double minZ, double maxZ,
                            float exaggeration);

int  RenderGLView(HWND glWindow);
void BuildTINDisplayList(HWND glWindow);
void BuildTINListElevation(HWND glWindow);
void BuildTINListGray(HWND glWindow);
void BuildTINListIntensity(HWND glWindow);
void BuildTINListRGB(HWND glWindow);
void BuildPointDisplayList(HWND glWindow, int setNormalisation);
void BuildPointListElevation(HWND glWindow, int setNormalisation);
void BuildPointListClass(HWND glWindow, int setNormalisation);
void BuildPointListIntensity(HWND glWindow, int setNormalisation);
void BuildPointListSourceID(HWND glWindow, int setNormalisation);
void BuildPointListFile(HWND glWindow, int setNormalisation);
void BuildPointListReturn(HWND glWindow, int setNormalisation);
void BuildPointListRGB(HWND glWindow, int setNormalisation);
void BuildPointListChannel(HWND glWindow, int setNormalisation);
void BuildPointListClassFlag(HWND glWindow, int setNormalisation);
int  DrawGLPickedPoints(HWND view, const PointSelection* points);
