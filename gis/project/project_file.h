// The project file (".lep", a one-record dBASE table of the settings) and its
// tile index ("_tiles.shp" with "_tiles.dbf": one polygon and one record per tile).
#pragma once
#include <windows.h>

struct Project;

extern const char kProjectFileType[];
extern const char kProjectOpenReadFailed[];     // "%s": a title
extern const char kProjectMayBeCorrupt[];
extern const char kProjectNotPolygonFile[];
extern const char kProjectAppearsCorrupt[];
extern const char kProjectCorruptReasonFormat[];  // first line, then the reason
extern const char kProjectOpenWriteFailed[];
extern const char kProjectWriteFailed[];
extern const char kTileNameUnsavableFormat[];      // the tile's name: refused before anything is written
extern const char kTilesWithoutOutlineFormat[];   // the number of tiles kept without an outline
extern const char kTileRecordLineFormat[];        // "    %s (record %d)\n": a tile's name and record
extern const char kTilePathTooLongFormat[];       // name, record, the path's letters and bytes, the most bytes
extern const char kProjectWithoutTilesText[];
extern const char kDataFolderQuestion[];
extern const char kTilesLocationTitle[];

// Asks about a data folder that does not exist: Yes browses for another one,
// which replaces it when chosen; No keeps it.
enum { DATA_FOLDER_CANCELLED, DATA_FOLDER_NOT_CHOSEN, DATA_FOLDER_SETTLED };
int      AskForMissingDataFolder(HWND owner, Project* p);

// True, after kProjectWithoutTilesText, when the project holds no tile: a
// tile index of none would reopen as a project of nothing.
bool     RefuseProjectWithoutTiles(const Project* project);
// Writes both parts through temporary files in the project's folder, which
// replace the old ones only when everything was written; 1 or 0 (the old
// files then stay as they were and the project stays unsaved). A project
// without tiles is refused.
int      WriteProjectFile(Project* project);
// A new project read from the files, its tile states checked; null after a
// message naming the file and what is wrong with it.
Project* ReadProjectFile(const char* path, const char* title);
