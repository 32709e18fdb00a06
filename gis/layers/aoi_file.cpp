// Loading and saving a view's AOI set through the file dialogs.
#include "gis/layers/aoi_file.h"
#include "gis/layers/aoi_set.h"
#include "gis/layers/aoi_shapefile.h"
#include "app/layer_sets.h"
#include "app/app_windows.h"
#include "app/view_record.h"
#include "base/shell_hooks.h"
#include "app/window_slots.h"
#include "base/file_dialog.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/progress.h"
#include "views/gl3d/gl_render.h"
#include <cstdio>
#include <cstring>

const char kAOIListEmpty[] = "The AOI list is empty";

void MatchAOITypes(HWND view, AOISet* set)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !set || !set->lines) return;
    for (int i = 0; i < set->lines->count; i++) {
        struct Polyline* polygon = set->lines->items[i];
        polygon->typePosition = -1;
        for (int p = 0; p < 256; p++)
            if (r->aoiClassTable.entries[p].index == polygon->type) {
                polygon->typePosition = p;
                break;
            }
    }
}

int LoadAOIFile(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r || !AskToSaveAOISet(view)) return 0;
    char path[256] = "", title[256] = "";
    if (!ChooseOneFile(FrameWindow, "AOI Files (*.shp) |*.shp|All files (*.*)|*.*|", "Load AOI File", 0, 0, path, title))
        return 1;
    AOISet* set;
    {
        ThreadStatusView lines(view);
        set = LoadAOIShapefile(path, title);
    }
    if (!set) return 0;
    MatchAOITypes(view, set);
    StartProgress((unsigned)set->lines->count, "Check AOI");
    for (int i = 0; i < set->lines->count; i++) {
        StepProgress();
        SetAOIElevations(view, set->lines->items[i]);
    }
    EndProgress();
    InstallAOISet(view, set);
    if (r->glWindow) RenderGLView(r->glWindow);
    return 1;
}

// Asks for a name unless `ask` is 0 and the set has one; saves under it. A
// name chosen for a save that fails is not kept.
static int SaveAOI(HWND view, bool ask)
{
    ViewRecord* r = ViewRecordOf(view);
    AOISet* set = r ? r->aoiSet : nullptr;
    if (!set) return 0;
    if (!set->lines || set->lines->count <= 0) {
        ShowMessageBox(FrameWindow, kAOIListEmpty, "ERROR", MB_OK | MB_ICONERROR);
        return 0;
    }
    char path[256], title[256];
    snprintf(path, sizeof path, "%s", set->path);
    snprintf(title, sizeof title, "%s", set->title);
    bool named = set->title[0] != 0;
    if (!named && r->currentDataSet) {
        // The data set's name with "_aoi.shp", the folder left to the dialog.
        snprintf(title, sizeof title, "%s", ChangeFileExtension(r->currentDataSet->title, "_aoi.shp"));
        snprintf(path, sizeof path, "%s", title);
    }
    if ((ask || !named) && !ChooseOneFile(FrameWindow, "AOI Files (*.shp) |*.shp|", "Save AOI File", 1, 0, path, title))
        return 0;
    char oldPath[256], oldTitle[256];
    memcpy(oldPath, set->path, sizeof oldPath);
    memcpy(oldTitle, set->title, sizeof oldTitle);
    snprintf(set->path, sizeof set->path, "%s", path);
    snprintf(set->title, sizeof set->title, "%s", title);
    if (SaveAOIShapefile(set)) return 1;
    memcpy(set->path, oldPath, sizeof oldPath);
    memcpy(set->title, oldTitle, sizeof oldTitle);
    return 0;
}

int SaveAOIFile(HWND view) { return SaveAOI(view, false); }

int SaveAOIFileAs(HWND view) { return SaveAOI(view, true); }
