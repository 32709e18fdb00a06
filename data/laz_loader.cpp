// LAZ files into data sets through the laszip reader calls.
#include "data/laz_loader.h"
#include "data/point_load.h"
#include "data/data_set.h"
#include "data/gps_time.h"
#include "data/decimation.h"
#include "data/color_stretch.h"
#include "data/laszip/laszip_api.h"
#include "data/lasfile/las_header.h"
#include "base/shell_hooks.h"
#include "base/heap.h"
#include "base/memory_estimate.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/progress.h"
#include <cstdio>
#include <cstring>

const char kUnableToOpenLAZText[] = "\nUnable to open LAZ file!\n";
const char kLAZTooSmallText[] = "\nLAZ file is too small to be useful (need at least three points)!\n";

bool HasLAZName(const char* path)
{
    size_t len = strlen(path);
    return len >= 4 && lstrcmpiA(path + len - 4, ".LAZ") == 0;
}

int IsLAZFile(const char* fileName)
{
    if (!HasLAZName(fileName)) return 0;
    laszip_POINTER reader = nullptr;
    if (laszip_create(&reader)) return 0;
    laszip_BOOL compressed = 0;
    if (laszip_open_reader(reader, fileName, &compressed)) {
        laszip_destroy(reader);
        return 0;
    }
    laszip_close_reader(reader);
    laszip_destroy(reader);
    return 1;
}

// The point count of an open reader's file; 0 when it has none.
static uint64_t OpenPointCount(laszip_POINTER reader)
{
    laszip_I64 n = 0;
    return laszip_get_point_count(reader, &n) == 0 && n > 0 ? (uint64_t)n : 0;
}

// The points that read from the file's start, no more than `most`; the
// reader stands before its first point again.
static uint64_t ReadablePointCount(laszip_POINTER reader, uint64_t most)
{
    uint64_t n = 0;
    while (n < most && laszip_read_point(reader) == 0) n++;
    laszip_seek_point(reader, 0);
    return n;
}

// The header's count, no more than the file's records or its chunk table
// hold: a damaged count asks for no memory the file cannot fill. Where no
// chunk table bounds it and it is more than memory holds, the points the file
// holds are read once and counted, as the LAS road counts its records: a
// damaged count then asks about the short read, not about memory. A count
// beyond what a set holds is refused as it stands, never read that far.
static uint64_t HeldPointCount(laszip_POINTER reader)
{
    uint64_t n = OpenPointCount(reader);
    laszip_U64 capacity = 0;
    if (laszip_get_point_capacity(reader, &capacity) != 0) return n;
    if (capacity != UINT64_MAX) return std::min<uint64_t>(n, capacity);
    if (n > LAS_MAX_POINTS || MemoryPartsNeeded((uint32_t)n) == 1) return n;
    return ReadablePointCount(reader, n);
}

uint64_t GetLAZFilePointCount(const char* path)
{
    laszip_POINTER reader = nullptr;
    if (laszip_create(&reader)) return 0;
    laszip_BOOL compressed = 0;
    uint64_t n = 0;
    if (laszip_open_reader(reader, path, &compressed) == 0) {
        n = HeldPointCount(reader);
        laszip_close_reader(reader);
    }
    laszip_destroy(reader);
    return n;
}

bool ReadLAZExtent(const char* path, double* minX, double* maxX, double* minY, double* maxY, uint64_t* count,
                   char* reason, size_t size)
{
    laszip_POINTER reader = nullptr;
    if (laszip_create(&reader)) {
        snprintf(reason, size, "out of memory");
        return false;
    }
    laszip_BOOL compressed = 0;
    laszip_header_struct* header = nullptr;
    bool opened = laszip_open_reader(reader, path, &compressed) == 0 &&
                  laszip_get_header_pointer(reader, &header) == 0 && header;
    if (opened) {
        *minX = header->min_x;
        *maxX = header->max_x;
        *minY = header->min_y;
        *maxY = header->max_y;
        *count = HeldPointCount(reader);
        laszip_close_reader(reader);
    } else {
        laszip_CHAR* text = nullptr;
        laszip_get_error(reader, &text);
        snprintf(reason, size, "%s", text ? text : "");
    }
    laszip_destroy(reader);
    return opened;
}

static void PackLAZPoint(const laszip_header_struct* h, const laszip_point_struct* q, PointRecord* p)
{
    p->x = q->X * h->x_scale_factor + h->x_offset;
    p->y = q->Y * h->y_scale_factor + h->y_offset;
    p->z = (float)(q->Z * h->z_scale_factor + h->z_offset) + 0.001f;
    p->intensity = q->intensity;
    p->pointSourceId = q->point_source_ID;
    int format = h->point_data_format;
    if (format <= 5) {
        p->returns = MakeReturnByte(q->return_number, q->number_of_returns);
        p->classification = q->classification;
        p->flags = (uint8_t)((q->synthetic_flag << 2) | (q->keypoint_flag << 3) | (q->withheld_flag << 4));
        p->gpsTime = KeepsGPSTimes(SOURCE_LAZ, format) ? q->gps_time : 0;
    } else {
        p->returns = MakeReturnByte(q->extended_return_number & 7, q->extended_number_of_returns & 7);
        p->classification = q->extended_classification;
        p->flags = (uint8_t)(q->extended_scanner_channel | ((q->extended_classification_flags & 1) << 2));
        p->gpsTime = KeepsGPSTimes(SOURCE_LAZ, format) ? q->gps_time : 0;
    }
}

// Closing a reader that never opened only reports an error; the handle is
// destroyed either way.
static DataSet* GiveUp(DataSet* set, laszip_POINTER reader, bool progress)
{
    if (reader) {
        laszip_close_reader(reader);
        laszip_destroy(reader);
    }
    if (progress) EndProgress();
    FreeDataSet(set);
    return nullptr;
}

DataSet* ReadLAZPoints(const char* path, const char* title)
{
    ScopedColorStretch stretch;
    ColorStretch* cs = stretch.stretch;
    if (!cs) {
        ReportLoadAllocationFailure(sizeof(ColorStretch));
        return nullptr;
    }
    DataSet* set = NewLoadedDataSet(SOURCE_LAZ, path, title);
    if (!set) return nullptr;

    laszip_POINTER reader = nullptr;
    if (laszip_create(&reader)) return GiveUp(set, nullptr, false);
    laszip_BOOL compressed = 0;
    laszip_header_struct* header = nullptr;
    char message[700];
    if (laszip_open_reader(reader, path, &compressed) != 0 || laszip_get_header_pointer(reader, &header) != 0) {
        laszip_CHAR* reason = nullptr;
        laszip_get_error(reader, &reason);
        snprintf(message, sizeof message, "%s%s%s", title, kUnableToOpenLAZText, reason ? reason : "");
        ErrorMessage(message);
        laszip_destroy(reader);
        FreeDataSet(set);
        return nullptr;
    }
    int format = header->point_data_format;
    uint64_t full = OpenPointCount(reader);
    // The points beyond what the file holds end as a short read, which the
    // user is asked about once the points there are have been read.
    uint64_t n = HeldPointCount(reader);
    // Refused like the LAS library refuses it, never cut to its low bits.
    if (n > LAS_MAX_POINTS) {
        snprintf(message, sizeof message, "%s%sPoint count %llu is more than this library can read (%llu)", title,
                 kUnableToOpenLAZText, (unsigned long long)n, (unsigned long long)LAS_MAX_POINTS);
        ErrorMessage(message);
        return GiveUp(set, reader, false);
    }

    uint32_t step = ChooseDecimationStep(n, title);
    if (step == 0) return GiveUp(set, reader, false);
    if (n < 3) {
        snprintf(message, sizeof message, "%s%s", title, kLAZTooSmallText);
        ErrorMessage(message);
        return GiveUp(set, reader, false);
    }
    uint64_t count = StartLoadedPoints(set, n, &step, format, {header->min_x, header->max_x, header->min_y,
                                                                header->max_y, header->min_z, header->max_z});
    if (!count) return GiveUp(set, reader, false);

    laszip_point_struct* point = nullptr;
    laszip_get_point_pointer(reader, &point);
    bool color = format == 2 || format == 3 || format == 7 || format == 8;
    if (step == 1) {
        StartProgress((unsigned)(count / 32768 + 2), "Loading File");
        for (uint64_t i = 0; i < count; i++) {
            if (laszip_read_point(reader)) {
                if (!LoadShortReadAnyway(title, "LAZ", full, i)) return GiveUp(set, reader, true);
                set->filePointCount = set->pointCount = (int32_t)i;
                break;
            }
            if (color) AddColorSample(cs, point->rgb[0], point->rgb[1], point->rgb[2]);
            PackLAZPoint(header, point, &set->points[i]);
            if ((i & 32767) == 0) StepProgress();
        }
        // Every point the chunk table holds was read, fewer than the header says.
        if ((uint64_t)set->pointCount == n && n < full && !LoadShortReadAnyway(title, "LAZ", full, n))
            return GiveUp(set, reader, true);
    } else {
        StartProgress((unsigned)(n / 32768 + 2), "Decimate File");
        uint64_t kept = 0, read = 0;
        // A table of fixed-size chunks bounds the count only to whole chunks,
        // and a file cut short has no table: the points may end before `n`,
        // and the user may keep those read, as in a whole load.
        for (; read < n; read++) {
            if (laszip_read_point(reader)) {
                if (!LoadShortReadAnyway(title, "LAZ", full, read)) return GiveUp(set, reader, true);
                break;
            }
            if (color) AddColorSample(cs, point->rgb[0], point->rgb[1], point->rgb[2]);
            if (read % step == 0 && kept < count) PackLAZPoint(header, point, &set->points[kept++]);
            if ((read & 32767) == 0) StepProgress();
        }
        if (read == n && n < full && !LoadShortReadAnyway(title, "LAZ", full, n)) return GiveUp(set, reader, true);
        set->filePointCount = set->pointCount = (int32_t)kept;
    }
    EndProgress();

    if (color) {
        set->hasColor = FinishColorStretch(cs);
        laszip_seek_point(reader, 0);
        StartProgress((unsigned)(set->pointCount / 32768 + 2), "Loading RGB");
        uint64_t total = step == 1 ? (uint64_t)set->pointCount : n;
        uint64_t used = 0;
        for (uint64_t i = 0; i < total && used < (uint64_t)set->pointCount; i++) {
            if (laszip_read_point(reader)) {
                if (step == 1) set->filePointCount = set->pointCount = (int32_t)used;
                break;
            }
            if (step == 1 || i % step == 0) {
                PointRecord* p = &set->points[used++];
                p->red = StretchChannel(cs, point->rgb[0]);
                p->green = StretchChannel(cs, point->rgb[1]);
                p->blue = StretchChannel(cs, point->rgb[2]);
            }
            if ((i & 32767) == 0) StepProgress();
        }
        EndProgress();
    }
    // What a short read kept may be too little for a view, as an empty file is.
    if (set->pointCount < 3) {
        snprintf(message, sizeof message, "%s%s", title, kLAZTooSmallText);
        ErrorMessage(message);
        return GiveUp(set, reader, false);
    }
    laszip_CHAR* note = nullptr;
    laszip_get_warning(reader, &note);
    set->saved = 1;
    ReportLoaded(set, note);
    laszip_close_reader(reader);
    laszip_destroy(reader);
    return set;
}
