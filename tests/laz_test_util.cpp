#include "laz_test_util.h"
#include "base/file_io.h"

namespace laztest {

std::vector<uint8_t> ReadWhole(const std::string& path)
{
    std::vector<uint8_t> out;
    VFile f = VFileOpenRead(path.c_str());
    if (!f) return out;
    int64_t size = VFileSize(f);
    if (size > 0) {
        out.resize((size_t)size);
        if (!VFileReadExact(f, out.data(), out.size())) out.clear();
    }
    VFileClose(f);
    return out;
}

bool WriteWhole(const std::string& path, const std::vector<uint8_t>& bytes)
{
    VFile f = VFileCreate(path.c_str());
    if (!f) return false;
    bool ok = bytes.empty() || VFileWrite(f, bytes.data(), bytes.size());
    return VFileClose(f) && ok;
}

LasTwin ReadTwin(const std::string& path)
{
    LasTwin t;
    t.bytes = ReadWhole(path);
    const uint8_t* h = t.bytes.data();
    if (t.bytes.size() < 227 || memcmp(h, "LASF", 4) != 0) return t;
    t.versionMinor = h[25];
    memcpy(&t.offset, h + 96, 4);
    t.format = h[104] & 0x3F;
    memcpy(&t.recordLength, h + 105, 2);
    memcpy(&t.legacyCount, h + 107, 4);
    memcpy(t.legacyByReturn, h + 111, 20);
    for (int i = 0; i < 3; i++) {
        t.scale[i] = GetF64(h + 131 + 8 * i);
        t.shift[i] = GetF64(h + 155 + 8 * i);
    }
    for (int i = 0; i < 6; i++) t.bounds[i] = GetF64(h + 179 + 8 * i);
    if (t.versionMinor >= 4 && t.bytes.size() >= 375) {
        memcpy(&t.extendedCount, h + 247, 8);
        memcpy(t.extendedByReturn, h + 255, 120);
    }
    t.count = t.legacyCount ? t.legacyCount : t.extendedCount;
    t.ok = t.offset + t.count * t.recordLength <= t.bytes.size();
    return t;
}

Decoded DecodeFile(const std::string& path, int threads)
{
    Decoded d;
    laszip_POINTER h = nullptr;
    if (laszip_create(&h)) return d;
    laszip_set_decoder_threads(h, threads);
    laszip_BOOL compressed = 0;
    if (laszip_open_reader(h, path.c_str(), &compressed)) {
        char* e = nullptr;
        laszip_get_error(h, &e);
        d.error = e ? e : "";
        laszip_destroy(h);
        return d;
    }
    d.opened = true;
    laszip_header_struct* hd = nullptr;
    laszip_get_header_pointer(h, &hd);
    d.header = *hd;
    d.format = hd->point_data_format;
    d.recordLength = hd->point_data_record_length;
    d.headerCount = hd->number_of_point_records ? hd->number_of_point_records : hd->extended_number_of_point_records;
    for (uint64_t i = 0; i < d.headerCount; i++) {
        if (laszip_read_point(h)) {
            char* e = nullptr;
            laszip_get_error(h, &e);
            d.error = e ? e : "";
            break;
        }
        const laszip_U8* rec = nullptr;
        laszip_get_point_record(h, &rec);
        d.records.insert(d.records.end(), rec, rec + d.recordLength);
    }
    laszip_close_reader(h);
    laszip_destroy(h);
    return d;
}

}  // namespace laztest
