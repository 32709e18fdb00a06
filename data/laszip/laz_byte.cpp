// BYTE item (extra bytes after the standard fields of formats 0-5), versions 1 and 2.
#include <vector>
#include "data/laszip/laz_factories.h"
#include "data/laszip/laz_intcorr.h"

namespace laz {

namespace {

class ByteV1 : public PointItem {
public:
    explicit ByteV1(uint16_t n) : n_(n), ic_(8, n), last_(n) {}
    void InitRaw(const uint8_t* raw) override
    {
        ic_.Reset();
        memcpy(last_.data(), raw, n_);
    }
    void Decode(ArithDecoder& dec, uint8_t* out) override
    {
        for (uint32_t i = 0; i < n_; i++) last_[i] = (uint8_t)ic_.Decode(dec, last_[i], i);
        memcpy(out, last_.data(), n_);
    }

private:
    uint32_t n_;
    IntCorrector ic_;
    std::vector<uint8_t> last_;
};

class ByteV2 : public PointItem {
public:
    explicit ByteV2(uint16_t n) : n_(n), last_(n)
    {
        models_.reserve(n);
        for (uint32_t i = 0; i < n; i++) models_.emplace_back(256);
    }
    void InitRaw(const uint8_t* raw) override
    {
        for (auto& m : models_) m.Reset();
        memcpy(last_.data(), raw, n_);
    }
    void Decode(ArithDecoder& dec, uint8_t* out) override
    {
        for (uint32_t i = 0; i < n_; i++) last_[i] = (uint8_t)Fold8(last_[i] + (int32_t)dec.DecodeSymbol(models_[i]));
        memcpy(out, last_.data(), n_);
    }

private:
    uint32_t n_;
    std::vector<SymModel> models_;
    std::vector<uint8_t> last_;
};

}  // namespace

std::unique_ptr<PointItem> MakeByte(uint16_t version, uint16_t size)
{
    if (size == 0) return nullptr;
    if (version == 1) return std::unique_ptr<PointItem>(new ByteV1(size));
    if (version == 2) return std::unique_ptr<PointItem>(new ByteV2(size));
    return nullptr;
}

}  // namespace laz
