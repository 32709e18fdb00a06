// Advisory lock markers beside LAS files: "<name>.loc" holding the line
// "computer\user" and a second line naming the process that holds it (readers
// that know only the first line still read the owner). Nothing enforces them;
// each caller decides what a marker of someone else means. A marker is "own"
// only for the process that wrote it: two copies of the program run by one
// user on one computer are two holders. A marker whose process has ended is
// its computer and user's again, so a crash never locks a tile for good.
#pragma once

// The marker of a LAS file: its path with the extension ".loc" ("" when the
// name would not fit). The result buffer is overwritten by the next call.
const char* TileLockPath(const char* lasPath);

// Writes this machine's marker when no other program holds the LAS file open;
// 1 when written, 0 (no marker written) otherwise.
int  LockTile(const char* lasPath);
// Deletes the marker when it is this process's own; 1 when it was deleted.
int  UnlockTile(const char* lasPath);
// The marker's first line as the program shows it (at most 254 bytes of it, line end kept), or
// null when there is none. The buffer is the calling thread's, overwritten by
// its next call.
const char* ReadTileLockOwner(const char* lasPath);
// Deletes the marker only when it is this process's own; 1 when it did.
int  ReleaseOwnTileLock(const char* lasPath);
// 1 when the marker exists, names this computer and user, and names this
// process, a process that no longer runs, or none.
int  IsOwnTileLock(const char* lasPath);
// 1 when the file is a LAS file.
int  TileFileExists(const char* lasPath);

// This machine's own marker line, "computer\user" with "\r\n" in UTF-8 (in a buffer of
// the calling thread, as is the process line).
const char* OwnTileLockLine();
// The marker's second line for this process: "process <id> <start time>" with
// "\r\n" (the start time tells apart processes of different Wine servers
// that were given the same id).
const char* OwnTileLockProcessLine();
// 1 when the two marker lines name the same computer and user, whatever line
// ends either carries.
int  SameTileLockOwner(const char* a, const char* b);
