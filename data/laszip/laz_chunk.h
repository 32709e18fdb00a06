// Decodes the points of one chunk: the raw first point, then each further
// point from the coded stream (pointwise) or from the per-field layers.
// One instance per thread; it keeps no global state.
#pragma once
#include <memory>
#include <vector>
#include "data/laszip/laz_items.h"
#include "data/laszip/laz_vlr.h"

namespace laz {

class ChunkDecoder {
public:
    explicit ChunkDecoder(const LazVlrInfo& vlr);
    bool Layered() const { return layered_; }
    uint32_t RecordLength() const { return recordLength_; }
    uint32_t NumLayers() const { return numLayers_; }

    // Pointwise: the stream starts with the raw point at `begin`. With a feed,
    // more bytes are pulled past `end`; without, `end` is the end of the chunk.
    void BeginPointwise(const uint8_t* begin, const uint8_t* end, ByteFeed* feed);
    // Layered: the whole chunk in memory. Returns kOk or an error for a header
    // whose layer sizes do not fit; `pointCount` gets the chunk's own count.
    uint32_t BeginLayered(const uint8_t* begin, size_t size, uint32_t* pointCount);
    // Next point of the chunk into rec (RecordLength() bytes); returns kOk or an error.
    uint32_t Next(uint8_t* rec);
    // The next `count` points into out, RecordLength() apart: as many calls of
    // Next, but each layered item decodes the run in one go. Returns how many
    // points decoded sound; when fewer than count, `err` has Next's error for
    // the one after them, and the decoder stands where Next would have left it.
    uint32_t DecodeRun(uint8_t* out, uint32_t count, uint32_t& err);
    // Points of a run whose records stay in the cache while each item decodes.
    uint32_t RunPoints() const { return recordLength_ ? (64u << 10) / recordLength_ : 1; }
    // Pointwise: where the coded stream has got to (the next chunk starts
    // there once the last point was decoded).
    const uint8_t* StreamPosition() const { return dec_.Position(); }

private:
    bool layered_;
    uint32_t recordLength_;
    uint32_t numLayers_;
    std::vector<uint32_t> offsets_;
    std::vector<std::unique_ptr<PointItem>> pitems_;
    std::vector<std::unique_ptr<LayeredItem>> litems_;
    ArithDecoder dec_;
    std::vector<uint8_t> raw_;
    bool rawPending_;
    uint32_t startErr_;
    std::vector<uint32_t> sizes_;
    std::vector<const uint8_t*> layerData_;
    // Layered chunk being decoded and the points taken from it, to replay it
    // up to a failing point.
    const uint8_t* chunk_;
    size_t chunkSize_;
    uint64_t taken_;
    std::vector<uint8_t> hc_;
};

}  // namespace laz
