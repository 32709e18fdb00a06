// Loading speed: LoadLASData against the floor of a bare read that decodes
// each record into a freshly allocated array of 38-byte records.
//   bench_load write FILE [points]   writes a LAS 1.2 format 3 file
//   bench_load load FILE             times LoadLASData
//   bench_load bare FILE             times the bare read
//   bench_load picture FILE          opens FILE in a view of a started frame and
//                                    times the end of the load to the first
//                                    complete picture
// bench/run_load runs them in fresh processes, alternating, and prints the ratio.
#include "shell/startup.h"
#include "shell/frame.h"
#include "shell/open_files.h"
#include "app/view_record.h"
#include "shell/view_window.h"
#include "app/window_slots.h"
#include "base/crash.h"
#include "base/file_io.h"
#include "base/messages.h"
#include "data/data_set.h"
#include "data/las_loader.h"
#include "data/lasfile/las_file.h"
#include "bench_clock.h"
#include <windows.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static int Write(const char* path, long long count)
{
    if (!CreateLASFile(path, 12)) return 1;
    LASFile* las = OpenLASFile(path, LAS_MODE_WRITE);
    if (!las) return 1;
    SetLASPointRecordLength(las, 34);
    SetLASScaleAndOffset(las, 500000.0, 510000.0, 4100000.0, 4110000.0);
    WriteLASHeader(las);
    LASLegacyPoint p = {};
    unsigned seed = 12345;
    for (long long i = 0; i < count; i++) {
        seed = seed * 1103515245u + 12345u;
        double x = 500000.0 + (i % 10000) * 1.0 + (seed & 1023) / 1024.0;
        double y = 4100000.0 + (double)(i / 10000) * 0.5;
        double z = 100.0 + 20.0 * sin(x * 0.01) * cos(y * 0.01);
        p.x = (int32_t)lround((x - las->header.xOffset) / las->header.xScale);
        p.y = (int32_t)lround((y - las->header.yOffset) / las->header.yScale);
        p.z = (int32_t)lround((z - las->header.zOffset) / las->header.zScale);
        p.intensity = (uint16_t)(seed >> 20);
        p.returnByte = (uint8_t)(1 | (1 << 3));
        p.classification = (uint8_t)(seed % 7);
        p.gpsTime = i * 1e-5;
        p.red = (uint16_t)(seed >> 8);
        p.green = (uint16_t)(seed >> 12);
        p.blue = (uint16_t)(seed >> 16);
        if (!WriteLASPoint(las, &p)) return 1;
        if (x < las->header.minX) las->header.minX = x;
        if (x > las->header.maxX) las->header.maxX = x;
        if (y < las->header.minY) las->header.minY = y;
        if (y > las->header.maxY) las->header.maxY = y;
        if (z < las->header.minZ) las->header.minZ = z;
        if (z > las->header.maxZ) las->header.maxZ = z;
    }
    return CloseLASFile(las) ? 0 : 1;
}

static int Bare(const char* path)
{
    double start = Seconds();
    VFile f = VFileOpenRead(path);
    if (!f) return 1;
    uint8_t header[227];
    VFileReadExact(f, header, sizeof header);
    uint32_t offset, count;
    uint16_t length;
    double scale[3], shift[3];
    memcpy(&offset, header + 96, 4);
    memcpy(&length, header + 105, 2);
    memcpy(&count, header + 107, 4);
    memcpy(scale, header + 131, 24);
    memcpy(shift, header + 155, 24);
    PointRecord* points = (PointRecord*)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)count * sizeof(PointRecord));
    VFileSeek(f, offset);
    const uint32_t block = 9216;
    uint8_t* buffer = (uint8_t*)malloc((size_t)block * length);
    for (uint32_t done = 0; done < count;) {
        uint32_t n = count - done < block ? count - done : block;
        if (!VFileReadExact(f, buffer, (uint64_t)n * length)) return 1;
        for (uint32_t i = 0; i < n; i++) {
            const uint8_t* r = buffer + (size_t)i * length;
            PointRecord* p = &points[done + i];
            int32_t xyz[3];
            memcpy(xyz, r, 12);
            p->x = xyz[0] * scale[0] + shift[0];
            p->y = xyz[1] * scale[1] + shift[1];
            p->z = (float)(xyz[2] * scale[2] + shift[2]);
            memcpy(&p->intensity, r + 12, 2);
            p->returns = r[14];
            p->classification = r[15];
            memcpy(&p->pointSourceId, r + 18, 2);
            p->flags = 0;
            p->red = r[29];
            p->green = r[31];
            p->blue = r[33];
            memcpy(&p->gpsTime, r + 20, 8);
        }
        done += n;
    }
    VFileClose(f);
    double elapsed = Seconds() - start;
    printf("bare read: %u points in %.3f s (%.1f M points/s)\n", count, elapsed, count / elapsed / 1e6);
    return 0;
}

static int Load(const char* path)
{
    SetMessageBoxHook(AnswerYes);
    double start = Seconds();
    DataSet* set = LoadLASData(path, "bench.las");
    double elapsed = Seconds() - start;
    if (!set) return 1;
    printf("LoadLASData: %d points in %.3f s (%.1f M points/s)\n", set->pointCount, elapsed,
           set->pointCount / elapsed / 1e6);
    return 0;
}

static double loadEnd;
static void NoteLoadEnd(const char* text)
{
    if (!strncmp(text, "[LOAD]", 6)) loadEnd = Seconds();
}

static int Picture(const char* path)
{
    SetMessageBoxHook(AnswerYes);
    SetLogHook(NoteLoadEnd);
    if (!InitInstance("")) return 1;
    double start = Seconds();
    if (!OpenFilesInNewView(path, 0)) return 1;
    HWND view = GetActiveView();
    ViewRecord* r = ViewRecordOf(view);
    if (!r) return 1;
    // The first complete drawing is the one the view caches.
    double deadline = Seconds() + 120.0;
    while (!r->imageCacheValid && Seconds() < deadline) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    double shown = Seconds();
    if (!r->imageCacheValid) {
        printf("picture: no complete picture within 120 s\n");
        return 1;
    }
    printf("picture: %d points loaded in %.3f s; first complete picture %.3f s after the load's end\n",
           r->totalPoints, loadEnd - start, shown - loadEnd);
    return 0;
}

int main(int argc, char** argv)
{
    InstallCrashFilter();
    if (argc < 3) {
        fprintf(stderr, "usage: bench_load write|load|bare|picture FILE [points]\n");
        return 2;
    }
    if (!strcmp(argv[1], "write")) return Write(argv[2], argc > 3 ? atoll(argv[3]) : 10000000);
    if (!strcmp(argv[1], "load")) return Load(argv[2]);
    if (!strcmp(argv[1], "bare")) return Bare(argv[2]);
    if (!strcmp(argv[1], "picture")) return Picture(argv[2]);
    return 2;
}
