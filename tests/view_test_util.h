// Helpers of the view and data-set tests: point sets made in memory or read
// from a sample LAS file, and a bare window that carries a view record.
#pragma once
#include "test_support.h"
#include "app/view_record.h"
#include "data/data_set.h"
#include <vector>

PointRecord MakePoint(double x, double y, float z, int classCode = 2, int position = 0, int intensity = 0,
                      int sourceId = 0);
// A LAS-kind point set holding the points, with its bounds set from them.
DataSet* MakePointSet(const std::vector<PointRecord>& points);
// Reads the points of an uncompressed LAS file (formats 0-5) without the
// program's loader; null when the file cannot be read.
DataSet* ReadSampleLAS(const char* path);
// A record with the global default settings, holding the given sets.
ViewRecord* MakeViewRecord(const std::vector<DataSet*>& sets);
// A plain window whose CHILD_RECORD is the record; destroy it with
// DestroyWindow (the record stays with the caller).
HWND MakeRecordWindow(ViewRecord* record);
