#include "data/laszip/laz_pool.h"

namespace laz {

void DecodeChunkJob(ChunkDecoder& dec, ChunkJob& job)
{
    uint32_t R = dec.RecordLength();
    job.out.resize((size_t)job.points * R);
    job.decoded = 0;
    job.err = kOk;
    job.tailCorrupt = false;
    const uint8_t* b = job.in.data();
    const uint8_t* e = b + job.in.size();
    if (dec.Layered()) {
        job.err = dec.BeginLayered(b, job.in.size(), nullptr);
        if (job.err) return;
    } else {
        dec.BeginPointwise(b, e, nullptr);
    }
    for (uint32_t i = 0; i < job.points; i++) {
        uint32_t r = dec.Next(job.out.data() + (size_t)i * R);
        if (r) {
            job.err = r;
            return;
        }
        job.decoded = i + 1;
    }
    // A pointwise chunk is consumed exactly; anything else means the chunk
    // (or the table that located it) is corrupt.
    // The chunk's points are returned; the next read reports the damage.
    if (!dec.Layered() && job.points > 0 && dec.StreamPosition() != e) job.tailCorrupt = true;
}

DecodePool::DecodePool(const LazVlrInfo& vlr, unsigned threads) : vlr_(vlr)
{
    for (unsigned i = 0; i < threads; i++) threads_.emplace_back(&DecodePool::Run, this);
}

DecodePool::~DecodePool()
{
    {
        std::lock_guard<std::mutex> lk(mu_);
        stop_ = true;
    }
    work_.notify_all();
    for (auto& t : threads_) t.join();
}

void DecodePool::Submit(const std::shared_ptr<ChunkJob>& job)
{
    {
        std::lock_guard<std::mutex> lk(mu_);
        queue_.push_back(job);
    }
    work_.notify_one();
}

void DecodePool::Wait(const ChunkJob& job)
{
    std::unique_lock<std::mutex> lk(mu_);
    done_.wait(lk, [&] { return job.done; });
}

void DecodePool::Run()
{
    ChunkDecoder dec(vlr_);
    for (;;) {
        std::shared_ptr<ChunkJob> job;
        {
            std::unique_lock<std::mutex> lk(mu_);
            work_.wait(lk, [&] { return stop_ || !queue_.empty(); });
            if (stop_) return;
            job = queue_.front();
            queue_.pop_front();
        }
        DecodeChunkJob(dec, *job);
        {
            std::lock_guard<std::mutex> lk(mu_);
            job->done = true;
        }
        done_.notify_all();
    }
}

}  // namespace laz
