// LAS files into data sets: header checks, decimation, packing of every point
// format, the colour stretch and the messages on the way.
#include "data/las_loader.h"
#include "data/point_load.h"
#include "data/las_save.h"
#include "data/laz_loader.h"
#include "data/data_set.h"
#include "data/decimation.h"
#include "data/color_stretch.h"
#include "data/lasfile/las_file.h"
#include "base/shell_hooks.h"
#include "base/file_io.h"
#include "base/heap.h"
#include "base/memory_estimate.h"
#include "base/messages.h"
#include "base/progress.h"
#include <algorithm>
#include <cstdio>
#include <cstring>

int GetLASExtraBytes(LASFile* las)
{
    int standard = LASStandardRecordLength(las->format);
    return standard ? las->recordLength - standard : 0;
}

uint64_t GetLASFilePointCount(const char* path)
{
    // The LAS library refuses compressed records: a LAZ file is counted from
    // the LAZ reader's header.
    LASFile* las = OpenLASFile(path, LAS_MODE_READ);
    if (!las) return GetLAZFilePointCount(path);
    uint64_t n = GetLASHeldPointCount(las);
    CloseLASFile(las);
    return n;
}

DataSet* LoadLASData(const char* path, const char* title)
{
    RepaintFrame();
    HCURSOR old = SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    // A name ending in ".laz" goes to the LAZ reader even when the decoder
    // refuses it, so that the user reads the decoder's reason.
    DataSet* set = HasLAZName(path) ? ReadLAZPoints(path, title) : ReadLASPoints(path, title);
    SetCursor(old);
    if (set) set->kind = DATA_LAS;
    return set;
}

// Scales and layout of one file's records, taken once per load.
struct PointLayout {
    double xScale, yScale, zScale, xOffset, yOffset, zOffset;
    int format;
    int gpsAt;    // byte offset of the GPS time, -1 when none
    int rgbAt;    // byte offset of red, green, blue, -1 when none
};

static PointLayout LayoutOf(const LASFile* las)
{
    const LASHeader& h = las->header;
    PointLayout p = {h.xScale, h.yScale, h.zScale, h.xOffset, h.yOffset, h.zOffset, las->format, -1, -1};
    switch (las->format) {
    case 1: case 4: p.gpsAt = 20; break;
    case 2: p.rgbAt = 20; break;
    case 3: case 5: p.gpsAt = 20; p.rgbAt = 28; break;
    case 6: case 9: p.gpsAt = 22; break;
    case 7: case 8: case 10: p.gpsAt = 22; p.rgbAt = 30; break;
    }
    return p;
}

static inline int32_t I32(const uint8_t* r, int at) { int32_t v; memcpy(&v, r + at, 4); return v; }
static inline uint16_t U16(const uint8_t* r, int at) { uint16_t v; memcpy(&v, r + at, 2); return v; }

// The return byte of every return number and count (3 bits each), so that
// packing a point costs a table look-up.
struct ReturnTable {
    uint8_t byte[64];
    ReturnTable()
    {
        for (uint32_t n = 0; n < 8; n++)
            for (uint32_t r = 0; r < 8; r++) byte[r | n << 3] = MakeReturnByte(r, n);
    }
};
static const ReturnTable kReturns;

// Packs one raw record into a point; the colour is set once the stretch is known.
static inline void PackPoint(const PointLayout& l, const uint8_t* r, PointRecord* p)
{
    p->x = I32(r, 0) * l.xScale + l.xOffset;
    p->y = I32(r, 4) * l.yScale + l.yOffset;
    p->z = (float)(I32(r, 8) * l.zScale + l.zOffset) + 0.001f;
    p->intensity = U16(r, 12);
    uint8_t returnByte = r[14];
    if (l.format <= 5) {
        p->returns = kReturns.byte[returnByte & 0x3F];
        uint8_t cls = r[15];
        p->classification = cls & 0x1F;
        p->pointSourceId = U16(r, 18);
        p->flags = (uint8_t)(((cls >> 5) & 7) << 2);
    } else {
        p->returns = kReturns.byte[(returnByte & 7) | ((returnByte >> 4) & 7) << 3];
        uint8_t flags = r[15];
        p->classification = r[16];
        p->pointSourceId = U16(r, 20);
        p->flags = (uint8_t)(((flags >> 4) & 3) | ((flags & 7) << 2) | (((flags >> 3) & 1) << 5));
    }
    if (l.gpsAt >= 0) memcpy(&p->gpsTime, r + l.gpsAt, 8);
}

static void AddSample(ColorStretch* s, const PointLayout& l, const uint8_t* r)
{
    AddColorSample(s, U16(r, l.rgbAt), U16(r, l.rgbAt + 2), U16(r, l.rgbAt + 4));
}

static void ColorPoint(const ColorStretch* s, const PointLayout& l, const uint8_t* r, PointRecord* p)
{
    p->red = StretchChannel(s, U16(r, l.rgbAt));
    p->green = StretchChannel(s, U16(r, l.rgbAt + 2));
    p->blue = StretchChannel(s, U16(r, l.rgbAt + 4));
}

static DataSet* GiveUp(DataSet* set, LASFile* las, bool progress)
{
    if (las) CloseLASFile(las);
    if (progress) EndProgress();
    FreeDataSet(set);
    return nullptr;
}

const char kLASPointTypeNotSupportedText[] = "\n The LAS point type is NOT supported!\n";
static const char kLASEmptyText[] = "\nLAS file may be empty or corrupt!\n";

static void ErrorWithTitle(const char* title, const char* text)
{
    char message[700];
    snprintf(message, sizeof message, "%s%s", title, text);
    ErrorMessage(message);
}

// A large point array's first touch is a page fault per page, a good part of
// a load: a helper thread takes the faults ahead of the reader. Its writes are
// atomic ORs of zero, which keep whatever the reader stored there first.
struct PageToucher {
    uint8_t* start;
    uint64_t bytes;
    volatile LONG stop;
    HANDLE thread;
    PageToucher(void* block, uint64_t size) : start((uint8_t*)block), bytes(size), stop(0), thread(nullptr)
    {
        if (start && bytes >= kTouchedAbove) thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~PageToucher() { Finish(); }
    // Stops the helper; the block may be freed afterwards.
    void Finish()
    {
        if (!thread) return;
        InterlockedExchange(&stop, 1);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        thread = nullptr;
    }
    PageToucher(const PageToucher&) = delete;
    PageToucher& operator=(const PageToucher&) = delete;
    static constexpr uint64_t kTouchedAbove = 64ull << 20;
    static DWORD WINAPI Run(void* context)
    {
        PageToucher* t = (PageToucher*)context;
        uintptr_t first = ((uintptr_t)t->start + 3) & ~(uintptr_t)3;
        uintptr_t end = (uintptr_t)t->start + t->bytes - 4;
        for (uintptr_t at = first; at <= end && !t->stop; at = (at + 4096) & ~(uintptr_t)4095)
            InterlockedOr((volatile LONG*)at, 0);
        return 0;
    }
};


static DataSet* ReadLASPointsWith(const char* path, const char* title, bool whole);
DataSet* ReadLASPoints(const char* path, const char* title) { return ReadLASPointsWith(path, title, false); }

const char kWholeLoadMemoryText[] = "Not enough memory available to load without decimation:\n%s";

DataSet* LoadLASDataWhole(const char* path, const char* title)
{
    DataSet* set = ReadLASPointsWith(path, title, true);
    if (set) set->kind = DATA_LAS;
    return set;
}

// Every point or nothing: 1, or 0 after telling the user.
static uint32_t WholeLoadStep(uint64_t count, const char* title)
{
    if (MemoryPartsNeeded(count > 0xFFFFFFFFull ? 0xFFFFFFFFu : (uint32_t)count) == 1) return 1;
    char message[600];
    snprintf(message, sizeof message, kWholeLoadMemoryText, title);
    ErrorMessage(message);
    return 0;
}

// What the steps of one load share: the open file, the set being filled and
// the colours that wait for the stretch.
struct RecordRead {
    LASFile* las;
    DataSet* set;
    const char* title;
    PointLayout layout;
    ColorStretch* cs;
    uint16_t* colors;           // the kept points' 16-bit colours, or null
    uint64_t full, n, count;    // records the header counts, records in the file, points kept
    uint32_t step, length;
    bool color;
    bool whole;                 // every point the header counts or none
    uint8_t classSeen[256];
};

// Opens the file or says why it cannot be read.
static LASFile* OpenForLoad(const char* path, const char* title)
{
    LASFile* las = OpenLASFile(path, LAS_MODE_READ);
    if (!las && GetLASRefusedFormat() > 10) {
        ErrorWithTitle(title, kLASPointTypeNotSupportedText);
        return nullptr;
    }
    if (!las) {
        char message[700];
        // A file that opens but was refused has a damaged header: the library
        // says why. Otherwise the system's text of the failed opening does.
        VFile probe = VFileOpenRead(path);
        const char* system = GetLastLASSystemError();
        const char* reason = probe ? GetLASErrorText(nullptr) : system;
        VFileClose(probe);
        snprintf(message, sizeof message, "%s\nUnable to open LAS file!\n%s", title, reason ? reason : "");
        ErrorMessage(message);
    }
    return las;
}

// A short read that kept `has` points: a whole load fails with the reason
// alone (no one can answer for its caller, a batch); any other load asks
// whether to keep them. True to keep them.
static bool TakeShortRead(const RecordRead& r, uint64_t has)
{
    if (!r.whole) return LoadShortReadAnyway(r.title, "LAS", r.full, has);
    ReportShortRead(r.title, "LAS", r.full, has);
    return false;
}

// Every record, in runs straight from the read buffer; a run never crosses a
// multiple of 32,768 records, where the progress bar steps. 0 when the file
// is short and the user does not take what was read.
static int ReadEveryRecord(RecordRead& r)
{
    StartProgress((unsigned)(r.count / 32768 + 2), "Loading LAS File");
    for (uint64_t i = 0; i < r.count;) {
        uint32_t got = 0;
        uint64_t most = std::min<uint64_t>(r.count - i, 32768 - (i & 32767));
        const uint8_t* run = ReadLASPointRun(r.las, (uint32_t)most, &got);
        if (!run) {
            if (!TakeShortRead(r, i)) return 0;
            r.set->filePointCount = r.set->pointCount = (int32_t)i;
            break;
        }
        if ((i & 32767) == 0) StepProgress();
        PointRecord* p = &r.set->points[i];
        for (uint32_t k = 0; k < got; k++, run += r.length, p++) {
            PackPoint(r.layout, run, p);
            r.classSeen[p->classification] = 1;
            if (r.color) {
                AddSample(r.cs, r.layout, run);
                if (r.colors) memcpy(r.colors + (i + k) * 3, run + r.layout.rgbAt, 6);
            }
        }
        i += got;
    }
    return 1;
}

// Every step-th record; every record feeds the colour stretch. 0 on a short file.
static int ReadEveryStepthRecord(RecordRead& r)
{
    StartProgress((unsigned)((r.n >> 15) + 2), "Decimate LAS File\n");
    uint64_t kept = 0;
    for (uint64_t i = 0; i < r.n;) {
        uint32_t got = 0;
        uint64_t most = std::min<uint64_t>(r.n - i, 32768 - (i & 32767));
        const uint8_t* run = ReadLASPointRun(r.las, (uint32_t)most, &got);
        if (!run) {
            ErrorWithTitle(r.title, "\nShort read, LAS file is corrupt!\n");
            return 0;
        }
        if ((i & 32767) == 0) StepProgress();
        for (uint32_t k = 0; k < got; k++, run += r.length) {
            if (r.color) AddSample(r.cs, r.layout, run);
            if ((i + k) % r.step == 0 && kept < r.count) {
                PackPoint(r.layout, run, &r.set->points[kept]);
                r.classSeen[r.set->points[kept].classification] = 1;
                if (r.colors) memcpy(r.colors + kept * 3, run + r.layout.rgbAt, 6);
                kept++;
            }
        }
        i += got;
    }
    return 1;
}

// Stretches the kept colours into the points: from the colours kept aside, or
// by a second pass over the file when there was no room for them.
static void ColourPoints(RecordRead& r)
{
    DataSet* set = r.set;
    set->hasColor = FinishColorStretch(r.cs);
    if (r.colors) {
        for (int32_t i = 0; i < set->pointCount; i++) {
            PointRecord* p = &set->points[i];
            const uint16_t* c = r.colors + 3 * (size_t)i;
            p->red = StretchChannel(r.cs, c[0]);
            p->green = StretchChannel(r.cs, c[1]);
            p->blue = StretchChannel(r.cs, c[2]);
        }
        return;
    }
    RewindLASFile(r.las);
    uint64_t total = r.step == 1 ? (uint64_t)set->pointCount : r.n;
    StartProgress((unsigned)(total / 32768 + 2), "Loading RGB");
    uint64_t used = 0;
    uint8_t record[65536];   // a record length is a 16-bit field
    for (uint64_t i = 0; i < total && used < (uint64_t)set->pointCount; i++) {
        if (!ReadLASPointRaw(r.las, record)) {
            if (r.step == 1) set->filePointCount = set->pointCount = (int32_t)used;
            break;
        }
        if (r.step == 1 || i % r.step == 0) ColorPoint(r.cs, r.layout, record, &set->points[used++]);
        if ((i & 32767) == 0) StepProgress();
    }
    EndProgress();
}

static DataSet* ReadLASPointsWith(const char* path, const char* title, bool whole)
{
    ScopedColorStretch stretch;
    if (!stretch.stretch) {
        ReportLoadAllocationFailure(sizeof(ColorStretch));
        return nullptr;
    }
    DataSet* set = NewLoadedDataSet(SOURCE_LAS, path, title);
    if (!set) return nullptr;
    LASFile* las = OpenForLoad(path, title);
    if (!las) return GiveUp(set, nullptr, false);
    StampLASSource(set, las);
    // The points beyond what the file holds end as a short read, which the
    // user is asked about once the points there are have been read. A
    // damaged count asks for no memory the file cannot fill.
    uint64_t n = GetLASHeldPointCount(las);
    uint32_t step = whole ? WholeLoadStep(n, title) : ChooseDecimationStep(n, title);
    if (step == 0) return GiveUp(set, las, false);

    int units = GetLASLinearUnitsKey(las);
    set->units = units == 9001 ? 1 : (units == 9002 || units == 9003) ? 3 : units;

    if (n < 2) {
        ErrorWithTitle(title, kLASEmptyText);
        return GiveUp(set, las, false);
    }
    const LASHeader& h = las->header;
    uint64_t count = StartLoadedPoints(set, n, &step, las->format, {h.minX, h.maxX, h.minY, h.maxY, h.minZ, h.maxZ});
    if (!count) return GiveUp(set, las, false);

    RecordRead r = {};
    r.las = las;
    r.set = set;
    r.title = title;
    r.layout = LayoutOf(las);
    r.cs = stretch.stretch;
    r.full = las->pointCount;
    r.n = n;
    r.count = count;
    r.step = step;
    r.length = (uint32_t)las->recordLength;
    r.color = r.layout.rgbAt >= 0;
    r.whole = whole;
    // The 16-bit colours of the kept points wait here for the stretch, which
    // needs every point first; without room for them a second pass over the
    // file reads them again.
    r.colors = r.color ? (uint16_t*)NBLMalloc(count * 3 * sizeof(uint16_t)) : nullptr;
    int read;
    {
        PageToucher touchPoints(set->points, count * sizeof(PointRecord));
        PageToucher touchColors(r.colors, r.colors ? count * 3 * sizeof(uint16_t) : 0);
        read = step == 1 ? ReadEveryRecord(r) : ReadEveryStepthRecord(r);
        touchPoints.Finish();
        touchColors.Finish();
    }
    // Every point the file holds was read, fewer than the header says.
    if (read && n < r.full && (uint64_t)set->filePointCount == count)
        read = TakeShortRead(r, n);
    if (!read) {
        NBLFree(r.colors);
        return GiveUp(set, las, true);
    }
    for (uint8_t seen : r.classSeen) set->classCount += seen;
    EndProgress();
    if (r.color) ColourPoints(r);
    NBLFree(r.colors);
    // What a short read kept may be too little for a view, as an empty file is.
    if (set->pointCount < 2) {
        ErrorWithTitle(title, kLASEmptyText);
        return GiveUp(set, las, false);
    }
    set->saved = 1;
    ReportLoaded(set, las->loadNote);
    CloseLASFile(las);
    return set;
}

int LoadLASPointsInPolygon(const char* path, const char* title, const RingPolygon* polygon, DataSet* set)
{
    LASFile* las = OpenLASFile(path, LAS_MODE_READ);
    if (!las) return 0;
    uint64_t room = (uint64_t)set->pointCount + 16384;
    PointRecord* grown = (PointRecord*)NBLReMalloc(set->points, room * sizeof(PointRecord));
    if (!grown) {
        CloseLASFile(las);
        return 0;
    }
    set->points = grown;
    // A neighbour's damaged count reads the records its file holds.
    uint64_t n = GetLASHeldPointCount(las);
    StartSecondProgress((unsigned)(n / 32768 + 1), "Loading File");
    PointLayout layout = LayoutOf(las);
    const PolygonRing* ring = polygon && polygon->num_contours > 0 ? &polygon->contour[0] : nullptr;
    uint8_t record[65536];   // a record length is a 16-bit field
    int ok = 1;
    for (uint64_t i = 0; i < n; i++) {
        if ((i & 32767) == 0) StepSecondProgress();
        if (!ReadLASPointRaw(las, record)) {
            ok = 0;
            break;
        }
        double x = I32(record, 0) * layout.xScale + layout.xOffset;
        double y = I32(record, 4) * layout.yScale + layout.yOffset;
        if (!ring || !PointInPolygon(ring, x, y)) continue;
        if ((uint64_t)set->pointCount >= room) {
            room += 16384;
            grown = (PointRecord*)NBLReMalloc(set->points, room * sizeof(PointRecord));
            if (!grown) {
                ok = 0;
                break;
            }
            set->points = grown;
        }
        if (x < set->minX) set->minX = x;
        if (x > set->maxX) set->maxX = x;
        if (y < set->minY) set->minY = y;
        if (y > set->maxY) set->maxY = y;
        // Buffer points keep full precision: rounding them to single precision
        // would move them by decimetres at survey coordinates.
        PointRecord* p = &set->points[set->pointCount];
        memset(p, 0, sizeof *p);
        PackPoint(layout, record, p);
        p->pointSourceId = 0;
        p->flags = 0;
        p->gpsTime = 0;
        set->pointCount++;
    }
    if (ok) {
        // Keep the array no larger than its points.
        PointRecord* shrunk = (PointRecord*)NBLReMalloc(set->points, (uint64_t)(set->pointCount ? set->pointCount : 1) *
                                                                         sizeof(PointRecord));
        if (shrunk) set->points = shrunk;
    }
    CloseLASFile(las);
    EndSecondProgress();
    if (!ok) return 0;
    char line[300];
    snprintf(line, sizeof line, "[LOAD]  %s", title);
    LogMessage(line);
    return 1;
}
