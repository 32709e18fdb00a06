// ASCII point files: delimited text, one point per line, with the columns
// mapped by the process-wide ASCII field list.
#pragma once
#include <cstdint>

struct DataSet;
struct ImportFieldList;

// The column format of ASCII loads and the fields still free; both null
// until the "Load ASCII Format" dialog first opens, then kept for the run.
extern ImportFieldList* asciiFieldList;
extern ImportFieldList* asciiAvailableFields;

// Texts of the loader's reports (after the file's title).
extern const char kASCIIOpenFailed[];
extern const char kASCIIParseFailed[];
extern const char kASCIIValueRefused[];   // the line number of a coordinate no point can hold

DataSet* LoadASCIIData(const char* path, const char* title, int askFormat);
DataSet* ReadASCIIPoints(const char* path, const char* title);
// The same with a given decimation step; 0 takes the step from the memory estimate.
DataSet* ReadASCIIPointsDecimated(const char* path, const char* title, uint32_t step);

// 1 when the file's first lines hold a numeric column and no binary bytes;
// else tells the user (with the title) and returns 0.
int CheckASCIIPointFile(const char* path, const char* title);

// atof and atoi as the loader reads columns (a field that is no number is 0).
double ParseReal(const char* text);
// The number at the start of a field (blanks skipped) into `value`; false,
// with `value` 0, when the field holds no number.
bool   ParseRealField(const char* text, double* value);
int    ParseInteger(const char* text);
