// The LASzip VLR ("laszip encoded", record 22204): compressor, chunk size and item list.
#pragma once
#include <cstdint>
#include <cstddef>
#include <string>
#include <vector>

namespace laz {

enum Compressor : uint16_t { kCompressorNone = 0, kPointwise = 1, kPointwiseChunked = 2, kLayeredChunked = 3 };
const uint32_t kVariableChunkSize = 0xFFFFFFFFu;

struct LazItemDesc {
    uint16_t type, size, version;
};

struct LazVlrInfo {
    uint16_t compressor = 0;
    uint16_t coder = 0;
    uint32_t options = 0;
    uint32_t chunkSize = 0;
    std::vector<LazItemDesc> items;
    bool Variable() const { return chunkSize == kVariableChunkSize || chunkSize == 0; }
};

// Checks everything the decoder relies on: known item types with their sizes,
// decodable versions, a compressor that matches the items, and item sizes that
// add up to the point record length. On failure `err` says why.
bool ParseLazVlr(const uint8_t* data, size_t len, uint16_t recordLength, LazVlrInfo& out, std::string& err);

bool IsLayeredItem(uint16_t type);

}  // namespace laz
