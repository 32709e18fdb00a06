// Factories for the pointwise item decoders of formats 0-5, one per item family.
#pragma once
#include "data/laszip/laz_items.h"

namespace laz {
std::unique_ptr<PointItem> MakePoint10(uint16_t version);
std::unique_ptr<PointItem> MakeGpsTime11(uint16_t version);
std::unique_ptr<PointItem> MakeRgb12(uint16_t version);
std::unique_ptr<PointItem> MakeByte(uint16_t version, uint16_t size);
std::unique_ptr<PointItem> MakeWavePacket13(uint16_t version);
std::unique_ptr<LayeredItem> MakePoint14(uint16_t version);
std::unique_ptr<LayeredItem> MakeRgb14(uint16_t version, bool nir);
std::unique_ptr<LayeredItem> MakeByte14(uint16_t version, uint16_t size);
std::unique_ptr<LayeredItem> MakeWavePacket14(uint16_t version);
}  // namespace laz
