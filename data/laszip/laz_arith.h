// Range decoder and adaptive models used by every LAZ item decoder.
// Pure C++: no platform calls, so it runs on any thread and is testable natively.
#pragma once
#include <cstdint>
#include <cstddef>
#include <vector>

#if defined(__GNUC__)
#define LAZ_INLINE inline __attribute__((always_inline))
#else
#define LAZ_INLINE inline
#endif

namespace laz {

enum DecodeError : uint32_t { kOk = 0, kEndOfData = 1, kCorrupt = 2 };

// Supplies more input when a decoder runs out of its current byte range.
// Used only for streams whose end is not known in advance (pointwise data
// without a chunk table); memory-bounded streams have no feed.
class ByteFeed {
public:
    virtual ~ByteFeed() {}
    // Sets [cur, end) to the next bytes; false at the end of the data.
    virtual bool Refill(const uint8_t*& cur, const uint8_t*& end) = 0;
};

struct BitModel {
    uint32_t c0, total, p0, cycle, until;
    BitModel() { Reset(); }
    void Reset()
    {
        c0 = 1;
        total = 2;
        p0 = 1u << 12;
        cycle = 4;
        until = 4;
    }
    void Update();
};

// A model is written on every symbol it decodes. Models and their tables keep
// cache lines of their own, so that models of decoders on other threads,
// allocated next to them in a shared heap, never share a line with them.
struct alignas(64) CacheLine {
    uint32_t words[16];
};

class alignas(64) SymModel {
public:
    explicit SymModel(uint32_t symbols);
    void Reset();
    void Update();
    uint32_t n;
    uint32_t total, cycle, until;
    uint32_t tshift, tsize;  // tsize == 0: no lookup table
    uint32_t dvLimit;        // a quotient from here on means the stream is damaged
    uint32_t* count;
    uint32_t* dist;
    uint32_t* table;

private:
    std::vector<CacheLine> mem_;
};

class ArithDecoder {
public:
    ArithDecoder() : cur_(nullptr), end_(nullptr), feed_(nullptr), value_(0), length_(0), err_(kOk) {}
    void SetInput(const uint8_t* begin, const uint8_t* end, ByteFeed* feed = nullptr)
    {
        cur_ = begin;
        end_ = end;
        feed_ = feed;
        err_ = kOk;
    }
    // Reads the 4 big-endian start bytes of a coded stream.
    void Init()
    {
        length_ = 0xFFFFFFFFu;
        value_ = (uint32_t)NextByte() << 24;
        value_ |= (uint32_t)NextByte() << 16;
        value_ |= (uint32_t)NextByte() << 8;
        value_ |= (uint32_t)NextByte();
    }
    // Uncoded bytes from the same input (raw first point of a pointwise chunk).
    void ReadRaw(uint8_t* out, size_t n)
    {
        for (size_t i = 0; i < n; i++) out[i] = NextByte();
    }

    LAZ_INLINE uint32_t DecodeBit(BitModel& m)
    {
        uint32_t value = value_, length = length_;
        uint32_t x = m.p0 * (length >> 13);
        uint32_t bit = value >= x;
        if (bit) {
            value -= x;
            length -= x;
        } else {
            length = x;
        }
        Normalize(value, length);
        value_ = value;
        length_ = length;
        m.c0 += bit ^ 1;
        if (--m.until == 0) m.Update();
        return bit;
    }
    uint32_t DecodeSymbol(SymModel& m);
    uint32_t ReadBits(uint32_t bits);
    uint32_t ReadFewBits(uint32_t bits);  // bits <= 19
    uint32_t ReadShort() { return ReadBits(16); }
    uint32_t ReadInt()
    {
        uint32_t lo = ReadShort();
        uint32_t hi = ReadShort();
        return (hi << 16) | lo;
    }
    uint64_t ReadInt64()
    {
        uint64_t lo = ReadInt();
        uint64_t hi = ReadInt();
        return (hi << 32) | lo;
    }

    // Sticky error state: kEndOfData when input ran out, kCorrupt on impossible values.
    uint32_t Error() const { return err_; }
    void SetCorrupt()
    {
        if (err_ == kOk) err_ = kCorrupt;
    }
    // In valid data value < length always holds; checked once per point.
    bool StateValid() const { return value_ < length_; }
    const uint8_t* Position() const { return cur_; }

private:
    uint8_t NextByte()
    {
        if (cur_ < end_) return *cur_++;
        return SlowByte();
    }
    uint8_t SlowByte();
    // After every decode, whether or not bytes are due: about every other
    // symbol leaves the range short, so a branch on it would often be
    // mispredicted. With four bytes at hand the 0-3 bytes are shifted in at once.
    void Normalize(uint32_t& value, uint32_t& length)
    {
        const uint8_t* cur = cur_;
        if (length != 0 && end_ - cur >= 4) {
            uint32_t shift = LeadingZeros(length) & ~7u;
            uint32_t next = ((uint32_t)cur[0] << 24) | ((uint32_t)cur[1] << 16) | ((uint32_t)cur[2] << 8) | cur[3];
            value = (uint32_t)((((uint64_t)value << 32) | next) >> (32 - shift));
            length <<= shift;
            cur_ = cur + (shift >> 3);
        } else if (length < 0x01000000u) {
            Renorm(value, length);
        }
    }
    static uint32_t LeadingZeros(uint32_t v)  // v != 0
    {
#if defined(__GNUC__)
        return (uint32_t)__builtin_clz(v);
#else
        uint32_t n = 0;
        while (!(v & 0x80000000u)) {
            v <<= 1;
            n++;
        }
        return n;
#endif
    }
    // On the caller's copies of the state, so that they can stay in registers.
    void Renorm(uint32_t& value, uint32_t& length)
    {
        if (length == 0) {
            SetCorrupt();
            length = 0xFFFFFFFFu;
            return;
        }  // would never terminate
        if (end_ - cur_ >= 4) {  // a non-zero length needs at most three bytes
            const uint8_t* cur = cur_;
            do {
                value = (value << 8) | *cur++;
                length <<= 8;
            } while (length < 0x01000000u);
            cur_ = cur;
            return;
        }
        do {
            value = (value << 8) | NextByte();
            length <<= 8;
        } while (length < 0x01000000u);
    }

    const uint8_t* cur_;
    const uint8_t* end_;
    ByteFeed* feed_;
    uint32_t value_, length_;
    uint32_t err_;
};

// Hot paths, inline so every item decoder gets them without a call.
LAZ_INLINE uint32_t ArithDecoder::DecodeSymbol(SymModel& m)
{
    // The coder state stays in locals: the model's counts are uint32_t too, so
    // the compiler could not keep members in registers across their updates.
    uint32_t value = value_;
    uint32_t y = length_;
    uint32_t len = y >> 15;
    const uint32_t* dist = m.dist;
    uint32_t x, s;
    if (m.tsize) {
        uint32_t dv = value / len;
        uint32_t t = dv >> m.tshift;
        if (dv >= m.dvLimit) SetCorrupt();
        if (t > m.tsize) t = m.tsize;
        s = m.table[t];
        uint32_t e = m.table[t + 1] + 1;
        if (e > m.n) e = m.n;
        if (s >= e) {
            SetCorrupt();
            s = e - 1;
        }
        while (e > s + 1) {
            uint32_t mid = (s + e) >> 1;
            if (dist[mid] > dv)
                e = mid;
            else
                s = mid;
        }
        x = dist[s] * len;
        if (s != m.n - 1) y = dist[s + 1] * len;
    } else {
        x = s = 0;
        uint32_t e = m.n;
        uint32_t mid = e >> 1;
        do {
            uint32_t z = len * dist[mid];
            if (z > value) {
                e = mid;
                y = z;
            } else {
                s = mid;
                x = z;
            }
            mid = (s + e) >> 1;
        } while (mid != s);
    }
    value -= x;
    uint32_t length = y - x;
    Normalize(value, length);
    value_ = value;
    length_ = length;
    m.count[s]++;
    if (--m.until == 0) m.Update();
    return s;
}

inline uint32_t ArithDecoder::ReadBits(uint32_t bits)
{
    if (bits > 19) {
        uint32_t lo = ReadFewBits(16);
        uint32_t hi = ReadFewBits(bits - 16);
        return (hi << 16) | lo;
    }
    return ReadFewBits(bits);
}

LAZ_INLINE uint32_t ArithDecoder::ReadFewBits(uint32_t bits)
{
    uint32_t value = value_, length = length_ >> bits;
    uint32_t v = value / length;
    value -= v * length;
    Normalize(value, length);
    value_ = value;
    length_ = length;
    if (v >= (1u << bits)) {
        SetCorrupt();
        v &= (1u << bits) - 1;
    }
    return v;
}

}  // namespace laz
