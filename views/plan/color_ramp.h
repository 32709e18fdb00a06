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

int32_t  GetRampIndex(float z, const ViewRecord* record);
COLORREF GetRampColor(float z, const ViewRecord* record);
const uint8_t* GetRampEntry(float z, const ViewRecord* record);

