// Contour lines written as an arc shapefile with a dBASE table of the fields
// "LAYER" ("INDEX" or "INTERMEDIATE") and "ELEVATION".
#pragma once
#include <windows.h>

// Command CMD_SAVE_CONTOURS: asks for a file and writes the view's contours,
// or offers to create them when there are none. 1 when saved.
int SaveContours(HWND view);
// The "Save Contours" dialog; both buffers hold 256 characters.
int ChooseContourFile(char* path, char* title);
// Writes the view's list; 1, or 0 after telling the user (a failed save
// leaves any earlier file under the name as it was, and nothing else).
int SaveContourShapefile(HWND view, const char* path, const char* title);

extern const char kNoContoursQuestion[];
extern const char kContourFileOpenFailed[];
extern const char kContourFileWriteFailed[];
extern const char kContourOffMapFormat[];   // a line (from 1) the reader would refuse, then the title
