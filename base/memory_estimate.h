// Estimates, before a large load, of how many parts the points must be split
// into to fit in memory. A result above 1 is offered to the user as the
// decimation step.
#pragma once
#include <cstdint>

constexpr uint64_t kBytesPerPointInMemory = 42;

uint64_t GetAvailablePhysicalMemory();
// Tests give the available memory a known figure (null: the system's).
typedef uint64_t (*AvailableMemoryHook)();
void SetAvailableMemoryHook(AvailableMemoryHook hook);
uint32_t MemoryPartsNeeded(uint32_t points);
uint32_t LoadMemoryPartsNeeded(double points);

// The arithmetic of the two estimates for a given limit in bytes, apart from
// probing the heap.
uint32_t MemoryPartsForLimit(uint32_t points, uint64_t limit);
uint32_t LoadMemoryPartsForLimit(double points, uint64_t limit);
