// The class list of the combo boxes in the classification and AOI dialogs.
#include "app/class_combo.h"
#include "app/frame_bars.h"
#include "app/class_table.h"
#include <cstdio>

static const char* const StandardClasses[23] = {
    "Never Classified", "UnClassified", "Ground", "Low Vegetation", "Med Vegetation", "High Vegetation",
    "Building", "Low Point(Noise)", "Model Key Point", "Water", "Rail", "Road Surface", "Reserved",
    "Wire Guard(Shield)", "Wire Conductor(Phase)", "Transmission Tower", "Wire Structure Connector",
    "Bridge Deck", "High Noise", "Overhead Structure", "Ignored Ground", "Snow", "Temporal Exclusion",
};

static void InsertClass(HWND combo, int code, const char* name)
{
    char line[96];
    snprintf(line, sizeof line, " %3d - %.64s", code, name);
    SendMessageA(combo, CB_INSERTSTRING, code, (LPARAM)line);
}

void FillClassCombo(HWND combo, int selection, const ClassTable* table)
{
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    if (table) {
        int count = table->count < 256 ? table->count : 256;
        for (int i = 0; i < count; i++) InsertClass(combo, i, table->entries[i].name);
    } else {
        for (int i = 0; i < 23; i++) InsertClass(combo, i, StandardClasses[i]);
    }
    // Posted: the caller's dialog may still be setting the box up.
    PostMessageA(combo, CB_SETCURSEL, selection, 0);
}
