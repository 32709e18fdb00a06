// Radar height sets: a text header (".hdr") of "values ; KEY" lines naming a
// big-endian Float32 height file (".dte") and an optional magnitude file
// (".mag") with the same base name.
#pragma once
#include <cstddef>

struct DataSet;

// True when the file reads as text and holds the four keys every radar header
// has: "DATA FILE TYPE", "DATA FILE DIMENSIONS", "POST SPACING" and
// "STARTING CORNER POSITION"; or when it spells one of them out in full, so
// that a header lacking a key is refused by its loader naming the key.
bool IsRadarHeaderFile(const char* path);
// A line matches when the text after its first semicolon (leading blanks
// skipped, upper-cased, trailing blanks cut) and the key agree over the
// length of the shorter of the two. A line without a semicolon never matches.
bool MatchHeaderKey(const char* line, const char* key);
// Searches the header from its start for the first line matching the key and
// copies it, upper-cased and trimmed, to `line` (255 bytes, the line cut to
// fit); false when no line matches or the file cannot be read.
bool FindHeaderKey(const char* path, char* line, const char* key);

// Reads the header named by the set's path into its grid part; true when the
// four required keys gave sound values.
bool ReadRadarHeader(DataSet* set);
// Reads the ".dte" heights and ".mag" magnitudes next to the header.
bool LoadRadarBinFile(DataSet* set);
// A grid DataSet (kind 4) of the set, or null after telling the user.
DataSet* LoadDTEData(const char* path, const char* title);
// 8 bytes a cell: height, magnitude and mask.
double RadarMemoryNeeded(const DataSet* set);
// Reverses the byte order of each 4-byte value in place.
void SwapBytes4(void* values, size_t count);

// The longest header line read; a longer one refuses the header.
constexpr int kRadarLineChars = 65535;
// The largest grid a header may describe (cells are counted in 32 bits).
constexpr long long kMaxRadarCells = 0x7FFFFFFFLL;

extern const char kRadarUnableToOpen[];
extern const char kRadarTypeMissing[];
extern const char kRadarDimensionsMissing[];
extern const char kRadarSpacingMissing[];
extern const char kRadarCornerMissing[];
extern const char kRadarZoneMissing[];
extern const char kRadarPegMissing[];
extern const char kRadarMemoryQuestion[];
extern const char kRadarMagMissingQuestion[];
extern const char kRadarShortHeights[];
extern const char kRadarCorruptMagnitudes[];
extern const char kRadarLineTooLong[];   // with the header's title and the line's number
extern const char kRadarReadFailed[];    // with the header's title
extern const char kRadarVoidedLine[];    // the log line counting NaN or infinite heights made void
