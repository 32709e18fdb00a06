// Writing a point set's classes back into its LAS file. The source file is
// copied byte for byte (header, variable length records, every point record
// whatever its length, and all data behind the points) with only each record's
// class patched from memory; the copy goes to a temporary file beside the
// target and then replaces the target in one move, so a failure at any step
// leaves the target as it was and no temporary file behind.
#pragma once
#include <cstdint>

struct DataSet;
struct LASFile;

enum LASClassSaveStatus {
    LAS_SAVE_DONE = 0,
    LAS_SAVE_NO_TEMP_NAME,     // no temporary file could be made beside the target
    LAS_SAVE_SOURCE_OPEN,      // the source is not an uncompressed LAS file that opens
    LAS_SAVE_SOURCE_CHANGED,   // the source no longer holds the points the set was loaded from
    LAS_SAVE_SOURCE_REWRITTEN, // the source was written since the load, its points unchanged: ask first
    LAS_SAVE_CLASS_RANGE,      // formats 0-5 cannot hold classes above 31
    LAS_SAVE_CREATE,           // the temporary file could not be opened for writing
    LAS_SAVE_READ,             // reading the source failed
    LAS_SAVE_WRITE,            // writing, flushing or closing the temporary file failed
    LAS_SAVE_REPLACE,          // the temporary file could not replace the target
};

struct LASClassSave {
    int  status;               // LASClassSaveStatus
    int  pointFormat;          // of the source, once it opened
    int  classesOutOfRange;    // points whose class the format cannot hold
    char tempName[256];        // temporary file's name without folder or extension
    char message[1024];        // what to tell the user when status is not LAS_SAVE_DONE
};

// The refusals of a save: %s is the set's title.
extern const char kSaveDecimatedText[];      // "%s has been decimated!..."
extern const char kSaveNotLASText[];         // the set's source is not an uncompressed LAS file

// A target path of kPathChars bytes or more: title, its bytes, the most that fit.
extern const char kSavePathTooLongText[];
// A target whose folder leaves no room for the temporary file: title, the
// folder's characters (UTF-16 units, as Windows shows it) and the most it may
// have, LongestTempFolder(kTempFileExtension).
extern const char kSaveFolderTooLongText[];

// Why replacing a read-only target failed, after the rename message.
extern const char kSaveReadOnlyReason[];

// Points among the set's own points whose class point format `format` cannot
// store (above 31 for formats 0 to 5).
int CountClassesBeyondFormat(const DataSet* set, int format);

// Writes the set's own points (filePointCount of them) with their classes
// from memory into `target`, which may be the set's own path. `targetTitle`
// names the target in messages. Runs the main progress bar ("Saving LAS
// File"). Returns 1 when the target was written; else 0, with the target
// untouched and `outcome` saying why. Shows no message and logs nothing.
// A source whose point count or size differs from the load is refused; one
// only written since (a newer write time) is replaced in place only when
// `replaceRewritten` is 1, else the outcome is LAS_SAVE_SOURCE_REWRITTEN.
int SaveLASClasses(const DataSet* set, const char* target, const char* targetTitle, LASClassSave* outcome,
                   int replaceRewritten = 0);

// 1 when `target` is a path a save can write, with room in its folder for the
// temporary file; else 0, with `outcome` naming the limit (LAS_SAVE_NO_TEMP_NAME).
int LASSaveTargetFits(const char* target, const char* targetTitle, LASClassSave* outcome);

// Remembers the open source's point count, size and write time in the set.
void StampLASSource(DataSet* set, const LASFile* las);
// The same for the file now at the set's path (after saving it); 0 when it
// does not open.
int  RestampLASSource(DataSet* set);

// Patches one raw record's class: formats 0-5 keep bits 5-7 of byte 15 and
// take the low 5 bits of `classification`; formats 6-10 take it whole in byte
// 16 and leave the flags in byte 15 alone.
void PatchRecordClass(uint8_t* record, int pointFormat, uint8_t classification);
