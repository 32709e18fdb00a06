// Damaged LAS files: each one is refused with a reason (or read as far as it
// goes) and never read past its end. The damage is made here from a sound
// file written by the library, so these tests need no sample data.
#include "las_test_files.h"
#include "base/heap.h"
#include <limits>

namespace {

// A sound LAS 1.2 file: format 1, 100 records, the system's own VLR.
Bytes SoundFile()
{
    static Bytes sound;
    if (sound.empty()) {
        std::string path = TempPath("sound.las");
        if (MakeLASFile(path, 12, 28, 100)) sound = ReadBytes(path);
    }
    return sound;
}

// Writes `bytes` as a file, expects every mode to refuse it with a text
// holding `reason`, and the file to be left as it was.
void ExpectRefused(const Bytes& bytes, const char* reason, const char* what)
{
    std::string path = TempPath("damaged.las");
    ASSERT_TRUE(WriteBytes(path, bytes));
    for (int mode : { LAS_MODE_READ, LAS_MODE_UPDATE, LAS_MODE_WRITE }) {
        SetLASError(nullptr, "", "");
        LASFile* las = OpenLASFile(path.c_str(), mode);
        EXPECT_EQ(las, nullptr) << what << " mode " << mode;
        if (las) CloseLASFile(las);
        const char* text = GetLASErrorText(nullptr);
        EXPECT_TRUE(Contains(text, reason)) << what << ": " << text;
        EXPECT_TRUE(Contains(text, "ReadLASHeader:  ")) << what << ": " << text;
    }
    EXPECT_TRUE(ReadBytes(path) == bytes) << what << ": a refused file was changed";
}

// The sound file with one field at `at` set to `value`, expected refused.
template <typename T> void ExpectFieldRefused(size_t at, T value, const char* reason, const char* what)
{
    Bytes d = SoundFile();
    SetFieldAt<T>(d, at, value);
    ExpectRefused(d, reason, what);
}

// A file in memory whose reads fail where they touch [failFrom, failTo).
struct FailingBytes {
    Bytes bytes;
    uint64_t failFrom, failTo;
    static int ReadAt(void* context, uint64_t offset, void* buffer, uint64_t size)
    {
        const FailingBytes* f = (const FailingBytes*)context;
        if (offset + size > f->bytes.size() || (offset < f->failTo && offset + size > f->failFrom)) return 0;
        memcpy(buffer, f->bytes.data() + offset, (size_t)size);
        return 1;
    }
};

const size_t SCALE_AT = 131, OFFSET_X_AT = 155, HEADER_SIZE_AT = 94, OFFSET_AT = 96, VLR_COUNT_AT = 100, FORMAT_AT = 104, LENGTH_AT = 105,
             COUNT_AT = 107, VLR_LENGTH_AT = 227 + 20;

} // namespace

TEST(LasDamaged, ASoundFileOpens)
{
    Bytes b = SoundFile();
    ASSERT_EQ(b.size(), 227u + 182 + 100 * 28);
    std::string path = TempPath("sound_copy.las");
    ASSERT_TRUE(WriteBytes(path, b));
    LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_READ);
    ASSERT_NE(las, nullptr);
    EXPECT_EQ(las->pointCount, 100u);
    CloseLASFile(las);
}

TEST(LasDamaged, TruncatedHeadersAreRefused)
{
    Bytes b = SoundFile();
    ExpectRefused(Bytes(b.begin(), b.begin() + 4), "too few for a 227-byte", "signature only");
    ExpectRefused(Bytes(b.begin(), b.begin() + 226), "too few for a 227-byte", "226 bytes");
    // Enough for the fixed part, but the VLRs it announces are cut off.
    ExpectRefused(Bytes(b.begin(), b.begin() + 300), "beyond the end of the file", "cut in the VLR");
}

TEST(LasDamaged, BadSizesAndOffsetsAreRefused)
{
    ExpectFieldRefused<uint16_t>(HEADER_SIZE_AT, 200, "smaller than the 227 bytes", "header size 200");
    ExpectFieldRefused<uint16_t>(HEADER_SIZE_AT, 500, "reaches past the offset", "header size past the points");
    ExpectFieldRefused<uint32_t>(OFFSET_AT, 100, "reaches past the offset", "offset inside the header");
    ExpectFieldRefused<uint32_t>(OFFSET_AT, 0xFFFFFF00u, "beyond the end of the file", "offset past the end");
}

// Parses `bytes` as the LAS library does; the parse's result.
static int ParseBytes(const Bytes& bytes, LASParsedHeader* parsed, char* why, size_t size)
{
    FailingBytes whole = {bytes, 0, 0};
    const LASByteSource source = {&whole, FailingBytes::ReadAt, bytes.size()};
    return ParseLASHeader(source, LASParseRules{false}, parsed, why, size);
}

// VLRs that run into the points are cut where the points begin and end the
// table; the points stay readable and no byte of them is taken for a record.
TEST(LasDamaged, VlrsRunningIntoThePointsAreCutThere)
{
    const Bytes b = SoundFile();
    struct Case {
        size_t at;
        uint32_t value;
        const char* what;
        const char* cutText;   // null: nothing was cut, the surplus records were not there
    } cases[] = {
        {VLR_COUNT_AT, 0xFFFFFFFFu, "4 billion VLRs", nullptr},
        {VLR_COUNT_AT, 2, "a second VLR whose header would be point data", nullptr},
        {VLR_LENGTH_AT, 60000, "VLR length 60000",
         "Variable length record 0 (\"VelkaDunmarro\" 0, 60000 bytes) runs past the point data at 409"},
        {VLR_LENGTH_AT, 129, "VLR one byte too long",
         "Variable length record 0 (\"VelkaDunmarro\" 0, 129 bytes) runs past the point data at 409"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes d = b;
        if (c.at == VLR_COUNT_AT) SetFieldAt<uint32_t>(d, c.at, c.value);
        else SetFieldAt<uint16_t>(d, c.at, (uint16_t)c.value);
        LASParsedHeader parsed;
        char why[256];
        ASSERT_EQ(ParseBytes(d, &parsed, why, sizeof why), 1) << why;
        ASSERT_EQ(parsed.header.numberOfVLRs, 1u);
        EXPECT_EQ(parsed.vlrs[0]->recordLength, 128u);
        EXPECT_EQ(memcmp(parsed.vlrs[0]->data, d.data() + 227 + 54, 128), 0);
        EXPECT_EQ(parsed.vlrEnd, 409u);
        EXPECT_EQ(parsed.cutVLR, c.cutText ? 0 : -1);
        EXPECT_STREQ(parsed.cutVLRText, c.cutText ? c.cutText : "");
        // The log says what the points were read past: the cut, or the
        // records counted that are not there.
        EXPECT_EQ(parsed.note, c.cutText ? Formatted(kLASRecordCutNoteFormat, c.cutText)
                                         : Formatted(kLASMoreRecordsCountedFormat, c.value, 1u, 409u));
        EXPECT_EQ(parsed.pointStart, 409u);
        FreeVLRs(parsed.vlrs, parsed.header.numberOfVLRs);

        std::string path = TempPath("cut_vlr.las");
        ASSERT_TRUE(WriteBytes(path, d));
        LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_READ);
        ASSERT_NE(las, nullptr) << GetLASErrorText(nullptr);
        EXPECT_EQ(las->pointCount, 100u);
        uint8_t record[28];
        ASSERT_EQ(ReadLASPointRaw(las, record), 1);
        EXPECT_EQ(memcmp(record, d.data() + 409, 28), 0);
        CloseLASFile(las);
    }

    // A record wholly before the points is the file's own whatever its user
    // ID holds: one whose user ID is not text is cut at the points like any
    // other, and named in plain text (its user ID quoted only when it is
    // text).
    Bytes d = b;
    SetFieldAt<uint16_t>(d, VLR_LENGTH_AT, 60000);
    d[227 + 2] = 0x01;
    d[227 + 3] = 0xE9;
    LASParsedHeader parsed;
    char why[256];
    ASSERT_EQ(ParseBytes(d, &parsed, why, sizeof why), 1) << why;
    ASSERT_EQ(parsed.header.numberOfVLRs, 1u);
    EXPECT_EQ(parsed.vlrs[0]->recordLength, 128u);
    EXPECT_EQ(parsed.cutVLR, 0);
    EXPECT_STREQ(parsed.cutVLRText,
                 "Variable length record 0 (a user ID that is not text, record ID 0, 60000 bytes) runs past the "
                 "point data at 409");
    EXPECT_EQ(parsed.pointStart, 409u);
    FreeVLRs(parsed.vlrs, parsed.header.numberOfVLRs);

    // A record whose data cannot be read is refused by both readers, not
    // taken as zeros.
    FailingBytes failing = {b, 227 + 54, 409};
    const LASByteSource source = {&failing, FailingBytes::ReadAt, b.size()};
    for (bool compressed : {false, true}) {
        char text[256];
        EXPECT_EQ(ParseLASHeader(source, LASParseRules{compressed}, &parsed, text, sizeof text), 0) << compressed;
        EXPECT_STREQ(text, "Unable to read variable length record 0");
        EXPECT_EQ(parsed.vlrs, nullptr);
    }
}

// An offset to point data inside a record (its header or its data) is wrong,
// or the record is. Where the file proves the points behind the record
// (exactly filling it) they are read there; else an offset inside the data
// cuts the record there and reads the points at the offset, and one inside
// the header is read only where the file proves the points at the offset and
// is refused otherwise. Bytes across the offset that are no record header
// (a gap of 0xDD bytes) are no record: the points are read at the offset.
// A record wholly before the offset whose user ID is not text is judged as
// any other.
TEST(LasDamaged, PointsAreReadOnlyWhereTheFileShowsThemBegin)
{
    const Bytes b = SoundFile();   // one record from 227 to 409, then 100 records of 28 bytes
    const char* system = "\"VelkaDunmarro\" 0, 128 bytes";
    // The sound file with the offset at `offset`, `gap` bytes before its
    // points, `tail` bytes behind them and `vlrs` records counted.
    auto damaged = [&](uint32_t offset, size_t gap, size_t tail, uint32_t vlrs) {
        Bytes d = b;
        d.insert(d.begin() + 409, gap, 0xDD);
        d.insert(d.end(), tail, 0);
        SetFieldAt<uint32_t>(d, OFFSET_AT, offset);
        SetFieldAt<uint32_t>(d, VLR_COUNT_AT, vlrs);
        return d;
    };
    auto behind = [&](unsigned offset) {
        return Formatted(kLASPointsBehindRecordFormat, offset, 0u, system, 227ull, 409ull, kLASRecordsFitThereText);
    };
    auto inside = [&](unsigned offset) { return Formatted(kLASOffsetInsideRecordFormat, offset, 0u, system, 227ull); };
    auto cut = [&](unsigned offset) {
        return Formatted(kLASRecordCutNoteFormat, Formatted(kLASRecordCutFormat, 0u, system, offset).c_str());
    };
    auto notText = [](Bytes d) {
        d[227 + 3] = 0xC9;
        return d;
    };
    const Bytes oddInData = notText(damaged(300, 0, 0, 1));
    const struct {
        const char* what;
        Bytes bytes;
        uint64_t points;    // where the records are read from; 0: refused
        std::string note;   // the log's note, or the start of the refusal
    } cases[] = {
        {"1 byte into the record's header", damaged(228, 0, 0, 1), 409, behind(228)},
        {"its header's last byte", damaged(280, 0, 0, 1), 409, behind(280)},
        {"its data's first byte", damaged(281, 0, 0, 1), 409, behind(281)},
        {"its data's last byte, two records counted", damaged(408, 0, 0, 2), 409, behind(408)},
        {"inside its header, bytes behind the points", damaged(257, 0, 10, 1), 0, inside(257)},
        {"inside its data, bytes behind the points", damaged(300, 0, 10, 1), 300, cut(300)},
        {"its data's first byte, bytes behind the points", damaged(281, 0, 10, 1), 281, cut(281)},
        {"a second record counted in a gap of 10 bytes", damaged(419, 10, 0, 2), 419,
         Formatted(kLASMoreRecordsCountedFormat, 2u, 1u, 419u)},
        {"the same with bytes behind the points", damaged(419, 10, 10, 2), 419,
         Formatted(kLASMoreRecordsCountedFormat, 2u, 1u, 419u)},
        {"inside the data of a record whose user ID is not text", oddInData, 409,
         Formatted(kLASPointsBehindRecordFormat, 300u, 0u, DescribedVLRAt(oddInData, 227).c_str(), 227ull, 409ull,
                   kLASRecordsFitThereText)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LASParsedHeader parsed;
        char why[LAS_ERROR_TEXT_SIZE];
        int ok = ParseBytes(c.bytes, &parsed, why, sizeof why);
        if (!c.points) {
            EXPECT_EQ(ok, 0);
            EXPECT_EQ(std::string(why).rfind(c.note, 0), 0u) << why;
            ExpectRefused(c.bytes, c.note.c_str(), c.what);
            continue;
        }
        ASSERT_EQ(ok, 1) << why;
        const bool cutThere = c.points < 409;   // the record keeps its bytes before the points
        EXPECT_EQ(parsed.pointStart, c.points);
        EXPECT_EQ(parsed.note, c.note);
        ASSERT_EQ(parsed.header.numberOfVLRs, 1u);
        ASSERT_EQ(parsed.vlrs[0]->recordLength, cutThere ? c.points - 227 - 54 : 128u);
        EXPECT_EQ(memcmp(parsed.vlrs[0]->data, c.bytes.data() + 227 + 54, parsed.vlrs[0]->recordLength), 0);
        EXPECT_EQ(parsed.cutVLR, cutThere ? 0 : -1);
        FreeVLRs(parsed.vlrs, parsed.header.numberOfVLRs);

        std::string path = TempPath("inside_vlr.las");
        ASSERT_TRUE(WriteBytes(path, c.bytes));
        LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_READ);
        ASSERT_NE(las, nullptr) << GetLASErrorText(nullptr);
        EXPECT_EQ(las->loadNote, c.note);
        uint8_t record[28];
        int n = 0;
        while (ReadLASPointRaw(las, record)) ASSERT_EQ(memcmp(record, c.bytes.data() + c.points + 28 * n++, 28), 0);
        EXPECT_EQ(n, 100);
        CloseLASFile(las);
    }
}

TEST(LasDamaged, BadFormatsAndRecordLengthsAreRefused)
{
    ExpectFieldRefused<uint16_t>(LENGTH_AT, 0, "shorter than the 28 bytes", "record length 0");
    ExpectFieldRefused<uint16_t>(LENGTH_AT, 27, "shorter than the 28 bytes", "record length 27");
    Bytes d = SoundFile();
    d[FORMAT_AT] = 0x81;
    ExpectRefused(d, "compressed (LAZ)", "LAZ format bit 7");
    d[FORMAT_AT] = 0x43;
    ExpectRefused(d, "compressed (LAZ)", "LAZ format bit 6");
    d[FORMAT_AT] = 11;
    ExpectRefused(d, "Unknown point data format 11", "format 11");
}

TEST(LasDamaged, ScalesAndOffsetsThatGiveNoCoordinatesAreRefused)
{
    Bytes b = SoundFile();
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    for (int axis = 0; axis < 3; axis++) {
        SCOPED_TRACE(axis);
        Bytes d = b;
        SetFieldAt<double>(d, SCALE_AT + 8 * axis, nan);
        ExpectRefused(d, "scale factor of the header is not a finite number", "NaN scale");
        SetFieldAt<double>(d, SCALE_AT + 8 * axis, -inf);
        ExpectRefused(d, "scale factor of the header is not a finite number", "infinite scale");
        SetFieldAt<double>(d, SCALE_AT + 8 * axis, 0.0);
        ExpectRefused(d, "scale factor of the header is zero", "zero scale");
        d = b;
        SetFieldAt<double>(d, OFFSET_X_AT + 8 * axis, inf);
        ExpectRefused(d, "offset of the header is not a finite number", "infinite offset");
        SetFieldAt<double>(d, OFFSET_X_AT + 8 * axis, nan);
        ExpectRefused(d, "offset of the header is not a finite number", "NaN offset");
    }
    // A negative scale mirrors the data but still gives coordinates.
    Bytes d = b;
    SetFieldAt<double>(d, SCALE_AT, -0.01);
    std::string path = TempPath("negative_scale.las");
    ASSERT_TRUE(WriteBytes(path, d));
    LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_READ);
    EXPECT_NE(las, nullptr);
    if (las) CloseLASFile(las);
}

// A count beyond what a set holds is judged by the records the file holds:
// a damaged legacy or 64-bit count over a small file reads those records,
// never the count's low bits; only a file that holds more is refused.
TEST(LasDamaged, AbsurdPointCountsReadWhatTheFileHolds)
{
    std::string path = TempPath("big14.las");
    ASSERT_TRUE(MakeLASFile(path, 14, 30, 10));
    Bytes b14 = ReadBytes(path);
    ASSERT_EQ(FieldAt<uint64_t>(b14, 247), 10u);
    struct Case {
        const char* what;
        Bytes bytes;
        uint64_t count, held;
    } cases[] = {{"legacy count 2^32-1", SoundFile(), 0xFFFFFFFFull, 100},
                 {"64-bit count 2^31", b14, 2147483648ull, 10},
                 {"64-bit count 2^63", b14, 1ull << 63, 10}};
    SetFieldAt<uint32_t>(cases[0].bytes, COUNT_AT, 0xFFFFFFFFu);
    SetFieldAt<uint64_t>(cases[1].bytes, 247, cases[1].count);
    SetFieldAt<uint64_t>(cases[2].bytes, 247, cases[2].count);
    for (Case& c : cases) {
        ASSERT_TRUE(WriteBytes(path, c.bytes));
        LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_READ);
        ASSERT_NE(las, nullptr) << c.what << ": " << GetLASErrorText(nullptr);
        EXPECT_EQ(las->pointCount, c.count) << c.what;
        EXPECT_EQ(GetLASHeldPointCount(las), c.held) << c.what;
        std::vector<uint8_t> record(las->recordLength);
        uint64_t n = 0;
        while (ReadLASPointRaw(las, record.data())) n++;
        EXPECT_EQ(n, c.held) << c.what;
        CloseLASFile(las);
    }

    // A file that holds 2^31 records (a hole) is more than a set holds.
    Bytes d = b14;
    SetFieldAt<uint64_t>(d, 247, 2147483648ull);
    ASSERT_TRUE(WriteBytes(path, d));
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER end;
    end.QuadPart = (LONGLONG)(FieldAt<uint32_t>(d, OFFSET_AT) + 2147483648ull * 30);
    EXPECT_TRUE(SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h));
    CloseHandle(h);
    for (int mode : {LAS_MODE_READ, LAS_MODE_UPDATE}) {
        LASFile* las = OpenLASFile(path.c_str(), mode);
        EXPECT_EQ(las, nullptr) << "mode " << mode;
        if (las) CloseLASFile(las);
        EXPECT_TRUE(Contains(GetLASErrorText(nullptr), "Point count 2147483648 is more than this library can read"))
            << GetLASErrorText(nullptr);
    }
    DeleteFileA(path.c_str());
}

TEST(LasDamaged, TruncatedPointsAreReadAsFarAsTheyGoWithAReason)
{
    Bytes b = SoundFile();
    size_t points = 227 + 182;
    Bytes d(b.begin(), b.begin() + points + 50 * 28 + 13);   // 50 records and half of one
    std::string path = TempPath("short.las");
    ASSERT_TRUE(WriteBytes(path, d));
    LASFile* las = OpenLASFile(path.c_str(), LAS_MODE_READ);
    ASSERT_NE(las, nullptr);
    EXPECT_EQ(las->pointCount, 100u);
    uint8_t record[28];
    int n = 0;
    while (ReadLASPointRaw(las, record)) {
        ASSERT_EQ(memcmp(record, d.data() + points + n * 28, 28), 0);
        n++;
    }
    EXPECT_EQ(n, 50);
    EXPECT_TRUE(Contains(GetLASErrorText(las), "Point data ends after 50 of 100 records")) << GetLASErrorText(las);
    EXPECT_EQ(ReadLASPointRaw(las, record), 0);
    CloseLASFile(las);
}

TEST(LasDamaged, ShortVendorAndKeyRecordsAreNotReadPastTheirEnd)
{
    std::string path = TempPath("keys.las");
    LASFile* las = CreateForWriting(path, 12);
    ASSERT_NE(las, nullptr);
    // A LeicaGeo 1003 record of 10 bytes and a key directory that claims 50
    // keys but holds one (a 3076 key).
    LASVLR* leica = CreateLASGeoASCRecord(12);
    memcpy(leica->userId, "LeicaGeo\0\0\0\0\0\0\0", 16);
    leica->recordId = 1003;
    leica->recordLength = 10;
    leica->data = (uint8_t*)ReMalloc(leica->data, 10, "test");
    memset(leica->data, 0x7F, 10);
    ASSERT_EQ(AddVLR(leica, las), 2);   // behind the system's own record
    ASSERT_EQ(AddGeoTIFFKey(las, 3076, 0, 1, 9002), 1);
    int dir = FindVLR(las, "LASF_Projection", GEOKEY_DIRECTORY_RECORD);
    ASSERT_GE(dir, 0);
    las->vlrs[dir]->data[6] = 50;
    EXPECT_EQ(CloseLASFile(las), 1);

    las = OpenLASFile(path.c_str(), LAS_MODE_READ);
    ASSERT_NE(las, nullptr) << GetLASErrorText(nullptr);
    EXPECT_EQ(las->leicaValues[0], 0.0);
    EXPECT_EQ(ReadLeicaGeoRecord(las, FindVLR(las, "LeicaGeo", 1003)), 0);
    EXPECT_EQ(GetLASLinearUnitsKey(las), 9002);
    CloseLASFile(las);
}

// A LAS 1.4 header cut short keeps every field that lies whole inside it: the
// 64-bit count from 255 bytes on, then whole entries of the counts by return.
// Below 255 bytes the legacy count counts the points; when it is 0 the header
// is refused, whatever the point format.
TEST(LasDamaged, ShortLAS14HeadersKeepTheFieldsThatFit)
{
    std::string path = TempPath("fields14.las");
    ASSERT_TRUE(MakeLASFile(path, 14, 28, 10));   // format 1
    Bytes full = ReadBytes(path);
    SetFieldAt<uint32_t>(full, 243, 7);           // extended VLRs counted, none there
    for (int k = 0; k < 15; k++) SetFieldAt<uint64_t>(full, 255 + 8 * k, 100 + k);
    const struct {
        uint16_t size;
        uint32_t legacy;
        uint64_t points;    // 0: refused
        uint32_t evlrs;
        int byReturn;       // entries of the counts by return kept
    } cases[] = {
        {243, 10, 10, 0, 0},  {247, 10, 10, 7, 0}, {254, 10, 10, 7, 0}, {243, 0, 0, 0, 0}, {254, 0, 0, 0, 0},
        {255, 0, 10, 7, 0},   {262, 0, 10, 7, 0},  {263, 0, 10, 7, 1},  {300, 0, 10, 7, 5}, {375, 0, 10, 7, 15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " bytes, legacy count " << c.legacy);
        LASParsedHeader parsed;
        char why[256];
        int ok = ParseBytes(WithHeaderSize(WithPointCounts(full, c.legacy, 10), 4, c.size), &parsed, why, sizeof why);
        if (!c.points) {
            EXPECT_EQ(ok, 0);
            EXPECT_EQ(why, Formatted(kLASHeaderTooSmallForCountFormat, (unsigned)c.size, 1));
            continue;
        }
        ASSERT_EQ(ok, 1) << why;
        EXPECT_EQ(parsed.pointCount, c.points);
        EXPECT_EQ(parsed.header.pointCount64, c.size >= 255 ? 10u : 0u);
        EXPECT_EQ(parsed.header.numberOfEVLRs, c.evlrs);
        for (int k = 0; k < 15; k++)
            EXPECT_EQ(parsed.header.pointsByReturn[k], k < c.byReturn ? 100u + k : 0u) << "return " << k + 1;
        FreeVLRs(parsed.vlrs, parsed.header.numberOfVLRs);
    }
}
