#include "window_fixtures.h"
#include "data/ascii_loader.h"
#include "las_test_files.h"
#include "app/command_ids.h"
#include "resource.h"
#include "base/file_system.h"
#include "shell/frame.h"
#include "shell/open_files.h"
#include "shell/save_las.h"
#include "base/file_dialog.h"
#include "shell/recent_files.h"
#include "shell/registry.h"
#include "app/view_record.h"
#include "app/window_slots.h"
#include "base/memory_estimate.h"
#include "data/laz_loader.h"
#include <commctrl.h>
#include "base/messages.h"
#include "base/paths.h"
#include "data/data_set.h"
#include "data/decimation.h"
#include "data/gdal_grid.h"
#include "data/las_loader.h"
#include <gdal.h>
#include <shlobj.h>
#include <algorithm>
#include <cstring>

namespace {

// Answers boxes by caption: the "Continue?" and mixing questions get the
// answer set for them, every other box (the loaders' reports) OK.
std::vector<ShownBox> boxes;
int continueAnswer = IDYES;
int mixingAnswer = IDYES;
int shortReadAnswer = IDOK;
std::vector<std::string>& logged = KeptLog();

int AnswerByCaption(HWND, const char* text, const char* caption, UINT type)
{
    boxes.push_back({text, caption, type});
    if (strcmp(caption, "Continue?") == 0) return continueAnswer;
    if (strstr(text, "may not be mixed")) return mixingAnswer;
    if (strstr(text, "Not enough memory")) return IDYES;
    if (strstr(text, "Short read")) return shortReadAnswer;
    return IDOK;
}


class OpenFilesTest : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        boxes.clear();
        logged.clear();
        continueAnswer = mixingAnswer = IDYES;
        shortReadAnswer = IDOK;
        SetMessageBoxHook(AnswerByCaption);
        SetLogHook(KeepLog);
    }
    void TearDown() override
    {
        SetMessageBoxHook(nullptr);
        SetLogHook(nullptr);
        decimationEnabled = decimation[0], decimationPrompt = decimation[1], decimationStep = decimation[2];
        FrameFixture::TearDown();
    }
    // The decimation settings as the test found them; put back at its end.
    const int decimation[3] = {decimationEnabled, decimationPrompt, decimationStep};

    static int CountBoxes(const char* caption)
    {
        int n = 0;
        for (const ShownBox& b : boxes) n += b.caption == caption;
        return n;
    }
    static std::string TitleOf(HWND view)
    {
        char text[300] = "";
        GetWindowTextA(view, text, sizeof text);
        return text;
    }

    // A file that starts as a LAS file and breaks off inside its header.
    static std::string BrokenLAS()
    {
        Bytes head = ReadBytes(SamplePath("simple.las"));
        return WriteTempFile("broken.las", std::string(head.begin(), head.begin() + 100));
    }
    // The open dialog's answer for files of the temporary folder: the folder
    // without its last backslash, then the names ("|a.las|b.las").
    static std::string TempSelection(const std::string& names)
    {
        std::string dir = TempDir();
        dir.pop_back();
        return dir + names;
    }

    // A small single-band Float32 GeoTIFF.
    static std::string GridFile()
    {
        std::string path = TempPath("grid.tif");
        GDALAllRegister();
        GDALDatasetH grid = GDALCreate(GDALGetDriverByName("GTiff"), ToNativePath(path.c_str()).c_str(), 4, 4, 1,
                                       GDT_Float32, nullptr);
        double transform[6] = {1000, 1, 0, 2000, 0, -1};
        GDALSetGeoTransform(grid, transform);
        float heights[16];
        for (int i = 0; i < 16; i++) heights[i] = 100.0f + i;
        CPLErr ignored = GDALRasterIO(GDALGetRasterBand(grid, 1), GF_Write, 0, 0, 4, 4, heights, 4, 4,
                                      GDT_Float32, 0, 0);
        (void)ignored;
        GDALClose(grid);
        return path;
    }

};

}  // namespace

TEST_F(OpenFilesTest, CommandLineOpensAQuotedFileIntoAViewTitledWithItsName)
{
    REQUIRE_SAMPLES();
    std::string path = SamplePath("simple.las");
    StartFrame(("\"" + path + "\"").c_str());
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    ViewRecord* record = ViewRecordOf(views[0]);
    ASSERT_NE(record->currentDataSet, nullptr);
    EXPECT_EQ(record->currentDataSet->pointCount, 1065);
    EXPECT_EQ(TitleOf(views[0]), "simple.las");
    EXPECT_EQ(record->dataSetCount, 1);
    EXPECT_EQ(record->dataKind, 1);
    EXPECT_NE(std::find(logged.begin(), logged.end(), "[LOAD]  simple.las"), logged.end());
    EXPECT_STREQ(GetRegistrySettings()->RecentFile[0], path.c_str());
    char item[300] = "";
    GetMenuStringA(GetMenu(FrameWindow), CMD_RECENT_1, item, sizeof item, MF_BYCOMMAND);
    EXPECT_STREQ(item, "&1  simple.las");   // the menu shows it at once
    // A coloured file opened by path starts in the RGB colour modes.
    EXPECT_EQ(record->pointColorMode, record->currentDataSet->hasColor ? CMD_COLOR_RGB : CMD_COLOR_EARTH);
    EXPECT_EQ(record->tinColorMode, record->currentDataSet->hasColor ? 4 : 1);

#ifdef __WINE__
    // A native path, as a command line under Wine gives it, is kept as the
    // Win32 path that dialogs are offered. (A Windows program is never given
    // a Unix path: its native paths are Windows paths.)
    std::string native = ToNativePath(path.c_str());
    ASSERT_EQ(native[0], '/');
    ASSERT_EQ(OpenFilesInNewView(native.c_str(), 0), 1);
    HWND active = (HWND)SendMessageA(MDIClientWindow, WM_MDIGETACTIVE, 0, 0);
    ASSERT_NE(active, views[0]);
    EXPECT_STREQ(ViewRecordOf(active)->dataSets[0]->path, path.c_str());
    EXPECT_STREQ(GetRegistrySettings()->RecentFile[0], path.c_str());
#endif
}

namespace {
std::string saveFolder, saveName;
int NoteSaveDialog(OPENFILENAMEA* ofn, int)
{
    saveFolder = ofn->lpstrInitialDir ? ofn->lpstrInitialDir : "";
    saveName = ofn->lpstrFile;
    return 0;
}
}  // namespace

TEST_F(OpenFilesTest, AUnixPathFromTheShellIsKeptInWindowsFormAndSaveAsStartsBesideIt)
{
#ifndef __WINE__
    GTEST_SKIP() << "only the winelib program is given Unix paths; a Windows program's native paths are Windows paths";
#endif
    REQUIRE_SAMPLES();
    std::string unixPath = ToNativePath(SamplePath("simple.las").c_str());
    ASSERT_EQ(unixPath[0], '/');
    StartFrame(unixPath.c_str());
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    std::string path = ViewRecordOf(views[0])->currentDataSet->path;
    EXPECT_EQ(path.find('/'), std::string::npos) << path;
    EXPECT_EQ(path.substr(1, 2), ":\\") << path;
    EXPECT_EQ(ToNativePath(path.c_str()), unixPath);
    SetFileDialogHook(NoteSaveDialog);
    EXPECT_EQ(SaveLASFileAs(views[0]), 0);
    SetFileDialogHook(nullptr);
    EXPECT_EQ(saveFolder, path.substr(0, path.size() - strlen("simple.las")));
    EXPECT_EQ(saveName, "simple.las");
}

TEST_F(OpenFilesTest, DroppedFilesWithABadOneAskOnceWhetherToGoOn)
{
    REQUIRE_SAMPLES();
    StartFrame();
    std::string good1 = SamplePath("simple.las"), good2 = SamplePath("point10.las"), bad = BrokenLAS();
    DropOnFrame({good1, bad, good2});
    EXPECT_EQ(CountBoxes("Continue?"), 1);
    ASSERT_FALSE(boxes.empty());
    for (const ShownBox& b : boxes)
        if (b.caption == "Continue?") {
            EXPECT_EQ(b.text, kContinueOpeningQuestion);
            EXPECT_EQ(b.type, (unsigned)(MB_YESNO | MB_ICONQUESTION));
        }
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    ViewRecord* record = ViewRecordOf(views[0]);
    ASSERT_EQ(record->dataSetCount, 2);
    EXPECT_STREQ(record->dataSets[0]->title, "simple.las");
    EXPECT_STREQ(record->dataSets[1]->title, "point10.las");
    EXPECT_EQ(TitleOf(views[0]), "simple.las");
    EXPECT_EQ(record->currentDataSet, record->dataSets[0]);
    EXPECT_STREQ(GetRegistrySettings()->RecentFile[0], record->dataSets[0]->path);

    // No stops: the sets loaded so far still make a view.
    boxes.clear();
    continueAnswer = IDNO;
    DropOnFrame({good2, bad, good1});
    EXPECT_EQ(CountBoxes("Continue?"), 1);
    HWND first = views[0];
    views = PlanViews();
    ASSERT_EQ(views.size(), 2u);
    HWND newest = views[0] == first ? views[1] : views[0];
    EXPECT_EQ(ViewRecordOf(newest)->dataSetCount, 1);
    EXPECT_EQ(TitleOf(newest), "point10.las");
}

TEST_F(OpenFilesTest, OneDroppedFileThatFailsAsksNothingAndOpensNoView)
{
    REQUIRE_SAMPLES();
    StartFrame();
    DropOnFrame({BrokenLAS()});
    EXPECT_EQ(CountBoxes("Continue?"), 0);
    EXPECT_TRUE(PlanViews().empty());
    EXPECT_STREQ(GetRegistrySettings()->RecentFile[0], "");
}

TEST_F(OpenFilesTest, PointsAndGridsTogetherAskWhichToLoad)
{
    REQUIRE_SAMPLES();
    StartFrame();
    std::string las = SamplePath("point10.las"), grid = GridFile();
    mixingAnswer = IDCANCEL;
    DropOnFrame({las, grid});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Point and grid files may not be mixed.\n\nPress \"Yes\" to load points or \"No\" to load grids.\n\n"
              "Press \"Cancel\" to abort.");
    EXPECT_EQ(boxes[0].caption, "Warning");
    EXPECT_EQ(boxes[0].type, (unsigned)(MB_YESNOCANCEL | MB_ICONQUESTION));
    EXPECT_TRUE(PlanViews().empty());

    mixingAnswer = IDYES;
    DropOnFrame({grid, las});
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(ViewRecordOf(views[0])->dataSetCount, 1);
    EXPECT_EQ(ViewRecordOf(views[0])->dataKind, 1);
    EXPECT_EQ(TitleOf(views[0]), "point10.las");
}

TEST_F(OpenFilesTest, OpenDialogLoadsEveryChosenFileIntoOneView)
{
    REQUIRE_SAMPLES();
    StartFrame();
    std::string folder = SampleDir();
    folder.pop_back();   // the dialog gives the folder without its last backslash
    FileDialogAnswers answers({folder + "|point10.las|simple.las", ""});
    SendMessageA(FrameWindow, WM_COMMAND, CMD_OPEN_FILES, 0);
    ASSERT_EQ(answers.calls(), 1);
    EXPECT_EQ(answers.captions()[0], "Open Data Files");
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    ViewRecord* record = ViewRecordOf(views[0]);
    ASSERT_EQ(record->dataSetCount, 2);
    EXPECT_STREQ(record->dataSets[0]->path, SamplePath("point10.las").c_str());
    EXPECT_STREQ(record->dataSets[1]->title, "simple.las");
    EXPECT_EQ(TitleOf(views[0]), "point10.las");
    // Through the dialog a coloured file keeps the default colour mode.
    EXPECT_EQ(record->pointColorMode, CMD_COLOR_EARTH);
    char current[512];
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_STREQ(lastOpenDirectory, current);

    // Cancel creates nothing.
    SendMessageA(FrameWindow, WM_COMMAND, CMD_OPEN_FILES, 0);
    EXPECT_EQ(answers.calls(), 2);
    EXPECT_EQ(PlanViews().size(), 1u);
}

TEST_F(OpenFilesTest, PathsTooLongForTheProgramAreRefusedWithAMessage)
{
    StartFrame();
    std::string longPath = "C:\\" + std::string(280, 'p') + ".las";
    EXPECT_EQ(OpenFilesInNewView(longPath.c_str(), 0), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("too long"), std::string::npos);
    EXPECT_EQ(boxes[0].caption, "ERROR");

    boxes.clear();
    DropOnFrame({longPath});
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(PlanViews().empty());
}

TEST_F(OpenFilesTest, RecentFileCommandsOpenTheStoredFile)
{
    REQUIRE_SAMPLES();
    StartFrame();
    SendMessageA(FrameWindow, WM_COMMAND, CMD_RECENT_1, 0);
    EXPECT_TRUE(PlanViews().empty());
    AddRecentFile(SamplePath("point10.las").c_str());
    AddRecentFile(SamplePath("simple.las").c_str());
    SendMessageA(FrameWindow, WM_COMMAND, CMD_RECENT_2, 0);
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(TitleOf(views[0]), "point10.las");
    // The opened file moves to the front.
    EXPECT_STREQ(GetRegistrySettings()->RecentFile[0], SamplePath("point10.las").c_str());
    EXPECT_STREQ(GetRegistrySettings()->RecentFile[1], SamplePath("simple.las").c_str());
}

namespace {
std::string decimationTotal;
void CancelDecimation(HWND dialog, int templateId)
{
    if (templateId == IDD_DECIMATION) {
        char text[100] = "";
        GetDlgItemTextA(dialog, IDC_DECIMATE_INFO, text, sizeof text);
        decimationTotal = text;
    }
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}

// Opens `choice` from the dialog with the decimation prompt on, cancels the
// prompt and gives the total it showed.
std::string PromptedTotal(const std::string& choice)
{
    decimationEnabled = 1;
    decimationPrompt = 1;
    decimationStep = 10;
    FileDialogAnswers answers({choice});
    decimationTotal.clear();
    SetDialogDriver(CancelDecimation);
    SendMessageA(FrameWindow, WM_COMMAND, CMD_OPEN_FILES, 0);
    SetDialogDriver(nullptr);
    return decimationTotal;
}
}  // namespace

TEST_F(OpenFilesTest, DecimationPromptShowsThePointTotalAndCancelStillLoads)
{
    REQUIRE_SAMPLES();
    StartFrame();
    EXPECT_EQ(PromptedTotal(SampleDir() + "|point10.las|simple.las"), "Total:  2,130");
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(ViewRecordOf(views[0])->dataSetCount, 2);
}

TEST_F(OpenFilesTest, AGeoTIFFThatIsNoGridIsReportedOnceAndSkipped)
{
    StartFrame();
    std::string ints = TempPath("ints.tif");
    GDALAllRegister();
    GDALDatasetH bad = GDALCreate(GDALGetDriverByName("GTiff"), ToNativePath(ints.c_str()).c_str(), 4, 4, 1,
                                  GDT_Int16, nullptr);
    GDALClose(bad);
    std::string grid = GridFile();
    DropOnFrame({ints, grid});
    ASSERT_EQ(boxes.size(), 1u);   // no second report, no "Continue?" question
    EXPECT_EQ(boxes[0].caption, "ERROR");
    char text[600];
    snprintf(text, sizeof text, kGridNot32Bit, ints.c_str());
    EXPECT_EQ(boxes[0].text, text);
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(ViewRecordOf(views[0])->dataSetCount, 1);
    EXPECT_EQ(ViewRecordOf(views[0])->dataKind, DATA_GDAL);
    EXPECT_EQ(ViewRecordOf(views[0])->totalPoints, 16);
}

namespace {
bool Holds(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
}  // namespace

// Every file that opens nothing says so, with its name and the reason.
TEST_F(OpenFilesTest, FilesThatOpenNothingAreReportedWithNameAndReason)
{
    StartFrame();
    std::string missing = TempPath("not_there.las");
    DeleteFileA(missing.c_str());
    std::string folder = TempPath("a_folder.las");
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string empty = WriteTempFile("empty.laz", "");
    std::string text = WriteTempFile("notes.las", "minutes of the survey meeting\n");
    // A grid cut short is no grid, and no text: it is not taken for lines.
    Bytes grid = ReadBytes(GridFile());
    std::string cut = WriteTempFile("cut.tif", std::string(grid.begin(), grid.begin() + 100));
    const std::string notText(kASCIINotTextFormat, strcspn(kASCIINotTextFormat, "%"));
    std::string wide = WriteTempFile("wide.xyz", std::string("\xFF\xFE" "1\0 \0" "2\0 \0" "3\0\n\0", 14));
    const struct {
        std::string path, name, reason;
    } cases[] = {
        {missing, missing, kUnableToOpenFileText},
        {folder, folder, kPathIsAFolderText},
        {empty, empty, kFileIsEmptyText},
        {text, "notes.las", kASCIIParseFailed + 1},
        {cut, "cut.tif", notText},
        {wide, "wide.xyz", kASCIIWideText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        boxes.clear();
        EXPECT_EQ(OpenFilesInNewView(c.path.c_str(), 0), 0);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, "ERROR");
        EXPECT_EQ(boxes[0].text.rfind(c.name + "\n", 0), 0u) << boxes[0].text;
        EXPECT_TRUE(Holds(boxes[0].text, c.reason)) << boxes[0].text;
    }
    // The same through the open dialog: each chosen file that fails is named.
    boxes.clear();
    FileDialogAnswers answers({TempSelection("|empty.laz|notes.las")});
    SendMessageA(FrameWindow, WM_COMMAND, CMD_OPEN_FILES, 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(Holds(boxes[0].text, "empty.laz"));
    EXPECT_TRUE(Holds(boxes[1].text, "notes.las"));
    EXPECT_TRUE(PlanViews().empty());
    RemoveDirectoryA(folder.c_str());
}

TEST_F(OpenFilesTest, ACommandLineNamesOneFile)
{
    REQUIRE_SAMPLES();
    std::string a = SamplePath("simple.las"), b = SamplePath("point10.las");
    StartFrame(("\"" + a + "\" \"" + b + "\"").c_str());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind(kSeveralCommandLineFilesText, 0), 0u);
    EXPECT_TRUE(Holds(boxes[0].text, a));
    EXPECT_TRUE(Holds(boxes[0].text, b));
    EXPECT_TRUE(PlanViews().empty());

    // Blanks around one name, quoted or not, are no second name.
    boxes.clear();
    EXPECT_EQ(OpenCommandLineFile(("  " + b + "  ").c_str()), 1);
    EXPECT_EQ(OpenCommandLineFile(" \"\"  "), 0);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(PlanViews().size(), 1u);
}

TEST_F(OpenFilesTest, LazFilesCountTowardsTheDecimationTotal)
{
    REQUIRE_SAMPLES();
    EXPECT_EQ(GetLASFilePointCount(SamplePath("point10.las.laz").c_str()), 1065u);
    EXPECT_EQ(GetLASFilePointCount(SamplePath("1_4_w_evlr.laz").c_str()), 1000u);   // a 64-bit count
    EXPECT_EQ(GetLASFilePointCount(WriteTempFile("empty.laz", "").c_str()), 0u);
    StartFrame();
    EXPECT_EQ(PromptedTotal(SampleDir() + "|point10.las|point10.las.laz"), "Total:  2,130");
    // 2^31 points and more are counted, not turned negative. Points compressed
    // one by one have no chunk table that bounds their count.
    Bytes big = ReadBytes(SamplePath("synthetic/fmt5_p10v1_gpsv2_rgbv1_wave_bytev2_c1.laz"));
    SetFieldAt<uint32_t>(big, 107, 0x80000000u);
    ASSERT_TRUE(WriteBytes(TempPath("big.laz"), big));
    EXPECT_EQ(GetLASFilePointCount(TempPath("big.laz").c_str()), 2147483648ull);
    EXPECT_EQ(PromptedTotal(TempPath("big.laz")), "Total:  2,147,483,648");
}

// Points that memory cannot hold: Yes to the memory question decimates this
// opening, then decimation is switched off again.
TEST_F(OpenFilesTest, TheMemoryQuestionSwitchesDecimationOffAfterTheOpening)
{
    ASSERT_TRUE(MakeLASFile(TempPath("huge.las"), 12, 28, 10));
    // 64 MiB: less than the head room of a load, so that 10 points take 3 parts.
    SetAvailableMemoryHook([]() -> uint64_t { return (uint64_t)1 << 26; });
    uint32_t parts = LoadMemoryPartsNeeded(10.0);
    StartFrame();
    decimationEnabled = 0;
    decimationStep = 10;
    FileDialogAnswers answers({TempSelection("|huge.las")});
    SendMessageA(FrameWindow, WM_COMMAND, CMD_OPEN_FILES, 0);
    SetAvailableMemoryHook(nullptr);
    EXPECT_EQ(parts, 3u);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].caption, "Warning");
    EXPECT_TRUE(Holds(boxes[0].text, "Not enough memory available to load 10 points."));
    EXPECT_EQ(decimationEnabled, 0);
    EXPECT_EQ(decimationStep, (int)parts);
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(ViewRecordOf(views[0])->currentDataSet->pointCount, 10 / 3);
}

// Headers that count a billion points where their files hold 1,065, LAS and
// LAZ: the opening judges memory by the points the files hold and asks no
// memory question; each load asks about its short read, and Yes opens the
// points there are.
TEST_F(OpenFilesTest, CountsAboveWhatTheFilesHoldAskAboutTheShortReadNotMemory)
{
    REQUIRE_SAMPLES();
    // Memory for about 25 million points: a billion would need the memory question.
    SetAvailableMemoryHook([]() -> uint64_t { return (uint64_t)1 << 30; });
    for (const char* name : {"point10.las", "point10.las.laz"}) {
        Bytes bytes = ReadBytes(SamplePath(name));
        SetFieldAt<uint32_t>(bytes, 107, 1000000000u);
        ASSERT_TRUE(WriteBytes(TempPath(strstr(name, ".laz") ? "billion.laz" : "billion.las"), bytes));
    }
    StartFrame();
    shortReadAnswer = IDYES;
    FileDialogAnswers answers({TempSelection("|billion.las|billion.laz")});
    SendMessageA(FrameWindow, WM_COMMAND, CMD_OPEN_FILES, 0);
    SetAvailableMemoryHook(nullptr);
    ASSERT_EQ(boxes.size(), 2u);
    const char* titles[2] = {"billion.las", "billion.laz"};
    const char* kinds[2] = {"LAS", "LAZ"};
    for (int k = 0; k < 2; k++) {
        EXPECT_EQ(boxes[k].caption, "Warning");
        EXPECT_EQ(boxes[k].text, std::string(titles[k]) + "\nShort read, " + kinds[k] +
                                     " file is corrupt!\nHeader says 1000000000 points but file only has 1065 points!"
                                     "\n\nWould you like to load it anyway?");
    }
    EXPECT_EQ(decimationEnabled, 0);
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    ViewRecord* record = ViewRecordOf(views[0]);
    ASSERT_EQ(record->dataSetCount, 2);
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(record->dataSets[i]->pointCount, 1065);
        EXPECT_EQ(record->dataSets[i]->decimated, 0);
    }
}

// The loader's lines belong to the view that shows the file.
TEST_F(OpenFilesTest, LoadMessagesShowInTheNewView)
{
    REQUIRE_SAMPLES();
    StartFrame();
    auto messageOf = [](HWND view) {
        char text[300] = "";
        SendMessageA((HWND)GetWindowSlot(view, CHILD_STATUSBAR), SB_GETTEXTA, 5, (LPARAM)text);
        return std::string(text);
    };
    ASSERT_EQ(OpenFilesInNewView(SamplePath("simple.las").c_str(), 0), 1);
    std::vector<HWND> views = PlanViews();
    ASSERT_EQ(views.size(), 1u);
    HWND first = views[0];
    EXPECT_EQ(messageOf(first), "[LOAD]  simple.las");
    DropOnFrame({SamplePath("point10.las")});
    views = PlanViews();
    ASSERT_EQ(views.size(), 2u);
    HWND second = views[0] == first ? views[1] : views[0];
    EXPECT_EQ(messageOf(second), "[LOAD]  point10.las");
    EXPECT_EQ(messageOf(first), "[LOAD]  simple.las");

    // A grid logs nothing as it loads: its view shows no other file's line.
    LogMessage("[SAVE] dem_contours.shp");
    ASSERT_EQ(OpenFilesInNewView(GridFile().c_str(), 0), 1);
    HWND grid = (HWND)SendMessageA(MDIClientWindow, WM_MDIGETACTIVE, 0, 0);
    ASSERT_TRUE(grid != first && grid != second);
    EXPECT_EQ(messageOf(grid), "");
    // A failed open reports in its box and the log, not in the active view.
    LogMessage("[QUERY] mine");
    logged.clear();
    EXPECT_EQ(OpenFilesInNewView(BrokenLAS().c_str(), 0), 0);
    EXPECT_FALSE(logged.empty());
    EXPECT_EQ(messageOf(grid), "[QUERY] mine");
    DropOnFrame({BrokenLAS()});
    EXPECT_EQ(messageOf(grid), "[QUERY] mine");
}

namespace {
RECT openDialogRect;
bool openDialogSeen;
void CALLBACK MeasureAndCancel(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = FindOwnWindow("Open Data Files");
    if (!dialog || !IsWindowVisible(dialog)) return;
    if (!openDialogSeen) GetWindowRect(dialog, &openDialogRect);
    openDialogSeen = true;
    PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
}
}  // namespace

// The real dialog opens over the middle of the frame, as the other dialogs do.
TEST_F(OpenFilesTest, OpenDataFilesDialogIsCentredOnTheFrame)
{
    StartFrame();
    openDialogSeen = false;
    RealFileDialogs real;
    UINT_PTR timer = SetTimer(nullptr, 0, 100, MeasureAndCancel);
    FileList* list = OpenDataFilesDialog(FrameWindow);
    KillTimer(nullptr, timer);
    EXPECT_EQ(list, nullptr);
    ASSERT_TRUE(openDialogSeen);
    RECT frame;
    GetWindowRect(FrameWindow, &frame);
    EXPECT_NEAR((openDialogRect.left + openDialogRect.right) / 2, (frame.left + frame.right) / 2, 2);
    EXPECT_NEAR((openDialogRect.top + openDialogRect.bottom) / 2, (frame.top + frame.bottom) / 2, 2);
}
