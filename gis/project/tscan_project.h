// TerraScan project files (".prj", read only): a "[TerraScan project]" text
// with key=value lines and "Block <path>" lines followed by the tile's corners.
#pragma once

struct Project;

extern const char kTScanHeader[];
extern const char kTScanOpenFailed[];
extern const char kTScanFormatNotSupported[];
extern const char kTScanNoTiles[];
extern const char kTScanReadFailed[];    // with the file's title
extern const char kTScanLineTooLong[];   // line number, title, longest line
// Line number, title, longest path, the path's start: its first
// kTScanPathShown bytes, cut at a letter boundary.
extern const char kTScanPathTooLong[];
constexpr int kTScanPathShown = 80;
extern const char kTScanBadCorner[];     // block path, title

int      ChooseTScanProject(char* path, char* title);
// A new, unsaved project, or null after a message.
Project* ReadTScanProject(const char* path, const char* title);
