#include "test_support.h"
#include "base/file_io.h"
#include "base/text_lines.h"

#include <string>
#include <vector>

namespace {

// Lines of 253, 254 and 255 characters (one under, at and one over the piece
// limit and a 255-byte whole-line buffer), an empty line, and one of 510
// that the pieces must cut twice.
const std::vector<std::string> kLines = {std::string(253, 'a'), std::string(254, 'b'), "", std::string(255, 'c'),
                                         std::string(510, 'd'), "1 2 3"};

// The lines with the i-th line ended by ends[i % ends.size()].
std::string Joined(const std::vector<std::string>& ends)
{
    std::string text;
    for (size_t i = 0; i < kLines.size(); i++) text += kLines[i] + ends[i % ends.size()];
    return text;
}

// The file's pieces, or (whole) its lines in a 255-byte buffer with a line
// too long shown as "<long>".
std::vector<std::string> ReadAll(const std::string& path, bool whole)
{
    std::vector<std::string> out;
    TextLines* r = OpenTextLines(path.c_str());
    char line[kTextPieceChars + 1];
    int n;
    while (r && (n = whole ? NextWholeTextLine(r, line, sizeof line) : NextTextLine(r, line)) != -1)
        out.push_back(n == kTextLineTooLong ? "<long>" : std::string(line, (size_t)n));
    CloseTextLines(r);
    return out;
}

std::vector<std::string> Pieces(const std::string& path) { return ReadAll(path, false); }
std::vector<std::string> WholeLines(const std::string& path) { return ReadAll(path, true); }

}  // namespace

// Whatever its line ends, a file gives the same pieces and the same whole
// lines: a line end is one character of a piece, and its CRs never count
// against a limit.
TEST(TextLines, EveryKindOfLineEndReadsTheSameAtTheLimits)
{
    std::string lf = WriteTempFile("lf.txt", Joined({"\n"}));
    // As a 256-byte line buffer reads them: the end shares the 254 characters.
    const std::vector<std::string> pieces = {kLines[0],
                                             kLines[1], "",
                                             "",
                                             std::string(254, 'c'), "c",
                                             std::string(254, 'd'), std::string(254, 'd'), "dd",
                                             "1 2 3"};
    EXPECT_EQ(Pieces(lf), pieces);
    const std::vector<std::string> whole = {kLines[0], kLines[1], "", "<long>", "<long>", "1 2 3"};
    EXPECT_EQ(WholeLines(lf), whole);

    const std::vector<std::vector<std::string>> kinds = {
        {"\r\n"}, {"\r\r\n"}, {"\r"}, {"\n", "\r\n", "\r\r\n"}, {"\r\n", "\n"}, {"\n", "\r\n", "\r"}};
    for (const auto& ends : kinds) {
        std::string text = Joined(ends);
        std::string path = WriteTempFile("ends.txt", text);
        EXPECT_EQ(Pieces(path), pieces) << ends.size() << " kinds, first " << ends[0].size();
        EXPECT_EQ(WholeLines(path), whole) << ends.size() << " kinds, first " << ends[0].size();
        // Without an end after the last line, too.
        size_t lastEnd = ends[(kLines.size() - 1) % ends.size()].size();
        std::string cut = WriteTempFile("cut.txt", text.substr(0, text.size() - lastEnd));
        EXPECT_EQ(Pieces(cut), pieces);
        EXPECT_EQ(WholeLines(cut), whole);
    }
    // A CR that no LF follows ends a line of its own, however many come in a
    // row; at most eight before an LF are that LF's end.
    for (bool whole : {false, true}) {
        EXPECT_EQ(ReadAll(WriteTempFile("mac.txt", "a\rb\r\rc"), whole), (std::vector<std::string>{"a", "b", "", "c"}));
        EXPECT_EQ(ReadAll(WriteTempFile("runs.txt", "a" + std::string(8, '\r') + "\nb" + std::string(9, '\r') + "\nc"),
                          whole),
                  (std::vector<std::string>{"a", "b", "", "c"}));
    }
}

// A CR LF split by the end of what one read brings is still one end, and a
// CR there is still an end when an LF does not follow it.
TEST(TextLines, ALineEndAcrossTheReadBufferIsOneEnd)
{
    const size_t kBuffer = kTextReadBufferBytes;
    for (const char* next : {"\n4 5 6\n", "4 5 6\n"}) {
        std::string text;
        size_t shortLines = 0;
        for (; text.size() < kBuffer - 300; shortLines++) text += "1 2 3\n";
        size_t filler = kBuffer - 1 - text.size();   // then the CR, the buffer's last byte
        text += std::string(filler, '7') + "\r" + next;
        std::string path = WriteTempFile("boundary.txt", text);
        std::vector<std::string> lines = WholeLines(path);
        ASSERT_EQ(lines.size(), shortLines + 2) << strlen(next);
        EXPECT_EQ(lines[shortLines], "<long>");
        EXPECT_EQ(lines.back(), "4 5 6");
        std::vector<std::string> pieces = Pieces(path);
        ASSERT_EQ(pieces.size(), shortLines + filler / kTextPieceChars + 2);
        EXPECT_EQ(pieces[pieces.size() - 2], std::string(filler % kTextPieceChars, '7'));
        EXPECT_EQ(pieces.back(), "4 5 6");
    }
}

// The marks DOS and Windows editors leave are no part of the lines: a UTF-8
// mark before the first, a 0x1A as the file's last byte. A 0x1A anywhere
// else is a byte of its line.
TEST(TextLines, ByteOrderAndEndOfFileMarksAreNoText)
{
    EXPECT_EQ(Pieces(WriteTempFile("dos.txt", "1 2 3\r\n4 5 6\r\n\x1A")), (std::vector<std::string>{"1 2 3", "4 5 6"}));
    EXPECT_EQ(WholeLines(WriteTempFile("dos2.txt", "\xEF\xBB\xBF" "1 2 3\n4 5 6\x1A")),
              (std::vector<std::string>{"1 2 3", "4 5 6"}));
    EXPECT_EQ(Pieces(WriteTempFile("only.txt", "\x1A")), std::vector<std::string>{});
    EXPECT_EQ(Pieces(WriteTempFile("inside.txt", "1 2\x1A\n\x1A\n")), (std::vector<std::string>{"1 2\x1A", "\x1A"}));
    // The mark is looked for at the file's end after a rewind too.
    TextLines* r = OpenTextLines(WriteTempFile("again.txt", "x\n\x1A").c_str());
    char line[kTextPieceChars + 1];
    for (int pass = 0; pass < 2; pass++) {
        EXPECT_EQ(NextTextLine(r, line), 1) << pass;
        EXPECT_EQ(NextTextLine(r, line), -1) << pass;
        EXPECT_EQ(RewindTextLines(r), 1);
    }
    CloseTextLines(r);
}

// A rewind that fails is no empty file: the pass after it reports a failure.
TEST(TextLines, AFailedRewindIsAFailureNotTheEnd)
{
    TextLines* r = OpenTextLines(WriteTempFile("seek.txt", "1 2 3\n4 5 6\n").c_str());
    ASSERT_NE(r, nullptr);
    char line[kTextPieceChars + 1];
    while (NextTextLine(r, line) >= 0) {}
    EXPECT_EQ(TextLinesFailed(r), 0);
    SetSeekFaultAt(1);
    EXPECT_EQ(RewindTextLines(r), 0);
    SetSeekFaultAt(0);
    EXPECT_EQ(NextWholeTextLine(r, line, sizeof line), -1);
    EXPECT_NE(TextLinesFailed(r), 0);
    // A good rewind reads the file again.
    EXPECT_EQ(RewindTextLines(r), 1);
    EXPECT_EQ(TextLinesFailed(r), 0);
    EXPECT_EQ(NextTextLine(r, line), 5);
    CloseTextLines(r);
}

TEST(TextLines, ControlBytesButTabsMarkADamagedLine)
{
    EXPECT_FALSE(TextLineHasControlByte("1\t2 3", 5));
    EXPECT_TRUE(TextLineHasControlByte("1 2\f3", 5));
    EXPECT_TRUE(TextLineHasControlByte("1 2\0" "3", 5));   // a NUL counts, though it ends the string
    EXPECT_FALSE(TextLineHasControlByte("1 2 \xff", 5));
}
