// Saving the classes of a classification run: the copy differs from its
// source only in the class bits, the refusals, and failures that leave the
// source as it was.
#include "las_test_files.h"
#include "classify/save_classes.h"
#include "classify/surface_run.h"
#include "classify/surface_settings.h"
#include "shell/save_las.h"
#include "base/file_replace.h"
#include "base/messages.h"
#include "data/data_set.h"
#include "data/las_loader.h"
#include "data/las_save.h"
#include "data/selection.h"
#include "data/statistics.h"
#include <cstdio>

namespace {

std::string GroundSample(const char* name)
{
    std::string path = SampleDir() + "../ground/" + name;
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    return path;
}

DataSet* LoadClassified(const std::string& path)
{
    DataSet* set = LoadLASData(path.c_str(), "sample.las");
    if (!set) return nullptr;
    ComputeDataSetStatistics(set);
    set->tiles = BuildPointTiles(set);
    DensityCheck(set);
    // Ground 2, everything else 5: most points get a class they did not have.
    EXPECT_EQ(RunSurfaceMagic(nullptr, set, 2, 5, 8, 10), 1) << path;
    return set;
}

// Every byte equal but the class bits of each record; the class as in memory.
void ExpectOnlyClassesChanged(const Bytes& before, const Bytes& after, const DataSet* set, const char* name)
{
    ASSERT_EQ(before.size(), after.size()) << name;
    uint32_t offset = FieldAt<uint32_t>(before, 96);
    int format = before[104] & 0x3F;
    uint16_t length = FieldAt<uint16_t>(before, 105);
    uint64_t count = FieldAt<uint32_t>(before, 107);
    if (count == 0 && before[25] >= 4) count = FieldAt<uint64_t>(before, 247);
    ASSERT_EQ(count, (uint64_t)set->filePointCount) << name;
    int classByte = format <= 5 ? 15 : 16;
    uint8_t classMask = format <= 5 ? 0x1F : 0xFF;
    size_t differing = 0;
    for (size_t i = 0; i < before.size(); i++) {
        if (before[i] == after[i]) continue;
        bool inPoints = i >= offset && i < offset + count * length;
        size_t k = inPoints ? (i - offset) % length : 0;
        ASSERT_TRUE(inPoints && (int)k == classByte && ((before[i] ^ after[i]) & ~classMask) == 0)
            << name << ": byte " << i << " changed";
        differing++;
    }
    EXPECT_GT(differing, 0u) << name;
    for (uint64_t p = 0; p < count; p++)
        ASSERT_EQ(after[offset + p * length + classByte] & classMask, set->points[p].classification & classMask)
            << name << " point " << p;
}

std::vector<std::string>& logged = KeptLog();

}  // namespace

TEST(SaveDataSetClasses, OnlyTheClassBitsChangeInEveryFormat)
{
    SetDefaultSurfaceMagicSettings();
    // Formats 0 to 7 and 9 (the samples hold no format 8), records with extra bytes,
    // LAS 1.4 with extended VLRs behind the points.
    for (const char* name : { "point10.las", "simple.las", "point-color.las", "point-time.las",
                              "extrabytes.las", "synthetic/fmt4_p10v2_gpsv1_wave13_bytev1.las",
                              "synthetic/fmt5_p10v1_gpsv2_rgbv1_wave_bytev2_c1.las", "1_4_w_evlr.las",
                              "rand1_6.las", "simple1_4.las", "synthetic/fmt7_eb3_v4_multichannel.las",
                              "synthetic/fmt9_eb2_v4_multichannel.las" }) {
        std::string source = CopyToTemp(NeedSample(name), "source.las");
        Bytes before = ReadBytes(source);
        DataSet* set = LoadClassified(source);
        ASSERT_NE(set, nullptr) << name;
        // as a copy: the source stays as it was
        std::string copy = TempPath("copy.las");
        logged.clear();
        SetLogHook(KeepLog);
        ASSERT_EQ(SaveDataSetClassesAs(set, copy.c_str(), "copy.las"), 1) << name;
        EXPECT_EQ(logged.back(), std::string("[SAVE AS]  ") + set->title);
        EXPECT_EQ(ReadBytes(source), before) << name;
        ExpectOnlyClassesChanged(before, ReadBytes(copy), set, name);
        // in place
        set->saved = 0;
        ASSERT_EQ(SaveDataSetClasses(set), 1) << name;
        SetLogHook(nullptr);
        EXPECT_EQ(logged.back(), std::string("[SAVE]  ") + set->title);
        EXPECT_EQ(set->saved, 1);
        ExpectOnlyClassesChanged(before, ReadBytes(source), set, name);
        FreeDataSet(set);
    }
}

TEST(SaveDataSetClasses, DecimatedAndCompressedSourcesAreRefused)
{
    SetDefaultSurfaceMagicSettings();
    std::string source = CopyToTemp(GroundSample("samp54-input.las"), "samp54.las");
    Bytes before = ReadBytes(source);
    DataSet* set = LoadClassified(source);
    ASSERT_NE(set, nullptr);
    set->decimated = 1;
    BoxAnswers boxes;
    EXPECT_EQ(SaveDataSetClasses(set), 0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    char expected[700];
    snprintf(expected, sizeof expected, kSaveDecimatedText, set->title);
    EXPECT_EQ(boxes.shown()[0].text, expected);
    EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
    EXPECT_EQ(ReadBytes(source), before);
    FreeDataSet(set);

    DataSet* laz = LoadLASData(NeedSample("simple.laz").c_str(), "simple.laz");
    ASSERT_NE(laz, nullptr);
    boxes.clear();
    EXPECT_EQ(SaveDataSetClassesAs(laz, TempPath("simple.las").c_str(), "simple.las"), 0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    snprintf(expected, sizeof expected, kSaveNotLASText, laz->title);
    EXPECT_EQ(boxes.shown()[0].text, expected);
    EXPECT_EQ(GetFileAttributesA(TempPath("simple.las").c_str()), INVALID_FILE_ATTRIBUTES);
    FreeDataSet(laz);
}

TEST(SaveDataSetClasses, FailuresKeepTheSourceAndLeaveNoTemporaryFile)
{
    SetDefaultSurfaceMagicSettings();
    std::string source = CopyToTemp(GroundSample("samp71-input.las"), "samp71.las");
    Bytes before = ReadBytes(source);
    DataSet* set = LoadClassified(source);
    ASSERT_NE(set, nullptr);
    BoxAnswers boxes;
    // Written since the load (its points unchanged): a run keeps it, and the
    // reason it captures is a statement, no question nobody answers.
    ASSERT_TRUE(WaitForLaterWriteTime(source, 5000));
    ASSERT_TRUE(WriteBytes(source, before));
    char reason[1024];
    SetThreadBoxCapture(reason, sizeof reason);
    EXPECT_EQ(SaveDataSetClasses(set), 0);
    SetThreadBoxCapture(nullptr, 0);
    char expected[1024];
    snprintf(expected, sizeof expected, kSaveRewrittenText, set->title);
    EXPECT_STREQ(reason, expected);
    EXPECT_EQ(ReadBytes(source), before);
    ASSERT_TRUE(RestampLASSource(set));
    // A read-only file is not replaced.
    SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(SaveDataSetClasses(set), 0);
    SetFileAttributesA(source.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(ShowedOneBox(boxes, std::string("Unable to save ") + set->title + "\n\n" + kSaveReadOnlyReason));
    EXPECT_EQ(ReadBytes(source), before);
    EXPECT_EQ(set->saved, 0);
    // A source that vanished cannot be copied; the target is not made.
    std::string moved = TempPath("moved.las");
    ASSERT_TRUE(MoveFileExA(source.c_str(), moved.c_str(), MOVEFILE_REPLACE_EXISTING));
    boxes.clear();
    std::string target = TempPath("target.las");
    EXPECT_EQ(SaveDataSetClassesAs(set, target.c_str(), "target.las"), 0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(TempFilesLeft(), std::vector<std::string>{});
    EXPECT_EQ(ReadBytes(moved), before);
    FreeDataSet(set);
}
