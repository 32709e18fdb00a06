// Reading TerraScan project files into a new project.
#include "gis/project/tscan_project.h"
#include "gis/project/project.h"
#include "app/app_windows.h"
#include "base/file_dialog.h"
#include "base/text_lines.h"
#include "data/gdal_grid.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/code_pages.h"
#include "base/stored_text.h"
#include "base/text.h"
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

const char kTScanHeader[] = "[TerraScan project]";
const char kTScanOpenFailed[] = "Unable to open %s";
const char kTScanFormatNotSupported[] = "%s format not supported";
const char kTScanNoTiles[] = "No tiles found in %s";
const char kTScanReadFailed[] = "A read error stopped reading %s";
const char kTScanLineTooLong[] = "Line %d of %s is longer than %d characters";
const char kTScanPathTooLong[] = "The block on line %d of %s names a path longer than %d characters:\n\n    %s...";
const char kTScanBadCorner[] = "Block %s of %s has a corner that is not a number or is out of range";

static const int kLineChars = 4095;   // the longest line read

int ChooseTScanProject(char* path, char* title)
{
    return ChooseOneFile(FrameWindow, "TScan files (*.prj) |*.prj|All files (*.*)|*.*|", "Import TScan Project File", 0, 0,
                         path, title);
}

static void Report(const char* format, const char* name)
{
    char text[600];
    snprintf(text, sizeof text, format, name);
    ErrorMessage(text);
}

// The value of "key=value" when the line's key is exactly `key`, else null.
static const char* ValueOf(const std::string& line, const char* key)
{
    size_t n = strlen(key);
    if (line.compare(0, n, key) != 0 || line.size() <= n || line[n] != '=') return nullptr;
    return line.c_str() + n + 1;
}

// The path of a "Block" line (the rest after the word), or null for another line.
static const char* BlockPath(const std::string& line)
{
    const char* s = line.c_str();
    while (*s == ' ' || *s == '\t') s++;
    if (strncmp(s, "Block", 5) != 0 || (s[5] != 0 && s[5] != ' ' && s[5] != '\t')) return nullptr;
    s += 5;
    while (*s == ' ' || *s == '\t') s++;
    return s;
}

static void ReportLine(const char* format, int line, const char* title, int limit, const char* start = "")
{
    char text[700];
    snprintf(text, sizeof text, format, line, title, limit, start);
    ErrorMessage(text);
}

// Every line of the file, with the letters of those the program shows with
// "?"; false after telling the user why it cannot be read whole.
static bool ReadLines(const char* path, const char* title, std::vector<std::string>* lines,
                      std::vector<std::string>* letters)
{
    TextLines* reader = OpenTextLines(path);
    if (!reader) {
        Report(kTScanOpenFailed, title);
        return false;
    }
    std::vector<char> buffer(kLineChars + 1);
    int n;
    while ((n = NextWholeTextLine(reader, buffer.data(), (int)buffer.size())) != -1) {
        if (n == kTextLineTooLong) {
            // A cut line would name a wrong tile or a wrong folder.
            ReportLine(kTScanLineTooLong, (int)lines->size() + 1, title, kLineChars);
            CloseTextLines(reader);
            return false;
        }
        lines->push_back(buffer.data());
    }
    bool failed = TextLinesFailed(reader) != 0;
    CloseTextLines(reader);
    if (failed) Report(kTScanReadFailed, title);
    // Paths in the system's code page find their files.
    std::vector<StoredText> read = ReadStoredTexts(*lines);
    for (size_t i = 0; i < read.size(); i++) {
        (*lines)[i] = read[i].shown;
        letters->push_back(read[i].letters);
    }
    return !failed;
}

// The two numbers a corner line starts with ("%lf %lf"), "nan" and "inf"
// among them so that such a corner is seen rather than ending the block.
static bool ReadCorner(const char* line, RingVertex* v)
{
    double* out[2] = {&v->x, &v->y};
    const char* p = line;
    const char* end = line + strlen(line);
    for (double* value : out) {
        while (*p == ' ' || *p == '\t') p++;
        if (*p == '+') p++;
        std::from_chars_result r = std::from_chars(p, end, *value);
        if (r.ec == std::errc::result_out_of_range) *value = HUGE_VAL;   // beyond a double is off the map
        else if (r.ec != std::errc()) return false;
        p = r.ptr;
    }
    return true;
}

static bool UsableCorner(const RingVertex& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::fabs(v.x) <= kMaxGridCoordinate &&
           std::fabs(v.y) <= kMaxGridCoordinate;
}

// What a parse of a shown line finds, with what the same parse finds in the
// line's letters; `found` is the shown line's result.
template <typename Parse>
static StoredText Found(const char* found, const std::string& letters, Parse parse)
{
    const char* inLetters = letters.empty() ? nullptr : parse(letters);
    return {found ? found : "", inLetters ? inLetters : ""};
}

// A path's folder or file name, its letters cut the same way.
static StoredText PathPart(const StoredText& path, const char* (*part)(const char*))
{
    StoredText p;
    p.shown = part(path.shown.c_str());
    if (!path.letters.empty()) p.letters = part(path.letters.c_str());
    return p;
}

static ProjectTile* TileOf(const StoredText& path, const std::vector<RingVertex>& corners)
{
    ProjectTile* t = NewProjectTile((int32_t)corners.size());
    if (!t) return nullptr;
    CopyStoredText(t->path, sizeof t->path, path);
    CopyStoredText(t->name, sizeof t->name, PathPart(path, GetPathFileName));
    memcpy(t->boundary->contour[0].vertex, corners.data(), corners.size() * sizeof(RingVertex));
    SetTileBoundsFromRing(t);
    return t;
}

Project* ReadTScanProject(const char* path, const char* title)
{
    std::vector<std::string> lines, letters;
    unsigned unshown = UnshownTextCount();
    if (!ReadLines(path, title, &lines, &letters)) return nullptr;
    if (lines.empty() || lines[0].compare(0, strlen(kTScanHeader), kTScanHeader) != 0) {
        Report(kTScanOpenFailed, title);
        return nullptr;
    }
    for (size_t i = 1; i < lines.size(); i++)
        if (const char* storage = ValueOf(lines[i], "Storage")) {
            if (strcmp(storage, "LAS") != 0) {
                Report(kTScanFormatNotSupported, storage);
                return nullptr;
            }
            break;
        }
    Project* p = NewProject();
    if (!p) return nullptr;
    auto description = [](const std::string& line) { return ValueOf(line, "Description"); };
    auto directory = [](const std::string& line) { return ValueOf(line, "Directory"); };
    for (size_t i = 0; i < lines.size(); i++)
        if (const char* found = description(lines[i])) {
            CopyStoredText(p->description, sizeof p->description, Found(found, letters[i], description));
            break;
        }
    for (size_t i = 0; i < lines.size(); i++)
        if (const char* found = directory(lines[i])) {
            size_t n = strlen(found);
            if (n + 2 <= kPathChars) {
                CopyStoredText(p->dataFolder, sizeof p->dataFolder, Found(found, letters[i], directory));
                if (n == 0 || found[n - 1] != '\\') AppendToField(p->dataFolder, sizeof p->dataFolder, "\\");
            }
            break;
        }
    for (size_t i = 0; i < lines.size(); i++) {
        const char* tilePath = BlockPath(lines[i]);
        if (!tilePath) continue;
        const size_t blockLine = i;   // the walk over its corners moves i on
        if (strlen(tilePath) >= kPathChars) {
            FreeProject(p);
            char start[kTScanPathShown + 1];
            CopyBounded(start, sizeof start, tilePath);   // whole letters: a lone lead byte reads as another
            ReportLine(kTScanPathTooLong, (int)i + 1, title, (int)kPathChars - 1, start);
            return nullptr;
        }
        std::vector<RingVertex> corners;
        bool usable = true;
        size_t k = i + 1;
        for (; k < lines.size(); k++) {
            RingVertex v;
            if (!ReadCorner(lines[k].c_str(), &v)) break;
            usable = usable && UsableCorner(v);
            corners.push_back(v);
        }
        // A corner that is no number would leave the tile without bounds.
        if (!usable) {
            char text[900];
            snprintf(text, sizeof text, kTScanBadCorner, tilePath, title);
            FreeProject(p);
            ErrorMessage(text);
            return nullptr;
        }
        i = k - 1;   // the line that ended the corners may begin the next block
        // A block without a path or without an area names no tile.
        if (!tilePath[0] || corners.size() < 3) continue;
        ProjectTile* t = TileOf(Found(tilePath, letters[blockLine], BlockPath), corners);
        if (t && !AddProjectTile(p, t)) FreeProjectTile(t);
    }
    if (p->tileCount == 0) {
        FreeProject(p);
        Report(kTScanNoTiles, title);
        return nullptr;
    }
    SetProjectBoundsFromTiles(p);
    if (!p->dataFolder[0]) {
        const ProjectTile* first = p->tiles[0];
        StoredText tilePath = {first->path, FieldKeepsLetters(first->path, sizeof first->path)
                                                ? FieldTextIn(first->path, sizeof first->path, CP_UTF8)
                                                : ""};
        CopyStoredText(p->dataFolder, sizeof p->dataFolder, PathPart(tilePath, GetPathDirectory));
    }
    NoteUnshownLetters(UnshownTextCount() - unshown);
    p->saved = 0;
    return p;
}
