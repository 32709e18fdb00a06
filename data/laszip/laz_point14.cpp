// POINT14 item (the 30 bytes of formats 6-10), layered versions 3 and 4.
// Keeps one full model set per scanner channel and hands the channel context
// on to the items that follow it in the record.
#include "data/laszip/laz_factories.h"
#include "data/laszip/laz_intcorr.h"

namespace laz {

namespace {

enum { kXY, kZ, kCls, kFlg, kInt, kSa, kUd, kPs, kGps, kLayers };

const uint8_t kMap6[16][16] = {
    {0, 1, 2, 3, 4, 5, 3, 4, 4, 5, 5, 5, 5, 5, 5, 5}, {1, 0, 1, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3},
    {2, 1, 2, 4, 4, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3}, {3, 3, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4},
    {4, 3, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4}, {5, 3, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4},
    {3, 3, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4}, {4, 3, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4},
    {4, 3, 4, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4}, {5, 3, 4, 4, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4},
    {5, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4}, {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 4, 4, 4},
    {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 4, 4}, {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 4},
    {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5}, {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5}};

inline uint32_t Level8x16(uint32_t n, uint32_t r)
{
    uint32_t d = n > r ? n - r : r - n;
    return d < 7 ? d : 7;
}

inline int32_t WrapAdd(int32_t a, int32_t b)
{
    return (int32_t)((uint32_t)a + (uint32_t)b);
}

struct P14 {
    int32_t x, y, z;
    uint16_t inten;
    uint8_t r, n, cf, ch, sd, eof, cls, ud;
    int16_t sa;
    uint16_t psid;
    uint64_t t;
    bool gtc;
    void Load(const uint8_t* p)
    {
        x = (int32_t)Get32(p);
        y = (int32_t)Get32(p + 4);
        z = (int32_t)Get32(p + 8);
        inten = Get16(p + 12);
        r = p[14] & 15;
        n = p[14] >> 4;
        cf = p[15] & 15;
        ch = (p[15] >> 4) & 3;
        sd = (p[15] >> 6) & 1;
        eof = p[15] >> 7;
        cls = p[16];
        ud = p[17];
        sa = (int16_t)Get16(p + 18);
        psid = Get16(p + 20);
        t = Get64(p + 22);
        gtc = false;
    }
    void Store(uint8_t* p) const
    {
        Put32(p, (uint32_t)x);
        Put32(p + 4, (uint32_t)y);
        Put32(p + 8, (uint32_t)z);
        Put16(p + 12, inten);
        p[14] = (uint8_t)(r | (n << 4));
        p[15] = (uint8_t)(cf | (ch << 4) | (sd << 6) | (eof << 7));
        p[16] = cls;
        p[17] = ud;
        Put16(p + 18, (uint16_t)sa);
        Put16(p + 20, psid);
        Put64(p + 22, t);
    }
};

struct P14Context {
    P14Context()
        : changed(8, 128),
          chan(3),
          nret(16, 16),
          rnum(16, 16),
          rgps(13),
          dX(32, 2),
          dY(32, 22),
          z(32, 20),
          clsm(64, 256),
          flgm(64, 64),
          udm(64, 256),
          inten(16, 4),
          sa(16, 2),
          ps(16, 1),
          multi(515),
          zero(5),
          gps(32, 9)
    {}
    void Init(const P14& seed)
    {
        changed.Restart();
        chan.Reset();
        nret.Restart();
        rnum.Restart();
        rgps.Reset();
        dX.Reset();
        dY.Reset();
        z.Reset();
        clsm.Restart();
        flgm.Restart();
        udm.Restart();
        inten.Reset();
        sa.Reset();
        ps.Reset();
        multi.Reset();
        zero.Reset();
        gps.Reset();
        for (int i = 0; i < 12; i++) {
            medX[i].Reset();
            medY[i].Reset();
        }
        for (int i = 0; i < 8; i++) {
            lastZ[i] = seed.z;
            lastI[i] = seed.inten;
        }
        g.Reset(seed.t);
        L = seed;
        L.gtc = false;
    }
    LazyModels changed;
    SymModel chan;
    LazyModels nret, rnum;
    SymModel rgps;
    IntCorrector dX, dY, z;
    LazyModels clsm, flgm, udm;
    IntCorrector inten, sa, ps;
    SymModel multi, zero;
    IntCorrector gps;
    GpsSeq g;
    P14 L;
    Median5 medX[12], medY[12];
    uint16_t lastI[8];
    int32_t lastZ[8];
};

class Point14 final : public LayeredItem {
public:
    explicit Point14(uint16_t version) : v4_(version >= 4), cur_(0), corrupt_(false)
    {
        for (int i = 0; i < 4; i++) used_[i] = false;
        for (int i = 0; i < kLayers; i++) present_[i] = false;
    }
    uint32_t NumLayers() const override { return kLayers; }
    void InitRaw(const uint8_t* raw, uint32_t& hc) override
    {
        P14 seed;
        seed.Load(raw);
        for (int i = 0; i < 4; i++) used_[i] = false;
        cur_ = seed.ch;
        InitContext(cur_, seed);
        hc = cur_;
        corrupt_ = false;
    }
    void SetLayers(const uint8_t* const* data, const uint32_t* sizes) override
    {
        for (int i = 0; i < kLayers; i++) {
            present_[i] = sizes[i] != 0;
            if (present_[i]) {
                dec_[i].SetInput(data[i], data[i] + sizes[i]);
                dec_[i].Init();
            }
        }
    }
    void Decode(uint8_t* out, uint32_t& hc) override;
    uint32_t Error() const override
    {
        if (corrupt_) return kCorrupt;
        for (int i = 0; i < kLayers; i++) {
            if (!present_[i]) continue;
            if (dec_[i].Error()) return dec_[i].Error();
            if (!dec_[i].StateValid()) return kCorrupt;
        }
        return kOk;
    }
    uint32_t DecodeRun(uint8_t* out, size_t stride, uint32_t count, uint8_t* hc, uint32_t& err) override
    {
        return DecodeRunOf(*this, out, stride, count, hc, err);
    }

private:
    void InitContext(uint32_t c, const P14& seed)
    {
        if (!ctx_[c]) ctx_[c].reset(new P14Context());
        ctx_[c]->Init(seed);
        used_[c] = true;
    }
    void DecodeGps(P14Context& C);

    bool v4_;
    uint32_t cur_;
    bool corrupt_;
    bool used_[4];
    std::unique_ptr<P14Context> ctx_[4];
    bool present_[kLayers];
    ArithDecoder dec_[kLayers];
};

void Point14::DecodeGps(P14Context& C)
{
    ArithDecoder& d = dec_[kGps];
    GpsSeq& g = C.g;
    // A valid stream switches sequence at most once per point.
    for (int pass = 0; pass < 2; pass++) {
        uint32_t a = g.last;
        if (g.ldiff[a] == 0) {
            uint32_t s = d.DecodeSymbol(C.zero);
            if (s == 0) {
                g.ldiff[a] = C.gps.Decode(d, 0, 0);
                g.t[a] += (uint64_t)(int64_t)g.ldiff[a];
                g.ext[a] = 0;
            } else if (s == 1) {
                GpsSeqFull(d, C.gps, g);
            } else {
                g.last = (a + s - 1) & 3;
                if (pass == 0) continue;
                d.SetCorrupt();
            }
        } else {
            uint32_t s = d.DecodeSymbol(C.multi);
            if (s == 1) {
                g.t[a] += (uint64_t)(int64_t)C.gps.Decode(d, g.ldiff[a], 1);
                g.ext[a] = 0;
            } else if (s < 511) {
                GpsSeqDecodeDiff(d, C.gps, g, s);
            } else if (s == 511) {
                GpsSeqFull(d, C.gps, g);
            } else {
                g.last = (a + s - 511) & 3;
                if (pass == 0) continue;
                d.SetCorrupt();
            }
        }
        break;
    }
}

void Point14::Decode(uint8_t* out, uint32_t& hc)
{
    if (!present_[kXY]) {  // every point after the first needs its X/Y layer
        corrupt_ = true;
        ctx_[cur_]->L.Store(out);
        hc = cur_;
        return;
    }
    ArithDecoder& xy = dec_[kXY];
    P14Context* C = ctx_[cur_].get();
    P14* L = &C->L;
    hc = 0;
    uint32_t lpr = (L->r == 1 ? 1 : 0) + (L->r >= L->n ? 2 : 0) + (L->gtc ? 4 : 0);
    uint32_t cv = xy.DecodeSymbol(C->changed.Get(lpr));
    if (cv & 64) {
        uint32_t d = xy.DecodeSymbol(C->chan);
        uint32_t nc = (cur_ + d + 1) & 3;
        if (!used_[nc]) InitContext(nc, ctx_[cur_]->L);
        cur_ = nc;
        C = ctx_[cur_].get();
        L = &C->L;
        L->ch = (uint8_t)nc;
        hc = nc;
    }
    if (v4_) hc = cur_;
    uint32_t psc = (cv >> 5) & 1, gtc = (cv >> 4) & 1, sac = (cv >> 3) & 1;
    uint32_t lr = L->r, ln = L->n;
    if (cv & 4) L->n = (uint8_t)xy.DecodeSymbol(C->nret.Get(ln));
    uint32_t n = L->n, r;
    switch (cv & 3) {
        case 0: r = lr; break;
        case 1: r = (lr + 1) & 15; break;
        case 2: r = (lr + 15) & 15; break;
        default:
            if (gtc)
                r = xy.DecodeSymbol(C->rnum.Get(lr));
            else
                r = (lr + xy.DecodeSymbol(C->rgps) + 2) & 15;
            break;
    }
    L->r = (uint8_t)r;
    uint32_t m = kMap6[n][r], l = Level8x16(n, r);
    uint32_t cpr = (r == 1 ? 2 : 0) + (r >= n ? 1 : 0);
    uint32_t j = (m << 1) | gtc;
    uint32_t c1 = (n == 1) ? 1 : 0;
    int32_t d = C->dX.Decode(xy, C->medX[j].Get(), c1);
    L->x = WrapAdd(L->x, d);
    C->medX[j].Add(d);
    uint32_t k = C->dX.LastK();
    d = C->dY.Decode(xy, C->medY[j].Get(), c1 + (k < 20 ? (k & ~1u) : 20));
    L->y = WrapAdd(L->y, d);
    C->medY[j].Add(d);
    if (present_[kZ]) {
        k = (C->dX.LastK() + C->dY.LastK()) / 2;
        L->z = C->z.Decode(dec_[kZ], C->lastZ[l], c1 + (k < 18 ? (k & ~1u) : 18));
        C->lastZ[l] = L->z;
    }
    if (present_[kCls])
        L->cls = (uint8_t)dec_[kCls].DecodeSymbol(C->clsm.Get(((L->cls & 0x1F) << 1) + (cpr == 3 ? 1 : 0)));
    if (present_[kFlg]) {
        uint32_t f = dec_[kFlg].DecodeSymbol(C->flgm.Get((L->eof << 5) | (L->sd << 4) | L->cf));
        L->eof = (f >> 5) & 1;
        L->sd = (f >> 4) & 1;
        L->cf = f & 15;
    }
    if (present_[kInt]) {
        uint32_t ii = (cpr << 1) | gtc;
        L->inten = (uint16_t)C->inten.Decode(dec_[kInt], C->lastI[ii], cpr);
        C->lastI[ii] = L->inten;
    }
    if (present_[kSa] && sac) L->sa = (int16_t)(uint16_t)C->sa.Decode(dec_[kSa], (uint16_t)L->sa, gtc);
    if (present_[kUd]) L->ud = (uint8_t)dec_[kUd].DecodeSymbol(C->udm.Get(L->ud >> 2));
    if (present_[kPs] && psc) L->psid = (uint16_t)C->ps.Decode(dec_[kPs], L->psid, 0);
    if (present_[kGps] && gtc) {
        DecodeGps(*C);
        L->t = C->g.t[C->g.last];
    }
    L->Store(out);
    L->gtc = gtc != 0;
}

}  // namespace

std::unique_ptr<LayeredItem> MakePoint14(uint16_t version)
{
    if (version >= 2 && version <= 4) return std::unique_ptr<LayeredItem>(new Point14(version));
    return nullptr;
}

}  // namespace laz
