// LAS/LAZ point reader: the LAZ record (the header and the other VLRs come
// from the LAS library's parse), the chunk table, chunk-by-chunk decoding
// (optionally ahead on worker threads) and seeking.
// Pure C++; the file is reached through LazSource and the worker threads come
// from DecodePool, so platform calls stay out of this code.
#pragma once
#include <deque>
#include <memory>
#include <string>
#include <vector>
#include "data/laszip/laszip_api.h"
#include "data/laszip/laz_chunk.h"
#include "data/laszip/laz_pool.h"
#include "data/laszip/laz_vlr.h"

struct LASVLR;

namespace laz {

// The note of a LAZ record found inside the bytes of the records before it
// (their stated lengths were wrong): the byte its header begins at.
extern const char kLazRecordFoundInsideFormat[];

class LazSource {
public:
    virtual ~LazSource() {}
    virtual uint64_t Size() const = 0;
    // Reads exactly n bytes at offset; false if they are not all there.
    virtual bool ReadAt(uint64_t offset, void* buf, size_t n) = 0;
};

class LazReader {
public:
    LazReader();
    ~LazReader();
    // threads: 0 or 1 decode on the caller's thread, more use that many workers.
    bool Open(std::unique_ptr<LazSource> src, unsigned threads, std::string& err);
    // Releases the file and decoder; the header stays readable until the next Open.
    void Close();
    bool IsOpen() const { return src_ != nullptr; }
    laszip_header_struct& Header() { return header_; }
    bool Compressed() const { return compressed_; }
    uint8_t Format() const { return format_; }
    uint16_t RecordLength() const { return R_; }
    // The header's point count: the LAS 1.4 count where it is set, else the legacy count.
    uint64_t PointCount() const { return total_; }
    // What the header said that the points were read past (a record cut at
    // them, records counted that are not there, an offset to point data
    // inside a record, a LAZ record found inside others); empty when nothing.
    const std::string& Note() const { return note_; }
    // Most points the file can hold: from the record length for plain LAS (up
    // to its extended VLRs or waveform packets), from a complete chunk table
    // for LAZ; UINT64_MAX when nothing bounds them.
    uint64_t PointCapacity();
    // The next point's record (max(R, minimum length) bytes, zero padded); null on failure.
    const uint8_t* ReadPoint(std::string& err);
    bool Seek(uint64_t index, std::string& err);

private:
    class FileFeed : public ByteFeed {
    public:
        explicit FileFeed(LazSource* src) : src_(src), bufPos_(0), nextPos_(0) {}
        void Start(uint64_t pos)
        {
            bufPos_ = nextPos_ = pos;
            buf_.clear();
        }
        bool Refill(const uint8_t*& cur, const uint8_t*& end) override;
        uint64_t PositionOf(const uint8_t* p) const
        {
            return buf_.empty() ? nextPos_ : bufPos_ + (uint64_t)(p - buf_.data());
        }

    private:
        LazSource* src_;
        uint64_t bufPos_, nextPos_;
        std::vector<uint8_t> buf_;
    };

    void ResetHeader();
    bool ParseHeader(std::string& err);
    void LoadTable();
    bool DecodeTable(uint64_t tableOffset, uint64_t& count);
    void WalkLayeredChunks();
    bool ChunkPoints(uint64_t i, uint64_t& n) const;
    uint64_t ChunkFirst(uint64_t i) const;
    bool StartChunk(uint64_t i, std::string& err);
    std::shared_ptr<ChunkJob> MakeJob(uint64_t i, uint64_t n);
    void TopUpJobs(uint64_t from);
    void DrainJobs();
    const uint8_t* ReadUncompressed(std::string& err);
    const uint8_t* Fail(std::string& err, const std::string& why);

    std::unique_ptr<LazSource> src_;
    uint64_t fileSize_;
    laszip_header_struct header_;
    std::vector<laszip_vlr_struct> vlrs_;    // the file's VLRs but this reader's own, over vlrTable_
    LASVLR** vlrTable_;                        // every VLR as parsed, owned
    uint32_t vlrCount_;
    std::vector<uint8_t> userInHeader_, userAfterHeader_;

    bool compressed_;
    LazVlrInfo vlr_;
    uint64_t dataStart_;
    uint64_t pointsEnd_;    // where plain records must end (LASPointRegionEnd)
    uint16_t R_;
    uint8_t format_;
    uint64_t total_;
    std::string note_;
    unsigned threads_;

    // Chunk layout as far as known: starts_[i] is chunk i's first byte; a chunk's
    // extent is known when starts_[i + 1] exists. firstPoint_ likewise (variable sizes).
    bool tableRead_;
    bool tableComplete_;
    std::vector<uint64_t> starts_;
    std::vector<uint64_t> firstPoint_;
    std::string tableNote_;

    // Current chunk.
    bool active_;
    bool failed_;
    std::string failText_;
    uint64_t chunk_, chunkPoints_, inChunk_, next_;
    bool streaming_;
    bool tailCorrupt_;
    std::unique_ptr<ChunkDecoder> dec_;
    std::vector<uint8_t> chunkBuf_;
    std::unique_ptr<FileFeed> feed_;
    std::vector<uint8_t> rec_;
    // Layered chunks decoded on this thread: a run of points at a time.
    std::vector<uint8_t> run_;
    uint64_t runFirst_, runCount_;
    uint32_t runErr_;

    std::unique_ptr<DecodePool> pool_;
    std::deque<std::shared_ptr<ChunkJob>> jobs_;
    std::shared_ptr<ChunkJob> curJob_;
    std::vector<std::shared_ptr<ChunkJob>> spare_;
    bool curJobWaited_;

    // Plain LAS: a block of records.
    std::vector<uint8_t> ubuf_;
    uint64_t ubufFirst_, ubufCount_;
};

}  // namespace laz
