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

// Every temporary file this program writes beside a user's file is named
// with this prefix and a hexadecimal counter of at most kTempCounterDigits
// digits (together its base, unique in the folder), then a suffix: ".tmp" for
// a single file, "_N" and its extension for a file of a group, ".jnl" for the
// journal that holds a save's files while it writes them, ".replace",
// ".undo.replace" and ".oldN" for a group replace's journal and the old files
// it sets aside. A name proves nothing: only what a journal of this program
// names (its first line signed with its own base) is ever tidied away.
extern const char kTempFilePrefix[];   // "~vt"
constexpr size_t kTempCounterDigits = 2;
// The prefix of earlier versions' temporary names, which went on with the
// target's name and "-id-tick-count": their replaces cut short are still
// completed; their other files stay.
extern const char kOldTempFilePrefix[];   // "~velka-temp-"
// What a single file is written under before it takes its target's place.
extern const char kTempFileExtension[];   // ".tmp"
// The journal of a save's temporary files (no longer than kTempFileExtension).
extern const char kTempHoldExtension[];   // ".jnl"
// The longest suffix a group replace gives a temporary name (its journal
// after an undo); a group's own files take shorter ones.
extern const char kLongestGroupSuffix[];   // ".undo.replace"

// A fresh temporary base beside `target`: its folder, the prefix and a
// counter that no name there holds (the base, or the base followed by "." or
// "_"). The search starts one after this program's last one, from a point of
// its own, so two programs saving into one folder at once rarely try the same
// counter. Tidies the folder first (FinishInterruptedSaves). Empty, with the
// system's error set, when the folder leaves no room for suffixes up to
// `longestSuffix` (ERROR_FILENAME_EXCED_RANGE) or every counter is taken
// (ERROR_CANNOT_MAKE). Its bytes may pass MAX_PATH: a buffer holding it needs
// kWindowsPathBytes.
std::string TempBaseBeside(const std::string& target, const char* longestSuffix);
// A fresh base beside `target`, as TempBaseBeside, kept for one save of
// several files: its journal (kTempHoldExtension) is made (CREATE_NEW), signed
// and held open in `*held` until ReleaseTempBase, so that no other save takes
// the base meanwhile and a tidy knows a live save's files, also those a
// library writes through handles of its own. Empty, with the system's error
// set, when none can be made.
std::string ReserveTempBase(const std::string& target, const char* longestSuffix, void** held);
// Names `count` files under the reserved base in its journal, before they are
// made: a save killed later leaves them for the next tidy to remove. False
// when the journal could not be written (the files are then not to be made).
bool HoldTempFiles(void* held, const std::string* paths, size_t count);
// Removes the journal ReserveTempBase made; nothing without one. The files it
// held are the caller's to place or remove first.
void ReleaseTempBase(const std::string& base, void** held);
// A new, empty and closed file beside `target` named as a fresh base and
// `extension`, held by its journal in `*held` until ReleaseTempBase; empty,
// with the system's error set, when none can be made.
std::string NewTempFileBeside(const std::string& target, const char* extension, void** held);
// The most characters (UTF-16 units, the length Windows sets its limit in) a
// folder may have for temporary names with suffixes up to `longestSuffix`
// beside a file in it: 249 for kTempFileExtension, 240 for kLongestGroupSuffix.
size_t LongestTempFolder(const char* longestSuffix);
// Whether `target`'s folder leaves that room.
bool TempNamesFitBeside(const std::string& target, const char* longestSuffix);
// A folder without that room: its letters, the most letters it could have
// (LongestTempFolder less one for each letter Windows counts twice, those
// outside the Basic Multilingual Plane) and the target, cut as
// kPathTooLongText cuts it (TempFolderTooLongMessage).
extern const char kTempFolderTooLongText[];
std::string TempFolderTooLongMessage(const std::string& target, const char* longestSuffix);
// A folder where other files hold every temporary name: the number of names,
// the first and the last, and the folder.
extern const char kTempNamesTakenText[];
// Why no temporary file can be made beside `target` when its folder is the
// cause: too long (TempFolderTooLongMessage) or every name taken
// (kTempNamesTakenText); empty for any other cause.
std::string TempNameRefusal(const std::string& target, const char* longestSuffix);

// Completes the replaces in `folder` that were cut short (their journal left,
// no program still running them), then, unless one there is still running or
// could not be completed, removes the files that the journal of a save no
// longer running holds: all together, when none of them is held open by any
// program and none was written for a minute (on this machine's disks) or for
// 12 hours (elsewhere, dated by another clock). A journal not signed as this
// program signs its own (an earlier version's complete one aside) is not
// read, and no file is removed that no journal names, whatever its name.
void FinishInterruptedSaves(const std::string& folder);

// A single file written beside its target and put in its place only when
// every write and the close succeeded.
struct ReplacingFile {
    VFile       file = nullptr;
    std::string temp, target;
    void*       held = nullptr;   // the temporary file's journal (ReserveTempBase)
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
// Tests: lets go of a reserved base as a save killed there does: its journal
// and the files it names stay.
void AbandonTempBase(void** held);
// Tests: `hook` runs when a replace has failed, before its moves are undone;
// nullptr turns it off.
void SetReplaceBeforeUndo(void (*hook)());
