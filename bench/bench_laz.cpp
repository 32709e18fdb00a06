// LAZ decoding speed: points per second for each benchmark file, decoded on
// the caller's thread alone and with worker threads on every core.
// Usage: bench_laz [file.laz ...]   (default: ../shared/data/bench/*.laz)
#include "bench_clock.h"
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include "data/laszip/laszip_api.h"


// Reads every point; returns points per second, or -1 when the file fails.
// `cpuRate` gets the points per second of the calling thread's CPU time.
static double Measure(const char* path, int threads, unsigned long long* points, double* cpuRate)
{
    laszip_POINTER h;
    if (laszip_create(&h)) return -1;
    laszip_set_decoder_threads(h, threads);
    laszip_BOOL compressed;
    double t0 = Seconds(), c0 = ThreadSeconds();
    if (laszip_open_reader(h, path, &compressed)) {
        char* e = nullptr;
        laszip_get_error(h, &e);
        printf("%s: %s\n", path, e ? e : "cannot open");
        laszip_destroy(h);
        return -1;
    }
    laszip_point_struct* pt;
    laszip_get_point_pointer(h, &pt);
    laszip_I64 count = 0;
    laszip_get_point_count(h, &count);
    unsigned long long n = (unsigned long long)count;
    volatile long long sum = 0;  // keeps the reads from being optimised away
    unsigned long long i = 0;
    for (; i < n; i++) {
        if (laszip_read_point(h)) break;
        sum = sum + pt->X;
    }
    double t = Seconds() - t0, c = ThreadSeconds() - c0;
    laszip_close_reader(h);
    laszip_destroy(h);
    if (i < n) {
        printf("%s: read failed at point %llu of %llu\n", path, i, n);
        return -1;
    }
    *points = n;
    *cpuRate = c > 0 ? (double)n / c : 0;
    return t > 0 ? (double)n / t : 0;
}

// FNV-1a over every decoded record, eight bytes a step: the same on any thread
// count and for any build that decodes the same points. Not timed.
static bool Checksum(const char* path, int threads, unsigned long long* sum)
{
    laszip_POINTER h;
    if (laszip_create(&h)) return false;
    laszip_set_decoder_threads(h, threads);
    laszip_BOOL compressed;
    bool ok = laszip_open_reader(h, path, &compressed) == 0;
    unsigned long long v = 14695981039346656037ull;
    if (ok) {
        laszip_header_struct* hd;
        laszip_get_header_pointer(h, &hd);
        laszip_I64 count = 0;
        laszip_get_point_count(h, &count);
        unsigned long long n = (unsigned long long)count;
        unsigned R = hd->point_data_record_length;
        for (unsigned long long i = 0; ok && i < n; i++) {
            const laszip_U8* rec;
            ok = laszip_read_point(h) == 0 && laszip_get_point_record(h, &rec) == 0;
            for (unsigned k = 0; ok && k < R; k += 8) {
                unsigned long long w = 0;
                memcpy(&w, rec + k, R - k < 8 ? R - k : 8);
                v = (v ^ w) * 1099511628211ull;
            }
        }
        laszip_close_reader(h);
    }
    laszip_destroy(h);
    *sum = v;
    return ok;
}

int main(int argc, char** argv)
{
    std::vector<std::string> files;
    for (int i = 1; i < argc; i++) files.push_back(argv[i]);
    if (files.empty()) {
        // The shared folder sits next to the repository (or next to its worktree folder).
        for (const char* dir : {"..\\shared\\data\\bench\\", "..\\..\\shared\\data\\bench\\"}) {
            std::string probe = std::string(dir) + "autzen_x25.laz";
            if (GetFileAttributesA(probe.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
            files.push_back(probe);
            files.push_back(std::string(dir) + "autzen_x25_f7.laz");
            break;
        }
        if (files.empty()) {
            printf("benchmark files not found in ..\\shared\\data\\bench\\\n");
            return 1;
        }
    }
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    int cores = (int)si.dwNumberOfProcessors;
    printf("%-40s %10s %15s %15s %15s %8s\n", "file", "points", "1 thread pt/s", "all cores pt/s", "1 thr CPU pt/s",
           "speedup");
    for (const std::string& f : files) {
        unsigned long long n = 0;
        double best1 = 0, bestN = 0, bestCpu = 0, busyN = 0;
        for (int run = 0; run < 3; run++) {  // best of three; the first run also warms the file cache
            double cpu = 0, cpuAll = 0;
            double one = Measure(f.c_str(), 1, &n, &cpu);
            double all = Measure(f.c_str(), cores, &n, &cpuAll);
            if (one < 0 || all < 0) return 1;
            if (one > best1) best1 = one;
            if (all > bestN) {
                bestN = all;
                busyN = cpuAll > 0 ? all / cpuAll : 0;   // the reading thread's CPU time over the run's time
            }
            if (cpu > bestCpu) bestCpu = cpu;
        }
        printf("%-40s %10llu %15.0f %15.0f %15.0f %7.1fx  (%d cores)\n", f.c_str(), n, best1, bestN, bestCpu,
               bestN / best1, cores);
        printf("%-40s reading thread busy %.0f%% of the all-cores run\n", "", 100 * busyN);
        unsigned long long sum1 = 0, sumN = 0;
        if (!Checksum(f.c_str(), 1, &sum1) || !Checksum(f.c_str(), cores, &sumN)) return 1;
        if (sum1 == sumN)
            printf("%-40s checksum %016llx on 1 and %d threads\n", "", sum1, cores);
        else
            printf("%-40s checksum %016llx on 1 thread, %016llx on %d: they differ\n", "", sum1, sumN, cores);
    }
    return 0;
}
