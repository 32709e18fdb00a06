// The LAZ integer corrector.
#include "data/laszip/laz_intcorr.h"

namespace laz {

IntCorrector::IntCorrector(uint32_t bits, uint32_t contexts) : k_(0)
{
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

void IntCorrector::Reset()
{
    for (auto& m : kmodel_) m.Reset();
    cbit_.Reset();
    for (auto& m : cmodel_) m.Reset();
    k_ = 0;
}

}  // namespace laz
