// Worker threads that decode whole chunks ahead of the reader. Workers touch
// only memory handed to them (chunk bytes in, point records out) and call no
// platform API, so plain std::thread is safe here; all file access stays on
// the thread that reads points.
#pragma once
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>
#include "data/laszip/laz_chunk.h"

namespace laz {

struct ChunkJob {
    uint64_t chunk = 0;
    uint32_t points = 0;
    std::vector<uint8_t> in;
    std::vector<uint8_t> out;  // points * record length
    uint32_t decoded = 0;      // points decoded before an error (all on success)
    uint32_t err = kOk;
    bool tailCorrupt = false;  // stream did not end where the next chunk starts
    bool done = false;
};

class DecodePool {
public:
    DecodePool(const LazVlrInfo& vlr, unsigned threads);
    ~DecodePool();
    void Submit(const std::shared_ptr<ChunkJob>& job);
    void Wait(const ChunkJob& job);
    unsigned Threads() const { return (unsigned)threads_.size(); }

private:
    void Run();
    LazVlrInfo vlr_;
    std::mutex mu_;
    std::condition_variable work_, done_;
    std::deque<std::shared_ptr<ChunkJob>> queue_;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

// Decodes one chunk held in memory; shared by the workers and the caller-thread path.
void DecodeChunkJob(ChunkDecoder& dec, ChunkJob& job);

}  // namespace laz
