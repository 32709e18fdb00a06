#include "tests/las_loader_test_files.h"
#include "data/data_set.h"
#include "data/laz_loader.h"
#include "data/point_load.h"
#include "data/laszip/laz_reader.h"
#include "gis/project/project.h"
#include "tests/laz_test_util.h"
#include <functional>

namespace {

// A file of 1,000 records read by the LAS library: one VLR from 227 to 409,
// the points from 409.
Bytes OneRecordFile()
{
    std::string path = TempPath("one_record.las");
    EXPECT_TRUE(MakeLASFile(path, 12, 28, 1000));
    return ReadBytes(path);
}

}  // namespace

// The faults both roads refuse, with the same reason: a LAS 1.4 header too
// short for its 64-bit count (fewer than 255 bytes) whose legacy count is 0,
// whatever the point format; an offset to point data inside a VLR's header
// where the file does not prove where the points begin; and (LAZ only) a LAZ
// record cut short by the points, which the decoder cannot do without.
TEST(LasLoader, HeadersThatCannotDescribeThePointsAreRefusedAlikeOnBothRoads)
{
    REQUIRE_SAMPLES();
    std::string made = TempPath("refused14.las");
    ASSERT_TRUE(MakeLASFile(made, 14, 28, 100));   // format 1
    const Bytes noLegacy1 = WithPointCounts(ReadBytes(made), 0, 100);
    const char* lasRoad = "\nUnable to open LAS file!\nReadLASHeader:  ";
    const Bytes sound = OneRecordFile();
    Bytes noTable = WithPointOffset(ReadBytes(SamplePath("point10.las.laz")), 240);
    SetFieldAt<int64_t>(noTable, 1301, 0);   // where the chunk table's position is kept
    auto inside = [](unsigned offset, const Bytes& b) {
        return Formatted(kLASOffsetInsideRecordFormat, offset, 0u, DescribedVLRAt(b, 227).c_str(), 227ull);
    };
    const struct {
        const char* name;
        Bytes bytes;
        const char* road;
        std::string reason;
    } cases[] = {
        {"short6.las", WithHeaderSize(ReadBytes(SamplePath("1_4_w_evlr.las")), 4, 254), lasRoad,
         Formatted(kLASHeaderTooSmallForCountFormat, 254, 6)},
        {"short6.laz", WithHeaderSize(ReadBytes(SamplePath("1_4_w_evlr.laz")), 4, 254), kUnableToOpenLAZText,
         Formatted(kLASHeaderTooSmallForCountFormat, 254, 6)},
        {"short1.las", WithHeaderSize(noLegacy1, 4, 254), lasRoad, Formatted(kLASHeaderTooSmallForCountFormat, 254, 1)},
        {"short1.laz", WithHeaderSize(noLegacy1, 4, 235), kUnableToOpenLAZText,
         Formatted(kLASHeaderTooSmallForCountFormat, 235, 1)},
        {"cut_record.laz", WithLastVLRLength(ReadBytes(SamplePath("point10.las.laz")), 60000), kUnableToOpenLAZText,
         "Variable length record 4 (\"laszip encoded\" 22204, 60000 bytes) runs past the point data at 1301"},
        // The offset inside a VLR's header and nothing proving where the points begin:
        // bytes behind the records, a LAZ chunk table that is not found.
        {"inside.las", WithTail(WithPointOffset(sound, 257), 10), lasRoad, inside(257, sound)},
        {"inside.laz", WithTail(WithPointOffset(sound, 257), 10), kUnableToOpenLAZText, inside(257, sound)},
        {"compressed_inside.laz", noTable, kUnableToOpenLAZText, inside(240, noTable)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteTempBytes(c.name, c.bytes);
        BoxAnswers boxes;
        EXPECT_EQ(LoadLASData(path.c_str(), c.name), nullptr);
        EXPECT_TRUE(ShowedOneBox(boxes, std::string(c.name) + c.road + c.reason));
        EXPECT_EQ(GetLASFilePointCount(path.c_str()), 0u);
    }
}

// An offset to point data inside a VLR's header is never taken for the
// points' start unless the file proves them there: where the file's size
// (uncompressed) or its chunk table (LAZ) proves them behind the record, they
// are read there, and where it proves them at the offset the header counted
// records that are not there. An offset inside a VLR's data is read there as
// well unless the points are proved behind: the record is cut at the offset,
// with or without bytes behind the points, compressed point by point or not.
// Bytes across the offset that are no record header (LAS 1.0's two signature
// bytes before the points) are no record: the points are read at the offset
// and the header counted records that are not there. A user record cut at the
// points in front of the LAZ record is cut as on the LAS road, and the LAZ
// record is found among its bytes, as it is where such a record claims the
// LAZ record's header or part of it. Every time the log says so, the points
// are the file's own, and every road reads the same count.
TEST(LasLoader, PointsAreReadFromInsideNoVlr)
{
    REQUIRE_SAMPLES();
    const Bytes sound = OneRecordFile();
    const Bytes laz = ReadBytes(SamplePath("point10.las.laz"));
    const Bytes copc = ReadBytes(SamplePath("simple.copc.laz"));   // the LAZ record is the second of three
    // LAS 1.0: one record, the two signature bytes, 100 points and a few bytes behind them.
    std::string made10 = TempPath("las10.las");
    EXPECT_TRUE(MakeLASFile(made10, 10, 20, 100));
    const Bytes sound10 = WithTail(ReadBytes(made10), 5);
    const uint32_t points10 = FieldAt<uint32_t>(sound10, 96);
    EXPECT_EQ(FieldAt<uint16_t>(sound10, points10 - 2), 0xCCDDu);
    // The record cut at byte 300, and the file as its record's length says.
    const Bytes cutAt300 = WithTail(WithPointOffset(sound, 300), 10);
    const Bytes sound300 = WithLastVLRLength(cutAt300, 300 - 227 - 54);
    // Point by point compressed points have no chunk table to prove where
    // they begin: a record behind the LAZ record runs past them.
    const Bytes pointwise = WithVLRCount(WithBytesBeforePoints(ReadBytes(SamplePath(
        "synthetic/fmt5_p10v1_gpsv2_rgbv1_wave_bytev2_c1.laz")), VLRBytes("Extra", 1, 10), false), 2);
    const Bytes pointwiseCut = WithLastVLRLength(pointwise, 60000);
    // The note of record `index` cut at the points, by default the last.
    auto cut = [](const Bytes& b, uint32_t index = UINT32_MAX) {
        if (index == UINT32_MAX) index = FieldAt<uint32_t>(b, 100) - 1;
        return Formatted(kLASRecordCutNoteFormat, Formatted(kLASRecordCutFormat, index,
                                                        DescribedVLRAt(b, VLRAt(b, index)).c_str(),
                                                        FieldAt<uint32_t>(b, 96)).c_str());
    };
    const uint32_t lazPoints = FieldAt<uint32_t>(laz, 96), lazVLRs = FieldAt<uint32_t>(laz, 100);
    // The user record in front of the LAZ record claims its bytes and the
    // LAZ record's header, or part of that header.
    const uint16_t user = FieldAt<uint16_t>(laz, VLRAt(laz, 3) + 20);
    const Bytes swallowing = WithVLRLength(laz, 3, (uint16_t)(user + 54));
    const Bytes halfSwallowing = WithVLRLength(laz, 3, (uint16_t)(user + 30));
    auto inside = [](const Bytes& b) {
        size_t at = 0;
        while (memcmp(&b[at + 2], "laszip encoded", 14)) at++;
        return "; " + Formatted(laz::kLazRecordFoundInsideFormat, (unsigned long long)at);
    };
    ASSERT_EQ(FieldAt<uint16_t>(laz, 94), 227u);
    const std::string record = DescribedVLRAt(sound, 227), lazRecord = DescribedVLRAt(laz, 227);
    const std::string counted = Formatted(kLASMoreRecordsCountedFormat, 1000000u, 1u, 409u);
    auto behind = [](unsigned offset, const std::string& name, unsigned long long start, const char* shown) {
        return Formatted(kLASPointsBehindRecordFormat, offset, 0u, name.c_str(), 227ull, start, shown);
    };
    const struct {
        const char* name;
        Bytes bytes;
        const Bytes* sound;   // the file as it should have been
        std::string note;
    } cases[] = {
        {"header.las", WithPointOffset(sound, 257), &sound, behind(257, record, 409, kLASRecordsFitThereText)},
        {"header.laz", WithPointOffset(sound, 257), &sound, behind(257, record, 409, kLASRecordsFitThereText)},
        {"data.las", WithPointOffset(sound, 300), &sound, behind(300, record, 409, kLASRecordsFitThereText)},
        {"data.laz", WithPointOffset(sound, 300), &sound, behind(300, record, 409, kLASRecordsFitThereText)},
        {"counted.las", WithVLRCount(sound, 1000000), &sound, counted},
        {"counted.laz", WithVLRCount(sound, 1000000), &sound, counted},
        {"compressed_header.laz", WithPointOffset(laz, 240), &laz,
         behind(240, lazRecord, lazPoints, kLASChunkTableFromThereText)},
        {"compressed_data.laz", WithPointOffset(laz, 227 + 54 + 2), &laz,
         behind(227 + 54 + 2, lazRecord, lazPoints, kLASChunkTableFromThereText)},
        {"compressed_counted.laz", WithVLRCount(laz, 1000000), &laz,
         Formatted(kLASMoreRecordsCountedFormat, 1000000u, lazVLRs, lazPoints)},
        {"data_tail.las", cutAt300, &sound300, cut(cutAt300)},
        {"data_tail.laz", cutAt300, &sound300, cut(cutAt300)},
        {"pointwise_cut.laz", pointwiseCut, &pointwise, cut(pointwiseCut)},
        {"signature.las", WithVLRCount(sound10, 2), &sound10, Formatted(kLASMoreRecordsCountedFormat, 2u, 1u, points10)},
        {"signature.laz", WithVLRCount(sound10, 2), &sound10, Formatted(kLASMoreRecordsCountedFormat, 2u, 1u, points10)},
        {"cut_user.laz", WithVLRLength(laz, 3, 60000), &laz, cut(WithVLRLength(laz, 3, 60000), 3) + inside(laz)},
        {"cut_user_copc.laz", WithVLRLength(copc, 0, 60000), &copc,
         cut(WithVLRLength(copc, 0, 60000), 0) + inside(copc)},
        {"swallowing_user.laz", swallowing, &laz,
         Formatted(kLASMoreRecordsCountedFormat, lazVLRs, 4u, lazPoints) + inside(laz)},
        {"half_swallowing_user.laz", halfSwallowing, &laz, inside(laz).substr(2)},
    };
    std::vector<std::string>& logged = KeptLog();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string name = std::string("sound_") + c.name;
        DataSet* want = LoadLASData(WriteTempBytes(name.c_str(), *c.sound).c_str(), name.c_str());
        ASSERT_NE(want, nullptr);
        std::string path;
        BoxAnswers boxes;
        DataSet* set = LoadLogged(c.name, c.bytes, &path);
        ASSERT_NE(set, nullptr) << (boxes.shown().empty() ? "" : boxes.shown()[0].text);
        EXPECT_TRUE(boxes.shown().empty());
        EXPECT_EQ(std::count(logged.begin(), logged.end(), Formatted(kLoadNoteFormat, c.name, c.note.c_str())), 1);
        ASSERT_EQ(set->pointCount, want->pointCount);
        for (int i = 0; i < set->pointCount; i++) {
            ASSERT_EQ(set->points[i].x, want->points[i].x) << i;
            ASSERT_EQ(set->points[i].y, want->points[i].y) << i;
            ASSERT_EQ(set->points[i].z, want->points[i].z) << i;
            ASSERT_EQ(set->points[i].classification, want->points[i].classification) << i;
        }
        EXPECT_EQ(GetLASFilePointCount(path.c_str()), (uint64_t)want->pointCount);
        ProjectTile* tile = TileFromLASHeader(path.c_str());
        ASSERT_NE(tile, nullptr);
        EXPECT_EQ(tile->pointCount, want->pointCount);
        FreeProjectTile(tile);
        FreeDataSet(set);
        FreeDataSet(want);
    }
}

namespace {

// The records a header parse built for a file: the LAS library's, or the
// LAZ reader's (its own record set apart).
uint32_t RecordsBuilt(const std::string& path)
{
    if (HasLAZName(path.c_str())) return laztest::DecodeFile(path, 1).header.number_of_variable_length_records;
    LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_READ);
    uint32_t n = las ? las->header.numberOfVLRs : UINT32_MAX;
    if (las) CloseLASFile(las);
    return n;
}

}  // namespace

// A header that counts 4 billion VLRs over a large region before its points
// (10.8 MB of zeros, 200,000 records of no data, or 197 KB of 0xFF bytes) is
// settled by the bytes there on every road. The walk over the records ends
// at the first bytes that are no record (zeros have no user ID; 0xFF bytes,
// as erased flash storage holds, no sound reserved field, and nothing behind
// them proves them records), so a sound offset behind them reads the records
// there are. The search for the points behind an offset that lies inside a
// record's header stops there too, and after a bounded number of records,
// more than any file holds (300 still prove the points behind them); finding
// nothing it refuses the file. An offset inside
// a record's data still cuts it there.
TEST(LasLoader, HugeRecordCountsOverLargeRegionsEndWhereTheBytesAreNoRecord)
{
    REQUIRE_SAMPLES();
    const Bytes sound = OneRecordFile();
    const Bytes laz = ReadBytes(SamplePath("point10.las.laz"));
    const Bytes zeros(54 * 200000, 0), fewZeros(54 * 100, 0);
    // `n` records of no data.
    auto records = [](uint32_t n) {
        Bytes r;
        for (uint32_t k = 0; k < n; k++) {
            Bytes v = VLRBytes("Step", (uint16_t)k, 0);
            r.insert(r.end(), v.begin(), v.end());
        }
        return r;
    };
    const Bytes steps = records(200000);
    // `b` with `region` before its points, 4 billion records counted and the
    // offset at `offset` (0: where the points now begin).
    auto damaged = [](const Bytes& b, const Bytes& region, bool chunked, uint32_t offset) {
        Bytes d = WithVLRCount(WithBytesBeforePoints(b, region, chunked), 0xFFFFFFFFu);
        return offset ? WithPointOffset(d, offset) : d;
    };
    auto inside = [](unsigned offset, const Bytes& b) {
        return Formatted(kLASOffsetInsideRecordFormat, offset, 0u, DescribedVLRAt(b, 227).c_str(), 227ull);
    };
    auto behind = [](unsigned offset, const Bytes& b, size_t region, const char* shown) {
        return Formatted(kLASPointsBehindRecordFormat, offset, 0u, DescribedVLRAt(b, 227).c_str(), 227ull,
                       (unsigned long long)(FieldAt<uint32_t>(b, 96) + region), shown);
    };
    const std::string cutInData =
        Formatted(kLASRecordCutNoteFormat, Formatted(kLASRecordCutFormat, 0u, DescribedVLRAt(sound, 227).c_str(), 300u).c_str());
    const std::string counted =
        Formatted(kLASMoreRecordsCountedFormat, 0xFFFFFFFFu, 1u, FieldAt<uint32_t>(sound, 96) + (uint32_t)zeros.size());
    // Erased flash storage: every header there claims 65,535 bytes.
    const Bytes erased(3 * (54 + 65535) + 100, 0xFF);
    auto erasedCounted = [&](const Bytes& b, uint32_t held) {
        return Formatted(kLASMoreRecordsCountedFormat, 0xFFFFFFFFu, held,
                         FieldAt<uint32_t>(b, 96) + (uint32_t)erased.size());
    };
    const struct {
        const char* name;
        Bytes bytes;
        std::string refusal;   // empty: the file loads
        uint32_t records;      // the records built when it loads
        std::string note;
    } cases[] = {
        {"zeros.las", damaged(sound, zeros, false, 257), inside(257, sound), 0, ""},
        {"zeros.laz", damaged(sound, zeros, false, 257), inside(257, sound), 0, ""},
        {"compressed_zeros.laz", damaged(laz, zeros, true, 240), inside(240, laz), 0, ""},
        {"steps.las", damaged(sound, steps, false, 257), inside(257, sound), 0, ""},
        {"steps.laz", damaged(sound, steps, false, 257), inside(257, sound), 0, ""},
        {"compressed_steps.laz", damaged(laz, steps, true, 240), inside(240, laz), 0, ""},
        {"few_zeros.las", damaged(sound, fewZeros, false, 257), inside(257, sound), 0, ""},
        {"300_steps.las", damaged(sound, records(300), false, 257), "", 301,
         behind(257, sound, 300 * 54, kLASRecordsFitThereText)},
        {"300_steps.laz", damaged(laz, records(300), true, 240), "", 304,   // the LAZ record set apart
         behind(240, laz, 300 * 54, kLASChunkTableFromThereText)},
        {"zeros_in_data.las", damaged(sound, zeros, false, 300), "", 1, cutInData},
        {"zeros_in_data.laz", damaged(sound, zeros, false, 300), "", 1, cutInData},
        {"zeros_before.las", damaged(sound, zeros, false, 0), "", 1, counted},
        {"zeros_before.laz", damaged(sound, zeros, false, 0), "", 1, counted},
        {"erased_before.las", damaged(sound, erased, false, 0), "", 1, erasedCounted(sound, 1)},
        {"erased_before.laz", damaged(sound, erased, false, 0), "", 1, erasedCounted(sound, 1)},
        {"compressed_erased.laz", damaged(laz, erased, true, 0), "", 4, erasedCounted(laz, 5)},
    };
    std::vector<std::string>& logged = KeptLog();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path;
        BoxAnswers boxes;
        DataSet* set = LoadLogged(c.name, c.bytes, &path);
        if (c.refusal.empty()) {
            ASSERT_NE(set, nullptr) << (boxes.shown().empty() ? "" : boxes.shown()[0].text);
            EXPECT_EQ(set->pointCount, (int)FieldAt<uint32_t>(c.bytes, 107));
            EXPECT_EQ(std::count(logged.begin(), logged.end(), Formatted(kLoadNoteFormat, c.name, c.note.c_str())), 1);
            EXPECT_EQ(RecordsBuilt(path), c.records);
        } else {
            EXPECT_EQ(set, nullptr);
            EXPECT_TRUE(boxes.shown().size() == 1 && Contains(boxes.shown()[0].text.c_str(), c.refusal.c_str()))
                << (boxes.shown().empty() ? "no box" : boxes.shown()[0].text);
        }
        if (set) FreeDataSet(set);
    }
}

// A sound file whose record in front of the LAZ record or the GeoKeys has a
// reserved field other than 0 and 0xAABB, a user ID byte outside ASCII text
// or no user ID at all keeps every record on every road: the LAZ record is
// found, the points are the sound file's, the units still come from the
// GeoKeys, and the log notes no fault.
TEST(LasLoader, RecordsWithOddFieldsInFrontOfOthersAreKept)
{
    REQUIRE_SAMPLES();
    const struct {
        const char* sample;
        uint32_t odd;   // the record made odd
    } files[] = {{"point10.las.laz", 3}, {"simple.copc.laz", 0}, {"autzen_geo_proj.las", 0}};
    const struct {
        const char* what;
        std::function<void(Bytes&, size_t)> make;   // on the record at the given byte
    } odd[] = {
        {"reserved", [](Bytes& b, size_t at) { SetFieldAt<uint16_t>(b, at, 0x1234); }},
        {"latin1", [](Bytes& b, size_t at) { b[at + 3] = 0xC9; }},
        {"control", [](Bytes& b, size_t at) { b[at + 2] = 0x01; }},
        {"empty", [](Bytes& b, size_t at) { std::fill(b.begin() + at + 2, b.begin() + at + 18, 0); }},
    };
    std::vector<std::string>& logged = KeptLog();
    for (const auto& f : files) {
        const Bytes sound = ReadBytes(SamplePath(f.sample));
        const std::string soundPath = WriteTempBytes((std::string("sound_") + f.sample).c_str(), sound);
        DataSet* want = LoadLASData(soundPath.c_str(), f.sample);
        ASSERT_NE(want, nullptr);
        const uint32_t records = RecordsBuilt(soundPath);
        for (const auto& o : odd) {
            std::string name = std::string(o.what) + "_" + f.sample;
            SCOPED_TRACE(name);
            Bytes b = sound;
            o.make(b, VLRAt(b, f.odd));
            std::string path;
            BoxAnswers boxes;
            DataSet* set = LoadLogged(name.c_str(), b, &path);
            ASSERT_NE(set, nullptr) << (boxes.shown().empty() ? "" : boxes.shown()[0].text);
            EXPECT_TRUE(boxes.shown().empty());
            const std::string note = Formatted(kLoadNoteFormat, name.c_str(), "");
            for (const std::string& line : logged) EXPECT_NE(line.rfind(note, 0), 0u) << line;
            EXPECT_EQ(RecordsBuilt(path), records);
            EXPECT_EQ(set->units, want->units);
            ASSERT_EQ(set->pointCount, want->pointCount);
            for (int i = 0; i < set->pointCount; i++) {
                ASSERT_EQ(set->points[i].x, want->points[i].x) << i;
                ASSERT_EQ(set->points[i].z, want->points[i].z) << i;
                ASSERT_EQ(set->points[i].classification, want->points[i].classification) << i;
            }
            FreeDataSet(set);
        }
        FreeDataSet(want);
    }
}
