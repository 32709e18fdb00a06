// The program's own file access: Win32 file calls behind a few verbs, so the
// same code runs on Windows and under Wine. Paths are Win32 paths.
#pragma once
#include <cstdint>

typedef void* VFile;   // an open file; null when none

VFile   VFileOpenRead(const char* path);
VFile   VFileCreate(const char* path);       // create or truncate, for writing
VFile   VFileOpenUpdate(const char* path);   // existing file, read and write
int     VFileRead(VFile f, void* buffer, uint64_t bytes, uint64_t* got);  // 1 ok (got may be short at end)
int     VFileReadExact(VFile f, void* buffer, uint64_t bytes);            // 1 only when every byte came
int     VFileWrite(VFile f, const void* buffer, uint64_t bytes);          // 1 only when every byte went
int     VFileSeek(VFile f, uint64_t offset);
int64_t VFileSize(VFile f);
int     VFileClose(VFile f);                  // 1 when the close succeeded (null is fine)
int     VFileExists(const char* path);

// Tests: from the `nth` write on (1 the next one), writes through VFileWrite,
// the LAS library or the shapefile writers fail as on a full disk, until 0
// turns it off.
void    SetWriteFaultAt(int nth);
// 1 when the write about to be made is the one to fail (the disk-full error
// is then set).
int     TakeWriteFault();
// Tests: from the `nth` read on (1 the next one), reads through VFileRead
// fail as on a damaged disk or a lost network share, until 0 turns it off.
void    SetReadFaultAt(int nth);
// Tests: from the `nth` seek on, VFileSeek fails, until 0 turns it off.
void    SetSeekFaultAt(int nth);
