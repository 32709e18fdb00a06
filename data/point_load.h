// What the LAS and LAZ loaders share: the decimation step, the new data set,
// its point array and the report of a load.
#pragma once
#include <cstdint>

struct DataSet;

// Settles the decimation step: 0 to give up (the user was told), else >= 1.
uint32_t ChooseDecimationStep(uint64_t count, const char* title);
// Tells the user how much a failed allocation of a load wanted.
void     ReportLoadAllocationFailure(double bytes);
// A new data set of `source` named after its file; null, after telling
// the user, when memory is short.
DataSet* NewLoadedDataSet(int32_t source, const char* path, const char* title);
// Allocates the point array, or tells the user how much it wanted.
bool     AllocatePoints(DataSet* set, uint64_t count);
// A file's extent as its header gives it.
struct HeaderExtent {
    double minX, maxX, minY, maxY, minZ, maxZ;
};
// Makes room for the points kept of the file's `n` at `*step` (a step that
// would keep none becomes 1), marks a decimated set and fills its counts, its
// class limit from the point `format` and its extent from the header. The
// number of points kept, or 0 after telling the user there was no room.
uint64_t StartLoadedPoints(DataSet* set, uint64_t n, uint32_t* step, int format, const HeaderExtent& extent);
// Asks whether the `has` points of a file whose header says `full` are to be
// loaded after a short read; `kind` names the file ("LAS" or "LAZ"). True on Yes.
bool     LoadShortReadAnyway(const char* title, const char* kind, uint64_t full, uint64_t has);
// The same short read as a failure, without the question: for a load that
// takes every point or none (a batch, which cannot answer).
void     ReportShortRead(const char* title, const char* kind, uint64_t full, uint64_t has);
// The text of a short read: the title, the kind, the header's count and the points there.
extern const char kShortReadFormat[];
// The message lines of a finished load: the point count and the title, then
// `note` when the file's header said something its points were read past
// (a record cut at them, records counted that are not there, an offset to
// point data inside a record).
void     ReportLoaded(const DataSet* set, const char* note = nullptr);
// The line of such a note: the title, then the note.
extern const char kLoadNoteFormat[];
