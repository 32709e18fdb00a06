// Wave packet coder shared by WAVEPACKET13 and WAVEPACKET14.
#pragma once
#include "data/laszip/laz_factories.h"
#include "data/laszip/laz_intcorr.h"

namespace laz {

class WavePacketCoder {
public:
    WavePacketCoder()
        : idx_(256),
          offm_{SymModel(4), SymModel(4), SymModel(4), SymModel(4)},
          offd_(32, 1),
          psz_(32, 1),
          rpt_(32, 1),
          xyz_(32, 3),
          last32_(0),
          lastsym_(0)
    {
        memset(last_, 0, sizeof last_);
    }
    void Reset(const uint8_t* raw29);
    void Decode(ArithDecoder& dec, uint8_t* out);
    const uint8_t* Last() const { return last_; }
    void SetLast(const uint8_t* p) { memcpy(last_, p, 29); }

private:
    SymModel idx_;
    SymModel offm_[4];
    IntCorrector offd_, psz_, rpt_, xyz_;
    int32_t last32_;
    uint32_t lastsym_;
    uint8_t last_[29];
};

}  // namespace laz
