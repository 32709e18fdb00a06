// Scanner-channel context switching shared by the layered items that follow
// POINT14 (colour, wave packet, extra bytes).
#pragma once
#include <memory>
#include "data/laszip/laz_items.h"

namespace laz {

// Ctx must provide `Last last;` and `void Init(const Last& seed)`.
template <class Ctx, class Last>
class ChannelContexts {
public:
    explicit ChannelContexts(bool v4) : v4_(v4), cur_(0)
    {
        for (int i = 0; i < 4; i++) used_[i] = false;
    }
    void Start(uint32_t hc, const Last& raw)
    {
        for (int i = 0; i < 4; i++) used_[i] = false;
        cur_ = hc & 3;
        Init(cur_, raw);
    }
    // Switches to context `hc`; returns the context whose models decode this
    // point and sets `lp` to the record used for prediction. In version 3 a
    // switch to an already used context keeps predicting from (and updating)
    // the previous context's record; encoder and decoder share that quirk.
    Ctx& Select(uint32_t hc, Last*& lp)
    {
        hc &= 3;
        lp = &ctx_[cur_]->last;
        if (cur_ != hc) {
            cur_ = hc;
            if (!used_[cur_]) {
                Last seed = *lp;
                Init(cur_, seed);
                lp = &ctx_[cur_]->last;
            }
            if (v4_) lp = &ctx_[cur_]->last;
        }
        return *ctx_[cur_];
    }

private:
    void Init(uint32_t c, const Last& seed)
    {
        if (!ctx_[c]) ctx_[c].reset(new Ctx());
        ctx_[c]->Init(seed);
        used_[c] = true;
    }
    bool v4_;
    uint32_t cur_;
    bool used_[4];
    std::unique_ptr<Ctx> ctx_[4];
};

// Layer decoders of one item; size 0 means "not present".
struct LayerSet {
    explicit LayerSet(uint32_t n) : n(n), present(new bool[n]()), dec(new ArithDecoder[n]) {}
    void Set(const uint8_t* const* data, const uint32_t* sizes)
    {
        for (uint32_t i = 0; i < n; i++) {
            present[i] = sizes[i] != 0;
            if (present[i]) {
                dec[i].SetInput(data[i], data[i] + sizes[i]);
                dec[i].Init();
            }
        }
    }
    uint32_t Error() const
    {
        for (uint32_t i = 0; i < n; i++) {
            if (!present[i]) continue;
            if (dec[i].Error()) return dec[i].Error();
            if (!dec[i].StateValid()) return kCorrupt;
        }
        return kOk;
    }
    uint32_t n;
    std::unique_ptr<bool[]> present;
    std::unique_ptr<ArithDecoder[]> dec;
};

}  // namespace laz
