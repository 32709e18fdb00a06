// Shapelib behind the calls this program makes. Reading: a shapefile and its
// dBASE table opened with the checks every reader makes before it trusts a
// record. Writing: the files of one save (a shapefile's three parts, with a
// project its table as well) written under temporary names beside their
// targets, every write, seek, flush and close noted (shapelib ignores those
// it makes while closing), read back, and put in place together, or removed.
// Paths are Win32 paths.
#pragma once
#include <shapefil.h>
#include <string>
#include <vector>

// ---- reading --------------------------------------------------------------------------------

// Why a shapefile cannot be read; each reader words it in its own message.
enum ShapeReadFault {
    SHAPES_READABLE = 0,
    SHAPES_NOT_OPENED,    // the .shp or its .shx cannot be opened
    SHAPES_NONE,          // no shapes where the reader needs some
    SHAPES_OTHER_TYPE,    // a shape type the reader does not take
    SHAPES_MISPLACED,     // the index places a record in the header or past the end
    TABLE_NOT_OPENED,
    TABLE_SHORT,          // fewer records than shapes (with `exact`, any other number)
    TABLE_DAMAGED,        // cut short, or its records too short for its fields
};

// A shapefile open for reading, with its table once that is opened; closed
// by CloseShapeInput or when it goes.
struct ShapeInput {
    SHPHandle shp = nullptr;
    DBFHandle dbf = nullptr;
    int count = 0, type = 0;
    int misplaced = -1;                          // the first misplaced record, with SHAPES_MISPLACED
    double minBound[4] = {}, maxBound[4] = {};   // the header's box
    std::string path, tablePath;                 // Win32 paths of the shapes and the table
    ShapeInput() = default;
    ShapeInput(const ShapeInput&) = delete;
    ShapeInput& operator=(const ShapeInput&) = delete;
    ~ShapeInput();
};

// Opens the shapes at `path` read-only and checks, in this order: that there
// are some (unless `noneAllowed`), that their type is one of `types` (a list
// ended by 0; null takes any), that the index places every record inside the file.
ShapeReadFault OpenShapesToRead(ShapeInput* in, const char* path, const int* types = nullptr, bool noneAllowed = false);
// Opens the table read-only: `tablePath`, or beside the shapes with ".dbf".
ShapeReadFault OpenTableToRead(ShapeInput* in, const char* tablePath = nullptr);
// The table against the shapes, once the reader has found its fields: a
// record for every shape (`exact`: as many as there are shapes), each long
// enough for the fields, all of them in the file.
ShapeReadFault CheckTableRows(const ShapeInput* in, bool exact = false);
void CloseShapeInput(ShapeInput* in);

// The first record that the index places in the header or beyond the end of
// the file, -1 when none.
int  FirstMisplacedRecord(SHPHandle shp);
// True when the table's records are long enough for its fields and the file
// holds every record its header counts (`path`: the table's Win32 path).
bool TableUsable(DBFHandle dbf, const char* path);
// True when the number cell is blank (no value) or holds one finite decimal
// number between blanks; any other byte, NUL included, is no number.
bool NumberCellUsable(DBFHandle dbf, int record, int field);

// ---- writing --------------------------------------------------------------------------------

// One save of files that belong together. Each file is written under a
// temporary name beside the first target and takes its target's place in the
// order the files were created.
struct ShapeGroupWriter {
    std::string base;                            // the temporary base name
    std::vector<std::string> written, targets;
    std::vector<SHPHandle> shapes;
    std::vector<DBFHandle> tables;
    std::vector<int> shapeFile, tableFile;       // the file (in `written`) of each handle
    SAHooks io;
};

// Starts a save beside `firstTarget`, calling `under` (tests' failing calls)
// or, with null, the standard file calls; false when no temporary name fits
// there (the path is too long). Calls on the thread that writes.
bool BeginShapeGroup(ShapeGroupWriter* w, const char* firstTarget, const SAHooks* under = nullptr);
// A new shapefile of `type` for the target's name with ".shp" (whatever
// extension it has; its .shx goes beside it), or null when it cannot be created.
SHPHandle CreateGroupShapes(ShapeGroupWriter* w, const char* target, int type);
// A new table for the target, whatever its extension; null when it cannot be created.
DBFHandle CreateGroupTable(ShapeGroupWriter* w, const char* target);
// Appends one shape of `type` and `count` vertices (`z` may be null) without
// parts; false unless it became record `record`.
bool AppendShape(SHPHandle shp, int type, int count, const double* x, const double* y, const double* z, int record);
// Closes every file. When `ok`, every write went through and every file reads
// back with the type, records and fields it was written with, the files take
// their targets' places together and 1 is returned; otherwise, or when a
// target cannot be replaced, the written files are removed and every target
// stays as it was.
int  CommitShapeGroup(ShapeGroupWriter* w, bool ok);
// True when a write, seek, flush or close of the save on this thread failed
// since BeginShapeGroup: a file the save could not create was opened, then
// not written.
bool ShapeGroupWriteFailed();
// Closes and removes every file of the save; the targets stay as they were.
void AbortShapeGroup(ShapeGroupWriter* w);
