#include "data/laszip/laz_intcorr.h"

namespace laz {

IntCorrector::IntCorrector(uint32_t bits, uint32_t contexts) : k_(0) {
  if (bits > 0 && bits < 32) {
    corrBits_ = bits;
    corrRange_ = 1u << bits;
    corrMin_ = -(int32_t)(1u << (bits - 1));
  } else {
    corrBits_ = 32;
    corrRange_ = 0;
    corrMin_ = INT32_MIN;
  }
  kmodel_.reserve(contexts);
  for (uint32_t i = 0; i < contexts; i++) kmodel_.emplace_back(corrBits_ + 1);
  cmodel_.reserve(corrBits_);
  for (uint32_t k = 1; k <= corrBits_; k++) cmodel_.emplace_back(1u << (k < 8 ? k : 8));
}

void IntCorrector::Reset() {
  for (auto& m : kmodel_) m.Reset();
  cbit_.Reset();
  for (auto& m : cmodel_) m.Reset();
  k_ = 0;
}

int32_t IntCorrector::Decode(ArithDecoder& dec, int32_t pred, uint32_t ctx) {
  uint32_t k = dec.DecodeSymbol(kmodel_[ctx]);
  uint32_t c;
  if (k == 0) {
    c = dec.DecodeBit(cbit_);
  } else if (k < 32) {
    uint32_t v;
    if (k <= 8) {
      v = dec.DecodeSymbol(cmodel_[k - 1]);
    } else {
      uint32_t e = k - 8;
      uint32_t hi = dec.DecodeSymbol(cmodel_[k - 1]);
      uint32_t lo = dec.ReadBits(e);
      v = (hi << e) | lo;
    }
    if (v >= (1u << (k - 1))) c = v + 1;
    else c = v - ((1u << k) - 1);
  } else {
    c = (uint32_t)corrMin_;
  }
  k_ = k;
  uint32_t r = (uint32_t)pred + c;
  if (corrRange_) {
    if ((int32_t)r < 0) r += corrRange_;
    else if (r >= corrRange_) r -= corrRange_;
  }
  return (int32_t)r;
}

}  // namespace laz
