// GPSTIME11 item (the f64 GPS time of formats 1, 3, 4, 5), versions 1 and 2.
// Times are predicted on the i64 bit pattern of the double.
#include "data/laszip/laz_factories.h"
#include "data/laszip/laz_intcorr.h"

namespace laz {

namespace {

inline int32_t WrapMul(int32_t a, int32_t b)
{
    return (int32_t)((uint32_t)a * (uint32_t)b);
}

class GpsTime11V1 : public PointItem {
public:
    GpsTime11V1() : multi_(512), zero_(3), ic_(32, 6) {}
    void InitRaw(const uint8_t* raw) override
    {
        multi_.Reset();
        zero_.Reset();
        ic_.Reset();
        ldiff_ = 0;
        ext_ = 0;
        t_ = Get64(raw);
    }
    void Decode(ArithDecoder& dec, uint8_t* out) override
    {
        if (ldiff_ == 0) {
            uint32_t s = dec.DecodeSymbol(zero_);
            if (s == 1) {
                ldiff_ = ic_.Decode(dec, 0, 0);
                t_ += (uint64_t)(int64_t)ldiff_;
            } else if (s == 2) {
                t_ = dec.ReadInt64();
            }
        } else {
            uint32_t s = dec.DecodeSymbol(multi_);
            if (s < 510) {
                int32_t d;
                if (s == 1) {
                    d = ic_.Decode(dec, ldiff_, 1);
                    ldiff_ = d;
                    ext_ = 0;
                } else if (s == 0) {
                    d = ic_.Decode(dec, ldiff_ / 4, 2);
                    if (++ext_ > 3) {
                        ldiff_ = d;
                        ext_ = 0;
                    }
                } else if (s < 10) {
                    d = ic_.Decode(dec, WrapMul((int32_t)s, ldiff_), 3);
                } else if (s < 50) {
                    d = ic_.Decode(dec, WrapMul((int32_t)s, ldiff_), 4);
                } else {
                    d = ic_.Decode(dec, WrapMul((int32_t)s, ldiff_), 5);
                    if (s == 509 && ++ext_ > 3) {
                        ldiff_ = d;
                        ext_ = 0;
                    }
                }
                t_ += (uint64_t)(int64_t)d;
            } else if (s == 510) {
                t_ = dec.ReadInt64();
            }
        }
        Put64(out, t_);
    }

private:
    SymModel multi_, zero_;
    IntCorrector ic_;
    uint64_t t_;
    int32_t ldiff_;
    uint32_t ext_;
};

}  // namespace

// The "s < 511" branch of the multi-sequence time coder, shared with POINT14.
// Contexts: 7 (s == 0), 2/3 (small multiples), 4 (500), 5/6 (negative multiples).
void GpsSeqDecodeDiff(ArithDecoder& dec, IntCorrector& ic, GpsSeq& g, uint32_t s)
{
    uint32_t a = g.last;
    int32_t d;
    if (s == 0) {
        d = ic.Decode(dec, 0, 7);
        if (++g.ext[a] > 3) {
            g.ldiff[a] = d;
            g.ext[a] = 0;
        }
    } else if (s < 500) {
        d = ic.Decode(dec, WrapMul((int32_t)s, g.ldiff[a]), s < 10 ? 2 : 3);
    } else if (s == 500) {
        d = ic.Decode(dec, WrapMul(500, g.ldiff[a]), 4);
        if (++g.ext[a] > 3) {
            g.ldiff[a] = d;
            g.ext[a] = 0;
        }
    } else {
        int32_t f = 500 - (int32_t)s;
        if (f > -10) {
            d = ic.Decode(dec, WrapMul(f, g.ldiff[a]), 5);
        } else {
            d = ic.Decode(dec, WrapMul(-10, g.ldiff[a]), 6);
            if (++g.ext[a] > 3) {
                g.ldiff[a] = d;
                g.ext[a] = 0;
            }
        }
    }
    g.t[a] += (uint64_t)(int64_t)d;
}

void GpsSeqFull(ArithDecoder& dec, IntCorrector& ic, GpsSeq& g)
{
    g.next = (g.next + 1) & 3;
    int32_t hi = ic.Decode(dec, (int32_t)(uint32_t)(g.t[g.last] >> 32), 8);
    uint32_t lo = dec.ReadInt();
    g.t[g.next] = ((uint64_t)(uint32_t)hi << 32) | lo;
    g.last = g.next;
    g.ldiff[g.last] = 0;
    g.ext[g.last] = 0;
}

namespace {

class GpsTime11V2 : public PointItem {
public:
    GpsTime11V2() : multi_(516), zero_(6), ic_(32, 9) {}
    void InitRaw(const uint8_t* raw) override
    {
        multi_.Reset();
        zero_.Reset();
        ic_.Reset();
        g_.Reset(Get64(raw));
    }
    void Decode(ArithDecoder& dec, uint8_t* out) override
    {
        // A valid stream switches sequence at most once per point.
        for (int pass = 0; pass < 2; pass++) {
            uint32_t a = g_.last;
            if (g_.ldiff[a] == 0) {
                uint32_t s = dec.DecodeSymbol(zero_);
                if (s == 1) {
                    g_.ldiff[a] = ic_.Decode(dec, 0, 0);
                    g_.t[a] += (uint64_t)(int64_t)g_.ldiff[a];
                    g_.ext[a] = 0;
                } else if (s == 2) {
                    GpsSeqFull(dec, ic_, g_);
                } else if (s > 2) {
                    g_.last = (a + s - 2) & 3;
                    if (pass == 0) continue;
                    dec.SetCorrupt();
                }
            } else {
                uint32_t s = dec.DecodeSymbol(multi_);
                if (s == 1) {
                    g_.t[a] += (uint64_t)(int64_t)ic_.Decode(dec, g_.ldiff[a], 1);
                    g_.ext[a] = 0;
                } else if (s < 511) {
                    GpsSeqDecodeDiff(dec, ic_, g_, s);
                } else if (s == 512) {
                    GpsSeqFull(dec, ic_, g_);
                } else if (s > 512) {
                    g_.last = (a + s - 512) & 3;
                    if (pass == 0) continue;
                    dec.SetCorrupt();
                }
            }
            break;
        }
        Put64(out, g_.t[g_.last]);
    }

private:
    SymModel multi_, zero_;
    IntCorrector ic_;
    GpsSeq g_;
};

}  // namespace

std::unique_ptr<PointItem> MakeGpsTime11(uint16_t version)
{
    if (version == 1) return std::unique_ptr<PointItem>(new GpsTime11V1());
    if (version == 2) return std::unique_ptr<PointItem>(new GpsTime11V2());
    return nullptr;
}

}  // namespace laz
