// Colour ramps and the category palette.
#include "views/plan/color_ramp.h"
#include "app/command_ids.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include <cmath>
#include <cstring>

int BuildBlueRedRamp(uint8_t e[][3])
{
    // Four runs of 192: blue -> cyan -> green -> yellow -> red, brightest 191.
    for (int i = 0; i < 192; i++) {
        uint8_t up = (uint8_t)i, down = (uint8_t)(191 - i);
        uint8_t* a = e[i];       a[0] = 0;   a[1] = up;   a[2] = 191;
        uint8_t* b = e[192 + i]; b[0] = 0;   b[1] = 191;  b[2] = down;
        uint8_t* c = e[384 + i]; c[0] = up;  c[1] = 191;  c[2] = 0;
        uint8_t* d = e[576 + i]; d[0] = 191; d[1] = down; d[2] = 0;
    }
    return 768;
}

static const uint8_t kEarthTones[143][3] = {
    {63, 81, 57}, {63, 83, 57}, {63, 86, 57}, {67, 86, 57}, {69, 86, 57}, {69, 88, 57}, {69, 93, 57}, {69, 96, 57}, {69, 98, 57}, {75, 98, 57},
    {75, 104, 57}, {75, 104, 52}, {77, 104, 52}, {81, 104, 52}, {81, 104, 57}, {81, 110, 57}, {86, 110, 57}, {86, 116, 57}, {93, 116, 63}, {95, 116, 63},
    {98, 121, 63}, {98, 122, 63}, {104, 122, 69}, {104, 127, 69}, {110, 127, 69}, {110, 127, 75}, {114, 127, 75}, {116, 127, 75}, {116, 133, 75}, {117, 133, 75},
    {120, 133, 75}, {122, 133, 75}, {122, 138, 75}, {122, 139, 75}, {122, 139, 77}, {122, 139, 81}, {127, 139, 81}, {127, 145, 81}, {133, 145, 81}, {133, 145, 86},
    {139, 147, 86}, {139, 151, 86}, {140, 151, 86}, {145, 151, 86}, {145, 151, 93}, {145, 156, 93}, {147, 156, 93}, {151, 156, 93}, {151, 156, 98}, {152, 156, 98},
    {156, 156, 98}, {156, 156, 104}, {156, 156, 98}, {158, 156, 98}, {163, 156, 98}, {163, 156, 93}, {163, 151, 93}, {156, 145, 91}, {156, 145, 86}, {156, 144, 86},
    {156, 139, 86}, {156, 139, 82}, {156, 139, 81}, {151, 139, 81}, {151, 133, 81}, {151, 127, 81}, {148, 127, 75}, {145, 127, 75}, {145, 122, 75}, {139, 122, 75},
    {139, 116, 69}, {139, 110, 69}, {133, 110, 67}, {133, 110, 63}, {133, 106, 63}, {133, 104, 63}, {131, 104, 63}, {127, 104, 60}, {127, 104, 57}, {127, 102, 57},
    {127, 98, 57}, {127, 93, 57}, {127, 93, 52}, {122, 93, 52}, {122, 91, 52}, {122, 86, 52}, {116, 81, 46}, {116, 75, 46}, {110, 75, 46}, {110, 75, 44},
    {110, 75, 40}, {110, 75, 46}, {113, 75, 46}, {116, 75, 51}, {116, 75, 52}, {116, 78, 52}, {116, 81, 52}, {116, 81, 53}, {116, 81, 57}, {116, 86, 57},
    {116, 86, 63}, {116, 86, 69}, {116, 93, 69}, {116, 93, 75}, {118, 93, 75}, {122, 93, 75}, {122, 98, 75}, {122, 98, 81}, {122, 98, 86}, {122, 102, 86},
    {122, 104, 86}, {122, 104, 89}, {122, 104, 93}, {122, 105, 93}, {122, 110, 98}, {127, 110, 104}, {127, 116, 104}, {127, 116, 106}, {127, 116, 110}, {127, 122, 110},
    {127, 127, 116}, {126, 127, 116}, {122, 127, 116}, {122, 127, 122}, {122, 131, 122}, {122, 133, 125}, {122, 133, 127}, {127, 133, 127}, {127, 133, 129}, {127, 133, 133},
    {133, 133, 133}, {133, 135, 139}, {133, 139, 139}, {139, 139, 139}, {139, 144, 139}, {139, 145, 139}, {145, 145, 145}, {145, 148, 145}, {147, 151, 145}, {151, 151, 145},
    {151, 151, 146}, {151, 151, 151}, {156, 156, 156},
};

int BuildEarthToneRamp(uint8_t e[][3])
{
    memcpy(e, kEarthTones, sizeof kEarthTones);
    return 143;
}

static const uint8_t kNineColors[9][3] = {
    {11, 51, 125}, {23, 81, 109}, {0, 114, 119}, {0, 166, 0}, {0, 185, 80},
    {150, 200, 0}, {200, 160, 0}, {235, 145, 0}, {185, 113, 44},
};

int BuildNineColorRamp(uint8_t e[][3])
{
    memcpy(e, kNineColors, sizeof kNineColors);
    return 9;
}

// Fills the ramp fields, wherever they are kept.
static void FillRamp(const ViewRecord* record, int rampKind, float* minZ, float* maxZ, float* factor, int32_t* count,
                     uint8_t colors[][3])
{
    float lo = 0.0f, hi = 0.0f;
    bool first = true;
    for (int i = 0; i < record->dataSetCount; i++) {
        const DataSet* set = record->dataSets ? record->dataSets[i] : nullptr;
        if (!set) continue;
        if (first || set->rampLowZ < lo) lo = set->rampLowZ;
        if (first || set->rampHighZ > hi) hi = set->rampHighZ;
        first = false;
    }
    *minZ = lo;
    *maxZ = hi;
    switch (rampKind) {
    case RAMP_EARTH_TONES: *count = BuildEarthToneRamp(colors); break;
    case RAMP_NINE_COLORS: *count = BuildNineColorRamp(colors); break;
    default: *count = BuildBlueRedRamp(colors); break;
    }
    // A flat range would give an infinite factor; 0 sends every Z in the range
    // to entry 0 while Z above it still takes the last entry.
    float span = hi - lo;
    *factor = span > 0.0f ? (float)*count / span : 0.0f;
    if (!std::isfinite(*factor)) *factor = 0.0f;
}

void FillViewColorRamp(ViewRecord* record, int rampKind)
{
    int32_t count;
    FillRamp(record, rampKind, &record->rampMinZ, &record->rampMaxZ, &record->rampFactor, &count, record->rampColors);
    record->rampCount = count;
}

static int TINRampKind(const ViewRecord* record)
{
    if (record->tinColorMode == 1) return RAMP_EARTH_TONES;
    if (record->tinColorMode == 2) return RAMP_NINE_COLORS;
    return RAMP_BLUE_RED;
}

void FillTINColorRamp(const ViewRecord* record, ColorRamp* ramp)
{
    FillRamp(record, TINRampKind(record), &ramp->minZ, &ramp->maxZ, &ramp->factor, &ramp->count, ramp->colors);
}

static int32_t RampIndex(float z, float minZ, float maxZ, float factor, int32_t count)
{
    int32_t last = count - 1;
    if (z < minZ) return 0;
    if (!(z <= maxZ)) return last < 0 ? 0 : last;   // above the range (or not a number)
    int32_t i = (int32_t)((z - minZ) * factor);
    if (i >= count) i = last;
    return i < 0 ? 0 : i;
}

const uint8_t* GetColorRampEntry(float z, const ColorRamp* ramp)
{
    return ramp->colors[RampIndex(z, ramp->minZ, ramp->maxZ, ramp->factor, ramp->count)];
}

void SetupPointColorRampOf(ViewRecord* record)
{
    FillViewColorRamp(record, record->pointColorMode == CMD_COLOR_EARTH ? RAMP_EARTH_TONES : RAMP_BLUE_RED);
}

void SetupTINColorRampOf(ViewRecord* record)
{
    FillViewColorRamp(record, TINRampKind(record));
}

int SetupPointColorRamp(HWND view)
{
    ViewRecord* record = ViewRecordOf(view);
    if (!record) return 0;
    SetupPointColorRampOf(record);
    return 1;
}

int SetupTINColorRamp(HWND view)
{
    ViewRecord* record = ViewRecordOf(view);
    if (!record) return 0;
    SetupTINColorRampOf(record);
    return 1;
}

int32_t GetRampIndex(float z, const ViewRecord* record)
{
    return RampIndex(z, record->rampMinZ, record->rampMaxZ, record->rampFactor, record->rampCount);
}

COLORREF GetRampColor(float z, const ViewRecord* record)
{
    const uint8_t* e = record->rampColors[GetRampIndex(z, record)];
    return RGB(e[0], e[1], e[2]);
}

const uint8_t* GetRampEntry(float z, const ViewRecord* record)
{
    return record->rampColors[GetRampIndex(z, record)];
}
