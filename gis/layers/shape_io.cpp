#include "gis/layers/shape_io.h"
#include "base/file_io.h"

// Per thread: an export writes on its own thread while the window may save.
static thread_local SAHooks standard;
static thread_local bool failed;

static SAOffset NotedWrite(void* p, SAOffset size, SAOffset count, SAFile file)
{
    SAOffset written = TakeWriteFault() ? 0 : standard.FWrite(p, size, count, file);
    if (written != count) failed = true;
    return written;
}
static SAOffset NotedSeek(SAFile file, SAOffset offset, int whence)
{
    SAOffset result = standard.FSeek(file, offset, whence);
    if (result != 0) failed = true;
    return result;
}
static int NotedFlush(SAFile file)
{
    int result = standard.FFlush(file);
    if (result != 0) failed = true;
    return result;
}
static int NotedClose(SAFile file)
{
    int result = standard.FClose(file);
    if (result != 0) failed = true;
    return result;
}

SAHooks WritingShapeHooks(const SAHooks* under)
{
    if (under) standard = *under;
    else SASetupDefaultHooks(&standard);
    failed = false;
    SAHooks io = standard;
    io.FWrite = NotedWrite;
    io.FSeek = NotedSeek;
    io.FFlush = NotedFlush;
    io.FClose = NotedClose;
    return io;
}

int ShapeWritesFailed() { return failed ? 1 : 0; }
