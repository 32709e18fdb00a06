// Replacing a group of files that belong together (the three files of a
// shapefile, a project table and its tile index) as one change, and writing
// single files through a temporary file beside them.
#pragma once
#include "base/file_io.h"
#include <string>

// Puts each of the `count` written files in place of its target. Targets that
// exist are moved aside first; when any of them cannot be replaced (another
// program has it open, or it is read-only, which Windows refuses to replace
// and Wine does not), every target gets its old file back and the written
// files stay where they are for the caller to remove: never a mix of old and
// new. A journal beside the first target lists the moves while they run, so
// a replace cut short (the program killed) is completed by
// FinishInterruptedSaves; when an old file cannot be put back, the journal
// stays for the next tidying to do it, unless a later save has taken its
// target's place by then. All files in the first target's folder. 1 when all
// were placed.
int ReplaceFileGroup(const std::string* written, const std::string* targets, int count);

// Every temporary file this program writes beside a user's file begins with
// this prefix, so a later save or start-up knows it as its own.
extern const char kTempFilePrefix[];   // "~velka-temp-"

// A fresh temporary name beside `target` (its folder, the prefix, as much of
// the target's own name as fits and a unique number, without extension),
// which takes an extension of up to 16 characters within what Windows takes
// (kWindowsPathUnits); tidies the folder first (FinishInterruptedSaves). Empty
// only when the folder is longer than kLongestTempFolder. Its bytes may pass
// MAX_PATH: a buffer holding it needs kWindowsPathBytes.
std::string TempBaseBeside(const std::string& target);
// The most UTF-16 units a folder may have for temporary names beside a file
// in it, so for a file there to be saved in place: 204.
extern const size_t kLongestTempFolder;
// Whether `target`'s folder leaves that room.
bool TempNamesFitBeside(const std::string& target);

// Completes the replaces in `folder` that were cut short (their journal left,
// no program still running them), then, unless one there is still running or
// could not be completed, removes this program's temporary files there that
// no save has touched for a minute (their program no longer running on this
// machine) or for 12 hours (their program not known, on another machine);
// old files set aside under a journal it cannot read always stay.
void FinishInterruptedSaves(const std::string& folder);

// A single file written beside its target and put in its place only when
// every write and the close succeeded.
struct ReplacingFile {
    VFile       file;
    std::string temp, target;
};
// Opens the temporary file; 0 when the target is read-only (a protected file
// is never written over, whatever the account may do) or no file can be made
// in its folder, with the system's error set.
int OpenReplacing(ReplacingFile* r, const char* target);
// Closes the temporary file; with `ok` and a good close it replaces the
// target in one move, otherwise it is removed and the target stays as it
// was. 1 when the target holds the new file.
int CloseReplacing(ReplacingFile* r, bool ok);

// Tests: a replace stops after `renames` of its moves, as if the program were
// killed there (the journal and side files stay), calling `stopped` first
// when given; -1 turns it off.
void SetReplaceStopAfter(int renames, void (*stopped)() = nullptr);
// Tests: `hook` runs when a replace has failed, before its moves are undone;
// nullptr turns it off.
void SetReplaceBeforeUndo(void (*hook)());
