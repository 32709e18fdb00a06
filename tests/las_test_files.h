// Helpers of the LAS library tests: whole files as bytes, little-endian field
// access, and small LAS files made with the library itself.
#pragma once
#include "test_support.h"
#include "data/lasfile/las_file.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

typedef std::vector<uint8_t> Bytes;

inline Bytes ReadBytes(const std::string& path)
{
    Bytes out;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return out;
    LARGE_INTEGER size;
    GetFileSizeEx(h, &size);
    out.resize((size_t)size.QuadPart);
    DWORD got = 0;
    if (!out.empty()) ReadFile(h, out.data(), (DWORD)out.size(), &got, nullptr);
    out.resize(got);
    CloseHandle(h);
    return out;
}

inline bool WriteBytes(const std::string& path, const Bytes& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    BOOL ok = bytes.empty() || WriteFile(h, bytes.data(), (DWORD)bytes.size(), &put, nullptr);
    CloseHandle(h);
    return ok && put == bytes.size();
}

template <typename T> T FieldAt(const Bytes& b, size_t offset)
{
    T v;
    memcpy(&v, b.data() + offset, sizeof v);
    return v;
}

template <typename T> void SetFieldAt(Bytes& b, size_t offset, T v)
{
    memcpy(b.data() + offset, &v, sizeof v);
}

// Shapefile headers and record headers hold big-endian numbers.
inline uint32_t BigEndian32At(const Bytes& b, size_t at)
{
    return (uint32_t)b[at] << 24 | (uint32_t)b[at + 1] << 16 | (uint32_t)b[at + 2] << 8 | b[at + 3];
}
inline void PutBigEndian32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++) b[at + i] = (uint8_t)(v >> (24 - 8 * i));
}

// A made-up point record of `length` bytes: coordinates from i, return number
// 1 + i % 3 of 3, and every byte past the first 20 set from i too.
inline Bytes MakeRecord(int i, int length, int format)
{
    Bytes r(length);
    for (int k = 20; k < length; k++) r[k] = (uint8_t)(i * 7 + k);
    int32_t xyz[3] = { 1000 + i * 3, -2000 + i * 5, (i % 97) * 11 };
    memcpy(r.data(), xyz, sizeof xyz);
    SetFieldAt<uint16_t>(r, 12, (uint16_t)(i * 13));
    int ret = 1 + i % 3;
    r[14] = format >= 6 ? (uint8_t)(ret | (3 << 4)) : (uint8_t)(ret | (3 << 3));
    r[15] = (uint8_t)(i % 8);
    return r;
}

// A new, empty file of `version` opened for writing; null when either fails.
inline LASFile* CreateForWriting(const std::string& path, int version)
{
    return CreateLASFile(path.c_str(), version) == 1 ? OpenLASFile(path.c_str(), LAS_MODE_WRITE) : nullptr;
}

// Makes a LAS file of `count` made-up records through the library.
inline bool MakeLASFile(const std::string& path, int version, uint16_t length, int count, int format = -1)
{
    LASFile* las = CreateForWriting(path, version);
    if (!las) return false;
    if (format >= 0) SetLASPointRecordLength(las, (uint16_t)LASStandardRecordLength(format));
    SetLASPointRecordLength(las, length);
    SetLASScaleAndOffset(las, 512000.0, 513000.0, 4100000.0, 4101000.0);
    bool ok = WriteLASHeader(las) == 1;
    for (int i = 0; i < count && ok; i++) ok = WriteLASPoint(las, MakeRecord(i, length, las->format).data()) != 0;
    return CloseLASFile(las) == 1 && ok;
}

// A LAS 1.4 file's bytes with the two point counts as some writers leave
// them: the legacy count and the 64-bit count (its counts by return cleared
// when it is 0).
inline Bytes WithPointCounts(Bytes b, uint32_t legacy, uint64_t count64)
{
    SetFieldAt<uint32_t>(b, 107, legacy);
    SetFieldAt<uint64_t>(b, 247, count64);
    if (count64 == 0) std::fill(b.begin() + 255, b.begin() + 375, 0);
    return b;
}

// A LAS or LAZ file's bytes as LAS 1.`minor` with a header of `size` bytes:
// zeros go in at the end of the header or its last bytes come out, and the
// positions behind it move along (the point data, the waveform and extended
// VLR starts it keeps, and a LAZ file's chunk table).
inline Bytes WithHeaderSize(const Bytes& b, uint8_t minor, uint16_t size)
{
    const uint16_t old = FieldAt<uint16_t>(b, 94);
    const int64_t move = (int64_t)size - old;
    Bytes v(b.begin(), b.begin() + std::min(old, size));
    v.insert(v.end(), (size_t)std::max<int64_t>(move, 0), 0);
    v.insert(v.end(), b.begin() + old, b.end());
    v[25] = minor;
    SetFieldAt<uint16_t>(v, 94, size);
    const uint32_t offset = (uint32_t)(FieldAt<uint32_t>(b, 96) + move);
    SetFieldAt<uint32_t>(v, 96, offset);
    for (size_t at : {size_t(227), size_t(235)})
        if (old >= at + 8 && size >= at + 8 && FieldAt<uint64_t>(v, at) != 0)
            SetFieldAt<uint64_t>(v, at, FieldAt<uint64_t>(v, at) + move);
    if ((b[104] & 0x80) && FieldAt<int64_t>(v, offset) != -1)
        SetFieldAt<int64_t>(v, offset, FieldAt<int64_t>(v, offset) + move);
    return v;
}

// Where VLR `index` of a file's bytes begins, as the lengths before it say.
inline size_t VLRAt(const Bytes& b, uint32_t index)
{
    size_t at = FieldAt<uint16_t>(b, 94);
    for (uint32_t i = 0; i < index; i++) at += 54 + FieldAt<uint16_t>(b, at + 20);
    return at;
}

// Where the last VLR of a file's bytes begins (0 when it has none).
inline size_t LastVLRAt(const Bytes& b)
{
    uint32_t count = FieldAt<uint32_t>(b, 100);
    return count ? VLRAt(b, count - 1) : 0;
}

// The bytes with the stated length of VLR `index`, or of their last VLR, set
// to `length`.
inline Bytes WithVLRLength(Bytes b, uint32_t index, uint16_t length)
{
    SetFieldAt<uint16_t>(b, VLRAt(b, index) + 20, length);
    return b;
}
inline Bytes WithLastVLRLength(Bytes b, uint16_t length)
{
    SetFieldAt<uint16_t>(b, LastVLRAt(b) + 20, length);
    return b;
}

// The bytes with the offset to point data, the number of VLRs, or bytes added
// behind everything.
inline Bytes WithPointOffset(Bytes b, uint32_t offset)
{
    SetFieldAt<uint32_t>(b, 96, offset);
    return b;
}
inline Bytes WithVLRCount(Bytes b, uint32_t count)
{
    SetFieldAt<uint32_t>(b, 100, count);
    return b;
}
inline Bytes WithTail(Bytes b, size_t bytes)
{
    b.insert(b.end(), bytes, 0);
    return b;
}

// A VLR's bytes: its header and `length` bytes of made-up data.
inline Bytes VLRBytes(const char* userId, uint16_t recordId, uint16_t length)
{
    Bytes v(54 + length);
    memcpy(v.data() + 2, userId, std::min<size_t>(strlen(userId), 16));
    SetFieldAt<uint16_t>(v, 18, recordId);
    SetFieldAt<uint16_t>(v, 20, length);
    for (uint16_t k = 0; k < length; k++) v[54 + k] = (uint8_t)(k * 13 + 1);
    return v;
}

// The bytes with `inserted` put in front of the point data: the offset to it
// and the waveform and extended VLR starts move along, and so does the chunk
// table position that chunked LAZ points begin with (`chunked`).
inline Bytes WithBytesBeforePoints(const Bytes& b, const Bytes& inserted, bool chunked)
{
    const uint32_t offset = FieldAt<uint32_t>(b, 96), moved = offset + (uint32_t)inserted.size();
    Bytes v = b;
    v.insert(v.begin() + offset, inserted.begin(), inserted.end());
    SetFieldAt<uint32_t>(v, 96, moved);
    for (size_t at : {size_t(227), size_t(235)})
        if (FieldAt<uint16_t>(b, 94) >= at + 8 && FieldAt<uint64_t>(v, at) != 0)
            SetFieldAt<uint64_t>(v, at, FieldAt<uint64_t>(v, at) + inserted.size());
    if (chunked && FieldAt<int64_t>(v, moved) != -1)
        SetFieldAt<int64_t>(v, moved, FieldAt<int64_t>(v, moved) + (int64_t)inserted.size());
    return v;
}

// The VLR at `at` of a file's bytes as the library's texts describe it.
inline std::string DescribedVLRAt(const Bytes& b, size_t at)
{
    LASVLRHeader vh;
    memcpy(&vh, b.data() + at, sizeof vh);
    char text[128];
    DescribeVLR(vh, text, sizeof text);
    return text;
}

inline std::string WriteTempBytes(const char* name, const Bytes& bytes)
{
    std::string path = TempPath(name);
    EXPECT_TRUE(WriteBytes(path, bytes)) << path;
    return path;
}

// Counts by return and the extent of raw records, computed here from the bytes.
struct RawSummary {
    uint64_t byReturn[15] = {};
    double minX = 1e308, minY = 1e308, minZ = 1e308, maxX = -1e308, maxY = -1e308, maxZ = -1e308;
};

inline RawSummary SummariseRecords(const Bytes& file, uint64_t offset, int length, uint64_t count, int format,
                                   const LASHeader& h)
{
    RawSummary s;
    for (uint64_t i = 0; i < count; i++) {
        size_t at = (size_t)(offset + i * length);
        double x = FieldAt<int32_t>(file, at) * h.xScale + h.xOffset;
        double y = FieldAt<int32_t>(file, at + 4) * h.yScale + h.yOffset;
        double z = FieldAt<int32_t>(file, at + 8) * h.zScale + h.zOffset;
        s.minX = std::min(s.minX, x); s.maxX = std::max(s.maxX, x);
        s.minY = std::min(s.minY, y); s.maxY = std::max(s.maxY, y);
        s.minZ = std::min(s.minZ, z); s.maxZ = std::max(s.maxZ, z);
        int ret = file[at + 14] & (format >= 6 ? 0x0F : 0x07);
        if (ret >= 1) s.byReturn[ret - 1]++;
    }
    return s;
}

inline bool Contains(const char* text, const char* part)
{
    return text && strstr(text, part) != nullptr;
}
