// Platform side of the LAZ reader: opening a file as a LazSource and the
// default number of decoding threads.
#pragma once
#include <memory>
#include "data/laszip/laz_reader.h"

namespace laz {
// Null if the file cannot be opened.
std::unique_ptr<LazSource> OpenFileSource(const char* path);
// VELKA_LAZ_THREADS if set (1 = no worker threads), else one per core.
unsigned DefaultDecoderThreads();
}  // namespace laz
