// Point sets of the triangulation benchmark, generated identically by
// bench_triangulate and by the CGAL comparison program (bench/cgal).
//   uniform: splitmix64 from seed 20261208, x and y uniform in a 1 km square
//            at survey offsets (500000, 4100000).
//   real:    the XY of autzen_trim.las, tiled row by row with shifted copies
//            (each copy moved by the data's extent) until the count is reached.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cmath>
#include <vector>

inline uint64_t BenchSplitMix(uint64_t& s)
{
    uint64_t z = (s += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

inline std::vector<double> BenchUniform(int n)
{
    std::vector<double> p((size_t)n * 2);
    uint64_t s = 20261208;
    for (size_t i = 0; i < p.size(); i++) {
        double u = (double)(BenchSplitMix(s) >> 11) * (1.0 / 9007199254740992.0);
        p[i] = (i % 2 == 0 ? 500000.0 : 4100000.0) + u * 1000.0;
    }
    return p;
}

// XY of a LAS file from its public header (offset to points at 96, record
// length at 105, count at 107, scales at 131, offsets at 155).
inline std::vector<double> BenchReadLasXY(const char* path)
{
    std::vector<double> xy;
    FILE* f = fopen(path, "rb");
    if (!f) return xy;
    unsigned char h[227];
    if (fread(h, 1, sizeof(h), f) == sizeof(h)) {
        uint32_t offset, count;
        uint16_t length;
        double scale[2], origin[2];
        memcpy(&offset, h + 96, 4);
        memcpy(&length, h + 105, 2);
        memcpy(&count, h + 107, 4);
        memcpy(scale, h + 131, 16);
        memcpy(origin, h + 155, 16);
        if (length >= 12 && fseek(f, (long)offset, SEEK_SET) == 0) {
            std::vector<unsigned char> rec(length);
            for (uint32_t i = 0; i < count && fread(rec.data(), 1, length, f) == length; i++) {
                int32_t x, y;
                memcpy(&x, rec.data(), 4);
                memcpy(&y, rec.data() + 4, 4);
                xy.push_back(x * scale[0] + origin[0]);
                xy.push_back(y * scale[1] + origin[1]);
            }
        }
    }
    fclose(f);
    return xy;
}

inline std::vector<double> BenchTiled(const std::vector<double>& base, int n)
{
    std::vector<double> p;
    size_t m = base.size() / 2;
    if (m == 0) return p;
    double x0 = base[0], x1 = base[0], y0 = base[1], y1 = base[1];
    for (size_t i = 0; i < m; i++) {
        x0 = std::fmin(x0, base[2 * i]); x1 = std::fmax(x1, base[2 * i]);
        y0 = std::fmin(y0, base[2 * i + 1]); y1 = std::fmax(y1, base[2 * i + 1]);
    }
    double w = x1 - x0 + 1.0, h = y1 - y0 + 1.0;
    int copies = (int)((n + m - 1) / m);
    int side = (int)std::ceil(std::sqrt((double)copies));
    p.reserve((size_t)n * 2);
    for (int c = 0; (int)(p.size() / 2) < n; c++) {
        double dx = (c % side) * w, dy = (c / side) * h;
        for (size_t i = 0; i < m && (int)(p.size() / 2) < n; i++) {
            p.push_back(base[2 * i] + dx);
            p.push_back(base[2 * i + 1] + dy);
        }
    }
    return p;
}
