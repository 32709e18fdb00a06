// The header parse of a damaged file: a LAS 1.2 header that counts
// 4,000,000,000 variable length records, the one record there is, 1 GiB of
// filler bytes and then its 1,000 points at the offset the header gives.
// Opens it ROUNDS times on the LAS road (OpenLASFile) and on the LAZ road (the
// LAZ reader) and prints the median and spread of each, the records each
// built, the log note and the process's peak memory.
//   bench_vlr_walk FILE [ROUNDS [ff]]   makes FILE and removes it afterwards;
//                                       the filler is zero bytes (a hole where
//                                       the file system allows), or with ff
//                                       0xFF bytes, as erased flash storage holds
#include "bench_clock.h"
#include "data/lasfile/las_file.h"
#include "data/laszip/laszip_api.h"
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

static const uint64_t kFillerBytes = 1ull << 30;
static const uint32_t kCountedRecords = 4000000000u;
static const int kPoints = 1000;

// A sound file of the library's own making: its record, then the points.
static bool WriteSound(const char* path)
{
    if (!CreateLASFile(path, 12)) return false;
    LASFile* las = OpenLASFile(path, LAS_MODE_WRITE);
    if (!las) return false;
    SetLASPointRecordLength(las, 20);
    SetLASScaleAndOffset(las, 500000.0, 501000.0, 4100000.0, 4101000.0);
    bool ok = WriteLASHeader(las) == 1;
    uint8_t record[20] = {};
    for (int i = 0; i < kPoints && ok; i++) {
        int32_t xyz[3] = {i * 10, i * 7, i};
        memcpy(record, xyz, sizeof xyz);
        record[14] = 1 | 1 << 3;
        ok = WriteLASPoint(las, record) != 0;
    }
    return CloseLASFile(las) == 1 && ok;
}

static std::vector<uint8_t> ReadAll(const char* path)
{
    std::vector<uint8_t> bytes;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize((size_t)LASFileSize(h));
    if (LASReadItems(h, bytes.data(), bytes.size(), 1) != 1) bytes.clear();
    CloseHandle(h);
    return bytes;
}

// The sound file's header and record, the filler, then its points; the
// header counts kCountedRecords and gives the offset where the points now are.
static bool WriteDamaged(const char* path, bool erased)
{
    std::string sound = std::string(path) + ".sound";
    bool made = WriteSound(sound.c_str());
    std::vector<uint8_t> b = ReadAll(sound.c_str());
    DeleteFileA(sound.c_str());
    if (!made || b.size() < 227) return false;
    uint32_t offset;
    memcpy(&offset, &b[96], 4);
    uint32_t moved = offset + (uint32_t)kFillerBytes;
    memcpy(&b[96], &moved, 4);
    memcpy(&b[100], &kCountedRecords, 4);
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = LASWriteItems(h, b.data(), offset, 1) == 1;
    const std::vector<uint8_t> filler(1 << 20, 0xFF);
    for (uint64_t done = 0; erased && ok && done < kFillerBytes; done += filler.size())
        ok = LASWriteItems(h, filler.data(), filler.size(), 1) == 1;
    ok = ok && LASSeek(h, moved, FILE_BEGIN) && LASWriteItems(h, b.data() + offset, b.size() - offset, 1) == 1;
    return CloseHandle(h) && ok;
}

struct Opened {
    double seconds;
    uint32_t records;
    std::string note;
    bool ok;
};

static Opened OpenOnLASRoad(const char* path)
{
    double start = Seconds();
    LASFile* las = OpenLASFile(path, LAS_MODE_READ);
    Opened o = {Seconds() - start, las ? las->header.numberOfVLRs : 0, las ? las->loadNote : "", las != nullptr};
    if (las) CloseLASFile(las);
    return o;
}

static Opened OpenOnLAZRoad(const char* path)
{
    laszip_POINTER reader = nullptr;
    if (laszip_create(&reader)) return Opened{0, 0, "", false};
    laszip_BOOL compressed = 0;
    laszip_header_struct* header = nullptr;
    double start = Seconds();
    bool ok = laszip_open_reader(reader, path, &compressed) == 0 && laszip_get_header_pointer(reader, &header) == 0;
    Opened o = {Seconds() - start, ok ? header->number_of_variable_length_records : 0, "", ok};
    laszip_CHAR* note = nullptr;
    if (ok && laszip_get_warning(reader, &note) == 0 && note) o.note = note;
    if (ok) laszip_close_reader(reader);
    laszip_destroy(reader);
    return o;
}

static void Report(const char* road, std::vector<double> seconds, const Opened& last)
{
    std::sort(seconds.begin(), seconds.end());
    size_t n = seconds.size();
    double median = n % 2 ? seconds[n / 2] : (seconds[n / 2 - 1] + seconds[n / 2]) / 2;
    printf("%s: median %.6f s (%.6f-%.6f) over %zu rounds, %u records built\n  note: %s\n", road, median,
           seconds.front(), seconds.back(), n, last.records, last.note.c_str());
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: bench_vlr_walk FILE [ROUNDS [ff]]\n");
        return 2;
    }
    const char* path = argv[1];
    int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    const bool erased = argc > 3 && !strcmp(argv[3], "ff");
    if (!WriteDamaged(path, erased)) {
        fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    double before = ProcessMemoryMB("VmRSS:");
    std::vector<double> las, laz;
    Opened lastLAS = {}, lastLAZ = {};
    for (int r = 0; r < rounds; r++) {
        lastLAS = OpenOnLASRoad(path);
        lastLAZ = OpenOnLAZRoad(path);
        if (!lastLAS.ok || !lastLAZ.ok) {
            fprintf(stderr, "the file did not open: %s\n", GetLASErrorText(nullptr));
            DeleteFileA(path);
            return 1;
        }
        las.push_back(lastLAS.seconds);
        laz.push_back(lastLAZ.seconds);
    }
    DeleteFileA(path);
    printf("%u records counted in front of %llu %s bytes\n", kCountedRecords, (unsigned long long)kFillerBytes,
           erased ? "0xFF" : "zero");
    Report("LAS road (OpenLASFile)", las, lastLAS);
    Report("LAZ road (laszip_open_reader)", laz, lastLAZ);
    printf("peak memory %.1f MB (%.1f MB resident before the first opening)\n", PeakMemoryMB(), before);
    return 0;
}
