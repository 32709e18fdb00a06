// TerraScan project files (".prj", read only): a "[TerraScan project]" text
// with key=value lines and "Block <path>" lines followed by the tile's corners.
#pragma once

struct Project;

extern const char kTScanHeader[];
extern const char kTScanOpenFailed[];
extern const char kTScanFormatNotSupported[];
extern const char kTScanNoTiles[];

int      ChooseTScanProject(char* path, char* title);
// A new, unsaved project, or null after a message.
Project* ReadTScanProject(const char* path, const char* title);
