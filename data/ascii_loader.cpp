// Loading delimited text files into point data sets: a checking pass that
// counts usable lines and finds a header line, then a loading pass.
#include "data/ascii_loader.h"
#include "data/ascii_format_dialog.h"
#include "data/data_set.h"
#include "data/decimation.h"
#include "data/las_loader.h"
#include "data/point_load.h"
#include "data/import_fields.h"
#include "base/text_lines.h"
#include "base/shell_hooks.h"
#include "base/dialogs.h"
#include "base/file_list.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/progress.h"
#include "data/gdal_grid.h"
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

ImportFieldList* asciiFieldList;
ImportFieldList* asciiAvailableFields;

const char kASCIIOpenFailed[] = "\nUnable to open file for reading!\n";
const char kASCIIParseFailed[] = "\nUnable to read and parse file!\n";
const char kASCIIValueRefused[] = "\nLine %lld holds a coordinate that is not a finite number or is out of range!\n";
const char kASCIILeftOutLine[] = "Lines with a field that is not a number left out:  %lld";
const char kASCIIControlLine[] = "Lines holding a control byte left out:  %lld (the first is line %lld)";
const char kASCIINotTextFormat[] = "Not a text file: control bytes on %d of its first %d lines!";
const char kASCIINotTextWholeFormat[] = "Not a text file: control bytes on %d of its %d lines!";
const char kASCIIControlRefused[] =
    "\nNot a text file: control bytes on %lld of its %lld lines, and no other line holds a point!\n";
const char kASCIIWideText[] =
    "The file is UTF-16 or UTF-32 text (it starts with a byte-order mark): save it as UTF-8 or ANSI text!";
const char kASCIILinesLostFormat[] = "\n%lld of its %lld lines left out:\n";

constexpr int kLinesPerStep = 4096;

static const char* SkipBlanks(const char* p)
{
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n' || *p == '\v' || *p == '\f') p++;
    return p;
}

// A coordinate field as ParseReal reads it (0 when it is no number); false
// when it is written as a number that no point can hold: NaN, infinity,
// beyond a double (ParseReal would give 0) or beyond the map.
// A coordinate field, read once: 1 a whole decimal number on the map; 0 no
// number (its line is left out; the value is what leads the field, 0 for a
// word, so that a header line of words is still known); -1 a number beyond
// any map, which refuses the file.
static int ReadCoordinate(const char* text, double* value)
{
    const char* p = SkipBlanks(text);
    if (*p == '+') p++;
    double v = 0;
    std::from_chars_result r = std::from_chars(p, p + strlen(p), v);
    if (r.ec == std::errc::result_out_of_range) return -1;
    *value = r.ec == std::errc() ? v : 0.0;
    if (!(std::fabs(*value) <= kMaxGridCoordinate)) return -1;
    return r.ec == std::errc() && *SkipBlanks(r.ptr) == 0 ? 1 : 0;
}

bool ReadDecimalField(const char* text, double* value)
{
    const char* p = SkipBlanks(text);
    if (*p == '+') p++;
    *value = 0;
    const char* end = p + strlen(p);
    std::from_chars_result r = std::from_chars(p, end, *value);
    if (r.ec != std::errc() || !std::isfinite(*value) || *SkipBlanks(r.ptr) != 0) {
        *value = 0.0;
        return false;
    }
    return true;
}

bool ReadFieldValue(const char* text, int32_t code, double* value)
{
    if (code > FIELD_Z && !*SkipBlanks(text)) {
        *value = 0.0;
        return true;
    }
    return ReadDecimalField(text, value);
}

double ParseReal(const char* text)
{
    const char* p = SkipBlanks(text);
    if (*p == '+') p++;
    double value = 0;
    std::from_chars_result r = std::from_chars(p, p + strlen(p), value);
    return r.ec == std::errc() ? value : 0.0;
}

int ParseInteger(const char* text)
{
    const char* p = SkipBlanks(text);
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') p++;
    int64_t value = 0;
    while (*p >= '0' && *p <= '9') {
        if (value < ((int64_t)1 << 40)) value = value * 10 + (*p - '0');
        p++;
    }
    return (int)(uint32_t)(uint64_t)(negative ? -value : value);
}

static void ReportWithTitle(const char* title, const char* text)
{
    char message[700];
    snprintf(message, sizeof message, "%s%s", title, text);
    ErrorMessage(message);
}

// A refusal that names a line: `format` holds one %lld.
static void ReportLineWithTitle(const char* title, const char* format, int64_t line)
{
    char text[200];
    snprintf(text, sizeof text, format, (long long)line);
    ReportWithTitle(title, text);
}

bool ManyLinesLeftOut(int64_t leftOut, int64_t lines)
{
    return leftOut > 10 || (leftOut > 3 && leftOut * 100 > lines);
}

// --- the column format in force ------------------------------------------------------

struct ColumnFormat {
    const ImportFieldList* fields;  // null: X, Y, Z in the first three columns
    int  m;                         // columns a line needs
    int  xColumn, yColumn, zColumn;
    char delimiters[2];
    int32_t codes[kMaxSplitFields];
};

static void TakeFormat(ColumnFormat* f)
{
    f->fields = asciiFieldList;
    f->delimiters[0] = DelimiterOf(f->fields ? f->fields->delimiter : kDelimiterSpace);
    f->delimiters[1] = 0;
    if (!f->fields) {
        f->m = 3;
        for (int i = 0; i < 3; i++) f->codes[i] = i;
    } else {
        f->m = f->fields->count < kMaxSplitFields ? f->fields->count : kMaxSplitFields;
        for (int i = 0; i < f->m; i++) f->codes[i] = f->fields->entries[i] ? f->fields->entries[i]->code : FIELD_SKIP;
    }
    f->xColumn = f->yColumn = f->zColumn = -1;
    for (int i = 0; i < f->m; i++) {
        if (f->codes[i] == FIELD_X) f->xColumn = i;
        if (f->codes[i] == FIELD_Y) f->yColumn = i;
        if (f->codes[i] == FIELD_Z) f->zColumn = i;
    }
}

static bool IsCoordinate(int32_t code) { return code == FIELD_X || code == FIELD_Y || code == FIELD_Z; }

static bool IsStored(int32_t code)
{
    return (code >= FIELD_INTENSITY && code <= FIELD_RETURN_COUNT) || code == FIELD_CLASSIFICATION ||
           code == FIELD_SOURCE_ID || (code >= FIELD_RED && code <= FIELD_BLUE);
}

// Whether a field other than a coordinate is a decimal number: "0x7a120" or
// "red" would be stored as a 0 the file does not hold. A blank field holds no
// value and reads as 0, as a blank table cell does. Plain whole numbers, what
// these columns nearly always hold, are known without a full parse.
static bool FieldIsNumber(const char* text, int32_t code)
{
    const char* p = SkipBlanks(text);
    if (*p == '-' || *p == '+') p++;
    if (*p >= '0' && *p <= '9') {
        while (*p >= '0' && *p <= '9') p++;
        if (!*SkipBlanks(p)) return true;
    }
    double value;
    return ReadFieldValue(text, code, &value);
}

static bool OtherFieldsAreNumbers(char** fields, const ColumnFormat& f)
{
    for (int i = 0; i < f.m; i++)
        if (IsStored(f.codes[i]) && !FieldIsNumber(fields[i], f.codes[i])) return false;
    return true;
}

// --- the two passes --------------------------------------------------------------------

struct CheckResult {
    int64_t lines;     // counted points
    bool    header;    // the first line is a header line
    double  minX, maxX, minY, maxY;
    float   minZ, maxZ;
    bool    readFailed;  // the file could not be read to its end
    int64_t badLine;     // the first line with an unusable coordinate, 0 when none
    int64_t leftOut;     // lines with a field that is no number
    int64_t controlLines, firstControlLine;   // damaged lines left out, and the first of them
    int64_t fileLines;   // every line read, blank ones too
};

static uint32_t EstimatedLines(TextLines* reader)
{
    char line[kTextPieceChars + 1];
    int longest = 0;
    for (int i = 0; i < 4; i++) {
        int n = NextTextLine(reader, line);
        if (n < 0) break;
        if (n + 1 > longest) longest = n + 1;  // the line end it had
    }
    int64_t size = TextLinesFileSize(reader);
    RewindTextLines(reader);
    if (longest == 0 || size <= 0) return 0;
    int64_t estimate = size / longest;
    return estimate > 0x7FFFFFFF ? 0x7FFFFFFFu : (uint32_t)estimate;
}

static void CheckingPass(TextLines* reader, const ColumnFormat& f, CheckResult* out)
{
    *out = {};
    out->minX = out->minY = 3.37e38;
    out->maxX = out->maxY = -3.37e38;
    out->minZ = 3.37e38f;
    out->maxZ = -3.37e38f;
    StartProgress(EstimatedLines(reader) / kLinesPerStep + 1, "Checking File");
    char line[kTextPieceChars + 1];
    char* fields[kMaxSplitFields + 1];
    int64_t lineNumber = 0;
    int n;
    while ((n = NextTextLine(reader, line)) >= 0) {
        lineNumber++;
        if (lineNumber % kLinesPerStep == 0) StepProgress();
        if (TextLineHasControlByte(line, n)) {
            if (!out->controlLines++) out->firstControlLine = lineNumber;
            continue;
        }
        if (SplitFields(line, fields, f.delimiters) < f.m) continue;
        double x = 0, y = 0, z = 0;
        int rx = ReadCoordinate(fields[f.xColumn], &x);
        int ry = rx < 0 ? -1 : ReadCoordinate(fields[f.yColumn], &y);
        int rz = ry < 0 ? -1 : ReadCoordinate(fields[f.zColumn], &z);
        if (rz < 0) {
            out->badLine = lineNumber;
            break;
        }
        if (x == 0 && y == 0 && z == 0 && lineNumber == 1) {
            out->header = true;
            continue;
        }
        if (!rx || !ry || !rz || !OtherFieldsAreNumbers(fields, f)) {
            out->leftOut++;
            continue;
        }
        out->lines++;
        if (x < out->minX) out->minX = x;
        if (x > out->maxX) out->maxX = x;
        if (y < out->minY) out->minY = y;
        if (y > out->maxY) out->maxY = y;
        if ((float)z < out->minZ) out->minZ = (float)z;
        if ((float)z > out->maxZ) out->maxZ = (float)z;
    }
    out->fileLines = lineNumber;
    out->readFailed = TextLinesFailed(reader) != 0;
    RewindTextLines(reader);
    EndProgress();
}

static uint8_t ColourByte(const char* text)
{
    int v = ParseInteger(text);
    return (uint8_t)(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Reads the first m fields of a line into a point by their codes (the line
// has at least m), each field once: false, and the line is left out, when a
// field the point keeps is no number.
static bool ReadPoint(PointRecord* p, char** fields, const ColumnFormat& f)
{
    uint32_t returnNumber = 1, returnCount = 1;
    for (int i = 0; i < f.m; i++) {
        const char* t = fields[i];
        int32_t code = f.codes[i];
        double value = 0;
        if (IsCoordinate(code)) {
            if (!ReadDecimalField(t, &value)) return false;
        } else if (IsStored(code) && !FieldIsNumber(t, code)) {
            return false;
        }
        switch (code) {
        case FIELD_X: p->x = value; break;
        case FIELD_Y: p->y = value; break;
        case FIELD_Z: p->z = (float)value; break;
        case FIELD_INTENSITY: p->intensity = (uint16_t)ParseInteger(t); break;
        case FIELD_RETURN_NUMBER: returnNumber = (uint32_t)ParseInteger(t) & 7u; break;
        case FIELD_RETURN_COUNT: returnCount = (uint32_t)ParseInteger(t) & 7u; break;
        case FIELD_CLASSIFICATION: p->classification = (uint8_t)ParseInteger(t); break;
        case FIELD_SOURCE_ID: p->pointSourceId = (uint16_t)ParseInteger(t); break;
        case FIELD_RED: p->red = ColourByte(t); break;
        case FIELD_GREEN: p->green = ColourByte(t); break;
        case FIELD_BLUE: p->blue = ColourByte(t); break;
        default: break;  // skipped columns
        }
    }
    p->returns = MakeReturnByte(returnNumber, returnCount);
    return true;
}

static void LoadingPass(TextLines* reader, const ColumnFormat& f, bool header, uint32_t step, DataSet* set)
{
    StartProgress((unsigned)(set->pointCount / kLinesPerStep + 1), "Loading File");
    char line[kTextPieceChars + 1];
    char* fields[kMaxSplitFields + 1];
    uint8_t classSeen[256] = {};
    int32_t filled = 0;
    int64_t k = 0, lineNumber = 0;
    int n;
    while ((n = NextTextLine(reader, line)) >= 0) {
        lineNumber++;
        if (lineNumber % kLinesPerStep == 0) StepProgress();
        if (header && lineNumber == 1) continue;
        if (TextLineHasControlByte(line, n) || SplitFields(line, fields, f.delimiters) < f.m) continue;
        PointRecord point = {};
        if (!ReadPoint(&point, fields, f)) continue;
        int64_t index = k++;
        if ((step > 1 && index % step != 0) || filled >= set->pointCount) continue;
        set->points[filled++] = point;
        classSeen[point.classification] = 1;
    }
    // A file that changed between the passes may give fewer lines.
    set->pointCount = set->filePointCount = filled;
    for (uint8_t seen : classSeen) set->classCount += seen;
    EndProgress();
}

DataSet* ReadASCIIPointsDecimated(const char* path, const char* title, uint32_t step)
{
    ColumnFormat format;
    TakeFormat(&format);
    TextLines* reader = OpenTextLines(path);
    if (!reader) {
        ReportWithTitle(title, kASCIIOpenFailed);
        return nullptr;
    }
    CheckResult check;
    CheckingPass(reader, format, &check);
    if (check.badLine > 0) {
        ReportLineWithTitle(title, kASCIIValueRefused, check.badLine);
        CloseTextLines(reader);
        return nullptr;
    }
    // Every line that might have been a point holds a control byte: damaged
    // text, not text without points.
    if (check.lines == 0 && check.leftOut == 0 && check.controlLines > 0 && !check.readFailed) {
        char text[200];
        snprintf(text, sizeof text, kASCIIControlRefused, (long long)check.controlLines, (long long)check.fileLines);
        ReportWithTitle(title, text);
        CloseTextLines(reader);
        return nullptr;
    }
    // A read error is not the end of the file: a partial set would pass for the whole.
    if (check.lines == 0 || check.readFailed) {
        ReportWithTitle(title, kASCIIParseFailed);
        CloseTextLines(reader);
        return nullptr;
    }
    uint32_t s = step ? step : AskMemoryDecimationStep((uint64_t)check.lines, title);
    if (s == 0) {
        CloseTextLines(reader);
        return nullptr;
    }
    int64_t count = check.lines;
    if (s > 1 && count / s > 0) count /= s;
    else s = 1;  // a step beyond the line count would keep nothing
    DataSet* set = AllocDataSet();
    if (!set) {
        CloseTextLines(reader);
        return nullptr;
    }
    set->source = SOURCE_ASCII;
    set->kind = DATA_ASCII;
    set->plainSource = 1;
    snprintf(set->path, sizeof set->path, "%s", path);
    snprintf(set->title, sizeof set->title, "%s", title);
    set->filePointCount = set->pointCount = count > 0x7FFFFFFF ? 0x7FFFFFFF : (int32_t)count;
    set->decimated = s > 1;
    set->points = (PointRecord*)NBLCalloc((uint64_t)set->pointCount, sizeof(PointRecord));
    if (!set->points) {
        ReportLoadAllocationFailure((double)set->pointCount * sizeof(PointRecord));
        FreeDataSet(set);
        CloseTextLines(reader);
        return nullptr;
    }
    set->minX = check.minX;
    set->maxX = check.maxX;
    set->minY = check.minY;
    set->maxY = check.maxY;
    set->minZ = check.minZ;
    set->maxZ = check.maxZ;
    LoadingPass(reader, format, check.header, s, set);
    bool readFailed = TextLinesFailed(reader) != 0;
    CloseTextLines(reader);
    if (readFailed) {
        ReportWithTitle(title, kASCIIParseFailed);
        FreeDataSet(set);
        return nullptr;
    }
    set->saved = 1;
    char line[300];
    snprintf(line, sizeof line, "Total Points:  %d", set->pointCount);
    LogMessage(line);
    // Why lines were left out, for the log and, when they were many, the box.
    char why[600] = "";
    if (check.leftOut > 0) {
        snprintf(line, sizeof line, kASCIILeftOutLine, (long long)check.leftOut);
        LogMessage(line);
        snprintf(why, sizeof why, "%s\n", line);
    }
    if (check.controlLines > 0) {
        snprintf(line, sizeof line, kASCIIControlLine, (long long)check.controlLines,
                 (long long)check.firstControlLine);
        LogMessage(line);
        snprintf(why + strlen(why), sizeof why - strlen(why), "%s\n", line);
    }
    snprintf(line, sizeof line, "[LOAD]  %s", set->title);
    LogMessage(line);
    int64_t leftOut = check.leftOut + check.controlLines;
    if (ManyLinesLeftOut(leftOut, check.fileLines)) {
        char text[1000];
        int n = snprintf(text, sizeof text, "%s", title);
        n += snprintf(text + n, sizeof text - n, kASCIILinesLostFormat, (long long)leftOut, (long long)check.fileLines);
        snprintf(text + n, sizeof text - n, "%s", why);
        WarningMessage(text);
    }
    return set;
}

DataSet* ReadASCIIPoints(const char* path, const char* title) { return ReadASCIIPointsDecimated(path, title, 0); }

// --- recognising text point files ---------------------------------------------------

static bool IsNumberField(const char* text, const char* end)
{
    if (text < end && (*text == '+' || *text == '-')) text++;
    double value;
    std::from_chars_result r = std::from_chars(text, end, value);
    return r.ec == std::errc() && r.ptr == end;
}

// A UTF-16 mark (FF FE or FE FF) leads UTF-32 marks too.
static bool WideTextMark(const char* line, int n)
{
    const unsigned char* b = (const unsigned char*)line;
    return n >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF));
}

TextFileCheck CheckTextFile(const char* path, TextLinesLooked* looked)
{
    TextLines* reader = OpenTextLines(path);
    if (!reader) return TEXT_UNOPENED;
    char line[kTextPieceChars + 1];
    bool numeric = false, wide = false;
    // Empty lines are no evidence either way: the verdict, and what it says, counts the others.
    int read = 0, lines = 0, damaged = 0, n;
    while (read < kTextCheckLines && (n = NextTextLine(reader, line)) >= 0) {
        if (++read == 1) wide = WideTextMark(line, n);
        if (n > 0) lines++;
        if (TextLineHasControlByte(line, n)) {
            damaged++;
            continue;
        }
        if (numeric) continue;
        const char* p = line;
        while (*p == ' ' || *p == '\t' || *p == ',') p++;
        const char* end = p;
        while (*end && *end != ' ' && *end != '\t' && *end != ',' && *end != ';') end++;
        numeric = end > p && IsNumberField(p, end);
    }
    // Whether those were all of its lines; a failed read is no end of the file.
    bool whole = read < kTextCheckLines || NextTextLine(reader, line) < 0;
    whole = whole && !TextLinesFailed(reader);
    CloseTextLines(reader);
    if (looked) {
        looked->lines = lines;
        looked->damaged = damaged;
        looked->whole = whole;
    }
    // Binary data and wide text put control bytes on most lines; a stray
    // byte in text spoils only its own line, which the reading leaves out.
    if (wide) return TEXT_NOT_PLAIN;
    if ((damaged >= 2 && 2 * damaged > lines) || (damaged > 0 && damaged == lines)) return TEXT_DAMAGED;
    return numeric ? TEXT_POINTS : TEXT_NO_NUMBER;
}

void NotTextReason(TextFileCheck check, const TextLinesLooked& looked, char* text, size_t size)
{
    if (check == TEXT_NOT_PLAIN) snprintf(text, size, "%s", kASCIIWideText);
    else
        snprintf(text, size, looked.whole ? kASCIINotTextWholeFormat : kASCIINotTextFormat, looked.damaged,
                 looked.lines);
}

int CheckASCIIPointFile(const char* path, const char* title)
{
    TextLinesLooked looked;
    TextFileCheck check = CheckTextFile(path, &looked);
    if (check == TEXT_POINTS) return 1;
    if (check == TEXT_NOT_PLAIN || check == TEXT_DAMAGED) {
        char reason[300], text[sizeof reason + 2];
        NotTextReason(check, looked, reason, sizeof reason);
        snprintf(text, sizeof text, "\n%s\n", reason);   // the box's layout: the title on a line of its own
        ReportWithTitle(title, text);
    } else {
        ReportWithTitle(title, check == TEXT_UNOPENED ? kASCIIOpenFailed : kASCIIParseFailed);
    }
    return 0;
}

// --- the loader with its format dialog ------------------------------------------------

DataSet* LoadASCIIData(const char* path, const char* title, int askFormat)
{
    if (!CheckASCIIPointFile(path, title)) return nullptr;
    FileList list = {};
    AddFileListEntry(&list, path, title);
    if (list.count == 0) return nullptr;
    list.entries[0]->kind = DATA_ASCII;
    if (askFormat && ShowDialog(IDD_ASCII_FORMAT, MessageOwner(), LoadASCIIFormatDlgProc, (LPARAM)&list) != IDOK) {
        ClearFileList(&list);
        return nullptr;
    }
    RepaintFrame();
    HCURSOR old = SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    DataSet* set = list.count > 0 ? ReadASCIIPoints(list.entries[0]->path, list.entries[0]->title) : nullptr;
    SetCursor(old);
    ClearFileList(&list);
    return set;
}
