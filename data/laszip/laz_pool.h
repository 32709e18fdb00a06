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

// A job's bytes (the chunk read, the records decoded): the block grows when a
// chunk needs more and is never zero-filled, since every byte handed on is
// written first (by the file read, by the decoder).
struct ByteBlock {
    std::unique_ptr<uint8_t[]> bytes;
    size_t capacity = 0;
    size_t size = 0;
    uint8_t* Hold(size_t n)
    {
        if (n > capacity) {
            bytes.reset(new uint8_t[n]);
            capacity = n;
        }
        size = n;
        return bytes.get();
    }
    const uint8_t* data() const { return bytes.get(); }
};

struct ChunkJob {
    uint64_t chunk = 0;
    uint32_t points = 0;
    ByteBlock in;
    ByteBlock out;             // points * record length
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

// Finished jobs outlive their reader, up to a bound, for the next reader of
// the process: the Windows C runtime gives blocks of a job's size back to the
// system when they are freed, and under Wine a chunk read into fresh pages
// takes some thirty times as long as one read into pages in use.
void KeepSpareJobs(std::vector<std::shared_ptr<ChunkJob>>& jobs);
std::shared_ptr<ChunkJob> TakeSpareJob();

// Decodes one chunk held in memory; what each worker runs.
void DecodeChunkJob(ChunkDecoder& dec, ChunkJob& job);

}  // namespace laz
