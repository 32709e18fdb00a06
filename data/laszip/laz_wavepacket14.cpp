// WAVEPACKET14 layered item (formats 9, 10), versions 3 and 4.
#include "data/laszip/laz_context14.h"
#include "data/laszip/laz_wavepacket.h"

namespace laz {

namespace {

struct WaveLast {
    uint8_t b[29];
};

struct WaveContext {
    void Init(const WaveLast& seed)
    {
        coder.Reset(seed.b);
        last = seed;
    }
    WavePacketCoder coder;
    WaveLast last;
};

class WavePacket14 final : public LayeredItem {
public:
    explicit WavePacket14(uint16_t version) : ctx_(version >= 4), layers_(1) {}
    uint32_t NumLayers() const override { return 1; }
    void InitRaw(const uint8_t* raw, uint32_t& hc) override
    {
        WaveLast l;
        memcpy(l.b, raw, 29);
        ctx_.Start(hc, l);
    }
    void SetLayers(const uint8_t* const* data, const uint32_t* sizes) override { layers_.Set(data, sizes); }
    void Decode(uint8_t* out, uint32_t& hc) override
    {
        WaveLast* lp;
        WaveContext& c = ctx_.Select(hc, lp);
        if (layers_.present[0]) {
            // The coder predicts from the record chosen by the context rules.
            c.coder.SetLast(lp->b);
            c.coder.Decode(layers_.dec[0], lp->b);
        }
        memcpy(out, lp->b, 29);
    }
    uint32_t Error() const override { return layers_.Error(); }
    uint32_t DecodeRun(uint8_t* out, size_t stride, uint32_t count, uint8_t* hc, uint32_t& err) override
    {
        return DecodeRunOf(*this, out, stride, count, hc, err);
    }

private:
    ChannelContexts<WaveContext, WaveLast> ctx_;
    LayerSet layers_;
};

}  // namespace

std::unique_ptr<LayeredItem> MakeWavePacket14(uint16_t version)
{
    if (version >= 2 && version <= 4) return std::unique_ptr<LayeredItem>(new WavePacket14(version));
    return nullptr;
}

}  // namespace laz
