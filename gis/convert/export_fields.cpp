// Export settings, the field table and the decoding of raw point records.
#include "gis/convert/export_fields.h"
#include "data/data_set.h"
#include "data/import_fields.h"
#include "data/lasfile/las_header.h"
#include "data/lasfile/las_points.h"
#include "base/heap.h"
#include "base/paths.h"
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
struct FieldText {
    const char* listName;
    const char* headerWord;
};
const FieldText kFieldTexts[kExportFieldCount] = {
    { "X - Easting", "X" },
    { "Y - Northing", "Y" },
    { "Z - Elevation", "Z" },
    { "Intensity", "INTENSITY" },
    { "Return Number", "RETURN_NUM" },
    { "Number of Returns", "RETURN_CNT" },
    { "Scan Direction Flag", "SCAN_DIR" },
    { "Edge of Flight Line", "FLT_EDGE" },
    { "Classification", "CLASS" },
    { "Scan Angle Rank", "SCAN_ANGLE" },
    { "File Marker (v1.1 User Data)", "USER_DATA" },
    { "User Bit Field (v1.1 Point ID)", "SOURCE_ID" },
    { "GPS Time", "GPS_TIME" },
    { "Red", "RED" },
    { "Green", "GREEN" },
    { "Blue", "BLUE" },
};

template <typename T> T At(const uint8_t* record, int offset)
{
    T value;
    memcpy(&value, record + offset, sizeof value);
    return value;
}
}  // namespace

const char* ExportFieldName(int32_t code)
{
    return code >= 0 && code < kExportFieldCount ? kFieldTexts[code].listName : "";
}

const char* ExportHeaderWord(int32_t code)
{
    return code >= 0 && code < kExportFieldCount ? kFieldTexts[code].headerWord : "";
}

ExportSettings* NewExportSettings()
{
    ExportSettings* s = (ExportSettings*)NBLCalloc(1, sizeof(ExportSettings));
    if (!s) return nullptr;
    s->fields = (ExportField**)NBLCalloc(kExportFieldCount, sizeof(ExportField*));
    if (!s->fields) {
        NBLFree(s);
        return nullptr;
    }
    for (int i = 0; i < kExportFieldCount; i++) {
        ExportField* f = (ExportField*)NBLCalloc(1, sizeof(ExportField));
        if (!f) {
            FreeExportSettings(s);
            return nullptr;
        }
        f->code = i;
        snprintf(f->name, sizeof f->name, "%s", kFieldTexts[i].listName);
        f->checked = i <= EXPORT_Z;
        s->fields[i] = f;
        s->fieldCount = i + 1;
    }
    memset(s->classFlags, 1, sizeof s->classFlags);
    memset(s->returnFlags, 1, sizeof s->returnFlags);
    s->outputFormat = kExportASCII;
    s->delimiter = kDelimiterSpace;
    return s;
}

void FreeExportSettings(ExportSettings* s)
{
    if (!s) return;
    for (int i = 0; s->fields && i < s->fieldCount; i++) NBLFree(s->fields[i]);
    NBLFree(s->fields);
    NBLFree(s);
}

int ExportRecordBytes(int format)
{
    // The writers decode formats 0-3 and 6-8; the wave packets of the others they do not read.
    bool decoded = (format >= 0 && format <= 3) || (format >= 6 && format <= 8);
    return decoded ? LASStandardRecordLength(format) : 0;
}

void DecodeExportPoint(const uint8_t* r, int format, const LASHeader* h, ExportPoint* p)
{
    memset(p, 0, sizeof *p);
    p->x = At<int32_t>(r, 0) * h->xScale + h->xOffset;
    p->y = At<int32_t>(r, 4) * h->yScale + h->yOffset;
    p->z = At<int32_t>(r, 8) * h->zScale + h->zOffset;
    p->intensity = At<uint16_t>(r, 12);
    uint8_t returns = r[14];
    if (format >= 6) {
        p->returnNumber = returns & 0x0F;
        p->returnCount = returns >> 4;
        p->scanDirection = (r[15] >> 6) & 1;
        p->flightEdge = (r[15] >> 7) & 1;
        p->classification = r[16];
        p->userData = r[17];
        p->scanAngle = At<int16_t>(r, 18);
        p->sourceId = At<uint16_t>(r, 20);
        p->gpsTime = At<double>(r, 22);
        if (format >= 7) {
            p->red = At<uint16_t>(r, 30);
            p->green = At<uint16_t>(r, 32);
            p->blue = At<uint16_t>(r, 34);
        }
        return;
    }
    p->returnNumber = returns & 0x07;
    p->returnCount = (returns >> 3) & 0x07;
    p->scanDirection = (returns >> 6) & 1;
    p->flightEdge = (returns >> 7) & 1;
    p->classification = r[15] & 0x1F;
    p->scanAngle = (int8_t)r[16];
    p->userData = r[17];
    p->sourceId = At<uint16_t>(r, 18);
    if (format == 1 || format == 3) p->gpsTime = At<double>(r, 20);
    int colour = format == 2 ? 20 : format == 3 ? 28 : 0;
    if (colour) {
        p->red = At<uint16_t>(r, colour);
        p->green = At<uint16_t>(r, colour + 2);
        p->blue = At<uint16_t>(r, colour + 4);
    }
}

int ExportReturnCategory(const ExportPoint* p)
{
    if (p->returnNumber == 1) return p->returnCount == 1 ? RETURN_SINGLE : RETURN_FIRST;
    if (p->returnNumber == p->returnCount) return RETURN_LAST;
    return RETURN_INTERMEDIATE;
}

bool ExportFilterKeeps(const ExportSettings* s, const ExportPoint* p)
{
    return s->returnFlags[ExportReturnCategory(p)] && s->classFlags[p->classification & 0xFF];
}

void FormatExportValue(int32_t code, const ExportPoint* p, char* out, size_t size)
{
    switch (code) {
    case EXPORT_X: snprintf(out, size, "%.3lf", p->x); return;
    case EXPORT_Y: snprintf(out, size, "%.3lf", p->y); return;
    case EXPORT_Z: snprintf(out, size, "%.3lf", p->z); return;
    case EXPORT_GPS_TIME: snprintf(out, size, "%.4lf", p->gpsTime); return;
    }
    int value = 0;
    switch (code) {
    case EXPORT_INTENSITY: value = p->intensity; break;
    case EXPORT_RETURN_NUMBER: value = p->returnNumber; break;
    case EXPORT_RETURN_COUNT: value = p->returnCount; break;
    case EXPORT_SCAN_DIRECTION: value = p->scanDirection; break;
    case EXPORT_FLIGHT_EDGE: value = p->flightEdge; break;
    case EXPORT_CLASSIFICATION: value = p->classification; break;
    case EXPORT_SCAN_ANGLE: value = p->scanAngle; break;
    case EXPORT_USER_DATA: value = p->userData; break;
    case EXPORT_SOURCE_ID: value = p->sourceId; break;
    case EXPORT_RED: value = p->red; break;
    case EXPORT_GREEN: value = p->green; break;
    case EXPORT_BLUE: value = p->blue; break;
    }
    snprintf(out, size, "%d", value);
}

char ExportDelimiterChar(int32_t delimiter)
{
    return delimiter == kDelimiterComma ? ',' : delimiter == kDelimiterTab ? '\t' : ' ';
}

std::string ExportHeaderLine(const ExportSettings* s, char delimiter)
{
    std::string line;
    for (int i = 0; i < s->fieldCount; i++) {
        if (!s->fields[i]->checked) continue;
        if (!line.empty()) line += delimiter;
        line += ExportHeaderWord(s->fields[i]->code);
    }
    return line;
}

std::string ExportPointLine(const ExportSettings* s, const ExportPoint* p, char delimiter)
{
    std::string line;
    bool first = true;
    for (int i = 0; i < s->fieldCount; i++) {
        if (!s->fields[i]->checked) continue;
        char text[64];
        FormatExportValue(s->fields[i]->code, p, text, sizeof text);
        if (!first) line += delimiter;
        line += text;
        first = false;
    }
    return line;
}

std::string ExportOutputName(const char* folder, const FileListEntry* entry, const char* ext)
{
    std::string base = folder && folder[0] ? std::string(folder) + entry->title : std::string(entry->path);
    return PathWithExtension(base, ext);
}

bool ExportOutputPath(const char* folder, const FileListEntry* entry, const char* ext, char* out, size_t size)
{
    std::string name = ExportOutputName(folder, entry, ext);
    if (name.size() >= std::min(size, kPathChars)) {
        if (size) out[0] = 0;
        return false;
    }
    snprintf(out, size, "%s", name.c_str());
    return true;
}
