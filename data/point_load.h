// What the LAS and LAZ loaders share: the decimation step, the new data set,
// its point array and the report of a load.
#pragma once
#include <cstdint>

struct DataSet;

// Settles the decimation step: 0 to give up (the user was told), else >= 1.
uint32_t ChooseDecimationStep(uint64_t count, const char* title);
// Tells the user how much a failed allocation of a load wanted.
void     ReportLoadAllocationFailure(double bytes);
// A new data set of `source` named after its file; null, after telling
// the user, when memory is short.
DataSet* NewLoadedDataSet(int32_t source, const char* path, const char* title);
// Allocates the point array, or tells the user how much it wanted.
bool     AllocatePoints(DataSet* set, uint64_t count);
// The two message lines of a finished load: the point count and the title.
void     ReportLoaded(const DataSet* set);
