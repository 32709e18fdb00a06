#include "gis/layers/shape_io.h"
#include "base/file_io.h"

static SAHooks standard;

static SAOffset FaultingWrite(void* p, SAOffset size, SAOffset count, SAFile file)
{
    return TakeWriteFault() ? 0 : standard.FWrite(p, size, count, file);
}

SAHooks WritingShapeHooks()
{
    SASetupDefaultHooks(&standard);
    SAHooks io = standard;
    io.FWrite = FaultingWrite;
    return io;
}
