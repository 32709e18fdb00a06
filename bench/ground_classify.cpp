// ground_classify [options] IN.las OUT.las
// Ground classification of one LAS file the way the batch runs it: load
// without decimation, tiles, density, RunSurfaceMagic with no view, and the
// classes saved into a copy of the file.
//   --tb N        Terrain Bias 0..25 (8)         --ae N       Aesthetics 0..100 (10)
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
    fprintf(stderr, "usage: ground_classify [--tb N] [--ae N] [--ground N] [--feature N] [--steps 1,9,...] "
                    "[--units 1|3] IN.las OUT.las\n");
    return 2;
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
        bool value = i + 1 < argc;
        if (!strcmp(a, "--tb") && value) tb = atoi(argv[++i]);
        else if (!strcmp(a, "--ae") && value) ae = atoi(argv[++i]);
        else if (!strcmp(a, "--ground") && value) ground = atoi(argv[++i]);
        else if (!strcmp(a, "--feature") && value) feature = atoi(argv[++i]);
        else if (!strcmp(a, "--steps") && value) steps = argv[++i];
        else if (!strcmp(a, "--units") && value) units = atoi(argv[++i]);
        else if (a[0] == '-' && a[1] == '-') return Usage();
        else if (nFiles < 2) files[nFiles++] = a;
        else return Usage();
    }
    if (nFiles != 2 || tb < 0 || tb > 25 || ae < 0 || ae > 100 || ground < 0 || ground > 255 || feature < 0 ||
        feature > 255)
        return Usage();
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
