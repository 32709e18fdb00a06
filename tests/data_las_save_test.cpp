// Class saving: the copy keeps every byte but the class bits, whatever the
// point format, record length and data behind the points; every refusal and
// failure leaves the target byte for byte as it was and no temporary file.
#include "las_test_files.h"
#include "base/file_io.h"
#include "base/file_replace.h"
#include "data/data_set.h"
#include "data/las_loader.h"
#include "data/las_save.h"
#include "base/messages.h"
#include "data/lasfile/las_file.h"
#include <cmath>
#include <cstdio>

namespace {

// A set read by the class save's own loader, freed with the scope.
struct LoadedSet {
    DataSet* set = nullptr;
    LoadedSet() = default;
    LoadedSet(const std::string& path, const char* name) : set(ReadLASPoints(path.c_str(), name)) {}
    ~LoadedSet() { if (set) FreeDataSet(set); }
};

// Changes classes of every third point: 2 becomes 6, anything else 2 (or 3).
void EditClasses(DataSet* set)
{
    for (int i = 0; i < set->filePointCount; i += 3) {
        uint8_t& c = set->points[i].classification;
        c = c == 2 ? 6 : (c == 6 ? 3 : 2);
    }
}

// Offset, length and format of a LAS file's point records, read from its bytes.
struct Layout { uint32_t offset; uint16_t length; int format; uint64_t count; };
Layout LayoutOf(const Bytes& b)
{
    Layout l;
    l.offset = FieldAt<uint32_t>(b, 96);
    l.format = b[104] & 0x3F;
    l.length = FieldAt<uint16_t>(b, 105);
    uint16_t headerSize = FieldAt<uint16_t>(b, 94);
    l.count = headerSize >= 255 && b[25] == 4 && FieldAt<uint64_t>(b, 247) ? FieldAt<uint64_t>(b, 247)
                                                               : FieldAt<uint32_t>(b, 107);
    return l;
}

// Every difference between before and after lies in a class byte, in the
// class bits only, and holds the set's class. `pointsAt` is where the
// records begin when the header's offset does not say (0: it does).
void ExpectOnlyClassesChanged(const Bytes& before, const Bytes& after, const DataSet* set, uint32_t pointsAt = 0)
{
    ASSERT_EQ(before.size(), after.size());
    Layout l = LayoutOf(before);
    if (pointsAt) l.offset = pointsAt;
    int classAt = l.format <= 5 ? 15 : 16;
    uint8_t mask = l.format <= 5 ? 0x1F : 0xFF;
    size_t differences = 0;
    for (size_t k = 0; k < before.size(); k++) {
        if (before[k] == after[k]) continue;
        differences++;
        ASSERT_GE(k, l.offset) << "header byte " << k << " changed";
        size_t i = (k - l.offset) / l.length;
        ASSERT_LT(i, (size_t)set->filePointCount) << "byte behind the points changed at " << k;
        ASSERT_EQ((k - l.offset) % l.length, (size_t)classAt) << "record " << i << " changed outside its class";
        ASSERT_EQ(before[k] & ~mask & 0xFF, after[k] & ~mask & 0xFF) << "flag bits of record " << i;
    }
    EXPECT_GT(differences, 0u);
    for (int i = 0; i < set->filePointCount; i++)
        ASSERT_EQ(after[l.offset + (size_t)i * l.length + classAt] & mask, set->points[i].classification) << i;
}

void SaveInPlaceKeepsEverythingButClasses(const std::string& source, const char* name, uint32_t pointsAt = 0)
{
    SCOPED_TRACE(name);
    std::string path = CopyToTemp(source, name);
    Bytes before = ReadBytes(path);
    LoadedSet loaded(path, name);
    ASSERT_NE(loaded.set, nullptr);
    EditClasses(loaded.set);
    LASClassSave outcome;
    ASSERT_EQ(SaveLASClasses(loaded.set, path.c_str(), name, &outcome), 1) << outcome.message;
    ExpectOnlyClassesChanged(before, ReadBytes(path), loaded.set, pointsAt);
    EXPECT_EQ(TempFilesLeft(), std::vector<std::string>{});

    // What the loader reads back is what was in memory.
    LoadedSet again(path, name);
    ASSERT_NE(again.set, nullptr);
    ASSERT_EQ(again.set->filePointCount, loaded.set->filePointCount);
    for (int i = 0; i < again.set->filePointCount; i++)
        ASSERT_EQ(again.set->points[i].classification, loaded.set->points[i].classification) << i;
}

}  // namespace

TEST(LASClassSave, InPlaceChangesOnlyClassBitsInEveryFormat)
{
    BoxAnswers answers;
    const char* samples[] = {
        "point10.las",            // format 0
        "1815.las",               // format 1
        "point-color.las",        // format 2
        "simple.las",             // format 3
        "extrabytes.las",         // format 3, 61-byte records with extra bytes
        "simple1_3.las",          // format 4, LAS 1.3
        "rand1_6.las",            // format 6
        "1_4_w_evlr.las",         // format 6 with an extended VLR behind the points
        "simple1_4.las",          // format 7
    };
    for (const char* s : samples) SaveInPlaceKeepsEverythingButClasses(NeedSample(s), s);
    SaveInPlaceKeepsEverythingButClasses(NeedSample("synthetic/fmt5_p10v1_gpsv2_rgbv1_wave_bytev2_c1.las"), "f5.las");
    SaveInPlaceKeepsEverythingButClasses(NeedSample("synthetic/fmt9_eb2_v3_multichannel.las"), "f9.las");
    // Formats 8 and 10 with extra bytes, made here: no sample holds them uncompressed.
    ASSERT_TRUE(MakeLASFile(TempPath("f8.las"), 14, 41, 3000, 8));
    SaveInPlaceKeepsEverythingButClasses(TempPath("f8.las"), "f8b.las");
    ASSERT_TRUE(MakeLASFile(TempPath("f10.las"), 14, 70, 3000, 10));
    SaveInPlaceKeepsEverythingButClasses(TempPath("f10.las"), "f10b.las");
    EXPECT_TRUE(answers.shown().empty());
}

// Files whose header the load read past (the points found behind the VLR the
// offset lies in, VLRs counted that are not there, a VLR cut at the points or
// at an offset inside its data): the save writes the classes into the records
// that were read, and every other byte, the header's faults too, stays as it
// was.
TEST(LASClassSave, FilesReadPastAHeaderFaultChangeOnlyTheClassesOfTheRecordsRead)
{
    BoxAnswers answers;
    std::string made = TempPath("one_record.las");
    ASSERT_TRUE(MakeLASFile(made, 12, 28, 1000));   // one VLR from 227 to 409, the points from 409
    const Bytes sound = ReadBytes(made);
    // LAS 1.0: one VLR from 227 to 409, the signature bytes, the points from 411.
    std::string made10 = TempPath("las10.las");
    ASSERT_TRUE(MakeLASFile(made10, 10, 20, 100));
    const Bytes sound10 = WithTail(ReadBytes(made10), 5);
    const struct {
        const char* name;
        Bytes bytes;
        uint32_t pointsAt;   // where the records were read from
    } cases[] = {
        {"offset_in_header.las", WithPointOffset(sound, 257), 409},
        {"offset_in_data.las", WithPointOffset(sound, 300), 409},
        {"counted.las", WithVLRCount(sound, 1000000), 409},
        {"cut.las", WithLastVLRLength(sound, 129), 409},
        {"cut_at_offset.las", WithTail(WithPointOffset(sound, 300), 10), 300},
        {"signature.las", WithVLRCount(sound10, 2), 411},
        {"zeros.las", WithVLRCount(WithBytesBeforePoints(sound, Bytes(54 * 1000, 0), false), 0xFFFFFFFFu), 409 + 54000},
    };
    for (const auto& c : cases)
        SaveInPlaceKeepsEverythingButClasses(WriteTempBytes((std::string("source_") + c.name).c_str(), c.bytes),
                                             c.name, c.pointsAt);
    EXPECT_TRUE(answers.shown().empty());
}

// A header that counts more points than its file holds, in the legacy or
// the 64-bit count: the save writes the classes into the records the load
// kept and makes the counts and the extent true of them, as for any load
// that kept fewer points than the header counts; no other byte changes. The
// records of a LAS 1.4 file end where its extended VLR begins: the record
// is copied as it is, and so is its start.
TEST(LASClassSave, CountsAboveWhatTheFileHoldsChangeOnlyTheCountsAndClasses)
{
    const Bytes p10 = ReadBytes(NeedSample("point10.las"));   // 1,065 points
    const Bytes p14 = WithHeaderSize(p10, 4, 375);
    const Bytes evlr = ReadBytes(NeedSample("1_4_w_evlr.las"));   // 1,000 points, then a 76-byte extended VLR
    const uint64_t evlrAt = FieldAt<uint64_t>(evlr, 235);
    ASSERT_EQ(evlrAt + 76, evlr.size());
    struct Case {
        std::string name;
        Bytes bytes;
        uint32_t count;
        int held;        // the points the file holds
        bool count64;    // counted by the 64-bit count
    };
    std::vector<Case> cases;
    for (uint32_t count : {1000000000u, 1070u}) {
        Bytes legacy = p10;
        SetFieldAt<uint32_t>(legacy, 107, count);
        cases.push_back({std::to_string(count) + "_legacy.las", legacy, count, 1065, false});
        cases.push_back({std::to_string(count) + "_count64.las", WithPointCounts(p14, 1065, count), count, 1065, true});
    }
    for (uint32_t count : {1000000000u, 1001u})
        cases.push_back({std::to_string(count) + "_evlr.las", WithPointCounts(evlr, 0, count), count, 1000, true});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteTempBytes(c.name.c_str(), c.bytes);
        LoadedSet loaded;
        {
            BoxAnswers answers({IDYES});
            loaded.set = ReadLASPoints(path.c_str(), c.name.c_str());
            ASSERT_NE(loaded.set, nullptr);
            ASSERT_EQ(answers.shown().size(), 1u);   // the short read
            EXPECT_NE(answers.shown()[0].text.find("Header says " + std::to_string(c.count) +
                                                   " points but file only has " + std::to_string(c.held) + " points!"),
                      std::string::npos)
                << answers.shown()[0].text;
        }
        ASSERT_EQ(loaded.set->filePointCount, c.held);
        EditClasses(loaded.set);
        LASClassSave outcome;
        ASSERT_EQ(SaveLASClasses(loaded.set, path.c_str(), c.name.c_str(), &outcome), 1) << outcome.message;

        Bytes after = ReadBytes(path);
        const bool legacyKept = FieldAt<uint32_t>(c.bytes, 107) != 0;
        EXPECT_EQ(FieldAt<uint32_t>(after, 107), legacyKept ? (uint32_t)c.held : 0u);
        if (c.count64) {
            EXPECT_EQ(FieldAt<uint64_t>(after, 247), (uint64_t)c.held);
        }
        Bytes expected = c.bytes;
        std::copy(after.begin() + 107, after.begin() + 131, expected.begin() + 107);
        std::copy(after.begin() + 179, after.begin() + 227, expected.begin() + 179);
        if (c.count64) std::copy(after.begin() + 247, after.begin() + 375, expected.begin() + 247);
        ExpectOnlyClassesChanged(expected, after, loaded.set);

        BoxAnswers none;
        LoadedSet again(path, c.name.c_str());
        ASSERT_NE(again.set, nullptr);
        ASSERT_EQ(again.set->pointCount, c.held);
        EXPECT_TRUE(none.shown().empty());
        for (int i = 0; i < again.set->pointCount; i++)
            ASSERT_EQ(again.set->points[i].classification, loaded.set->points[i].classification) << i;
    }
}

TEST(LASClassSave, FlagBitsStayWhateverTheNewClass)
{
    ASSERT_TRUE(MakeLASFile(TempPath("flags.las"), 12, 20, 64, 0));
    std::string path = TempPath("flags.las");
    Bytes bytes = ReadBytes(path);
    Layout l = LayoutOf(bytes);
    for (int i = 0; i < 64; i++) bytes[l.offset + i * l.length + 15] = (uint8_t)((i % 8) << 5 | 2);
    ASSERT_TRUE(WriteBytes(path, bytes));
    LoadedSet loaded(path, "flags.las");
    ASSERT_NE(loaded.set, nullptr);
    for (int i = 0; i < 64; i++) loaded.set->points[i].classification = 6;
    LASClassSave outcome;
    ASSERT_EQ(SaveLASClasses(loaded.set, path.c_str(), "flags.las", &outcome), 1) << outcome.message;
    Bytes after = ReadBytes(path);
    for (int i = 0; i < 64; i++) EXPECT_EQ(after[l.offset + i * l.length + 15], (uint8_t)((i % 8) << 5 | 6)) << i;

    // Formats 6-10 hold any class in their own byte and never touch the flags.
    uint8_t record[30] = {};
    record[15] = 0xAB;
    PatchRecordClass(record, 6, 200);
    EXPECT_EQ(record[15], 0xAB);
    EXPECT_EQ(record[16], 200);
}

TEST(LASClassSave, FewerPointsThanTheFileWritesOnlyThoseAndKeepsTheExtendedRecords)
{
    BoxAnswers answers;
    std::string path = CopyToTemp(NeedSample("1_4_w_evlr.las"), "short.las");
    Bytes before = ReadBytes(path);
    Layout l = LayoutOf(before);
    LoadedSet loaded(path, "short.las");
    ASSERT_NE(loaded.set, nullptr);
    // A set whose load stopped early; the points after it stand for buffer
    // points of neighbouring tiles and must never reach the file.
    const int kept = 700;
    loaded.set->filePointCount = kept;
    for (int i = kept; i < loaded.set->pointCount; i++) loaded.set->points[i].classification = 17;
    std::string out = TempPath("short_out.las");
    LASClassSave outcome;
    ASSERT_EQ(SaveLASClasses(loaded.set, out.c_str(), "short_out.las", &outcome), 1) << outcome.message;

    Bytes after = ReadBytes(out);
    size_t pointsEnd = l.offset + (size_t)l.count * l.length;
    size_t trailing = before.size() - pointsEnd;
    ASSERT_GT(trailing, 0u);
    ASSERT_EQ(after.size(), l.offset + (size_t)kept * l.length + trailing);
    EXPECT_TRUE(std::equal(before.begin() + pointsEnd, before.end(), after.begin() + l.offset + kept * l.length));
    EXPECT_EQ(FieldAt<uint64_t>(after, 247), (uint64_t)kept);
    EXPECT_EQ(FieldAt<uint64_t>(after, 235), FieldAt<uint64_t>(before, 235) - (l.count - kept) * l.length);

    LASFile* las = OpenLASFile(out.c_str(), LAS_MODE_READ);
    ASSERT_NE(las, nullptr);
    RawSummary s = SummariseRecords(after, l.offset, l.length, kept, l.format, las->header);
    for (int k = 0; k < 15; k++) EXPECT_EQ(las->header.pointsByReturn[k], s.byReturn[k]) << k;
    EXPECT_EQ(las->header.minX, s.minX);
    EXPECT_EQ(las->header.maxY, s.maxY);
    EXPECT_EQ(las->header.maxZ, s.maxZ);
    CloseLASFile(las);
    EXPECT_EQ(ReadBytes(path), before);   // Save As leaves its source alone
}

// Fewer points than the file holds change only the counts and the extent of
// the file's own version: the user bytes of a LAS 1.2 header longer than 227
// bytes stay, and so does a LAS 1.4 count the file left at 0. A LAS 1.4
// header of 300 bytes gets its 64-bit count and the five counts by return it
// holds. The copy reads back with the points written.
TEST(LASClassSave, FewerPointsChangeOnlyTheCountsOfTheFilesOwnVersion)
{
    BoxAnswers answers;
    Bytes user = ReadBytes(NeedSample("simple.las"));   // LAS 1.2, format 3, no VLRs
    ASSERT_EQ(FieldAt<uint32_t>(user, 96), 227u);
    for (int k = 0; k < 148; k++) user.insert(user.begin() + 227 + k, (uint8_t)(0x80 + k));
    SetFieldAt<uint16_t>(user, 94, 375);
    SetFieldAt<uint32_t>(user, 96, 375);
    std::string made = TempPath("fewer14.las"), made6 = TempPath("fewer14_6.las");
    ASSERT_TRUE(MakeLASFile(made, 14, 28, 100));
    ASSERT_TRUE(MakeLASFile(made6, 14, 30, 100));
    struct Case {
        const char* name;
        Bytes bytes;
        int points;
        bool count64;   // counted by the 64-bit count alone, its legacy count 0
    };
    const Case cases[] = {{"user_header.las", user, 1065, false},
                          {"legacy_only.las", WithPointCounts(ReadBytes(made), 100, 0), 100, false},
                          {"count64_300.las", WithHeaderSize(WithPointCounts(ReadBytes(made6), 0, 100), 4, 300), 100,
                           true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteTempBytes(c.name, c.bytes);
        LoadedSet loaded(path, c.name);
        ASSERT_NE(loaded.set, nullptr);
        ASSERT_EQ(loaded.set->pointCount, c.points);
        const int kept = c.points - 10;
        loaded.set->filePointCount = kept;
        EditClasses(loaded.set);
        std::string out = TempPath("fewer_out.las");
        LASClassSave outcome;
        ASSERT_EQ(SaveLASClasses(loaded.set, out.c_str(), "fewer_out.las", &outcome), 1) << outcome.message;

        Bytes after = ReadBytes(out);
        Layout l = LayoutOf(c.bytes);
        ASSERT_EQ(after.size(), l.offset + (size_t)kept * l.length);
        EXPECT_EQ(FieldAt<uint32_t>(after, 107), c.count64 ? 0u : (uint32_t)kept);
        if (c.count64) {
            EXPECT_EQ(FieldAt<uint64_t>(after, 247), (uint64_t)kept);
            RawSummary sum = SummariseRecords(after, l.offset, l.length, kept, l.format, LASHeader());
            for (int k = 0; k < 5; k++) EXPECT_EQ(FieldAt<uint64_t>(after, 255 + 8 * k), sum.byReturn[k]) << k;
        }
        // Byte for byte the source cut to the points written, but for the
        // counts, the extent and the class bits.
        Bytes expected(c.bytes.begin(), c.bytes.begin() + after.size());
        std::copy(after.begin() + 107, after.begin() + 131, expected.begin() + 107);
        std::copy(after.begin() + 179, after.begin() + 227, expected.begin() + 179);
        if (c.count64) std::copy(after.begin() + 247, after.begin() + 295, expected.begin() + 247);
        ExpectOnlyClassesChanged(expected, after, loaded.set);

        LASFile* las = OpenLASFile(out.c_str(), LAS_MODE_READ);
        ASSERT_NE(las, nullptr) << GetLASErrorText(nullptr);
        EXPECT_EQ(las->pointCount, (uint64_t)kept);
        CloseLASFile(las);
        LoadedSet again(out, "fewer_out.las");
        ASSERT_NE(again.set, nullptr);
        EXPECT_EQ(again.set->pointCount, kept);
    }
}

TEST(LASClassSave, RefusalsAndFailuresLeaveTheTargetAndNoTemporaryFile)
{
    BoxAnswers answers;
    std::string path = CopyToTemp(NeedSample("1815.las"), "keep.las");
    Bytes before = ReadBytes(path);
    LoadedSet loaded(path, "keep.las");
    ASSERT_NE(loaded.set, nullptr);
    LASClassSave outcome;

    // Format 1 holds classes up to 31 only: counted and refused, not wrapped.
    loaded.set->points[5].classification = 40;
    loaded.set->points[9].classification = 32;
    EXPECT_EQ(SaveLASClasses(loaded.set, path.c_str(), "keep.las", &outcome), 0);
    EXPECT_EQ(outcome.status, LAS_SAVE_CLASS_RANGE);
    EXPECT_EQ(outcome.classesOutOfRange, 2);
    EXPECT_NE(strstr(outcome.message, "above 31"), nullptr);
    EXPECT_EQ(ReadBytes(path), before);
    loaded.set->points[5].classification = 2;
    loaded.set->points[9].classification = 2;

    // A source made read-only: the final move fails, the source stays as it was.
    EditClasses(loaded.set);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(SaveLASClasses(loaded.set, path.c_str(), "keep.las", &outcome), 0);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(outcome.status, LAS_SAVE_REPLACE);
    EXPECT_EQ(strncmp(outcome.message, "Unable to save keep.las", 23), 0) << outcome.message;   // not the temporary file
    EXPECT_NE(strstr(outcome.message, kSaveReadOnlyReason), nullptr) << outcome.message;
    EXPECT_EQ(ReadBytes(path), before);

    // A full disk part way through the copy: the message names the user's file.
    for (int nth : {1, 2}) {
        SetWriteFaultAt(nth);
        EXPECT_EQ(SaveLASClasses(loaded.set, path.c_str(), "keep.las", &outcome), 0);
        SetWriteFaultAt(0);
        EXPECT_EQ(outcome.status, LAS_SAVE_WRITE);
        EXPECT_EQ(strncmp(outcome.message, "Unable to write keep.las", 24), 0) << outcome.message;
        EXPECT_EQ(ReadBytes(path), before);
    }

    // The source lost its last points since the load: reading fails part way.
    Bytes cut(before.begin(), before.end() - 28 * 3);
    ASSERT_TRUE(WriteBytes(path, cut));
    SetFieldAt<uint32_t>(cut, 107, FieldAt<uint32_t>(before, 107));
    EXPECT_EQ(SaveLASClasses(loaded.set, path.c_str(), "keep.las", &outcome), 0);
    EXPECT_TRUE(outcome.status == LAS_SAVE_READ || outcome.status == LAS_SAVE_SOURCE_CHANGED) << outcome.message;
    EXPECT_EQ(ReadBytes(path), cut);

    // Another file put in its place: the classes are not written onto its points.
    ASSERT_TRUE(CopyFileA(NeedSample("point-time.las").c_str(), path.c_str(), FALSE));
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    Bytes other = ReadBytes(path);
    EXPECT_EQ(SaveLASClasses(loaded.set, path.c_str(), "keep.las", &outcome), 0);
    EXPECT_EQ(outcome.status, LAS_SAVE_SOURCE_CHANGED);
    EXPECT_EQ(ReadBytes(path), other);

    // A set read from a LAZ file: its source is no LAS record stream.
    std::string laz = CopyToTemp(NeedSample("simple.laz"), "simple.laz");
    Bytes lazBytes = ReadBytes(laz);
    LoadedSet fromLAZ;
    fromLAZ.set = LoadLASData(laz.c_str(), "simple.laz");
    ASSERT_NE(fromLAZ.set, nullptr);
    EXPECT_EQ(SaveLASClasses(fromLAZ.set, laz.c_str(), "simple.laz", &outcome), 0);
    EXPECT_EQ(outcome.status, LAS_SAVE_SOURCE_OPEN);
    EXPECT_EQ(ReadBytes(laz), lazBytes);

    EXPECT_EQ(TempFilesLeft(), std::vector<std::string>{});
    EXPECT_TRUE(answers.shown().empty());
}

TEST(LASClassSave, ClassesAboveThirtyOneAreKeptWholeInTheNewFormats)
{
    std::string path = CopyToTemp(NeedSample("test1_4.las"), "wide.las");
    LoadedSet loaded(path, "wide.las");
    ASSERT_NE(loaded.set, nullptr);
    loaded.set->points[0].classification = 40;
    loaded.set->points[1].classification = 255;
    LASClassSave outcome;
    ASSERT_EQ(SaveLASClasses(loaded.set, path.c_str(), "wide.las", &outcome), 1) << outcome.message;
    LoadedSet again(path, "wide.las");
    ASSERT_NE(again.set, nullptr);
    EXPECT_EQ(again.set->points[0].classification, 40);
    EXPECT_EQ(again.set->points[1].classification, 255);
}

// The loaded coordinates may be rounded differently from the file's own
// arithmetic (x87 in 32-bit builds): the same points must still be saved.
TEST(LASClassSave, CoordinatesRoundedDifferentlyAreStillTheSamePoints)
{
    std::string path = CopyToTemp(NeedSample("1815.las"), "rounded.las");
    LoadedSet loaded(path, "rounded.las");
    ASSERT_NE(loaded.set, nullptr);
    EditClasses(loaded.set);
    for (int i = 0; i < loaded.set->filePointCount; i++) {
        PointRecord& p = loaded.set->points[i];
        p.x = nextafter(p.x, i % 2 ? 1e300 : -1e300);
        p.y = nextafter(p.y, i % 2 ? -1e300 : 1e300);
    }
    Bytes before = ReadBytes(path);
    LASClassSave outcome;
    ASSERT_EQ(SaveLASClasses(loaded.set, path.c_str(), "rounded.las", &outcome), 1) << outcome.message;
    ExpectOnlyClassesChanged(before, ReadBytes(path), loaded.set);
}

// Every failure names the file and says why.
TEST(LASClassSave, FailuresNameTheFileAndTheReason)
{
    BoxAnswers answers;
    std::string path = CopyToTemp(NeedSample("1815.las"), "named.las");
    LoadedSet loaded(path, "named.las");
    ASSERT_NE(loaded.set, nullptr);
    LASClassSave outcome;
    const std::string notFound = SystemErrorText(ERROR_FILE_NOT_FOUND);

    std::string vanished = TempDir() + "gone\\named.las";
    EXPECT_EQ(SaveLASClasses(loaded.set, vanished.c_str(), "other.las", &outcome), 0);
    EXPECT_EQ(outcome.status, LAS_SAVE_NO_TEMP_NAME);
    EXPECT_NE(strstr(outcome.message, "other.las"), nullptr) << outcome.message;
    const char* reason = strstr(outcome.message, "\n\n");
    EXPECT_TRUE(reason && reason[2]) << outcome.message;   // the system's words, whichever error it gives

    // A folder too long for a temporary name beside the target (still a path
    // this program takes: a short name without extension), and a path longer
    // than it takes (a batch's output folder and the file's name): each with
    // its limit, the folder counted as Windows shows it.
    std::string deep = TempDir() + std::string(250 - TempDir().size(), 'd') + "\\x";
    ASSERT_LT(deep.size(), 256u);
    EXPECT_EQ(SaveLASClasses(loaded.set, deep.c_str(), "x", &outcome), 0);
    EXPECT_EQ(outcome.status, LAS_SAVE_NO_TEMP_NAME);
    char expected[600];
    snprintf(expected, sizeof expected, kSaveFolderTooLongText, "x", 250, 249);
    EXPECT_STREQ(outcome.message, expected);
    std::string over = TempDir() + std::string(250 - TempDir().size(), 'd') + "\\x.las";
    EXPECT_EQ(SaveLASClasses(loaded.set, over.c_str(), "x.las", &outcome), 0);
    EXPECT_EQ(outcome.status, LAS_SAVE_NO_TEMP_NAME);
    snprintf(expected, sizeof expected, kSavePathTooLongText, "x.las", 256, 255);
    EXPECT_STREQ(outcome.message, expected);

    // A source gone since the load: the system's reason, not a library text
    // left from some other file.
    ASSERT_TRUE(DeleteFileA(path.c_str()));
    EXPECT_EQ(SaveLASClasses(loaded.set, TempPath("copy.las").c_str(), "copy.las", &outcome), 0);
    EXPECT_EQ(outcome.status, LAS_SAVE_SOURCE_OPEN);
    EXPECT_NE(strstr(outcome.message, "named.las"), nullptr) << outcome.message;
    EXPECT_NE(strstr(outcome.message, notFound.c_str()), nullptr) << outcome.message;

    // A source replaced by a file of another kind.
    Bytes text = {'x', ' ', 'y', '\n'};
    ASSERT_TRUE(WriteBytes(path, text));
    EXPECT_EQ(SaveLASClasses(loaded.set, TempPath("copy.las").c_str(), "copy.las", &outcome), 0);
    EXPECT_EQ(outcome.status, LAS_SAVE_SOURCE_OPEN);
    EXPECT_NE(strstr(outcome.message, "not a LAS file"), nullptr) << outcome.message;
    EXPECT_EQ(GetFileAttributesA(TempPath("copy.las").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(TempFilesLeft(), std::vector<std::string>{});
}
