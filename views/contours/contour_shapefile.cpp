// The contour shapefile: one arc and one table record a line, in list order.
#include "views/contours/contour_shapefile.h"
#include "views/contours/contour_list.h"
#include "app/command_ids.h"
#include "app/app_windows.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/file_dialog.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/polygon.h"
#include "base/progress.h"
#include "base/shape_io.h"
#include "data/gdal_grid.h"
#include <cstdio>
#include <vector>

const char kNoContoursQuestion[] = "No contours have been generated!\n\nWould you like to create contours?";
const char kContourFileOpenFailed[] = "Unable to open %s for writing!";
const char kContourFileWriteFailed[] = "Unable to write %s!\n\nThe contours were not saved.";
const char kContourOffMapFormat[] =
    "Contour %d lies off the map: a vertex is not a number or lies farther than 1e10 from 0, so it cannot be stored "
    "in a file that reads back!\n\nNothing was written: the contours were not saved and %s on disk is unchanged.";

int ChooseContourFile(char* path, char* title)
{
    return ChooseOneFile(FrameWindow, "Contour Files (*.shp) |*.shp|", "Save Contours", 1, 0, path, title);
}

static void ReportFile(const char* format, const char* name)
{
    char text[600];
    snprintf(text, sizeof text, format, name);
    ErrorMessage(text);
}

// The first line (from 0) with a vertex a reference reader would refuse, -1 when none.
static int FirstLineOffMap(const ContourList* list)
{
    for (int i = 0; i < list->count; i++) {
        const struct Polyline* line = list->lines[i];
        for (int k = 0; line && k < line->vertexCount; k++)
            if (!MapCoordinateUsable(line->vertices[k].x) || !MapCoordinateUsable(line->vertices[k].y)) return i;
    }
    return -1;
}

// The files are written beside the chosen name and take its place only when
// whole, so a failed save leaves nothing half written there.
int SaveContourShapefile(HWND view, const char* path, const char* title)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !r->contours) return 0;
    int offMap = FirstLineOffMap(r->contours);
    if (offMap >= 0) {
        char text[700];
        snprintf(text, sizeof text, kContourOffMapFormat, offMap + 1, title);
        ErrorMessage(text);
        return 0;
    }
    char dbfPath[256], dbfTitle[256];
    snprintf(dbfPath, sizeof dbfPath, "%s", ChangeFileExtension(path, ".dbf"));
    snprintf(dbfTitle, sizeof dbfTitle, "%s", ChangeFileExtension(title, ".dbf"));
    ShapeGroupWriter w;
    int dbf = dbfPath[0] && BeginShapeGroup(&w, path) ? CreateGroupTable(&w, dbfPath) : -1;
    if (dbf < 0) {
        AbortShapeGroup(&w);
        std::string folder = ShapeGroupRefusal(path);
        if (!folder.empty()) ReportFile("%s", folder.c_str());
        else ReportFile(kContourFileOpenFailed, dbfTitle);
        return 0;
    }
    bool ok = AddTableColumn(&w, dbf, "LAYER", COLUMN_TEXT, 14, 0) == 0 &&
              AddTableColumn(&w, dbf, "ELEVATION", COLUMN_REAL, 12, 4) == 1;
    int shp = CreateGroupShapes(&w, path, SHAPE_ARC);
    if (shp < 0) {
        AbortShapeGroup(&w);
        ReportFile(kContourFileOpenFailed, title);
        return 0;
    }
    const ContourList* list = r->contours;
    StartProgress((unsigned)(list->count + 1), "Save Contours");
    std::vector<double> xs, ys;
    int record = 0;
    for (int i = 0; i < list->count && ok; i++) {
        StepProgress();
        const struct Polyline* line = list->lines[i];
        if (!line || line->vertexCount <= 0) continue;
        const char* layer = line->type == CONTOUR_INDEX ? "INDEX" : "INTERMEDIATE";
        ok = WriteTextCell(&w, dbf, record, 0, layer) && WriteRealCell(&w, dbf, record, 1, line->vertices[0].z);
        xs.resize(line->vertexCount);
        ys.resize(line->vertexCount);
        for (int k = 0; k < line->vertexCount; k++) {
            xs[k] = line->vertices[k].x;
            ys[k] = line->vertices[k].y;
        }
        ok = ok && AppendShape(&w, shp, SHAPE_ARC, line->vertexCount, xs.data(), ys.data(), nullptr, record);
        record++;
    }
    EndProgress();
    if (!CommitShapeGroup(&w, ok)) {
        ReportFile(kContourFileWriteFailed, title);
        return 0;
    }
    char line[300];
    snprintf(line, sizeof line, "[SAVE] %s", title);
    LogMessage(line);
    return 1;
}

int SaveContours(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || IsAppJobBusy()) return 0;
    if (!r->contours) {
        if (ShowMessageBox(FrameWindow, kNoContoursQuestion, "No Contours", MB_YESNO | MB_ICONQUESTION) == IDYES)
            SendMessageA(view, WM_COMMAND, CMD_CONTOURS, 0);
        return 0;
    }
    char path[256] = "", title[256] = "";
    if (r->currentDataSet) {
        snprintf(path, sizeof path, "%s", ChangeFileExtension(r->currentDataSet->path, ".shp"));
        snprintf(title, sizeof title, "%s", ChangeFileExtension(r->currentDataSet->title, ".shp"));
    }
    if (!ChooseContourFile(path, title)) return 0;
    return SaveContourShapefile(view, path, title);
}
