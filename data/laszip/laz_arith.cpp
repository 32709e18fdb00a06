#include "data/laszip/laz_arith.h"

namespace laz {

void BitModel::Update() {
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

SymModel::SymModel(uint32_t symbols) : n(symbols), total(0), cycle(0), until(0), tshift(0), tsize(0) {
  uint32_t tbits = 0;
  if (n > 16) {
    tbits = 3;
    while (n > (1u << (tbits + 2))) tbits++;
    tsize = 1u << tbits;
    tshift = 15 - tbits;
  }
  mem_.assign(2 * (size_t)n + (tsize ? tsize + 2 : 0), 0);
  count = mem_.data();
  dist = count + n;
  table = tsize ? dist + n : nullptr;
  Reset();
}

void SymModel::Reset() {
  for (uint32_t k = 0; k < n; k++) count[k] = 1;
  total = 0;
  cycle = n;
  Update();
  cycle = until = (n + 6) >> 1;
}

void SymModel::Update() {
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
      while (s < w) { s++; table[s] = k - 1; }
    }
    table[0] = 0;
    while (s <= tsize) { s++; table[s] = n - 1; }
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

uint8_t ArithDecoder::SlowByte() {
  if (feed_ && feed_->Refill(cur_, end_) && cur_ < end_) return *cur_++;
  if (err_ == kOk) err_ = kEndOfData;
  return 0;
}

uint32_t ArithDecoder::DecodeSymbol(SymModel& m) {
  uint32_t x, s;
  uint32_t y = length_;
  length_ >>= 15;
  if (m.tsize) {
    uint32_t dv = value_ / length_;
    uint32_t t = dv >> m.tshift;
    if (t > m.tsize) { SetCorrupt(); t = m.tsize; }
    s = m.table[t];
    uint32_t e = m.table[t + 1] + 1;
    if (e > m.n) e = m.n;
    if (s >= e) { SetCorrupt(); s = e - 1; }
    while (e > s + 1) {
      uint32_t mid = (s + e) >> 1;
      if (m.dist[mid] > dv) e = mid; else s = mid;
    }
    x = m.dist[s] * length_;
    if (s != m.n - 1) y = m.dist[s + 1] * length_;
  } else {
    x = s = 0;
    uint32_t e = m.n;
    uint32_t mid = e >> 1;
    do {
      uint32_t z = length_ * m.dist[mid];
      if (z > value_) { e = mid; y = z; }
      else { s = mid; x = z; }
      mid = (s + e) >> 1;
    } while (mid != s);
  }
  value_ -= x;
  length_ = y - x;
  if (length_ < 0x01000000u) Renorm();
  m.count[s]++;
  if (--m.until == 0) m.Update();
  return s;
}

uint32_t ArithDecoder::ReadBits(uint32_t bits) {
  if (bits > 19) {
    uint32_t lo = ReadBits(16);
    uint32_t hi = ReadBits(bits - 16);
    return (hi << 16) | lo;
  }
  length_ >>= bits;
  uint32_t v = value_ / length_;
  value_ -= v * length_;
  if (length_ < 0x01000000u) Renorm();
  if (v >= (1u << bits)) { SetCorrupt(); v &= (1u << bits) - 1; }
  return v;
}

}  // namespace laz
