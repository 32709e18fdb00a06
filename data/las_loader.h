// Loading LAS and LAZ files into point data sets.
#pragma once
#include <cstdint>
#include "base/polygon.h"

struct DataSet;
struct LASFile;

// Read as LAZ (a name ending in ".laz") or else as LAS.
DataSet* LoadLASData(const char* path, const char* title);
DataSet* ReadLASPoints(const char* path, const char* title);
// A LAS file with every point, never decimated (its classes are to be saved
// back point for point); null, after telling the user, when memory is short
// or the file holds fewer points than its header counts (asking nothing).
DataSet* LoadLASDataWhole(const char* path, const char* title);
extern const char kWholeLoadMemoryText[];
int      GetLASExtraBytes(LASFile* las);
// The points the file's header counts (LAS or LAZ), no more than its records
// or chunk table hold; 0 when the file does not open.
uint64_t GetLASFilePointCount(const char* path);
// Follows the file's title in the message for a point format above 10.
extern const char kLASPointTypeNotSupportedText[];
int      LoadLASPointsInPolygon(const char* path, const char* title, const RingPolygon* polygon, DataSet* set);

