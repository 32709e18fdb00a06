// WAVEPACKET13 item (the 29-byte wave packet of formats 4, 5), version 1.
// The same coder serves the layered WAVEPACKET14 item.
#include "data/laszip/laz_wavepacket.h"

namespace laz {

void WavePacketCoder::Reset(const uint8_t* raw29)
{
    idx_.Reset();
    for (auto& m : offm_) m.Reset();
    offd_.Reset();
    psz_.Reset();
    rpt_.Reset();
    xyz_.Reset();
    last32_ = 0;
    lastsym_ = 0;
    memcpy(last_, raw29, 29);
}

void WavePacketCoder::Decode(ArithDecoder& dec, uint8_t* out)
{
    uint64_t off = Get64(last_ + 1);
    uint32_t size = Get32(last_ + 9);
    out[0] = (uint8_t)dec.DecodeSymbol(idx_);
    lastsym_ = dec.DecodeSymbol(offm_[lastsym_]);
    uint64_t noff;
    if (lastsym_ == 0) {
        noff = off;
    } else if (lastsym_ == 1) {
        noff = off + size;
    } else if (lastsym_ == 2) {
        last32_ = offd_.Decode(dec, last32_, 0);
        noff = off + (uint64_t)(int64_t)last32_;
    } else {
        noff = dec.ReadInt64();
    }
    Put64(out + 1, noff);
    Put32(out + 9, (uint32_t)psz_.Decode(dec, (int32_t)size, 0));
    Put32(out + 13, (uint32_t)rpt_.Decode(dec, (int32_t)Get32(last_ + 13), 0));
    Put32(out + 17, (uint32_t)xyz_.Decode(dec, (int32_t)Get32(last_ + 17), 0));
    Put32(out + 21, (uint32_t)xyz_.Decode(dec, (int32_t)Get32(last_ + 21), 1));
    Put32(out + 25, (uint32_t)xyz_.Decode(dec, (int32_t)Get32(last_ + 25), 2));
    memcpy(last_, out, 29);
}

namespace {

class WavePacket13V1 : public PointItem {
public:
    void InitRaw(const uint8_t* raw) override { c_.Reset(raw); }
    void Decode(ArithDecoder& dec, uint8_t* out) override { c_.Decode(dec, out); }

private:
    WavePacketCoder c_;
};

}  // namespace

std::unique_ptr<PointItem> MakeWavePacket13(uint16_t version)
{
    if (version == 1) return std::unique_ptr<PointItem>(new WavePacket13V1());
    return nullptr;
}

}  // namespace laz
