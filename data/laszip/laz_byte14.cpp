// BYTE14 layered item (extra bytes of formats 6-10): one layer per byte.
#include <vector>
#include "data/laszip/laz_context14.h"
#include "data/laszip/laz_factories.h"

namespace laz {

namespace {

// The byte count is per item, so the last-record holds a vector.
struct ByteLast {
    std::vector<uint8_t> b;
};

struct ByteContext {
    void Init(const ByteLast& seed)
    {
        if (models.size() != seed.b.size()) {
            models.clear();
            models.reserve(seed.b.size());
            for (size_t i = 0; i < seed.b.size(); i++) models.emplace_back(256);
        } else {
            for (auto& m : models) m.Reset();
        }
        last = seed;
    }
    std::vector<SymModel> models;
    ByteLast last;
};

class Byte14 final : public LayeredItem {
public:
    Byte14(uint16_t version, uint16_t n) : n_(n), ctx_(version >= 4), layers_(n) {}
    uint32_t NumLayers() const override { return n_; }
    void InitRaw(const uint8_t* raw, uint32_t& hc) override
    {
        ByteLast l;
        l.b.assign(raw, raw + n_);
        ctx_.Start(hc, l);
    }
    void SetLayers(const uint8_t* const* data, const uint32_t* sizes) override { layers_.Set(data, sizes); }
    void Decode(uint8_t* out, uint32_t& hc) override
    {
        ByteLast* lp;
        ByteContext& c = ctx_.Select(hc, lp);
        for (uint32_t i = 0; i < n_; i++) {
            if (layers_.present[i])
                lp->b[i] = (uint8_t)Fold8(lp->b[i] + (int32_t)layers_.dec[i].DecodeSymbol(c.models[i]));
            out[i] = lp->b[i];
        }
    }
    uint32_t Error() const override { return layers_.Error(); }
    uint32_t DecodeRun(uint8_t* out, size_t stride, uint32_t count, uint8_t* hc, uint32_t& err) override
    {
        return DecodeRunOf(*this, out, stride, count, hc, err);
    }

private:
    uint32_t n_;
    ChannelContexts<ByteContext, ByteLast> ctx_;
    LayerSet layers_;
};

}  // namespace

std::unique_ptr<LayeredItem> MakeByte14(uint16_t version, uint16_t size)
{
    if (size == 0) return nullptr;
    if (version >= 2 && version <= 4) return std::unique_ptr<LayeredItem>(new Byte14(version, size));
    return nullptr;
}

}  // namespace laz
