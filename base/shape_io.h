// Shapefiles behind the program's own records. Reading: a shapefile and its
// dBASE table opened with the checks every reader makes before it trusts a
// record, its shapes handed out as points and parts and its rows as cells.
// Writing: the files of one save (a shapefile's three parts, with a project
// its table as well) written under temporary names beside their targets,
// every write, seek, flush and close noted (the library ignores those it
// makes while closing), read back, and put in place together, or removed.
// The shapefile library is used in shape_io.cpp alone. Paths are Win32 paths.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Shape types as the shapefile numbers them.
enum ShapeType {
    SHAPE_NULL = 0,
    SHAPE_POINT = 1,
    SHAPE_ARC = 3,
    SHAPE_POLYGON = 5,
    SHAPE_MULTIPOINT = 8,
    SHAPE_POINTZ = 11,
    SHAPE_ARCZ = 13,
    SHAPE_POLYGONZ = 15,
};

// dBASE column types as the table's readers number them.
enum ColumnType { COLUMN_TEXT = 0, COLUMN_INTEGER = 1, COLUMN_REAL = 2, COLUMN_OTHER = 3 };

// One shape: its vertices (Z 0 where the type holds none) and where each part
// starts; no parts means one part of every vertex.
struct ShapeRecord {
    int type = SHAPE_NULL;
    std::vector<double> x, y, z;
    std::vector<int> partStart;
    int VertexCount() const { return (int)x.size(); }
};

// A table column: its name (at most 11 characters), type, width and decimals.
struct TableColumn {
    char name[12] = "";
    int type = COLUMN_OTHER;
    int width = 0, decimals = 0;
};

// ---- reading --------------------------------------------------------------------------------

// Why a shapefile cannot be read; each reader words it in its own message.
enum ShapeReadFault {
    SHAPES_READABLE = 0,
    SHAPES_NOT_OPENED,    // the .shp or its .shx cannot be opened
    SHAPES_NONE,          // no shapes where the reader needs some
    SHAPES_OTHER_TYPE,    // a shape type the reader does not take
    SHAPES_MISPLACED,     // the index places a record in the header or past the end
    SHAPES_UNLISTED,      // the shapes hold records past the index's that are not all whole
    TABLE_NOT_OPENED,
    TABLE_COUNT_DIFFERS,  // more or fewer table records than shapes
    TABLE_DAMAGED,        // cut short, or its records too short for its fields
};

struct StoredText;
struct OpenShapeFiles;   // the library's handles, in shape_io.cpp

// A shapefile open for reading, with its table once that is opened; closed
// by CloseShapeInput or when it goes.
struct ShapeInput {
    OpenShapeFiles* files = nullptr;
    int count = 0, type = 0;
    int listed = 0, held = 0;                    // records the index lists and the shapes hold (the
                                                 // whole ones, with SHAPES_MISPLACED)
    bool whole = true;                           // false with SHAPES_UNLISTED
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
// ended by 0; null takes any), that the index places every record inside the
// file, and that the shapes hold no record past those the index lists. An
// index cut short loses no shape: when the records past it follow on whole,
// numbered on, up to the length the shapes' header gives, they are read too
// (`count` counts them); when they do not, the file is SHAPES_UNLISTED.
ShapeReadFault OpenShapesToRead(ShapeInput* in, const char* path, const int* types = nullptr, bool noneAllowed = false);
// Opens the table read-only: `tablePath`, or beside the shapes with ".dbf".
ShapeReadFault OpenTableToRead(ShapeInput* in, const char* tablePath = nullptr);
// The table against the shapes, once the reader has found its fields: one
// record for each shape, no more and no fewer (a save would drop the rest),
// each long enough for the fields, all of them in the file.
ShapeReadFault CheckTableRows(const ShapeInput* in);
// Why the parts disagree on the number of records, both counts in a
// sentence for the reader's message; "" when they agree. The shapes are
// held against the index first: records past it not all whole
// (SHAPES_UNLISTED), or fewer records than it lists (an index that only
// misplaces one of those they hold is no disagreement); then, once the table
// is open, the table against the shapes. `tableAtFault` (may be null): the
// table is the part to name.
std::string RecordCountsText(const ShapeInput* in, bool* tableAtFault = nullptr);
// The readers' message for it: kShapefileCountsDifferFormat with
// RecordCountsText, naming the shapes' title or, when the table is at fault,
// the table's (the title with ".dbf"); "" when the parts agree.
std::string RecordCountsMessage(const ShapeInput* in, const char* title);
extern const char kShapefileCountsDifferFormat[];  // RecordCountsText, then the title
// Its sentence for an index that lists more records than the shapes hold:
// the records listed, "s" or "" for their plural, the records held.
extern const char kIndexListsMoreFormat[];
void CloseShapeInput(ShapeInput* in);

// Shape `record` (from 0); false when it cannot be read.
bool ReadShape(const ShapeInput* in, int record, ShapeRecord* shape);

// The open table's columns and records.
int  TableColumnCount(const ShapeInput* in);
TableColumn TableColumnAt(const ShapeInput* in, int column);
int  TableRecordCount(const ShapeInput* in);
// True when the table's records are long enough for its columns and the file
// holds every record its header counts.
bool TableUsable(const ShapeInput* in);
// A cell as text in the program's code page, blanks around it taken off;
// false when it cannot be read. Read in the code page the table declares;
// a table that declares none is read in UTF-8 or the system's code page,
// judged once for all its cells (StoredFileCodePage).
bool ReadTextCell(const ShapeInput* in, int record, int column, std::string* text);
// The same with the letters the program's code page lacks kept (StoredText).
bool ReadStoredTextCell(const ShapeInput* in, int record, int column, StoredText* text);
// A number cell's value (a blank cell reads as 0).
int  ReadIntegerCell(const ShapeInput* in, int record, int column);
double ReadRealCell(const ShapeInput* in, int record, int column);
// True when the number cell is blank (no value) or holds one finite decimal
// number between blanks; any other byte, NUL included, is no number.
bool NumberCellUsable(const ShapeInput* in, int record, int column);

// ---- writing --------------------------------------------------------------------------------

struct GroupFiles;   // the library's handles and file calls, in shape_io.cpp

// One save of files that belong together. Each file is written under a
// temporary name beside the first target and takes its target's place in the
// order the files were created. Shapes and tables are named by the number
// their Create call returned.
struct ShapeGroupWriter {
    std::string base;                            // the temporary base name
    std::vector<std::string> written, targets;
    GroupFiles* files = nullptr;
    void* reserved = nullptr;                    // holds the base (ReserveTempBase)
    bool keepsLetters = false;                   // set before CreateGroupTable when a cell to write holds
                                                 // letters the program's code page lacks (FieldKeepsLetters):
                                                 // the table is then UTF-8, which holds them
    ShapeGroupWriter() = default;
    ShapeGroupWriter(const ShapeGroupWriter&) = delete;
    ShapeGroupWriter& operator=(const ShapeGroupWriter&) = delete;
    ~ShapeGroupWriter();                         // an unfinished save is aborted
};

// Starts a save beside `firstTarget`; false when no temporary name fits
// there (its folder passes LongestTempFolder(kLongestGroupSuffix), the group
// replace's room) or none is free. Calls on the thread that writes.
bool BeginShapeGroup(ShapeGroupWriter* w, const char* firstTarget);
// Why a save beside `firstTarget` cannot begin when its folder is the cause
// (TempNameRefusal: too long for a group replace, or every temporary name
// taken); empty for any other cause.
std::string ShapeGroupRefusal(const char* firstTarget);
// A new shapefile of `type` for the target's name with ".shp" (whatever
// extension it has; its .shx goes beside it); -1 when it cannot be created.
int  CreateGroupShapes(ShapeGroupWriter* w, const char* target, int type);
// A new table for the target, whatever its extension; -1 when it cannot be
// created. Its text is in the program's code page, or UTF-8 with
// `keepsLetters` (CodePageToWrite): a ".dbf" gets a ".cpg" beside it that
// says which, saved with it; a table of another name (no other program reads
// it) says nothing, for a ".cpg" beside it would belong to a shapefile of that name.
int  CreateGroupTable(ShapeGroupWriter* w, const char* target);
// Appends one shape of `type` and `count` vertices (`z` may be null) in
// `parts` parts starting at `partStart` (none: one part); false unless it
// became record `record`.
bool AppendShape(ShapeGroupWriter* w, int shapes, int type, int count, const double* x, const double* y,
                 const double* z, int record, int parts = 0, const int* partStart = nullptr);
// Adds a column; its number, or -1.
int  AddTableColumn(ShapeGroupWriter* w, int table, const char* name, int type, int width, int decimals);
// Writes one cell; false when the value does not fit the column or the write
// failed. Text is the program's; a field of `fieldSize` bytes is written with
// the letters it was read with while it shows them (FieldTextIn). Converted
// into UTF-8, it is cut between letters to the column's width.
bool WriteTextCell(ShapeGroupWriter* w, int table, int record, int column, const char* text, size_t fieldSize = 0);
bool WriteIntegerCell(ShapeGroupWriter* w, int table, int record, int column, int value);
bool WriteRealCell(ShapeGroupWriter* w, int table, int record, int column, double value);
bool WriteEmptyCell(ShapeGroupWriter* w, int table, int record, int column);
// True when a write, seek or flush of the save has failed so far (a file
// that could be created but not written then tells apart from one that
// could not be created).
bool GroupWritesFailed(const ShapeGroupWriter* w);
// Closes every file. When `ok`, every write went through and every file reads
// back whole (the length its header gives, the type, records and columns it
// was written with, every record inside the file), the files take their
// targets' places together and 1 is returned; otherwise, or when a target
// cannot be replaced, the written files are removed and every target stays
// as it was.
int  CommitShapeGroup(ShapeGroupWriter* w, bool ok);
// Closes and removes every file of the save; the targets stay as they were.
void AbortShapeGroup(ShapeGroupWriter* w);

// Tests: what the disk under the next saves does. After `budget` bytes
// (negative: no limit) writes fail, or with `lost` are acknowledged and
// lost; with `closeFails` every close reports a failure. Null: a sound disk.
struct ShapeDiskFaults {
    int64_t budget = -1;
    bool lost = false;
    bool closeFails = false;
};
void SetShapeDiskFaults(const ShapeDiskFaults* faults);
