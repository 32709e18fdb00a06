// Advisory lock markers beside LAS files: "<name>.loc" holding one line
// "computer\user". Nothing enforces them; each caller decides what a marker
// of someone else means.
#pragma once

// The marker of a LAS file: its path with the extension ".loc" ("" when the
// name would not fit). The result buffer is overwritten by the next call.
const char* TileLockPath(const char* lasPath);

// Writes this machine's marker when no other program holds the LAS file open;
// 1 when written, 0 (no marker written) otherwise.
int  LockTile(const char* lasPath);
// Deletes the marker whoever wrote it; 1 when it was deleted.
int  UnlockTile(const char* lasPath);
// The marker's first line as stored (at most 254 characters, line end kept), or
// null when there is none. One static buffer shared by all callers.
const char* ReadTileLockOwner(const char* lasPath);
// Deletes the marker only when it names this computer and user; 1 when it did.
int  ReleaseOwnTileLock(const char* lasPath);
// 1 when the file is a LAS file.
int  TileFileExists(const char* lasPath);

// This machine's own marker line, "computer\user" with "\r\n".
const char* OwnTileLockLine();
// 1 when the two marker lines name the same computer and user, whatever line
// ends either carries.
int  SameTileLockOwner(const char* a, const char* b);
