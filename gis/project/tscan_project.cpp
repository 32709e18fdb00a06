// Reading TerraScan project files into a new project.
#include "gis/project/tscan_project.h"
#include "gis/project/project.h"
#include "app/app_windows.h"
#include "base/file_dialog.h"
#include "base/file_io.h"
#include "base/messages.h"
#include "base/paths.h"
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

const char kTScanHeader[] = "[TerraScan project]";
const char kTScanOpenFailed[] = "Unable to open %s";
const char kTScanFormatNotSupported[] = "%s format not supported";
const char kTScanNoTiles[] = "No tiles found in %s";

static const int kLineChars = 254;   // 253 characters and the terminator

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

static ProjectTile* TileOf(const char* path, const std::vector<RingVertex>& corners)
{
    ProjectTile* t = NewProjectTile((int32_t)corners.size());
    if (!t) return nullptr;
    snprintf(t->path, sizeof t->path, "%s", path);
    snprintf(t->name, sizeof t->name, "%s", GetPathFileName(path));
    memcpy(t->boundary->contour[0].vertex, corners.data(), corners.size() * sizeof(RingVertex));
    SetTileBoundsFromRing(t);
    return t;
}

Project* ReadTScanProject(const char* path, const char* title)
{
    LineReader* reader = OpenLineReader(path);
    if (!reader) {
        Report(kTScanOpenFailed, title);
        return nullptr;
    }
    std::vector<std::string> lines;
    char buffer[kLineChars];
    while (ReadLine(reader, buffer, sizeof buffer)) lines.push_back(buffer);
    CloseLineReader(reader);
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
    for (const std::string& line : lines)
        if (const char* description = ValueOf(line, "Description")) {
            snprintf(p->description, sizeof p->description, "%s", description);
            break;
        }
    for (const std::string& line : lines)
        if (const char* directory = ValueOf(line, "Directory")) {
            size_t n = strlen(directory);
            if (n + 2 <= kPathChars)
                snprintf(p->dataFolder, sizeof p->dataFolder, "%s%s", directory,
                         n > 0 && directory[n - 1] == '\\' ? "" : "\\");
            break;
        }
    for (size_t i = 0; i < lines.size(); i++) {
        const char* tilePath = BlockPath(lines[i]);
        if (!tilePath) continue;
        std::vector<RingVertex> corners;
        size_t k = i + 1;
        for (; k < lines.size(); k++) {
            RingVertex v;
            if (sscanf(lines[k].c_str(), "%lf %lf", &v.x, &v.y) != 2) break;
            corners.push_back(v);
        }
        i = k - 1;   // the line that ended the corners may begin the next block
        // A block without a path or without an area names no tile.
        if (!tilePath[0] || strlen(tilePath) >= kPathChars || corners.size() < 3) continue;
        ProjectTile* t = TileOf(tilePath, corners);
        if (t && !AddProjectTile(p, t)) FreeProjectTile(t);
    }
    if (p->tileCount == 0) {
        FreeProject(p);
        Report(kTScanNoTiles, title);
        return nullptr;
    }
    SetProjectBoundsFromTiles(p);
    if (!p->dataFolder[0]) snprintf(p->dataFolder, sizeof p->dataFolder, "%s", GetPathDirectory(p->tiles[0]->path));
    p->saved = 0;
    return p;
}
