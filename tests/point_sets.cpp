#include "point_sets.h"
#include "base/file_io.h"
#include "base/heap.h"
#include "data/laszip/laszip_api.h"
#include "data/selection.h"
#include "data/statistics.h"
#include "base/polygon.h"
#include "base/palette.h"
#include <algorithm>
#include <array>
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

void SetPointSetBounds(DataSet* set)
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
    set->saved = 1;   // as a loader leaves it
    set->pointCount = set->filePointCount = (int32_t)points.size();
    set->points = (PointRecord*)NBLMalloc(points.size() * sizeof(PointRecord) + 1);
    if (!points.empty()) memcpy(set->points, points.data(), points.size() * sizeof(PointRecord));
    strcpy(set->title, "memory.las");
    SetPointSetBounds(set);
    return set;
}

static DataSet* MakeViewable(DataSet* set)
{
    SetPointSetBounds(set);
    int iLow = 65535, iHigh = 0;
    for (int k = 0; k < set->pointCount; k++) {
        iLow = std::min(iLow, (int)set->points[k].intensity);
        iHigh = std::max(iHigh, (int)set->points[k].intensity);
    }
    set->rampLowZ = set->minZ;
    set->rampHighZ = set->maxZ;
    set->intensityLow = iLow;
    set->intensityHigh = iHigh;
    for (int i = 0; i < 65536; i++) set->sourceIdTable[i].color = GetPaletteColor(i);
    set->tiles = BuildPointTiles(set);
    return set;
}

DataSet* MakePointDataSet(const std::vector<PointRecord>& points) { return MakeViewable(MakePointSet(points)); }

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

DataSet* LoadSampleDataSet(const std::string& path)
{
    laszip_POINTER reader = nullptr;
    laszip_create(&reader);
    laszip_BOOL compressed = 0;
    if (laszip_open_reader(reader, path.c_str(), &compressed)) {
        laszip_destroy(reader);
        return nullptr;
    }
    laszip_header_struct* header = nullptr;
    laszip_point_struct* point = nullptr;
    laszip_get_header_pointer(reader, &header);
    laszip_get_point_pointer(reader, &point);
    uint64_t n = header->number_of_point_records ? header->number_of_point_records
                                                 : header->extended_number_of_point_records;
    DataSet* set = AllocDataSet();
    set->kind = DATA_LAS;
    set->saved = 1;
    set->points = (PointRecord*)NBLCalloc(n + 1, sizeof(PointRecord));
    uint32_t wide = 0;
    std::vector<std::array<uint8_t, 3>> narrow;
    for (uint64_t k = 0; k < n; k++) {
        if (laszip_read_point(reader)) break;
        PointRecord& p = set->points[k];
        p.x = point->X * header->x_scale_factor + header->x_offset;
        p.y = point->Y * header->y_scale_factor + header->y_offset;
        p.z = (float)(point->Z * header->z_scale_factor + header->z_offset);
        p.intensity = point->intensity;
        int r = point->return_number, m = point->number_of_returns;
        int position = m <= 1 ? 0 : r == 1 ? 1 : r == m ? 3 : 2;
        p.returns = (uint8_t)((r & 7) | ((m & 7) << 3) | (position << 6));
        p.classification = point->classification;
        p.pointSourceId = point->point_source_ID;
        p.red = (uint8_t)(point->rgb[0] >> 8);
        p.green = (uint8_t)(point->rgb[1] >> 8);
        p.blue = (uint8_t)(point->rgb[2] >> 8);
        wide |= point->rgb[0] | point->rgb[1] | point->rgb[2];
        narrow.push_back({(uint8_t)point->rgb[0], (uint8_t)point->rgb[1], (uint8_t)point->rgb[2]});
        set->pointCount = set->filePointCount = (int32_t)(k + 1);
    }
    // Colours stored as 8-bit values in the 16-bit fields are taken as they are.
    if (wide < 256)
        for (int k = 0; k < set->pointCount; k++) {
            set->points[k].red = narrow[k][0];
            set->points[k].green = narrow[k][1];
            set->points[k].blue = narrow[k][2];
        }
    laszip_close_reader(reader);
    laszip_destroy(reader);
    return MakeViewable(set);
}

DataSet* MakeGridSet(int rows, int columns, std::function<float(double, double)> height)
{
    DataSet* set = AllocDataSet();
    set->kind = DATA_GDAL;
    set->rows = rows;
    set->columns = columns;
    set->cellSize = 1;
    set->originX = 0;
    set->originY = 100;
    set->heights = (float**)NBLCalloc2D(rows, columns, sizeof(float));
    set->mask = (uint8_t**)NBLCalloc2D(rows, 2 * columns, 1);
    set->minZ = 3.37e38f;
    set->maxZ = -3.37e38f;
    for (int r = 0; r < rows; r++)
        for (int c = 0; c < columns; c++) {
            float z = height(c, 100 - r);
            set->heights[r][c] = z;
            set->pointCount++;
            set->minZ = std::min(set->minZ, z);
            set->maxZ = std::max(set->maxZ, z);
        }
    set->minX = 0;
    set->maxX = columns - 1;
    set->maxY = 100;
    set->minY = 100 - (rows - 1);
    set->extent = NewPolygon(4);
    gpc_vertex* v = set->extent->contour[0].vertex;
    v[0] = {set->minX, set->maxY};
    v[1] = {set->maxX, set->maxY};
    v[2] = {set->maxX, set->minY};
    v[3] = {set->minX, set->minY};
    ComputeDataSetStatistics(set);
    return set;
}
