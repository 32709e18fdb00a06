// Memory estimates by probing the heap for large blocks.
#include "base/memory_estimate.h"
#include "base/heap.h"

#include <windows.h>

#include <cmath>

namespace {

constexpr uint64_t kProbeUnit = (uint64_t)1 << 25;  // 32 MiB

// Largest block the heap will place, in probe units: blocks of 2, 3, ... 65
// units are tried and freed at once. After k successes and a failure the
// value is (k - 1) units, after 64 successes 65 units. A value of 0 or below
// (fewer than two successes) is no usable limit; the available physical
// memory stands in for it then.
uint64_t ProbeHeapLimit()
{
    HeapCompact(GetProcessHeap(), 0);
    int64_t succeeded = 0;
    for (uint64_t units = 2; units <= 65; units++) {
        void* block = NBLMalloc(units * kProbeUnit);
        if (!block) {
            int64_t p = (succeeded - 1) * (int64_t)kProbeUnit;
            return p > 0 ? (uint64_t)p : 0;
        }
        NBLFree(block);
        succeeded++;
    }
    return 65 * kProbeUnit;
}

uint64_t LimitFromProbe(uint64_t probe)
{
    uint64_t available = GetAvailablePhysicalMemory();
    uint64_t limit = probe;
    if (limit == 0 || limit > available) limit = available;
    return limit;
}

AvailableMemoryHook availableMemoryHook = nullptr;

}  // namespace

void SetAvailableMemoryHook(AvailableMemoryHook hook) { availableMemoryHook = hook; }

// The available physical memory as the system reports it; a 32-bit build
// keeps the 32-bit status call, whose figure tops out at 4 GiB.
uint64_t GetAvailablePhysicalMemory()
{
    if (availableMemoryHook) return availableMemoryHook();
#if defined(_WIN64) || defined(__x86_64__)
    MEMORYSTATUSEX status;
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status)) return 0;
    return status.ullAvailPhys;
#else
    MEMORYSTATUS status;
    status.dwLength = sizeof(status);
    GlobalMemoryStatus(&status);
    return (uint64_t)(uint32_t)status.dwAvailPhys;
#endif
}

// Parts for n points at 42 bytes each; the need is computed in 64 bits so
// that counts above 102 million do not wrap.
uint32_t MemoryPartsForLimit(uint32_t points, uint64_t limit)
{
    uint64_t need = (uint64_t)points * kBytesPerPointInMemory;
    if (limit == 0) limit = kProbeUnit;  // no figure at all: a floor instead of a division by zero
    if (limit >= need) return 1;
    uint64_t parts = need / limit + (need % limit ? 1 : 0);
    return parts > UINT32_MAX ? UINT32_MAX : (uint32_t)parts;
}

// Parts for the file-opening road: 128 MiB of head room plus 42 bytes a
// point; an exact multiple of the limit also gets the extra part.
uint32_t LoadMemoryPartsForLimit(double points, uint64_t limit)
{
    double need = 134217728.0 + (double)kBytesPerPointInMemory * points;
    if (limit == 0) limit = kProbeUnit;
    double l = (double)limit;
    if (need <= l) return 1;
    double parts = std::floor(need / l) + 1.0;
    if (!(parts < 4294967295.0)) return UINT32_MAX;
    return (uint32_t)parts;
}

// The heap probe measures what is left of a 32-bit address space. A 64-bit
// process has far more address space than memory: there the limit is the
// available physical memory.
static constexpr bool kWideAddressSpace = sizeof(void*) >= 8;

uint32_t MemoryPartsNeeded(uint32_t points)
{
    if (kWideAddressSpace) return MemoryPartsForLimit(points, GetAvailablePhysicalMemory());
    uint64_t probe = ProbeHeapLimit();
    uint64_t limit = (uint64_t)((double)probe * 1.25);
    return MemoryPartsForLimit(points, LimitFromProbe(limit));
}

uint32_t LoadMemoryPartsNeeded(double points)
{
    if (kWideAddressSpace) return LoadMemoryPartsForLimit(points, GetAvailablePhysicalMemory());
    return LoadMemoryPartsForLimit(points, LimitFromProbe(ProbeHeapLimit()));
}
