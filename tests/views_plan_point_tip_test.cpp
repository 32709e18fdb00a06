// The point tip of the query tools: its text by point data format (read from
// the LAS or LAZ file), the flag text, the plan query's nearest-point rule and
// the grid query's cell.
#include "window_fixtures.h"
#include "point_sets.h"
#include "shell/view_tools.h"
#include "base/code_pages.h"
#include "base/heap.h"
#include "data/selection.h"
#include "data/gps_time.h"
#include "views/plan/measure_query.h"
#include "views/plan/point_tip.h"
#include <cstdio>
#include <cstring>

namespace {

PointRecord TipPoint()
{
    PointRecord p = MakePoint(636001.25, 849002.5, 123.5f, 2);
    p.intensity = 77;
    p.returns = (uint8_t)(2 | (3 << 3) | (2 << 6));
    p.pointSourceId = 12;
    p.flags = 0x02 | POINT_SYNTHETIC | POINT_WITHHELD | POINT_OVERLAP;   // channel 2
    p.red = 11;
    p.green = 22;
    p.blue = 33;
    p.gpsTime = 1000.5;
    return p;
}

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(PointTip, EveryFormatShowsWhatItCarries)
{
    SetDefaultDisplaySettings();
    ViewRecord* r = (ViewRecord*)NBLCalloc(1, sizeof(ViewRecord));
    InitViewSettings(r);
    PointRecord p = TipPoint();
    char text[1024];
    FormatPointTip(r, &p, 0, text, sizeof text);
    char expected[512];
    snprintf(expected, sizeof expected,
             "X:  %13.3lf\nY:  %13.3lf\nZ:  %12.3f\n\nIntensity:  77\nReturn 2 of 3\nClass:  (2) %s \nFlag:    Syn WH\n"
             "Source ID:  12",
             p.x, p.y, p.z, r->classTable.entries[2].name);
    EXPECT_STREQ(text, expected);
    for (int format = 0; format <= 10; format++) {
        std::string t = FormatPointTip(r, &p, format, text, sizeof text);
        bool colour = format == 2 || format == 3 || format == 5 || format == 7 || format == 8 || format == 10;
        EXPECT_EQ(Has(t, "(R,G,B): 11, 22, 33"), colour) << format;
        EXPECT_EQ(Has(t, "GPS Time: 1000.500000"), format != 0 && format != 2) << format;
        // The date as the information dialog gives it.
        EXPECT_EQ(Has(t, "\n       09/14/2011 02:03:02"), format != 0 && format != 2) << format;
        EXPECT_EQ(Has(t, "Scanner Channel:  2"), format >= 5) << format;   // 5 shares the colour layout
        // Overlap is a flag of the newer formats only.
        EXPECT_EQ(Has(t, "Syn WH OL"), format > 5) << format;
        EXPECT_TRUE(Has(t, "Syn WH")) << format;
    }
    // GPS week time names no week: no date.
    for (int format : {1, 3, 6, 7}) {
        std::string t = FormatPointTip(r, &p, format, text, sizeof text, kGPSWeekTimeNoDate);
        EXPECT_TRUE(Has(t, "GPS Time: 1000.500000\n       no date: GPS week time")) << format;
        EXPECT_FALSE(Has(t, "2011")) << format;
    }
    p.flags = 0;
    FormatPointTip(r, &p, 1, text, sizeof text);
    EXPECT_TRUE(Has(text, "Flag:   none \n"));
    NBLFree(r);
}

TEST(PointTip, TheFormatComesFromTheLASOrLAZFile)
{
    ASSERT_FALSE(SampleDir().empty()) << "sample data missing";
    // With whether the file's GPS times are standard times, which have dates
    // (global encoding bit 0), or GPS week time, which has none.
    struct {
        const char* file;
        int format;
        bool dated;
    } files[] = {{"point10.las", 0, false},   {"point-time.las", 1, false}, {"1815.las", 1, true},
                 {"1815.laz", 1, true},       {"simple.las", 3, false},     {"simple.laz", 3, false},
                 {"simple1_3.las", 4, false}, {"1_4_w_evlr.laz", 6, true},  {"rand1_6.las", 6, false},
                 {"simple1_4.las", 7, false}, {"append-bug.laz", 8, true}};
    ViewRecord* r = (ViewRecord*)NBLCalloc(1, sizeof(ViewRecord));
    DataSet* set = AllocDataSet();
    r->currentDataSet = set;
    for (auto& f : files) {
        lstrcpyA(set->path, SamplePath(f.file).c_str());
        set->source = strstr(f.file, ".laz") ? SOURCE_LAZ : SOURCE_LAS;
        const char* noDate = "";
        EXPECT_EQ(PointTipFormat(r, &noDate), f.format) << f.file;
        EXPECT_EQ(noDate == nullptr, f.dated) << f.file;
        if (!f.dated) { EXPECT_STREQ(noDate, f.format == 0 ? kNoGPSTimesNoDate : kGPSWeekTimeNoDate) << f.file; }
    }
    // Format 4 with standard GPS times: the LAS loader keeps its times, the
    // LAZ loader loads them as 0, which must not be dated (the LAZ reader takes
    // a plain file too).
    std::string bytes(1 << 16, 0);
    HANDLE in = CreateFileA(SamplePath("simple1_3.las").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(in, INVALID_HANDLE_VALUE);
    DWORD got = 0;
    ReadFile(in, &bytes[0], (DWORD)bytes.size(), &got, nullptr);
    CloseHandle(in);
    ASSERT_GT(got, 375u);
    bytes.resize(got);
    bytes[6] |= 1;
    for (const char* name : {"format4.las", "format4.laz"}) {
        lstrcpyA(set->path, WriteTempFile(name, bytes).c_str());
        set->source = strstr(name, ".laz") ? SOURCE_LAZ : SOURCE_LAS;
        const char* noDate = "";
        EXPECT_EQ(PointTipFormat(r, &noDate), 4) << name;
        if (set->source == SOURCE_LAS) EXPECT_EQ(noDate, nullptr);
        else EXPECT_STREQ(noDate, kNoGPSTimesNoDate);
    }
    PointRecord p = TipPoint();
    p.gpsTime = 0;
    char text[1024];
    const char* noDate = nullptr;
    int format = PointTipFormat(r, &noDate);
    FormatPointTip(r, &p, format, text, sizeof text, noDate);
    EXPECT_TRUE(Has(text, "GPS Time: 0.000000\n       no date: the points carry no GPS time")) << text;
    // Points without a LAS file (ASCII) and a view without a data set: format
    // 1, and no GPS times to date.
    set->source = SOURCE_ASCII;
    noDate = nullptr;
    EXPECT_EQ(PointTipFormat(r, &noDate), 1);
    EXPECT_STREQ(noDate, kNoGPSTimesNoDate);
    FormatPointTip(r, &p, 1, text, sizeof text, noDate);
    EXPECT_FALSE(Has(text, "2011")) << text;
    r->currentDataSet = nullptr;
    EXPECT_EQ(PointTipFormat(r), 1);
    FreeDataSet(set);
    NBLFree(r);
}

namespace {

class PlanQueryTest : public ViewFixture {
protected:
    void TearDown() override
    {
        DestroyMeasureTip();
        ViewFixture::TearDown();
    }
    HWND ViewOf(DataSet* set, int kind)
    {
        ViewRecord* r = CreateViewRecord();
        strcpy(r->title, "q");
        r->dataSets[0] = set;
        r->currentDataSet = set;
        r->dataKind = kind;
        return CreateViewWindow(r);
    }
    static POINT PixelOf(const ViewRecord* r, double x, double y)
    {
        return {(LONG)((x - r->viewLeft) / r->scale), (LONG)((r->viewTop - y) / r->scale)};
    }
    static std::string TipText(HWND view)
    {
        char text[1024];
        GetTipText(PointTip(), view, text, sizeof text);
        return text;
    }
};

}  // namespace

TEST_F(PlanQueryTest, TheNearestShownPointWinsAndTheFirstOfEqualOnes)
{
    std::vector<PointRecord> points;
    for (int i = 0; i < 20; i++)
        for (int j = 0; j < 20; j++) points.push_back(MakePoint(i * 10.0, j * 10.0, 5.0f, 2));
    points.push_back(MakePoint(55.0, 50.0, 7.0f, 2));   // ties with the grid point (50, 50) at 52.5, 50
    DataSet* set = MakePointDataSet(points);
    strcpy(set->title, "grid.las");
    HWND view = ViewOf(set, 1);
    ViewRecord* r = Record(view);
    PointRecord* p = FindNearestPoint(view, 52.5, 50.0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->x, 50.0);   // found first: the data set's order
    // A hidden class and a switched-off return category are never reported.
    set->points[5 * 20 + 5].classification = 7;
    r->classTable.entries[7].display = 0;
    EXPECT_EQ(FindNearestPoint(view, 52.5, 50.0)->x, 55.0);
    r->showSingleReturns = 0;
    EXPECT_EQ(FindNearestPoint(view, 52.5, 50.0), nullptr);
    r->showSingleReturns = 1;

    // The tool: the pointer moves onto the point, the tip names the file.
    SetViewTool(view, TOOL_QUERY);
    POINT at = PixelOf(r, 101.0, 99.0);
    SendMessageA(view, WM_LBUTTONDOWN, 0, MAKELPARAM(at.x, at.y));
    ASSERT_NE(PointTip(), nullptr);
    std::string text = TipText(view);
    char z[64];
    snprintf(z, sizeof z, "grid.las\nX:  %13.3lf\nY:  %13.3lf\n", 100.0, 100.0);
    EXPECT_EQ(text.substr(0, strlen(z)), z);
    SendMessageA(view, WM_RBUTTONDOWN, 0, 0);
    EXPECT_EQ(PointTip(), nullptr);
}

TEST_F(PlanQueryTest, AGridQueryTakesTheCellUnderThePointerUpToTheFirstRowAndColumn)
{
    DataSet* grid = AllocDataSet();
    grid->kind = DATA_GDAL;
    strcpy(grid->title, "dem.tif");
    grid->rows = grid->columns = 4;
    grid->cellSize = 10.0;
    grid->originX = 1000.0;
    grid->originY = 2000.0;
    grid->heights = (float**)NBLMalloc2D(4, 4, sizeof(float));
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) grid->heights[i][j] = (float)(100 + 10 * i + j);
    grid->minX = 1000.0;
    grid->maxX = 1030.0;
    grid->minY = 1970.0;
    grid->maxY = 2000.0;
    HWND view = ViewOf(grid, DATA_GDAL);
    ViewRecord* r = Record(view);
    SetViewTool(view, TOOL_QUERY);
    auto queryAt = [&](double x, double y) {
        POINT at = PixelOf(r, x, y);
        SendMessageA(view, WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
        SendMessageA(view, WM_LBUTTONDOWN, 0, MAKELPARAM(at.x, at.y));
        return TipText(view);
    };
    char z[64];
    snprintf(z, sizeof z, "Z:  %12.3f\n", 100.0f);
    EXPECT_TRUE(queryAt(1001.0, 1999.0).find(z) != std::string::npos);   // row 0, column 0
    snprintf(z, sizeof z, "Z:  %12.3f\n", 121.0f);
    EXPECT_TRUE(queryAt(1011.0, 1979.0).find(z) != std::string::npos);   // row 2, column 1
    snprintf(z, sizeof z, "dem.tif\nX:  %13.3lf\nY:  %13.3lf\n", 1010.0, 1980.0);
    EXPECT_EQ(queryAt(1011.0, 1979.0).substr(0, strlen(z)), z);
    // Far outside every grid: the tip goes.
    queryAt(1100.0, 1900.0);
    EXPECT_EQ(PointTip(), nullptr);
}

// The tip takes its widest line and holds the file's name as its first line,
// in its own font: no line is wrapped or cut off. A name in Cyrillic is
// measured by its letters and shown in a font that has them. Like the other
// tools' tips it has no owner: its tool ends when the frame is minimised and
// takes the tip with it.
TEST_F(PlanQueryTest, ThePointTipHoldsEveryLineItShows)
{
    PointRecord p = MakePoint(123456.789, 4567890.123, 1234.5f, 2);
    DataSet* set = MakePointDataSet({p});
    strcpy(set->title, "Съёмка участка северо-восток, блок 12, полоса 3.las");   // the widest line
    HWND view = ViewOf(set, 1);
    ShowPointInfoTip(view, {10, 10}, &set->points[0], set->title);
    HWND tip = PointTip();
    ASSERT_NE(tip, nullptr);
    std::string first = std::string(set->title) + "\nX: ";
    EXPECT_EQ(ToolTipText(tip, view, (UINT_PTR)tip).substr(0, first.size()), first);
    EXPECT_EQ(GetWindow(tip, GW_OWNER), nullptr);   // the tool's tip has no owner
    EXPECT_EQ(GetWindowLongA(tip, GWL_STYLE) & (TTS_NOPREFIX | TTS_ALWAYSTIP), TTS_NOPREFIX);
    char body[1024];
    const char* noDate = nullptr;
    int format = PointTipFormat(Record(view), &noDate);
    FormatPointTip(Record(view), &p, format, body, sizeof body, noDate);
    std::string text = std::string(set->title) + "\n" + body;
    HFONT font = (HFONT)SendMessageA(tip, WM_GETFONT, 0, 0);
    EXPECT_TRUE(FontHoldsLetters(font, set->title));
    int widest = 0;
    for (size_t at = 0; at <= text.size();) {
        size_t end = std::min(text.find('\n', at), text.size());
        widest = std::max(widest, WideTextWidth(font, text.c_str() + at, (int)(end - at)));
        at = end + 1;
    }
    EXPECT_EQ(SendMessageA(tip, TTM_GETMAXTIPWIDTH, 0, 0), widest + 32);
}
