// The reference list of a view and the life of its records.
#include "gis/layers/ref_files.h"
#include "app/layer_sets.h"
#include "gis/layers/ref_image.h"
#include "gis/layers/ref_shapefile.h"
#include "app/view_record.h"
#include "app/view_jobs.h"
#include "app/window_slots.h"
#include "base/file_list.h"
#include "base/file_list_dialogs.h"
#include "base/heap.h"
#include "base/polygon.h"
#include "data/lasfile/las_file.h"
#include "views/gl3d/gl_render.h"
#include <cstdio>
#include <cstring>

FileList* OpenReferenceFilesDialog(HWND window)
{
    FileList* list = (FileList*)NBLCalloc(1, sizeof(FileList));
    if (!list) return nullptr;
    OpenFilesDialog(window, list, "Open Reference Files", "Reference Files (*.shp,*.tif)|*.shp;*.tif|All files (*.*)|*.*|",
                    lastOpenFolder);   // the folder the other open dialogs share
    if (list->count == 0) {
        DeleteFileList(list);
        return nullptr;
    }
    return list;
}

int GetReferenceFileKind(const char* path)
{
    if (IsReferenceShapefile(path)) return REFERENCE_SHAPEFILE;
    if (IsLASFile(path)) return REFERENCE_LAS;
    if (CheckReferenceImage(path)) return REFERENCE_IMAGE;
    return 0;
}

ReferenceFile* NewReferenceFile(const char* path, const char* title, int kind)
{
    ReferenceFile* reference = (ReferenceFile*)NBLCalloc(1, sizeof(ReferenceFile));
    if (!reference) return nullptr;
    snprintf(reference->path, sizeof reference->path, "%s", path);
    snprintf(reference->title, sizeof reference->title, "%s", title);
    reference->kind = kind;
    reference->visible = 1;
    reference->minX = reference->minY = kEmptyBoundsLow;
    reference->maxX = reference->maxY = -kEmptyBoundsLow;
    return reference;
}

void WidenReferenceBounds(ReferenceFile* reference, double x, double y)
{
    if (x < reference->minX) reference->minX = x;
    if (x > reference->maxX) reference->maxX = x;
    if (y < reference->minY) reference->minY = y;
    if (y > reference->maxY) reference->maxY = y;
}

ReferenceFile* LoadReferenceFile(const char* path, const char* title)
{
    switch (GetReferenceFileKind(path)) {
    case REFERENCE_SHAPEFILE: return LoadReferenceShapefile(path, title);
    case REFERENCE_IMAGE: return LoadReferenceImage(path, title);
    }
    // A .shp that is no readable shapefile is named with its reason (the
    // image check has told its own).
    if (HasShapefileExtension(path)) ReportUnreadableShapefile(path, title);
    return nullptr;
}

static bool InList(const ViewRecord* r, const char* path)
{
    for (int i = 0; r->references && i < r->referenceCount; i++)
        if (r->references[i] && strcmp(r->references[i]->path, path) == 0) return true;
    return false;
}

static bool AppendReference(ViewRecord* r, ReferenceFile* reference)
{
    uint64_t bytes = ((uint64_t)r->referenceCount + 1) * sizeof(ReferenceFile*);
    ReferenceFile** grown =
        (ReferenceFile**)(r->references ? NBLReMalloc(r->references, bytes) : NBLMalloc(bytes));
    if (!grown) return false;
    r->references = grown;
    r->references[r->referenceCount++] = reference;
    return true;
}

int AddReferenceFiles(HWND window)
{
    ViewRecord* r = ViewRecordOf(window);
    if (!r) return 0;
    FileList* chosen = OpenReferenceFilesDialog(window);
    if (!chosen) return 0;
    for (int i = 0; i < chosen->count; i++) {
        const FileListEntry* e = chosen->entries[i];
        if (!e || InList(r, e->path)) continue;
        // A .shp that is no readable shapefile is named with its reason; any
        // other file that is neither shapefile nor image is passed over.
        if (!IsReferenceShapefile(e->path) && HasShapefileExtension(e->path)) {
            ReportUnreadableShapefile(e->path, e->title);
            continue;
        }
        // Loading shows boxes and progress (and so paints): the list changes
        // under the view's lock afterwards.
        ReferenceFile* reference = LoadReferenceFile(e->path, e->title);
        if (!reference) continue;
        JobControl* job = LockViewData(window);
        bool added = AppendReference(r, reference);
        UnlockViewData(job);
        if (!added) FreeReferenceFile(reference);
    }
    if (r->glWindow) RenderGLView(r->glWindow);
    DeleteFileList(chosen);
    return 1;
}

int RemoveReferenceFile(HWND window, int index)
{
    ViewRecord* r = ViewRecordOf(window);
    if (!r || r->referenceCount <= 0 || !r->references || index < 0 || index >= r->referenceCount) return 0;
    JobControl* job = LockViewData(window);
    if (r->referenceCount == 1) {
        FreeReferenceList(r);
        r->references = nullptr;
        r->referenceCount = 0;
    } else {
        FreeReferenceFile(r->references[index]);
        // The array keeps its size; the later entries move down.
        for (int i = index; i + 1 < r->referenceCount; i++) r->references[i] = r->references[i + 1];
        r->referenceCount--;
    }
    UnlockViewData(job);
    return 1;
}

int RemoveAllReferenceFiles(HWND window)
{
    ViewRecord* r = ViewRecordOf(window);
    if (!r) return 0;
    JobControl* job = LockViewData(window);
    FreeReferenceList(r);
    r->references = nullptr;
    r->referenceCount = 0;
    UnlockViewData(job);
    return 1;
}

int AppendReferenceLine(PolylineList* list, struct Polyline* line)
{
    uint64_t bytes = ((uint64_t)list->count + 1) * sizeof(struct Polyline*);
    struct Polyline** grown =
        (struct Polyline**)(list->items ? NBLReMalloc(list->items, bytes) : NBLMalloc(bytes));
    if (!grown) return 0;
    list->items = grown;
    list->items[list->count++] = line;
    return 1;
}

void FreeReferenceLines(PolylineList* lines)
{
    if (!lines) return;
    for (int32_t i = 0; lines->items && i < lines->count; i++) {
        struct Polyline* line = lines->items[i];
        if (!line) continue;
        // AOI polygons own an outline and a comment as well.
        if (line->ring) FreePolygon(line->ring);
        if (line->comment) NBLFree(line->comment);
        FreePolyline(line);
    }
    if (lines->items) NBLFree(lines->items);
    NBLFree(lines);
}

void FreeReferenceImage(ReferenceImage* image)
{
    if (!image) return;
    if (image->pixels) NBLFree2D(image->pixels);
    NBLFree(image);
}

void FreeReferenceFile(ReferenceFile* reference)
{
    if (!reference) return;
    if (reference->points) NBLFree(reference->points);
    FreeReferenceLines(reference->lines);
    FreeReferenceImage(reference->image);
    NBLFree(reference);
}

void FreeReferenceList(ViewRecord* record)
{
    if (!record || !record->references) return;
    for (int i = 0; i < record->referenceCount; i++) FreeReferenceFile(record->references[i]);
    NBLFree(record->references);
    record->references = nullptr;
}
