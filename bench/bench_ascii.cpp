// ASCII loading speed: writes a text file of X Y Z intensity lines and times
// ReadASCIIPoints on it, printing seconds and MB of text per second.
//   bench_ascii [lines] [FILE] [crlf]   (10 million lines in a temporary file by
//   default; crlf ends the lines with CR LF; 0 lines reads FILE as it is, so
//   two builds can be timed on the same file without writing it between them)
#include "base/crash.h"
#include "base/file_io.h"
#include "base/messages.h"
#include "data/ascii_loader.h"
#include "data/data_set.h"
#include "data/import_fields.h"
#include "bench_clock.h"
#include <windows.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static bool Write(const char* path, long long lines, bool crlf)
{
    VFile f = VFileCreate(path);
    if (!f) return false;
    std::string chunk;
    unsigned seed = 12345;
    for (long long i = 0; i < lines; i++) {
        seed = seed * 1103515245u + 12345u;
        double x = 500000.0 + (i % 10000) * 1.0 + (seed & 1023) / 1024.0;
        double y = 4100000.0 + (double)(i / 10000) * 0.5;
        double z = 100.0 + 20.0 * sin(x * 0.01) * cos(y * 0.01);
        char line[96];
        int n = snprintf(line, sizeof line, crlf ? "%.3f %.3f %.3f %u\r\n" : "%.3f %.3f %.3f %u\n", x, y, z,
                         (seed >> 20) & 0xFFF);
        chunk.append(line, n);
        if (chunk.size() > (1u << 20)) {
            if (!VFileWrite(f, chunk.data(), chunk.size())) return false;
            chunk.clear();
        }
    }
    bool ok = VFileWrite(f, chunk.data(), chunk.size());
    return VFileClose(f) && ok;
}

int main(int argc, char** argv)
{
    InstallCrashFilter();
    SetMessageBoxHook(AnswerYes);
    long long lines = argc > 1 ? atoll(argv[1]) : 10000000;
    std::string path;
    if (argc > 2) {
        path = argv[2];
    } else {
        char dir[MAX_PATH];
        GetTempPathA(sizeof dir, dir);
        path = std::string(dir) + "bench_ascii.xyz";
    }
    bool crlf = argc > 3 && !strcmp(argv[3], "crlf");
    if ((lines > 0 || argc <= 2) && !Write(path.c_str(), lines, crlf)) {
        fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    VFile f = VFileOpenRead(path.c_str());
    double megabytes = (double)VFileSize(f) / 1048576.0;
    VFileClose(f);

    asciiFieldList = NewXYZFieldList();
    asciiAvailableFields = NewAvailableFieldList();
    MoveImportField(asciiFieldList, asciiAvailableFields, 1);  // intensity
    double start = Seconds();
    DataSet* set = ReadASCIIPoints(path.c_str(), "bench_ascii.xyz");
    double seconds = Seconds() - start;
    if (!set) {
        fprintf(stderr, "the load failed\n");
        return 1;
    }
    printf("ReadASCIIPoints: %d points from %.1f MB in %.2f s: %.0f MB/s\n", set->pointCount, megabytes, seconds,
           megabytes / seconds);
    FreeDataSet(set);
    if (argc <= 2) DeleteFileA(path.c_str());
    return 0;
}
