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
extern const char kASCIILeftOutLine[];    // the log line counting lines with a field that is no number
extern const char kASCIIControlLine[];    // the log line counting lines with a control byte, naming the first
extern const char kASCIIControlRefused[]; // the first line with a control byte, when most lines hold one

DataSet* LoadASCIIData(const char* path, const char* title, int askFormat);
DataSet* ReadASCIIPoints(const char* path, const char* title);
// The same with a given decimation step; 0 takes the step from the memory estimate.
DataSet* ReadASCIIPointsDecimated(const char* path, const char* title, uint32_t step);

// What the first lines of a file say about it: text starts with no UTF-16
// or UTF-32 byte-order mark (TEXT_NOT_PLAIN) and keeps control bytes (other
// than tabs; the NUL bytes of wide text among them) off most of its lines
// (TEXT_DAMAGED, the first such line in `firstDamagedLine`). A stray one
// spoils only its own line.
enum TextFileCheck { TEXT_UNOPENED, TEXT_NOT_PLAIN, TEXT_DAMAGED, TEXT_NO_NUMBER, TEXT_POINTS };
TextFileCheck CheckTextFile(const char* path, int64_t* firstDamagedLine = nullptr);
// 1 when the file's first lines hold a numeric column and no binary bytes;
// else tells the user (with the title) and returns 0.
int CheckASCIIPointFile(const char* path, const char* title);

// atof and atoi as the loader reads columns (a field that is no number is 0).
double ParseReal(const char* text);
int    ParseInteger(const char* text);
// Whether the whole field, blanks around it allowed, is a finite decimal
// number, and its value: "0x7a120", "12x", "red" and "nan" are none.
bool   ReadDecimalField(const char* text, double* value);
// As ReadDecimalField, but a blank field other than X, Y or Z reads as 0.
bool   ReadFieldValue(const char* text, int32_t code, double* value);
