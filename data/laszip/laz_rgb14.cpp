// RGB14 (formats 7) and RGBNIR14 (formats 8, 10) layered items, versions 3 and 4.
#include "data/laszip/laz_context14.h"
#include "data/laszip/laz_factories.h"

namespace laz {

namespace {

struct RgbNirLast {
    RgbState rgb;
    uint16_t nir;
};

struct RgbNirContext {
    RgbNirContext() : nused(4), n0(256), n1(256) {}
    void Init(const RgbNirLast& seed)
    {
        rgb.Reset();
        nused.Reset();
        n0.Reset();
        n1.Reset();
        last = seed;
    }
    RgbV2Models rgb;
    SymModel nused, n0, n1;
    RgbNirLast last;
};

class RgbNir14 final : public LayeredItem {
public:
    RgbNir14(uint16_t version, bool nir) : nir_(nir), ctx_(version >= 4), layers_(nir ? 2 : 1) {}
    uint32_t NumLayers() const override { return layers_.n; }
    void InitRaw(const uint8_t* raw, uint32_t& hc) override
    {
        RgbNirLast l;
        l.rgb.r = Get16(raw);
        l.rgb.g = Get16(raw + 2);
        l.rgb.b = Get16(raw + 4);
        l.nir = nir_ ? Get16(raw + 6) : 0;
        ctx_.Start(hc, l);
    }
    void SetLayers(const uint8_t* const* data, const uint32_t* sizes) override { layers_.Set(data, sizes); }
    void Decode(uint8_t* out, uint32_t& hc) override
    {
        RgbNirLast* lp;
        RgbNirContext& c = ctx_.Select(hc, lp);
        if (layers_.present[0]) c.rgb.Decode(layers_.dec[0], lp->rgb);
        Put16(out, lp->rgb.r);
        Put16(out + 2, lp->rgb.g);
        Put16(out + 4, lp->rgb.b);
        if (!nir_) return;
        if (layers_.present[1]) {
            ArithDecoder& d = layers_.dec[1];
            uint32_t s = d.DecodeSymbol(c.nused);
            int32_t lo = lp->nir & 255, hi = lp->nir >> 8;
            if (s & 1) lo = (int32_t)Fold8((int32_t)d.DecodeSymbol(c.n0) + lo);
            if (s & 2) hi = (int32_t)Fold8((int32_t)d.DecodeSymbol(c.n1) + hi);
            lp->nir = (uint16_t)(lo | (hi << 8));
        }
        Put16(out + 6, lp->nir);
    }
    uint32_t Error() const override { return layers_.Error(); }
    uint32_t DecodeRun(uint8_t* out, size_t stride, uint32_t count, uint8_t* hc, uint32_t& err) override
    {
        return DecodeRunOf(*this, out, stride, count, hc, err);
    }

private:
    bool nir_;
    ChannelContexts<RgbNirContext, RgbNirLast> ctx_;
    LayerSet layers_;
};

}  // namespace

std::unique_ptr<LayeredItem> MakeRgb14(uint16_t version, bool nir)
{
    if (version >= 2 && version <= 4) return std::unique_ptr<LayeredItem>(new RgbNir14(version, nir));
    return nullptr;
}

}  // namespace laz
