#include "test_support.h"
#include "base/file_io.h"
#include "base/messages.h"
#include "data/ascii_loader.h"
#include "data/data_set.h"
#include "data/import_fields.h"
#include "data/statistics.h"
#include <cmath>
#include <string>
#include <vector>

namespace {

// Sets the process-wide column format for one test and puts the default back.
class ASCIILoad : public testing::Test {
protected:
    void TearDown() override
    {
        for (DataSet* set : loaded_) FreeDataSet(set);
        FreeImportFieldList(asciiFieldList);
        FreeImportFieldList(asciiAvailableFields);
        asciiFieldList = asciiAvailableFields = nullptr;
    }
    // XYZ followed by the given optional codes, with the delimiter.
    static void Format(std::vector<int> codes, int delimiter = kDelimiterSpace)
    {
        FreeImportFieldList(asciiFieldList);
        FreeImportFieldList(asciiAvailableFields);
        asciiFieldList = NewXYZFieldList();
        asciiAvailableFields = NewAvailableFieldList();
        asciiFieldList->delimiter = delimiter;
        for (int code : codes) {
            for (int i = 0; i < asciiAvailableFields->count; i++) {
                ImportField* f = asciiAvailableFields->entries[i];
                if (f && f->code == code) {
                    MoveImportField(asciiFieldList, asciiAvailableFields, i);
                    break;
                }
            }
        }
    }
    // Loaded sets are freed when the test ends.
    DataSet* Load(const std::string& path, uint32_t step = 1)
    {
        DataSet* set = ReadASCIIPointsDecimated(path.c_str(), "pts.xyz", step);
        if (set) loaded_.push_back(set);
        return set;
    }
    std::vector<DataSet*> loaded_;
};

}  // namespace

TEST_F(ASCIILoad, AHeaderOfWordsIsSkippedAndALaterZeroLineIsAPoint)
{
    BoxAnswers boxes;
    DataSet* set = Load(WriteTempFile("h.xyz", "X Y Z\n1 2 3\n0 0 0\n"));
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->pointCount, 2);
    EXPECT_EQ(set->kind, DATA_ASCII);
    EXPECT_EQ(set->source, SOURCE_ASCII);
    EXPECT_EQ(set->points[0].x, 1.0);
    EXPECT_EQ(set->points[0].z, 3.0f);  // no 0.001 added
    EXPECT_EQ(set->points[1].x, 0.0);
    EXPECT_EQ(set->points[1].y, 0.0);
    // Without return columns a point is return 1 of 1, single.
    EXPECT_EQ(set->points[0].returns, MakeReturnByte(1, 1));
    EXPECT_EQ(ReturnPositionOf(set->points[0].returns), (uint32_t)RETURN_SINGLE);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(ASCIILoad, ShortLinesAreSkippedInBothPassesAndLongLinesStoreOnlyMappedColumns)
{
    Format({FIELD_INTENSITY, FIELD_CLASSIFICATION});
    DataSet* set = Load(WriteTempFile("s.xyz", "1 2 3 40 2\n5 6 7\n\n8 9 10 11 6 99 99 99\n"));
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->pointCount, 2);
    EXPECT_EQ(set->points[0].intensity, 40);
    EXPECT_EQ(set->points[1].x, 8.0);
    EXPECT_EQ(set->points[1].intensity, 11);
    EXPECT_EQ(set->points[1].classification, 6);
    EXPECT_EQ(set->classCount, 2);
}

TEST_F(ASCIILoad, ColoursAreClampedAndReturnsAndIdsKeepTheirLowBits)
{
    Format({FIELD_RED, FIELD_GREEN, FIELD_BLUE, FIELD_RETURN_NUMBER, FIELD_RETURN_COUNT, FIELD_SOURCE_ID,
            FIELD_INTENSITY});
    DataSet* set = Load(WriteTempFile("c.xyz", "1 2 3 300 -5 128 2 3 65537 70000\n"));
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->pointCount, 1);
    const PointRecord& p = set->points[0];
    EXPECT_EQ(p.red, 255);
    EXPECT_EQ(p.green, 0);
    EXPECT_EQ(p.blue, 128);
    EXPECT_EQ(ReturnNumberOf(p.returns), 2u);
    EXPECT_EQ(NumberOfReturnsOf(p.returns), 3u);
    EXPECT_EQ(ReturnPositionOf(p.returns), (uint32_t)RETURN_INTERMEDIATE);
    EXPECT_EQ(p.pointSourceId, 1);
    EXPECT_EQ(p.intensity, 70000 & 0xFFFF);
}

TEST_F(ASCIILoad, ALineLongerThan254CharactersIsReadAsTwoLines)
{
    std::string first = "1 2 3";
    first.resize(254, ' ');
    std::string text = first + "4 5 6\n7 8 9\n";
    DataSet* set = Load(WriteTempFile("long.xyz", text));
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->pointCount, 3);
    EXPECT_EQ(set->points[0].x, 1.0);
    EXPECT_EQ(set->points[1].x, 4.0);
    EXPECT_EQ(set->points[2].x, 7.0);
}

TEST_F(ASCIILoad, CRLFAndLFFilesReadTheSame)
{
    Format({FIELD_INTENSITY}, kDelimiterComma);
    DataSet* lf = Load(WriteTempFile("lf.xyz", "1,2,3,4\n5,6,7,8\n"));
    DataSet* crlf = Load(WriteTempFile("crlf.xyz", "1,2,3,4\r\n5,6,7,8\r\n"));
    ASSERT_NE(lf, nullptr);
    ASSERT_NE(crlf, nullptr);
    ASSERT_EQ(lf->pointCount, 2);
    ASSERT_EQ(crlf->pointCount, 2);
    EXPECT_EQ(memcmp(lf->points, crlf->points, 2 * sizeof(PointRecord)), 0);
}

// A field of blanks for the intensity holds no value and reads as 0; a blank
// coordinate is no point, and its line is left out. (Runs of the delimiter
// are one, so only blanks make a blank field.)
TEST_F(ASCIILoad, BlankFieldsAreZeroButABlankCoordinateIsNoPoint)
{
    Format({FIELD_INTENSITY}, kDelimiterComma);
    BoxAnswers boxes;
    DataSet* set = Load(WriteTempFile("blank.xyz", "1,2,3, \n4,5,6,7\n ,8,9,10\n"));
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->pointCount, 2);
    EXPECT_EQ(set->points[0].x, 1.0);
    EXPECT_EQ(set->points[0].intensity, 0);
    EXPECT_EQ(set->points[1].intensity, 7);
}

TEST_F(ASCIILoad, MixedDelimitersFollowTheChosenOne)
{
    Format({}, kDelimiterComma);
    // Blanks around commas stay in the fields and still parse; a line split
    // only by blanks is one field and is skipped.
    DataSet* set = Load(WriteTempFile("m.xyz", "1, 2, 3\n4,5,6\n7 8 9\n10,11\t,12\n"));
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->pointCount, 3);
    EXPECT_EQ(set->points[0].y, 2.0);
    EXPECT_EQ(set->points[2].x, 10.0);
    EXPECT_EQ(set->points[2].y, 11.0);

    Format({}, kDelimiterTab);
    set = Load(WriteTempFile("t.xyz", "1\t2\t3\n\t4\t\t5\t6\t\n"));
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->pointCount, 2);
    EXPECT_EQ(set->points[1].z, 6.0f);
}

TEST_F(ASCIILoad, DecimationKeepsEveryStepthLineAndAStepBeyondTheCountKeepsAll)
{
    std::string text;
    for (int i = 0; i < 10; i++) text += std::to_string(i) + " 1 2\n";
    std::string path = WriteTempFile("d.xyz", text);
    DataSet* set = Load(path, 3);
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->pointCount, 3);
    EXPECT_EQ(set->filePointCount, 3);
    EXPECT_EQ(set->decimated, 1);
    EXPECT_EQ(set->points[0].x, 0.0);
    EXPECT_EQ(set->points[1].x, 3.0);
    EXPECT_EQ(set->points[2].x, 6.0);

    set = Load(path, 25);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->pointCount, 10);
    EXPECT_EQ(set->decimated, 0);
}

TEST_F(ASCIILoad, AOneLineFileHasFiniteStatistics)
{
    DataSet* set = Load(WriteTempFile("one.xyz", "100.5 200.5 7.25\n"));
    ASSERT_NE(set, nullptr);
    ComputeDataSetStatistics(set);
    EXPECT_EQ(set->minX, 100.5);
    EXPECT_EQ(set->maxY, 200.5);
    EXPECT_TRUE(std::isfinite(set->meanZ));
    EXPECT_TRUE(std::isfinite(set->sdZ));
    EXPECT_TRUE(std::isfinite(set->rampScale));
    EXPECT_TRUE(std::isfinite(set->intensityScale));
}

TEST_F(ASCIILoad, FilesWithoutPointsAreReportedWithTheirTitle)
{
    BoxAnswers boxes;
    EXPECT_EQ(Load(WriteTempFile("words.xyz", "a b c\nd e\n")), nullptr);
    EXPECT_EQ(Load(TempPath("missing.xyz")), nullptr);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[0].text, std::string("pts.xyz") + kASCIIParseFailed);
    EXPECT_EQ(boxes.shown()[0].caption, "ERROR");
    EXPECT_EQ(boxes.shown()[1].text, std::string("pts.xyz") + kASCIIOpenFailed);
}

// Writes more point lines into a pipe than two of the reader's buffers hold, then
// closes it: the reader's first read succeeds and a later ReadFile fails (a
// broken pipe) instead of reaching an end of file.
static DWORD WINAPI WritePointLinesThenBreak(void* pipe)
{
    if (ConnectNamedPipe((HANDLE)pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED) {
        std::string lines;
        for (int i = 0; i < 4096; i++) lines += "1 2 3\n";
        DWORD written;
        for (int i = 0; i < 110; i++)
            if (!WriteFile((HANDLE)pipe, lines.data(), (DWORD)lines.size(), &written, nullptr)) break;
    }
    CloseHandle((HANDLE)pipe);
    return 0;
}

// A source that cannot be read to its end is refused, not loaded in part.
TEST_F(ASCIILoad, AReadErrorIsReportedAndLoadsNothing)
{
    char name[64];
    snprintf(name, sizeof name, "\\\\.\\pipe\\velka-ascii-%lu", (unsigned long)GetCurrentProcessId());
    HANDLE pipe = CreateNamedPipeA(name, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    HANDLE writer = CreateThread(nullptr, 0, WritePointLinesThenBreak, pipe, 0, nullptr);
    ASSERT_NE(writer, nullptr);
    BoxAnswers boxes;
    EXPECT_EQ(Load(name), nullptr);
    EXPECT_EQ(WaitForSingleObject(writer, 10000), WAIT_OBJECT_0);
    CloseHandle(writer);
    ASSERT_TRUE(ShowedOneBox(boxes, std::string("pts.xyz") + kASCIIParseFailed));
}

TEST_F(ASCIILoad, OnlyTextWithANumericColumnCountsAsAPointFile)
{
    BoxAnswers boxes;
    EXPECT_EQ(CheckASCIIPointFile(WriteTempFile("ok.xyz", "X,Y,Z\r\n1.5,2,3\r\n").c_str(), "ok.xyz"), 1);
    EXPECT_EQ(CheckASCIIPointFile(WriteTempFile("neg.xyz", "-1e3 2 3\n").c_str(), "neg.xyz"), 1);
    EXPECT_TRUE(boxes.shown().empty());
    std::string binary("\x01\x02\x00\x7f\xff 1 2 3\n", 13);   // and a NUL after the line end
    EXPECT_EQ(CheckASCIIPointFile(WriteTempFile("bin.xyz", binary).c_str(), "bin.xyz"), 0);
    EXPECT_EQ(CheckASCIIPointFile(WriteTempFile("empty.xyz", "").c_str(), "empty.xyz"), 0);
    EXPECT_EQ(CheckASCIIPointFile(WriteTempFile("words.xyz", "# notes\nnone here\n").c_str(), "words.xyz"), 0);
    std::string wide("\xFF\xFE" "1\0 \0" "2\0 \0" "3\0\n\0", 14);
    EXPECT_EQ(CheckASCIIPointFile(WriteTempFile("wide.xyz", wide).c_str(), "wide.xyz"), 0);
    // Thirty lines, a NUL on every one from the fifth: only the first 20 are looked at.
    std::string damaged;
    for (int i = 0; i < 30; i++) damaged += std::string("1 2 3") + (i >= 4 ? std::string(1, '\0') : "") + "\n";
    EXPECT_EQ(CheckASCIIPointFile(WriteTempFile("nulls.xyz", damaged).c_str(), "nulls.xyz"), 0);
    ASSERT_EQ(boxes.shown().size(), 5u);
    EXPECT_EQ(boxes.shown()[0].text, "bin.xyz\n" + Formatted(kASCIINotTextWholeFormat, 2, 2) + "\n");
    EXPECT_EQ(boxes.shown()[1].text, std::string("empty.xyz") + kASCIIParseFailed);
    EXPECT_EQ(boxes.shown()[3].text, "wide.xyz\n" + std::string(kASCIIWideText) + "\n");
    EXPECT_EQ(boxes.shown()[4].text, "nulls.xyz\n" + Formatted(kASCIINotTextFormat, 16, 20) + "\n");
}

// A refusal as no text counts the lines its verdict weighed, not the empty
// ones among them, and says "its first N lines" only when the file goes on
// past those looked at: a read that fails there is no end of the file.
TEST_F(ASCIILoad, ANotTextRefusalCountsTheLinesItWeighed)
{
    const std::string nul = std::string("1 2 3") + '\0' + "\n", clean = "1 2 3\n";
    auto repeated = [](const std::string& line, int times) {
        std::string text;
        for (int i = 0; i < times; i++) text += line;
        return text;
    };
    // Seven damaged, six clean and seven empty lines first: seven of thirteen.
    std::string blanks;
    for (int i = 0; i < 7; i++) blanks += nul + (i < 6 ? clean : "") + "\n";
    blanks += repeated(clean, 10);
    const struct {
        const char* name;
        std::string text;
        std::string reason;
        int readFault;
    } cases[] = {
        {"blanks.xyz", blanks, Formatted(kASCIINotTextFormat, 7, 13), 0},
        {"twenty.xyz", repeated(nul, kTextCheckLines), Formatted(kASCIINotTextWholeFormat, 20, 20), 0},
        {"twentyone.xyz", repeated(nul, kTextCheckLines + 1), Formatted(kASCIINotTextFormat, 20, 20), 0},
        {"two.xyz", repeated(nul, 2), Formatted(kASCIINotTextWholeFormat, 2, 2), 0},
        {"failed.xyz", repeated(nul, 2), Formatted(kASCIINotTextFormat, 2, 2), 2},
    };
    for (const auto& c : cases) {
        std::string path = WriteTempFile(c.name, c.text);
        BoxAnswers boxes;
        SetReadFaultAt(c.readFault);
        int taken = CheckASCIIPointFile(path.c_str(), c.name);
        SetReadFaultAt(0);
        EXPECT_EQ(taken, 0) << c.name;
        EXPECT_TRUE(ShowedOneBox(boxes, c.name + ("\n" + c.reason) + "\n")) << c.name;
    }
}

TEST(ASCIIParse, NumbersReadAsTheCLibraryReadsThem)
{
    EXPECT_EQ(ParseReal("  +12.5e1"), 125.0);
    EXPECT_EQ(ParseReal("7.5xyz"), 7.5);
    EXPECT_EQ(ParseReal("X"), 0.0);
    EXPECT_EQ(ParseInteger(" -42"), -42);
    EXPECT_EQ(ParseInteger("3.9"), 3);
    EXPECT_EQ(ParseInteger("abc"), 0);
}
