// Work split over a few threads: part 0 runs on the calling thread, the
// others on threads of their own (CreateThread), and the call returns when
// every part is done. Only part 0 may talk to windows (progress): the caller
// does not pump messages while it waits.
#pragma once
#include <cstdint>

typedef void (*ParallelWork)(void* context, int part, int parts);

// How many parts `items` items are worth splitting into: one per processor
// (at most 8), each of at least minPerPart items.
int  ParallelParts(int64_t items, int64_t minPerPart);
// Runs work(context, part, parts) for part 0 .. parts - 1; a part whose thread
// cannot be made runs on the calling thread after part 0.
void RunParallel(int parts, ParallelWork work, void* context);
// The half-open range [*first, *end) of `items` that part `part` of `parts` takes.
void ParallelRange(int64_t items, int part, int parts, int64_t* first, int64_t* end);
