// Parsing the LASzip VLR (record 22204).
#include "data/laszip/laz_vlr.h"
#include "data/laszip/laz_factories.h"

namespace laz {

bool IsLayeredItem(uint16_t type)
{
    return type >= kItemPoint14 && type <= kItemByte14;
}

static bool ItemSupported(const LazItemDesc& it)
{
    switch (it.type) {
        case kItemByte: return it.size >= 1 && (it.version == 1 || it.version == 2);
        case kItemPoint10: return it.size == 20 && (it.version == 1 || it.version == 2);
        case kItemGpsTime11: return it.size == 8 && (it.version == 1 || it.version == 2);
        case kItemRgb12: return it.size == 6 && (it.version == 1 || it.version == 2);
        case kItemWavePacket13: return it.size == 29 && it.version == 1;
        case kItemPoint14: return it.size == 30 && it.version >= 2 && it.version <= 4;
        case kItemRgb14: return it.size == 6 && it.version >= 2 && it.version <= 4;
        case kItemRgbNir14: return it.size == 8 && it.version >= 2 && it.version <= 4;
        case kItemWavePacket14: return it.size == 29 && it.version >= 3 && it.version <= 4;
        case kItemByte14: return it.size >= 1 && it.version >= 2 && it.version <= 4;
        default: return false;
    }
}

bool ParseLazVlr(const uint8_t* d, size_t len, uint16_t recordLength, LazVlrInfo& out, std::string& err)
{
    if (len < 34) {
        err = "LAZ record too short";
        return false;
    }
    out.compressor = Get16(d);
    out.coder = Get16(d + 2);
    out.options = Get32(d + 8);
    out.chunkSize = Get32(d + 12);
    uint16_t n = Get16(d + 32);
    if (n == 0) {
        err = "LAZ record lists no items";
        return false;
    }
    if (len < 34 + 6 * (size_t)n) {
        err = "LAZ record too short for its item list";
        return false;
    }
    if (out.compressor > kLayeredChunked) {
        err = "unknown LAZ compressor " + std::to_string(out.compressor);
        return false;
    }
    if (out.coder != 0) {
        err = "unknown LAZ coder " + std::to_string(out.coder);
        return false;
    }
    out.items.clear();
    uint32_t sum = 0;
    for (uint16_t i = 0; i < n; i++) {
        LazItemDesc it = {Get16(d + 34 + 6 * i), Get16(d + 36 + 6 * i), Get16(d + 38 + 6 * i)};
        if (out.compressor != kCompressorNone && !ItemSupported(it)) {
            err = "unsupported LAZ item type " + std::to_string(it.type) + " size " + std::to_string(it.size) +
                  " version " + std::to_string(it.version);
            return false;
        }
        // Layered items only come in layered chunks and vice versa; the chunk
        // layout depends on it.
        if (out.compressor != kCompressorNone && IsLayeredItem(it.type) != (out.compressor == kLayeredChunked)) {
            err = "LAZ item list does not match its compressor";
            return false;
        }
        sum += it.size;
        out.items.push_back(it);
    }
    if (out.compressor == kLayeredChunked && out.items[0].type != kItemPoint14) {
        err = "layered LAZ data must start with the POINT14 item";
        return false;
    }
    if (sum != recordLength) {
        err = "LAZ item sizes do not add up to the point record length";
        return false;
    }
    return true;
}

}  // namespace laz
