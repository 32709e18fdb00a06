// Elevation colour ramps held in each view.
#pragma once
#include <windows.h>
#include <cstdint>

struct ViewRecord;

// Fill `entries` (room for 768) and return the entry count.
int BuildBlueRedRamp(uint8_t entries[][3]);    // 768
int BuildEarthToneRamp(uint8_t entries[][3]);  // 143
int BuildNineColorRamp(uint8_t entries[][3]);  // 9

// Ramp kinds for FillViewColorRamp.
enum { RAMP_BLUE_RED = 0, RAMP_EARTH_TONES = 1, RAMP_NINE_COLORS = 2 };

// Z range over all data sets of the view, then the chosen ramp.
void FillViewColorRamp(ViewRecord* record, int rampKind);
int  SetupPointColorRamp(HWND view);
int  SetupTINColorRamp(HWND view);
void SetupPointColorRampOf(ViewRecord* record);
void SetupTINColorRampOf(ViewRecord* record);

// A ramp of a window's own: the plan view's draw thread refills the record's
// ramp for its own drawing at any moment, so another thread never reads that.
struct ColorRamp {
    float   minZ, maxZ, factor;
    int32_t count;
    uint8_t colors[768][3];
};
// The view's TIN ramp (as SetupTINColorRamp makes it) into `ramp`; the record is only read.
void FillTINColorRamp(const ViewRecord* record, ColorRamp* ramp);
const uint8_t* GetColorRampEntry(float z, const ColorRamp* ramp);

int32_t  GetRampIndex(float z, const ViewRecord* record);
COLORREF GetRampColor(float z, const ViewRecord* record);
const uint8_t* GetRampEntry(float z, const ViewRecord* record);

