// The class table: a name, display switch and colours for each of the 256
// classification codes. Plain packed values, copied whole between the global
// settings, each view and the configuration file.
#pragma once
#include <cstdint>

#pragma pack(push, 1)
struct ClassEntry {
    char     name[64];
    uint8_t  display;       // 1 = points of this class are drawn
    uint32_t mainColor;     // COLORREF in the plan and 3D views
    uint32_t profileColor;  // COLORREF in the profile view
    uint8_t  tinDisplay;    // 1 = points of this class go into the TIN
    int32_t  index;
};

struct ClassTable {
    int32_t    count;
    char       path[256];
    char       title[256];
    ClassEntry entries[256];
    int32_t    groundCode;
};
#pragma pack(pop)
static_assert(sizeof(ClassEntry) == 78, "ClassEntry layout");
static_assert(sizeof(ClassTable) == 20488, "ClassTable layout");
