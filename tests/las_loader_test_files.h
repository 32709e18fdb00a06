// What the LAS and LAZ loader tests share: a load with its log kept, and
// LAS 1.2 files of format 2 or 3 written by hand from known records.
#pragma once
#include "test_support.h"
#include "base/file_io.h"
#include "base/messages.h"
#include "data/las_loader.h"
#include "tests/las_test_files.h"
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

// Saves `bytes` as `name` (its path in `*path`) and loads it as the user
// would, the lines the load logs kept in KeptLog().
inline DataSet* LoadLogged(const char* name, const Bytes& bytes, std::string* path)
{
    *path = WriteTempBytes(name, bytes);
    KeptLog().clear();
    SetLogHook(KeepLog);
    DataSet* set = LoadLASData(path->c_str(), name);
    SetLogHook(nullptr);
    return set;
}

struct RawPoint {
    int32_t x, y, z;
    uint16_t intensity;
    uint8_t returnByte, classByte;
    uint16_t red, green, blue;
};

// Writes a LAS 1.2 file of format 2 or 3 by hand, so the loader is tested
// against bytes we know. `announced` is the header's count (0: the real one).
inline void WriteLas(const std::string& path, int format, const std::vector<RawPoint>& pts, uint32_t announced = 0,
              double scale = 0.01, double offset = 0)
{
    const int recordLength = format == 3 ? 34 : 26;
    uint8_t h[227] = {};
    memcpy(h, "LASF", 4);
    h[24] = 1;
    h[25] = 2;
    uint16_t headerSize = 227;
    uint32_t dataOffset = 227;
    memcpy(h + 94, &headerSize, 2);
    memcpy(h + 96, &dataOffset, 4);
    h[104] = (uint8_t)format;
    uint16_t rl = (uint16_t)recordLength;
    memcpy(h + 105, &rl, 2);
    uint32_t count = announced ? announced : (uint32_t)pts.size();
    memcpy(h + 107, &count, 4);
    double scales[3] = {scale, scale, scale}, offsets[3] = {offset, offset, 0};
    memcpy(h + 131, scales, 24);
    memcpy(h + 155, offsets, 24);
    double bounds[6] = {1e9, -1e9, 1e9, -1e9, 1e9, -1e9};   // max x, min x, ...
    for (const RawPoint& p : pts) {
        double x = p.x * scale + offset, y = p.y * scale + offset, z = p.z * scale;
        bounds[0] = std::max(bounds[0] == 1e9 ? x : bounds[0], x);
        bounds[1] = std::min(bounds[1] == -1e9 ? x : bounds[1], x);
        bounds[2] = std::max(bounds[2] == 1e9 ? y : bounds[2], y);
        bounds[3] = std::min(bounds[3] == -1e9 ? y : bounds[3], y);
        bounds[4] = std::max(bounds[4] == 1e9 ? z : bounds[4], z);
        bounds[5] = std::min(bounds[5] == -1e9 ? z : bounds[5], z);
    }
    memcpy(h + 179, bounds, 48);
    VFile f = VFileCreate(path.c_str());
    ASSERT_NE(f, nullptr);
    VFileWrite(f, h, sizeof h);
    for (const RawPoint& p : pts) {
        uint8_t r[34] = {};
        memcpy(r, &p.x, 12);
        memcpy(r + 12, &p.intensity, 2);
        r[14] = p.returnByte;
        r[15] = p.classByte;
        int rgbAt = format == 3 ? 28 : 20;
        memcpy(r + rgbAt, &p.red, 2);
        memcpy(r + rgbAt + 2, &p.green, 2);
        memcpy(r + rgbAt + 4, &p.blue, 2);
        VFileWrite(f, r, recordLength);
    }
    VFileClose(f);
}

inline std::vector<RawPoint> Ramp(int n)
{
    std::vector<RawPoint> pts;
    for (int i = 0; i < n; i++) pts.push_back({i * 100, i * 50, 10000 + i, (uint16_t)i, 0x09, 2, 100, 100, 100});
    return pts;
}
