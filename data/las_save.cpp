// Class saving: a byte-for-byte copy of the source LAS file with the class of
// each point record patched, written to a temporary file beside the target and
// moved over it. The header and variable length records are copied as stored
// (no field of them is rewritten unless fewer points than the file holds are
// written), records keep every byte but the class, and whatever follows the
// point data (extended VLRs, waveform packets) follows it in the copy too.
#include "data/las_save.h"
#include "base/messages.h"
#include "data/data_set.h"
#include "data/lasfile/las_file.h"
#include "base/file_replace.h"
#include "base/file_system.h"
#include "base/heap.h"
#include "base/paths.h"
#include "base/progress.h"
#include "base/text.h"
#include <windows.h>
#include <cmath>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

static const char kSaveProgressText[] = "Saving LAS File";
const char kSaveDecimatedText[] = "%s has been decimated!\n\nDecimated files cannot be saved.";
const char kSaveNotLASText[] = "%s was not read from an uncompressed LAS file.\n\n"
                               "Only LAS files can be saved with their classes.";
const char kSaveReadOnlyReason[] = "The file is read-only.";
const char kSavePathTooLongText[] = "Unable to save %s: the path is too long (%d bytes; at most %d fit, "
                                    "a letter outside ASCII taking 2 or 3)";
const char kSaveFolderTooLongText[] = "Unable to save %s: its folder is too long (%d characters; a folder may have "
                                      "at most %d, to leave room for the temporary file a save writes beside the file)";

int CountClassesBeyondFormat(const DataSet* set, int format)
{
    if (format > 5 || !set->points) return 0;
    int n = 0;
    for (int32_t i = 0; i < set->filePointCount; i++)
        if (set->points[i].classification > 31) n++;
    return n;
}

void PatchRecordClass(uint8_t* record, int pointFormat, uint8_t classification)
{
    if (pointFormat <= 5) record[15] = (uint8_t)((record[15] & 0xE0) | (classification & 0x1F));
    else record[16] = classification;
}

static void SetOutcome(LASClassSave* o, int status, const char* format, ...) __attribute__((format(printf, 3, 4)));
static void SetOutcome(LASClassSave* o, int status, const char* format, ...)
{
    o->status = status;
    va_list args;
    va_start(args, format);
    vsnprintf(o->message, sizeof o->message, format, args);
    va_end(args);
}

// Counts by return and extent of the records actually written, for a copy that
// leaves out records at the end of the file.
struct WrittenSummary {
    uint64_t byReturn[15];
    double minX, maxX, minY, maxY, minZ, maxZ;
};

static void AddToSummary(WrittenSummary* s, const uint8_t* r, int format, const LASHeader& h)
{
    int32_t xyz[3];
    memcpy(xyz, r, sizeof xyz);
    double x = xyz[0] * h.xScale + h.xOffset, y = xyz[1] * h.yScale + h.yOffset, z = xyz[2] * h.zScale + h.zOffset;
    if (x < s->minX) s->minX = x;
    if (x > s->maxX) s->maxX = x;
    if (y < s->minY) s->minY = y;
    if (y > s->maxY) s->maxY = y;
    if (z < s->minZ) s->minZ = z;
    if (z > s->maxZ) s->maxZ = z;
    int ret = format >= 6 ? (r[14] & 0x0F) : (r[14] & 0x07);
    if (ret >= 1) s->byReturn[ret - 1]++;
}

template <typename T> static void PutField(uint8_t* header, size_t headerSize, size_t offset, T value)
{
    if (offset + sizeof value <= headerSize) memcpy(header + offset, &value, sizeof value);
}

// The header as stored, with its counts, extent and the positions of the data
// behind the points (at `pointsEnd` or later) made true for `written` of the
// file's records. Only the fields of the file's own version are written:
// header bytes past them are user data, and a field a short header cuts into
// is not there (PutField). A count the file left at 0 stays 0.
static void ReviseHeaderForFewerPoints(uint8_t* header, const LASFile* src, uint64_t written,
                                       const WrittenSummary& s, uint64_t pointsEnd, uint64_t removedBytes,
                                       bool trailing)
{
    const LASHeader& h = src->header;
    size_t size = h.headerSize;
    const bool holds13 = src->version >= 13;
    const bool holds14 = src->version >= 14;
    if (h.legacyPointCount != 0 || src->format <= 5) {
        PutField<uint32_t>(header, size, offsetof(LASHeader, legacyPointCount), (uint32_t)written);
        for (int k = 0; k < 5; k++)
            PutField<uint32_t>(header, size, offsetof(LASHeader, legacyPointsByReturn) + 4 * k, (uint32_t)s.byReturn[k]);
    }
    if (written > 0) {
        PutField(header, size, offsetof(LASHeader, maxX), s.maxX);
        PutField(header, size, offsetof(LASHeader, minX), s.minX);
        PutField(header, size, offsetof(LASHeader, maxY), s.maxY);
        PutField(header, size, offsetof(LASHeader, minY), s.minY);
        PutField(header, size, offsetof(LASHeader, maxZ), s.maxZ);
        PutField(header, size, offsetof(LASHeader, minZ), s.minZ);
    }
    if (holds13 && trailing && h.waveformDataStart >= pointsEnd)
        PutField<uint64_t>(header, size, offsetof(LASHeader, waveformDataStart), h.waveformDataStart - removedBytes);
    if (holds14 && trailing && h.firstEVLRStart >= pointsEnd)
        PutField<uint64_t>(header, size, offsetof(LASHeader, firstEVLRStart), h.firstEVLRStart - removedBytes);
    if (holds14 && (h.pointCount64 != 0 || src->format > 5)) {
        PutField<uint64_t>(header, size, offsetof(LASHeader, pointCount64), written);
        for (int k = 0; k < 15; k++)
            PutField<uint64_t>(header, size, offsetof(LASHeader, pointsByReturn) + 8 * k, s.byReturn[k]);
    }
}

static bool WriteAll(HANDLE file, const void* data, uint64_t bytes)
{
    return bytes == 0 || LASWriteItems(file, data, bytes, 1) == 1;
}

// Whether a loaded coordinate came from the stored integer. Not an exact
// comparison: x87 arithmetic (32-bit builds) or a fused multiply-add may round
// the same expression differently from the loader, and the save would then
// refuse every file; a quarter step still tells any other stored value apart.
static bool SameCoordinate(int32_t stored, double scale, double offset, double loaded)
{
    return fabs(stored * scale + offset - loaded) <= 0.25 * fabs(scale);
}

// Copies the source into the open, empty `dst`. Fills `o` on failure.
static int CopyRecords(const DataSet* set, LASFile* src, HANDLE dst, const char* dstName, LASClassSave* o)
{
    const LASHeader& h = src->header;
    const int format = src->format;
    const uint64_t length = (uint64_t)src->recordLength;
    const uint64_t n = (uint64_t)(set->filePointCount > 0 ? set->filePointCount : 0);
    // The records the file holds, not a damaged count: what follows them is
    // copied as it is and moves only by the records left out.
    const uint64_t held = GetLASHeldPointCount(src);
    const uint64_t pointsEnd = src->dataStart + held * length;
    const int64_t fileSize = LASFileSize(src->file);
    const bool trailing = fileSize > 0 && (uint64_t)fileSize > pointsEnd;

    uint8_t* header = (uint8_t*)Malloc(src->dataStart, "SaveLASClasses");
    uint8_t* block = (uint8_t*)Malloc(length * LAS_BUFFER_RECORDS, "SaveLASClasses");
    int ok = 0;
    WrittenSummary summary = {};
    summary.minX = summary.minY = summary.minZ = LAS_EMPTY_MIN;
    summary.maxX = summary.maxY = summary.maxZ = LAS_EMPTY_MAX;
    if (!header || !block) {
        SetOutcome(o, LAS_SAVE_WRITE, "Not enough memory to save %s", set->title);
        goto done;
    }
    if (!LASSeek(src->file, 0, FILE_BEGIN) || LASReadItems(src->file, header, src->dataStart, 1) != 1) {
        SetOutcome(o, LAS_SAVE_READ, "Unable to read the header of %s\n\n%s", set->title, SystemErrorText(GetLastError()));
        goto done;
    }
    if (!WriteAll(dst, header, src->dataStart)) {
        SetOutcome(o, LAS_SAVE_WRITE, "Unable to write %s\n\n%s", dstName, SystemErrorText(GetLastError()));
        goto done;
    }
    {
        uint64_t filled = 0;
        for (uint64_t i = 0; i < n; i++) {
            if ((i & 32767) == 0) StepProgress();
            uint8_t* r = block + filled * length;
            if (!ReadLASPointRaw(src, r)) {
                SetOutcome(o, LAS_SAVE_READ, "Unable to read point %llu of %s\n\n%s", (unsigned long long)i + 1,
                           set->title, GetLASErrorText(src));
                goto done;
            }
            // The set's classes belong to the points it was loaded from; a file
            // replaced since then would get them on the wrong points.
            const PointRecord& p = set->points[i];
            int32_t xy[2];
            memcpy(xy, r, sizeof xy);
            if (!SameCoordinate(xy[0], h.xScale, h.xOffset, p.x) || !SameCoordinate(xy[1], h.yScale, h.yOffset, p.y)) {
                SetOutcome(o, LAS_SAVE_SOURCE_CHANGED,
                           "%s no longer holds the points it was loaded with (point %llu differs).\n\n"
                           "The file was not saved.", set->title, (unsigned long long)i + 1);
                goto done;
            }
            PatchRecordClass(r, format, p.classification);
            if (n < src->pointCount) AddToSummary(&summary, r, format, h);
            if (++filled == LAS_BUFFER_RECORDS) {
                if (!WriteAll(dst, block, filled * length)) {
                    SetOutcome(o, LAS_SAVE_WRITE, "Unable to write %s\n\n%s", dstName, SystemErrorText(GetLastError()));
                    goto done;
                }
                filled = 0;
            }
        }
        if (!WriteAll(dst, block, filled * length)) {
            SetOutcome(o, LAS_SAVE_WRITE, "Unable to write %s\n\n%s", dstName, SystemErrorText(GetLastError()));
            goto done;
        }
    }
    if (trailing) {
        uint64_t left = (uint64_t)fileSize - pointsEnd;
        uint64_t chunk = length * LAS_BUFFER_RECORDS;
        if (!LASSeek(src->file, (int64_t)pointsEnd, FILE_BEGIN)) left = UINT64_MAX;
        while (left > 0) {
            uint64_t part = left < chunk ? left : chunk;
            if (left == UINT64_MAX || LASReadItems(src->file, block, part, 1) != 1) {
                SetOutcome(o, LAS_SAVE_READ, "Unable to read the data behind the points of %s\n\n%s", set->title,
                           SystemErrorText(GetLastError()));
                goto done;
            }
            if (!WriteAll(dst, block, part)) {
                SetOutcome(o, LAS_SAVE_WRITE, "Unable to write %s\n\n%s", dstName, SystemErrorText(GetLastError()));
                goto done;
            }
            left -= part;
        }
    }
    if (n < src->pointCount) {
        ReviseHeaderForFewerPoints(header, src, n, summary, pointsEnd, (held - n) * length, trailing);
        if (!LASSeek(dst, 0, FILE_BEGIN) || !WriteAll(dst, header, h.headerSize)) {
            SetOutcome(o, LAS_SAVE_WRITE, "Unable to write %s\n\n%s", dstName, SystemErrorText(GetLastError()));
            goto done;
        }
    }
    ok = 1;
done:
    Free(block);
    Free(header);
    return ok;
}

// Why the source did not open. The library's text speaks only of a header it
// refused (and may be left from another file); a file that does not open at
// all, or is no LAS file, has a reason of its own.
static const char* SourceOpenReason(const char* path)
{
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return SystemErrorText(GetLastError());
    CloseHandle(h);
    if (!IsLASFile(path)) return "It is not a LAS file.";
    const char* reason = GetLASErrorText(nullptr);
    return reason && reason[0] ? reason : "Its header is not one this program reads.";
}

static uint64_t WriteTimeOf(HANDLE file)
{
    FILETIME written;
    if (!GetFileTime(file, nullptr, nullptr, &written)) return 0;
    return ((uint64_t)written.dwHighDateTime << 32) | written.dwLowDateTime;
}

void StampLASSource(DataSet* set, const LASFile* las)
{
    set->sourcePointCount = las->pointCount;
    set->sourceSize = LASFileSize(las->file);
    set->sourceWriteTime = WriteTimeOf(las->file);
}

int RestampLASSource(DataSet* set)
{
    LASFile* las = OpenLASFile(set->path, LAS_MODE_READ);
    if (!las) return 0;
    StampLASSource(set, las);
    CloseLASFile(las);
    return 1;
}

// Whether the source still is the file the set was loaded from: points
// appended or removed since would be lost or misplaced by the copy, and a
// file written since (another copy of it saved) would lose that writer's work.
static int SourceAsLoaded(const DataSet* set, LASFile* src, bool inPlace, int replaceRewritten, LASClassSave* o)
{
    if (!set->sourceWriteTime) return 1;   // not stamped: only the per-point check applies
    int64_t size = LASFileSize(src->file);
    if (src->pointCount != set->sourcePointCount || size != set->sourceSize) {
        SetOutcome(o, LAS_SAVE_SOURCE_CHANGED,
                   "%s has changed since it was loaded: it now holds %llu points in %lld bytes, "
                   "it held %llu points in %lld bytes.\n\nThe file was not saved.",
                   set->title, (unsigned long long)src->pointCount, (long long)size,
                   (unsigned long long)set->sourcePointCount, (long long)set->sourceSize);
        return 0;
    }
    if (inPlace && !replaceRewritten && WriteTimeOf(src->file) != set->sourceWriteTime) {
        SetOutcome(o, LAS_SAVE_SOURCE_REWRITTEN,
                   "%s has been written since it was loaded, perhaps by another copy of this program.\n\n"
                   "Replace it with the points and classes shown here?", set->title);
        return 0;
    }
    return 1;
}

// Copies into `destination` (an existing empty file). Fills `o` on failure.
static int CopyWithClasses(const DataSet* set, const char* destination, const char* destinationName, bool inPlace,
                           int replaceRewritten, LASClassSave* o)
{
    LASFile* src = OpenLASFile(set->path, LAS_MODE_READ);
    if (!src) {
        SetOutcome(o, LAS_SAVE_SOURCE_OPEN, "Unknown error opening %s\n\n%s", set->title, SourceOpenReason(set->path));
        return 0;
    }
    o->pointFormat = src->format;
    if (!SourceAsLoaded(set, src, inPlace, replaceRewritten, o)) {
        CloseLASFile(src);
        return 0;
    }
    const uint64_t held = GetLASHeldPointCount(src);
    if (held < (uint64_t)(set->filePointCount > 0 ? set->filePointCount : 0)) {
        SetOutcome(o, LAS_SAVE_SOURCE_CHANGED,
                   "%s no longer holds the points it was loaded with (%llu points, %d loaded).\n\n"
                   "The file was not saved.", set->title, (unsigned long long)held, set->filePointCount);
        CloseLASFile(src);
        return 0;
    }
    o->classesOutOfRange = CountClassesBeyondFormat(set, src->format);
    if (o->classesOutOfRange > 0) {
        SetOutcome(o, LAS_SAVE_CLASS_RANGE,
                   "%d points of %s have classes above 31, which point format %d cannot hold.\n\n"
                   "The file was not saved.", o->classesOutOfRange, set->title, src->format);
        CloseLASFile(src);
        return 0;
    }
    HANDLE dst = CreateFileA(destination, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (dst == INVALID_HANDLE_VALUE) {
        SetOutcome(o, LAS_SAVE_CREATE, "Unknown error creating %s\n\n%s", destinationName, SystemErrorText(GetLastError()));
        CloseLASFile(src);
        return 0;
    }
    StartProgress((unsigned)(set->filePointCount / 32768 + 2), kSaveProgressText);
    int ok = CopyRecords(set, src, dst, destinationName, o);
    if (ok && !FlushFileBuffers(dst)) {
        SetOutcome(o, LAS_SAVE_WRITE, "Unable to write %s\n\n%s", destinationName, SystemErrorText(GetLastError()));
        ok = 0;
    }
    if (!CloseHandle(dst) && ok) {
        SetOutcome(o, LAS_SAVE_WRITE, "Unable to write %s\n\n%s", destinationName, SystemErrorText(GetLastError()));
        ok = 0;
    }
    EndProgress();
    CloseLASFile(src);
    return ok;
}

static int FolderTooLong(LASClassSave* o, const char* target, const char* targetTitle)
{
    SetOutcome(o, LAS_SAVE_NO_TEMP_NAME, kSaveFolderTooLongText, targetTitle, (int)WindowsFolderUnits(target),
               (int)LongestTempFolder(kTempFileExtension));
    return 0;
}

int LASSaveTargetFits(const char* target, const char* targetTitle, LASClassSave* o)
{
    memset(o, 0, sizeof *o);
    size_t length = strlen(target);
    if (length >= kPathChars) {
        SetOutcome(o, LAS_SAVE_NO_TEMP_NAME, kSavePathTooLongText, targetTitle, (int)length, (int)kPathChars - 1);
        return 0;
    }
    // Beside the target, so the final move stays on one volume and is one step.
    return TempNamesFitBeside(target, kTempFileExtension) ? 1 : FolderTooLong(o, target, targetTitle);
}

int SaveLASClasses(const DataSet* set, const char* target, const char* targetTitle, LASClassSave* o,
                   int replaceRewritten)
{
    if (!LASSaveTargetFits(target, targetTitle, o)) return 0;
    // A file someone protected is never replaced (Windows refuses to, Wine
    // does not); known before a byte is written.
    if (IsReadOnlyFile(target)) {
        SetOutcome(o, LAS_SAVE_REPLACE, "Unable to save %s\n\n%s", targetTitle, kSaveReadOnlyReason);
        return 0;
    }
    void* held = nullptr;
    std::string temp = NewTempFileBeside(target, kTempFileExtension, &held);
    if (temp.empty()) {
        const char* system = SystemErrorText(GetLastError());
        std::string why = TempNameRefusal(target, kTempFileExtension);
        SetOutcome(o, LAS_SAVE_NO_TEMP_NAME, "Unable to save %s: no file can be made in its folder\n\n%s", targetTitle,
                   why.empty() ? system : why.c_str());
        return 0;
    }
    // Its name alone: the whole path may be longer than a PathParts holds.
    std::string base = temp.substr(0, temp.size() - strlen(kTempFileExtension));
    CopyBounded(o->tempName, sizeof o->tempName, base.c_str() + base.find_last_of("\\/:") + 1);

    bool inPlace = lstrcmpiA(target, set->path) == 0;
    if (!CopyWithClasses(set, temp.c_str(), targetTitle, inPlace, replaceRewritten, o)) {
        DeleteFileA(temp.c_str());
        ReleaseTempBase(base, &held);
        return 0;
    }
    bool readOnly = IsReadOnlyFile(target);
    if (readOnly || !MoveFileExA(temp.c_str(), target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const char* reason = readOnly ? kSaveReadOnlyReason : SystemErrorText(GetLastError());
        SetOutcome(o, LAS_SAVE_REPLACE, "Rename:\n\n %s to %s\n\n failed!\n\n%s", o->tempName, targetTitle, reason);
        DeleteFileA(temp.c_str());
        ReleaseTempBase(base, &held);
        return 0;
    }
    ReleaseTempBase(base, &held);
    return 1;
}
