// VFile: Win32 file handles behind open, read, write, seek and close, with test faults.
#include "base/file_io.h"
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

static LONG readFaultIn;
void SetReadFaultAt(int nth) { InterlockedExchange(&readFaultIn, nth); }
static int TakeReadFault()
{
    if (readFaultIn <= 0 || (readFaultIn > 1 && InterlockedDecrement(&readFaultIn) > 0)) return 0;
    SetLastError(ERROR_READ_FAULT);
    return 1;
}

int VFileRead(VFile f, void* buffer, uint64_t bytes, uint64_t* got)
{
    *got = 0;
    if (TakeReadFault()) return 0;
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

static LONG seekFaultIn;
void SetSeekFaultAt(int nth) { InterlockedExchange(&seekFaultIn, nth); }

int VFileSeek(VFile f, uint64_t offset)
{
    if (seekFaultIn > 0 && (seekFaultIn == 1 || InterlockedDecrement(&seekFaultIn) <= 0)) {
        SetLastError(ERROR_SEEK);
        return 0;
    }
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
