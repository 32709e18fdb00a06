// The LAS File Information dialog over sample files (LAS 1.2 and 1.1 labels,
// a LAZ file, a decimated and an empty set) and its clipboard text.
#include "window_fixtures.h"
#include "point_sets.h"
#include "shell/las_info.h"
#include "shell/open_files.h"
#include "data/gps_time.h"
#include "las_test_files.h"
#include "resource.h"
#include <cmath>
#include <map>
#include <regex>

namespace {

typedef std::vector<std::pair<std::string, std::string>> Rows;

class LASInfoTest : public ViewFixture {
protected:
    // Shows the dialog over the view; the rows, and the clipboard text after
    // "Clipboard".
    Rows Show(HWND view, std::string* copied = nullptr, const char* shot = nullptr)
    {
        Rows rows;
        DialogDriver driver([&](HWND dialog, int templateId) {
            EXPECT_EQ(templateId, IDD_LAS_INFO);
            HWND list = GetDlgItem(dialog, IDC_INFO_LIST);
            rows = ListRows(list);
            // Every row in sight: no horizontal scroll bar, the dialog on the screen.
            RECT box, screen;
            GetWindowRect(dialog, &box);
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
            rowsFit = !(GetWindowLongA(list, GWL_STYLE) & WS_HSCROLL) && box.right - box.left <= screen.right - screen.left;
            if (shot) SaveWindowShot(dialog, shot);
            if (copied) {
                SendMessageA(dialog, WM_COMMAND, IDC_INFO_CLIPBOARD, 0);
                *copied = ClipboardText();
            }
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        SendMessageA(view, WM_COMMAND, CMD_FILE_INFO, 0);
        return rows;
    }

    bool rowsFit = false;

    HWND SampleView(const char* name)
    {
        DataSet* set = LoadDataFile(SamplePath(name).c_str(), name);
        EXPECT_NE(set, nullptr) << name;
        return set ? OpenView({set}, 0, 0, name) : nullptr;
    }

    static std::string ValueOf(const Rows& rows, const std::string& label)
    {
        for (auto& r : rows)
            if (r.first == label) return r.second;
        return "(no row)";
    }
    static bool HasLabel(const Rows& rows, const std::string& label) { return ValueOf(rows, label) != "(no row)"; }
    // Class code -> count from the classification histogram.
    static std::map<int, long> Classes(const Rows& rows)
    {
        std::map<int, long> out;
        for (auto& r : rows) {
            int code;
            if (sscanf(r.first.c_str(), "                 Class(%d) ", &code) == 1) out[code] = atol(r.second.c_str());
        }
        return out;
    }
};

long Sum(const std::map<int, long>& m)
{
    long n = 0;
    for (auto& kv : m) n += kv.second;
    return n;
}

}  // namespace

TEST_F(LASInfoTest, LAS12HeaderHistogramsAndClipboardText)
{
    REQUIRE_SAMPLES();
    HWND view = SampleView("simple.las");
    ASSERT_NE(view, nullptr);
    std::string copied;
    Rows rows = Show(view, &copied, "las_info");
    ASSERT_GT(rows.size(), 40u);
    EXPECT_EQ(rows[0], std::make_pair(std::string(" Total Points Loaded:     "), std::string("1065")));
    EXPECT_EQ(rows[1].second, "simple.las");
    EXPECT_EQ(ValueOf(rows, " LAS Version:               "), "1.2");
    // 1.2 labels.
    EXPECT_TRUE(HasLabel(rows, " File Source ID:            "));
    EXPECT_TRUE(HasLabel(rows, " GUID:                      "));
    EXPECT_TRUE(HasLabel(rows, " Flight Date Julian:        "));
    EXPECT_TRUE(HasLabel(rows, " Year:                      "));
    EXPECT_FALSE(HasLabel(rows, " Project ID:                "));
    EXPECT_EQ(ValueOf(rows, " Point Data Format:         "), "Format 3");
    EXPECT_EQ(ValueOf(rows, " Point Data Record Length:  "), "34");
    EXPECT_EQ(ValueOf(rows, " Number of Point Records:   "), "1065");
    EXPECT_TRUE(HasLabel(rows, "                 Return 5:  "));
    EXPECT_FALSE(HasLabel(rows, "                 Return 6:  "));
    EXPECT_TRUE(std::regex_match(ValueOf(rows, " X,Y,Z Scale Factors:       "),
                                 std::regex("[0-9.]+, [0-9.]+, [0-9.]+")));
    // Every point is counted once in each histogram.
    EXPECT_EQ(Sum(Classes(rows)), 1065);
    long returns = 0;
    for (const char* l : {"           First returns ", "           Last returns ", "           Intermediate returns ",
                          "           Single returns "})
        returns += atol(ValueOf(rows, l).c_str());
    EXPECT_EQ(returns, 1065);
    EXPECT_TRUE(HasLabel(rows, " Histogram of classification:  "));
    // Its global encoding says GPS week time: seconds of an unnamed week.
    EXPECT_EQ(ValueOf(rows, "     Date and Time:  "), "no date: GPS week time");
    // The clipboard: an empty line, a line per row, an extra empty line.
    std::string expected = "\n";
    for (auto& r : rows) expected += r.first + r.second + "\n";
    expected += "\n";
    EXPECT_EQ(copied, expected);
}

TEST_F(LASInfoTest, LAS11LabelsAndTheLAZHeaderRoad)
{
    REQUIRE_SAMPLES();
    Rows v11 = Show(SampleView("simple1_1.las"));
    EXPECT_EQ(ValueOf(v11, " LAS Version:               "), "1.1");
    EXPECT_TRUE(HasLabel(v11, " Project ID:                "));
    EXPECT_TRUE(HasLabel(v11, " File Creation Day:         "));
    EXPECT_TRUE(HasLabel(v11, " File Creation Year:        "));
    EXPECT_FALSE(HasLabel(v11, " GUID:                      "));

    // The LAZ twin of simple.las gives the same header facts through the LAZ reader.
    Rows las = Show(SampleView("simple.las"));
    Rows laz = Show(SampleView("simple.laz"));
    for (const char* label : {" LAS Version:               ", " Point Data Format:         ",
                              " Number of Point Records:   ", "                 Return 1:  ",
                              " Min, Max X:                ", " Min, Max Z:                "})
        EXPECT_EQ(ValueOf(laz, label), ValueOf(las, label)) << label;
    EXPECT_EQ(Classes(laz), Classes(las));
}

TEST_F(LASInfoTest, DecimatedAndEmptySetsReadOnlyWhatTheyHold)
{
    REQUIRE_SAMPLES();
    HWND view = SampleView("simple.las");
    DataSet* set = Record(view)->currentDataSet;
    set->decimated = 1;
    set->filePointCount = 100;
    Rows rows = Show(view);
    EXPECT_TRUE(HasLabel(rows, " Histogram of classification (decimated):"));
    EXPECT_TRUE(HasLabel(rows, " Points with flag (decimated):"));
    EXPECT_TRUE(HasLabel(rows, " Range of intensity (decimated):  "));
    EXPECT_EQ(Sum(Classes(rows)), 100);

    // A set holding fewer points than its file announces is read no further.
    set->decimated = 0;
    set->pointCount = set->filePointCount = 10;
    rows = Show(view);
    EXPECT_EQ(Sum(Classes(rows)), 10);
    set->pointCount = set->filePointCount = 0;
    rows = Show(view);
    EXPECT_EQ(Sum(Classes(rows)), 0);
    EXPECT_EQ(ValueOf(rows, " Range of intensity:  "), "Min 65535 , Max 0");
    EXPECT_EQ(ValueOf(rows, "     Date and Time:  "), "");
}

// The header rows give the count the file is read by, over the LAS and the
// LAZ road; a legacy count that differs from it is shown beside it.
TEST_F(LASInfoTest, PointCountsAreTheOnesTheFileIsReadBy)
{
    REQUIRE_SAMPLES();
    const Bytes las = ReadBytes(SamplePath("1_4_w_evlr.las")), laz = ReadBytes(SamplePath("1_4_w_evlr.laz"));
    char differs[128];
    snprintf(differs, sizeof differs, kLegacyCountDiffersFormat, 900ull);
    struct Case {
        const char* name;
        Bytes bytes;
        std::string legacyRow;
    };
    const Case cases[] = {{"legacy_only.las", WithPointCounts(las, 1000, 0), "(no row)"},
                          {"legacy_only.laz", WithPointCounts(laz, 1000, 0), "(no row)"},
                          {"disagree.las", WithPointCounts(las, 900, 1000), differs},
                          {"disagree.laz", WithPointCounts(laz, 900, 1000), differs}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = WriteTempBytes(c.name, c.bytes);
        DataSet* set = LoadDataFile(path.c_str(), c.name);
        ASSERT_NE(set, nullptr);
        Rows rows = Show(OpenView({set}, 0, 0, c.name));
        EXPECT_EQ(ValueOf(rows, " Number of Point Records:   "), "1000");
        EXPECT_EQ(ValueOf(rows, kLegacyCountDiffersLabel), c.legacyRow);
        EXPECT_EQ(Sum(Classes(rows)), 1000);
    }
}

TEST_F(LASInfoTest, SetsThatAreNoLASFileShowTheStatisticsOnly)
{
    DataSet* set = MakePointDataSet({MakePoint(0, 0, 1), MakePoint(5, 5, 2)});
    strcpy(set->path, "C:\\no such folder\\points.xyz");
    Rows rows = Show(OpenView({set}));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back().first, "");
    EXPECT_TRUE(HasLabel(rows, " Source ID Count :   "));
    EXPECT_FALSE(HasLabel(rows, " LAS Header  "));
}

// Standard GPS times show the dates of the earliest and the latest time, over
// the LAS and the LAZ road; times that are no number count for nothing, and
// points without GPS times get no date.
TEST_F(LASInfoTest, GPSTimeRangeAndItsDates)
{
    REQUIRE_SAMPLES();
    for (const char* name : {"1815.las", "1815.laz"}) {
        SCOPED_TRACE(name);
        HWND view = SampleView(name);
        ASSERT_NE(view, nullptr);
        DataSet* set = Record(view)->currentDataSet;
        set->points[0].gpsTime = std::nan("");
        double first = set->points[1].gpsTime, last = first;
        for (int i = 1; i < set->pointCount; i++) {
            first = std::min(first, set->points[i].gpsTime);
            last = std::max(last, set->points[i].gpsTime);
        }
        char a[48], b[48];
        std::string expected = std::string(GPSTimeToDateText(first, a, sizeof a)) + " , " +
                               GPSTimeToDateText(last, b, sizeof b);
        ASSERT_STRNE(a, b);
        Rows rows = Show(view, nullptr, "las_info_dates");
        EXPECT_EQ(ValueOf(rows, "     Date and Time:  "), expected);
        EXPECT_TRUE(rowsFit);
        for (int i = 0; i < set->pointCount; i++) set->points[i].gpsTime = std::nan("");
        rows = Show(view);
        EXPECT_EQ(ValueOf(rows, " Range of GPS Time:  "), "none: no point has a finite GPS time");
        EXPECT_EQ(ValueOf(rows, "     Date and Time:  "), "");
    }
    // Format 0 carries no GPS time, whatever the encoding says: its zeros are no range.
    std::string path = TempPath("no_time.las");
    ASSERT_TRUE(MakeLASFile(path, 12, 20, 10));
    Bytes bytes = ReadBytes(path);
    SetFieldAt<uint16_t>(bytes, 6, 1);
    ASSERT_TRUE(WriteBytes(path, bytes));
    DataSet* set = LoadDataFile(path.c_str(), "no_time.las");
    ASSERT_NE(set, nullptr);
    Rows rows = Show(OpenView({set}));
    EXPECT_EQ(ValueOf(rows, " Range of GPS Time:  "), kNoGPSTimesRange);
    EXPECT_EQ(ValueOf(rows, "     Date and Time:  "), "");
}
