// Checked shapefile reads, and groups of shapefile parts written, read back and put in place.
#include "base/shape_io.h"
#include "base/file_io.h"
#include "base/file_replace.h"
#include "base/file_system.h"
#include <windows.h>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

// The path with its extension (after the last separator) replaced; empty
// when the result is longer than a path may be. Worker threads call this,
// so it keeps no buffer of its own.
static std::string WithExtension(const std::string& path, const char* ext)
{
    size_t folder = path.find_last_of("\\/"), dot = path.rfind('.');
    std::string out = dot != std::string::npos && (folder == std::string::npos || dot > folder) ? path.substr(0, dot) : path;
    out += ext;
    return out.size() < MAX_PATH - 4 ? out : std::string();
}

// ---- reading --------------------------------------------------------------------------------

ShapeInput::~ShapeInput() { CloseShapeInput(this); }

void CloseShapeInput(ShapeInput* in)
{
    if (in->shp) SHPClose(in->shp);
    if (in->dbf) DBFClose(in->dbf);
    in->shp = nullptr;
    in->dbf = nullptr;
}

ShapeReadFault OpenShapesToRead(ShapeInput* in, const char* path, const int* types, bool noneAllowed)
{
    in->path = path;
    std::string native = ToNativePath(path);
    in->shp = native.empty() ? nullptr : SHPOpen(native.c_str(), "rb");
    if (!in->shp) return SHAPES_NOT_OPENED;
    SHPGetInfo(in->shp, &in->count, &in->type, in->minBound, in->maxBound);
    if (in->count <= 0 && !noneAllowed) return SHAPES_NONE;
    if (types) {
        bool taken = false;
        for (const int* t = types; *t && !taken; t++) taken = *t == in->type;
        if (!taken) return SHAPES_OTHER_TYPE;
    }
    in->misplaced = FirstMisplacedRecord(in->shp);
    return in->misplaced >= 0 ? SHAPES_MISPLACED : SHAPES_READABLE;
}

ShapeReadFault OpenTableToRead(ShapeInput* in, const char* tablePath)
{
    in->tablePath = tablePath ? std::string(tablePath) : WithExtension(in->path, ".dbf");
    std::string native = in->tablePath.empty() ? std::string() : ToNativePath(in->tablePath.c_str());
    in->dbf = native.empty() ? nullptr : DBFOpen(native.c_str(), "rb");
    return in->dbf ? SHAPES_READABLE : TABLE_NOT_OPENED;
}

ShapeReadFault CheckTableRows(const ShapeInput* in, bool exact)
{
    int records = DBFGetRecordCount(in->dbf);
    if (exact ? records != in->count : records < in->count) return TABLE_SHORT;
    return TableUsable(in->dbf, in->tablePath.c_str()) ? SHAPES_READABLE : TABLE_DAMAGED;
}

int FirstMisplacedRecord(SHPHandle shp)
{
    for (int i = 0; i < shp->nRecords; i++) {
        uint64_t offset = shp->panRecOffset[i], end = offset + 8 + (uint64_t)shp->panRecSize[i];
        if (offset < 100 || end > shp->nFileSize) return i;
    }
    return -1;
}

bool TableUsable(DBFHandle dbf, const char* path)
{
    // A record must hold its fields (after the deletion flag); some writers
    // pad it, so a longer one is taken when the file holds every record.
    int width = 1;
    for (int i = 0; i < dbf->nFields; i++) width += dbf->panFieldSize[i];
    if (dbf->nRecordLength < width) return false;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
    uint64_t size = ((uint64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    return (uint64_t)dbf->nHeaderLength + (uint64_t)dbf->nRecords * (uint64_t)dbf->nRecordLength <= size;
}

bool NumberCellUsable(DBFHandle dbf, int record, int field)
{
    if (field < 0 || field >= dbf->nFields) return false;
    // The cell's own bytes: shapelib's text of it ends at a NUL byte.
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

// Per thread: an export writes on its own thread while the window may save.
static thread_local SAHooks standard;
static thread_local bool failed;

static SAOffset NotedWrite(void* p, SAOffset size, SAOffset count, SAFile file)
{
    SAOffset written = TakeWriteFault() ? 0 : standard.FWrite(p, size, count, file);
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
    int result = standard.FClose(file);
    if (result != 0) failed = true;
    return result;
}

bool BeginShapeGroup(ShapeGroupWriter* w, const char* firstTarget, const SAHooks* under)
{
    *w = ShapeGroupWriter();
    if (under) standard = *under;
    else SASetupDefaultHooks(&standard);
    failed = false;
    w->io = standard;
    w->io.FWrite = NotedWrite;
    w->io.FSeek = NotedSeek;
    w->io.FFlush = NotedFlush;
    w->io.FClose = NotedClose;
    w->base = firstTarget && firstTarget[0] ? TempBaseBeside(firstTarget) : std::string();
    return !w->base.empty();
}

// The temporary name of the next file, without extension.
static std::string NextName(const ShapeGroupWriter* w) { return w->base + "_" + std::to_string(w->written.size()); }

SHPHandle CreateGroupShapes(ShapeGroupWriter* w, const char* target, int type)
{
    // Whatever extension the name came with (none, or the table's), the
    // shapes go to ".shp": readers look for them nowhere else.
    std::string name = NextName(w), shapes = WithExtension(target, ".shp"), index = WithExtension(target, ".shx");
    if (w->base.empty() || !target[0] || shapes.empty() || index.empty()) return nullptr;
    int file = (int)w->written.size();
    w->written.push_back(name + ".shp");
    w->targets.push_back(shapes);
    w->written.push_back(name + ".shx");
    w->targets.push_back(index);
    std::string native = ToNativePath(w->written[file].c_str());
    SHPHandle shp = native.empty() ? nullptr : SHPCreateLL(native.c_str(), type, &w->io);
    if (shp) {
        w->shapes.push_back(shp);
        w->shapeFile.push_back(file);
    }
    return shp;
}

DBFHandle CreateGroupTable(ShapeGroupWriter* w, const char* target)
{
    if (w->base.empty() || !target[0]) return nullptr;
    int file = (int)w->written.size();
    w->written.push_back(NextName(w) + ".dbf");
    w->targets.push_back(target);
    std::string native = ToNativePath(w->written[file].c_str());
    DBFHandle dbf = native.empty() ? nullptr : DBFCreateLL(native.c_str(), "LDID/87", &w->io);
    if (dbf) {
        w->tables.push_back(dbf);
        w->tableFile.push_back(file);
    }
    return dbf;
}

bool AppendShape(SHPHandle shp, int type, int count, const double* x, const double* y, const double* z, int record)
{
    SHPObject* shape = SHPCreateObject(type, -1, 0, nullptr, nullptr, count, x, y, z, nullptr);
    bool ok = shape && SHPWriteObject(shp, -1, shape) == record;
    if (shape) SHPDestroyObject(shape);
    return ok;
}

// What a file of the save holds, as its handle had it before the close.
struct Written {
    int file, type, records, fields;
};

static void CloseAll(ShapeGroupWriter* w, std::vector<Written>* held)
{
    for (size_t k = 0; k < w->shapes.size(); k++) {
        int records = 0, type = 0;
        SHPGetInfo(w->shapes[k], &records, &type, nullptr, nullptr);
        if (held) held->push_back({w->shapeFile[k], type, records, -1});
        SHPClose(w->shapes[k]);
    }
    for (size_t k = 0; k < w->tables.size(); k++) {
        if (held) held->push_back({w->tableFile[k], -1, DBFGetRecordCount(w->tables[k]), DBFGetFieldCount(w->tables[k])});
        DBFClose(w->tables[k]);
    }
    w->shapes.clear();
    w->tables.clear();
}

// A file reads back as it was written: a full disk or a lost write that no
// call reported shows here.
static bool ReadsBack(const ShapeGroupWriter* w, const Written& h)
{
    std::string native = ToNativePath(w->written[(size_t)h.file].c_str());
    if (native.empty()) return false;
    if (h.fields < 0) {
        SHPHandle shp = SHPOpen(native.c_str(), "rb");
        if (!shp) return false;
        int records = -1, type = 0;
        SHPGetInfo(shp, &records, &type, nullptr, nullptr);
        SHPClose(shp);
        return records == h.records && type == h.type;
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
    CloseAll(w, &held);
    ok = ok && !failed && !w->written.empty();
    for (size_t k = 0; ok && k < held.size(); k++) ok = ReadsBack(w, held[k]);
    ok = ok && ReplaceFileGroup(w->written.data(), w->targets.data(), (int)w->written.size());
    if (!ok) RemoveWritten(w);
    return ok ? 1 : 0;
}

void AbortShapeGroup(ShapeGroupWriter* w)
{
    CloseAll(w, nullptr);
    RemoveWritten(w);
}
