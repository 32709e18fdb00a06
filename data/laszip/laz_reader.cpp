// LazReader: the LASzip record, the chunk table, chunk decoding and seeking.
#include "data/laszip/laz_reader.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include "data/laszip/laz_intcorr.h"
#include "data/lasfile/las_header.h"
#include "data/lasfile/las_points.h"
#include "data/lasfile/las_vlr.h"

namespace laz {

namespace {

const char kLazUserId[] = "laszip encoded";
const uint16_t kLazRecordId = 22204;
const size_t kFeedBlock = 1 << 16;
const uint64_t kMaxJobBytes = 16ull << 20;    // larger chunks decode on the caller's thread
const uint64_t kMaxAheadBytes = 96ull << 20;  // decoded points held ahead of the reader
const uint64_t kUncompressedBlock = 4096;

}  // namespace

const char kLazRecordFoundInsideFormat[] = "the LAZ record was read from byte %llu, inside the records before it";

bool LazReader::FileFeed::Refill(const uint8_t*& cur, const uint8_t*& end)
{
    uint64_t size = src_->Size();
    if (nextPos_ >= size) return false;
    uint64_t n = std::min<uint64_t>(kFeedBlock, size - nextPos_);
    buf_.resize((size_t)n);
    if (!src_->ReadAt(nextPos_, buf_.data(), (size_t)n)) {
        buf_.clear();
        return false;
    }
    bufPos_ = nextPos_;
    nextPos_ += n;
    cur = buf_.data();
    end = cur + n;
    return true;
}

LazReader::LazReader() : src_(nullptr), vlrTable_(nullptr), vlrCount_(0), pool_(nullptr)
{
    ResetHeader();
    Close();
}

LazReader::~LazReader()
{
    Close();
    ResetHeader();
}

void LazReader::ResetHeader()
{
    memset(&header_, 0, sizeof header_);
    vlrs_.clear();
    FreeVLRs(vlrTable_, vlrCount_);
    vlrTable_ = nullptr;
    vlrCount_ = 0;
    userInHeader_.clear();
    userAfterHeader_.clear();
}

// Releases the file and the decoding state; the header stays readable.
void LazReader::Close()
{
    DrainJobs();
    if (curJob_ && !curJobWaited_) pool_->Wait(*curJob_);
    if (curJob_) spare_.push_back(std::move(curJob_));
    KeepSpareJobs(spare_);
    pool_.reset();
    src_.reset();
    dec_.reset();
    feed_.reset();
    fileSize_ = 0;
    compressed_ = false;
    vlr_ = LazVlrInfo();
    dataStart_ = 0;
    pointsEnd_ = 0;
    R_ = 0;
    format_ = 0;
    total_ = 0;
    threads_ = 1;
    tableRead_ = false;
    tableComplete_ = false;
    starts_.clear();
    firstPoint_.clear();
    tableNote_.clear();
    active_ = failed_ = streaming_ = tailCorrupt_ = curJobWaited_ = false;
    failText_.clear();
    chunk_ = chunkPoints_ = inChunk_ = next_ = 0;
    chunkBuf_.clear();
    rec_.clear();
    run_.clear();
    runFirst_ = runCount_ = 0;
    runErr_ = kOk;
    ubuf_.clear();
    ubufFirst_ = ubufCount_ = 0;
}

bool LazReader::Open(std::unique_ptr<LazSource> src, unsigned threads, std::string& err)
{
    Close();
    ResetHeader();
    src_ = std::move(src);
    fileSize_ = src_->Size();
    threads_ = threads ? threads : 1;
    if (!ParseHeader(err)) {
        Close();
        ResetHeader();
        return false;
    }
    rec_.assign(std::max<size_t>(R_, (size_t)LASStandardRecordLength(format_)), 0);
    if (compressed_) {
        dec_.reset(new ChunkDecoder(vlr_));
        feed_.reset(new FileFeed(src_.get()));
    }
    return true;
}

namespace {

int ReadFromSource(void* context, uint64_t offset, void* buffer, uint64_t size)
{
    return static_cast<LazSource*>(context)->ReadAt(offset, buffer, (size_t)size) ? 1 : 0;
}

// Whether compressed points can begin at `start`: the chunk table's position
// stored there (or, when that is -1, in the file's last 8 bytes) lies behind
// it inside the file, and a table of version 0 is found there.
bool ChunkTableReachedFrom(const LASByteSource& source, uint64_t start)
{
    uint8_t b[8];
    if (start > source.size || source.size - start < 16 || !source.readAt(source.context, start, b, 8)) return false;
    int64_t table = (int64_t)Get64(b);
    if (table == -1 && source.readAt(source.context, source.size - 8, b, 8)) table = (int64_t)Get64(b);
    if (table < (int64_t)(start + 8) || (uint64_t)table > source.size - 8) return false;
    return source.readAt(source.context, (uint64_t)table, b, 8) && Get32(b) == 0;
}

// A record whose stated length alone was wrong holds the records behind it:
// cut at the point data, or ending inside or at the end of the LAZ record's
// header (the walk then took the bytes behind it for other records, or for
// none). The LAZ record is looked for in the bytes from `from` (the first
// record) to where the walk ended and as far again as a record reaches, its
// header anywhere there and its data whole before the points at `points`.
// Its data and where its header begins, or false.
bool FindLazRecordBefore(LazSource& src, uint64_t from, uint64_t walked, uint64_t points, std::vector<uint8_t>& data,
                         uint64_t* found)
{
    const uint64_t to = std::min<uint64_t>(points, walked + LAS_VLR_HEADER_SIZE + 0xFFFF);
    if (to < from + LAS_VLR_HEADER_SIZE) return false;
    std::vector<uint8_t> bytes((size_t)(to - from));
    if (!src.ReadAt(from, bytes.data(), bytes.size())) return false;
    for (size_t at = 0; at + LAS_VLR_HEADER_SIZE <= bytes.size(); at++) {
        LASVLRHeader vh;
        memcpy(&vh, &bytes[at], sizeof vh);
        if (vh.recordId != kLazRecordId || strncmp(vh.userId, kLazUserId, sizeof vh.userId) != 0) continue;
        const size_t begin = at + LAS_VLR_HEADER_SIZE, end = begin + vh.recordLength;
        if (end > bytes.size()) continue;
        data.assign(bytes.begin() + (ptrdiff_t)begin, bytes.begin() + (ptrdiff_t)end);
        *found = from + at;
        return true;
    }
    return false;
}

// The parsed header in the reader interface's form; the VLRs are set apart.
void ToReaderHeader(const LASHeader& s, laszip_header_struct& H)
{
    H.file_source_ID = s.fileSourceId;
    H.global_encoding = s.globalEncoding;
    H.project_ID_GUID_data_1 = s.guidData1;
    H.project_ID_GUID_data_2 = s.guidData2;
    H.project_ID_GUID_data_3 = s.guidData3;
    memcpy(H.project_ID_GUID_data_4, s.guidData4, 8);
    H.version_major = s.versionMajor;
    H.version_minor = s.versionMinor;
    memcpy(H.system_identifier, s.systemIdentifier, 32);
    memcpy(H.generating_software, s.generatingSoftware, 32);
    H.file_creation_day = s.creationDay;
    H.file_creation_year = s.creationYear;
    H.header_size = s.headerSize;
    H.offset_to_point_data = s.offsetToPointData;
    H.point_data_format = s.pointDataFormat & 0x3F;
    H.point_data_record_length = s.pointDataRecordLength;
    H.number_of_point_records = s.legacyPointCount;
    memcpy(H.number_of_points_by_return, s.legacyPointsByReturn, sizeof H.number_of_points_by_return);
    H.x_scale_factor = s.xScale;
    H.y_scale_factor = s.yScale;
    H.z_scale_factor = s.zScale;
    H.x_offset = s.xOffset;
    H.y_offset = s.yOffset;
    H.z_offset = s.zOffset;
    H.max_x = s.maxX;
    H.min_x = s.minX;
    H.max_y = s.maxY;
    H.min_y = s.minY;
    H.max_z = s.maxZ;
    H.min_z = s.minZ;
    H.start_of_waveform_data_packet_record = s.waveformDataStart;
    H.start_of_first_extended_variable_length_record = s.firstEVLRStart;
    H.number_of_extended_variable_length_records = s.numberOfEVLRs;
    H.extended_number_of_point_records = s.pointCount64;
    memcpy(H.extended_number_of_points_by_return, s.pointsByReturn, sizeof H.extended_number_of_points_by_return);
}

}  // namespace

// The LAS library parses the header and the VLRs; this reader finds and
// reads its own record and passes the others on.
bool LazReader::ParseHeader(std::string& err)
{
    // Compressed formats are this reader's, and their chunk table tells where
    // they can begin; short headers, records running into the points and
    // where the points begin are decided as the LAS library decides them.
    const LASParseRules rules = {true, ChunkTableReachedFrom};
    const LASByteSource source = {src_.get(), ReadFromSource, fileSize_};
    LASParsedHeader parsed;
    char why[256];
    if (!ParseLASHeader(source, rules, &parsed, why, sizeof why)) {
        err = why;
        return false;
    }
    const LASHeader& s = parsed.header;
    vlrTable_ = parsed.vlrs;
    vlrCount_ = s.numberOfVLRs;
    laszip_header_struct& H = header_;
    ToReaderHeader(s, H);

    userInHeader_.resize(s.headerSize - parsed.heldBytes);
    if (!userInHeader_.empty() && !src_->ReadAt(parsed.heldBytes, userInHeader_.data(), userInHeader_.size())) {
        err = "cannot read the LAS header";
        return false;
    }
    // The bytes between the records and the points are the file's own where
    // every record the header counts is there; else they are what a damaged
    // count left (a run of zeros where it counted records), and no copy of
    // them is made.
    if (s.numberOfVLRs == parsed.countedVLRs) userAfterHeader_.resize((size_t)(parsed.pointStart - parsed.vlrEnd));
    if (!userAfterHeader_.empty() &&
        !src_->ReadAt(parsed.vlrEnd, userAfterHeader_.data(), userAfterHeader_.size())) {
        err = "cannot read the bytes after the variable length records";
        return false;
    }
    H.user_data_in_header_size = (uint32_t)userInHeader_.size();
    H.user_data_in_header = userInHeader_.empty() ? nullptr : userInHeader_.data();
    H.user_data_after_header_size = (uint32_t)userAfterHeader_.size();
    H.user_data_after_header = userAfterHeader_.empty() ? nullptr : userAfterHeader_.data();

    int laz = FindVLRIn(vlrTable_, vlrCount_, kLazUserId, kLazRecordId);
    const uint8_t* lazData = laz >= 0 ? vlrTable_[laz]->data : nullptr;
    uint16_t lazLength = laz >= 0 ? vlrTable_[laz]->recordLength : 0;
    // Compressed points cannot be read without it: a wrong length may have hidden it.
    std::vector<uint8_t> hidden;
    uint64_t hiddenAt = 0;
    const bool found =
        laz >= 0 || ((s.pointDataFormat & 0xC0) &&
                     FindLazRecordBefore(*src_, s.headerSize, parsed.vlrEnd, parsed.pointStart, hidden, &hiddenAt));
    if (laz < 0 && found) {
        lazData = hidden.data();
        lazLength = (uint16_t)hidden.size();
    }
    for (uint32_t i = 0; i < vlrCount_; i++) {
        if ((int)i == laz) continue;
        const LASVLR* r = vlrTable_[i];
        laszip_vlr_struct v;
        memset(&v, 0, sizeof v);
        v.reserved = r->reserved;
        memcpy(v.user_id, r->userId, 16);
        v.record_id = r->recordId;
        v.record_length_after_header = r->recordLength;
        memcpy(v.description, r->description, 32);
        v.data = r->recordLength ? r->data : nullptr;
        vlrs_.push_back(v);
    }
    H.number_of_variable_length_records = (uint32_t)vlrs_.size();
    H.vlrs = vlrs_.empty() ? nullptr : vlrs_.data();

    if ((s.pointDataFormat & 0xC0) && !found) {
        err = "point format marks compressed data but the LAZ record is missing";
        return false;
    }
    format_ = H.point_data_format;
    R_ = H.point_data_record_length;
    dataStart_ = parsed.pointStart;
    pointsEnd_ = LASPointRegionEnd(s, fileSize_, dataStart_);
    if (found) {
        // Cut at the point data, the record would describe points with bytes
        // that are not its own.
        if (laz >= 0 && laz == parsed.cutVLR) {
            err = parsed.cutVLRText;
            return false;
        }
        if (!ParseLazVlr(lazData, lazLength, R_, vlr_, err)) return false;
        compressed_ = vlr_.compressor != kCompressorNone;
        // An offset inside a record (the points found behind it) may be smaller.
        H.offset_to_point_data -= std::min<uint32_t>(H.offset_to_point_data, LAS_VLR_HEADER_SIZE + lazLength);
    }
    note_ = parsed.note;
    if (laz < 0 && found) {
        char text[160];
        snprintf(text, sizeof text, kLazRecordFoundInsideFormat, (unsigned long long)hiddenAt);
        note_ += note_.empty() ? std::string(text) : "; " + std::string(text);
    }
    total_ = parsed.pointCount;
    return true;
}

// ---- chunk table --------------------------------------------------------------

bool LazReader::DecodeTable(uint64_t off, uint64_t& count)
{
    uint8_t th[8];
    if (off + 8 > fileSize_ || !src_->ReadAt(off, th, 8)) return false;
    uint32_t version = Get32(th), n = Get32(th + 4);
    if (version != 0 || n > fileSize_) return false;
    count = n;
    starts_.assign(1, dataStart_ + 8);
    firstPoint_.assign(1, 0);
    if (n == 0) return true;
    // Two 32-bit corrections per chunk take well under 24 bytes.
    uint64_t avail = fileSize_ - (off + 8);
    uint64_t want = std::min<uint64_t>(avail, 24ull * n + 64);
    std::vector<uint8_t> buf((size_t)want);
    if (!src_->ReadAt(off + 8, buf.data(), buf.size())) return false;
    ArithDecoder dec;
    dec.SetInput(buf.data(), buf.data() + buf.size());
    dec.Init();
    IntCorrector ic(32, 2);
    bool variable = vlr_.Variable();
    uint32_t lastCount = 0, lastBytes = 0;
    for (uint32_t i = 0; i < n; i++) {
        if (variable) lastCount = (uint32_t)ic.Decode(dec, (int32_t)lastCount, 0);
        lastBytes = (uint32_t)ic.Decode(dec, (int32_t)lastBytes, 1);
        if (dec.Error()) break;  // keep what could be decoded
        uint64_t next = starts_.back() + lastBytes;
        if (lastBytes == 0 || next > fileSize_) break;  // starts must increase and stay in the file
        if (variable && lastCount == 0) break;
        starts_.push_back(next);
        firstPoint_.push_back(firstPoint_.back() + (variable ? lastCount : 0));
    }
    return starts_.size() == (size_t)n + 1;
}

void LazReader::WalkLayeredChunks()
{
    // Layered chunks describe their own length: raw point, count, layer sizes.
    if (starts_.empty()) {
        starts_.assign(1, dataStart_ + 8);
        firstPoint_.assign(1, 0);
    }
    bool variable = vlr_.Variable();
    uint32_t layers = dec_->NumLayers();
    uint64_t head = (uint64_t)R_ + 4 + 4ull * layers;
    std::vector<uint8_t> h((size_t)head);
    uint64_t points = variable ? firstPoint_.back() : (starts_.size() - 1) * (uint64_t)vlr_.chunkSize;
    while (points < total_) {
        uint64_t s = starts_.back();
        if (s + head > fileSize_ || !src_->ReadAt(s, h.data(), h.size())) break;
        uint32_t count = Get32(h.data() + R_);
        uint64_t len = head;
        for (uint32_t i = 0; i < layers; i++) len += Get32(h.data() + R_ + 4 + 4 * i);
        if (count == 0) break;
        // A chunk cut short by the end of the file stays listed, so that reading
        // it reports the truncation.
        starts_.push_back(s + len);
        uint64_t n = variable ? count : vlr_.chunkSize;
        points += n;
        firstPoint_.push_back(firstPoint_.back() + count);
        if (s + len >= fileSize_) break;
    }
}

void LazReader::LoadTable()
{
    tableRead_ = true;
    if (vlr_.compressor == kPointwise) return;
    uint64_t chunksStart = dataStart_ + 8;
    uint8_t b[8];
    bool ok = false;
    uint64_t count = 0;
    if (chunksStart <= fileSize_ && src_->ReadAt(dataStart_, b, 8)) {
        int64_t off = (int64_t)Get64(b);
        if (off == -1 && fileSize_ >= 8 && src_->ReadAt(fileSize_ - 8, b, 8)) off = (int64_t)Get64(b);
        if (off == (int64_t)dataStart_) {
            tableNote_ = "chunk table is missing";
        } else if (off < (int64_t)chunksStart || (uint64_t)off >= fileSize_) {
            tableNote_ = "chunk table is missing; LAZ file truncated?";
        } else {
            ok = DecodeTable((uint64_t)off, count);
            if (!ok) tableNote_ = "corrupt chunk table";
            tableComplete_ = ok;
        }
    }
    if (!ok && starts_.size() <= 1) {
        starts_.assign(1, chunksStart);
        firstPoint_.assign(1, 0);
    }
    if (vlr_.compressor == kLayeredChunked && !ok) WalkLayeredChunks();
    if (threads_ > 1 && starts_.size() > 2) pool_.reset(new DecodePool(vlr_, threads_));
}

uint64_t LazReader::PointCapacity()
{
    if (!src_) return 0;
    if (!compressed_) return LASRecordCapacity(pointsEnd_, dataStart_, R_);
    if (!tableRead_) LoadTable();
    if (vlr_.compressor == kPointwise || !tableComplete_ || starts_.empty()) return UINT64_MAX;
    if (vlr_.Variable()) return firstPoint_.back();
    return (starts_.size() - 1) * (uint64_t)vlr_.chunkSize;
}

// ---- chunks -------------------------------------------------------------------

bool LazReader::ChunkPoints(uint64_t i, uint64_t& n) const
{
    if (vlr_.compressor == kPointwise) {
        n = total_;
        return i == 0;
    }
    if (vlr_.Variable()) {
        if (i + 1 >= firstPoint_.size()) return false;
        n = firstPoint_[i + 1] - firstPoint_[i];
        return n > 0;
    }
    // A complete table lists every chunk: points beyond them are not in the file.
    if (tableComplete_ && i + 1 >= starts_.size()) return false;
    uint64_t first = i * (uint64_t)vlr_.chunkSize;
    if (first >= total_) return false;
    n = std::min<uint64_t>(vlr_.chunkSize, total_ - first);
    return true;
}

uint64_t LazReader::ChunkFirst(uint64_t i) const
{
    if (vlr_.compressor == kPointwise) return 0;
    if (vlr_.Variable()) return i < firstPoint_.size() ? firstPoint_[i] : total_;
    return i * (uint64_t)vlr_.chunkSize;
}

std::shared_ptr<ChunkJob> LazReader::MakeJob(uint64_t i, uint64_t n)
{
    // Finished jobs are reused so their buffers are not allocated again for
    // every chunk, nor (through the kept ones) for every file.
    std::shared_ptr<ChunkJob> job;
    if (!spare_.empty()) {
        job = spare_.back();
        spare_.pop_back();
    } else {
        job = TakeSpareJob();
    }
    if (job) {
        job->err = kOk;
        job->decoded = 0;
        job->tailCorrupt = false;
        job->done = false;
    } else {
        job.reset(new ChunkJob());
    }
    job->chunk = i;
    job->points = (uint32_t)n;
    uint64_t s = starts_[i], e = starts_[i + 1];
    if (e > fileSize_) {
        job->err = kEndOfData;
        job->done = true;
        return job;
    }
    if (!src_->ReadAt(s, job->in.Hold((size_t)(e - s)), (size_t)(e - s))) {
        job->err = kEndOfData;
        job->done = true;
        return job;
    }
    pool_->Submit(job);
    return job;
}

void LazReader::TopUpJobs(uint64_t from)
{
    size_t window = 2 * pool_->Threads();
    uint64_t i = jobs_.empty() ? from : jobs_.back()->chunk + 1;
    uint64_t ahead = 0;
    for (auto& j : jobs_) ahead += (uint64_t)j->points * R_;
    while (jobs_.size() < window && i + 1 < starts_.size()) {
        uint64_t n;
        if (!ChunkPoints(i, n) || n * R_ > kMaxJobBytes || ahead + n * R_ > kMaxAheadBytes) break;
        jobs_.push_back(MakeJob(i, n));
        ahead += n * R_;
        i++;
    }
}

void LazReader::DrainJobs()
{
    for (auto& j : jobs_) {
        pool_->Wait(*j);
        spare_.push_back(j);
    }
    jobs_.clear();
}

bool LazReader::StartChunk(uint64_t i, std::string& err)
{
    if (curJob_) {
        if (!curJobWaited_) pool_->Wait(*curJob_);
        spare_.push_back(curJob_);
        curJob_.reset();
    }
    active_ = false;
    tailCorrupt_ = false;
    uint64_t n = 0;
    if (!ChunkPoints(i, n)) {
        if (vlr_.Variable() && !tableNote_.empty())
            err = tableNote_ + ": chunks of variable size cannot be located";
        else
            err = "no chunk holds point " + std::to_string(ChunkFirst(i));
        return false;
    }
    chunk_ = i;
    chunkPoints_ = n;
    inChunk_ = 0;
    streaming_ = false;
    runFirst_ = runCount_ = 0;
    runErr_ = kOk;
    if (vlr_.compressor == kPointwise) {
        feed_->Start(dataStart_);
        dec_->BeginPointwise(nullptr, nullptr, feed_.get());
        streaming_ = true;
    } else if (i + 1 < starts_.size()) {
        if (pool_ && n * R_ <= kMaxJobBytes) {
            if (!jobs_.empty() && jobs_.front()->chunk == i) {
                curJob_ = jobs_.front();
                jobs_.pop_front();
            } else {
                DrainJobs();
                curJob_ = MakeJob(i, n);
            }
            curJobWaited_ = false;
            TopUpJobs(i + 1);
        } else {
            uint64_t s = starts_[i], e = starts_[i + 1];
            if (e > fileSize_) {
                err = "end-of-file in chunk " + std::to_string(i);
                return false;
            }
            chunkBuf_.resize((size_t)(e - s));
            if (!src_->ReadAt(s, chunkBuf_.data(), chunkBuf_.size())) {
                err = "cannot read chunk " + std::to_string(i);
                return false;
            }
            if (dec_->Layered()) {
                if (dec_->BeginLayered(chunkBuf_.data(), chunkBuf_.size(), nullptr)) {
                    err = "end-of-file in chunk " + std::to_string(i);
                    return false;
                }
            } else {
                dec_->BeginPointwise(chunkBuf_.data(), chunkBuf_.data() + chunkBuf_.size(), nullptr);
            }
        }
    } else if (i < starts_.size() && !dec_->Layered()) {
        // Start known, end not (missing table): the stream shows where the chunk ends.
        feed_->Start(starts_[i]);
        dec_->BeginPointwise(nullptr, nullptr, feed_.get());
        streaming_ = true;
    } else {
        err = (tableNote_.empty() ? std::string("chunk table") : tableNote_) + ": cannot locate chunk " +
              std::to_string(i);
        return false;
    }
    active_ = true;
    return true;
}

const uint8_t* LazReader::Fail(std::string& err, const std::string& why)
{
    failed_ = true;
    failText_ = why;
    err = why;
    return nullptr;
}

const uint8_t* LazReader::ReadPoint(std::string& err)
{
    if (!src_) {
        err = "no reader is open";
        return nullptr;
    }
    if (failed_) {
        err = failText_;
        return nullptr;
    }
    if (next_ >= total_) return Fail(err, "all " + std::to_string(total_) + " points have been read");
    if (!compressed_) return ReadUncompressed(err);
    if (!tableRead_) LoadTable();
    if (!active_ || inChunk_ >= chunkPoints_) {
        uint64_t ni = 0;
        if (active_) {
            if (tailCorrupt_) return Fail(err, "chunk " + std::to_string(chunk_) + " is corrupt");
            ni = chunk_ + 1;
        }
        std::string why;
        if (!StartChunk(ni, why)) return Fail(err, why);
    }
    const uint8_t* rec = rec_.data();
    if (curJob_) {
        if (!curJobWaited_) {
            pool_->Wait(*curJob_);
            curJobWaited_ = true;
            if (curJob_->tailCorrupt) tailCorrupt_ = true;
        }
        if (inChunk_ >= curJob_->decoded) {
            return Fail(err, std::string(curJob_->err == kCorrupt ? "corrupt data" : "end-of-file") + " in chunk " +
                                 std::to_string(chunk_));
        }
        // A record of full length is handed out where the worker left it.
        const uint8_t* out = curJob_->out.data() + inChunk_ * R_;
        if (R_ >= rec_.size())
            rec = out;
        else
            memcpy(rec_.data(), out, R_);
    } else if (dec_->Layered()) {
        if (inChunk_ >= runFirst_ + runCount_) {
            uint32_t r = runErr_;  // the point after the last run failed
            if (!r) {
                uint32_t want = (uint32_t)std::min<uint64_t>(dec_->RunPoints(), chunkPoints_ - inChunk_);
                run_.resize((size_t)want * R_);
                runFirst_ = inChunk_;
                runCount_ = dec_->DecodeRun(run_.data(), want, r);
                runErr_ = r;
                if (runCount_) r = kOk;
            }
            if (r) {
                // Reported once, as Next reports it; reading on goes on decoding.
                runErr_ = kOk;
                runFirst_ = inChunk_;
                runCount_ = 0;
                return Fail(err, std::string(r == kCorrupt ? "corrupt data" : "end-of-file") + " in chunk " +
                                     std::to_string(chunk_));
            }
        }
        const uint8_t* out = run_.data() + (inChunk_ - runFirst_) * R_;
        if (R_ >= rec_.size())
            rec = out;
        else
            memcpy(rec_.data(), out, R_);
    } else {
        uint32_t r = dec_->Next(rec_.data());
        if (r) {
            return Fail(err, std::string(r == kCorrupt ? "corrupt data" : "end-of-file") + " in chunk " +
                                 std::to_string(chunk_));
        }
        if (inChunk_ + 1 == chunkPoints_ && !dec_->Layered()) {
            if (streaming_) {
                // Missing table: the next chunk starts where this stream ended.
                if (vlr_.compressor != kPointwise && chunk_ + 1 == starts_.size()) {
                    starts_.push_back(feed_->PositionOf(dec_->StreamPosition()));
                }
            } else if (dec_->StreamPosition() != chunkBuf_.data() + chunkBuf_.size()) {
                tailCorrupt_ = true;
            }
        }
    }
    inChunk_++;
    next_++;
    return rec;
}

const uint8_t* LazReader::ReadUncompressed(std::string& err)
{
    if (R_ == 0) {
        next_++;
        return rec_.data();
    }
    if (next_ < ubufFirst_ || next_ >= ubufFirst_ + ubufCount_) {
        uint64_t pos = dataStart_ + next_ * (uint64_t)R_;
        uint64_t fit = pos < fileSize_ ? (fileSize_ - pos) / R_ : 0;
        uint64_t n = std::min<uint64_t>(std::min<uint64_t>(kUncompressedBlock, total_ - next_), fit);
        if (n == 0) return Fail(err, "end-of-file at point " + std::to_string(next_));
        ubuf_.resize((size_t)(n * R_));
        if (!src_->ReadAt(pos, ubuf_.data(), ubuf_.size()))
            return Fail(err, "cannot read point " + std::to_string(next_));
        ubufFirst_ = next_;
        ubufCount_ = n;
    }
    memcpy(rec_.data(), ubuf_.data() + (next_ - ubufFirst_) * R_, R_);
    next_++;
    return rec_.data();
}

bool LazReader::Seek(uint64_t p, std::string& err)
{
    if (!src_) {
        err = "no reader is open";
        return false;
    }
    if (p > total_) {
        err = "seek beyond the last point";
        return false;
    }
    failed_ = false;
    if (!compressed_) {
        next_ = p;
        return true;
    }
    if (!tableRead_) LoadTable();
    if (p == total_) {
        if (curJob_ && !curJobWaited_) pool_->Wait(*curJob_);
        curJob_.reset();
        active_ = false;
        next_ = p;
        return true;
    }
    std::string why;
    if (vlr_.compressor == kPointwise) {
        if (!active_ || p < next_) {
            if (!StartChunk(0, why)) {
                Fail(err, why);
                return false;
            }
            next_ = 0;
        }
    } else {
        uint64_t i;
        if (vlr_.Variable()) {
            i = (uint64_t)(std::upper_bound(firstPoint_.begin(), firstPoint_.end(), p) - firstPoint_.begin());
            if (i == 0 || i >= firstPoint_.size()) {
                Fail(err, "cannot locate the chunk of point " + std::to_string(p));
                return false;
            }
            i--;
        } else {
            i = p / vlr_.chunkSize;
        }
        bool here = active_ && i == chunk_ && p >= next_;
        if (!here && active_ && i == chunk_ && curJob_) {
            // The chunk's decoded points are still at hand: just step back.
            inChunk_ = 0;
            next_ = ChunkFirst(i);
            here = true;
        }
        if (!here) {
            if (i >= starts_.size()) i = starts_.size() - 1;  // decode forward from the last chunk we can find
            if (!StartChunk(i, why)) {
                Fail(err, why);
                return false;
            }
            next_ = ChunkFirst(i);
        }
    }
    while (next_ < p) {
        if (!ReadPoint(why)) {
            err = why;
            return false;
        }
    }
    return true;
}

}  // namespace laz
