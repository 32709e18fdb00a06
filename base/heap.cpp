// Heap helpers on the process heap. Failures return null; the NBL family also
// leaves a text behind for diagnosis.
#include "base/heap.h"
#include <windows.h>
#include <cstdio>
#include <cstring>

thread_local char nblErrorText[640];

bool CheckedBytes(uint64_t a, uint64_t b, uint64_t* out)
{
    uint64_t p;
    if (__builtin_mul_overflow(a, b, &p)) return false;
    if (p > (uint64_t)SIZE_MAX) return false;   // beyond what a 32-bit build can address
    *out = p;
    return true;
}

void FormatErrorMessage(int fatal, const char* name, const char* label)
{
    snprintf(nblErrorText, sizeof nblErrorText, fatal ? "FATAL ERROR:  %s:  %s\n" : "NON-FATAL ERROR:  %s:  %s\n",
             name, label);
    char system[256];
    memset(system, 0, sizeof system);
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, GetLastError(),
                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), system, 255, nullptr);
    system[255] = 0;
    size_t used = strlen(nblErrorText);
    snprintf(nblErrorText + used, sizeof nblErrorText - used, "%s", system);
}

static void* HeapBlock(uint64_t bytes, DWORD flags)
{
    if (bytes > (uint64_t)SIZE_MAX) return nullptr;
    return HeapAlloc(GetProcessHeap(), flags, (SIZE_T)bytes);
}

static void* HeapResize(void* block, uint64_t bytes, DWORD flags)
{
    if (!block || bytes > (uint64_t)SIZE_MAX) return nullptr;
    return HeapReAlloc(GetProcessHeap(), flags, block, (SIZE_T)bytes);
}

void* NBLMalloc(uint64_t bytes)
{
    void* p = HeapBlock(bytes, 0);
    if (!p) FormatErrorMessage(1, "NBLMalloc", "NBLMalloc");
    return p;
}

void* NBLCalloc(uint64_t count, uint64_t size)
{
    uint64_t bytes;
    void* p = CheckedBytes(count, size, &bytes) ? HeapBlock(bytes, HEAP_ZERO_MEMORY) : nullptr;
    if (!p) FormatErrorMessage(1, "NBLMalloc", "NBLCalloc");
    return p;
}

void* NBLReMalloc(void* block, uint64_t bytes)
{
    void* p = HeapResize(block, bytes, 0);
    if (!p) FormatErrorMessage(1, "NBLMalloc", "NBLReMalloc");
    return p;
}

void* NBLReCalloc(void* block, uint64_t bytes)
{
    void* p = HeapResize(block, bytes, HEAP_ZERO_MEMORY);
    if (!p) FormatErrorMessage(1, "NBLMalloc", "NBLReCalloc");
    return p;
}

int NBLFree(void* block)
{
    if (!block) return 1;
    return HeapFree(GetProcessHeap(), 0, block) ? 1 : 0;
}

// Row table plus one contiguous block; row i starts i * cols * size bytes in.
static void** BuildRows(void** table, char* block, uint64_t rows, uint64_t rowBytes)
{
    for (uint64_t i = 0; i < rows; i++) table[i] = block + i * rowBytes;
    return table;
}

static void** Alloc2D(uint64_t rows, uint64_t cols, uint64_t size, bool zero, bool nbl,
                      const char* tableLabel, const char* blockLabel)
{
    uint64_t tableBytes, rowBytes = 0, blockBytes = 0;
    // A table of at least one row, so that freeing always finds row 0.
    bool tableOk = CheckedBytes(rows ? rows : 1, sizeof(void*), &tableBytes);
    // A block whose size overflows fails as the block, after the table.
    bool blockOk = CheckedBytes(cols, size, &rowBytes) && CheckedBytes(rows, rowBytes, &blockBytes);
    void** table = tableOk ? (void**)HeapBlock(tableBytes, 0) : nullptr;
    if (!table) {
        if (nbl) FormatErrorMessage(1, "NBLMalloc", tableLabel);
        return nullptr;
    }
    char* block = blockOk ? (char*)HeapBlock(blockBytes, zero ? HEAP_ZERO_MEMORY : 0) : nullptr;
    if (!block) {
        HeapFree(GetProcessHeap(), 0, table);
        if (nbl) FormatErrorMessage(1, "NBLMalloc", blockLabel);
        return nullptr;
    }
    table[0] = block;
    return BuildRows(table, block, rows, rowBytes);
}

void** NBLMalloc2D(uint64_t rows, uint64_t cols, uint64_t size)
{
    return Alloc2D(rows, cols, size, false, true, "NBLMalloc2D Pointers", "NBLMalloc2D Block");
}

void** NBLCalloc2D(uint64_t rows, uint64_t cols, uint64_t size)
{
    return Alloc2D(rows, cols, size, true, true, "NBLCalloc2D Pointers", "NBLCalloc2D Block");
}

int NBLFree2D(void* rows)
{
    if (!rows) return 1;
    void** table = (void**)rows;
    int ok = NBLFree(table[0]);
    return NBLFree(table) && ok;
}

void* Malloc(uint64_t bytes, const char*) { return HeapBlock(bytes, 0); }

void* Calloc(uint64_t count, uint64_t size, const char*)
{
    uint64_t bytes;
    return CheckedBytes(count, size, &bytes) ? HeapBlock(bytes, HEAP_ZERO_MEMORY) : nullptr;
}

void** Malloc2D(uint64_t rows, uint64_t cols, uint64_t size, const char*)
{
    return Alloc2D(rows, cols, size, false, false, nullptr, nullptr);
}

void** Calloc2D(uint64_t rows, uint64_t cols, uint64_t size, const char*)
{
    return Alloc2D(rows, cols, size, true, false, nullptr, nullptr);
}

void* ReMalloc(void* block, uint64_t bytes, const char*) { return HeapResize(block, bytes, 0); }
int Free(void* block) { return NBLFree(block); }
int Free2D(void* rows) { return NBLFree2D(rows); }
