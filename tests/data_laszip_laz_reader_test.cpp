// LAZ decoding against uncompressed twins, header facts of LAZ-only files,
// seeking, the point struct, and threaded against single-threaded reading.
#include <cmath>
#include "test_support.h"
#include "laz_test_util.h"

using namespace laztest;

namespace {

// Each LAZ sample and its uncompressed twin ("" when there is none).
const char* const kPairs[][2] = {
    {"1815.laz", "1815.las"},
    {"1_4_w_evlr.laz", "1_4_w_evlr.las"},
    {"autzen_trim.laz", "autzen_trim.las"},
    {"extrabytes.laz", "extrabytes.las"},
    {"no-points-1.3.laz", "no-points-1.3.las"},
    {"point-color-time.las.laz", "point-color-time.las"},
    {"point-color.las.laz", "point-color.las"},
    {"point-time.las.laz", "point-time.las"},
    {"point10-1.0.laz", "point10-1.0.las"},
    {"point10-1.1.laz", "point10-1.1.las"},
    {"point10.las.laz", "point10.las"},
    {"simple.laz", "simple.las"},
    {"synthetic\\fmt1_v1_chunked.laz", "synthetic\\fmt1_v1_chunked.las"},
    {"synthetic\\fmt3_v2_variable_chunks.laz", "synthetic\\fmt3_v2_variable_chunks.las"},
    {"synthetic\\fmt4_p10v2_gpsv1_wave13_bytev1.laz", "synthetic\\fmt4_p10v2_gpsv1_wave13_bytev1.las"},
    {"synthetic\\fmt5_p10v1_gpsv2_rgbv1_wave_bytev2_c1.laz", "synthetic\\fmt5_p10v1_gpsv2_rgbv1_wave_bytev2_c1.las"},
    {"synthetic\\fmt7_eb3_v3_multichannel.laz", "synthetic\\fmt7_eb3_v3_multichannel.las"},
    {"synthetic\\fmt7_eb3_v4_multichannel.laz", "synthetic\\fmt7_eb3_v4_multichannel.las"},
    {"synthetic\\fmt7_v3_variable_chunks_minus1.laz", "synthetic\\fmt7_v3_variable_chunks_minus1.las"},
    {"synthetic\\fmt9_eb2_v3_multichannel.laz", "synthetic\\fmt9_eb2_v3_multichannel.las"},
    {"synthetic\\fmt9_eb2_v4_multichannel.laz", "synthetic\\fmt9_eb2_v4_multichannel.las"},
    {"append-bug.laz", ""},
    {"simple.copc.laz", ""},
};

// Number of records that differ, and the first one.
uint64_t CountMismatches(const Decoded& d, const LasTwin& t, uint64_t* first)
{
    uint64_t bad = 0;
    for (uint64_t i = 0; i < d.Count() && i < t.count; i++) {
        if (memcmp(d.Record(i), t.Record(i), t.recordLength) != 0) {
            if (bad == 0) *first = i;
            bad++;
        }
    }
    return bad;
}

void ExpectHeaderMatchesTwin(const Decoded& d, const LasTwin& t, const char* name)
{
    const laszip_header_struct& h = d.header;
    EXPECT_EQ(h.point_data_format, t.format) << name;
    EXPECT_EQ(h.point_data_record_length, t.recordLength) << name;
    EXPECT_EQ(h.version_minor, t.versionMinor) << name;
    EXPECT_EQ(h.number_of_point_records, t.legacyCount) << name;
    for (int i = 0; i < 5; i++) EXPECT_EQ(h.number_of_points_by_return[i], t.legacyByReturn[i]) << name;
    EXPECT_EQ(h.extended_number_of_point_records, t.extendedCount) << name;
    for (int i = 0; i < 15; i++) EXPECT_EQ(h.extended_number_of_points_by_return[i], t.extendedByReturn[i]) << name;
    const double got[12] = {h.x_scale_factor, h.y_scale_factor, h.z_scale_factor, h.x_offset, h.y_offset, h.z_offset,
                            h.max_x,          h.min_x,          h.max_y,          h.min_y,    h.max_z,    h.min_z};
    for (int i = 0; i < 3; i++) EXPECT_EQ(got[i], t.scale[i]) << name;
    for (int i = 0; i < 3; i++) EXPECT_EQ(got[3 + i], t.shift[i]) << name;
    // Twins written by other tools may round the bounds differently.
    for (int i = 0; i < 6; i++) EXPECT_NEAR(got[6 + i], t.bounds[i], t.scale[i / 2]) << name;
}

// Header values are passed on exactly as stored in the LAZ file.
void ExpectHeaderAsStored(const Decoded& d, const std::string& path)
{
    LasTwin raw = ReadTwin(path);  // same header layout; its records are compressed
    const laszip_header_struct& h = d.header;
    const double got[6] = {h.max_x, h.min_x, h.max_y, h.min_y, h.max_z, h.min_z};
    for (int i = 0; i < 6; i++) EXPECT_EQ(got[i], raw.bounds[i]);
    EXPECT_EQ(h.x_offset, raw.shift[0]);
    EXPECT_EQ(h.number_of_point_records, raw.legacyCount);
    EXPECT_EQ(h.extended_number_of_point_records, raw.extendedCount);
}

// Point count, bounding box and points by return of a file without a twin.
void ExpectConsistentWithHeader(const Decoded& d, const char* name)
{
    const laszip_header_struct& h = d.header;
    ASSERT_EQ(d.Count(), d.headerCount) << name << ": " << d.error;
    uint64_t byReturn[15] = {};
    double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
    const double scale[3] = {h.x_scale_factor, h.y_scale_factor, h.z_scale_factor};
    const double shift[3] = {h.x_offset, h.y_offset, h.z_offset};
    for (uint64_t i = 0; i < d.Count(); i++) {
        const uint8_t* r = d.Record(i);
        for (int k = 0; k < 3; k++) {
            int32_t v;
            memcpy(&v, r + 4 * k, 4);
            double w = v * scale[k] + shift[k];
            lo[k] = std::min(lo[k], w);
            hi[k] = std::max(hi[k], w);
        }
        int ret = d.format > 5 ? (r[14] & 15) : (r[14] & 7);
        if (ret >= 1 && ret <= 15) byReturn[ret - 1]++;
    }
    const double hmin[3] = {h.min_x, h.min_y, h.min_z}, hmax[3] = {h.max_x, h.max_y, h.max_z};
    for (int k = 0; k < 3; k++) {
        EXPECT_NEAR(lo[k], hmin[k], scale[k]) << name << " axis " << k;
        EXPECT_NEAR(hi[k], hmax[k], scale[k]) << name << " axis " << k;
    }
    for (int i = 0; i < 15; i++) {
        uint64_t want = h.version_minor >= 4 ? h.extended_number_of_points_by_return[i]
                                             : (i < 5 ? h.number_of_points_by_return[i] : 0);
        EXPECT_EQ(byReturn[i], want) << name << " return " << i + 1;
    }
}

}  // namespace

TEST(LazDecode, EverySampleMatchesItsTwinOrItsHeader)
{
    REQUIRE_SAMPLES();
    for (const auto& pair : kPairs) {
        SCOPED_TRACE(pair[0]);
        Decoded d = DecodeFile(SamplePath(pair[0]), 1);
        ASSERT_TRUE(d.opened) << d.error;
        ExpectHeaderAsStored(d, SamplePath(pair[0]));
        if (!*pair[1]) {
            ExpectConsistentWithHeader(d, pair[0]);
            continue;
        }
        LasTwin t = ReadTwin(SamplePath(pair[1]));
        ASSERT_TRUE(t.ok);
        ExpectHeaderMatchesTwin(d, t, pair[0]);
        EXPECT_EQ(d.Count(), t.count) << d.error;
        uint64_t first = 0;
        EXPECT_EQ(CountMismatches(d, t, &first), 0u) << "first differing record " << first;
    }
}

TEST(LazDecode, ThreadedReadingEqualsSingleThreaded)
{
    REQUIRE_SAMPLES();
    for (const auto& pair : kPairs) {
        SCOPED_TRACE(pair[0]);
        Decoded one = DecodeFile(SamplePath(pair[0]), 1);
        Decoded many = DecodeFile(SamplePath(pair[0]), 4);
        ASSERT_TRUE(one.opened && many.opened);
        EXPECT_EQ(one.Count(), many.Count());
        EXPECT_TRUE(one.records == many.records);
    }
}

TEST(LazDecode, PlainLasOpensThroughTheSameCalls)
{
    REQUIRE_SAMPLES();
    LasTwin t = ReadTwin(SamplePath("simple1_4.las"));
    ASSERT_TRUE(t.ok);
    laszip_POINTER h;
    ASSERT_EQ(laszip_create(&h), 0);
    laszip_BOOL compressed = 1;
    ASSERT_EQ(laszip_open_reader(h, SamplePath("simple1_4.las").c_str(), &compressed), 0);
    EXPECT_EQ(compressed, 0);
    const laszip_U8* rec;
    for (uint64_t i : {0ull, 1ull, 12345ull, 22599ull}) {
        ASSERT_EQ(laszip_seek_point(h, i), 0);
        ASSERT_EQ(laszip_read_point(h), 0);
        ASSERT_EQ(laszip_get_point_record(h, &rec), 0);
        EXPECT_EQ(memcmp(rec, t.Record(i), t.recordLength), 0) << i;
    }
    laszip_destroy(h);  // closes the open reader too
}

// Seeks to the first, middle, chunk-boundary and last points must give what
// sequential reading gives, with and without worker threads.
TEST(LazDecode, SeekEqualsSequentialRead)
{
    REQUIRE_SAMPLES();
    struct Case {
        const char* file;
        std::vector<uint64_t> points;
    };
    const Case cases[] = {
        {"autzen_trim.laz", {0, 55000, 49999, 50000, 100000, 109999, 3, 2}},
        {"simple.copc.laz", {0, 532, 16, 17, 31, 1064, 5}},
        {"1_4_w_evlr.laz", {0, 500, 999, 1}},
        {"synthetic\\fmt5_p10v1_gpsv2_rgbv1_wave_bytev2_c1.laz", {0, 1000, 1999, 10, 1500}},
        {"synthetic\\fmt3_v2_variable_chunks.laz", {0, 500, 999, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Decoded seq = DecodeFile(SamplePath(c.file), 1);
        ASSERT_EQ(seq.Count(), seq.headerCount);
        for (int threads : {1, 4}) {
            laszip_POINTER h;
            laszip_create(&h);
            laszip_set_decoder_threads(h, threads);
            laszip_BOOL compressed;
            ASSERT_EQ(laszip_open_reader(h, SamplePath(c.file).c_str(), &compressed), 0);
            for (uint64_t p : c.points) {
                ASSERT_EQ(laszip_seek_point(h, (laszip_I64)p), 0) << p;
                for (uint64_t k = p; k < p + 3 && k < seq.Count(); k++) {
                    ASSERT_EQ(laszip_read_point(h), 0) << k;
                    const laszip_U8* rec;
                    laszip_get_point_record(h, &rec);
                    EXPECT_EQ(memcmp(rec, seq.Record(k), seq.recordLength), 0)
                        << "point " << k << " after seek to " << p;
                }
            }
            // The loader's colour pass: back to 0 and read everything again.
            ASSERT_EQ(laszip_seek_point(h, 0), 0);
            uint64_t same = 0;
            for (uint64_t k = 0; k < seq.Count(); k++) {
                if (laszip_read_point(h)) break;
                const laszip_U8* rec;
                laszip_get_point_record(h, &rec);
                same += memcmp(rec, seq.Record(k), seq.recordLength) == 0;
            }
            EXPECT_EQ(same, seq.Count());
            EXPECT_NE(laszip_seek_point(h, (laszip_I64)seq.Count() + 1), 0);
            laszip_close_reader(h);
            laszip_destroy(h);
        }
    }
}

TEST(LazDecode, PointStructCarriesTheRecordFields)
{
    REQUIRE_SAMPLES();
    // Format 3 (legacy fields, time, colour) and format 7 with several channels.
    for (const char* file : {"autzen_trim.laz", "synthetic\\fmt7_eb3_v4_multichannel.laz"}) {
        SCOPED_TRACE(file);
        laszip_POINTER h;
        laszip_create(&h);
        laszip_BOOL compressed;
        ASSERT_EQ(laszip_open_reader(h, SamplePath(file).c_str(), &compressed), 0);
        EXPECT_EQ(compressed, 1);
        laszip_header_struct* hd;
        laszip_point_struct* pt;
        ASSERT_EQ(laszip_get_header_pointer(h, &hd), 0);
        ASSERT_EQ(laszip_get_point_pointer(h, &pt), 0);
        bool extended = hd->point_data_format > 5;
        uint64_t n = extended ? hd->extended_number_of_point_records : hd->number_of_point_records;
        int channels = 0;
        for (uint64_t i = 0; i < n && i < 3000; i++) {
            ASSERT_EQ(laszip_read_point(h), 0);
            const laszip_U8* r;
            laszip_get_point_record(h, &r);
            int32_t x, y, z;
            memcpy(&x, r, 4);
            memcpy(&y, r + 4, 4);
            memcpy(&z, r + 8, 4);
            ASSERT_EQ(pt->X, x);
            ASSERT_EQ(pt->Y, y);
            ASSERT_EQ(pt->Z, z);
            ASSERT_EQ(pt->gps_time, GetF64(r + (extended ? 22 : 20)));
            uint16_t red;
            memcpy(&red, r + (extended ? 30 : 28), 2);
            ASSERT_EQ(pt->rgb[0], red);
            if (extended) {
                ASSERT_EQ(pt->extended_return_number, r[14] & 15);
                ASSERT_EQ(pt->extended_number_of_returns, r[14] >> 4);
                ASSERT_EQ(pt->extended_classification, r[16]);
                ASSERT_EQ(pt->extended_classification_flags, r[15] & 15);
                ASSERT_EQ(pt->extended_scanner_channel, (r[15] >> 4) & 3);
                ASSERT_EQ(pt->extended_point_type, 1);
                ASSERT_EQ(pt->synthetic_flag, r[15] & 1);
                ASSERT_EQ(pt->num_extra_bytes, 3);
                ASSERT_EQ(memcmp(pt->extra_bytes, r + 36, 3), 0);
                channels |= 1 << pt->extended_scanner_channel;
            } else {
                ASSERT_EQ(pt->return_number, r[14] & 7);
                ASSERT_EQ(pt->number_of_returns, (r[14] >> 3) & 7);
                ASSERT_EQ(pt->classification, r[15] & 31);
                ASSERT_EQ(pt->withheld_flag, r[15] >> 7);
                uint16_t psid;
                memcpy(&psid, r + 18, 2);
                ASSERT_EQ(pt->point_source_ID, psid);
            }
        }
        if (extended) {
            EXPECT_GT(channels, 1);  // the file really switches channels
        }
        laszip_close_reader(h);
        // The header stays readable after close.
        EXPECT_EQ(hd->point_data_format, extended ? 7 : 3);
        laszip_destroy(h);
    }
}

TEST(LazDecode, HeaderDropsTheLazRecordAndCompressionBits)
{
    REQUIRE_SAMPLES();
    std::vector<uint8_t> raw = ReadWhole(SamplePath("autzen_trim.laz"));
    ASSERT_GT(raw.size(), 227u);
    uint32_t fileOffset, fileVlrs;
    memcpy(&fileOffset, &raw[96], 4);
    memcpy(&fileVlrs, &raw[100], 4);
    EXPECT_EQ(raw[104], 0x83);
    Decoded d = DecodeFile(SamplePath("autzen_trim.laz"), 1);
    ASSERT_TRUE(d.opened);
    EXPECT_EQ(d.header.point_data_format, 3);
    EXPECT_EQ(d.header.number_of_variable_length_records, fileVlrs - 1);
    EXPECT_LT(d.header.offset_to_point_data, fileOffset);
}
