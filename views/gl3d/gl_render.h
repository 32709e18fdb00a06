// Frames of the 3D view: the display lists of the TIN and the points, built
// once and replayed until their data change, in one shared model space.
#pragma once
#include <windows.h>
#include "base/polygon.h"
#include <cstdint>
#include <functional>

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

// Sets it, and the view's half-extent, from the view's TIN (which must exist).
void SetGLSceneFromTIN(ViewRecord* record);
// A world point as a normalised vertex; a colour value as the current colour.
void EmitModelVertex(double x, double y, double z);
void SetGLColour(COLORREF colour);
int  IsGLGridView(const ViewRecord* record);
// The view shows points of this return position (single, first, intermediate, last).
int  IsReturnShown(const ViewRecord* record, uint8_t returns);
// The plan view's map window as a four-vertex polygon (top left first, clockwise).
RingPolygon* MapWindowPolygon(const ViewRecord* record);
// Point size and lighting of a point list; 1 when the valid list was replayed.
int  BeginGLPointList(ViewRecord* record);
// Replays the list when it is valid; else compiles it with `build`, marks it and replays.
void ReplayOrCompile(ViewRecord* record, int list, const std::function<void()>& build);

// One frame drawn and shown in the window; 0 without a context or off the window's thread.
int  RenderGLView(HWND glWindow);
// One frame drawn into the window's surface, not yet shown.
int  DrawGLFrame(HWND glWindow);
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
