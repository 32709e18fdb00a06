// Integer corrector: codes an integer as a correction to a prediction
// (magnitude class with a context-chosen model, then the offset inside it).
#pragma once
#include <memory>
#include <vector>
#include "data/laszip/laz_arith.h"

namespace laz {

class IntCorrector {
public:
    IntCorrector(uint32_t bits, uint32_t contexts);
    void Reset();
    int32_t Decode(ArithDecoder& dec, int32_t pred, uint32_t ctx);
    uint32_t LastK() const { return k_; }

private:
    uint32_t corrBits_, corrRange_;
    int32_t corrMin_;
    uint32_t k_;
    std::vector<SymModel> kmodel_;
    BitModel cbit_;
    std::vector<SymModel> cmodel_;  // index k-1 for class k
};

// Array of symbol models created on first use. Restart() puts every model back
// into its initial state lazily, so a chunk start costs O(1) however many of
// the (up to 256) per-value models the previous chunk touched.
class LazyModels {
public:
    LazyModels(uint32_t count, uint32_t symbols) : symbols_(symbols), epoch_(1), models_(count), epochs_(count, 0) {}
    void Restart() { epoch_++; }
    SymModel& Get(uint32_t i)
    {
        if (epochs_[i] != epoch_) {
            if (!models_[i])
                models_[i].reset(new SymModel(symbols_));
            else
                models_[i]->Reset();
            epochs_[i] = epoch_;
        }
        return *models_[i];
    }

private:
    uint32_t symbols_;
    uint32_t epoch_;
    std::vector<std::unique_ptr<SymModel>> models_;
    std::vector<uint32_t> epochs_;
};

LAZ_INLINE int32_t IntCorrector::Decode(ArithDecoder& dec, int32_t pred, uint32_t ctx)
{
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
            uint32_t lo = e <= 19 ? dec.ReadFewBits(e) : dec.ReadBits(e);
            v = (hi << e) | lo;
        }
        if (v >= (1u << (k - 1)))
            c = v + 1;
        else
            c = v - ((1u << k) - 1);
    } else {
        c = (uint32_t)corrMin_;
    }
    k_ = k;
    uint32_t r = (uint32_t)pred + c;
    if (corrRange_) {
        if ((int32_t)r < 0)
            r += corrRange_;
        else if (r >= corrRange_)
            r -= corrRange_;
    }
    return (int32_t)r;
}

}  // namespace laz
