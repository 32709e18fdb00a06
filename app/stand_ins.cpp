// The stand-ins declared in app/stand_ins.h.
#include <cstring>
#include "app/stand_ins.h"
#include "app/frame.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/view_window.h"
#include "app/window_slots.h"
#include "base/messages.h"
#include <cstdio>


void CreateAOISet(ViewRecord*) {}
void FreeAOISet(ViewRecord*) {}
int SaveAOIFile(HWND) { return 0; }



void FreeReferenceList(ViewRecord*) {}



int ShowReferenceFileManager(HWND) { return 0; }
int LoadAOIFile(HWND) { return 0; }
int SaveAOIFileAs(HWND) { return 0; }
int ResetAOISet(HWND) { return 0; }
int ShowAOIPolygonSettings(HWND) { return 0; }
int AddAOIPolygon(HWND, struct Polyline*) { return 0; }
int EditAOIAtCursor(HWND) { return 0; }
