// The laszip_* calls over our own reader.
#include "data/laszip/laszip_api.h"
#include <cmath>
#include <cstring>
#include <new>
#include <string>
#include "data/laszip/laz_file_source.h"
#include "data/laszip/laz_reader.h"
#include "data/lasfile/las_points.h"

namespace {

struct LazHandle {
    laz::LazReader reader;
    laszip_header_struct defaultHeader;
    laszip_point_struct point;
    std::string error;
    unsigned threads = 0;  // 0: the default
    bool open = false;
    const uint8_t* record = nullptr;
};

LazHandle* H(laszip_POINTER p)
{
    return static_cast<LazHandle*>(p);
}

laszip_I32 Error(LazHandle* h, const std::string& text)
{
    h->error = text;
    return 1;
}

void SetDefaultHeader(laszip_header_struct& hd)
{
    memset(&hd, 0, sizeof hd);
    hd.version_major = 1;
    hd.version_minor = 2;
    hd.header_size = 227;
    hd.offset_to_point_data = 227;
    hd.point_data_format = 1;
    hd.point_data_record_length = 28;
    hd.x_scale_factor = hd.y_scale_factor = hd.z_scale_factor = 0.01;
}

double GetF64(const uint8_t* p)
{
    double v;
    memcpy(&v, p, 8);
    return v;
}

// Fills the caller's point struct from a LAS record; fields a format lacks are left alone.
void Unpack(const uint8_t* rec, uint8_t format, uint16_t R, laszip_point_struct& pt)
{
    pt.X = (int32_t)laz::Get32(rec);
    pt.Y = (int32_t)laz::Get32(rec + 4);
    pt.Z = (int32_t)laz::Get32(rec + 8);
    pt.intensity = laz::Get16(rec + 12);
    uint16_t minLen = (uint16_t)LASStandardRecordLength(format);
    if (format <= 5) {
        pt.return_number = rec[14] & 7;
        pt.number_of_returns = (rec[14] >> 3) & 7;
        pt.scan_direction_flag = (rec[14] >> 6) & 1;
        pt.edge_of_flight_line = rec[14] >> 7;
        pt.classification = rec[15] & 31;
        pt.synthetic_flag = (rec[15] >> 5) & 1;
        pt.keypoint_flag = (rec[15] >> 6) & 1;
        pt.withheld_flag = rec[15] >> 7;
        pt.scan_angle_rank = (int8_t)rec[16];
        pt.user_data = rec[17];
        pt.point_source_ID = laz::Get16(rec + 18);
        uint32_t off = 20;
        if (format == 1 || format >= 3) {
            pt.gps_time = GetF64(rec + off);
            off += 8;
        }
        if (format == 2 || format == 3 || format == 5) {
            pt.rgb[0] = laz::Get16(rec + off);
            pt.rgb[1] = laz::Get16(rec + off + 2);
            pt.rgb[2] = laz::Get16(rec + off + 4);
            off += 6;
        }
        if (format >= 4) memcpy(pt.wave_packet, rec + off, 29);
    } else {
        uint32_t r = rec[14] & 15, n = rec[14] >> 4;
        pt.extended_return_number = r;
        pt.extended_number_of_returns = n;
        if (n > 7) {
            pt.number_of_returns = 7;
            pt.return_number = r > 6 ? (r >= n ? 7 : 6) : r;
        } else {
            pt.number_of_returns = n;
            pt.return_number = r & 7;
        }
        uint8_t f = rec[15];
        pt.extended_classification_flags = f & 15;
        pt.synthetic_flag = f & 1;
        pt.keypoint_flag = (f >> 1) & 1;
        pt.withheld_flag = (f >> 2) & 1;
        pt.extended_scanner_channel = (f >> 4) & 3;
        pt.scan_direction_flag = (f >> 6) & 1;
        pt.edge_of_flight_line = f >> 7;
        pt.extended_classification = rec[16];
        pt.classification = rec[16] < 32 ? rec[16] : 0;
        pt.user_data = rec[17];
        pt.extended_scan_angle = (int16_t)laz::Get16(rec + 18);
        float a = 0.006f * (float)pt.extended_scan_angle;
        int v = a >= 0.0f ? (int)(a + 0.5f) : (int)(a - 0.5f);
        pt.scan_angle_rank = (int8_t)(v < -128 ? -128 : (v > 127 ? 127 : v));
        pt.point_source_ID = laz::Get16(rec + 20);
        pt.gps_time = GetF64(rec + 22);
        pt.extended_point_type = 1;
        if (format == 7 || format == 8 || format == 10) {
            pt.rgb[0] = laz::Get16(rec + 30);
            pt.rgb[1] = laz::Get16(rec + 32);
            pt.rgb[2] = laz::Get16(rec + 34);
        }
        if (format == 8 || format == 10) pt.rgb[3] = laz::Get16(rec + 36);
        if (format == 9) memcpy(pt.wave_packet, rec + 30, 29);
        if (format == 10) memcpy(pt.wave_packet, rec + 38, 29);
    }
    if (R > minLen && pt.extra_bytes) memcpy(pt.extra_bytes, rec + minLen, R - minLen);
}

}  // namespace

laszip_I32 laszip_create(laszip_POINTER* pointer)
{
    if (!pointer) return 1;
    LazHandle* h = new (std::nothrow) LazHandle();
    if (!h) return 1;
    SetDefaultHeader(h->defaultHeader);
    memset(&h->point, 0, sizeof h->point);
    *pointer = h;
    return 0;
}

laszip_I32 laszip_destroy(laszip_POINTER pointer)
{
    if (!pointer) return 1;
    LazHandle* h = H(pointer);
    h->reader.Close();
    delete[] h->point.extra_bytes;
    delete h;
    return 0;
}

laszip_I32 laszip_get_error(laszip_POINTER pointer, laszip_CHAR** error)
{
    if (!pointer || !error) return 1;
    *error = H(pointer)->error.empty() ? nullptr : &H(pointer)->error[0];
    return 0;
}

laszip_I32 laszip_get_warning(laszip_POINTER pointer, laszip_CHAR** warning)
{
    if (!pointer || !warning) return 1;
    LazHandle* h = H(pointer);
    *warning = h->open && !h->reader.Note().empty() ? (laszip_CHAR*)h->reader.Note().c_str() : nullptr;
    return 0;
}

laszip_I32 laszip_set_decoder_threads(laszip_POINTER pointer, laszip_I32 threads)
{
    if (!pointer || threads < 0) return 1;
    H(pointer)->threads = (unsigned)threads;
    return 0;
}

laszip_I32 laszip_open_reader(laszip_POINTER pointer, const laszip_CHAR* file_name, laszip_BOOL* is_compressed)
{
    if (!pointer) return 1;
    LazHandle* h = H(pointer);
    try {
        if (!file_name || !is_compressed) return Error(h, "file name or compressed flag pointer is null");
        if (h->open) return Error(h, "a reader is already open");
        std::unique_ptr<laz::LazSource> src = laz::OpenFileSource(file_name);
        if (!src) return Error(h, std::string("cannot open file '") + file_name + "'");
        unsigned threads = h->threads ? h->threads : laz::DefaultDecoderThreads();
        std::string err;
        if (!h->reader.Open(std::move(src), threads, err)) return Error(h, err);
        h->open = true;
        h->record = nullptr;
        *is_compressed = h->reader.Compressed() ? 1 : 0;
        delete[] h->point.extra_bytes;
        memset(&h->point, 0, sizeof h->point);
        uint16_t minLen = (uint16_t)LASStandardRecordLength(h->reader.Format());
        if (h->reader.RecordLength() > minLen) {
            h->point.num_extra_bytes = h->reader.RecordLength() - minLen;
            h->point.extra_bytes = new uint8_t[h->point.num_extra_bytes]();
        }
        if (h->reader.Format() > 5) h->point.extended_point_type = 1;
        h->error.clear();
        return 0;
    } catch (const std::bad_alloc&) {
        return Error(h, "out of memory");
    }
}

laszip_I32 laszip_get_header_pointer(laszip_POINTER pointer, laszip_header_struct** header_pointer)
{
    if (!pointer || !header_pointer) return 1;
    LazHandle* h = H(pointer);
    // After a successful open (and after close) the file's header, else the defaults.
    *header_pointer = h->reader.Header().header_size ? &h->reader.Header() : &h->defaultHeader;
    return 0;
}

laszip_I32 laszip_get_point_pointer(laszip_POINTER pointer, laszip_point_struct** point_pointer)
{
    if (!pointer || !point_pointer) return 1;
    *point_pointer = &H(pointer)->point;
    return 0;
}

laszip_I32 laszip_read_point(laszip_POINTER pointer)
{
    if (!pointer) return 1;
    LazHandle* h = H(pointer);
    try {
        if (!h->open) return Error(h, "no reader is open");
        std::string err;
        const uint8_t* rec = h->reader.ReadPoint(err);
        h->record = rec;
        if (!rec) return Error(h, err);
        Unpack(rec, h->reader.Format(), h->reader.RecordLength(), h->point);
        return 0;
    } catch (const std::bad_alloc&) {
        return Error(h, "out of memory");
    }
}

laszip_I32 laszip_seek_point(laszip_POINTER pointer, laszip_I64 index)
{
    if (!pointer) return 1;
    LazHandle* h = H(pointer);
    try {
        if (!h->open) return Error(h, "no reader is open");
        h->record = nullptr;
        if (index < 0) return Error(h, "negative point index");
        std::string err;
        if (!h->reader.Seek((uint64_t)index, err)) return Error(h, err);
        return 0;
    } catch (const std::bad_alloc&) {
        return Error(h, "out of memory");
    }
}

laszip_I32 laszip_close_reader(laszip_POINTER pointer)
{
    if (!pointer) return 1;
    LazHandle* h = H(pointer);
    if (!h->open) return Error(h, "no reader is open");
    h->reader.Close();
    h->open = false;
    h->record = nullptr;
    return 0;
}

laszip_I32 laszip_get_point_record(laszip_POINTER pointer, const laszip_U8** record)
{
    if (!pointer || !record) return 1;
    LazHandle* h = H(pointer);
    if (!h->record) return Error(h, "no point has been read");
    *record = h->record;
    return 0;
}

laszip_I32 laszip_get_point_capacity(laszip_POINTER pointer, laszip_U64* capacity)
{
    if (!pointer || !capacity) return 1;
    LazHandle* h = H(pointer);
    if (!h->open) return Error(h, "no reader is open");
    try {
        *capacity = h->reader.PointCapacity();
        return 0;
    } catch (const std::bad_alloc&) {
        return Error(h, "out of memory");
    }
}

laszip_I32 laszip_get_point_count(laszip_POINTER pointer, laszip_I64* count)
{
    if (!pointer || !count) return 1;
    LazHandle* h = H(pointer);
    if (!h->open) return Error(h, "no reader is open");
    *count = (laszip_I64)h->reader.PointCount();
    return 0;
}
