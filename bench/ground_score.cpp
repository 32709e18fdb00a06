// ground_score CLASSIFIED.las REFERENCE.las [--ground N]
// Compares a classified file with a reference of the same points and prints
// type I, type II and total error and Cohen's kappa.
#include "bench/ground_tools.h"
#include <cstdlib>

int main(int argc, char** argv)
{
    StartHeadless();
    const char* files[2] = {};
    int nFiles = 0, ground = 2;
    for (int i = 1; i < argc; i++) {
        if (!strcmp(argv[i], "--ground") && i + 1 < argc) ground = atoi(argv[++i]);
        else if (nFiles < 2) files[nFiles++] = argv[i];
    }
    if (nFiles != 2) {
        fprintf(stderr, "usage: ground_score CLASSIFIED.las REFERENCE.las [--ground N]\n");
        return 2;
    }
    DataSet* classified = LoadLASData(files[0], FileTitle(files[0]));
    DataSet* reference = LoadLASData(files[1], FileTitle(files[1]));
    if (!classified || !reference) {
        fprintf(stderr, "cannot load %s\n", classified ? files[1] : files[0]);
        return 1;
    }
    GroundScore s;
    if (!ScoreGround(classified, reference, ground, &s)) {
        fprintf(stderr, "the files do not hold the same points\n");
        return 1;
    }
    printf("points compared %lld (reference ground %lld, other %lld)\n", s.compared, s.ground, s.other);
    printf("type I %.2f%%  type II %.2f%%  total %.2f%%  kappa %.2f%%\n", 100 * s.typeI, 100 * s.typeII,
           100 * s.total, 100 * s.kappa);
    FreeDataSet(classified);
    FreeDataSet(reference);
    return 0;
}
