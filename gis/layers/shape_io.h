// Shapelib's file calls for the shapefiles this program writes: the standard
// ones, with the tests' write-fault hook (base/file_io) in front of writes.
#pragma once
#include <shapefil.h>

SAHooks WritingShapeHooks();
