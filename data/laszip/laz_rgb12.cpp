// RGB12 item (u16 red, green, blue of formats 2, 3, 5), versions 1 and 2.
// Version 2's colour model is also the RGB layer of the LAS 1.4 colour items.
#include "data/laszip/laz_factories.h"
#include "data/laszip/laz_intcorr.h"

namespace laz {

void RgbV2Models::Decode(ArithDecoder& dec, RgbState& L)
{
    uint32_t s = dec.DecodeSymbol(used);
    int32_t lr = L.r & 255, hr = L.r >> 8, lg = L.g & 255, hg = L.g >> 8, lb = L.b & 255, hb = L.b >> 8;
    int32_t rlo = (s & 1) ? (int32_t)Fold8((int32_t)dec.DecodeSymbol(d0) + lr) : lr;
    int32_t rhi = (s & 2) ? (int32_t)Fold8((int32_t)dec.DecodeSymbol(d1) + hr) : hr;
    if (s & 64) {
        int32_t diff = rlo - lr;
        int32_t glo = (s & 4) ? (int32_t)Fold8((int32_t)dec.DecodeSymbol(d2) + Clamp8(diff + lg)) : lg;
        int32_t blo;
        if (s & 16) {
            diff = (diff + (glo - lg)) / 2;
            blo = (int32_t)Fold8((int32_t)dec.DecodeSymbol(d4) + Clamp8(diff + lb));
        } else {
            blo = lb;
        }
        diff = rhi - hr;
        int32_t ghi = (s & 8) ? (int32_t)Fold8((int32_t)dec.DecodeSymbol(d3) + Clamp8(diff + hg)) : hg;
        int32_t bhi;
        if (s & 32) {
            diff = (diff + (ghi - hg)) / 2;
            bhi = (int32_t)Fold8((int32_t)dec.DecodeSymbol(d5) + Clamp8(diff + hb));
        } else {
            bhi = hb;
        }
        L.r = (uint16_t)(rlo | (rhi << 8));
        L.g = (uint16_t)(glo | (ghi << 8));
        L.b = (uint16_t)(blo | (bhi << 8));
    } else {
        L.r = L.g = L.b = (uint16_t)(rlo | (rhi << 8));
    }
}

namespace {

inline void LoadRgb(RgbState& L, const uint8_t* p)
{
    L.r = Get16(p);
    L.g = Get16(p + 2);
    L.b = Get16(p + 4);
}
inline void StoreRgb(const RgbState& L, uint8_t* p)
{
    Put16(p, L.r);
    Put16(p + 2, L.g);
    Put16(p + 4, L.b);
}

class Rgb12V1 : public PointItem {
public:
    Rgb12V1() : used_(64), ic_(8, 6) {}
    void InitRaw(const uint8_t* raw) override
    {
        used_.Reset();
        ic_.Reset();
        LoadRgb(L_, raw);
    }
    void Decode(ArithDecoder& dec, uint8_t* out) override
    {
        uint32_t s = dec.DecodeSymbol(used_);
        uint16_t* ch[3] = {&L_.r, &L_.g, &L_.b};
        for (int c = 0; c < 3; c++) {
            uint32_t lo = *ch[c] & 255, hi = *ch[c] >> 8;
            if (s & (1u << (2 * c))) lo = (uint32_t)ic_.Decode(dec, (int32_t)lo, 2 * c) & 255;
            if (s & (2u << (2 * c))) hi = (uint32_t)ic_.Decode(dec, (int32_t)hi, 2 * c + 1) & 255;
            *ch[c] = (uint16_t)(lo | (hi << 8));
        }
        StoreRgb(L_, out);
    }

private:
    SymModel used_;
    IntCorrector ic_;
    RgbState L_;
};

class Rgb12V2 : public PointItem {
public:
    void InitRaw(const uint8_t* raw) override
    {
        m_.Reset();
        LoadRgb(L_, raw);
    }
    void Decode(ArithDecoder& dec, uint8_t* out) override
    {
        m_.Decode(dec, L_);
        StoreRgb(L_, out);
    }

private:
    RgbV2Models m_;
    RgbState L_;
};

}  // namespace

std::unique_ptr<PointItem> MakeRgb12(uint16_t version)
{
    if (version == 1) return std::unique_ptr<PointItem>(new Rgb12V1());
    if (version == 2) return std::unique_ptr<PointItem>(new Rgb12V2());
    return nullptr;
}

}  // namespace laz
