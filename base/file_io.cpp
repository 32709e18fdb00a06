#include "base/file_io.h"
#include "base/heap.h"
#include <windows.h>
#include <cstring>

static VFile Wrap(HANDLE h) { return h == INVALID_HANDLE_VALUE ? nullptr : (VFile)h; }

VFile VFileOpenRead(const char* path)
{
    return Wrap(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
}

VFile VFileCreate(const char* path)
{
    return Wrap(CreateFileA(path, GENERIC_WRITE | GENERIC_READ, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
}

VFile VFileOpenUpdate(const char* path)
{
    return Wrap(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
}

int VFileRead(VFile f, void* buffer, uint64_t bytes, uint64_t* got)
{
    *got = 0;
    char* p = (char*)buffer;
    while (bytes > 0) {
        DWORD chunk = bytes > 0x40000000u ? 0x40000000u : (DWORD)bytes;
        DWORD n = 0;
        if (!ReadFile((HANDLE)f, p, chunk, &n, nullptr)) return 0;
        if (n == 0) break;
        *got += n;
        p += n;
        bytes -= n;
    }
    return 1;
}

int VFileReadExact(VFile f, void* buffer, uint64_t bytes)
{
    uint64_t got;
    return VFileRead(f, buffer, bytes, &got) && got == bytes;
}

static LONG writeFaultIn;
void SetWriteFaultAt(int nth) { InterlockedExchange(&writeFaultIn, nth); }
int TakeWriteFault()
{
    // Once reached it stays, as a full disk does.
    if (writeFaultIn <= 0 || (writeFaultIn > 1 && InterlockedDecrement(&writeFaultIn) > 0)) return 0;
    SetLastError(ERROR_DISK_FULL);
    return 1;
}

int VFileWrite(VFile f, const void* buffer, uint64_t bytes)
{
    if (TakeWriteFault()) return 0;
    const char* p = (const char*)buffer;
    while (bytes > 0) {
        DWORD chunk = bytes > 0x40000000u ? 0x40000000u : (DWORD)bytes;
        DWORD n = 0;
        if (!WriteFile((HANDLE)f, p, chunk, &n, nullptr) || n != chunk) return 0;
        p += n;
        bytes -= n;
    }
    return 1;
}

int VFileSeek(VFile f, uint64_t offset)
{
    LARGE_INTEGER to;
    to.QuadPart = (LONGLONG)offset;
    return SetFilePointerEx((HANDLE)f, to, nullptr, FILE_BEGIN) ? 1 : 0;
}

int64_t VFileSize(VFile f)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx((HANDLE)f, &size)) return -1;
    return size.QuadPart;
}


int VFileClose(VFile f)
{
    if (!f) return 1;
    return CloseHandle((HANDLE)f) ? 1 : 0;
}

int VFileExists(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

struct LineReader {
    VFile file;
    char buffer[65536];
    uint32_t start, end;
    int atEnd;
};

LineReader* OpenLineReader(const char* path)
{
    VFile f = VFileOpenRead(path);
    if (!f) return nullptr;
    LineReader* r = (LineReader*)NBLCalloc(1, sizeof(LineReader));
    if (!r) {
        VFileClose(f);
        return nullptr;
    }
    r->file = f;
    return r;
}

static int FillBuffer(LineReader* r)
{
    if (r->atEnd) return 0;
    memmove(r->buffer, r->buffer + r->start, r->end - r->start);
    r->end -= r->start;
    r->start = 0;
    uint64_t got = 0;
    if (!VFileRead(r->file, r->buffer + r->end, sizeof r->buffer - r->end, &got) || got == 0) {
        r->atEnd = 1;
        return 0;
    }
    r->end += (uint32_t)got;
    return 1;
}

int ReadLine(LineReader* r, char* line, int size)
{
    if (!r || size <= 0) return 0;
    int used = 0;
    bool any = false;
    for (;;) {
        if (r->start == r->end && !FillBuffer(r)) break;
        any = true;
        char c = r->buffer[r->start++];
        if (c == '\n') break;
        if (c == '\r') continue;   // CRLF: the LF ends the line
        if (used < size - 1) line[used++] = c;
    }
    line[used] = 0;
    return any ? 1 : 0;
}

void CloseLineReader(LineReader* r)
{
    if (!r) return;
    VFileClose(r->file);
    NBLFree(r);
}
