// Checked shapefile reads, and groups of shapefile parts written, read back and put in place.
#include "base/shape_io.h"
#include "base/file_io.h"
#include "base/file_replace.h"
#include "base/file_system.h"
#include "base/paths.h"
#include "base/code_pages.h"
#include "base/stored_text.h"
#include <windows.h>
#include <shapefil.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

static_assert(SHPT_NULL == SHAPE_NULL && SHPT_POINT == SHAPE_POINT && SHPT_ARC == SHAPE_ARC &&
                  SHPT_POLYGON == SHAPE_POLYGON && SHPT_MULTIPOINT == SHAPE_MULTIPOINT && SHPT_POINTZ == SHAPE_POINTZ &&
                  SHPT_ARCZ == SHAPE_ARCZ && SHPT_POLYGONZ == SHAPE_POLYGONZ,
              "shape types are the file's numbers");
static_assert((int)FTString == COLUMN_TEXT && (int)FTInteger == COLUMN_INTEGER && (int)FTDouble == COLUMN_REAL,
              "column types are the library's numbers");

struct OpenShapeFiles {
    SHPHandle shp = nullptr;
    DBFHandle dbf = nullptr;
    unsigned codePage = 0;   // what the table declares its text is in, 0 for nothing specific
    bool mayBeStale = false; // a .cpg beside a table the program saved before it wrote its own
    bool judged = false;     // textCodePage holds the verdict on the table's text (TextCodePage)
    unsigned textCodePage = 0;
};

// ---- reading --------------------------------------------------------------------------------

ShapeInput::~ShapeInput() { CloseShapeInput(this); }

static SHPHandle ShapesOf(const ShapeInput* in) { return in->files ? in->files->shp : nullptr; }
static DBFHandle TableOf(const ShapeInput* in) { return in->files ? in->files->dbf : nullptr; }

void CloseShapeInput(ShapeInput* in)
{
    if (!in->files) return;
    if (in->files->shp) SHPClose(in->files->shp);
    if (in->files->dbf) DBFClose(in->files->dbf);
    delete in->files;
    in->files = nullptr;
}

// The first record that the index places in the header or beyond the end of
// the file, -1 when none.
static int FirstMisplacedRecord(SHPHandle shp)
{
    for (int i = 0; i < shp->nRecords; i++) {
        uint64_t offset = shp->panRecOffset[i], end = offset + 8 + (uint64_t)shp->panRecSize[i];
        if (offset < 100 || end > shp->nFileSize) return i;
    }
    return -1;
}

static uint64_t BigEndian32(const uint8_t* b)
{
    return ((uint64_t)b[0] << 24) | ((uint64_t)b[1] << 16) | ((uint64_t)b[2] << 8) | b[3];
}

// Where a record must end: inside the length the .shp header gives and
// inside the file itself (a copy cut short keeps the header's length).
static uint64_t RecordBound(SHPHandle shp)
{
    uint64_t inFile = shp->sHooks.FSeek(shp->fpSHP, 0, SEEK_END) == 0 ? (uint64_t)shp->sHooks.FTell(shp->fpSHP) : 0;
    return std::min((uint64_t)shp->nFileSize, inFile);
}

// A record's header as a walk meets it: where the record starts, its number,
// the length of its content and its shape type (-1 when the content is too
// short to hold one).
struct RecordHead {
    uint64_t pos, number, size;
    int type;
};

// Walks the records from `pos` by their own headers, handing each that lies
// whole before `bound` to `take` until it returns false; a record that does
// not, or a failed read, ends the walk too. Returns where the walk stopped:
// the start of the record that ended it, or the end of the last one taken.
// `cut` (may be null) gets the header of a record that ended the walk by
// running past `bound`.
template <typename Take>
static uint64_t WalkRecords(SHPHandle shp, uint64_t pos, uint64_t bound, Take take, RecordHead* cut = nullptr)
{
    uint8_t head[12];
    while (pos + 8 <= bound && shp->sHooks.FSeek(shp->fpSHP, (SAOffset)pos, SEEK_SET) == 0) {
        size_t bytes = pos + sizeof head <= bound ? sizeof head : 8;
        if (shp->sHooks.FRead(head, bytes, 1, shp->fpSHP) != 1) break;
        RecordHead r = {pos, BigEndian32(head), 2 * BigEndian32(head + 4), -1};
        if (bytes == sizeof head && r.size >= 4) r.type = head[8] | (head[9] << 8) | (head[10] << 16) | (head[11] << 24);
        if (pos + 8 + r.size > bound) {
            if (cut) *cut = r;
            break;
        }
        if (!take(r)) break;
        pos += 8 + r.size;
    }
    return pos;
}

// The whole records the .shp holds: what an index that misplaces a record is
// held against, so that a message can give both counts.
static int HeldRecords(SHPHandle shp)
{
    int held = 0;
    WalkRecords(shp, 100, RecordBound(shp), [&](const RecordHead&) {
        held++;
        return true;
    });
    return held;
}

// The records after the last one the index places, walked by their own
// headers. One counts when it is numbered on from the index's last, holds
// the file's type or none, and ends by the length the header gives; bytes
// that start no such record (a record rewritten shorter leaves some) end the
// walk. `whole`: the walk ended at that length.
struct UnlistedRecords {
    std::vector<unsigned> offset, size;
    bool whole = true;
    bool fromZero = false;     // the records past the index are numbered from 0
    bool shapedStop = false;   // the walk ended at a whole record out of sequence
    bool cutShort = false;     // the walk ended at a record numbered on that the file cuts short
};

// Whether a record numbered `number` follows on from those found so far.
// Some writers number their records from 0: the first past the index tells
// which, and the rest must follow on from it.
static bool NumberedOn(UnlistedRecords* u, int listed, uint64_t number)
{
    uint64_t expected = (uint64_t)listed + u->offset.size() + 1;
    if (u->offset.empty() && number + 1 == expected) u->fromZero = true;
    return number + (u->fromZero ? 1 : 0) == expected;
}

static UnlistedRecords FindUnlistedRecords(SHPHandle shp)
{
    UnlistedRecords u;
    uint64_t pos = 100, end = shp->nFileSize;
    for (int i = 0; i < shp->nRecords; i++) pos = std::max(pos, (uint64_t)shp->panRecOffset[i] + 8 + shp->panRecSize[i]);
    if (pos >= end) return u;   // the usual file: the index reaches the end
    RecordHead cut = {0, 0, 0, -2};   // type -2: no record ran past the end
    pos = WalkRecords(
        shp, pos, RecordBound(shp),
        [&](const RecordHead& r) {
            bool shaped = r.type == 0 || r.type == shp->nShapeType;
            if (!shaped || !NumberedOn(&u, shp->nRecords, r.number)) {
                u.shapedStop = shaped;
                return false;
            }
            u.offset.push_back((unsigned)r.pos);
            u.size.push_back((unsigned)r.size);
            return true;
        },
        &cut);
    // A record that lost its end is a record all the same, even with none
    // whole before it (its type is unknown when the file keeps too little).
    if (cut.type != -2 && (cut.type == -1 || cut.type == 0 || cut.type == shp->nShapeType))
        u.cutShort = NumberedOn(&u, shp->nRecords, cut.number);
    u.whole = pos == end;
    return u;
}

// Adds the records to the library's index, so they read like the others.
static bool ListRecords(SHPHandle shp, const UnlistedRecords& u)
{
    size_t n = (size_t)shp->nRecords + u.offset.size();
    unsigned* offsets = (unsigned*)realloc(shp->panRecOffset, n * sizeof(unsigned));
    if (offsets) shp->panRecOffset = offsets;
    unsigned* sizes = offsets ? (unsigned*)realloc(shp->panRecSize, n * sizeof(unsigned)) : nullptr;
    if (!sizes) return false;
    shp->panRecSize = sizes;
    std::copy(u.offset.begin(), u.offset.end(), offsets + shp->nRecords);
    std::copy(u.size.begin(), u.size.end(), sizes + shp->nRecords);
    shp->nRecords = shp->nMaxRecords = (int)n;
    return true;
}

ShapeReadFault OpenShapesToRead(ShapeInput* in, const char* path, const int* types, bool noneAllowed)
{
    CloseShapeInput(in);
    in->path = path;
    in->files = new OpenShapeFiles();
    std::string native = ToNativePath(path);
    SHPHandle shp = native.empty() ? nullptr : SHPOpen(native.c_str(), "rb");
    in->files->shp = shp;
    in->listed = in->held = 0;
    in->whole = true;
    if (!shp) return SHAPES_NOT_OPENED;
    SHPGetInfo(shp, &in->count, &in->type, in->minBound, in->maxBound);
    in->listed = in->held = in->count;
    in->misplaced = FirstMisplacedRecord(shp);
    if (in->misplaced >= 0) in->held = HeldRecords(shp);
    // An index cut short would read the set short, and a save would then drop
    // the rest: whole records past it are read too, and any other is refused.
    bool unlisted = false;
    if (in->misplaced < 0) {
        UnlistedRecords u = FindUnlistedRecords(shp);
        // A whole record out of sequence is no stray byte either: reading on
        // without it would lose it, so it is refused like a record cut short.
        unlisted = (!u.offset.empty() || u.shapedStop || u.cutShort) && (!u.whole || !ListRecords(shp, u));
        in->held += (int)u.offset.size() + (unlisted && !u.whole ? 1 : 0);   // the record cut short counts
        if (!unlisted) in->count = shp->nRecords;
    }
    if (in->count <= 0 && !noneAllowed && !unlisted) return SHAPES_NONE;
    if (types) {
        bool taken = false;
        for (const int* t = types; *t && !taken; t++) taken = *t == in->type;
        // Refused for its type: its parts' counts are not held against each other.
        if (!taken) {
            in->held = in->listed;
            return SHAPES_OTHER_TYPE;
        }
    }
    in->whole = !unlisted;
    if (in->misplaced >= 0) return SHAPES_MISPLACED;
    return unlisted ? SHAPES_UNLISTED : SHAPES_READABLE;
}

ShapeReadFault OpenTableToRead(ShapeInput* in, const char* tablePath)
{
    if (!in->files) in->files = new OpenShapeFiles();
    if (in->files->dbf) DBFClose(in->files->dbf);
    in->tablePath = tablePath ? std::string(tablePath) : std::string(ChangeFileExtension(in->path.c_str(), ".dbf"));
    std::string native = in->tablePath.empty() ? std::string() : ToNativePath(in->tablePath.c_str());
    in->files->dbf = native.empty() ? nullptr : DBFOpen(native.c_str(), "rb");
    // The library gives the .cpg beside the table, else its language byte.
    DBFHandle dbf = in->files->dbf;
    const char* declaration = dbf ? DBFGetCodePage(dbf) : nullptr;
    in->files->codePage = DeclaredCodePage(declaration);
    // The program wrote language byte 87 and no .cpg before it wrote UTF-8
    // with a .cpg of its own, and kept another program's .cpg when it saved
    // a set again: one beside such a table may speak of the text it replaced.
    in->files->mayBeStale = declaration && strncmp(declaration, "LDID/", 5) != 0 && dbf->iLanguageDriver == 0x57;
    in->files->judged = false;
    return in->files->dbf ? SHAPES_READABLE : TABLE_NOT_OPENED;
}

ShapeReadFault CheckTableRows(const ShapeInput* in)
{
    if (TableRecordCount(in) != in->count) return TABLE_COUNT_DIFFERS;
    return TableUsable(in) ? SHAPES_READABLE : TABLE_DAMAGED;
}

const char kIndexListsMoreFormat[] = "The index (.shx) lists %d record%s, but the shapes (.shp) hold %d.";
static const char kIndexListsFewerFormat[] =
    "The index (.shx) lists %d record%s, but the shapes (.shp) hold %d, not all of them whole.";
static const char kTableHoldsOtherFormat[] = "The table (.dbf) holds %d record%s for %d shape%s.";

static const char* Plural(int n) { return n == 1 ? "" : "s"; }

std::string RecordCountsText(const ShapeInput* in, bool* tableAtFault)
{
    char text[160] = "";
    bool table = false;
    // The shapes first: a table cannot be held against shapes that are cut.
    if (!in->whole) snprintf(text, sizeof text, kIndexListsFewerFormat, in->listed, Plural(in->listed), in->held);
    else if (in->held < in->listed)
        snprintf(text, sizeof text, kIndexListsMoreFormat, in->listed, Plural(in->listed), in->held);
    else if (TableOf(in) && TableRecordCount(in) != in->count) {
        int records = TableRecordCount(in);
        snprintf(text, sizeof text, kTableHoldsOtherFormat, records, Plural(records), in->count, Plural(in->count));
        table = true;
    }
    if (tableAtFault) *tableAtFault = table;
    return text;
}

const char kShapefileCountsDifferFormat[] = "The parts of the shape file disagree on the number of records. %s\n    %s\n";

std::string RecordCountsMessage(const ShapeInput* in, const char* title)
{
    bool table = false;
    std::string counts = RecordCountsText(in, &table);
    if (counts.empty()) return counts;
    char text[700];
    snprintf(text, sizeof text, kShapefileCountsDifferFormat, counts.c_str(),
             table ? ChangeFileExtension(title, ".dbf") : title);
    return text;
}

bool ReadShape(const ShapeInput* in, int record, ShapeRecord* shape)
{
    SHPHandle shp = ShapesOf(in);
    SHPObject* o = shp && record >= 0 && record < in->count ? SHPReadObject(shp, record) : nullptr;
    if (!o) return false;
    int n = o->nVertices > 0 && o->padfX && o->padfY ? o->nVertices : 0;
    shape->type = o->nSHPType;
    shape->x.assign(o->padfX, o->padfX + n);
    shape->y.assign(o->padfY, o->padfY + n);
    if (o->padfZ) shape->z.assign(o->padfZ, o->padfZ + n);
    else shape->z.assign((size_t)n, 0.0);
    shape->partStart.clear();
    if (n > 0 && o->nParts > 0 && o->panPartStart) shape->partStart.assign(o->panPartStart, o->panPartStart + o->nParts);
    SHPDestroyObject(o);
    return true;
}

int TableColumnCount(const ShapeInput* in) { return TableOf(in) ? DBFGetFieldCount(TableOf(in)) : 0; }
int TableRecordCount(const ShapeInput* in) { return TableOf(in) ? DBFGetRecordCount(TableOf(in)) : 0; }

TableColumn TableColumnAt(const ShapeInput* in, int column)
{
    TableColumn c;
    if (!TableOf(in) || column < 0 || column >= TableColumnCount(in)) return c;
    char name[XBASE_FLDNAME_LEN_READ + 1] = "";
    DBFFieldType type = DBFGetFieldInfo(TableOf(in), column, name, &c.width, &c.decimals);
    snprintf(c.name, sizeof c.name, "%s", name);
    c.type = type == FTString ? COLUMN_TEXT : type == FTInteger ? COLUMN_INTEGER : type == FTDouble ? COLUMN_REAL : COLUMN_OTHER;
    return c;
}

bool TableUsable(const ShapeInput* in)
{
    DBFHandle dbf = TableOf(in);
    if (!dbf) return false;
    // A record must hold its fields (after the deletion flag); some writers
    // pad it, so a longer one is taken when the file holds every record.
    int width = 1;
    for (int i = 0; i < dbf->nFields; i++) width += dbf->panFieldSize[i];
    if (dbf->nRecordLength < width) return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(in->tablePath.c_str(), GetFileExInfoStandard, &data)) return false;
    uint64_t size = ((uint64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    return (uint64_t)dbf->nHeaderLength + (uint64_t)dbf->nRecords * (uint64_t)dbf->nRecordLength <= size;
}

// The code page of a table's text cells as one file's texts are judged
// (StoredFileCodePage): UTF-8 while every cell outside ASCII is, up to the
// first record that cannot be read; the system's from the first that is not,
// where the scan stops. `outside`: some cell holds a byte outside ASCII.
static unsigned CellsCodePage(DBFHandle dbf, bool* outside)
{
    *outside = false;
    std::vector<int> textColumns;
    for (int column = 0; column < dbf->nFields; column++)
        if (DBFGetFieldInfo(dbf, column, nullptr, nullptr, nullptr) == FTString) textColumns.push_back(column);
    for (int record = 0; record < dbf->nRecords; record++)
        for (int column : textColumns) {
            const char* cell = DBFReadStringAttribute(dbf, record, column);
            if (!cell) return CP_UTF8;
            const char* c = cell;
            while (*c && (unsigned char)*c < 0x80) c++;
            if (!*c) continue;
            *outside = true;
            // A cell of ASCII alone says nothing of the code page its table is in.
            unsigned codePage = StoredFileCodePage({cell});
            if (codePage != CP_UTF8) return codePage;
        }
    return CP_UTF8;
}

// The code page the table's text cells are read in, judged once for the
// whole table at its first text cell read, as a file's lines are: a cell of
// accented letters that happen to pair as UTF-8 says nothing of its table.
// Nothing declared: UTF-8 or the system's (StoredFileCodePage). A .cpg that
// may be stale yields to UTF-8 when every cell outside ASCII is UTF-8. Any
// other declaration stands.
static unsigned TextCodePage(const ShapeInput* in)
{
    OpenShapeFiles* f = in->files;
    if (f->judged) return f->textCodePage;
    f->judged = true;
    f->textCodePage = f->codePage;
    if (f->codePage == 0 || (f->codePage != CP_UTF8 && f->mayBeStale)) {
        bool outside;
        unsigned stored = CellsCodePage(f->dbf, &outside);
        if (f->codePage == 0 || (outside && stored == CP_UTF8)) f->textCodePage = stored;
    }
    return f->textCodePage;
}

bool ReadStoredTextCell(const ShapeInput* in, int record, int column, StoredText* text)
{
    DBFHandle dbf = TableOf(in);
    if (!dbf || column < 0 || column >= dbf->nFields) return false;
    // Tables written before the program spoke UTF-8, and by other programs,
    // hold the code page they declare or the system's: their names and
    // folders are read as the letters they were. Judged before the cell is
    // read, for the library answers in one buffer that the next read overwrites.
    unsigned codePage = TextCodePage(in);
    const char* cell = DBFReadStringAttribute(dbf, record, column);
    if (!cell) return false;
    *text = ReadStoredText(cell, codePage);
    return true;
}

bool ReadTextCell(const ShapeInput* in, int record, int column, std::string* text)
{
    StoredText read;
    if (!ReadStoredTextCell(in, record, column, &read)) return false;
    *text = read.shown;
    return true;
}

int ReadIntegerCell(const ShapeInput* in, int record, int column)
{
    DBFHandle dbf = TableOf(in);
    return dbf && column >= 0 && column < dbf->nFields ? DBFReadIntegerAttribute(dbf, record, column) : 0;
}

double ReadRealCell(const ShapeInput* in, int record, int column)
{
    DBFHandle dbf = TableOf(in);
    return dbf && column >= 0 && column < dbf->nFields ? DBFReadDoubleAttribute(dbf, record, column) : 0.0;
}

bool NumberCellUsable(const ShapeInput* in, int record, int field)
{
    DBFHandle dbf = TableOf(in);
    if (!dbf || field < 0 || field >= dbf->nFields) return false;
    // The cell's own bytes: the library's text of it ends at a NUL byte.
    const char* tuple = DBFReadTuple(dbf, record);
    if (!tuple) return false;
    const char* cell = tuple + dbf->panFieldOffset[field];
    int begin = 0, end = dbf->panFieldSize[field];
    while (begin < end && cell[begin] == ' ') begin++;
    while (end > begin && cell[end - 1] == ' ') end--;
    if (begin == end) return true;   // blank: no value
    std::string text(cell + begin, (size_t)(end - begin));
    // A decimal number: sign, digits with one point, an exponent.
    size_t k = 0, digits = 0;
    if (text[k] == '+' || text[k] == '-') k++;
    for (; k < text.size() && isdigit((unsigned char)text[k]); k++) digits++;
    if (k < text.size() && text[k] == '.')
        for (k++; k < text.size() && isdigit((unsigned char)text[k]); k++) digits++;
    if (!digits) return false;
    if (k < text.size() && (text[k] == 'e' || text[k] == 'E')) {
        size_t exponent = 0;
        if (++k < text.size() && (text[k] == '+' || text[k] == '-')) k++;
        for (; k < text.size() && isdigit((unsigned char)text[k]); k++) exponent++;
        if (!exponent) return false;
    }
    return k == text.size() && std::isfinite(strtod(text.c_str(), nullptr));
}

// ---- writing --------------------------------------------------------------------------------

struct GroupFiles {
    std::vector<SHPHandle> shapes;
    std::vector<DBFHandle> tables;
    std::vector<int> shapeFile, tableFile;       // the file (in `written`) of each handle
    std::vector<bool> tableDeclared;             // the table's .cpg follows it in `written`
    std::vector<unsigned> tableCodePage;         // the code page its text is written in
    SAHooks io;
};

// Per thread: an export writes on its own thread while the window may save.
static thread_local SAHooks standard;
static thread_local bool failed;
static thread_local ShapeDiskFaults disk;
static ShapeDiskFaults diskForNextSaves;

void SetShapeDiskFaults(const ShapeDiskFaults* faults) { diskForNextSaves = faults ? *faults : ShapeDiskFaults(); }

static SAOffset NotedWrite(void* p, SAOffset size, SAOffset count, SAFile file)
{
    // The library writes a .cpg without asking whether it could be opened.
    if (!file) {
        failed = true;
        return 0;
    }
    SAOffset written;
    int64_t bytes = (int64_t)(size * count);
    if (disk.budget >= 0 && bytes > disk.budget) {
        disk.budget = 0;
        written = disk.lost ? count : 0;
    } else {
        if (disk.budget >= 0) disk.budget -= bytes;
        written = TakeWriteFault() ? 0 : standard.FWrite(p, size, count, file);
    }
    if (written != count) failed = true;
    return written;
}
static SAOffset NotedSeek(SAFile file, SAOffset offset, int whence)
{
    SAOffset result = standard.FSeek(file, offset, whence);
    if (result != 0) failed = true;
    return result;
}
static int NotedFlush(SAFile file)
{
    int result = standard.FFlush(file);
    if (result != 0) failed = true;
    return result;
}
static int NotedClose(SAFile file)
{
    int result = file ? standard.FClose(file) : -1;
    if (disk.closeFails) result = -1;
    if (result != 0) failed = true;
    return result;
}

bool BeginShapeGroup(ShapeGroupWriter* w, const char* firstTarget)
{
    AbortShapeGroup(w);
    w->written.clear();
    w->targets.clear();
    w->files = new GroupFiles();
    SASetupDefaultHooks(&standard);
    disk = diskForNextSaves;
    failed = false;
    w->files->io = standard;
    w->files->io.FWrite = NotedWrite;
    w->files->io.FSeek = NotedSeek;
    w->files->io.FFlush = NotedFlush;
    w->files->io.FClose = NotedClose;
    // The library opens its files through handles the tidying of another save
    // cannot see: the held reservation tells it the save is live.
    w->base = firstTarget && firstTarget[0] ? ReserveTempBase(firstTarget, kLongestGroupSuffix, &w->reserved)
                                            : std::string();
    return !w->base.empty();
}

std::string ShapeGroupRefusal(const char* firstTarget)
{
    return firstTarget && firstTarget[0] ? TempNameRefusal(firstTarget, kLongestGroupSuffix) : std::string();
}

ShapeGroupWriter::~ShapeGroupWriter() { AbortShapeGroup(this); }

// A table that other programs read beside its shapes, so one that gets a .cpg.
static bool IsTableName(const char* path)
{
    size_t n = strlen(path);
    return n >= 4 && !lstrcmpiA(path + n - 4, ".dbf");
}

// The temporary name of the next file, without extension.
static std::string NextName(const ShapeGroupWriter* w) { return w->base + "_" + std::to_string(w->written.size()); }

int CreateGroupShapes(ShapeGroupWriter* w, const char* target, int type)
{
    // Whatever extension the name came with (none, or the table's), the
    // shapes go to ".shp": readers look for them nowhere else.
    if (!w->files || w->base.empty() || !target[0]) return -1;
    std::string name = NextName(w), shapes = ChangeFileExtension(target, ".shp"), index = ChangeFileExtension(target, ".shx");
    if (shapes.empty() || index.empty()) return -1;
    int file = (int)w->written.size();
    w->written.push_back(name + ".shp");
    w->targets.push_back(shapes);
    w->written.push_back(name + ".shx");
    w->targets.push_back(index);
    if (!HoldTempFiles(w->reserved, &w->written[(size_t)file], 2)) return -1;
    std::string native = ToNativePath(w->written[file].c_str());
    SHPHandle shp = native.empty() ? nullptr : SHPCreateLL(native.c_str(), type, &w->files->io);
    if (!shp) return -1;
    w->files->shapes.push_back(shp);
    w->files->shapeFile.push_back(file);
    return (int)w->files->shapes.size() - 1;
}

int CreateGroupTable(ShapeGroupWriter* w, const char* target)
{
    if (!w->files || w->base.empty() || !target[0]) return -1;
    int file = (int)w->written.size();
    std::string name = NextName(w);
    bool declared = IsTableName(target);
    w->written.push_back(name + ".dbf");
    w->targets.push_back(target);
    if (declared) {
        // The library writes it beside the table as it creates the table.
        std::string cpg = ChangeFileExtension(target, ".cpg");
        if (cpg.empty()) return -1;
        w->written.push_back(name + ".cpg");
        w->targets.push_back(cpg);
    }
    if (!HoldTempFiles(w->reserved, &w->written[(size_t)file], w->written.size() - (size_t)file)) return -1;
    std::string native = ToNativePath(w->written[file].c_str());
    unsigned codePage = CodePageToWrite(w->keepsLetters);
    DBFHandle dbf = native.empty() ? nullptr
                                   : DBFCreateLL(native.c_str(), declared ? CodePageDeclaration(codePage).c_str() : "LDID/0",
                                                 &w->files->io);
    if (!dbf) return -1;
    w->files->tables.push_back(dbf);
    w->files->tableFile.push_back(file);
    w->files->tableDeclared.push_back(declared);
    w->files->tableCodePage.push_back(codePage);
    return (int)w->files->tables.size() - 1;
}

static SHPHandle GroupShapes(const ShapeGroupWriter* w, int shapes)
{
    return w->files && shapes >= 0 && shapes < (int)w->files->shapes.size() ? w->files->shapes[(size_t)shapes] : nullptr;
}
static DBFHandle GroupTable(const ShapeGroupWriter* w, int table)
{
    return w->files && table >= 0 && table < (int)w->files->tables.size() ? w->files->tables[(size_t)table] : nullptr;
}

bool AppendShape(ShapeGroupWriter* w, int shapes, int type, int count, const double* x, const double* y,
                 const double* z, int record, int parts, const int* partStart)
{
    SHPHandle shp = GroupShapes(w, shapes);
    if (!shp) return false;
    SHPObject* shape = SHPCreateObject(type, -1, parts, partStart, nullptr, count, x, y, z, nullptr);
    bool ok = shape && SHPWriteObject(shp, -1, shape) == record;
    if (shape) SHPDestroyObject(shape);
    return ok;
}

int AddTableColumn(ShapeGroupWriter* w, int table, const char* name, int type, int width, int decimals)
{
    DBFHandle dbf = GroupTable(w, table);
    DBFFieldType kind = type == COLUMN_TEXT ? FTString : type == COLUMN_INTEGER ? FTInteger : type == COLUMN_REAL ? FTDouble : FTLogical;
    return dbf ? DBFAddField(dbf, name, kind, width, decimals) : -1;
}

bool WriteTextCell(ShapeGroupWriter* w, int table, int record, int column, const char* text, size_t fieldSize)
{
    DBFHandle dbf = GroupTable(w, table);
    if (!dbf || column < 0 || column >= dbf->nFields) return false;
    unsigned codePage = w->files->tableCodePage[(size_t)table];
    std::string cell = FieldTextIn(text, fieldSize, codePage);
    // Text of the program's code page may take more bytes in UTF-8 than the
    // field it was typed into: cut between letters rather than lose the save.
    if (codePage != ProgramCodePage() && cell.size() > (size_t)dbf->panFieldSize[column])
        cell.resize(LetterBoundary(cell.data(), (size_t)dbf->panFieldSize[column], codePage));
    return DBFWriteStringAttribute(dbf, record, column, cell.c_str());
}

bool WriteIntegerCell(ShapeGroupWriter* w, int table, int record, int column, int value)
{
    DBFHandle dbf = GroupTable(w, table);
    return dbf && DBFWriteIntegerAttribute(dbf, record, column, value);
}

bool WriteRealCell(ShapeGroupWriter* w, int table, int record, int column, double value)
{
    DBFHandle dbf = GroupTable(w, table);
    return dbf && DBFWriteDoubleAttribute(dbf, record, column, value);
}

bool WriteEmptyCell(ShapeGroupWriter* w, int table, int record, int column)
{
    DBFHandle dbf = GroupTable(w, table);
    return dbf && DBFWriteNULLAttribute(dbf, record, column);
}

bool GroupWritesFailed(const ShapeGroupWriter* w) { return w->files && failed; }

// What a file of the save holds, as its handle had it before the close.
struct Written {
    int file, type, records, fields;
    bool declared;       // a table with its .cpg next in `written`
    unsigned codePage;   // the code page its .cpg names
};

static void CloseAll(ShapeGroupWriter* w, std::vector<Written>* held)
{
    if (!w->files) return;
    GroupFiles* f = w->files;
    for (size_t k = 0; k < f->shapes.size(); k++) {
        int records = 0, type = 0;
        SHPGetInfo(f->shapes[k], &records, &type, nullptr, nullptr);
        if (held) held->push_back({f->shapeFile[k], type, records, -1, false, 0});
        SHPClose(f->shapes[k]);
    }
    for (size_t k = 0; k < f->tables.size(); k++) {
        if (held)
            held->push_back({f->tableFile[k], -1, DBFGetRecordCount(f->tables[k]), DBFGetFieldCount(f->tables[k]),
                             f->tableDeclared[k], f->tableCodePage[k]});
        DBFClose(f->tables[k]);
    }
    delete f;
    w->files = nullptr;
}

// The file's size and its first bytes; false when it cannot be read.
static bool FileHead(const std::string& path, uint8_t* head, DWORD bytes, uint64_t* size)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER length;
    DWORD got = 0;
    bool ok = GetFileSizeEx(h, &length) && ReadFile(h, head, bytes, &got, nullptr) && got == bytes;
    CloseHandle(h);
    *size = (uint64_t)length.QuadPart;
    return ok;
}

// A shapefile's main file and its index give their length in 16-bit words
// at byte 24 (big-endian); a table holds its header and every record, and
// may end with one end-of-file byte.
static bool LengthAsItsHeaderSays(const std::string& path, bool table)
{
    uint8_t head[32];
    uint64_t size = 0;
    if (!FileHead(path, head, sizeof head, &size)) return false;
    if (!table) {
        uint64_t words = ((uint64_t)head[24] << 24) | ((uint64_t)head[25] << 16) | ((uint64_t)head[26] << 8) | head[27];
        return words * 2 == size;
    }
    uint64_t records = head[4] | ((uint64_t)head[5] << 8) | ((uint64_t)head[6] << 16) | ((uint64_t)head[7] << 24);
    uint64_t whole = (uint64_t)(head[8] | (head[9] << 8)) + records * (uint64_t)(head[10] | (head[11] << 8));
    return size == whole || size == whole + 1;
}

// A file reads back as it was written: a full disk or a lost write that no
// call reported shows here.
static bool ReadsBack(const ShapeGroupWriter* w, const Written& h)
{
    const std::string& path = w->written[(size_t)h.file];
    std::string native = ToNativePath(path.c_str());
    if (native.empty()) return false;
    if (h.fields < 0) {
        if (!LengthAsItsHeaderSays(path, false) || !LengthAsItsHeaderSays(w->written[(size_t)h.file + 1], false))
            return false;
        SHPHandle shp = SHPOpen(native.c_str(), "rb");
        if (!shp) return false;
        int records = -1, type = 0;
        SHPGetInfo(shp, &records, &type, nullptr, nullptr);
        bool inside = FirstMisplacedRecord(shp) < 0;
        SHPClose(shp);
        return records == h.records && type == h.type && inside;
    }
    if (!LengthAsItsHeaderSays(path, true)) return false;
    if (h.declared) {
        std::string codePage = CodePageDeclaration(h.codePage);
        uint8_t text[16] = {};
        uint64_t size = 0;
        const size_t length = codePage.size();
        if (length > sizeof text || !FileHead(w->written[(size_t)h.file + 1], text, (DWORD)length, &size) ||
            size != length || memcmp(text, codePage.data(), length) != 0)
            return false;
    }
    DBFHandle dbf = DBFOpen(native.c_str(), "rb");
    if (!dbf) return false;
    bool same = DBFGetRecordCount(dbf) == h.records && DBFGetFieldCount(dbf) == h.fields;
    DBFClose(dbf);
    return same;
}

static void RemoveWritten(const ShapeGroupWriter* w)
{
    for (const std::string& name : w->written) DeleteFileA(name.c_str());
}

int CommitShapeGroup(ShapeGroupWriter* w, bool ok)
{
    std::vector<Written> held;
    bool begun = w->files != nullptr;
    CloseAll(w, &held);
    ok = ok && begun && !failed && !w->written.empty();
    for (size_t k = 0; ok && k < held.size(); k++) ok = ReadsBack(w, held[k]);
    ok = ok && ReplaceFileGroup(w->written.data(), w->targets.data(), (int)w->written.size());
    if (!ok) RemoveWritten(w);
    ReleaseTempBase(w->base, &w->reserved);
    w->written.clear();
    w->targets.clear();
    return ok ? 1 : 0;
}

void AbortShapeGroup(ShapeGroupWriter* w)
{
    CloseAll(w, nullptr);
    RemoveWritten(w);
    ReleaseTempBase(w->base, &w->reserved);
    w->written.clear();
    w->targets.clear();
}
