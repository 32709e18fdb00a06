// LAZ files into data sets through our own decoder behind the laszip calls.
#pragma once
#include <cstdint>

struct DataSet;

extern const char kUnableToOpenLAZText[];
extern const char kLAZTooSmallText[];

int      IsLAZFile(const char* fileName);
DataSet* ReadLAZPoints(const char* path, const char* title);
// The header's point count (the 64-bit one for formats 6 to 10); 0 when the file does not open.
uint64_t GetLAZFilePointCount(const char* path);
