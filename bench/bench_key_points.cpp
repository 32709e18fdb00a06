// Key points of the ground points of a file at the default surface accuracy:
// seconds, the share of ground points kept and a checksum of which points
// were kept, to compare runs by.
//   bench_key_points [FILE] [--accuracy A]     (default ../shared/data/bench/autzen_x25.laz)
#include "bench/ground_tools.h"
#include "classify/thinning.h"
#include <cstdlib>

int main(int argc, char** argv)
{
    StartHeadless();
    SetLogHook(nullptr);
    UseThinningSettings();
    const char* path = "../shared/data/bench/autzen_x25.laz";
    float accuracy = GlobalThinningSettings.surfaceAccuracy;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--accuracy") && i + 1 < argc) accuracy = (float)atof(argv[++i]);
        else path = argv[i];
    }
    DataSet* set = LoadForClassification(path);
    if (!set) {
        fprintf(stderr, "cannot load %s\n", path);
        return 1;
    }
    int ground = 0;
    for (int32_t i = 0; i < set->pointCount; i++) ground += set->points[i].classification == 2;
    double start = NowSeconds();
    int keys = FindKeyPoints(nullptr, set, accuracy, GlobalThinningSettings.fromClasses,
                             (uint8_t)GlobalThinningSettings.keypointClass);
    double seconds = NowSeconds() - start;
    // FNV-1a over the indices of the key points.
    uint64_t checksum = 1469598103934665603ull;
    for (int32_t i = 0; i < set->pointCount; i++)
        if (set->points[i].classification == GlobalThinningSettings.keypointClass)
            for (int b = 0; b < 4; b++) checksum = (checksum ^ ((uint32_t)i >> (8 * b) & 0xff)) * 1099511628211ull;
    printf("points %d, ground %d, spacing %.3f, accuracy %.3f\n", set->pointCount, ground, set->pointSpacing,
           accuracy);
    printf("key points %d (%.1f %% of ground), %.2f s, peak %.0f MB, checksum %016llx\n", keys,
           ground ? keys * 100.0 / ground : 0.0, seconds, PeakMemoryMB(), (unsigned long long)checksum);
    FreeDataSet(set);
    return keys < 0 ? 1 : 0;
}
