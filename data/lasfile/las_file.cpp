// The LAS file handle: creating, opening, rewinding, closing and freeing it,
// the per-thread error texts, and the file calls every part of the
// library goes through.
#include "data/lasfile/las_file.h"
#include "base/file_io.h"
#include "base/heap.h"
#include "base/text.h"
#include <cstdio>
#include <cstdarg>
#include <cstring>

static const char LAS_LIB_VERSION[] = "1.40  28-April-2015 rvdk";
static const uint64_t LAS_DEFAULT_BUFFER = 635904;   // 9216 records of up to 69 bytes

// Errors that arise where no handle exists, the format the last opening
// refused, and the system's text for the last failed file opening. Batch and
// conversion workers open files while the window thread does: each thread
// keeps its own, so a text fetched after a failure is that failure's.
static thread_local char lasErrorText[LAS_ERROR_TEXT_SIZE];
static thread_local int lasRefusedFormat = -1;
static thread_local char lasSystemErrorText[LAS_ERROR_TEXT_SIZE + 1];

const char* GetLASLibVersion()
{
    return LAS_LIB_VERSION;
}

void SetLASError(LASFile* las, const char* message, const char* function)
{
    char* text = las ? las->errorText : lasErrorText;
    snprintf(text, LAS_ERROR_TEXT_SIZE, "%s:  %s", function, message);
}

void SetLASErrorF(LASFile* las, const char* function, const char* format, ...)
{
    char message[LAS_ERROR_TEXT_SIZE];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    SetLASError(las, message, function);
}

void SetLASWriteFailure(LASFile* las, const char* function, const char* format, ...)
{
    if (!las->writeFailed) {
        char message[LAS_ERROR_TEXT_SIZE];
        va_list args;
        va_start(args, format);
        vsnprintf(message, sizeof message, format, args);
        va_end(args);
        SetLASError(las, message, function);
    }
    las->writeFailed = 1;
}

void NoteLASRefusedFormat(int format) { lasRefusedFormat = format; }
int GetLASRefusedFormat() { return lasRefusedFormat; }

const char* GetLASErrorText(LASFile* las)
{
    if (las && las->errorText[0]) return las->errorText;
    return lasErrorText;
}

char* GetLastLASSystemError()
{
    if (!lasSystemErrorText[0]) return nullptr;
    for (char* c = lasSystemErrorText; *c; c++)
        if ((unsigned char)*c < 32 || *c == 127) *c = ' ';
    return lasSystemErrorText;
}

// Keeps the system's message for the opening that just failed.
static void NoteOpenFailure()
{
    DWORD code = GetLastError();
    memset(lasSystemErrorText, 0, sizeof lasSystemErrorText);
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), lasSystemErrorText, LAS_ERROR_TEXT_SIZE, nullptr);
}

static HANDLE OpenForReading(const char* name)
{
    HANDLE h = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) { NoteOpenFailure(); return nullptr; }
    return h;
}

static HANDLE OpenForWriting(const char* name, DWORD disposition)
{
    HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) { NoteOpenFailure(); return nullptr; }
    return h;
}

uint64_t LASReadItems(HANDLE file, void* buffer, uint64_t size, uint64_t count)
{
    if (!file || size == 0 || count == 0) return 0;
    uint64_t want;
    if (!CheckedBytes(size, count, &want)) return 0;
    uint64_t got = 0;
    uint8_t* at = (uint8_t*)buffer;
    while (got < want) {
        DWORD chunk = (DWORD)((want - got) > 0x40000000u ? 0x40000000u : (want - got));
        DWORD n = 0;
        if (!ReadFile(file, at + got, chunk, &n, nullptr) || n == 0) break;
        got += n;
    }
    return got / size;
}

uint64_t LASWriteItems(HANDLE file, const void* buffer, uint64_t size, uint64_t count)
{
    if (!file || size == 0 || count == 0) return 0;
    uint64_t want;
    if (!CheckedBytes(size, count, &want) || TakeWriteFault()) return 0;
    uint64_t put = 0;
    const uint8_t* at = (const uint8_t*)buffer;
    while (put < want) {
        DWORD chunk = (DWORD)((want - put) > 0x40000000u ? 0x40000000u : (want - put));
        DWORD n = 0;
        if (!WriteFile(file, at + put, chunk, &n, nullptr) || n == 0) break;
        put += n;
    }
    return put / size;
}

int LASSeek(HANDLE file, int64_t distance, DWORD origin)
{
    LARGE_INTEGER to;
    to.QuadPart = distance;
    return SetFilePointerEx(file, to, nullptr, origin) ? 1 : 0;
}

int64_t LASFileSize(HANDLE file)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size)) return -1;
    return size.QuadPart;
}

static int ReadFileAt(void* context, uint64_t offset, void* buffer, uint64_t size)
{
    HANDLE file = (HANDLE)context;
    if (size == 0) return 1;
    if (offset > (uint64_t)INT64_MAX) return 0;
    return LASSeek(file, (int64_t)offset, FILE_BEGIN) && LASReadItems(file, buffer, size, 1) == 1;
}

LASByteSource LASFileByteSource(HANDLE file)
{
    int64_t size = LASFileSize(file);
    return LASByteSource{(void*)file, ReadFileAt, size > 0 ? (uint64_t)size : 0};
}

int EnsureLASBuffer(LASFile* las, int recordLength, const char* function)
{
    uint64_t need;
    if (recordLength <= 0 || !CheckedBytes((uint64_t)recordLength, LAS_BUFFER_RECORDS, &need)) return 0;
    if (need <= las->bufferBytes) return 1;
    void* grown = ReMalloc(las->buffer, need, function);
    if (!grown) {
        SetLASErrorF(las, function, "Memory problems, unable to allocate %llu bytes!", (unsigned long long)need);
        return 0;
    }
    las->buffer = (uint8_t*)grown;
    las->bufferBytes = need;
    return 1;
}

int IsLASFile(const char* name)
{
    HANDLE h = OpenForReading(name);
    if (!h) return 0;
    char signature[5] = { 0, 0, 0, 0, 0 };
    uint64_t got = LASReadItems(h, signature, 4, 1);
    CloseHandle(h);
    return got == 1 && strcmp(signature, "LASF") == 0;
}

LASFile* CreateLASStruct()
{
    LASFile* las = (LASFile*)Calloc(1, sizeof(LASFile), "CreateLASStruct");
    if (!las) {
        SetLASErrorF(nullptr, "CreateLASStruct", "Memory problems, unable to allocate %d bytes!", (int)sizeof(LASFile));
        return nullptr;
    }
    las->mode = LAS_MODE_READ;
    InitLASHeader(las);
    las->recordLength = las->header.pointDataRecordLength;
    las->buffer = (uint8_t*)Calloc(1, LAS_DEFAULT_BUFFER, "CreateLASStruct");
    if (!las->buffer) {
        Free(las);
        SetLASErrorF(nullptr, "CreateLASStruct", "Memory problems, unable to allocate %d bytes!", (int)LAS_DEFAULT_BUFFER);
        return nullptr;
    }
    las->bufferBytes = LAS_DEFAULT_BUFFER;
    return las;
}

void FreeLASStruct(LASFile* las)
{
    if (!las) return;
    FreeVLRTable(las);
    Free(las->rawHeader);
    Free(las->buffer);
    Free(las);
}

// The file's own opening failed: keep the system's reason when it has one.
static void ReportOpenFailure(const char* function, const char* name, const char* purpose)
{
    const char* system = GetLastLASSystemError();
    if (system) SetLASErrorF(nullptr, function, "[%s] %s", name, system);
    else SetLASErrorF(nullptr, function, "Unable to open %s for %s", name, purpose);
}

// A file too short to hold the signature fails the signature test for want
// of bytes: its reason is its size, not whatever failed before it. A file
// whose first bytes are another signature leaves the text alone.
static void NoteFileTooSmall(const char* name)
{
    HANDLE h = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    int64_t size = LASFileSize(h);
    CloseHandle(h);
    if (size >= 0 && size < 4)
        SetLASErrorF(nullptr, "OpenLASFile", kLASFileTooSmallFormat, (unsigned long long)size);
}

LASFile* OpenLASFile(const char* name, int mode)
{
    lasRefusedFormat = -1;
    if (!IsLASFile(name)) {
        NoteFileTooSmall(name);
        return nullptr;
    }
    LASFile* las = CreateLASStruct();
    if (!las) return nullptr;
    CopyBounded(las->name, sizeof las->name, name);
    las->mode = mode;

    const char* purpose;
    switch (mode) {
    case LAS_MODE_WRITE:  las->file = OpenForWriting(name, OPEN_EXISTING); purpose = "writing"; break;
    case LAS_MODE_READ:   las->file = OpenForReading(name); purpose = "reading"; break;
    case LAS_MODE_UPDATE: las->file = OpenForWriting(name, OPEN_EXISTING); purpose = "update"; break;
    default:
        FreeLASStruct(las);
        return nullptr;
    }
    if (!las->file) {
        ReportOpenFailure("OpenLASFile", name, purpose);
        FreeLASStruct(las);
        return nullptr;
    }
    if (!ReadLASHeader(las)) {
        // The handle goes away: its reason moves to the library text.
        if (las->errorText[0]) CopyBounded(lasErrorText, sizeof lasErrorText, las->errorText);
        CloseHandle(las->file);
        FreeLASStruct(las);
        return nullptr;
    }
    if (mode == LAS_MODE_UPDATE) {
        las->openedHeader = las->header;
        ResetLASHeaderCounts(las);
    }
    return las;
}

int CreateLASFile(const char* name, int version)
{
    LASFile* las = CreateLASStruct();
    if (!las) return 0;
    las->file = OpenForWriting(name, CREATE_ALWAYS);
    if (!las->file) {
        ReportOpenFailure("CreateLASFile", name, "writing");
        FreeLASStruct(las);
        return 0;
    }
    las->mode = LAS_MODE_WRITE;
    SetLASVersion(las, version);
    return CloseLASFile(las);
}

// Update mode rebuilt the counts and extent from the records it rewrote; when
// the caller stopped early those describe only part of the file, so the file
// keeps the ones it had.
static void KeepCountsOfPartialUpdate(LASFile* las)
{
    if (las->recordsUpdated >= las->pointCount) return;
    LASHeader& h = las->header;
    const LASHeader& o = las->openedHeader;
    h.legacyPointCount = o.legacyPointCount;
    memcpy(h.legacyPointsByReturn, o.legacyPointsByReturn, sizeof h.legacyPointsByReturn);
    h.pointCount64 = o.pointCount64;
    memcpy(h.pointsByReturn, o.pointsByReturn, sizeof h.pointsByReturn);
    h.minX = o.minX; h.maxX = o.maxX;
    h.minY = o.minY; h.maxY = o.maxY;
    h.minZ = o.minZ; h.maxZ = o.maxZ;
}

// Flushes and writes the header in the writing modes, makes sure the bytes
// reached the disk and closes the file. 1 only when every step succeeded; on
// failure the library error text says which step failed.
int CloseLASFile(LASFile* las)
{
    if (!las) return 0;
    int ok = !las->writeFailed;
    if (las->mode == LAS_MODE_WRITE || las->mode == LAS_MODE_UPDATE) {
        int expected = las->mode == LAS_MODE_WRITE ? las->available : las->loaded;
        if (FlushLASWriteBuffer(las) != expected) ok = 0;
        if (las->mode == LAS_MODE_UPDATE) KeepCountsOfPartialUpdate(las);
        if (!WriteLASHeader(las)) ok = 0;
        if (!FlushFileBuffers(las->file)) {
            SetLASWriteFailure(las, "CloseLASFile", "Unable to flush the file to disk (error %u)", (unsigned)GetLastError());
            ok = 0;
        }
    }
    if (!CloseHandle(las->file)) {
        SetLASWriteFailure(las, "CloseLASFile", "Unable to close the file (error %u)", (unsigned)GetLastError());
        ok = 0;
    }
    if (!ok) {
        if (!las->errorText[0]) SetLASError(las, "Writing the file failed", "CloseLASFile");
        CopyBounded(lasErrorText, sizeof lasErrorText, las->errorText);
    }
    FreeLASStruct(las);
    return ok;
}

int RewindLASFile(LASFile* las)
{
    if (las->mode != LAS_MODE_READ) {
        SetLASError(las, "No rewind write or update modes", "RewindLASFile");
        return 0;
    }
    las->available = 0;
    return ReadLASHeader(las);
}
