// Damaged LAZ files: the reader must refuse them at open or fail a read,
// never crash, hang or return points it did not decode.
#include "las_test_files.h"
#include "laz_test_util.h"
#include <algorithm>
#include <limits>
#include "data/laszip/laz_chunk.h"

using namespace laztest;

namespace {

uint64_t Get64(const std::vector<uint8_t>& b, size_t at)
{
    uint64_t v;
    memcpy(&v, &b[at], 8);
    return v;
}

uint32_t PointDataOffset(const std::vector<uint8_t>& b)
{
    uint32_t v;
    memcpy(&v, &b[96], 4);
    return v;
}

// Decodes `bytes` written to a temporary file.
Decoded DecodeBytes(const std::vector<uint8_t>& bytes, int threads, const char* name = "damaged.laz")
{
    std::string path = TempPath(name);
    EXPECT_TRUE(WriteWhole(path, bytes));
    return DecodeFile(path, threads);
}

// The points that were returned are the original's.
void ExpectPrefixOf(const Decoded& damaged, const Decoded& good)
{
    ASSERT_LE(damaged.Count(), good.Count());
    if (damaged.records.empty()) return;
    EXPECT_EQ(memcmp(damaged.records.data(), good.records.data(), damaged.records.size()), 0);
}

}  // namespace

TEST(LazDamaged, TruncatedFilesFailCleanly)
{
    REQUIRE_SAMPLES();
    for (const char* file : {"autzen_trim.laz", "simple.copc.laz", "1_4_w_evlr.laz",
                             "synthetic\\fmt5_p10v1_gpsv2_rgbv1_wave_bytev2_c1.laz"}) {
        SCOPED_TRACE(file);
        std::vector<uint8_t> raw = ReadWhole(SamplePath(file));
        Decoded good = DecodeFile(SamplePath(file), 1);
        ASSERT_EQ(good.Count(), good.headerCount);
        uint32_t start = PointDataOffset(raw);
        const size_t cuts[] = {
            100, 300, start - 10, start + 4, start + 30, start + 200, raw.size() / 2, raw.size() - 9, raw.size() - 1};
        for (size_t cut : cuts) {
            if (cut >= raw.size()) continue;
            SCOPED_TRACE(cut);
            std::vector<uint8_t> part(raw.begin(), raw.begin() + cut);
            for (int threads : {1, 4}) {
                Decoded d = DecodeBytes(part, threads);
                if (!d.opened) {
                    EXPECT_FALSE(d.error.empty());
                    continue;
                }
                ExpectPrefixOf(d, good);
                // Only a cut inside the trailing table may leave every point readable.
                if (d.Count() < d.headerCount) {
                    EXPECT_FALSE(d.error.empty());
                }
            }
        }
    }
}

TEST(LazDamaged, MissingOrBrokenChunkTableIsReadSequentially)
{
    REQUIRE_SAMPLES();
    std::vector<uint8_t> raw = ReadWhole(SamplePath("autzen_trim.laz"));
    Decoded good = DecodeFile(SamplePath("autzen_trim.laz"), 1);
    uint32_t start = PointDataOffset(raw);
    uint64_t table = Get64(raw, start);
    ASSERT_EQ(table, 603333u);

    std::vector<uint8_t> garbled = raw;  // corrupt table contents
    for (size_t i = table + 8; i < garbled.size(); i++) garbled[i] ^= 0x5A;
    std::vector<uint8_t> badVersion = raw;
    badVersion[table] = 7;
    std::vector<uint8_t> selfPointing = raw;  // writer interrupted before the table
    memcpy(&selfPointing[start], &start, 4);
    memset(&selfPointing[start + 4], 0, 4);
    std::vector<uint8_t> minusOne = raw;  // offset stored at the end of the file
    memset(&minusOne[start], 0xFF, 8);
    minusOne.insert(minusOne.end(), raw.begin() + start, raw.begin() + start + 8);
    std::vector<uint8_t> cutTable(raw.begin(), raw.begin() + table);
    std::vector<uint8_t> pastEnd = raw;
    uint64_t farAway = 1ull << 40;
    memcpy(&pastEnd[start], &farAway, 8);

    for (const auto* v : {&garbled, &badVersion, &selfPointing, &minusOne, &cutTable, &pastEnd}) {
        for (int threads : {1, 4}) {
            Decoded d = DecodeBytes(*v, threads);
            ASSERT_TRUE(d.opened);
            EXPECT_EQ(d.Count(), good.Count()) << d.error;
            EXPECT_TRUE(d.records == good.records);
        }
    }

    // Seeking without a table decodes forward from the last chunk it knows.
    std::string path = TempPath("notable.laz");
    ASSERT_TRUE(WriteWhole(path, cutTable));
    laszip_POINTER h;
    laszip_create(&h);
    laszip_BOOL c;
    ASSERT_EQ(laszip_open_reader(h, path.c_str(), &c), 0);
    for (uint64_t p : {105000ull, 20ull, 60000ull, 109999ull}) {
        ASSERT_EQ(laszip_seek_point(h, (laszip_I64)p), 0) << p;
        ASSERT_EQ(laszip_read_point(h), 0);
        const laszip_U8* rec;
        laszip_get_point_record(h, &rec);
        EXPECT_EQ(memcmp(rec, good.Record(p), good.recordLength), 0) << p;
    }
    laszip_destroy(h);
}

TEST(LazDamaged, LayeredChunksAreFoundWithoutTheirTable)
{
    REQUIRE_SAMPLES();
    // Variable-size layered chunks describe their own length, so a lost table
    // does not lose the points.
    for (const char* file : {"simple.copc.laz", "synthetic\\fmt7_v3_variable_chunks_minus1.laz"}) {
        SCOPED_TRACE(file);
        std::vector<uint8_t> raw = ReadWhole(SamplePath(file));
        Decoded good = DecodeFile(SamplePath(file), 1);
        uint32_t start = PointDataOffset(raw);
        std::vector<uint8_t> noTable = raw;
        memcpy(&noTable[start], &start, 4);
        memset(&noTable[start + 4], 0, 4);
        Decoded d = DecodeBytes(noTable, 4);
        ASSERT_TRUE(d.opened);
        EXPECT_EQ(d.Count(), good.Count()) << d.error;
        EXPECT_TRUE(d.records == good.records);
    }
    // Pointwise chunks of variable size cannot be found without the table.
    std::vector<uint8_t> raw = ReadWhole(SamplePath("synthetic\\fmt3_v2_variable_chunks.laz"));
    uint32_t start = PointDataOffset(raw);
    memcpy(&raw[start], &start, 4);
    memset(&raw[start + 4], 0, 4);
    Decoded d = DecodeBytes(raw, 1);
    ASSERT_TRUE(d.opened);
    EXPECT_EQ(d.Count(), 0u);
    EXPECT_NE(d.error.find("variable"), std::string::npos) << d.error;
}

TEST(LazDamaged, MissingOrBadLazRecordRefusesTheFile)
{
    REQUIRE_SAMPLES();
    std::vector<uint8_t> raw = ReadWhole(SamplePath("point10.las.laz"));
    // Find the LAZ record among the VLRs.
    uint16_t headerSize;
    memcpy(&headerSize, &raw[94], 2);
    size_t pos = headerSize, laz = 0;
    while (pos + 54 <= PointDataOffset(raw)) {
        uint16_t id, len;
        memcpy(&id, &raw[pos + 18], 2);
        memcpy(&len, &raw[pos + 20], 2);
        if (id == 22204) laz = pos;
        pos += 54 + len;
    }
    ASSERT_NE(laz, 0u);

    std::vector<uint8_t> renamed = raw;
    renamed[laz + 18] ^= 1;  // record id no longer 22204
    Decoded d = DecodeBytes(renamed, 1);
    EXPECT_FALSE(d.opened);
    EXPECT_FALSE(d.error.empty());

    struct Edit {
        size_t at;
        uint16_t value;
    };
    const Edit edits[] = {
        {laz + 54 + 0, 9},     // unknown compressor
        {laz + 54 + 2, 1},     // unknown coder
        {laz + 54 + 32, 0},    // no items
        {laz + 54 + 32, 900},  // more items than the record holds
        {laz + 54 + 34, 3},    // obsolete item type
        {laz + 54 + 36, 21},   // wrong POINT10 size
        {laz + 54 + 38, 7},    // unknown item version
    };
    for (const Edit& e : edits) {
        std::vector<uint8_t> v = raw;
        memcpy(&v[e.at], &e.value, 2);
        Decoded bad = DecodeBytes(v, 1);
        EXPECT_FALSE(bad.opened) << e.at;
        EXPECT_FALSE(bad.error.empty());
    }

    // Headers that cannot be trusted.
    std::vector<uint8_t> v = raw;
    v[0] = 'X';
    EXPECT_FALSE(DecodeBytes(v, 1).opened);
    v = raw;
    uint16_t tiny = 100;
    memcpy(&v[94], &tiny, 2);
    EXPECT_FALSE(DecodeBytes(v, 1).opened);
    v = raw;
    uint32_t beyond = (uint32_t)raw.size() + 10;
    memcpy(&v[96], &beyond, 4);
    EXPECT_FALSE(DecodeBytes(v, 1).opened);
    v = raw;
    v[104] = 0x80 | 11;
    EXPECT_FALSE(DecodeBytes(v, 1).opened);
    // A header longer or shorter than its version's layout: the points are
    // read all the same (a short LAS 1.4 header of format 0 by its legacy count).
    const uint64_t all = DecodeBytes(raw, 1).Count();
    for (auto size : {std::make_pair(3, 235), std::make_pair(3, 230), std::make_pair(4, 300), std::make_pair(4, 235)}) {
        Decoded d = DecodeBytes(WithHeaderSize(raw, (uint8_t)size.first, (uint16_t)size.second), 1);
        ASSERT_TRUE(d.opened) << size.first << " " << size.second << ": " << d.error;
        EXPECT_EQ(d.Count(), all) << size.first << " " << size.second;
    }
    // A plain file that counts more VLRs than lie before its points passes on
    // only those there are, never entries beyond them.
    std::vector<uint8_t> plain = ReadWhole(SamplePath("simple1_3.las"));
    ASSERT_GT(plain.size(), 227u);
    uint32_t vlrCount, more;
    memcpy(&vlrCount, &plain[100], 4);
    more = vlrCount + 3;
    memcpy(&plain[100], &more, 4);
    Decoded counted = DecodeBytes(plain, 1, "counted.las");
    ASSERT_TRUE(counted.opened) << counted.error;
    EXPECT_EQ(counted.header.number_of_variable_length_records, vlrCount);
    // The bytes between the records and the points (LAS 1.0's signature) are
    // passed on as the file's own where every record counted is there, and
    // not where a damaged count left them unexplained.
    std::string las10 = TempPath("las10.las");
    ASSERT_TRUE(MakeLASFile(las10, 10, 20, 100));
    Decoded sound10 = DecodeBytes(ReadBytes(las10), 1, "sound10.las");
    ASSERT_TRUE(sound10.opened) << sound10.error;
    EXPECT_EQ(sound10.header.user_data_after_header_size, 2u);
    Decoded counted10 = DecodeBytes(WithVLRCount(ReadBytes(las10), 2), 1, "counted10.las");
    ASSERT_TRUE(counted10.opened) << counted10.error;
    EXPECT_EQ(counted10.header.number_of_variable_length_records, 1u);
    EXPECT_EQ(counted10.header.user_data_after_header_size, 0u);
    EXPECT_EQ(counted10.Count(), 100u);

    // Scales and offsets that give no coordinates.
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        size_t at;
        double value;
        const char* reason;
    } scales[] = {{131, nan, "not a finite"}, {139, inf, "not a finite"}, {147, 0.0, "is zero"},
                  {155, nan, "not a finite"}, {171, -inf, "not a finite"}};
    for (const auto& e : scales) {
        v = raw;
        memcpy(&v[e.at], &e.value, 8);
        Decoded bad = DecodeBytes(v, 1);
        EXPECT_FALSE(bad.opened) << e.at;
        EXPECT_NE(bad.error.find(e.reason), std::string::npos) << e.at << ": " << bad.error;
    }
}

TEST(LazDamaged, FlippedBytesNeverCrashOrHang)
{
    REQUIRE_SAMPLES();
    // Arithmetic-coded data turns any bytes into some points; what matters is
    // that every read ends, inside the file, with a point or a failure.
    for (const char* file : {"autzen_trim.laz", "simple.copc.laz", "synthetic\\fmt9_eb2_v4_multichannel.laz",
                             "synthetic\\fmt4_p10v2_gpsv1_wave13_bytev1.laz"}) {
        SCOPED_TRACE(file);
        std::vector<uint8_t> raw = ReadWhole(SamplePath(file));
        uint32_t start = PointDataOffset(raw);
        uint32_t seed = 12345;
        for (int round = 0; round < 6; round++) {
            std::vector<uint8_t> v = raw;
            for (int k = 0; k < 40; k++) {
                seed = seed * 1103515245u + 12345u;
                size_t at = start + (seed >> 8) % (v.size() - start);
                v[at] ^= (uint8_t)(1u << (seed & 7));
            }
            Decoded d = DecodeBytes(v, round & 1 ? 4 : 1);
            EXPECT_TRUE(d.opened);
            EXPECT_LE(d.Count(), d.headerCount);
        }
    }
    // A header claiming more points than the chunk table lists: the reads stop
    // after the real points instead of decoding whatever bytes follow them.
    std::vector<uint8_t> v = ReadWhole(SamplePath("point10.las.laz"));
    uint32_t big = 0x7FFFFFFF;
    memcpy(&v[107], &big, 4);
    laszip_POINTER h;
    laszip_create(&h);
    std::string path = TempPath("huge.laz");
    ASSERT_TRUE(WriteWhole(path, v));
    laszip_BOOL c;
    ASSERT_EQ(laszip_open_reader(h, path.c_str(), &c), 0);
    uint64_t n = 0;
    while (n < 100000 && laszip_read_point(h) == 0) n++;
    EXPECT_EQ(n, 1065u);
    laszip_destroy(h);
}

TEST(LazDamaged, CallsRefuseBadArguments)
{
    laszip_POINTER h = nullptr;
    EXPECT_NE(laszip_create(nullptr), 0);
    ASSERT_EQ(laszip_create(&h), 0);
    laszip_BOOL c;
    EXPECT_NE(laszip_open_reader(h, nullptr, &c), 0);
    EXPECT_NE(laszip_open_reader(h, "C:\\no\\such\\file.laz", &c), 0);
    char* e = nullptr;
    laszip_get_error(h, &e);
    ASSERT_NE(e, nullptr);
    EXPECT_NE(std::string(e).find("cannot open"), std::string::npos);
    EXPECT_NE(laszip_read_point(h), 0);
    EXPECT_NE(laszip_seek_point(h, 0), 0);
    EXPECT_NE(laszip_close_reader(h), 0);
    EXPECT_NE(laszip_get_header_pointer(h, nullptr), 0);
    laszip_header_struct* hd;
    ASSERT_EQ(laszip_get_header_pointer(h, &hd), 0);
    EXPECT_EQ(hd->header_size, 227);  // defaults before any open
    EXPECT_EQ(laszip_destroy(h), 0);
    EXPECT_NE(laszip_destroy(nullptr), 0);
}

TEST(LazDamaged, LayeredRunsFailWherePointByPointFails)
{
    REQUIRE_SAMPLES();
    // A run decodes item by item; damage in any layer must still stop it at the
    // point, with the error, that decoding point by point stops at, and leave
    // the decoder in the same state.
    std::vector<uint8_t> raw = ReadWhole(SamplePath("synthetic\\fmt7_eb3_v4_multichannel.laz"));
    ASSERT_GT(raw.size(), 375u);
    uint16_t R, headerSize;
    uint32_t vlrCount;
    memcpy(&R, &raw[105], 2);
    memcpy(&headerSize, &raw[94], 2);
    memcpy(&vlrCount, &raw[100], 4);
    laz::LazVlrInfo vlr;
    bool found = false;
    for (size_t pos = headerSize; vlrCount-- && pos + 54 <= raw.size() && !found;) {
        uint16_t id, len;
        memcpy(&id, &raw[pos + 18], 2);
        memcpy(&len, &raw[pos + 20], 2);
        std::string why;
        found = id == 22204 && laz::ParseLazVlr(&raw[pos + 54], len, R, vlr, why);
        pos += 54 + len;
    }
    ASSERT_TRUE(found);
    size_t chunk = PointDataOffset(raw) + 8, size = raw.size() - chunk;
    laz::ChunkDecoder probe(vlr);
    uint32_t count = 0;
    ASSERT_EQ(probe.BeginLayered(&raw[chunk], size, &count), 0u);
    size_t layers = chunk + R + 4 + 4 * probe.NumLayers(), end = layers;
    for (uint32_t i = 0; i < probe.NumLayers(); i++) {
        uint32_t n;
        memcpy(&n, &raw[chunk + R + 4 + 4 * i], 4);
        end += n;
    }
    int stoppedInside = 0, variant = 0;
    for (size_t at = layers; at < end; at += std::max<size_t>(1, (end - layers) / 40), variant++) {
        SCOPED_TRACE(at);
        std::vector<uint8_t> v = raw;
        v[at] ^= 0x5A;
        if (variant & 1) {  // the last item's layer ends early: a later item fails first
            size_t lastSize = chunk + R + 4 + 4 * (probe.NumLayers() - 1);
            uint32_t n;
            memcpy(&n, &v[lastSize], 4);
            n /= 2;
            memcpy(&v[lastSize], &n, 4);
        }
        laz::ChunkDecoder one(vlr), run(vlr);
        one.BeginLayered(&v[chunk], size, nullptr);
        run.BeginLayered(&v[chunk], size, nullptr);
        std::vector<uint8_t> a((size_t)count * R), b((size_t)count * R);
        uint32_t n1 = 0, e1 = 0, n2 = 0, e2 = 0;
        while (n1 < count && (e1 = one.Next(&a[(size_t)n1 * R])) == 0) n1++;
        uint32_t step = variant & 2 ? 37 : count;  // short runs and the whole chunk in one
        while (n2 < count && !e2) n2 += run.DecodeRun(&b[(size_t)n2 * R], std::min(step, count - n2), e2);
        ASSERT_EQ(n2, n1);
        EXPECT_EQ(e2, e1);
        EXPECT_TRUE(std::equal(a.begin(), a.begin() + (size_t)n1 * R, b.begin()));
        if (n1 == count) continue;
        stoppedInside++;
        if (variant % 3 == 0) {  // the reader hands out those points, then fails
            for (int threads : {1, 4}) {
                Decoded d = DecodeBytes(v, threads);
                ASSERT_EQ(d.Count(), n1);
                EXPECT_TRUE(std::equal(a.begin(), a.begin() + (size_t)n1 * R, d.records.begin()));
                const char* why = e1 == laz::kCorrupt ? "corrupt data in chunk 0" : "end-of-file in chunk 0";
                EXPECT_NE(d.error.find(why), std::string::npos) << d.error;
            }
        }
        for (int k = 0; k < 20; k++) {
            EXPECT_EQ(run.Next(&b[0]), one.Next(&a[0]));
            EXPECT_TRUE(std::equal(a.begin(), a.begin() + R, b.begin()));
        }
    }
    EXPECT_GT(stoppedInside, 0);
}
