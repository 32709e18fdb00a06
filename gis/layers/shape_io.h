// Shapelib's file calls for the shapefiles this program writes: the standard
// ones, noting every failed write, seek, flush or close (shapelib ignores
// those it makes while closing), with the tests' write-fault hook
// (base/file_io) in front of writes.
#pragma once
#include <shapefil.h>

// Fresh hooks for one writer (on the user-interface thread).
SAHooks WritingShapeHooks();
// 1 when a call through the hooks failed since they were taken.
int ShapeWritesFailed();
