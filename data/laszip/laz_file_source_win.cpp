// The LAZ reader's file access through the program's file layer, and the
// decoder thread count from the environment. Runs on the reading thread only.
#include <windows.h>
#include <cstdlib>
#include "base/file_io.h"
#include "data/laszip/laz_file_source.h"

namespace laz {

namespace {

class VFileSource : public LazSource {
public:
    VFileSource(VFile f, uint64_t size) : f_(f), size_(size) {}
    ~VFileSource() override { VFileClose(f_); }
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* buf, size_t n) override
    {
        if (offset > size_ || n > size_ - offset) return false;
        if (n == 0) return true;
        return VFileSeek(f_, offset) && VFileReadExact(f_, buf, n);
    }

private:
    VFile f_;
    uint64_t size_;
};

}  // namespace

std::unique_ptr<LazSource> OpenFileSource(const char* path)
{
    VFile f = VFileOpenRead(path);
    if (!f) return nullptr;
    int64_t size = VFileSize(f);
    if (size < 0) {
        VFileClose(f);
        return nullptr;
    }
    return std::unique_ptr<LazSource>(new VFileSource(f, (uint64_t)size));
}

unsigned DefaultDecoderThreads()
{
    char text[32];
    DWORD n = GetEnvironmentVariableA("VELKA_LAZ_THREADS", text, sizeof text);
    if (n > 0 && n < sizeof text) {
        int v = atoi(text);
        if (v > 0) return (unsigned)(v > 64 ? 64 : v);
    }
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    unsigned cores = (unsigned)si.dwNumberOfProcessors;
    if (cores < 1) cores = 1;
    return cores > 64 ? 64 : cores;
}

}  // namespace laz
