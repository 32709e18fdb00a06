// ASCII point files: delimited text, one point per line, with the columns
// mapped by the process-wide ASCII field list.
#pragma once
#include <cstddef>
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
// Not text, as a sentence each road frames in its own message (see
// NotTextReason): a UTF-16 or UTF-32 byte-order mark leads the file
// (kASCIIWideText), or most of the first kTextCheckLines lines hold a
// control byte: those lines and the lines looked at, of its first lines
// (kASCIINotTextFormat) or of all of them when the file ended there
// (kASCIINotTextWholeFormat).
extern const char kASCIIWideText[];
extern const char kASCIINotTextFormat[];
extern const char kASCIINotTextWholeFormat[];
// The load's refusal when every line that could hold a point holds a control
// byte: those lines and the file's lines.
extern const char kASCIIControlRefused[];
// The box after a load that left out more than a few lines: the lines left
// out and the file's lines, a heading that reads right for any count (as the
// import's end notice words its files), then the log lines that say why.
extern const char kASCIILinesLostFormat[];

DataSet* LoadASCIIData(const char* path, const char* title, int askFormat);
DataSet* ReadASCIIPoints(const char* path, const char* title);
// The same with a given decimation step; 0 takes the step from the memory estimate.
DataSet* ReadASCIIPointsDecimated(const char* path, const char* title, uint32_t step);

// What the first kTextCheckLines lines of a file say about it: text starts
// with no UTF-16 or UTF-32 byte-order mark (TEXT_NOT_PLAIN) and keeps control
// bytes (other than tabs; the NUL bytes of wide text among them) off most of
// its lines (TEXT_DAMAGED). A stray one spoils only its own line. `looked`
// gets what the verdict weighed.
constexpr int kTextCheckLines = 20;
struct TextLinesLooked {
    int lines = 0, damaged = 0;   // the lines looked at that are not empty, and those holding a control byte
    bool whole = false;           // they are all of the file's lines: it ends within kTextCheckLines
};
enum TextFileCheck { TEXT_UNOPENED, TEXT_NOT_PLAIN, TEXT_DAMAGED, TEXT_NO_NUMBER, TEXT_POINTS };
TextFileCheck CheckTextFile(const char* path, TextLinesLooked* looked = nullptr);
// Why a file CheckTextFile found TEXT_NOT_PLAIN or TEXT_DAMAGED is no text:
// the one sentence both the open and the import roads show.
void NotTextReason(TextFileCheck check, const TextLinesLooked& looked, char* text, size_t size);
// 1 when the file's first lines hold a numeric column and no binary bytes;
// else tells the user (with the title) and returns 0.
int CheckASCIIPointFile(const char* path, const char* title);

// Whether a read that left out `leftOut` of a file's `lines` lines lost more
// than a few: more than 10 lines, or more than 3 that are more than 1 % of
// them. Fewer (a header, comment or unit line, a stray damaged line) are told
// in the log alone, however small the file.
bool ManyLinesLeftOut(int64_t leftOut, int64_t lines);

// atof and atoi as the loader reads columns (a field that is no number is 0).
double ParseReal(const char* text);
int    ParseInteger(const char* text);
// Whether the whole field, blanks around it allowed, is a finite decimal
// number, and its value: "0x7a120", "12x", "red" and "nan" are none.
bool   ReadDecimalField(const char* text, double* value);
// As ReadDecimalField, but a blank field other than X, Y or Z reads as 0.
bool   ReadFieldValue(const char* text, int32_t code, double* value);
