// A view's POI set: the record array, its growth and the marker the cursor
// picks. The set lives in the view's record (ViewRecord::poiSet).
#pragma once
#include <windows.h>

struct ViewRecord;
struct POISet;
struct POIRecord;

// The colour of a new marker and of a loaded one whose colour is 0: red.
constexpr COLORREF kPOIDefaultColor = 0x0000FF;
// The name of a new marker: its number in the set, deleted markers counted.
extern const char kPOIMarkerName[];   // "Marker %d"

// At view creation: a zeroed set marked saved (no set without memory).
void CreatePOISet(ViewRecord* record);
// Frees the record array and the set and clears the record's pointer.
void FreePOISet(ViewRecord* record);
// A set of `count` zeroed records; null without memory.
POISet* NewPOISet(int count);
void    DeletePOISet(POISet* set);
// Appends one zeroed record and marks the set unsaved; the new record, or
// null without memory (the set is then unchanged).
POIRecord* AppendPOIRecord(POISet* set);
// Records that are not deleted.
int CountLivePOIRecords(const POISet* set);
// The marker nearest the view's last mouse position among those inside the
// visible world window (a set of one record picks it wherever the cursor
// is); -1 when none.
int FindPOIAtCursor(HWND view);
