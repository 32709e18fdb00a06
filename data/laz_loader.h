// LAZ files into data sets through our own decoder behind the laszip calls.
#pragma once

struct DataSet;

int      IsLAZFile(const char* fileName);
DataSet* ReadLAZPoints(const char* path, const char* title);
int      GetLAZFilePointCount(const char* path);
