// The recent-file list: the four files last opened, most recent first, kept
// in the registry record and shown in the File menus.
#pragma once

// Puts the path first (moving it up when it is in the list already) and
// renames the menu items; a path longer than an entry holds is not kept.
void AddRecentFile(const char* path);
void UpdateRecentFileMenu();
// Opens the entry of a CMD_RECENT_* command in a new view; 1 when a view was created.
int  OpenRecentFile(int id);
