#include "tests/las_loader_test_files.h"
#include "base/memory_estimate.h"
#include "data/data_set.h"
#include "data/decimation.h"
#include "data/laz_loader.h"
#include "data/point_load.h"
#include "gis/project/project.h"
#include <functional>

namespace {

Bytes PatchedSample(const char* sample, std::function<void(Bytes&)> patch)
{
    Bytes b = ReadBytes(SamplePath(sample));
    if (!b.empty()) patch(b);
    return b;
}

std::string Saved(const char* name, const Bytes& b)
{
    std::string path = TempPath(name);
    EXPECT_TRUE(WriteBytes(path, b));
    return path;
}

}  // namespace

// LAZ headers whose counts the file cannot back: a 64-bit count beyond what a
// set holds is judged by the points the chunk table holds (and refused, not
// cut to its low bits, where no table bounds it); a damaged count is bounded by
// the chunk table before any memory question and asked about even when the
// table holds exactly the points there are; a short read that keeps fewer
// than three points is refused; a damaged file gives the decoder's reason.
TEST(LasLoader, LazCountsTheFileCannotBackAreRefusedOrBounded)
{
    REQUIRE_SAMPLES();
    std::string huge = Saved("huge.laz", PatchedSample("1_4_w_evlr.laz", [](Bytes& b) {
        SetFieldAt<uint32_t>(b, 107, 0);
        SetFieldAt<uint64_t>(b, 247, (1ull << 32) + 1000);
    }));
    std::string damaged = Saved("count.laz", PatchedSample("autzen_trim.laz", [](Bytes& b) {
        SetFieldAt<uint32_t>(b, 107, 2000000000u);
    }));
    Bytes hugeCut = ReadBytes(huge);
    hugeCut.resize(FieldAt<uint32_t>(hugeCut, 96) + 8 + 12);   // no chunk table: nothing bounds the count
    std::string unbounded = Saved("unbounded.laz", hugeCut);
    // Answers: Yes to the short reads of count.laz and huge.laz, OK to unbounded.laz, Yes to the short read of
    // stub.laz, OK to its and norecord.laz's failures, Yes then No to the short copc.laz.
    BoxAnswers boxes({IDYES, IDYES, IDOK, IDYES, IDOK, IDOK, IDYES, IDNO});
    DataSet* set = LoadLASData(damaged.c_str(), "count.laz");
    ASSERT_NE(set, nullptr) << (boxes.shown().empty() ? "" : boxes.shown().back().text);
    EXPECT_EQ(set->pointCount, 110000);
    ASSERT_EQ(boxes.shown().size(), 1u);   // the short read only, no memory question
    EXPECT_NE(boxes.shown()[0].text.find("Header says 2000000000 points but file only has 110000 points"),
              std::string::npos);
    FreeDataSet(set);
    boxes.clear();
    set = LoadLASData(huge.c_str(), "huge.laz");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->pointCount, 1000);
    FreeDataSet(set);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find("Header says 4294968296 points but file only has 1000 points"),
              std::string::npos)
        << boxes.shown()[0].text;
    boxes.clear();
    EXPECT_EQ(LoadLASData(unbounded.c_str(), "unbounded.laz"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, std::string("unbounded.laz") + kUnableToOpenLAZText +
                                         "Point count 4294968296 is more than this library can read (2147483647)");

    Bytes cut = ReadBytes(SamplePath("autzen_trim.laz"));
    ASSERT_GT(cut.size(), 1000u);
    cut.resize(FieldAt<uint32_t>(cut, 96) + 8 + 12);   // the chunk table's offset and a few bytes of the first point
    std::string stub = Saved("stub.laz", cut);
    boxes.clear();
    EXPECT_EQ(LoadLASData(stub.c_str(), "stub.laz"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_NE(boxes.shown()[0].text.find("Short read"), std::string::npos);
    EXPECT_EQ(boxes.shown()[1].text, std::string("stub.laz") + kLAZTooSmallText);

    std::string noRecord = Saved("norecord.laz", PatchedSample("point10.las.laz", [](Bytes& b) {
        for (size_t i = 0; i + 14 < b.size() && i < 4096; i++)
            if (!memcmp(&b[i], "laszip encoded", 14)) b[i] = 'L';
    }));
    boxes.clear();
    EXPECT_EQ(LoadLASData(noRecord.c_str(), "norecord.laz"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text.rfind(std::string("norecord.laz") + kUnableToOpenLAZText, 0), 0u);
    EXPECT_NE(boxes.shown()[0].text.find("LAZ record is missing"), std::string::npos) << boxes.shown()[0].text;

    // Chunks of their own sizes bound the count exactly: every point there is
    // reads, and the shortfall is still asked about.
    std::string copc = Saved("copc.laz", PatchedSample("simple.copc.laz", [](Bytes& b) {
        SetFieldAt<uint64_t>(b, 247, 5000);
    }));
    boxes.clear();
    set = LoadLASData(copc.c_str(), "copc.laz");
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->pointCount, 1065);
    FreeDataSet(set);
    EXPECT_EQ(LoadLASData(copc.c_str(), "copc.laz"), nullptr);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_NE(boxes.shown()[1].text.find("copc.laz\nShort read, LAZ file is corrupt!\nHeader says 5000 points but "
                                         "file only has 1065 points!"),
              std::string::npos)
        << boxes.shown()[1].text;
}

// A header that counts more points than its file holds (1,065), in the
// legacy or the 64-bit count, on the LAS and the LAZ road: the count is
// compared with what the file's records or chunk table hold (or, with no
// table, the points that read) before memory is judged, so that a count far
// beyond memory gets the short-read question, not the memory question, and
// Yes loads the 1,065; a decimated load asks alike,
// where a table of fixed-size chunks bounds the count only to whole chunks
// too. The records of a LAS 1.4 file end where its extended VLR begins: its
// bytes are no points.
TEST(LasLoader, CountsAboveWhatTheFileHoldsAskAboutTheShortReadNotMemory)
{
    REQUIRE_SAMPLES();
    // Memory for about 25 million points: a billion would need the memory question.
    SetAvailableMemoryHook([]() -> uint64_t { return (uint64_t)1 << 30; });
    const Bytes p10 = ReadBytes(SamplePath("point10.las")), z10 = ReadBytes(SamplePath("point10.las.laz"));
    const Bytes copc = ReadBytes(SamplePath("simple.copc.laz"));   // chunks of their own sizes
    // LAS 1.4 copies, their legacy count true and the 64-bit one counted.
    const Bytes p14 = WithHeaderSize(p10, 4, 375), z14 = WithHeaderSize(z10, 4, 375);
    auto legacy = [](Bytes b, uint32_t count) {
        SetFieldAt<uint32_t>(b, 107, count);
        return b;
    };
    // 1,000 points, then an extended VLR of 76 bytes; uncompressed on both roads.
    const Bytes evlr = ReadBytes(SamplePath("1_4_w_evlr.las"));
    struct Case {
        std::string name;
        Bytes bytes;
        uint32_t count;
        int held;   // the points the file holds
    };
    std::vector<Case> cases;
    // Its chunk table cut off: only the points that read bound the count.
    Bytes z10Cut = z10;
    z10Cut.resize((size_t)FieldAt<int64_t>(z10, FieldAt<uint32_t>(z10, 96)));
    for (uint32_t count : {1000000000u, 1070u}) {
        std::string n = std::to_string(count);
        cases.push_back({n + "_no_table.laz", legacy(z10Cut, count), count, 1065});
        cases.push_back({n + "_legacy.las", legacy(p10, count), count, 1065});
        cases.push_back({n + "_legacy.laz", legacy(z10, count), count, 1065});
        cases.push_back({n + "_count64.las", WithPointCounts(p14, 1065, count), count, 1065});
        cases.push_back({n + "_count64.laz", WithPointCounts(z14, 1065, count), count, 1065});
        cases.push_back({n + "_copc.laz", WithPointCounts(copc, 1065, count), count, 1065});
    }
    for (uint32_t count : {1000000000u, 1001u}) {
        std::string n = std::to_string(count);
        cases.push_back({n + "_evlr.las", WithPointCounts(evlr, 0, count), count, 1000});
        cases.push_back({n + "_evlr.laz", WithPointCounts(evlr, 0, count), count, 1000});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteTempBytes(c.name.c_str(), c.bytes);
        const bool laz = HasLAZName(path.c_str());
        const std::string question = c.name + "\nShort read, " + (laz ? "LAZ" : "LAS") +
                                     " file is corrupt!\nHeader says " + std::to_string(c.count) +
                                     " points but file only has " + std::to_string(c.held) +
                                     " points!\n\nWould you like to load it anyway?";
        BoxAnswers boxes({IDYES, IDNO, IDYES});
        DataSet* set = LoadLASData(path.c_str(), c.name.c_str());
        ASSERT_NE(set, nullptr) << (boxes.shown().empty() ? "" : boxes.shown()[0].text);
        EXPECT_EQ(set->pointCount, c.held);
        EXPECT_EQ(set->filePointCount, c.held);
        EXPECT_EQ(set->decimated, 0);
        FreeDataSet(set);
        EXPECT_EQ(LoadLASData(path.c_str(), c.name.c_str()), nullptr);
        ASSERT_EQ(boxes.shown().size(), 2u);
        for (const ShownBox& box : boxes.shown()) {
            EXPECT_EQ(box.text, question);
            EXPECT_EQ(box.caption, "Warning");
        }
        // A project tile counts what the file holds on both roads (a LAZ
        // file's fixed-size chunks bound it to whole chunks of 50,000).
        const uint64_t fileCount = GetLASFilePointCount(path.c_str());
        EXPECT_GE(fileCount, (uint64_t)c.held);
        EXPECT_LE(fileCount, laz ? std::max<uint64_t>(c.held, 50000) : c.held);
        ProjectTile* tile = TileFromLASHeader(path.c_str());
        ASSERT_NE(tile, nullptr);
        EXPECT_EQ((uint64_t)tile->pointCount, fileCount);
        FreeProjectTile(tile);
        decimationEnabled = 1;
        decimationStep = 5;
        boxes.clear();
        set = LoadLASData(path.c_str(), c.name.c_str());
        decimationEnabled = 0;
        ASSERT_NE(set, nullptr) << (boxes.shown().empty() ? "" : boxes.shown()[0].text);
        EXPECT_EQ(set->pointCount, c.held / 5);
        EXPECT_EQ(set->decimated, 1);
        FreeDataSet(set);
        EXPECT_TRUE(ShowedOneBox(boxes, question));
    }
    SetAvailableMemoryHook(nullptr);
}

// A LAS 1.2 file whose header is longer than its version's layout carries
// user data there, no LAS 1.4 fields; a file that holds one of the points its
// header counts is refused as an empty file is, with no question first.
TEST(LasLoader, LongLegacyHeadersLoadAndTooShortReadsAreRefused)
{
    WriteLas(TempPath("plain.las"), 3, Ramp(4));
    Bytes b = ReadBytes(TempPath("plain.las"));
    b.insert(b.begin() + 227, 148, 0xFF);
    SetFieldAt<uint16_t>(b, 94, 375);
    SetFieldAt<uint32_t>(b, 96, 375);
    std::string user = Saved("user.las", b);
    BoxAnswers boxes({IDYES});
    DataSet* set = LoadLASData(user.c_str(), "user.las");
    ASSERT_NE(set, nullptr) << (boxes.shown().empty() ? "" : boxes.shown()[0].text);
    EXPECT_EQ(set->pointCount, 4);
    EXPECT_DOUBLE_EQ(set->points[3].x, 3.0);
    FreeDataSet(set);

    WriteLas(TempPath("one_of_ten.las"), 3, Ramp(1), 10);
    boxes.clear();
    EXPECT_EQ(LoadLASData(TempPath("one_of_ten.las").c_str(), "one_of_ten.las"), nullptr);
    EXPECT_TRUE(ShowedOneBox(boxes, "one_of_ten.las\nLAS file may be empty or corrupt!\n"));
}

// Some writers of LAS 1.4 files set only the legacy count, others leave the
// two counts disagreeing. Every road reads a file by the same count: the
// 64-bit count where it is set, else the legacy count. A LAS 1.4 header of
// 255 bytes or more holds the 64-bit count; one cut short of it is read by its
// legacy count. A VLR whose length runs into the points is cut there, on
// every road alike.
TEST(LasLoader, EveryRoadReadsAFileByTheSameCount)
{
    REQUIRE_SAMPLES();
    std::string made = TempPath("counts14.las");
    ASSERT_TRUE(MakeLASFile(made, 14, 28, 100));   // format 1, both counts 100
    const Bytes f1 = ReadBytes(made);
    const Bytes f6 = ReadBytes(SamplePath("1_4_w_evlr.las")), z6 = ReadBytes(SamplePath("1_4_w_evlr.laz"));
    ASSERT_EQ(FieldAt<uint32_t>(f6, 107), 0u);   // format 6: the legacy count left at 0
    const Bytes copc = ReadBytes(SamplePath("simple.copc.laz"));   // format 7, both counts 1065
    const Bytes p10 = ReadBytes(SamplePath("point10.las"));
    struct Case {
        const char* name;
        Bytes bytes;
        int points;
    };
    // A ".laz" name takes the LAZ road, which reads plain records as well.
    const Case cases[] = {
        {"legacy_only.las", WithPointCounts(f1, 100, 0), 100}, {"legacy_only.laz", WithPointCounts(f1, 100, 0), 100},
        {"disagree.las", WithPointCounts(f1, 90, 100), 100},  {"disagree.laz", WithPointCounts(f1, 90, 100), 100},
        {"legacy6.las", WithPointCounts(f6, 1000, 0), 1000},   {"legacy6.laz", WithPointCounts(z6, 1000, 0), 1000},
        {"sample6.las", f6, 1000},                              {"sample6.laz", z6, 1000},
        {"short1.las", WithHeaderSize(f1, 4, 300), 100},        {"short1.laz", WithHeaderSize(f1, 4, 235), 100},
        {"short6.las", WithHeaderSize(WithPointCounts(f6, 1000, 0), 4, 254), 1000},
        {"short6.laz", WithHeaderSize(WithPointCounts(z6, 1000, 0), 4, 254), 1000},
        {"count64_6.las", WithHeaderSize(f6, 4, 300), 1000},   {"count64_6.laz", WithHeaderSize(z6, 4, 300), 1000},
        {"count64_1.las", WithHeaderSize(WithPointCounts(f1, 0, 100), 4, 255), 100},
        {"count64_1.laz", WithHeaderSize(WithPointCounts(f1, 0, 100), 4, 255), 100},
        {"short7.laz", WithHeaderSize(copc, 4, 227), 1065},
        {"long_vlr.las", WithLastVLRLength(p10, 60000), 1065},  {"long_vlr.laz", WithLastVLRLength(copc, 60000), 1065},
    };
    std::vector<std::string>& logged = KeptLog();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path;
        BoxAnswers boxes;
        DataSet* set = LoadLogged(c.name, c.bytes, &path);
        ASSERT_NE(set, nullptr) << (boxes.shown().empty() ? "" : boxes.shown()[0].text);
        EXPECT_EQ(set->pointCount, c.points);
        EXPECT_TRUE(boxes.shown().empty());
        // The cut record is named in the log on both roads; nothing else is.
        std::vector<std::string> notes;
        std::string prefix = Formatted(kLoadNoteFormat, c.name, "");
        for (const std::string& line : logged)
            if (line.rfind(prefix, 0) == 0) notes.push_back(line.substr(prefix.size()));
        if (strncmp(c.name, "long_vlr", 8) == 0) {
            uint32_t last = FieldAt<uint32_t>(c.bytes, 100) - 1;
            std::string cut = Formatted(kLASRecordCutFormat, last, DescribedVLRAt(c.bytes, LastVLRAt(c.bytes)).c_str(),
                                      FieldAt<uint32_t>(c.bytes, 96));
            EXPECT_EQ(notes, std::vector<std::string>{Formatted(kLASRecordCutNoteFormat, cut.c_str())});
        } else {
            EXPECT_TRUE(notes.empty()) << notes[0];
        }
        FreeDataSet(set);
        EXPECT_EQ(GetLASFilePointCount(path.c_str()), (uint64_t)c.points);
        ProjectTile* tile = TileFromLASHeader(path.c_str());
        ASSERT_NE(tile, nullptr);
        EXPECT_EQ(tile->pointCount, c.points);
        FreeProjectTile(tile);
    }
}
