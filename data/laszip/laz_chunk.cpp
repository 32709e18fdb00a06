// Decoding the points of one LAZ chunk, pointwise or layered.
#include "data/laszip/laz_chunk.h"
#include "data/laszip/laz_factories.h"

namespace laz {

ChunkDecoder::ChunkDecoder(const LazVlrInfo& vlr)
    : layered_(vlr.compressor == kLayeredChunked),
      recordLength_(0),
      numLayers_(0),
      rawPending_(false),
      startErr_(kOk),
      chunk_(nullptr),
      chunkSize_(0),
      taken_(0)
{
    for (const LazItemDesc& it : vlr.items) {
        offsets_.push_back(recordLength_);
        recordLength_ += it.size;
        if (layered_) {
            std::unique_ptr<LayeredItem> li;
            switch (it.type) {
                case kItemPoint14: li = MakePoint14(it.version); break;
                case kItemRgb14: li = MakeRgb14(it.version, false); break;
                case kItemRgbNir14: li = MakeRgb14(it.version, true); break;
                case kItemWavePacket14: li = MakeWavePacket14(it.version); break;
                case kItemByte14: li = MakeByte14(it.version, it.size); break;
            }
            numLayers_ += li ? li->NumLayers() : 0;
            litems_.push_back(std::move(li));
        } else {
            std::unique_ptr<PointItem> pi;
            switch (it.type) {
                case kItemPoint10: pi = MakePoint10(it.version); break;
                case kItemGpsTime11: pi = MakeGpsTime11(it.version); break;
                case kItemRgb12: pi = MakeRgb12(it.version); break;
                case kItemWavePacket13: pi = MakeWavePacket13(it.version); break;
                case kItemByte: pi = MakeByte(it.version, it.size); break;
            }
            pitems_.push_back(std::move(pi));
        }
    }
    raw_.resize(recordLength_);
    sizes_.resize(numLayers_);
    layerData_.resize(numLayers_);
}

void ChunkDecoder::BeginPointwise(const uint8_t* begin, const uint8_t* end, ByteFeed* feed)
{
    dec_.SetInput(begin, end, feed);
    dec_.ReadRaw(raw_.data(), recordLength_);
    for (size_t i = 0; i < pitems_.size(); i++) pitems_[i]->InitRaw(raw_.data() + offsets_[i]);
    startErr_ = dec_.Error();
    dec_.Init();  // even a one-point chunk carries its 4 start bytes
    rawPending_ = true;
}

uint32_t ChunkDecoder::BeginLayered(const uint8_t* begin, size_t size, uint32_t* pointCount)
{
    rawPending_ = false;
    chunk_ = begin;
    chunkSize_ = size;
    taken_ = 0;
    size_t head = (size_t)recordLength_ + 4 + 4 * (size_t)numLayers_;
    if (size < head) return startErr_ = kEndOfData;
    memcpy(raw_.data(), begin, recordLength_);
    if (pointCount) *pointCount = Get32(begin + recordLength_);
    const uint8_t* p = begin + recordLength_ + 4;
    uint64_t sum = 0;
    for (uint32_t i = 0; i < numLayers_; i++) {
        sizes_[i] = Get32(p + 4 * i);
        sum += sizes_[i];
    }
    if (sum > size - head) return startErr_ = kEndOfData;
    const uint8_t* data = begin + head;
    for (uint32_t i = 0; i < numLayers_; i++) {
        layerData_[i] = data;
        data += sizes_[i];
    }
    uint32_t hc = 0;
    uint32_t layer = 0;
    for (size_t i = 0; i < litems_.size(); i++) {
        litems_[i]->InitRaw(raw_.data() + offsets_[i], hc);
        litems_[i]->SetLayers(&layerData_[layer], &sizes_[layer]);
        layer += litems_[i]->NumLayers();
    }
    startErr_ = kOk;
    rawPending_ = true;
    return kOk;
}

uint32_t ChunkDecoder::Next(uint8_t* rec)
{
    taken_++;
    if (rawPending_) {
        rawPending_ = false;
        if (startErr_) return startErr_;
        memcpy(rec, raw_.data(), recordLength_);
        return kOk;
    }
    if (startErr_) return startErr_;
    if (layered_) {
        uint32_t hc = 0;
        for (size_t i = 0; i < litems_.size(); i++) litems_[i]->Decode(rec + offsets_[i], hc);
        for (auto& li : litems_) {
            uint32_t e = li->Error();
            if (e) return e;
        }
        return kOk;
    }
    for (size_t i = 0; i < pitems_.size(); i++) pitems_[i]->Decode(dec_, rec + offsets_[i]);
    if (dec_.Error()) return dec_.Error();
    if (!dec_.StateValid()) return kCorrupt;
    return kOk;
}

uint32_t ChunkDecoder::DecodeRun(uint8_t* out, uint32_t count, uint32_t& err)
{
    err = kOk;
    uint32_t done = 0;
    if (!layered_) {  // the items share one stream, so they go point by point
        for (; done < count; done++) {
            err = Next(out + (size_t)done * recordLength_);
            if (err) break;
        }
        return done;
    }
    if (count && (rawPending_ || startErr_)) {
        err = Next(out);
        if (err) return 0;
        done = 1;
    }
    if (done == count) return done;
    uint32_t n = count - done;
    uint8_t* o = out + (size_t)done * recordLength_;
    hc_.assign(n, 0);
    uint32_t sound = n;
    for (size_t i = 0; i < litems_.size(); i++) {
        uint32_t e = kOk;
        uint32_t m = litems_[i]->DecodeRun(o + offsets_[i], recordLength_, sound, hc_.data(), e);
        if (m < sound) {
            sound = m;
            err = e;
        }
    }
    if (sound == n) {
        taken_ += n;
        return count;
    }
    // The items stopped at different points: decode the chunk again point by
    // point, so that its state is Next's after the failing point.
    uint64_t upTo = taken_ + sound + 1;
    std::vector<uint8_t> rec(recordLength_);
    BeginLayered(chunk_, chunkSize_, nullptr);
    while (taken_ < upTo) Next(rec.data());
    return done + sound;
}

}  // namespace laz
