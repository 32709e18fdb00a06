// Ground classification quality on the ISPRS filter-test samples: each
// *-input.las classified with the default settings (or --steps, --tb, --ae)
// and scored against its *-ref.las. Prints type I, type II, total error and
// kappa per sample and their means.
#include "bench/ground_tools.h"
#include <cstdlib>

int main(int argc, char** argv)
{
    StartHeadless();
    SetLogHook(nullptr);
    const char* folder = "../shared/data/ground/";
    int tb = kDefaultTerrainBias, ae = kDefaultAesthetics;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--tb") && i + 1 < argc) tb = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--ae") && i + 1 < argc) ae = atoi(argv[++i]);
        else if (!strcmp(argv[i], "--steps") && i + 1 < argc) {
            int32_t* list = GlobalSurfaceMagicSettings.stepList;
            memset(list, 0, sizeof(int32_t) * kStepSlots);
            int k = 0;
            for (const char* p = argv[++i]; p && *p && k < kStepSlots; p = strchr(p, ',') ? strchr(p, ',') + 1 : nullptr)
                list[k++] = atoi(p);
        } else folder = argv[i];
    }
    const char* samples[5] = { "samp12", "samp23", "samp41", "samp54", "samp71" };
    double sum[4] = {};
    int scored = 0;
    printf("sample   points   type I   type II  total    kappa    seconds\n");
    for (const char* name : samples) {
        char input[512], reference[512];
        snprintf(input, sizeof(input), "%s%s-input.las", folder, name);
        snprintf(reference, sizeof(reference), "%s%s-ref.las", folder, name);
        DataSet* set = LoadForClassification(input);
        DataSet* ref = LoadLASData(reference, name);
        if (!set || !ref) {
            printf("%s: cannot load the sample pair from %s\n", name, folder);
            return 1;
        }
        double t0 = NowSeconds();
        int result = RunSurfaceMagic(nullptr, set, 2, 1, tb, ae);
        double seconds = NowSeconds() - t0;
        GroundScore s;
        if (result != 1 || !ScoreGround(set, ref, 2, &s)) {
            printf("%s: run %d, not scored\n", name, result);
            return 1;
        }
        printf("%-8s %-8d %6.2f%%  %6.2f%%  %6.2f%%  %6.2f%%  %.3f\n", name, set->pointCount, 100 * s.typeI,
               100 * s.typeII, 100 * s.total, 100 * s.kappa, seconds);
        sum[0] += s.typeI;
        sum[1] += s.typeII;
        sum[2] += s.total;
        sum[3] += s.kappa;
        scored++;
        FreeDataSet(set);
        FreeDataSet(ref);
    }
    printf("mean              %6.2f%%  %6.2f%%  %6.2f%%  %6.2f%%\n", 100 * sum[0] / scored, 100 * sum[1] / scored,
           100 * sum[2] / scored, 100 * sum[3] / scored);
    return 0;
}
