// What the LAS and LAZ loaders share: the decimation step, the new data set,
// its point array and the report of a load.
#include "data/point_load.h"
#include "data/data_set.h"
#include "data/decimation.h"
#include "base/heap.h"
#include "base/memory_estimate.h"
#include "base/messages.h"
#include "base/shell_hooks.h"
#include <cstdio>

// Settles the decimation step: 0 to give up (the user was told), else >= 1.
uint32_t ChooseDecimationStep(uint64_t count, const char* title)
{
    if (decimationEnabled == 1 && decimationStep >= 2) return (uint32_t)decimationStep;
    return AskMemoryDecimationStep(count, title);
}

// Tells the user how much a failed allocation of a load wanted.
void ReportLoadAllocationFailure(double bytes)
{
    char message[128];
    snprintf(message, sizeof message, "Failed to allocate:  %0.2lf MB", bytes / 1048576.0);
    ShowMessageBox(MessageOwner(), message, "ERROR", MB_OK | MB_ICONERROR);
}

DataSet* NewLoadedDataSet(int32_t source, const char* path, const char* title)
{
    DataSet* set = AllocDataSet();
    if (!set) {
        ReportLoadAllocationFailure(sizeof(DataSet));
        return nullptr;
    }
    set->source = source;
    snprintf(set->path, sizeof set->path, "%s", path);
    snprintf(set->title, sizeof set->title, "%s", title);
    return set;
}

// Allocates the point array, or tells the user how much it wanted.
bool AllocatePoints(DataSet* set, uint64_t count)
{
    uint64_t bytes = 0;
    bool fits = count <= 0x7FFFFFFFull && CheckedBytes(count, sizeof(PointRecord), &bytes);
    set->points = fits ? (PointRecord*)NBLCalloc(count, sizeof(PointRecord)) : nullptr;
    if (set->points) return true;
    ReportLoadAllocationFailure((double)count * sizeof(PointRecord));
    return false;
}

uint64_t StartLoadedPoints(DataSet* set, uint64_t n, uint32_t* step, int format, const HeaderExtent& extent)
{
    if (*step > 1 && n / *step == 0) *step = 1;
    uint64_t count = *step > 1 ? n / *step : n;
    if (*step > 1) set->decimated = 1;
    if (!AllocatePoints(set, count)) return 0;
    set->filePointCount = set->pointCount = (int32_t)count;
    set->fileClassLimit = (format & 0x3F) <= 5 ? 31 : 255;
    set->minX = extent.minX;
    set->maxX = extent.maxX;
    set->minY = extent.minY;
    set->maxY = extent.maxY;
    set->minZ = (float)extent.minZ;
    set->maxZ = (float)extent.maxZ;
    return count;
}

const char kShortReadFormat[] =
    "%s\nShort read, %s file is corrupt!\nHeader says %llu points but file only has %llu points!";
static const char kLoadAnywayQuestion[] = "\n\nWould you like to load it anyway?";

bool LoadShortReadAnyway(const char* title, const char* kind, uint64_t full, uint64_t has)
{
    char message[700];
    int n = snprintf(message, sizeof message, kShortReadFormat, title, kind, (unsigned long long)full,
                     (unsigned long long)has);
    if (n > 0 && (size_t)n < sizeof message)
        snprintf(message + n, sizeof message - (size_t)n, "%s", kLoadAnywayQuestion);
    return ShowMessageBox(MessageOwner(), message, "Warning", MB_YESNO | MB_ICONWARNING) == IDYES;
}

void ReportShortRead(const char* title, const char* kind, uint64_t full, uint64_t has)
{
    char message[700];
    snprintf(message, sizeof message, kShortReadFormat, title, kind, (unsigned long long)full,
             (unsigned long long)has);
    ErrorMessage(message);
}

const char kLoadNoteFormat[] = "[LOAD]  %s:  %s";

void ReportLoaded(const DataSet* set, const char* note)
{
    char line[700];
    snprintf(line, sizeof line, "Total Points:  %d", set->pointCount);
    LogMessage(line);
    snprintf(line, sizeof line, "[LOAD]  %s", set->title);
    LogMessage(line);
    if (!note || !note[0]) return;
    snprintf(line, sizeof line, kLoadNoteFormat, set->title, note);
    LogMessage(line);
}
