// The LAZ range decoder and its bit and symbol models.
#include "data/laszip/laz_arith.h"

namespace laz {

void BitModel::Update()
{
    total += cycle;
    if (total > 8192) {
        total = (total + 1) >> 1;
        c0 = (c0 + 1) >> 1;
        if (c0 == total) total++;
    }
    uint32_t scale = 0x80000000u / total;
    p0 = (c0 * scale) >> 18;
    cycle = (5 * cycle) >> 2;
    if (cycle > 64) cycle = 64;
    until = cycle;
}

SymModel::SymModel(uint32_t symbols)
    : n(symbols), total(0), cycle(0), until(0), tshift(0), tsize(0), dvLimit(0)
{
    // Symbols are found through a table indexed by the quotient's top bits,
    // which leaves few (mostly none) to bisect. 256 entries at least, so that
    // few quotients fall where two symbols share an entry.
    uint32_t tbits = 0;
    if (n > 16) {
        // The coarse table of the format decides where a quotient means damage.
        uint32_t coarse = 3;
        while (n > (1u << (coarse + 2))) coarse++;
        dvLimit = (1u << 15) + (1u << (15 - coarse));
        tbits = coarse;
        while (n > (1u << tbits)) tbits++;
        if (tbits < 8) tbits = 8;
    } else if (n > 4) {
        dvLimit = 0xFFFFFFFFu;  // the format has no damage check for small alphabets
        tbits = 8;
    }
    if (tbits) {
        tsize = 1u << tbits;
        tshift = 15 - tbits;
    }
    size_t words = 2 * (size_t)n + (tsize ? tsize + 2 : 0);
    mem_.assign((words + 15) / 16, CacheLine{});
    count = reinterpret_cast<uint32_t*>(mem_.data());
    dist = count + n;
    table = tsize ? dist + n : nullptr;
    Reset();
}

void SymModel::Reset()
{
    for (uint32_t k = 0; k < n; k++) count[k] = 1;
    total = 0;
    cycle = n;
    Update();
    cycle = until = (n + 6) >> 1;
}

void SymModel::Update()
{
    total += cycle;
    if (total > 32768) {
        total = 0;
        for (uint32_t k = 0; k < n; k++) {
            count[k] = (count[k] + 1) >> 1;
            total += count[k];
        }
    }
    uint32_t scale = 0x80000000u / total;
    uint32_t sum = 0;
    if (tsize) {
        uint32_t s = 0;
        for (uint32_t k = 0; k < n; k++) {
            dist[k] = (scale * sum) >> 16;
            sum += count[k];
            uint32_t w = dist[k] >> tshift;
            while (s < w) {
                s++;
                table[s] = k - 1;
            }
        }
        table[0] = 0;
        while (s <= tsize) {
            s++;
            table[s] = n - 1;
        }
    } else {
        for (uint32_t k = 0; k < n; k++) {
            dist[k] = (scale * sum) >> 16;
            sum += count[k];
        }
    }
    cycle = (5 * cycle) >> 2;
    uint32_t maxc = (n + 6) << 3;
    if (cycle > maxc) cycle = maxc;
    until = cycle;
}

uint8_t ArithDecoder::SlowByte()
{
    if (feed_ && feed_->Refill(cur_, end_) && cur_ < end_) return *cur_++;
    if (err_ == kOk) err_ = kEndOfData;
    return 0;
}

}  // namespace laz
