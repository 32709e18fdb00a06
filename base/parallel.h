// Work split over a few threads: part 0 runs on the calling thread, the
// others on threads of their own (CreateThread), and the call returns when
// every part is done. Only part 0 may talk to windows (progress): the caller
// does not pump messages while it waits.
#pragma once
#include <cstdint>

typedef void (*ParallelWork)(void* context, int part, int parts);

// The most parts a run is split into. Callers keep a result per part in fixed
// arrays of this size, on the stack.
constexpr int kMaxParallelParts = 8;
static_assert(kMaxParallelParts >= 2 && kMaxParallelParts <= 32, "a few parts, each a thread, on the stack");

// How many parts `items` items are worth splitting into: one per processor
// (at most kMaxParallelParts), each of at least minPerPart items.
int  ParallelParts(int64_t items, int64_t minPerPart);
// Runs work(context, part, parts) for part 0 .. parts - 1; a part whose thread
// cannot be made runs on the calling thread after part 0.
void RunParallel(int parts, ParallelWork work, void* context);
// The half-open range [*first, *end) of `items` that part `part` of `parts` takes.
void ParallelRange(int64_t items, int part, int parts, int64_t* first, int64_t* end);
