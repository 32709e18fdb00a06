// Worker threads that decode whole chunks ahead of the reader. Workers touch
// only memory handed to them (chunk bytes in, point records out); all file
// access stays on the thread that reads points. The threads themselves are
// the platform's (laz_pool_win.cpp), so the pool also builds where the C++
// runtime has no std::thread.
#pragma once
#include <memory>
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
    bool done = false;         // guarded by the pool's lock
};

class DecodePool {
public:
    DecodePool(const LazVlrInfo& vlr, unsigned threads);
    ~DecodePool();
    void Submit(const std::shared_ptr<ChunkJob>& job);
    void Wait(const ChunkJob& job);
    unsigned Threads() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

// Decodes one chunk held in memory; what each worker runs.
void DecodeChunkJob(ChunkDecoder& dec, ChunkJob& job);

}  // namespace laz
