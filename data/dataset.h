// Placeholder until the data-set records land: only what the shell reads.
#pragma once
struct DataSet {
    char path[256];
    char title[256];
    int kind;
};
