// ground_classify [options] IN.las OUT.las
// Ground classification of one LAS file the way the batch runs it: load
// without decimation, tiles, density, RunSurfaceMagic with no view, and the
// classes saved into a copy of the file.
//   --tb N        Terrain Bias 0..25 (8)         --ae N       Aesthetics 0..100 (10)
//                 (the slider shows 4 times it)
//   --ground N    class of ground points (2)     --feature N  class of all others (1)
//   --steps 1,9   the step list (up to 8 codes)  --units 1|3  metres or feet, over the file's own
#include "bench/ground_tools.h"
#include "classify/save_classes.h"
#include <cstdlib>

static void PrintClassCounts(const DataSet* set)
{
    int64_t counts[256] = {};
    for (int32_t i = 0; i < set->pointCount; i++) counts[set->points[i].classification]++;
    for (int c = 0; c < 256; c++)
        if (counts[c]) printf("  class %d: %lld", c, (long long)counts[c]);
    printf("\n");
}

// FNV-1a over the classes in point order: equal runs print equal checksums.
static unsigned long long ClassChecksum(const DataSet* set)
{
    unsigned long long h = 1469598103934665603ULL;
    for (int32_t i = 0; i < set->pointCount; i++) h = (h ^ set->points[i].classification) * 1099511628211ULL;
    return h;
}

static void LogStep(const SurfaceStep* step, int result, const DataSet* set)
{
    printf("step %d \"%s\": result %d; working classes:", step->code, step->text, result);
    PrintClassCounts(set);
    fflush(stdout);
}

static int Usage()
{
    fprintf(stderr, "usage: ground_classify [--tb 0-25] [--ae 0-100] [--ground 0-255] [--feature 0-255] "
                    "[--steps 1,9,...] [--units 1|3] IN.las OUT.las\n");
    return 2;
}

// A whole number within low..high, else a line that names the option and its range.
static bool ReadOption(const char* option, const char* text, int low, int high, int* value)
{
    char* end = nullptr;
    long v = strtol(text, &end, 10);
    if (end != text && !*end && v >= low && v <= high) {
        *value = (int)v;
        return true;
    }
    fprintf(stderr, "ground_classify: %s %s: must be a whole number from %d to %d\n", option, text, low, high);
    if (!strcmp(option, "--tb"))
        fprintf(stderr, "(the Terrain Bias slider shows 4 times this value: its default 32 is --tb 8)\n");
    return false;
}

int main(int argc, char** argv)
{
    StartHeadless();
    int tb = kDefaultTerrainBias, ae = kDefaultAesthetics, ground = 2, feature = 1, units = 0;
    const char* steps = nullptr;
    const char* files[2] = {};
    int nFiles = 0;
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool read = true;
        if (a[0] != '-' || a[1] != '-') {
            if (nFiles == 2) return Usage();
            files[nFiles++] = a;
            continue;
        }
        if (!value) return Usage();
        i++;
        if (!strcmp(a, "--tb")) read = ReadOption(a, value, 0, 25, &tb);
        else if (!strcmp(a, "--ae")) read = ReadOption(a, value, 0, 100, &ae);
        else if (!strcmp(a, "--ground")) read = ReadOption(a, value, 0, 255, &ground);
        else if (!strcmp(a, "--feature")) read = ReadOption(a, value, 0, 255, &feature);
        else if (!strcmp(a, "--steps")) steps = value;
        else if (!strcmp(a, "--units")) {
            read = !strcmp(value, "1") || !strcmp(value, "3");
            if (read) units = atoi(value);
            else fprintf(stderr, "ground_classify: --units %s: must be 1 (metres) or 3 (feet)\n", value);
        }
        else return Usage();
        if (!read) return Usage();
    }
    if (nFiles != 2) return Usage();
    if (steps) {
        int32_t* list = GlobalSurfaceMagicSettings.stepList;
        memset(list, 0, sizeof(int32_t) * kStepSlots);
        int k = 0;
        for (const char* p = steps; *p && k < kStepSlots;) {
            list[k++] = atoi(p);
            p = strchr(p, ',');
            if (!p) break;
            p++;
        }
    }

    double t0 = NowSeconds();
    DataSet* set = LoadForClassification(files[0]);
    if (!set) {
        fprintf(stderr, "cannot load %s\n", files[0]);
        return 1;
    }
    double loaded = NowSeconds();
    if (units) set->units = units;
    SurfaceTileSizes tiles = ComputeSurfaceTileSizes(set->pointSpacing);
    SurfaceMagicSettings s;
    MakeSurfaceRunSettings(set, tb, ae, &s);
    printf("%s: %d points loaded in %.2f s; point spacing %.3f; units code %d\n", set->title, set->pointCount,
           loaded - t0, set->pointSpacing, set->units);
    printf("tiles: standard %d, analysis %d, refine %d, half %d, two thirds %d\n", tiles.standard, tiles.analysis,
           tiles.refine, tiles.half, tiles.twoThirds);
    printf("thresholds: AA step %.4f, HCSM noise %.4f, HCSM jump %.4f, spike %.4f, low-outlier gap %.4f, "
           "refine step %.4f, spacing limit %.3f, slope ratio %d, aesthetic limit %d\n",
           ScaledHeight(&s, s.aaVertThresh), ScaledHeight(&s, s.hcsmNoise), ScaledHeight(&s, s.hcsmJump),
           ScaledHeight(&s, (float)(s.aestheticsLevel * 0.01 * 0.5)), ScaledHeight(&s, 1.0f), ScaledHeight(&s, 0.5f),
           s.pointSpacing, s.avgxmagiThresh, s.aestheticsLevel / 2);
    printf("steps:");
    for (int k = 0; k < kStepSlots; k++)
        if (s.stepList[k]) printf(" %d", s.stepList[k]);
    printf("\n");

    SetSurfaceStepObserver(LogStep);
    double r0 = NowSeconds();
    int result = RunSurfaceMagic(nullptr, set, ground, feature, tb, ae);
    double r1 = NowSeconds();
    printf("run: result %d in %.2f s (loaded data set to committed classes); peak memory %.0f MB\n", result,
           r1 - r0, PeakMemoryMB());
    printf("final classes:");
    PrintClassCounts(set);
    printf("class checksum %016llx\n", ClassChecksum(set));
    int status = 0;
    if (result != 1) {
        fprintf(stderr, "the classification did not succeed (%d); nothing saved\n", result);
        status = 1;
    } else if (!SaveDataSetClassesAs(set, files[1], FileTitle(files[1]))) {
        status = 1;
    } else {
        printf("saved %s\n", files[1]);
    }
    FreeDataSet(set);
    return status;
}
