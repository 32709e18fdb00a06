// The "LAS File Information" dialog and its clipboard text.
#include "shell/las_info.h"
#include "shell/about_dialogs.h"
#include "app/view_record.h"
#include "app/view_jobs.h"
#include "app/window_slots.h"
#include "base/dialogs.h"
#include "base/messages.h"
#include "data/data_set.h"
#include "data/gps_time.h"
#include "data/las_loader.h"
#include "data/laszip/laszip_api.h"
#include "data/lasfile/las_file.h"
#include "data/laz_loader.h"
#include "resource.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

const char kLASInfoCopiedText[] = "[COPY] LAS Info to Clipboard";
const char kLegacyCountDiffersLabel[] = " Legacy Point Records:      ";
const char kLegacyCountDiffersFormat[] = "%llu (differs: the points are read by the LAS 1.4 count)";

namespace {

// The rows of one dialog, added in order.
struct Rows {
    HWND list;
    std::string* text;
    int next;
    void Add(const char* label, const char* value = nullptr) { AddInfoListRow(list, next++, label, value, text); }
    void Blank() { Add(nullptr, nullptr); }
    void Int(const char* label, long long value)
    {
        char v[32];
        snprintf(v, sizeof v, "%lld", value);
        Add(label, v);
    }
};

// A fixed-size text field up to its first terminator, "<empty>" when empty.
std::string FieldText(const char* field, size_t size)
{
    size_t n = strnlen(field, size);
    return n ? std::string(field, n) : std::string("<empty>");
}

// The header values both header sources give, in one form.
struct HeaderFacts {
    int fileSourceId, versionMajor, versionMinor;
    uint32_t guid1;
    uint16_t guid2, guid3;
    uint8_t guid4[8];
    std::string systemId, software;
    int creationDay, creationYear, headerSize;
    uint32_t pointDataOffset, vlrCount;
    std::string formatName;
    int recordLength;
    bool showSourceId, extendedCounts;
    bool standardTime;   // adjusted standard GPS time, which has dates; else GPS week time
    bool timesLoaded;    // the loader kept the points' GPS times (0 for formats without them)
    uint64_t pointCount;   // the count the file is read by
    uint64_t legacyCount;
    uint64_t byReturn[15];
    double scale[3], offset[3], minX, maxX, minY, maxY, minZ, maxZ;
};

void AddHeaderRows(Rows& rows, const HeaderFacts& h)
{
    char v[160];
    rows.Add(" LAS Header  ");
    rows.Add(" ----------");
    if (h.showSourceId) rows.Int(" File Source ID:            ", h.fileSourceId);
    snprintf(v, sizeof v, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", (unsigned)h.guid1, h.guid2, h.guid3,
             h.guid4[0], h.guid4[1], h.guid4[2], h.guid4[3], h.guid4[4], h.guid4[5], h.guid4[6], h.guid4[7]);
    bool v11 = h.versionMinor == 1;
    rows.Add(v11 ? " Project ID:                " : " GUID:                      ", v);
    snprintf(v, sizeof v, "%d.%d", h.versionMajor, h.versionMinor);
    rows.Add(" LAS Version:               ", v);
    rows.Add(" System ID:                 ", h.systemId.c_str());
    rows.Add(" Generating Software:       ", h.software.c_str());
    rows.Int(v11 ? " File Creation Day:         " : " Flight Date Julian:        ", h.creationDay);
    rows.Int(v11 ? " File Creation Year:        " : " Year:                      ", h.creationYear);
    rows.Blank();
    rows.Int(" Header Size:               ", h.headerSize);
    rows.Int(" Point Data Offset:         ", h.pointDataOffset);
    rows.Int(" VLR Count:                 ", h.vlrCount);
    rows.Blank();
    rows.Add(" Point Data Format:         ", h.formatName.c_str());
    rows.Int(" Point Data Record Length:  ", h.recordLength);
    rows.Int(" Number of Point Records:   ", (long long)h.pointCount);
    if (h.legacyCount && h.legacyCount != h.pointCount) {
        snprintf(v, sizeof v, kLegacyCountDiffersFormat, (unsigned long long)h.legacyCount);
        rows.Add(kLegacyCountDiffersLabel, v);
    }
    rows.Add(" Points By Return           ");
    int returns = h.extendedCounts ? 15 : 5;
    for (int k = 0; k < returns; k++) {
        char label[48];
        snprintf(label, sizeof label, "                 Return %d:  ", k + 1);
        rows.Int(label, (long long)h.byReturn[k]);
    }
    rows.Blank();
    snprintf(v, sizeof v, "%.4lf, %.4lf, %.4lf", h.scale[0], h.scale[1], h.scale[2]);
    rows.Add(" X,Y,Z Scale Factors:       ", v);
    snprintf(v, sizeof v, "%.3lf, %.3lf, %.3lf", h.offset[0], h.offset[1], h.offset[2]);
    rows.Add(" X,Y,Z Offsets:             ", v);
    snprintf(v, sizeof v, "%.3lf, %.3lf", h.minX, h.maxX);
    rows.Add(" Min, Max X:                ", v);
    snprintf(v, sizeof v, "%.3lf, %.3lf", h.minY, h.maxY);
    rows.Add(" Min, Max Y:                ", v);
    snprintf(v, sizeof v, "%.3lf, %.3lf", h.minZ, h.maxZ);
    rows.Add(" Min, Max Z:                ", v);
    rows.Blank();
}

HeaderFacts FactsOfLAS(const LASFile* las)
{
    const LASHeader& s = las->header;
    HeaderFacts h = {};
    h.fileSourceId = s.fileSourceId;
    h.versionMajor = s.versionMajor;
    h.versionMinor = s.versionMinor;
    h.guid1 = s.guidData1;
    h.guid2 = s.guidData2;
    h.guid3 = s.guidData3;
    memcpy(h.guid4, s.guidData4, 8);
    h.systemId = FieldText(s.systemIdentifier, 32);
    h.software = FieldText(s.generatingSoftware, 32);
    h.creationDay = s.creationDay;
    h.creationYear = s.creationYear;
    h.headerSize = s.headerSize;
    h.pointDataOffset = s.offsetToPointData;
    h.vlrCount = s.numberOfVLRs;
    char name[32];
    snprintf(name, sizeof name, "Format %d", s.pointDataFormat);
    h.formatName = s.pointDataFormat <= 10 ? name : "Extended";
    h.recordLength = s.pointDataRecordLength;
    h.showSourceId = s.versionMinor >= 1;
    h.standardTime = IsStandardGPSTime(s.globalEncoding);
    h.timesLoaded = KeepsGPSTimes(SOURCE_LAS, s.pointDataFormat);
    h.extendedCounts = s.pointDataFormat >= 6 && s.pointDataFormat <= 10;
    h.pointCount = las->pointCount;
    h.legacyCount = s.legacyPointCount;
    for (int k = 0; k < 15; k++) h.byReturn[k] = h.extendedCounts ? s.pointsByReturn[k] : (k < 5 ? s.legacyPointsByReturn[k] : 0);
    h.scale[0] = s.xScale, h.scale[1] = s.yScale, h.scale[2] = s.zScale;
    h.offset[0] = s.xOffset, h.offset[1] = s.yOffset, h.offset[2] = s.zOffset;
    h.minX = s.minX, h.maxX = s.maxX, h.minY = s.minY, h.maxY = s.maxY, h.minZ = s.minZ, h.maxZ = s.maxZ;
    return h;
}

HeaderFacts FactsOfLAZ(const laszip_header_struct* s, uint64_t pointCount)
{
    HeaderFacts h = {};
    h.fileSourceId = s->file_source_ID;
    h.versionMajor = s->version_major;
    h.versionMinor = s->version_minor;
    h.guid1 = s->project_ID_GUID_data_1;
    h.guid2 = s->project_ID_GUID_data_2;
    h.guid3 = s->project_ID_GUID_data_3;
    memcpy(h.guid4, s->project_ID_GUID_data_4, 8);
    h.systemId = FieldText(s->system_identifier, 32);
    h.software = FieldText(s->generating_software, 32);
    h.creationDay = s->file_creation_day;
    h.creationYear = s->file_creation_year;
    h.headerSize = s->header_size;
    h.pointDataOffset = s->offset_to_point_data;
    h.vlrCount = s->number_of_variable_length_records;
    int format = s->point_data_format;
    bool named = format <= 3 || (format >= 6 && format <= 8);
    char name[32];
    snprintf(name, sizeof name, "Format %d", format);
    h.formatName = named ? name : "Extended";
    h.recordLength = s->point_data_record_length;
    h.showSourceId = s->version_minor == 1;
    h.standardTime = IsStandardGPSTime(s->global_encoding);
    h.timesLoaded = KeepsGPSTimes(SOURCE_LAZ, format);
    h.extendedCounts = format >= 4;
    h.pointCount = pointCount;
    h.legacyCount = s->number_of_point_records;
    for (int k = 0; k < 15; k++)
        h.byReturn[k] = h.extendedCounts ? s->extended_number_of_points_by_return[k]
                                         : (k < 5 ? s->number_of_points_by_return[k] : 0);
    h.scale[0] = s->x_scale_factor, h.scale[1] = s->y_scale_factor, h.scale[2] = s->z_scale_factor;
    h.offset[0] = s->x_offset, h.offset[1] = s->y_offset, h.offset[2] = s->z_offset;
    h.minX = s->min_x, h.maxX = s->max_x, h.minY = s->min_y, h.maxY = s->max_y, h.minZ = s->min_z, h.maxZ = s->max_z;
    return h;
}

// The GPS time range of the points and its dates. Only finite times count;
// only adjusted standard GPS times have dates.
void AddGPSTimeRows(Rows& rows, bool decimated, double gpsMin, double gpsMax, const HeaderFacts& facts)
{
    const char* label = decimated ? " Range of GPS Time (decimated):  " : " Range of GPS Time:  ";
    // Points that keep no GPS time hold 0: that is no range.
    if (!facts.timesLoaded || !(gpsMin <= gpsMax)) {
        rows.Add(label, facts.timesLoaded ? "none: no point has a finite GPS time" : kNoGPSTimesRange);
        rows.Add("     Date and Time:  ");
        return;
    }
    char v[160];
    snprintf(v, sizeof v, "Min %.3lf , Max %.3lf", gpsMin, gpsMax);
    rows.Add(label, v);
    if (!facts.standardTime) {
        rows.Add("     Date and Time:  ", kGPSWeekTimeNoDate);
    } else {
        char first[48], last[48];
        snprintf(v, sizeof v, "%s , %s", GPSTimeToDateText(gpsMin, first, sizeof first),
                 GPSTimeToDateText(gpsMax, last, sizeof last));
        rows.Add("     Date and Time:  ", v);
    }
}

void AddHistogramRows(Rows& rows, const DataSet* set, const HeaderFacts& facts)
{
    const uint64_t headerCount = facts.pointCount;
    bool decimated = set->decimated != 0;
    // Never more records than the set holds, whatever the header announces.
    uint64_t n = decimated ? (uint64_t)std::max(set->filePointCount, 0) : headerCount;
    n = std::min<uint64_t>(n, (uint64_t)std::max(set->pointCount, 0));
    if (!set->points) n = 0;
    std::vector<uint32_t> classes(256), sources(65536);
    uint32_t channels[4] = {}, flags[4] = {}, returnTypes[4] = {};
    int intensityMin = 65535, intensityMax = 0;
    double gpsMin = INFINITY, gpsMax = -INFINITY;
    for (uint64_t i = 0; i < n; i++) {
        const PointRecord& p = set->points[i];
        classes[p.classification]++;
        sources[p.pointSourceId]++;
        channels[p.flags & 3]++;
        for (int b = 0; b < 4; b++)
            if (p.flags & (0x04 << b)) flags[b]++;
        returnTypes[ReturnPositionOf(p.returns)]++;
        intensityMin = std::min(intensityMin, (int)p.intensity);
        intensityMax = std::max(intensityMax, (int)p.intensity);
        if (std::isfinite(p.gpsTime)) {
            gpsMin = std::min(gpsMin, p.gpsTime);
            gpsMax = std::max(gpsMax, p.gpsTime);
        }
    }
    char label[64], v[160];
    rows.Add(decimated ? " Histogram of classification (decimated):" : " Histogram of classification:  ");
    for (int c = 0; c < 256; c++)
        if (classes[c]) {
            snprintf(label, sizeof label, "                 Class(%d) ", c);
            rows.Int(label, classes[c]);
        }
    rows.Blank();
    rows.Add(decimated ? " Points with flag (decimated):" : " Points with flag :  ");
    const char* flagLabels[4] = {"           Synthetic ", "           Key-Point ", "           Withheld ",
                                 "           Overlap "};
    for (int b = 0; b < 4; b++) rows.Int(flagLabels[b], flags[b]);
    rows.Blank();
    rows.Add(decimated ? " Histogram of Return Types (decimated):" : " Histogram of Return Types :  ");
    // Positions: 0 single, 1 first, 2 intermediate, 3 last.
    rows.Int("           First returns ", returnTypes[1]);
    rows.Int("           Last returns ", returnTypes[3]);
    rows.Int("           Intermediate returns ", returnTypes[2]);
    rows.Int("           Single returns ", returnTypes[0]);
    rows.Blank();
    rows.Add(decimated ? " Histogram of Scanner (decimated):" : " Histogram of Scanner :  ");
    for (int c = 0; c < 4; c++)
        if (channels[c]) {
            snprintf(label, sizeof label, "            Channel( %d )", c);
            rows.Int(label, channels[c]);
        }
    rows.Blank();
    rows.Add(decimated ? " Histogram of Source ID (decimated):" : " Histogram of Source ID:  ");
    for (int id = 0; id < 65536; id++)
        if (sources[id]) {
            snprintf(label, sizeof label, "            SID ( %d )", id);
            rows.Int(label, sources[id]);
        }
    rows.Blank();
    snprintf(v, sizeof v, "Min %d , Max %d", intensityMin, intensityMax);
    rows.Add(decimated ? " Range of intensity (decimated):  " : " Range of intensity:  ", v);
    AddGPSTimeRows(rows, decimated, gpsMin, gpsMax, facts);
    rows.Blank();
}

void AddVLRRow(Rows& rows, int k, const char* userId, int recordId, int length, const char* description)
{
    char label[48];
    snprintf(label, sizeof label, "Variable Length Record (%d)", k);
    rows.Add(label);
    rows.Add(" User ID:  ", FieldText(userId, 16).c_str());
    rows.Int(" Record ID:  ", recordId);
    rows.Int(" Record Length After Header:  ", length);
    rows.Add(" Description:  ", FieldText(description, 32).c_str());
    rows.Blank();
}

// Fills the list; false when the dialog is to close at once (no LAZ reader).
bool FillLASInfo(HWND dialog, HWND view, std::string* text)
{
    HWND list = GetDlgItem(dialog, IDC_INFO_LIST);
    Rows rows = {list, text, 0};
    ViewRecord* record = ViewRecordOf(view);
    if (!record) return true;
    rows.Int(" Total Points Loaded:     ", record->totalPoints);
    const DataSet* set = record->currentDataSet;
    if (!set) return true;
    rows.Add(" The last loaded file name :   ", set->title);
    char v[64];
    rows.Add(" Statistics  ");
    rows.Add(" ----------");
    snprintf(v, sizeof v, "%.3f", set->meanEdgeLength);
    rows.Add(" Horizontal Mean:         ", v);
    snprintf(v, sizeof v, "%.3f", set->shortEdgeMean);
    rows.Add(" Biased Horizontal Mean:  ", v);
    snprintf(v, sizeof v, "%.3f", set->pointSpacing);
    rows.Add(" Biased Point Density :   ", v);
    rows.Int(" Source ID Count :   ", set->sourceIdCount);
    rows.Blank();

    if (IsLAZFile(set->path)) {
        laszip_POINTER reader = nullptr;
        if (laszip_create(&reader) || !reader) return false;
        laszip_BOOL compressed = 0;
        laszip_header_struct* header = nullptr;
        if (!laszip_open_reader(reader, set->path, &compressed) && !laszip_get_header_pointer(reader, &header) &&
            header) {
            laszip_I64 points = 0;
            laszip_get_point_count(reader, &points);
            HeaderFacts facts = FactsOfLAZ(header, points > 0 ? (uint64_t)points : 0);
            AddHeaderRows(rows, facts);
            AddHistogramRows(rows, set, facts);
            uint32_t count = std::min<uint32_t>(header->number_of_variable_length_records, 32);
            for (uint32_t k = 0; k < count && header->vlrs; k++) {
                const laszip_vlr_struct& r = header->vlrs[k];
                AddVLRRow(rows, (int)k, r.user_id, r.record_id, r.record_length_after_header, r.description);
            }
            laszip_close_reader(reader);
        }
        laszip_destroy(reader);
        return true;
    }
    LASFile* las = OpenLASFile(set->path, LAS_MODE_READ);
    if (!las) return true;
    HeaderFacts facts = FactsOfLAS(las);
    AddHeaderRows(rows, facts);
    AddHistogramRows(rows, set, facts);
    for (uint32_t k = 0; k < las->header.numberOfVLRs && las->vlrs; k++) {
        const LASVLR* r = las->vlrs[k];
        if (r) AddVLRRow(rows, (int)k, r->userId, r->recordId, r->recordLength, r->description);
    }
    CloseLASFile(las);
    return true;
}

}  // namespace

INT_PTR CALLBACK LASInfoDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        HWND view = lParam ? (HWND)lParam : GetActiveView();
        InfoDialogState* state = BeginInfoDialog(dialog);
        if (!FillLASInfo(dialog, view, &state->text)) {
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            return TRUE;
        }
        FinishInfoDialog(dialog);
        return TRUE;
    }
    case WM_COMMAND:
        return InfoDialogCommand(dialog, wParam, kLASInfoCopiedText);
    }
    return FALSE;
}
