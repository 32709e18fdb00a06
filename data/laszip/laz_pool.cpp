// The worker threads that decode LAZ chunks ahead of the reader.
#include "data/laszip/laz_pool.h"
#include <algorithm>
#include <new>

namespace laz {

static void DecodeChunk(ChunkDecoder& dec, ChunkJob& job)
{
    uint32_t R = dec.RecordLength();
    uint8_t* out = job.out.Hold((size_t)job.points * R);
    job.decoded = 0;
    job.err = kOk;
    job.tailCorrupt = false;
    const uint8_t* b = job.in.data();
    const uint8_t* e = b + job.in.size;
    if (dec.Layered()) {
        job.err = dec.BeginLayered(b, job.in.size, nullptr);
        if (job.err) return;
    } else {
        dec.BeginPointwise(b, e, nullptr);
    }
    uint32_t step = dec.RunPoints();
    while (job.decoded < job.points) {
        uint32_t want = std::min(step, job.points - job.decoded);
        job.decoded += dec.DecodeRun(out + (size_t)job.decoded * R, want, job.err);
        if (job.err) return;
    }
    // A pointwise chunk is consumed exactly; anything else means the chunk
    // (or the table that located it) is corrupt.
    // The chunk's points are returned; the next read reports the damage.
    if (!dec.Layered() && job.points > 0 && dec.StreamPosition() != e) job.tailCorrupt = true;
}

void DecodeChunkJob(ChunkDecoder& dec, ChunkJob& job)
{
    // An exception must not leave a worker thread; a chunk too big for memory
    // reads as a damaged one.
    try {
        DecodeChunk(dec, job);
    } catch (const std::bad_alloc&) {
        job.decoded = 0;
        job.err = kEndOfData;
    }
}

}  // namespace laz
