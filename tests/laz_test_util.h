// Helpers for the LAZ decoder tests: whole-file I/O through the file layer,
// raw parsing of an uncompressed twin, and decoding a file through the
// laszip_* calls into one buffer of records.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>
#include "data/laszip/laszip_api.h"

namespace laztest {

std::vector<uint8_t> ReadWhole(const std::string& path);
bool WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes);

// The fields of an uncompressed LAS file the decoder must reproduce.
struct LasTwin {
    bool ok = false;
    uint8_t versionMinor = 0, format = 0;
    uint16_t recordLength = 0;
    uint32_t offset = 0, legacyCount = 0, legacyByReturn[5] = {};
    uint64_t count = 0, extendedCount = 0, extendedByReturn[15] = {};
    double scale[3] = {}, shift[3] = {}, bounds[6] = {};
    std::vector<uint8_t> bytes;
    const uint8_t* Record(uint64_t i) const { return bytes.data() + offset + i * recordLength; }
};
LasTwin ReadTwin(const std::string& path);

// Decoded file: every record in order, and where and why reading stopped.
struct Decoded {
    bool opened = false;
    std::string error;
    uint64_t headerCount = 0;
    uint16_t recordLength = 0;
    uint8_t format = 0;
    laszip_header_struct header = {};
    std::vector<uint8_t> records;
    uint64_t Count() const { return recordLength ? records.size() / recordLength : 0; }
    const uint8_t* Record(uint64_t i) const { return records.data() + i * recordLength; }
};
// Reads up to the header's point count (stops at the first failing read).
Decoded DecodeFile(const std::string& path, int threads);

inline double GetF64(const uint8_t* p)
{
    double v;
    memcpy(&v, p, 8);
    return v;
}

}  // namespace laztest
