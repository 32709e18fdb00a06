#include "view_test_util.h"
#include "app/display_settings.h"
#include "app/window_slots.h"
#include "base/file_io.h"
#include "base/heap.h"
#include <cstring>

PointRecord MakePoint(double x, double y, float z, int classCode, int position, int intensity, int sourceId)
{
    PointRecord p = {};
    p.x = x;
    p.y = y;
    p.z = z;
    p.classification = (uint8_t)classCode;
    p.returns = (uint8_t)(1 | (1 << 3) | (position << 6));
    p.intensity = (uint16_t)intensity;
    p.pointSourceId = (uint16_t)sourceId;
    return p;
}

static void SetBounds(DataSet* set)
{
    set->minX = set->minY = 3.37e38;
    set->maxX = set->maxY = -3.37e38;
    set->minZ = 3.37e38f;
    set->maxZ = -3.37e38f;
    for (int i = 0; i < set->pointCount; i++) {
        const PointRecord& p = set->points[i];
        set->minX = std::min(set->minX, p.x);
        set->maxX = std::max(set->maxX, p.x);
        set->minY = std::min(set->minY, p.y);
        set->maxY = std::max(set->maxY, p.y);
        set->minZ = std::min(set->minZ, p.z);
        set->maxZ = std::max(set->maxZ, p.z);
    }
}

DataSet* MakePointSet(const std::vector<PointRecord>& points)
{
    DataSet* set = AllocDataSet();
    set->kind = DATA_LAS;
    set->pointCount = set->filePointCount = (int32_t)points.size();
    if (!points.empty()) {
        set->points = (PointRecord*)NBLMalloc(points.size() * sizeof(PointRecord));
        memcpy(set->points, points.data(), points.size() * sizeof(PointRecord));
    }
    strcpy(set->title, "memory.las");
    SetBounds(set);
    return set;
}

template <typename T> static T At(const uint8_t* b, size_t offset)
{
    T v;
    memcpy(&v, b + offset, sizeof v);
    return v;
}

DataSet* ReadSampleLAS(const char* path)
{
    VFile f = VFileOpenRead(path);
    if (!f) return nullptr;
    uint8_t header[227];
    if (!VFileReadExact(f, header, sizeof header) || memcmp(header, "LASF", 4) != 0) {
        VFileClose(f);
        return nullptr;
    }
    uint32_t offset = At<uint32_t>(header, 96);
    uint8_t format = header[104] & 0x3F;
    uint16_t length = At<uint16_t>(header, 105);
    uint32_t count = At<uint32_t>(header, 107);
    double scale[3], shift[3];
    for (int k = 0; k < 3; k++) {
        scale[k] = At<double>(header, 131 + 8 * k);
        shift[k] = At<double>(header, 155 + 8 * k);
    }
    if (format > 5) {
        VFileClose(f);
        return nullptr;
    }
    std::vector<uint8_t> raw((size_t)count * length);
    if (!VFileSeek(f, offset) || (count && !VFileReadExact(f, raw.data(), raw.size()))) {
        VFileClose(f);
        return nullptr;
    }
    VFileClose(f);
    std::vector<PointRecord> points(count);
    for (uint32_t i = 0; i < count; i++) {
        const uint8_t* r = raw.data() + (size_t)i * length;
        PointRecord& p = points[i];
        memset(&p, 0, sizeof p);
        p.x = At<int32_t>(r, 0) * scale[0] + shift[0];
        p.y = At<int32_t>(r, 4) * scale[1] + shift[1];
        p.z = (float)(At<int32_t>(r, 8) * scale[2] + shift[2]);
        p.intensity = At<uint16_t>(r, 12);
        p.returns = MakeReturnByte(r[14] & 7, (r[14] >> 3) & 7);
        p.classification = r[15] & 31;
        p.pointSourceId = At<uint16_t>(r, 18);
    }
    DataSet* set = MakePointSet(points);
    strncpy(set->path, path, sizeof set->path - 1);
    return set;
}

ViewRecord* MakeViewRecord(const std::vector<DataSet*>& sets)
{
    SetDefaultDisplaySettings();
    ViewRecord* record = CreateViewRecord();
    NBLFree(record->dataSets);
    record->dataSetCount = (int)sets.size();
    record->dataSets = (DataSet**)NBLCalloc(sets.empty() ? 1 : sets.size(), sizeof(DataSet*));
    for (size_t i = 0; i < sets.size(); i++) record->dataSets[i] = sets[i];
    record->currentDataSet = sets.empty() ? nullptr : sets[0];
    record->dataKind = sets.empty() ? 0 : sets[0]->kind;
    return record;
}

static LRESULT CALLBACK RecordWindowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

HWND MakeRecordWindow(ViewRecord* record)
{
    static bool registered;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = RecordWindowProc;
        wc.cbWndExtra = CHILD_EXTRA_BYTES;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VelkaRecordWindow";
        RegisterClassA(&wc);
        registered = true;
    }
    HWND w = CreateWindowExA(0, "VelkaRecordWindow", "", 0, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    SetWindowSlot(w, CHILD_RECORD, (LONG_PTR)record);
    return w;
}
