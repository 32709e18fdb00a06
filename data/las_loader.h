// Loading LAS and LAZ files into point data sets.
#pragma once
#include <cstdint>
#include "base/polygon.h"

struct DataSet;
struct LASFile;

DataSet* LoadLASData(const char* path, const char* title);
DataSet* ReadLASPoints(const char* path, const char* title);
int      GetLASExtraBytes(LASFile* las);
int      GetLASFilePointCount(const char* path);
int      LoadLASPointsInPolygon(const char* path, const char* title, const RingPolygon* polygon, DataSet* set);

