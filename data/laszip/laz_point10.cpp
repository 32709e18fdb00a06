// POINT10 item (the 20 bytes shared by formats 0-5), versions 1 and 2.
#include "data/laszip/laz_factories.h"
#include "data/laszip/laz_intcorr.h"

namespace laz {

namespace {

struct P10 {
    int32_t x, y, z;
    uint16_t inten;
    uint8_t b14, b15, b16, b17;
    uint16_t psid;
    void Load(const uint8_t* p)
    {
        x = (int32_t)Get32(p);
        y = (int32_t)Get32(p + 4);
        z = (int32_t)Get32(p + 8);
        inten = Get16(p + 12);
        b14 = p[14];
        b15 = p[15];
        b16 = p[16];
        b17 = p[17];
        psid = Get16(p + 18);
    }
    void Store(uint8_t* p) const
    {
        Put32(p, (uint32_t)x);
        Put32(p + 4, (uint32_t)y);
        Put32(p + 8, (uint32_t)z);
        Put16(p + 12, inten);
        p[14] = b14;
        p[15] = b15;
        p[16] = b16;
        p[17] = b17;
        Put16(p + 18, psid);
    }
};

inline int32_t WrapAdd(int32_t a, int32_t b)
{
    return (int32_t)((uint32_t)a + (uint32_t)b);
}

const uint8_t kMap8[8][8] = {{15, 14, 13, 12, 11, 10, 9, 8},  {14, 0, 1, 3, 6, 10, 10, 9},
                             {13, 1, 2, 4, 7, 11, 11, 10},    {12, 3, 4, 5, 8, 12, 12, 11},
                             {11, 6, 7, 8, 9, 13, 13, 12},    {10, 10, 11, 12, 13, 14, 14, 13},
                             {9, 10, 11, 12, 13, 14, 15, 14}, {8, 9, 10, 11, 12, 13, 14, 15}};

inline uint32_t Level8(uint32_t n, uint32_t r)
{
    return n > r ? n - r : r - n;
}

inline int32_t Median3(const int32_t* v)
{
    int32_t a = v[0], b = v[1], c = v[2];
    if (a < b) {
        if (b < c) return b;
        return a < c ? c : a;
    }
    if (a < c) return a;
    return b < c ? c : b;
}

class Point10V1 : public PointItem {
public:
    Point10V1()
        : dx_(32, 1),
          dy_(32, 20),
          z_(32, 20),
          inten_(16, 1),
          sar_(8, 2),
          psid_(16, 1),
          changed_(64),
          bitbyte_(256, 256),
          cls_(256, 256),
          ud_(256, 256)
    {}
    void InitRaw(const uint8_t* raw) override
    {
        dx_.Reset();
        dy_.Reset();
        z_.Reset();
        inten_.Reset();
        sar_.Reset();
        psid_.Reset();
        changed_.Reset();
        bitbyte_.Restart();
        cls_.Restart();
        ud_.Restart();
        for (int i = 0; i < 3; i++) lastdx_[i] = lastdy_[i] = 0;
        idx_ = 0;
        L_.Load(raw);
    }
    void Decode(ArithDecoder& dec, uint8_t* out) override
    {
        int32_t mx = Median3(lastdx_), my = Median3(lastdy_);
        int32_t ddx = dx_.Decode(dec, mx, 0);
        L_.x = WrapAdd(L_.x, ddx);
        uint32_t kx = dx_.LastK();
        int32_t ddy = dy_.Decode(dec, my, kx < 19 ? kx : 19);
        L_.y = WrapAdd(L_.y, ddy);
        uint32_t k = (kx + dy_.LastK()) / 2;
        L_.z = z_.Decode(dec, L_.z, k < 19 ? k : 19);
        uint32_t cv = dec.DecodeSymbol(changed_);
        if (cv & 32) L_.inten = (uint16_t)inten_.Decode(dec, L_.inten, 0);
        if (cv & 16) L_.b14 = (uint8_t)dec.DecodeSymbol(bitbyte_.Get(L_.b14));
        if (cv & 8) L_.b15 = (uint8_t)dec.DecodeSymbol(cls_.Get(L_.b15));
        if (cv & 4) L_.b16 = (uint8_t)sar_.Decode(dec, L_.b16, k < 3 ? 1 : 0);
        if (cv & 2) L_.b17 = (uint8_t)dec.DecodeSymbol(ud_.Get(L_.b17));
        if (cv & 1) L_.psid = (uint16_t)psid_.Decode(dec, L_.psid, 0);
        lastdx_[idx_] = ddx;
        lastdy_[idx_] = ddy;
        idx_ = (idx_ + 1) % 3;
        L_.Store(out);
    }

private:
    IntCorrector dx_, dy_, z_, inten_, sar_, psid_;
    SymModel changed_;
    LazyModels bitbyte_, cls_, ud_;
    int32_t lastdx_[3], lastdy_[3];
    int idx_;
    P10 L_;
};

class Point10V2 : public PointItem {
public:
    Point10V2()
        : changed_(64),
          sar0_(256),
          sar1_(256),
          inten_(16, 4),
          psid_(16, 1),
          dx_(32, 2),
          dy_(32, 22),
          z_(32, 20),
          bitbyte_(256, 256),
          cls_(256, 256),
          ud_(256, 256)
    {}
    void InitRaw(const uint8_t* raw) override
    {
        changed_.Reset();
        sar0_.Reset();
        sar1_.Reset();
        inten_.Reset();
        psid_.Reset();
        dx_.Reset();
        dy_.Reset();
        z_.Reset();
        bitbyte_.Restart();
        cls_.Restart();
        ud_.Restart();
        for (int i = 0; i < 16; i++) {
            medx_[i].Reset();
            medy_[i].Reset();
            lastI_[i] = 0;
        }
        for (int i = 0; i < 8; i++) lastZ_[i] = 0;
        L_.Load(raw);
        L_.inten = 0;  // the encoder starts every chunk from intensity 0, not the raw value
    }
    void Decode(ArithDecoder& dec, uint8_t* out) override
    {
        uint32_t cv = dec.DecodeSymbol(changed_);
        uint32_t r, n, m, l;
        if (cv) {
            if (cv & 32) L_.b14 = (uint8_t)dec.DecodeSymbol(bitbyte_.Get(L_.b14));
            r = L_.b14 & 7;
            n = (L_.b14 >> 3) & 7;
            m = kMap8[n][r];
            l = Level8(n, r);
            if (cv & 16) {
                L_.inten = (uint16_t)inten_.Decode(dec, lastI_[m], m < 3 ? m : 3);
                lastI_[m] = L_.inten;
            } else {
                L_.inten = lastI_[m];
            }
            if (cv & 8) L_.b15 = (uint8_t)dec.DecodeSymbol(cls_.Get(L_.b15));
            if (cv & 4) {
                SymModel& sm = ((L_.b14 >> 6) & 1) ? sar1_ : sar0_;
                L_.b16 = (uint8_t)Fold8((int32_t)dec.DecodeSymbol(sm) + L_.b16);
            }
            if (cv & 2) L_.b17 = (uint8_t)dec.DecodeSymbol(ud_.Get(L_.b17));
            if (cv & 1) L_.psid = (uint16_t)psid_.Decode(dec, L_.psid, 0);
        } else {
            r = L_.b14 & 7;
            n = (L_.b14 >> 3) & 7;
            m = kMap8[n][r];
            l = Level8(n, r);
        }
        uint32_t ctxn = (n == 1) ? 1 : 0;
        int32_t d = dx_.Decode(dec, medx_[m].Get(), ctxn);
        L_.x = WrapAdd(L_.x, d);
        medx_[m].Add(d);
        uint32_t k = dx_.LastK();
        d = dy_.Decode(dec, medy_[m].Get(), ctxn + (k < 20 ? (k & ~1u) : 20));
        L_.y = WrapAdd(L_.y, d);
        medy_[m].Add(d);
        k = (dx_.LastK() + dy_.LastK()) / 2;
        L_.z = z_.Decode(dec, lastZ_[l], ctxn + (k < 18 ? (k & ~1u) : 18));
        lastZ_[l] = L_.z;
        L_.Store(out);
    }

private:
    SymModel changed_, sar0_, sar1_;
    IntCorrector inten_, psid_, dx_, dy_, z_;
    LazyModels bitbyte_, cls_, ud_;
    Median5 medx_[16], medy_[16];
    uint16_t lastI_[16];
    int32_t lastZ_[8];
    P10 L_;
};

}  // namespace

std::unique_ptr<PointItem> MakePoint10(uint16_t version)
{
    if (version == 1) return std::unique_ptr<PointItem>(new Point10V1());
    if (version == 2) return std::unique_ptr<PointItem>(new Point10V2());
    return nullptr;
}

}  // namespace laz
