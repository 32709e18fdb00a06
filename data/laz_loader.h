// LAZ files into data sets through our own decoder behind the laszip calls.
#pragma once
#include <cstddef>
#include <cstdint>

struct DataSet;

extern const char kUnableToOpenLAZText[];
extern const char kLAZTooSmallText[];

// Whether the name ends in ".laz", in any case.
bool     HasLAZName(const char* path);
// A name ending in ".laz" that the LAZ reader opens.
int      IsLAZFile(const char* fileName);
DataSet* ReadLAZPoints(const char* path, const char* title);
// The file's point count (the LAS 1.4 count where it is set, else the legacy count), no more than its
// chunk table holds; with no table, a count beyond what memory (but not a set) holds is no more than
// the points that read. 0 when the file does not open.
uint64_t GetLAZFilePointCount(const char* path);
// The header's extent and point count (as GetLAZFilePointCount); false, with the decoder's reason in
// `reason` (`size` bytes), when the file does not open.
bool     ReadLAZExtent(const char* path, double* minX, double* maxX, double* minY, double* maxY, uint64_t* count,
                       char* reason, size_t size);
