// Loading and saving a view's POI set through the file dialogs.
#include "gis/layers/poi_files.h"
#include "gis/layers/poi_set.h"
#include "gis/layers/poi_shapefile.h"
#include "app/layer_sets.h"
#include "app/app_windows.h"
#include "app/job_control.h"
#include "app/view_record.h"
#include "app/view_jobs.h"
#include "app/window_slots.h"
#include "base/file_dialog.h"
#include "base/messages.h"
#include "base/shell_hooks.h"
#include "base/paths.h"
#include "base/text.h"
#include <cstdio>
#include <cstring>

const char kPOIListEmpty[] = "The POI list is empty";
const char kPOIUnsavedQuestion[] = "The current POI file:\n\n    %s\n\nHas not been saved.  Would you like to save it?";
const char kPOIUnsavedUntitled[] = "The current POI polygon set not been saved.\n\nWould you like to save it?";

// `asked`: always show the save dialog. A set saved or loaded before is
// saved at once by SavePOIFile; a set never named is offered the current
// data set's name with "_poi.shp", and keeps no name when the user cancels.
static int SaveSet(HWND view, bool asked)
{
    ViewRecord* r = ViewRecordOf(view);
    POISet* set = r ? r->poiSet : nullptr;
    if (!set) return 0;
    if (set->count < 1 || (!asked && CountLivePOIRecords(set) < 1)) {
        ErrorMessage(kPOIListEmpty);
        return 0;
    }
    if (!asked && set->title[0]) return SavePOIShapefile(set);
    char path[256] = "", title[256] = "";
    if (set->title[0]) {
        CopyBounded(path, sizeof path, set->path);
        CopyBounded(title, sizeof title, set->title);
    } else if (r->currentDataSet) {
        CopyBounded(title, sizeof title, ChangeFileExtension(r->currentDataSet->title, "_poi.shp"));
        CopyBounded(path, sizeof path, title);
    }
    if (!ChooseOneFile(FrameWindow, "POI Files (*.shp) |*.shp|", "Save POI File", 1, 0, path, title)) return 0;
    char oldPath[256], oldTitle[256];
    memcpy(oldPath, set->path, sizeof oldPath);
    memcpy(oldTitle, set->title, sizeof oldTitle);
    CopyBounded(set->path, sizeof set->path, path);
    CopyBounded(set->title, sizeof set->title, title);
    if (SavePOIShapefile(set)) return 1;
    // A failed save does not name the set after the file it could not write.
    memcpy(set->path, oldPath, sizeof oldPath);
    memcpy(set->title, oldTitle, sizeof oldTitle);
    return 0;
}

int SavePOIFile(HWND view) { return SaveSet(view, false); }
int SavePOIFileAs(HWND view) { return SaveSet(view, true); }

int LoadPOIFile(HWND view)
{
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 0;
    if (r->poiSet && !r->poiSet->saved) {
        char text[700];
        if (r->poiSet->title[0]) snprintf(text, sizeof text, kPOIUnsavedQuestion, r->poiSet->title);
        else CopyBounded(text, sizeof text, kPOIUnsavedUntitled);
        int answer = ShowMessageBox(FrameWindow, text, "Warning", MB_YESNOCANCEL | MB_ICONWARNING);
        if (answer == IDCANCEL || (answer == IDYES && !SavePOIFile(view))) return 0;
    }
    char path[256] = "", title[256] = "";
    if (!ChooseOneFile(FrameWindow, "POI Files (*.shp) |*.shp|All files (*.*)|*.*|", "Load POI File", 0,
                       OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, path, title))
        return 1;
    POISet* loaded;
    {
        ThreadStatusView lines(view);
        loaded = LoadPOIShapefile(path, title);
    }
    if (!loaded) return 0;
    // The draw thread reads the set: it stops before the set is replaced.
    JobControl* job = (JobControl*)GetWindowSlot(view, CHILD_JOB);
    CancelViewDraw(view);
    if (job) WaitForObjectPumping(job->mutex);
    FreePOISet(r);
    r->poiSet = loaded;
    if (job) ReleaseMutex(job->mutex);
    return 1;
}
