// Heap helpers: every record of the program comes from the process heap.
// A null pointer is the only failure signal. Sizes are checked 64-bit products:
// a request whose size overflows fails like an exhausted heap.
#pragma once
#include <cstdint>
#include <cstddef>

extern thread_local char nblErrorText[640];   // the thread's latest failure of the NBL family, for diagnosis

void*  NBLMalloc(uint64_t bytes);
void*  NBLCalloc(uint64_t count, uint64_t size);
void** NBLMalloc2D(uint64_t rows, uint64_t cols, uint64_t size);
void** NBLCalloc2D(uint64_t rows, uint64_t cols, uint64_t size);
void*  NBLReMalloc(void* block, uint64_t bytes);
void*  NBLReCalloc(void* block, uint64_t bytes);
int    NBLFree(void* block);
int    NBLFree2D(void* rows);
void   FormatErrorMessage(int fatal, const char* name, const char* label);

// The named family: same blocks, failure left to the caller `who`.
void*  Malloc(uint64_t bytes, const char* who);
void*  Calloc(uint64_t count, uint64_t size, const char* who);
void** Malloc2D(uint64_t rows, uint64_t cols, uint64_t size, const char* who);
void** Calloc2D(uint64_t rows, uint64_t cols, uint64_t size, const char* who);
void*  ReMalloc(void* block, uint64_t bytes, const char* who);
int    Free(void* block);
int    Free2D(void* rows);

// Checked product; returns 0 and leaves *out alone on overflow or a size beyond
// what this build can address.
bool   CheckedBytes(uint64_t a, uint64_t b, uint64_t* out);
