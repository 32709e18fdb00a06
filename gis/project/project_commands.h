// The project commands of the frame (9051-9058) and the project file dialogs.
#pragma once
#include <windows.h>

struct Project;

extern const char kNoProjectText[];
extern const char kProjectNotSavedQuestion[];
extern const char kDefaultProjectTitle[];
extern const char kDefaultProjectDescription[];

int      ProjectCommand(WPARAM wParam, LPARAM lParam);
Project* OpenProject();
int      SaveProject(Project* project);
int      SaveProjectAs(Project* project);
void     CloseProject(Project* project);
int      ChooseProjectToOpen(char* path, char* title);
int      ChooseProjectToSave(char* path, char* title, const char* initialFolder);
// This user's lock markers on tiles shown as Locked are removed; the tiles become Available.
void     ReleaseOwnTileLocks(Project* project);
// Markers a replaced project left on tiles open in views are removed once no
// view holds the tile; views call this as they go.
void     ReleaseCarriedTileLocks();
