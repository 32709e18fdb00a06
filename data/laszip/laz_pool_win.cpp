// The decode pool's threads: CreateThread workers that wait on a condition
// variable for chunk jobs. Each worker's decoder is made here, one after
// another, not by the worker: made at once by all workers, their many small
// blocks interleave in a heap that every thread shares (the Windows C
// runtime's), the workers' hot decoder state then shares cache lines, and
// eight workers decode a fifth slower.
#if !defined(_WIN32_WINNT) || _WIN32_WINNT < 0x0600
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600  // condition variables
#endif
#include <windows.h>
#include <deque>
#include "data/laszip/laz_pool.h"

namespace laz {

// Aligned so that no two workers' decoders share a cache line.
struct alignas(64) DecodeWorker {
    DecodePool::Impl* pool;
    ChunkDecoder dec;
    HANDLE thread = nullptr;
    DecodeWorker(DecodePool::Impl* p, const LazVlrInfo& vlr) : pool(p), dec(vlr) {}
};

struct DecodePool::Impl {
    LazVlrInfo vlr;
    CRITICAL_SECTION lock;
    CONDITION_VARIABLE work, done;
    std::deque<std::shared_ptr<ChunkJob>> queue;
    bool stop = false;
    std::vector<std::unique_ptr<DecodeWorker>> workers;   // each with its thread
};

static DWORD WINAPI RunDecodeWorker(LPVOID param)
{
    DecodeWorker* w = static_cast<DecodeWorker*>(param);
    DecodePool::Impl* p = w->pool;
    ChunkDecoder& dec = w->dec;
    for (;;) {
        std::shared_ptr<ChunkJob> job;
        EnterCriticalSection(&p->lock);
        while (!p->stop && p->queue.empty()) SleepConditionVariableCS(&p->work, &p->lock, INFINITE);
        if (p->stop) {
            LeaveCriticalSection(&p->lock);
            return 0;
        }
        job = p->queue.front();
        p->queue.pop_front();
        LeaveCriticalSection(&p->lock);
        DecodeChunkJob(dec, *job);
        EnterCriticalSection(&p->lock);
        job->done = true;
        LeaveCriticalSection(&p->lock);
        WakeAllConditionVariable(&p->done);
    }
}

DecodePool::DecodePool(const LazVlrInfo& vlr, unsigned threads) : impl_(new Impl())
{
    impl_->vlr = vlr;
    InitializeCriticalSection(&impl_->lock);
    InitializeConditionVariable(&impl_->work);
    InitializeConditionVariable(&impl_->done);
    std::vector<std::unique_ptr<DecodeWorker>> made;
    for (unsigned i = 0; i < threads; i++) made.emplace_back(new DecodeWorker(impl_.get(), vlr));
    for (auto& w : made) {
        w->thread = CreateThread(nullptr, 0, RunDecodeWorker, w.get(), 0, nullptr);
        if (w->thread) impl_->workers.push_back(std::move(w));
    }
}

DecodePool::~DecodePool()
{
    EnterCriticalSection(&impl_->lock);
    impl_->stop = true;
    LeaveCriticalSection(&impl_->lock);
    WakeAllConditionVariable(&impl_->work);
    for (auto& w : impl_->workers) {
        WaitForSingleObject(w->thread, INFINITE);
        CloseHandle(w->thread);
    }
    DeleteCriticalSection(&impl_->lock);
}

unsigned DecodePool::Threads() const
{
    return (unsigned)impl_->workers.size();
}

void DecodePool::Submit(const std::shared_ptr<ChunkJob>& job)
{
    if (impl_->workers.empty()) {  // no worker could be started: decode here
        ChunkDecoder dec(impl_->vlr);
        DecodeChunkJob(dec, *job);
        job->done = true;
        return;
    }
    EnterCriticalSection(&impl_->lock);
    impl_->queue.push_back(job);
    LeaveCriticalSection(&impl_->lock);
    WakeConditionVariable(&impl_->work);
}

void DecodePool::Wait(const ChunkJob& job)
{
    EnterCriticalSection(&impl_->lock);
    while (!job.done) SleepConditionVariableCS(&impl_->done, &impl_->lock, INFINITE);
    LeaveCriticalSection(&impl_->lock);
}

static const size_t kKeptJobBytes = (size_t)64 << 20;
static SRWLOCK keptLock = SRWLOCK_INIT;
static std::vector<std::shared_ptr<ChunkJob>> kept;
static size_t keptBytes;

void KeepSpareJobs(std::vector<std::shared_ptr<ChunkJob>>& jobs)
{
    AcquireSRWLockExclusive(&keptLock);
    for (auto& job : jobs) {
        size_t bytes = job->in.capacity + job->out.capacity;
        if (keptBytes + bytes > kKeptJobBytes) break;
        keptBytes += bytes;
        kept.push_back(std::move(job));
    }
    ReleaseSRWLockExclusive(&keptLock);
    jobs.clear();
}

std::shared_ptr<ChunkJob> TakeSpareJob()
{
    std::shared_ptr<ChunkJob> job;
    AcquireSRWLockExclusive(&keptLock);
    if (!kept.empty()) {
        job = std::move(kept.back());
        kept.pop_back();
        keptBytes -= job->in.capacity + job->out.capacity;
    }
    ReleaseSRWLockExclusive(&keptLock);
    return job;
}

}  // namespace laz
