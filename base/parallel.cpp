// RunParallel: work split into parts over a few threads.
#include "base/parallel.h"
#include <windows.h>

int ParallelParts(int64_t items, int64_t minPerPart)
{
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    int64_t parts = si.dwNumberOfProcessors > 0 ? (int64_t)si.dwNumberOfProcessors : 1;
    if (parts > kMaxParallelParts) parts = kMaxParallelParts;
    if (minPerPart < 1) minPerPart = 1;
    int64_t most = items / minPerPart;
    if (parts > most) parts = most;
    return parts < 1 ? 1 : (int)parts;
}

void ParallelRange(int64_t items, int part, int parts, int64_t* first, int64_t* end)
{
    *first = items * part / parts;
    *end = items * (part + 1) / parts;
}

namespace {
struct PartCall {
    ParallelWork work;
    void* context;
    int part, parts;
};

DWORD WINAPI RunPart(LPVOID parameter)
{
    PartCall* call = (PartCall*)parameter;
    call->work(call->context, call->part, call->parts);
    return 0;
}
}

void RunParallel(int parts, ParallelWork work, void* context)
{
    if (parts < 1) parts = 1;
    if (parts > kMaxParallelParts) parts = kMaxParallelParts;
    PartCall calls[kMaxParallelParts];
    HANDLE threads[kMaxParallelParts] = {};
    for (int p = 1; p < parts; p++) {
        calls[p] = PartCall{ work, context, p, parts };
        threads[p] = CreateThread(nullptr, 0, RunPart, &calls[p], 0, nullptr);
    }
    work(context, 0, parts);
    for (int p = 1; p < parts; p++) {
        if (threads[p]) {
            WaitForSingleObject(threads[p], INFINITE);
            CloseHandle(threads[p]);
        } else {
            work(context, p, parts);
        }
    }
}
