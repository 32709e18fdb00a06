// Shapelib's file calls for the shapefiles this program writes: the standard
// ones, noting every failed write, seek, flush or close (shapelib ignores
// those it makes while closing), with the tests' write-fault hook
// (base/file_io) in front of writes.
#pragma once
#include <shapefil.h>

// Fresh hooks for one writer, used on the thread that takes them, calling
// `under` (tests' failing calls) or, with nullptr, the standard ones.
SAHooks WritingShapeHooks(const SAHooks* under = nullptr);
// 1 when a call through this thread's hooks failed since they were taken.
int ShapeWritesFailed();
