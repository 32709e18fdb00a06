// The decode pool's threads: CreateThread workers that wait on a condition
// variable for chunk jobs.
#if !defined(_WIN32_WINNT) || _WIN32_WINNT < 0x0600
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600  // condition variables
#endif
#include <windows.h>
#include <deque>
#include "data/laszip/laz_pool.h"

namespace laz {

struct DecodePool::Impl {
    LazVlrInfo vlr;
    CRITICAL_SECTION lock;
    CONDITION_VARIABLE work, done;
    std::deque<std::shared_ptr<ChunkJob>> queue;
    bool stop = false;
    std::vector<HANDLE> threads;
};

static DWORD WINAPI DecodeWorker(LPVOID param)
{
    DecodePool::Impl* p = static_cast<DecodePool::Impl*>(param);
    ChunkDecoder dec(p->vlr);
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
    for (unsigned i = 0; i < threads; i++) {
        HANDLE t = CreateThread(nullptr, 0, DecodeWorker, impl_.get(), 0, nullptr);
        if (t) impl_->threads.push_back(t);
    }
}

DecodePool::~DecodePool()
{
    EnterCriticalSection(&impl_->lock);
    impl_->stop = true;
    LeaveCriticalSection(&impl_->lock);
    WakeAllConditionVariable(&impl_->work);
    for (HANDLE t : impl_->threads) {
        WaitForSingleObject(t, INFINITE);
        CloseHandle(t);
    }
    DeleteCriticalSection(&impl_->lock);
}

unsigned DecodePool::Threads() const
{
    return (unsigned)impl_->threads.size();
}

void DecodePool::Submit(const std::shared_ptr<ChunkJob>& job)
{
    if (impl_->threads.empty()) {  // no worker could be started: decode here
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

}  // namespace laz
