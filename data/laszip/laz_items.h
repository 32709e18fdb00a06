// Item decoders: one object per item of the point record (POINT10, GPS time,
// colour, wave packet, extra bytes, and their LAS 1.4 layered forms).
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include "data/laszip/laz_arith.h"

namespace laz {

enum ItemType : uint16_t {
    kItemByte = 0,
    kItemPoint10 = 6,
    kItemGpsTime11 = 7,
    kItemRgb12 = 8,
    kItemWavePacket13 = 9,
    kItemPoint14 = 10,
    kItemRgb14 = 11,
    kItemRgbNir14 = 12,
    kItemWavePacket14 = 13,
    kItemByte14 = 14
};

// Items of formats 0-5: every item of a point is decoded from one shared stream.
class PointItem {
public:
    virtual ~PointItem() {}
    // Chunk start: resets all models and takes the raw first point's bytes as "last".
    virtual void InitRaw(const uint8_t* raw) = 0;
    virtual void Decode(ArithDecoder& dec, uint8_t* out) = 0;
};

// Items of formats 6-10: each item owns one or more layers, each an independent stream.
// `hc` is the scanner-channel context that the POINT14 item hands to the items after it.
class LayeredItem {
public:
    virtual ~LayeredItem() {}
    virtual uint32_t NumLayers() const = 0;
    virtual void InitRaw(const uint8_t* raw, uint32_t& hc) = 0;
    // Layer i's bytes; size 0 means the field never changes in this chunk.
    virtual void SetLayers(const uint8_t* const* data, const uint32_t* sizes) = 0;
    virtual void Decode(uint8_t* out, uint32_t& hc) = 0;
    virtual uint32_t Error() const = 0;
    // The next `count` points, `stride` bytes apart; hc[i] carries point i's
    // context. Returns how many decoded sound; `err` gets why the next did not.
    virtual uint32_t DecodeRun(uint8_t* out, size_t stride, uint32_t count, uint8_t* hc, uint32_t& err)
    {
        return DecodeRunOf(*this, out, stride, count, hc, err);
    }

protected:
    // One call per run instead of one per point: from a final class the
    // per-point calls are direct, so they inline.
    template <class Item>
    static uint32_t DecodeRunOf(Item& item, uint8_t* out, size_t stride, uint32_t count, uint8_t* hc, uint32_t& err)
    {
        for (uint32_t i = 0; i < count; i++) {
            uint32_t h = hc[i];
            item.Decode(out + i * stride, h);
            hc[i] = (uint8_t)h;
            err = item.Error();
            if (err) return i;
        }
        err = kOk;
        return count;
    }
};

// Returns null for a type/size/version this decoder cannot handle.
std::unique_ptr<PointItem> MakePointItem(uint16_t type, uint16_t size, uint16_t version);
std::unique_ptr<LayeredItem> MakeLayeredItem(uint16_t type, uint16_t size, uint16_t version);

inline uint32_t Get32(const uint8_t* p)
{
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
}
inline uint16_t Get16(const uint8_t* p)
{
    uint16_t v;
    memcpy(&v, p, 2);
    return v;
}
inline uint64_t Get64(const uint8_t* p)
{
    uint64_t v;
    memcpy(&v, p, 8);
    return v;
}
inline void Put32(uint8_t* p, uint32_t v)
{
    memcpy(p, &v, 4);
}
inline void Put16(uint8_t* p, uint16_t v)
{
    memcpy(p, &v, 2);
}
inline void Put64(uint8_t* p, uint64_t v)
{
    memcpy(p, &v, 8);
}

inline uint32_t Fold8(int32_t v)
{
    return (uint32_t)v & 0xFF;
}
inline int32_t Clamp8(int32_t v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// Not a true running median: the exact five-slot structure the encoder uses.
struct Median5 {
    int32_t v[5];
    bool high;
    void Reset()
    {
        v[0] = v[1] = v[2] = v[3] = v[4] = 0;
        high = true;
    }
    int32_t Get() const { return v[2]; }
    // The encoder's insertion, written as selects (the slots stay in ascending
    // order): which case applies depends on the data, so branches on it would
    // often be mispredicted.
    void Add(int32_t x)
    {
        int32_t a0 = v[0], a1 = v[1], a2 = v[2], a3 = v[3], a4 = v[4];
        // high: below the middle, x joins the lower three and the upper two move
        // up; otherwise x joins the upper two and the side turns.
        bool hb = x < a2;
        int32_t h0 = hb ? Min(a0, x) : a0;
        int32_t h1 = hb ? Max(a0, Min(x, a1)) : a1;
        int32_t h2 = hb ? Max(x, a1) : a2;
        int32_t h3 = hb ? a2 : Min(x, a3);
        int32_t h4 = hb ? a3 : Max(x, a3);
        // low: the mirror image.
        bool la = a2 < x;
        int32_t l0 = la ? a1 : Min(x, a1);
        int32_t l1 = la ? a2 : Max(x, a1);
        int32_t l2 = la ? Min(x, a3) : a2;
        int32_t l3 = la ? Max(a3, Min(x, a4)) : a3;
        int32_t l4 = la ? Max(x, a4) : a4;
        bool h = high;
        v[0] = h ? h0 : l0;
        v[1] = h ? h1 : l1;
        v[2] = h ? h2 : l2;
        v[3] = h ? h3 : l3;
        v[4] = h ? h4 : l4;
        high = h ? hb : !la;
    }
    static int32_t Min(int32_t a, int32_t b) { return a < b ? a : b; }
    static int32_t Max(int32_t a, int32_t b) { return a < b ? b : a; }
};

// Shared by RGB12 v2 and the layered colour items.
struct RgbState {
    uint16_t r, g, b;
};

class RgbV2Models {
public:
    RgbV2Models() : used(128), d0(256), d1(256), d2(256), d3(256), d4(256), d5(256) {}
    void Reset()
    {
        used.Reset();
        d0.Reset();
        d1.Reset();
        d2.Reset();
        d3.Reset();
        d4.Reset();
        d5.Reset();
    }
    void Decode(ArithDecoder& dec, RgbState& L);
    SymModel used, d0, d1, d2, d3, d4, d5;
};

// Multi-sequence GPS time state shared by GPSTIME11 v2 and the POINT14 GPS layer.
struct GpsSeq {
    uint32_t last, next;
    uint64_t t[4];
    int32_t ldiff[4];
    uint32_t ext[4];
    void Reset(uint64_t first)
    {
        last = next = 0;
        t[0] = first;
        t[1] = t[2] = t[3] = 0;
        for (int i = 0; i < 4; i++) {
            ldiff[i] = 0;
            ext[i] = 0;
        }
    }
};

}  // namespace laz

namespace laz {
class IntCorrector;
void GpsSeqDecodeDiff(ArithDecoder& dec, IntCorrector& ic, GpsSeq& g, uint32_t s);
void GpsSeqFull(ArithDecoder& dec, IntCorrector& ic, GpsSeq& g);
}  // namespace laz
