// Radar height sets: the header keys, the big-endian binaries and the loader.
#include "data/radar_grid.h"
#include "data/data_set.h"
#include "data/gdal_grid.h"
#include "data/magnitude.h"
#include "base/shell_hooks.h"
#include "base/file_io.h"
#include "base/text_lines.h"
#include "base/heap.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/polygon.h"
#include "base/progress.h"
#include <windows.h>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

const char kRadarUnableToOpen[] = "Unable to open %s for reading!";
const char kRadarTypeMissing[] = "Header file \"Data file type\" not found!";
const char kRadarDimensionsMissing[] = "Header file \"Data file dimensions\" not found!";
const char kRadarSpacingMissing[] = "Header file \"Post Spacing\" not found!";
const char kRadarCornerMissing[] = "Header file \"Starting corner position\" not found!";
const char kRadarZoneMissing[] = "Header file \"UTM Zone\" not found!";
const char kRadarPegMissing[] = "Header file \"Peg position\" not found!";
const char kRadarMemoryQuestion[] =
    "\nYou may not have enough memory to load this file!\n\nRequired:  %.1lf MB\nAvailable:  %.1lf MB\n\nGo ahead "
    "and load anyway?\n";
const char kRadarMagMissingQuestion[] = "\nUnable to open %s for reading!\n\nLoad DTE anyway?\n";
const char kRadarShortHeights[] = "%s is short or corrupt!";
const char kRadarCorruptMagnitudes[] = "%s appears corrupt!";
const char kRadarLineTooLong[] = "%s has a header line longer than 65535 characters (line %d)!";
const char kRadarReadFailed[] = "A read error stopped reading %s!";
const char kRadarVoidedLine[] = "Radar Heights Not A Number, Made Void:  %lld";

constexpr int kRowsPerRead = 256;

static void TrimTrailing(char* text)
{
    size_t n = strlen(text);
    while (n > 0 && isspace((unsigned char)text[n - 1])) text[--n] = 0;
}

bool MatchHeaderKey(const char* line, const char* key)
{
    const char* semicolon = strchr(line, ';');
    if (!semicolon) return false;
    const char* rest = semicolon + 1;
    while (*rest && isspace((unsigned char)*rest)) rest++;
    char part[256];
    size_t n = 0;
    for (; rest[n] && n < sizeof part - 1; n++) part[n] = (char)toupper((unsigned char)rest[n]);
    part[n] = 0;
    TrimTrailing(part);
    size_t length = strlen(part), keyLength = strlen(key);
    size_t shorter = length < keyLength ? length : keyLength;
    return strncmp(part, key, shorter) == 0;
}

namespace {

constexpr const char* kRequiredKeys[4] = {"DATA FILE TYPE", "DATA FILE DIMENSIONS", "POST SPACING",
                                          "STARTING CORNER POSITION"};

enum KeySearch { KEY_FOUND, KEY_MISSING, KEY_READ_FAILED, KEY_LINE_TOO_LONG };

// A header opened once and searched from its start for each key.
struct HeaderLines {
    TextLines*        reader;
    std::vector<char> text = std::vector<char>(kRadarLineChars + 1);
    int               longLine = 0;   // the number of a line beyond kRadarLineChars

    // The first line matching `key`, upper-cased and trimmed, into `line`.
    // A line too long to be read whole, or a failed read, ends the search:
    // the key might lie beyond it.
    KeySearch Find(const char* key, std::string* line)
    {
        RewindTextLines(reader);
        int n, number = 0;
        while ((n = NextWholeTextLine(reader, text.data(), (int)text.size())) != -1) {
            number++;
            if (n == kTextLineTooLong) {
                longLine = number;
                return KEY_LINE_TOO_LONG;
            }
            if (!MatchHeaderKey(text.data(), key)) continue;
            if (TextLinesFailed(reader)) break;   // the line may be cut by the failure
            for (char* c = text.data(); *c; c++) *c = (char)toupper((unsigned char)*c);
            TrimTrailing(text.data());
            *line = text.data();
            return KEY_FOUND;
        }
        return TextLinesFailed(reader) ? KEY_READ_FAILED : KEY_MISSING;
    }
};

// Whether the key part of a line (after its semicolon) spells the whole key:
// a line with nothing after its semicolon matches every key but names none.
bool NamesKey(const char* line, const char* key)
{
    const char* semicolon = strchr(line, ';');
    if (!semicolon) return false;
    const char* rest = semicolon + 1;
    while (*rest && isspace((unsigned char)*rest)) rest++;
    size_t n = strlen(key);
    for (size_t i = 0; i < n; i++)
        if (toupper((unsigned char)rest[i]) != key[i]) return false;   // a NUL ends it too
    return true;
}

}  // namespace

bool FindHeaderKey(const char* path, char* line, const char* key)
{
    HeaderLines header;
    header.reader = OpenTextLines(path);
    if (!header.reader) return false;
    std::string found;
    KeySearch r = header.Find(key, &found);
    CloseTextLines(header.reader);
    if (r != KEY_FOUND) return false;
    snprintf(line, 255, "%s", found.c_str());
    return true;
}

bool IsRadarHeaderFile(const char* path)
{
    TextLines* reader = OpenTextLines(path);
    if (!reader) return false;
    std::vector<char> text(kRadarLineChars + 1);
    bool matched[4] = {}, named = false;
    int n;
    while ((n = NextWholeTextLine(reader, text.data(), (int)text.size())) != -1) {
        if (n == kTextLineTooLong) continue;
        for (int k = 0; k < 4; k++) {
            if (!MatchHeaderKey(text.data(), kRequiredKeys[k])) continue;
            matched[k] = true;
            named = named || NamesKey(text.data(), kRequiredKeys[k]);
        }
        if (named || (matched[0] && matched[1] && matched[2] && matched[3])) break;
    }
    CloseTextLines(reader);
    // A header that names a key but lacks another is still a radar header:
    // its loader names the missing key rather than the text road taking its
    // values for points.
    return named || (matched[0] && matched[1] && matched[2] && matched[3]);
}

// The `count` numbers at the start of a key's line, each finite, followed by
// nothing but blanks up to the semicolon: "12x", "4.5.6" or a missing value
// is no value.
static bool ReadHeaderValues(const char* line, double* values, int count)
{
    const char* p = line;
    for (int i = 0; i < count; i++) {
        char* end = nullptr;
        values[i] = strtod(p, &end);
        if (end == p || !std::isfinite(values[i])) return false;
        if (*end && *end != ';' && !isspace((unsigned char)*end)) return false;
        p = end;
    }
    while (isspace((unsigned char)*p)) p++;
    return *p == ';';
}

static bool IsWholeNumber(double v, double low, double high) { return v >= low && v <= high && v == floor(v); }

static bool InMapRange(double v) { return std::isfinite(v) && fabs(v) <= kMaxGridCoordinate; }

static void ReportWithName(const char* format, const char* name)
{
    char text[600];
    snprintf(text, sizeof text, format, name);
    ErrorMessage(text);
}

// 1 and the key's line, 0 when no line holds the key, -1 after telling the
// user why the header cannot be read.
static int KeyLine(const DataSet* set, HeaderLines* header, const char* key, std::string* line)
{
    switch (header->Find(key, line)) {
    case KEY_FOUND: return 1;
    case KEY_MISSING: return 0;
    case KEY_READ_FAILED: ReportWithName(kRadarReadFailed, set->title); return -1;
    case KEY_LINE_TOO_LONG: break;
    }
    char text[600];
    snprintf(text, sizeof text, kRadarLineTooLong, set->title, header->longLine);
    ErrorMessage(text);
    return -1;
}

// A required key's line; false after telling the user (`missing` when no line holds it).
static bool RequiredKey(const DataSet* set, HeaderLines* header, const char* key, const char* missing,
                        std::string* line)
{
    int r = KeyLine(set, header, key, line);
    if (r == 0) ErrorMessage(missing);
    return r == 1;
}

static bool ReadHeaderKeys(DataSet* set, HeaderLines* header)
{
    // Every required key must hold values that convert whole and make sense
    // (the coordinate type is one the program knows): a header taken with a
    // default would place the grid wrongly without a word.
    std::string line;
    char type[256] = "";
    if (!RequiredKey(set, header, kRequiredKeys[0], kRadarTypeMissing, &line)) return false;
    if (sscanf(line.c_str(), "%255s", type) != 1 || (strcmp(type, "UTM") != 0 && strcmp(type, "SCH") != 0)) {
        ErrorMessage(kRadarTypeMissing);
        return false;
    }
    // Values are checked before anything is sized by them: a grid of no rows,
    // a spacing of 0 or a cell count beyond 32 bits is as good as no value.
    double values[3];
    if (!RequiredKey(set, header, kRequiredKeys[1], kRadarDimensionsMissing, &line)) return false;
    if (!ReadHeaderValues(line.c_str(), values, 2) || !IsWholeNumber(values[0], 1, INT32_MAX) ||
        !IsWholeNumber(values[1], 1, INT32_MAX) || values[0] * values[1] > kMaxRadarCells) {
        ErrorMessage(kRadarDimensionsMissing);
        return false;
    }
    int rows = (int)values[0], columns = (int)values[1];
    // The spacing must keep the whole grid on the map as well.
    double spacing = 0;
    if (!RequiredKey(set, header, kRequiredKeys[2], kRadarSpacingMissing, &line)) return false;
    if (!ReadHeaderValues(line.c_str(), &spacing, 1) || !(spacing >= kMinGridCellSize) ||
        !InMapRange(spacing * ((double)(rows > columns ? rows : columns) - 1))) {
        ErrorMessage(kRadarSpacingMissing);
        return false;
    }
    if (!RequiredKey(set, header, kRequiredKeys[3], kRadarCornerMissing, &line)) return false;
    if (!ReadHeaderValues(line.c_str(), values, 2) || !InMapRange(values[0]) || !InMapRange(values[1]) ||
        !InMapRange(values[0] - spacing * (rows - 1)) || !InMapRange(values[1] + spacing * (columns - 1))) {
        ErrorMessage(kRadarCornerMissing);
        return false;
    }
    set->rows = rows;
    set->columns = columns;
    set->cellSize = spacing;
    set->originY = values[0];   // northing first, then easting
    set->originX = values[1];
    if (!strcmp(type, "UTM")) {
        double zone = 0;
        int r = KeyLine(set, header, "UTM ZONE", &line);
        if (r < 0) return false;
        if (r == 1 && ReadHeaderValues(line.c_str(), &zone, 1) && IsWholeNumber(zone, -60, 60))
            set->radar.utmZone = (int)zone;
        else ErrorMessage(kRadarZoneMissing);
    } else {
        double peg[3];   // latitude, longitude and heading in degrees
        int r = KeyLine(set, header, "PEG POSITION", &line);
        if (r < 0) return false;
        if (r == 1 && ReadHeaderValues(line.c_str(), peg, 3) && fabs(peg[0]) <= 90 && fabs(peg[1]) <= 360 &&
            fabs(peg[2]) <= 360) {
            set->radar.pegLatitude = peg[0];
            set->radar.pegLongitude = peg[1];
            set->radar.pegHeading = peg[2];
            set->radar.sch = 1;
        } else {
            ErrorMessage(kRadarPegMissing);
        }
    }
    return true;
}

bool ReadRadarHeader(DataSet* set)
{
    HeaderLines header;
    header.reader = OpenTextLines(set->path);
    if (!header.reader) {
        ReportWithName(kRadarUnableToOpen, set->title);
        return false;
    }
    bool read = ReadHeaderKeys(set, &header);
    CloseTextLines(header.reader);
    return read;
}

double RadarMemoryNeeded(const DataSet* set) { return 8.0 * set->rows * (double)set->columns; }

void SwapBytes4(void* values, size_t count)
{
    uint8_t* b = (uint8_t*)values;
    for (size_t i = 0; i < count; i++, b += 4) {
        uint8_t t0 = b[0], t1 = b[1];
        b[0] = b[3];
        b[1] = b[2];
        b[2] = t1;
        b[3] = t0;
    }
}

static double AvailablePhysicalBytes()
{
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return 0;
    return (double)status.ullAvailPhys;
}

// Reads rows [first, first + count) of `columns` big-endian floats into
// `out`; false when the file ends early.
static bool ReadBigEndianRows(VFile f, float* out, int count, int columns)
{
    uint64_t want = (uint64_t)count * columns * sizeof(float), got = 0;
    if (!VFileRead(f, out, want, &got) || got < want) return false;
    SwapBytes4(out, (size_t)count * columns);
    return true;
}

static bool LoadMagnitudes(DataSet* set, VFile mag, const char* magTitle)
{
    const int rows = set->rows, columns = set->columns;
    set->magnitudes = (uint16_t**)Calloc2D(rows, columns, sizeof(uint16_t), "LoadRadarBinFile");
    float* buffer = (float*)Calloc((uint64_t)columns * kRowsPerRead, sizeof(float), "LoadRadarBinFile");
    if (!set->magnitudes || !buffer) {
        Free(buffer);
        EndProgress();
        ReportWithName(kGridNoMemory, set->title);
        return false;
    }
    double low = 3.37e38, high = -3.37e38;
    for (int pass = 0; pass < 2; pass++) {
        double k = MagnitudeStretchFactor(low, high);
        if (pass == 1) VFileSeek(mag, 0);
        for (int r = 0; r < rows; r += kRowsPerRead) {
            int n = rows - r < kRowsPerRead ? rows - r : kRowsPerRead;
            StepProgress();
            if (!ReadBigEndianRows(mag, buffer, n, columns)) {
                EndProgress();
                ReportWithName(kRadarCorruptMagnitudes, magTitle);
                Free(buffer);
                return false;
            }
            if (pass == 0) WidenMagnitudeLogRange(buffer, n * columns, &low, &high);
            else ScaleRadarMagnitude(buffer, set->magnitudes[r], n * columns, low, k);
        }
    }
    set->magnitudeRangeLow = set->magnitudeRangeHigh = 4.0;
    set->magnitudeFitLow = set->magnitudeFitHigh = 0;
    EndProgress();
    FitMagnitudeHistogram(set);
    Free(buffer);
    return true;
}

bool LoadRadarBinFile(DataSet* set)
{
    double needed = RadarMemoryNeeded(set), available = AvailablePhysicalBytes();
    if (available < needed) {
        char text[400];
        snprintf(text, sizeof text, kRadarMemoryQuestion, needed / 1048576.0, available / 1048576.0);
        if (ShowMessageBox(MessageOwner(), text, "Memory Warning!", MB_YESNO | MB_ICONWARNING) != IDYES)
            return false;
    }
    char dtePath[256], dteTitle[256], magPath[256], magTitle[256];
    snprintf(dtePath, sizeof dtePath, "%s", ReplaceExtension(set->path, ".dte"));
    snprintf(magPath, sizeof magPath, "%s", ReplaceExtension(set->path, ".mag"));
    snprintf(dteTitle, sizeof dteTitle, "%s", ReplaceExtension(set->title, ".dte"));
    snprintf(magTitle, sizeof magTitle, "%s", ReplaceExtension(set->title, ".mag"));

    VFile dte = dtePath[0] ? VFileOpenRead(dtePath) : nullptr;
    if (!dte) {
        ReportWithName(kRadarUnableToOpen, dteTitle);
        return false;
    }
    VFile mag = magPath[0] ? VFileOpenRead(magPath) : nullptr;
    if (!mag) {
        char text[600];
        snprintf(text, sizeof text, kRadarMagMissingQuestion, magTitle);
        if (ShowMessageBox(MessageOwner(), text, "Warning", MB_YESNO | MB_ICONWARNING) != IDYES) {
            VFileClose(dte);
            return false;
        }
    }
    const int rows = set->rows, columns = set->columns;
    set->minX = set->originX;
    set->maxX = set->originX + (columns - 1) * set->cellSize;
    set->maxY = set->originY;
    set->minY = set->originY - (rows - 1) * set->cellSize;
    set->radar.cellCount = rows * columns;
    StartProgress((unsigned)(3 * rows / 256 + 1), "Loading File");
    set->heights = (float**)Calloc2D(rows, columns, sizeof(float), "LoadRadarBinFile");
    set->mask = (uint8_t**)Calloc2D(rows, 2 * (uint64_t)columns, 1, "LoadRadarBinFile");
    if (!set->heights || !set->mask) {
        EndProgress();
        VFileClose(dte);
        VFileClose(mag);
        ReportWithName(kGridNoMemory, set->title);
        return false;
    }
    const float voidValue = VoidCellValue;
    double low = 3.37e38, high = -3.37e38;
    int64_t voided = 0;
    for (int r = 0; r < rows; r += kRowsPerRead) {
        int n = rows - r < kRowsPerRead ? rows - r : kRowsPerRead;
        StepProgress();
        if (!ReadBigEndianRows(dte, set->heights[r], n, columns)) {
            EndProgress();
            ReportWithName(kRadarShortHeights, dteTitle);
            VFileClose(dte);
            VFileClose(mag);
            return false;
        }
        float* h = set->heights[r];
        for (int64_t i = 0, end = (int64_t)n * columns; i < end; i++) {
            if (!std::isfinite(h[i])) {
                h[i] = voidValue;   // no height: a void cell, counted below
                voided++;
                continue;
            }
            if (h[i] == voidValue) continue;
            if (h[i] < low) low = h[i];
            if (h[i] > high) high = h[i];
        }
    }
    VFileClose(dte);
    if (voided > 0) {
        char line[120];
        snprintf(line, sizeof line, kRadarVoidedLine, (long long)voided);
        LogMessage(line);
    }
    set->minZ = (float)low;
    set->maxZ = (float)high;
    set->pointCount = rows * columns;
    if (!mag) {
        EndProgress();
        return true;
    }
    bool ok = LoadMagnitudes(set, mag, magTitle);
    VFileClose(mag);
    return ok;
}

DataSet* LoadDTEData(const char* path, const char* title)
{
    RepaintFrame();
    SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    DataSet* set = AllocDataSet();
    if (!set) return nullptr;
    set->source = SOURCE_RADAR;
    set->kind = DATA_RADAR;
    set->plainSource = 1;
    set->saved = 1;
    snprintf(set->path, sizeof set->path, "%s", path);
    snprintf(set->title, sizeof set->title, "%s", title);
    if (!ReadRadarHeader(set) || !LoadRadarBinFile(set)) {
        FreeDataSet(set);
        return nullptr;
    }
    if (!SetGridExtent(set)) {
        FreeDataSet(set);
        return nullptr;
    }
    return set;
}
